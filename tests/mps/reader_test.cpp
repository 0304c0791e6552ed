// The MPS reader: real files, the format's edge cases and its error reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>
#include <string>

#include "mps/fixture.h"
#include "mps/snapshot.h"
#include "zirva/readmps.h"

namespace {

using mpstest::MpsFixture;

// A data line with the given fields placed in their fixed columns (2, 5, 15, 25, 40, 50).
std::string fx(const std::string& f1, const std::string& f2, const std::string& f3 = "", const std::string& f4 = "",
               const std::string& f5 = "", const std::string& f6 = "") {
  std::string s(61, ' ');
  const size_t at[6] = {1, 4, 14, 24, 39, 49};
  const std::string* f[6] = {&f1, &f2, &f3, &f4, &f5, &f6};
  for (int k = 0; k < 6; ++k) s.replace(at[k], f[k]->size(), *f[k]);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s + "\n";
}

// A small model: objective row first, G, L and E rows, an integer block, RHS on every kind of row.
std::string model(const std::string& rhs_extra = "", const std::string& sections_after_rhs = "") {
  return "NAME          SMALL\nROWS\n" + fx("N", "COST") + fx("G", "LIM1") + fx("L", "LIM2") + fx("E", "MYEQN") +
         "COLUMNS\n" + fx("", "X1", "COST", "1", "LIM1", "1") + fx("", "X1", "LIM2", "1") +
         fx("", "MARKER", "'MARKER'", "", "'INTORG'") + fx("", "X2", "COST", "2", "LIM1", "1") +
         fx("", "X2", "MYEQN", "-1") + fx("", "MARKER", "'MARKER'", "", "'INTEND'") +
         fx("", "X3", "COST", "-1", "MYEQN", "1") + "RHS\n" + fx("", "RHS", "COST", "5", "LIM1", "2") +
         fx("", "RHS", "LIM2", "4", "MYEQN", "3") + rhs_extra + sections_after_rhs + "ENDATA\n";
}

TEST_F(MpsFixture, RealFilesOfEachKindRead) {
  struct Case {
    const char* file;
    int32_t numcon, numvar, numint;
  } cases[] = {{"netlib/afiro.mps.gz", 27, 32, 0}, {"miplib/p0033.mps.gz", 16, 33, 33}, {"netlib/forplan.mps.gz", 161, 421, 0}};
  for (const Case& c : cases) {
    std::string f = std::string(ZIRVA_DATA_DIR) + "/" + c.file;
    ASSERT_EQ(ZRV_readdata(t_, f.c_str()), ZRV_RES_OK) << c.file << err_.text;
    EXPECT_EQ(p().numcon, c.numcon) << c.file;
    EXPECT_EQ(p().numvar, c.numvar) << c.file;
    EXPECT_EQ(p().numintvar, c.numint) << c.file;
  }
  // forplan has blanks inside names: fixed columns keep them, the free flavour cannot read the file.
  EXPECT_GE(var("DEDO3 11"), 0);
  ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_FORMAT, ZRV_MPS_FORMAT_FREE);
  std::string f = std::string(ZIRVA_DATA_DIR) + "/netlib/forplan.mps.gz";
  EXPECT_NE(ZRV_readdata(t_, f.c_str()), ZRV_RES_OK);
}

TEST_F(MpsFixture, BoundsObjectiveConstantRangesAndTypes) {
  ASSERT_EQ(read(model("", "RANGES\n" + fx("", "RNG", "LIM1", "2.5", "LIM2", "-1.5") + fx("", "RNG", "MYEQN", "-2"))),
            ZRV_RES_OK)
      << err_.text;
  EXPECT_EQ(p().numcon, 3);  // the objective row is gone
  EXPECT_EQ(p().cfix, -5.0);
  EXPECT_EQ(std::string(t_->names->objective_name()), "COST");
  EXPECT_EQ(std::string(t_->names->task_name()), "SMALL");
  int32_t bk;
  double bl, bu;
  con_bound("LIM1", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA); EXPECT_EQ(bl, 2.0); EXPECT_EQ(bu, 4.5);
  con_bound("LIM2", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA); EXPECT_EQ(bl, 2.5); EXPECT_EQ(bu, 4.0);
  con_bound("MYEQN", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA); EXPECT_EQ(bl, 1.0); EXPECT_EQ(bu, 3.0);
  EXPECT_EQ(p().c[var("X2")], 2.0);
  EXPECT_EQ(p().A.get_element(con("MYEQN"), var("X2")), -1.0);
  // Without a BOUNDS section the integer variable keeps [0, +inf).
  EXPECT_EQ(p().vartype[var("X2")], ZRV_VAR_TYPE_INT);
  var_bound("X2", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_LO); EXPECT_EQ(bu, 1e30);

  // With one, an integer variable it does not name becomes binary; UI floors; UP on a zero lower bound ranges.
  ASSERT_EQ(read(model("", "BOUNDS\n" + fx("UP", "BND", "X1", "-3") + fx("UI", "BND", "X3", "2.7"))), ZRV_RES_OK);
  var_bound("X2", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA); EXPECT_EQ(bl, 0.0); EXPECT_EQ(bu, 1.0);
  var_bound("X1", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA); EXPECT_EQ(bl, 0.0); EXPECT_EQ(bu, -3.0);
  var_bound("X3", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA); EXPECT_EQ(bu, 2.0);
  EXPECT_EQ(p().vartype[var("X3")], ZRV_VAR_TYPE_INT);

  ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_KEEP_INT, 0);
  ASSERT_EQ(read(model("", "BOUNDS\n" + fx("MI", "BND", "X1") + fx("FX", "BND", "X3", "1.5D1"))), ZRV_RES_OK);
  EXPECT_EQ(p().numintvar, 0);
  var_bound("X1", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
  var_bound("X3", &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FX); EXPECT_EQ(bl, 15.0);
}

