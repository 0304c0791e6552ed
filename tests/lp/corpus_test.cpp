// The fuzzer's seed corpus and its past findings (fuzz/corpus/lp) replayed: every file reads without a crash to
// success or to one of the reader's own error codes, and what reads is written, read and written again to the
// same text.
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "lp_fixture.h"

using LpCorpus = LpTest;

TEST_F(LpCorpus, ReplayReadsAndWrittenTextIsAFixedPoint) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(ZIRVA_SOURCE_DIR) / "fuzz" / "corpus" / "lp";
  ASSERT_TRUE(fs::is_directory(dir)) << dir;
  const std::set<int32_t> expected = {ZRV_RES_OK, ZRV_RES_ERR_LP_FILE_FORMAT, ZRV_RES_ERR_READ_LP_MISSING_END_TAG,
                                      ZRV_RES_ERR_DUP_NAME};
  int files = 0, read_ok = 0;
  std::vector<fs::path> paths;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) paths.push_back(e.path());
  std::sort(paths.begin(), paths.end());
  for (const fs::path& p : paths) {
    ++files;
    int32_t r = read(zrvtest::read_file(p.string()));
    EXPECT_TRUE(expected.count(r)) << p << ": " << r << " " << err_.text;
    if (r != ZRV_RES_OK || (numvar() == 0 && numcon() == 0)) continue;
    ++read_ok;
    std::string first, second;
    ASSERT_EQ(write(&first), ZRV_RES_OK) << p << err_.text;
    ASSERT_EQ(read(first), ZRV_RES_OK) << p << err_.text;
    ASSERT_EQ(write(&second), ZRV_RES_OK) << p;
    EXPECT_EQ(first, second) << p;
  }
  EXPECT_GE(files, 5);
  EXPECT_GE(read_ok, 3);
}
