// LP reader: sections, relations, ranged constraints, bounds, integer declarations, names and bad input.
#include <cmath>
#include <string>

#include "lp_fixture.h"

using LpRead = LpTest;

TEST_F(LpRead, ObjectiveSenseKeywordsAndName) {
  ZRVobjsensee sense;
  for (const char* kw : {"Maximize", "MAXIMUM", "max"}) {
    ASSERT_EQ(read(std::string(kw) + "\n x\nend\n"), ZRV_RES_OK) << kw << err_.text;
    ZRV_getobjsense(task_, &sense);
    EXPECT_EQ(sense, ZRV_OBJECTIVE_SENSE_MAXIMIZE) << kw;
    EXPECT_EQ(task_->names->objective_name(), "obj");
  }
  ASSERT_EQ(read("MINIMUM\n cost: 3 x\nend"), ZRV_RES_OK) << err_.text;
  ZRV_getobjsense(task_, &sense);
  EXPECT_EQ(sense, ZRV_OBJECTIVE_SENSE_MINIMIZE);
  EXPECT_EQ(task_->names->objective_name(), "cost");
  // A misspelt sense is a syntax error at its line.
  EXPECT_EQ(read("\\ header\n\nmaximise\n x\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_NE(err_.text.find("Syntax error in an LP file at line: 3."), std::string::npos) << err_.text;
}

TEST_F(LpRead, ConstraintsRelationsAndCoefficients) {
  const char* text =
      "min\n obj: 2x + 3.5e1 y - .5 z + 0 w\n"
      "subject to\n"
      " c1: x + y + x <= 4\n"          // repeated variable: summed
      " c2: - 2 x + 3y >= -1.5E+2\n"
      " 2ex + y = 7\n"                 // unlabelled; "2ex" is 2 times ex
      " c4: x > 1\n c5: y < 2\n c6: x =< 3\n c7: y => 4\n"
      "end\n";
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  ASSERT_EQ(numcon(), 7);
  ASSERT_EQ(numvar(), 5);
  const int32_t x = var("x"), y = var("y"), z = var("z"), w = var("w"), ex = var("ex");
  EXPECT_EQ(x, 0);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(ex, 4);
  double c[5];
  ZRV_getcslice(task_, 0, 5, c);
  EXPECT_EQ(c[x], 2.0);
  EXPECT_EQ(c[y], 35.0);
  EXPECT_EQ(c[z], -0.5);
  EXPECT_EQ(c[w], 0.0);
  EXPECT_EQ(aij(0, x), 2.0);
  EXPECT_EQ(aij(0, y), 1.0);
  EXPECT_EQ(aij(1, x), -2.0);
  EXPECT_EQ(aij(2, ex), 2.0);
  EXPECT_EQ(con_name(2), "");
  struct Want {
    int32_t bk;
    double bl, bu;
  } want[] = {{ZRV_BK_UP, -1e30, 4},     {ZRV_BK_LO, -150, 1e30}, {ZRV_BK_FX, 7, 7},
              {ZRV_BK_LO, 1, 1e30},      {ZRV_BK_UP, -1e30, 2},   {ZRV_BK_UP, -1e30, 3},
              {ZRV_BK_LO, 4, 1e30}};
  for (int32_t i = 0; i < 7; ++i) {
    int32_t bk;
    double bl, bu;
    con_bound(i, &bk, &bl, &bu);
    EXPECT_EQ(bk, want[i].bk) << i;
    EXPECT_EQ(bl, want[i].bl) << i;
    EXPECT_EQ(bu, want[i].bu) << i;
  }
  // Variables met first in the objective or the constraints are non-negative.
  for (int32_t j = 0; j < 5; ++j) {
    int32_t bk;
    double bl, bu;
    var_bound(j, &bk, &bl, &bu);
    EXPECT_EQ(bk, ZRV_BK_LO);
    EXPECT_EQ(bl, 0.0);
  }
}

TEST_F(LpRead, RangedAndFreeConstraints) {
  const char* text =
      "minimize\n x\nst\n"
      " -3 <= x + y <= 5\n"
      " r2:: 5 >= x - y >= -3\n"
      " r3: -infinity <= x + y <= 4\n"
      " r4: x + y <= +inf\n"
      " r5: - 3 x + y >= 1\n"  // a leading coefficient is not a ranged lower value
      "end\n";
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  ASSERT_EQ(numcon(), 5);
  int32_t bk;
  double bl, bu;
  con_bound(0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA);
  EXPECT_EQ(bl, -3.0);
  EXPECT_EQ(bu, 5.0);
  con_bound(1, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA);
  EXPECT_EQ(bl, -3.0);
  EXPECT_EQ(bu, 5.0);
  EXPECT_EQ(aij(1, var("y")), -1.0);
  con_bound(2, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_UP);
  EXPECT_EQ(bu, 4.0);
  con_bound(3, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
  con_bound(4, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_LO);
  EXPECT_EQ(aij(4, var("x")), -3.0);
  // Relations of a range must point the same way.
  EXPECT_EQ(read("min\n x\nst\n c: 1 <= x >= 0\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read("min\n x\nst\n c: 1 = x = 1\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
}

TEST_F(LpRead, BoundsSection) {
  const char* text =
      "min\n x + y\nst\n c: x + y >= 1\n"
      "bounds\n"
      " x <= 10\n"
      " -5 <= y\n"
      " -infinity <= z <= 3\n"  // z appears only here
      " w free\n"
      " 2 <= v <= 2\n"
      " u = -4\n"
      " 1 <= t <= 8 t <= +inf\n"  // free-form: two bound lines on one line
      "end\n";
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  ASSERT_EQ(numvar(), 7);
  struct Want {
    const char* name;
    int32_t bk;
    double bl, bu;
  } want[] = {{"x", ZRV_BK_RA, 0, 10},      {"y", ZRV_BK_LO, -5, 1e30}, {"z", ZRV_BK_UP, -1e30, 3},
              {"w", ZRV_BK_FR, -1e30, 1e30}, {"v", ZRV_BK_FX, 2, 2},    {"u", ZRV_BK_FX, -4, -4},
              {"t", ZRV_BK_LO, 1, 1e30}};
  for (const Want& w : want) {
    int32_t j = var(w.name), bk;
    double bl, bu;
    ASSERT_GE(j, 0) << w.name;
    var_bound(j, &bk, &bl, &bu);
    EXPECT_EQ(bk, w.bk) << w.name;
    EXPECT_EQ(bl, w.bl) << w.name;
    EXPECT_EQ(bu, w.bu) << w.name;
  }
  // Anything else in a bound line is a syntax error at the offending token.
  EXPECT_EQ(read("min\n x\nbounds\n x frees\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_NE(err_.text.find("at line: 4."), std::string::npos) << err_.text;
  EXPECT_EQ(read("min\n x\nbounds\n x <=\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read("min\n x\nbounds\n 3 <= 4\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
}

TEST_F(LpRead, GeneralAndBinarySections) {
  const char* text =
      "max\n x + y + z\nst\n c: x + y + z <= 10\nbounds\n x <= 5\n"
      "general\n x\n y\nbinary\n b\ngen z\nend\n";
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  int32_t nint = 0;
  ZRV_getnumintvar(task_, &nint);
  EXPECT_EQ(nint, 4);
  ZRVvariabletypee vt;
  int32_t bk;
  double bl, bu;
  // General keeps the bounds, binary makes them [0, 1]; a new name in a declaration becomes a variable.
  ZRV_getvartype(task_, var("x"), &vt);
  EXPECT_EQ(vt, ZRV_VAR_TYPE_INT);
  var_bound(var("x"), &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA);
  EXPECT_EQ(bu, 5.0);
  ASSERT_EQ(var("b"), 3);
  ZRV_getvartype(task_, 3, &vt);
  EXPECT_EQ(vt, ZRV_VAR_TYPE_INT);
  var_bound(3, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA);
  EXPECT_EQ(bl, 0.0);
  EXPECT_EQ(bu, 1.0);
}

TEST_F(LpRead, NamesWithOddCharactersAndQuotes) {
  const char* text =
      "min\n \"the objective\": x!\"#$%&/(),.;?@_`'{}|~ + \"a b\" + \"end\"\n"
      "st\n \"row one\": \"a b\" + \"end\" >= 1\n"
      " r(2).x: x!\"#$%&/(),.;?@_`'{}|~ <= 3\n"
      "end\n";
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(task_->names->objective_name(), "the objective");
  ASSERT_EQ(numvar(), 3);
  EXPECT_EQ(var_name(0), "x!\"#$%&/(),.;?@_`'{}|~");
  EXPECT_EQ(var_name(1), "a b");
  EXPECT_EQ(var_name(2), "end");  // quoted: a name, not the end tag
  EXPECT_EQ(con_name(0), "row one");
  EXPECT_EQ(con_name(1), "r(2).x");
  // Two constraints with one name cannot both keep it.
  EXPECT_EQ(read("min\n x\nst\n c: x >= 1\n c: x <= 3\nend\n"), ZRV_RES_ERR_DUP_NAME);
}

TEST_F(LpRead, MissingEndTagAndPartialResults) {
  EXPECT_EQ(read("minimize\n x + y\nsubject to\n c1: x + y >= 1\n c2: x - y <= 3\n"),
            ZRV_RES_ERR_READ_LP_MISSING_END_TAG);
  EXPECT_NE(err_.text.find("Missing End tag in LP file on line: 6."), std::string::npos) << err_.text;
  EXPECT_EQ(read("minimize\n x\nbounds\n x <= 1\ngeneral\n x"), ZRV_RES_ERR_READ_LP_MISSING_END_TAG);
  // A syntax error stops the reading; what came before it stays in the task, A included.
  EXPECT_EQ(read("minimize\n x + y\nst\n c1: x + 2 y >= 1\n c2: x - y <= 3\n c3: x ++ y >= 0\nend\n"),
            ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_NE(err_.text.find("at line: 6."), std::string::npos) << err_.text;
  EXPECT_GE(numcon(), 2);
  EXPECT_EQ(aij(0, 1), 2.0);
  EXPECT_EQ(aij(1, 1), -1.0);
  // End of input inside a quoted name is a syntax error, not a wait for the closing quote.
  EXPECT_EQ(read("minimize\n x + \"y"), ZRV_RES_ERR_LP_FILE_FORMAT);
  // Text after the end tag is not read.
  EXPECT_EQ(read("min\n x\nend\n garbage \x01\x02"), ZRV_RES_OK);
}

TEST_F(LpRead, BadInputStopsCleanly) {
  const std::string nul("min\n x\nst\n c: x +\0 y >= 1\nend\n", 29);
  EXPECT_EQ(read(nul), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read(std::string("min\n x + \"a\0b\"\nend\n", 19)), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read("\x89PNG\r\n\x1a\n\xff\xfe"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read(""), ZRV_RES_ERR_LP_FILE_FORMAT);
  // A coefficient beyond the doubles is refused; a bound beyond them means no bound.
  EXPECT_EQ(read("min\n 1e999 x\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read("min\n 1e308 x + 1e308 x\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  ASSERT_EQ(read("min\n x\nbounds\n -1e999 <= x <= 1" + std::string(400, '0') + "\nend\n"), ZRV_RES_OK);
  int32_t bk;
  double bl, bu;
  var_bound(0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
  // Long names and long lines are no problem: the whole file is in the buffer.
  std::string longname(100000, 'n');
  std::string text = "min\n " + longname + "\nst\n c:";
  for (int k = 0; k < 5000; ++k) text += " + x" + std::to_string(k);
  text += " >= 1\nend\n";
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(var_name(0), longname);
  EXPECT_EQ(numvar(), 5001);
  int32_t nz = 0;
  ZRV_getarownumnz(task_, 0, &nz);
  EXPECT_EQ(nz, 5000);
}

TEST_F(LpRead, ReadFailureOfACorruptGzipFile) {
  zrvtest::TempFile f(file_name("bad.lp.gz"));
  {
    // A gzip header followed by a cut deflate stream.
    std::ofstream o(f.name, std::ios::binary);
    const unsigned char bytes[] = {0x1f, 0x8b, 0x08, 0x00, 0, 0, 0, 0, 0, 0x03, 0xcb, 0xcc, 0xcb, 0x53, 0xa8};
    o.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }
  int32_t r = ZRV_readdata(task_, f.c_str());
  EXPECT_EQ(r, ZRV_RES_ERR_FILE_READ) << err_.text;
}

TEST_F(LpRead, QuadraticBrackets) {
  auto qobj = [&](int32_t i, int32_t j) {
    double q = 0;
    ZRV_getqobjij(task_, i, j, &q);
    return q;
  };
  // One half of x'Qx: a square gives the diagonal entry, a product its halved lower-triangle entry.
  ASSERT_EQ(read("min\n obj: [ x ^ 2 + 2 x * y ]/2\nend\n"), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(qobj(0, 0), 1.0);
  EXPECT_EQ(qobj(1, 0), 1.0);
  int32_t nz = 0;
  ZRV_getnumqobjnz(task_, &nz);
  EXPECT_EQ(nz, 2);
  // Linear terms before the bracket, a sign in front of it, repeated products summed, y * x stored as (y, x).
  ASSERT_EQ(read("max\n 3 x - [ 4 y * x - x * y + 2 y^2 + x * x ]/2\nend\n"), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(qobj(1, 0), -1.5);
  EXPECT_EQ(qobj(1, 1), -2.0);
  EXPECT_EQ(qobj(0, 0), -1.0);
  double c0 = 0;
  ZRV_getcj(task_, 0, &c0);
  EXPECT_EQ(c0, 3.0);
  // In a constraint, and without "/2": taken at face value with a warning.
  ASSERT_EQ(read("min\n x\nst\n c: x + [ x ^ 2 + 3 x * y ] <= 1\n d: [ y ^ 2 ]/2 >= -1\nend\n"), ZRV_RES_OK);
  EXPECT_NE(wrn_.text.find("Missing '/2' after quadratic expressions in bound or objective."), std::string::npos);
  int32_t surp = 4, num = 0, si[4], sj[4];
  double sv[4];
  ASSERT_EQ(ZRV_getqconk(task_, 0, 4, &surp, &num, si, sj, sv), ZRV_RES_OK);
  ASSERT_EQ(num, 2);
  for (int32_t k = 0; k < 2; ++k) EXPECT_EQ(sv[k], si[k] == sj[k] ? 2.0 : 3.0);
  ZRV_getnumqconknz(task_, 1, &nz);
  EXPECT_EQ(nz, 1);
  // Broken brackets.
  for (const char* bad : {"min\n [ x ^ 3 ]/2\nend\n", "min\n [ x * ]/2\nend\n", "min\n [ x y ]/2\nend\n",
                          "min\n [ x ^ 2 ]/3\nend\n", "min\n [ x ^ 2\nend\n", "min\n 2 [ x ^ 2 ]/2\nend\n"})
    EXPECT_EQ(read(bad), ZRV_RES_ERR_LP_FILE_FORMAT) << bad;
}