TEST_F(MpsFixture, FreeRowsAndObjectiveChoice) {
  std::string two_n = "NAME\nROWS\n" + fx("N", "OBJ1") + fx("N", "OBJ2") + fx("L", "C1") + "COLUMNS\n" +
                      fx("", "X", "OBJ1", "3", "OBJ2", "4") + fx("", "X", "C1", "1") + "RHS\n" + fx("", "R", "C1", "1") +
                      "ENDATA\n";
  ASSERT_EQ(read(two_n), ZRV_RES_OK);
  EXPECT_EQ(p().numcon, 1);
  EXPECT_EQ(p().c[0], 3.0);
  ZRV_putintparam(t_, ZRV_IPAR_READ_KEEP_FREE_CON, 1);
  ASSERT_EQ(read(two_n), ZRV_RES_OK);
  EXPECT_EQ(p().numcon, 3);
  EXPECT_EQ(p().c[0], 3.0);
  EXPECT_EQ(p().A.get_element(con("OBJ1"), 0), 3.0);
  EXPECT_EQ(p().A.get_element(con("OBJ2"), 0), 4.0);
  ZRV_putintparam(t_, ZRV_IPAR_READ_KEEP_FREE_CON, 0);

  // OBJNAME picks the second N row for this file only; the next file uses its own first N row.
  std::string objname = "NAME\nOBJNAME\n    OBJ2\n" + two_n.substr(5);
  ASSERT_EQ(read(objname), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(p().c[0], 4.0);
  ASSERT_EQ(read(two_n), ZRV_RES_OK);
  EXPECT_EQ(p().c[0], 3.0);
  ZRV_putstrparam(t_, ZRV_SPAR_READ_MPS_OBJ_NAME, "NOSUCH");
  EXPECT_EQ(read(two_n), ZRV_RES_ERR_MPS_INVALID_OBJ_NAME);
  ZRV_putstrparam(t_, ZRV_SPAR_READ_MPS_OBJ_NAME, "");

  EXPECT_EQ(read("NAME\nROWS\n" + fx("L", "C1") + "COLUMNS\n" + fx("", "X", "C1", "1") + "ENDATA\n"),
            ZRV_RES_ERR_MPS_NO_OBJECTIVE);
}

TEST_F(MpsFixture, ObjectiveSenseAndVectorSelection) {
  std::string m = model("", "");
  ASSERT_EQ(read("NAME\nOBJSENSE\n    MAXIMIZE\n" + m.substr(m.find("ROWS"))), ZRV_RES_OK);
  EXPECT_EQ(p().sense, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
  ASSERT_EQ(read("NAME\nOBJSENSE\n    MIN\n" + m.substr(m.find("ROWS"))), ZRV_RES_OK);
  EXPECT_EQ(p().sense, ZRV_OBJECTIVE_SENSE_MINIMIZE);
  EXPECT_EQ(read("NAME\nOBJSENSE\n    MAXIMISE\n" + m.substr(m.find("ROWS"))), ZRV_RES_ERR_MPS_INVALID_OBJSENSE);

  // A second RHS vector is skipped; the first one coming back after it is warned about.
  std::string split = fx("", "OTHER", "LIM1", "100") + fx("", "RHS", "LIM2", "7");
  ASSERT_EQ(read(model(split)), ZRV_RES_OK);
  int32_t bk;
  double bl, bu;
  con_bound("LIM1", &bk, &bl, &bu);
  EXPECT_EQ(bl, 2.0);
  con_bound("LIM2", &bk, &bl, &bu);
  EXPECT_EQ(bu, 7.0);
  EXPECT_NE(wrn_.text.find("The RHS vector 'RHS' is split into several nonadjacent parts."), std::string::npos);
  ZRV_putstrparam(t_, ZRV_SPAR_READ_MPS_RHS_NAME, "OTHER");
  ASSERT_EQ(read(model(split)), ZRV_RES_OK);
  con_bound("LIM1", &bk, &bl, &bu);
  EXPECT_EQ(bl, 100.0);
}

TEST_F(MpsFixture, ErrorsCarryCodeAndLine) {
  struct Case {
    std::string text;
    int32_t code;
    int line;
  } cases[] = {
      {model().substr(0, model().find("ENDATA")), ZRV_RES_ERR_END_OF_FILE, 0},
      {model("", "BOUNDS\n" + fx("UP", "BND", "X1", "4") + "RHS\n"), ZRV_RES_ERR_MPS_INV_SEC_ORDER, 20},
      {model(fx("", "RHS", "NOROW", "1")), ZRV_RES_ERR_MPS_UNDEF_CON_NAME, 18},
      {model("", "BOUNDS\n" + fx("XX", "BND", "X1", "4")), ZRV_RES_ERR_MPS_INV_BOUND_KEY, 19},
      {model("", "BOUNDS\n" + fx("UP", "BND", "NOVAR", "4")), ZRV_RES_ERR_MPS_UNDEF_VAR_NAME, 19},
      {model("", "BOUNDS\n" + fx("UP", "BND", "X1", "1e400")), ZRV_RES_ERR_MPS_INV_FIELD, 19},
      {model("", "BOUNDS\n" + fx("UP", "BND", "X1", "nan")), ZRV_RES_ERR_MPS_INV_FIELD, 19},
      {"NAME\nROWS\n" + fx("N", "C") + fx("L", "C"), ZRV_RES_ERR_MPS_MUL_CON_NAME, 4},
      {"NAME\nROWS\n" + fx("X", "C"), ZRV_RES_ERR_MPS_INV_CON_KEY, 3},
      {"NAME\nROWS\n" + fx("N", "C") + "COLUMNS\n" + fx("", "X", "C", "1") + fx("", "Y", "C", "1") +
           fx("", "X", "C", "1"),
       ZRV_RES_ERR_MPS_SPLITTED_VAR, 7},
      {"NAME\nROWS\n" + fx("N", "C") + "COLUMNS\n" + fx("", "M", "'MARKER'", "", "'INTXXX'"), ZRV_RES_ERR_MPS_INV_MARKER, 5},
      {"NAME\nROWS\n N  C\tX\n", ZRV_RES_ERR_MPS_TAB_IN_FIELD2, 3},
      {"NAME\nROWS\n" + fx("N", "C") + "COLUMNS\n    X         C\t1\n", ZRV_RES_ERR_MPS_TAB_IN_FIELD3, 5},
      {"NAME\nROWS\n" + fx("N", "C") + "COLUMNS\n    X    " + '\0' + "     C  1\n", ZRV_RES_ERR_MPS_FILE, 5},
      {"NAME\nROWZ\n", ZRV_RES_ERR_MPS_FILE, 2},
      {"NAME\n" + std::string(2000, 'x') + "\n", ZRV_RES_ERR_MPS_FILE, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(read(c.text), c.code) << c.text;
    if (c.line > 0) {
      EXPECT_NE(err_.text.find("The error occurred  at line(" + std::to_string(c.line) + "):\n"), std::string::npos)
          << err_.text;
    }
  }
}

TEST_F(MpsFixture, FlavoursCutFieldsTheirOwnWay) {
  // A name running past its column: relaxed pushes the following fields along, strict refuses.
  std::string longname = "NAME\nROWS\n N  COST\n L  A_LONG_ROW_NAME\nCOLUMNS\n    X         A_LONG_ROW_NAME  2.5\n"
                         "RHS\n    RHS       A_LONG_ROW_NAME  9\nENDATA\n";
  ASSERT_EQ(read(longname), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(p().A.get_element(con("A_LONG_ROW_NAME"), 0), 2.5);
  ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_FORMAT, ZRV_MPS_FORMAT_STRICT);
  EXPECT_EQ(read(longname), ZRV_RES_ERR_MPS_INV_FIELD);
  ZRV_putintparam(t_, ZRV_IPAR_READ_MPS_FORMAT, ZRV_MPS_FORMAT_RELAXED);
  // Free fields: tabs separate, RHS and BOUNDS take their vector names, markers work without columns.
  std::string free_text = "NAME F\nROWS\n N obj\n\tG c1\nCOLUMNS\n M 'MARKER' 'INTORG'\n x\tobj 1 c1 2\n"
                          " M 'MARKER' 'INTEND'\nRHS\n rhs c1 4\nBOUNDS\n UP bnd x 3\nENDATA\n";
  ASSERT_EQ(read(free_text, true), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(p().A.get_element(0, 0), 2.0);
  EXPECT_EQ(p().vartype[0], ZRV_VAR_TYPE_INT);
  EXPECT_EQ(p().bux[0], 3.0);
  EXPECT_EQ(p().blc[0], 4.0);
}

// A CSECTION header with its name, parameter and type in fields 3, 4 and 5.
std::string csection(const std::string& name, const std::string& type) {
  std::string s = fx("", "", name, "0", type);
  return s.replace(0, 8, "CSECTION");
}

TEST_F(MpsFixture, ConeSections) {
  std::string cones = model("", csection("K1", "QUAD") + "    X1\n    X2\n    X3\n");
  ASSERT_EQ(read(cones), ZRV_RES_OK) << err_.text;
  int32_t n = 0;
  ZRV_getnumcone(t_, &n);
  ASSERT_EQ(n, 1);
  ZRVconetypee ct;
  double par;
  int32_t nummem = 0, sub[3];
  ZRV_getcone(t_, 0, &ct, &par, &nummem, sub);
  EXPECT_EQ(ct, ZRV_CT_QUAD);
  EXPECT_EQ(nummem, 3);
  EXPECT_EQ(sub[2], var("X3"));
  EXPECT_EQ(read(model("", csection("K1", "QUAD") + "    X1\n" + csection("K1", "RQUAD") + "    X2\n")),
            ZRV_RES_ERR_MPS_MUL_CSEC);
  EXPECT_EQ(read(model("", csection("K1", "CUBE") + "    X1\n")), ZRV_RES_ERR_MPS_CONE_TYPE);
  EXPECT_EQ(read("NAME\nROWS\n" + fx("N", "C") + csection("K1", "QUAD") + "ENDATA\n"),
            ZRV_RES_ERR_MPS_INV_SEC_ORDER);
}

TEST_F(MpsFixture, QuadraticSections) {
  // Objective entries in either triangle land in the lower one; tiny ones are dropped; a constraint gets its own.
  std::string q = model("", "QUADOBJ\n" + fx("", "X1", "X1", "2", "X3", "0.5") + fx("", "X2", "X3", "1e-20") +
                                "QSECTION      LIM2\n" + fx("", "X3", "X2", "-1"));
  ASSERT_EQ(read(q), ZRV_RES_OK) << err_.text;
  mpstest::Snapshot s = mpstest::snapshot(t_);
  int32_t x1 = var("X1"), x3 = var("X3"), x2 = var("X2"), lim2 = con("LIM2");
  std::vector<std::tuple<int32_t, int32_t, int32_t, double>> want = {
      {-1, x1, x1, 2.0}, {-1, x3, x1, 0.5}, {lim2, x3, x2, -1.0}};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(s.q, want);
  // The objective row kept as a free row keeps its quadratic term too.
  ZRV_putintparam(t_, ZRV_IPAR_READ_KEEP_FREE_CON, 1);
  ASSERT_EQ(read(q), ZRV_RES_OK);
  int32_t nz = 0;
  ZRV_getnumqconknz(t_, con("COST"), &nz);
  EXPECT_EQ(nz, 2);
  ZRV_putintparam(t_, ZRV_IPAR_READ_KEEP_FREE_CON, 0);
  EXPECT_EQ(read(model("", "QUADOBJ\n" + fx("", "X1", "X1", "2") + "QSECTION      COST\n" + fx("", "X1", "X1", "2"))),
            ZRV_RES_ERR_MPS_MUL_QSEC);
  EXPECT_EQ(read(model("", "QUADOBJ\n" + fx("", "X1", "NOVAR", "2"))), ZRV_RES_ERR_MPS_UNDEF_VAR_NAME);
}

TEST(MpsNumbers, ParseDecimalOnly) {
  char scratch[64];
  double v = 0;
  EXPECT_TRUE(zrv::mps_parse_number(" 1.5D2 ", scratch, &v));
  EXPECT_EQ(v, 150.0);
  EXPECT_TRUE(zrv::mps_parse_number("+.5e-3", scratch, &v));
  EXPECT_EQ(v, 0.0005);
  EXPECT_TRUE(zrv::mps_parse_number("1e-400", scratch, &v));
  EXPECT_EQ(v, 0.0);
  for (const char* bad : {"inf", "-nan", "1e400", "1.2.3", "0x10", "1e", "--1", "+-1", "1,5"})
    EXPECT_FALSE(zrv::mps_parse_number(bad, scratch, &v)) << bad;
}

}  // namespace
