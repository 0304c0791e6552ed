// Every line of every MPS and QPS file of the data sets through the tokenizer: every number field must hold what
// strtod makes of its text, to the last bit, and the file cut as it is (short lines take the word-wise cutter)
// must give the same fields, call by call, as the file with every line padded past 64 characters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "mps/tokenize.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> read_lines(const std::string& gz) {
  std::vector<std::string> lines;
  FILE* p = popen(("zcat '" + gz + "'").c_str(), "r");
  if (!p) return lines;
  std::string cur;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
    for (size_t i = 0; i < n; ++i) {
      if (buf[i] == '\n') {
        if (!cur.empty() && cur.back() == '\r') cur.pop_back();
        lines.push_back(cur);
        cur.clear();
      } else {
        cur.push_back(buf[i]);
      }
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  pclose(p);
  return lines;
}

class AllNumbers : public ::testing::TestWithParam<const char*> {};

TEST_P(AllNumbers, MatchStrtodAndShortLinesCutLikeLongOnes) {
  fs::path dir = fs::path(ZIRVA_DATA_DIR) / GetParam();
  if (!fs::exists(dir)) GTEST_SKIP() << "no data in " << dir;
  std::vector<std::string> files;
  for (auto& e : fs::directory_iterator(dir)) {
    std::string n = e.path().filename().string();
    if (n.ends_with(".mps.gz") || n.ends_with(".qps.gz")) files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  int64_t numbers = 0;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::vector<std::string> lines = read_lines(file);
    ASSERT_FALSE(lines.empty());
    int64_t here = 0;
    std::vector<mpstest::Event> a = mpstest::tokenize(lines, zrv::MPS_RELAXED, &here);
    std::vector<mpstest::Event> b = mpstest::tokenize(mpstest::padded(lines), zrv::MPS_RELAXED);
    // The whole file was cut: the run ends at ENDATA.
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a.back().section, zrv::MPS_SEC_ENDATA);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
      if (!(a[i] == b[i])) {
        ADD_FAILURE() << "event " << i << ": status " << a[i].status << " vs " << b[i].status << ", field 2 '"
                      << a[i].text[1] << "' vs '" << b[i].text[1] << "'";
        break;
      }
    EXPECT_GT(here, 0);
    numbers += here;
  }
  std::printf("%s: %lld number fields in %zu files\n", GetParam(), static_cast<long long>(numbers), files.size());
}

INSTANTIATE_TEST_SUITE_P(Data, AllNumbers, ::testing::Values("netlib", "netlib-infeas", "maros-meszaros", "miplib"));

}  // namespace
