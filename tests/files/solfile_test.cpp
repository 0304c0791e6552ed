// Solution files: the written layout, filters, and reading back by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"

namespace {

struct SolFile : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  zrvtest::TempFile file{"solfile_test.sol"};
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    // Three constraints (ranged, free, equality) and three variables.
    ZRV_appendcons(task, 3);
    ZRV_appendvars(task, 3);
    ZRV_putconbound(task, 0, ZRV_BK_RA, 1.0, 4.0);
    ZRV_putconbound(task, 1, ZRV_BK_FR, 0.0, 0.0);
    ZRV_putconbound(task, 2, ZRV_BK_FX, 2.0, 2.0);
    ZRV_putvarbound(task, 0, ZRV_BK_LO, 0.0, 0.0);
    ZRV_putvarbound(task, 1, ZRV_BK_UP, 0.0, 5.0);
    ZRV_putvarbound(task, 2, ZRV_BK_FR, 0.0, 0.0);
    const char* cn[3] = {"cap", "free_row", "balance"};
    const char* vn[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
      ZRV_putconname(task, i, cn[i]);
      ZRV_putvarname(task, i, vn[i]);
    }
    ZRV_puttaskname(task, "small");
  }
  void TearDown() override {
    ZRV_deletetask(&task);
    ZRV_deleteenv(&env);
  }
  void put_solution(int32_t which) {
    const int32_t skc[3] = {ZRV_SK_LOW, ZRV_SK_BAS, ZRV_SK_UNK};
    const int32_t skx[3] = {ZRV_SK_BAS, ZRV_SK_UPR, ZRV_SK_SUPBAS};
    const double xc[3] = {1.0, -7.5, 2.0}, xx[3] = {0.25, 5.0, -1.0e-9};
    const double slc[3] = {0.5, 0.0, 1.25}, suc[3] = {0.0, 0.0, 0.75};
    const double slx[3] = {0.0, 0.0, 0.0}, sux[3] = {0.0, 3.5, 0.0};
    ASSERT_EQ(ZRV_putskc(task, which, skc), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putskx(task, which, skx), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putxc(task, which, xc), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putxx(task, which, xx), ZRV_RES_OK);
    if (which != ZRV_SOL_ITG) {
      ASSERT_EQ(ZRV_putslc(task, which, slc), ZRV_RES_OK);
      ASSERT_EQ(ZRV_putsuc(task, which, suc), ZRV_RES_OK);
      ASSERT_EQ(ZRV_putslx(task, which, slx), ZRV_RES_OK);
      ASSERT_EQ(ZRV_putsux(task, which, sux), ZRV_RES_OK);
    }
  }
};

}  // namespace

TEST_F(SolFile, WrittenAndReadBackByName) {
  put_solution(ZRV_SOL_BAS);
  ASSERT_EQ(ZRV_writesolution(task, ZRV_SOL_BAS, file.c_str()), ZRV_RES_OK);
  std::string text = zrvtest::read_file(file.name);
  EXPECT_EQ(text.rfind("NAME                : small\nPROBLEM STATUS      : UNKNOWN\n", 0), 0u) << text;
  EXPECT_NE(text.find("DUAL OBJECTIVE      : "), std::string::npos);
  // The free row has NONE in both limit columns.
  EXPECT_NE(text.find("1          free_row BS -7.50000000000000e+00    NONE               NONE"), std::string::npos)
      << text;
  // Read into a fresh task whose items carry the same names (in another order).
  ZRVtask_t other = nullptr;
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &other), ZRV_RES_OK);
  ZRV_appendcons(other, 3);
  ZRV_appendvars(other, 3);
  const char* cn[3] = {"balance", "cap", "free_row"};
  const char* vn[3] = {"z", "x", "y"};
  for (int i = 0; i < 3; ++i) {
    ZRV_putconname(other, i, cn[i]);
    ZRV_putvarname(other, i, vn[i]);
  }
  ASSERT_EQ(ZRV_readsolution(other, ZRV_SOL_BAS, file.c_str()), ZRV_RES_OK);
  int32_t skc[3], skx[3];
  double xc[3], xx[3], y[3], sux[3];
  ZRV_getskc(other, ZRV_SOL_BAS, skc);
  ZRV_getskx(other, ZRV_SOL_BAS, skx);
  ZRV_getxc(other, ZRV_SOL_BAS, xc);
  ZRV_getxx(other, ZRV_SOL_BAS, xx);
  ZRV_gety(other, ZRV_SOL_BAS, y);
  ZRV_getsux(other, ZRV_SOL_BAS, sux);
  EXPECT_EQ(skc[0], ZRV_SK_UNK);  // "balance": the unknown key reads back
  EXPECT_EQ(skc[1], ZRV_SK_LOW);
  EXPECT_EQ(xc[2], -7.5);
  EXPECT_EQ(y[0], 1.25 - 0.75);
  EXPECT_EQ(skx[0], ZRV_SK_SUPBAS);
  EXPECT_EQ(xx[0], -1.0e-9);
  EXPECT_EQ(xx[1], 0.25);
  EXPECT_EQ(sux[2], 3.5);
  ZRV_deletetask(&other);
}

TEST_F(SolFile, IntegerSolutionFiltersAndErrors) {
  put_solution(ZRV_SOL_ITG);
  ZRV_putstrparam(task, ZRV_SPAR_SOL_FILTER_XC_LOW, "+1e-6");  // activity at least lower bound + 1e-6
  ASSERT_EQ(ZRV_writesolution(task, ZRV_SOL_ITG, file.c_str()), ZRV_RES_OK);
  std::string text = zrvtest::read_file(file.name);
  EXPECT_EQ(text.find("DUAL OBJECTIVE"), std::string::npos);
  EXPECT_EQ(text.find("DUAL LOWER"), std::string::npos);
  EXPECT_EQ(text.find(" cap "), std::string::npos);        // at its lower bound: filtered out
  EXPECT_NE(text.find(" free_row "), std::string::npos);   // no lower bound: kept
  EXPECT_EQ(text.find(" balance "), std::string::npos);    // fixed at 2: 2 < 2 + 1e-6, filtered out too
  ZRV_putstrparam(task, ZRV_SPAR_SOL_FILTER_XC_LOW, "junk");
  EXPECT_EQ(ZRV_writesolution(task, ZRV_SOL_ITG, file.c_str()), ZRV_RES_OK);  // warned, filter ignored
  EXPECT_EQ(ZRV_writesolution(task, ZRV_SOL_ITR, file.c_str()), ZRV_RES_ERR_UNDEF_SOLUTION);
  EXPECT_EQ(ZRV_writesolution(task, ZRV_SOL_BAS, nullptr), ZRV_RES_ERR_INVALID_SOL_FILE_NAME);
  EXPECT_EQ(ZRV_writesolution(task, 3, file.c_str()), ZRV_RES_ERR_INVALID_WHICHSOL);
  // A bad status key stops the read; bad numbers are counted and skipped.
  {
    std::string bad = "CONSTRAINTS\nheading\n0 cap XX 1.0\nVARIABLES\nheading\n0 x BS abc\n";
    FILE* f = std::fopen(file.c_str(), "w");
    std::fputs(bad.c_str(), f);
    std::fclose(f);
  }
  EXPECT_EQ(ZRV_readsolution(task, ZRV_SOL_ITG, file.c_str()), ZRV_RES_ERR_INV_SK_STR);
  EXPECT_EQ(ZRV_readsolution(task, ZRV_SOL_ITG, "/nonexistent/x.sol"), ZRV_RES_ERR_FILE_OPEN);
}
