// The fuzzer's seed corpus (and the inputs it found) replayed through the reader in every flavour: nothing may
// crash, and what reads in the fuzzer's own flavour must write and read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "mps/fixture.h"

namespace {

using mpstest::MpsFixture;

TEST_F(MpsFixture, FuzzCorpusReplays) {
  std::filesystem::path dir = std::filesystem::path(ZIRVA_SOURCE_DIR) / "fuzz" / "corpus" / "mps";
  ASSERT_TRUE(std::filesystem::exists(dir));
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) {
    std::string name = e.path().string();
    ++files;
    size_t size = std::filesystem::file_size(e.path());
    ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_WIDTH, 256);
    for (int flavour = 0; flavour < 3; ++flavour) {
      if (flavour == static_cast<int>(size % 3)) continue;
      ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_FORMAT, flavour);
      ZRV_readdataformat(t_, name.c_str(), ZRV_DATA_FORMAT_MPS, ZRV_COMPRESS_NONE);
    }
    ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_FORMAT, static_cast<int>(size % 3));
    if (ZRV_readdataformat(t_, name.c_str(), ZRV_DATA_FORMAT_MPS, ZRV_COMPRESS_NONE) != ZRV_RES_OK) continue;
    int32_t numvar = 0, back = -1;
    ZRV_getnumvar(t_, &numvar);
    zrvtest::TempFile out(path("corpus.mps"));
    ASSERT_EQ(ZRV_writedata(t_, out.c_str()), ZRV_RES_OK) << name;
    ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_WIDTH, 1 << 20);
    ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_FORMAT, ZRV_MPS_FORMAT_RELAXED);
    EXPECT_EQ(ZRV_readdataformat(t_, out.c_str(), ZRV_DATA_FORMAT_MPS, ZRV_COMPRESS_NONE), ZRV_RES_OK) << name;
    ZRV_getnumvar(t_, &back);
    EXPECT_EQ(back, numvar) << name;
  }
  EXPECT_GE(files, 5);
}

}  // namespace
