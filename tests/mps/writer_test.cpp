// The MPS writer (number format, layout, names that must read back) and branch priority files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "mps/fixture.h"
#include "mps/snapshot.h"
#include "zirva/mpsio.h"

namespace {

using mpstest::MpsFixture;

std::string fmt(double v, int prec = 8) {
  char buf[48];
  return std::string(buf, zrv::mps_format_number(v, prec, buf));
}

TEST(MpsNumberOutput, ShortestDigitsWithinPrecision) {
  EXPECT_EQ(fmt(0.0), "0");
  EXPECT_EQ(fmt(1.5), "1.5e+0");
  EXPECT_EQ(fmt(100), "1e+2");
  EXPECT_EQ(fmt(-0.25), "-2.5e-1");
  EXPECT_EQ(fmt(0.1, 16), "1e-1");
  EXPECT_EQ(fmt(1.0 / 3.0), "3.33333333e-1");
  EXPECT_EQ(fmt(1.0 / 3.0, 16), "3.333333333333333e-1");
  EXPECT_EQ(fmt(9.9999999999, 8), "1e+1");  // rounding carries into a new leading digit
  EXPECT_EQ(fmt(1.23e-300, 8), "1.23e-300");
  EXPECT_EQ(fmt(2.5, 0), "2e+0");  // one digit, ties to even
  EXPECT_EQ(fmt(INFINITY), "inf");
  // 17 digits always give the value back.
  for (double v : {M_PI, -1e-310, 123456789.123456789, 1e22, 5e-324}) EXPECT_EQ(std::strtod(fmt(v, 16).c_str(), nullptr), v) << v;
}

TEST_F(MpsFixture, WrittenProblemReadsBackTheSame) {
  // Ranged, fixed, free and one-sided constraints, every kind of variable bound, integers, a constant, max.
  ZRV_appendcons(t_, 5);
  ZRV_appendvars(t_, 7);
  const ZRVboundkeye bkc[5] = {ZRV_BK_RA, ZRV_BK_FX, ZRV_BK_LO, ZRV_BK_UP, ZRV_BK_RA};
  const double blc[5] = {-1, 2, 0.1, -1e30, 0.1}, buc[5] = {0.1, 2, 1e30, 7, 0.30000000000000004};
  for (int i = 0; i < 5; ++i) ZRV_putconbound(t_, i, bkc[i], blc[i], buc[i]);
  const ZRVboundkeye bkx[7] = {ZRV_BK_LO, ZRV_BK_UP, ZRV_BK_FR, ZRV_BK_FX, ZRV_BK_RA, ZRV_BK_RA, ZRV_BK_LO};
  const double blx[7] = {0, -1e30, -1e30, 3, -2, 0, -5}, bux[7] = {1e30, -4, 1e30, 3, 8, 1, 1e30};
  for (int j = 0; j < 7; ++j) {
    ZRV_putvarbound(t_, j, bkx[j], blx[j], bux[j]);
    ZRV_putcj(t_, j, j * 0.7 - 1);
    for (int i = 0; i < 5; ++i)
      if ((i + j) % 3 != 0) ZRV_putaij(t_, i, j, 1.0 / (1 + i + j));
  }
  ZRV_putvartype(t_, 4, ZRV_VAR_TYPE_INT);
  ZRV_putvartype(t_, 5, ZRV_VAR_TYPE_INT);
  ZRV_putvartype(t_, 2, ZRV_VAR_TYPE_INT);
  ZRV_putcfix(t_, 2.5);
  ZRV_putobjsense(t_, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
  for (int i = 0; i < 5; ++i) ZRV_putconname(t_, i, ("r" + std::to_string(i)).c_str());
  for (int j = 0; j < 7; ++j) ZRV_putvarname(t_, j, ("a_much_longer_variable_name_" + std::to_string(j)).c_str());
  ZRV_putobjname(t_, "r1");  // the same name as a constraint: the file must still read back
  ZRV_putintparam(t_, ZRV_IPAR_WRITE_PRECISION, 16);
  mpstest::Snapshot before = mpstest::snapshot(t_);
  std::string text = write();
  EXPECT_EQ(text.rfind("NAME\n* Written by ZIRVA version 7.0.0.106\nOBJSENSE\n    MAX\nROWS\n", 0), 0u) << text;
  EXPECT_NE(text.find(" BV bound     a_much_longer_variable_name_5\n"), std::string::npos) << text;
  zrvtest::TempFile f(path("again.mps"));
  { std::ofstream(f.name) << text; }
  ASSERT_EQ(ZRV_readdata(t_, f.c_str()), ZRV_RES_OK);
  mpstest::Snapshot after = mpstest::snapshot(t_);
  EXPECT_EQ(before.bkc, after.bkc);
  EXPECT_EQ(before.blc, after.blc);
  EXPECT_EQ(before.buc, after.buc);
  EXPECT_EQ(before.bkx, after.bkx);
  EXPECT_EQ(before.blx, after.blx);
  EXPECT_EQ(before.bux, after.bux);
  EXPECT_EQ(before.vartype, after.vartype);
  EXPECT_EQ(before.c, after.c);
  EXPECT_TRUE(before.a == after.a);
  EXPECT_EQ(before.cfix, after.cfix);
  EXPECT_EQ(after.sense, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
  EXPECT_EQ(before.conname, after.conname);
  EXPECT_EQ(before.varname, after.varname);
}

TEST_F(MpsFixture, DuplicateOrInvalidNamesGiveGenericNames) {
  ZRV_appendcons(t_, 2);
  ZRV_appendvars(t_, 1);
  ZRV_putconbound(t_, 0, ZRV_BK_UP, -1e30, 1);
  ZRV_putconbound(t_, 1, ZRV_BK_UP, -1e30, 2);
  ZRV_putconname(t_, 0, "same");
  t_->names->put_unindexed(zrv::NameClass::Con, 1, "same");
  ZRV_putvarname(t_, 0, "x");
  std::string text = write();
  EXPECT_NE(text.find(" L  C2      \n"), std::string::npos) << text;
  t_->streams.flush(ZRV_STREAM_WRN);
  EXPECT_NE(wrn_.text.find("Constraint number 0 and 1 is given the same name 'same'."), std::string::npos) << wrn_.text;
  EXPECT_NE(wrn_.text.find("Generic names are used because a name is not valid."), std::string::npos);
}

TEST_F(MpsFixture, BranchPrioritiesRoundTrip) {
  zrvtest::TempFile f(path("prio.ord"));
  ZRV_appendvars(t_, 4);
  ZRV_puttaskname(t_, "T");
  ASSERT_EQ(ZRV_writebranchpriorities(t_, f.c_str()), ZRV_RES_OK);
  EXPECT_EQ(zrvtest::read_file(f.name), "NAME           T\n* Written by ZIRVA version 7.0.0.106\nENDATA\n");
  ZRV_putvarname(t_, 0, "first");
  ZRV_putvarname(t_, 2, "a name");
  ZRV_putvarname(t_, 3, "a_rather_long_variable_name");
  ZRV_putvarbranchorder(t_, 0, 5, ZRV_BRANCH_DIR_UP);
  ZRV_putvarbranchorder(t_, 2, 0, ZRV_BRANCH_DIR_DOWN);
  ZRV_putvarbranchorder(t_, 3, 12, ZRV_BRANCH_DIR_FREE);
  ASSERT_EQ(ZRV_writebranchpriorities(t_, f.c_str()), ZRV_RES_OK);
  std::string text = zrvtest::read_file(f.name);
  for (int j = 0; j < 4; ++j) ZRV_putvarbranchorder(t_, j, 0, ZRV_BRANCH_DIR_FREE);
  ASSERT_EQ(ZRV_readbranchpriorities(t_, f.c_str()), ZRV_RES_OK) << text;
  int32_t pri;
  ZRVbranchdire dir;
  const int32_t want_pri[4] = {5, 0, 0, 12}, want_dir[4] = {ZRV_BRANCH_DIR_UP, 0, ZRV_BRANCH_DIR_DOWN, 0};
  for (int j = 0; j < 4; ++j) {
    ZRV_getvarbranchorder(t_, j, &pri, &dir);
    EXPECT_EQ(pri, want_pri[j]) << j << "\n" << text;
    EXPECT_EQ(dir, want_dir[j]) << j;
  }
  // Unknown names are skipped; a bad direction or priority stops reading with its code.
  struct Case {
    const char* text;
    int32_t code;
  } cases[] = {{"NAME\n UP nosuchvar  3\nENDATA\n", ZRV_RES_OK},
               {"NAME\n XX first  3\nENDATA\n", ZRV_RES_ERR_ORD_INVALID_BRANCH_DIR},
               {"NAME\n UP first  3.5\nENDATA\n", ZRV_RES_ERR_ORD_INVALID},
               {"NAME\nROWS\nENDATA\n", ZRV_RES_ERR_ORD_INVALID},
               {"NAME\n UP first  3\n", ZRV_RES_ERR_END_OF_FILE}};
  for (const Case& c : cases) {
    { std::ofstream(f.name) << c.text; }
    EXPECT_EQ(ZRV_readbranchpriorities(t_, f.c_str()), c.code) << c.text;
  }
}

}  // namespace
