// LP reader: sections, relations, ranged constraints, bounds, integer declarations, quadratic brackets, names and
// bad input.
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
  EXPECT_EQ(read("\\ header\n\nmaximise\n x\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_TRUE(has(err_, "Syntax error in an LP file at line: 3.")) << err_.text;
}

TEST_F(LpRead, ConstraintsRelationsAndCoefficients) {
  ASSERT_EQ(read("min\n obj: 2x + 3.5e1 y - .5 z + 0 w\nsubject to\n"
                 " c1: x + y + x <= 4\n"  // a repeated variable is summed
                 " c2: - 2 x + 3y >= -1.5E+2\n"
                 " 2ex + y = 7\n"  // unlabelled; "2ex" is 2 times ex
                 " c4: x > 1\n c5: y < 2\n c6: x =< 3\n c7: y => 4\nend\n"),
            ZRV_RES_OK)
      << err_.text;
  ASSERT_EQ(numcon(), 7);
  ASSERT_EQ(numvar(), 5);
  EXPECT_EQ(var("w"), 3);
  EXPECT_EQ(var("ex"), 4);
  double c[5];
  ZRV_getcslice(task_, 0, 5, c);
  EXPECT_EQ(c[0], 2.0);
  EXPECT_EQ(c[1], 35.0);
  EXPECT_EQ(c[2], -0.5);
  EXPECT_EQ(aij(0, 0), 2.0);
  EXPECT_EQ(aij(1, 0), -2.0);
  EXPECT_EQ(aij(2, 4), 2.0);
  EXPECT_EQ(con_name(2), "");
  const int32_t bk[] = {ZRV_BK_UP, ZRV_BK_LO, ZRV_BK_FX, ZRV_BK_LO, ZRV_BK_UP, ZRV_BK_UP, ZRV_BK_LO};
  const double v[] = {4, -150, 7, 1, 2, 3, 4};
  for (int32_t i = 0; i < 7; ++i) expect_bound(true, i, bk[i], v[i], v[i]);
  // Variables met first in the objective or the constraints are non-negative.
  for (int32_t j = 0; j < 5; ++j) expect_bound(false, j, ZRV_BK_LO, 0, 0);
}

TEST_F(LpRead, RangedAndFreeConstraints) {
  ASSERT_EQ(read("minimize\n x\nst\n -3 <= x + y <= 5\n r2:: 5 >= x - y >= -3\n r3: -infinity <= x + y <= 4\n"
                 " r4: x + y <= +inf\n r5: - 3 x + y >= 1\nend\n"),
            ZRV_RES_OK)
      << err_.text;
  ASSERT_EQ(numcon(), 5);
  expect_bound(true, 0, ZRV_BK_RA, -3, 5);
  expect_bound(true, 1, ZRV_BK_RA, -3, 5);
  expect_bound(true, 2, ZRV_BK_UP, 0, 4);
  expect_bound(true, 3, ZRV_BK_FR, 0, 0);
  expect_bound(true, 4, ZRV_BK_LO, 1, 0);
  EXPECT_EQ(aij(1, 1), -1.0);
  EXPECT_EQ(aij(4, 0), -3.0);  // a leading coefficient, not a ranged lower value
  // The relations of a range point the same way.
  EXPECT_EQ(read("min\n x\nst\n c: 1 <= x >= 0\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read("min\n x\nst\n c: 1 = x = 1\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
}

TEST_F(LpRead, BoundsAndIntegerSections) {
  ASSERT_EQ(read("max\n x + y\nst\n c: x + y >= 1\nbounds\n x <= 10\n -5 <= y\n -infinity <= z <= 3\n w free\n"
                 " 2 <= v <= 2\n u = -4\n 1 <= t <= 8 t <= +inf\n"  // free-form: two bounds on one line
                 "general\n x\n y\nbinary\n b\ngen t\nend\n"),
            ZRV_RES_OK)
      << err_.text;
  ASSERT_EQ(numvar(), 8);  // z, w, v, u, t only in the bounds, b only among the binaries
  expect_bound(false, var("x"), ZRV_BK_RA, 0, 10);
  expect_bound(false, var("y"), ZRV_BK_LO, -5, 0);
  expect_bound(false, var("z"), ZRV_BK_UP, 0, 3);
  expect_bound(false, var("w"), ZRV_BK_FR, 0, 0);
  expect_bound(false, var("v"), ZRV_BK_FX, 2, 2);
  expect_bound(false, var("u"), ZRV_BK_FX, -4, -4);
  expect_bound(false, var("t"), ZRV_BK_LO, 1, 0);
  expect_bound(false, var("b"), ZRV_BK_RA, 0, 1);
  int32_t nint = 0;
  ZRV_getnumintvar(task_, &nint);
  EXPECT_EQ(nint, 4);
  ZRVvariabletypee vt;
  ZRV_getvartype(task_, var("b"), &vt);
  EXPECT_EQ(vt, ZRV_VAR_TYPE_INT);
  // Anything else in a bound line is a syntax error at the offending token.
  EXPECT_EQ(read("min\n x\nbounds\n x frees\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_TRUE(has(err_, "at line: 4.")) << err_.text;
  EXPECT_EQ(read("min\n x\nbounds\n x <=\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read("min\n x\nbounds\n 3 <= 4\nend\n"), ZRV_RES_ERR_LP_FILE_FORMAT);
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
  // Linear terms first, a sign before the bracket, repeated products summed, y * x stored at (y, x).
  ASSERT_EQ(read("max\n 3 x - [ 4 y * x - x * y + 2 y^2 + x * x ]/2\nend\n"), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(qobj(1, 0), -1.5);
  EXPECT_EQ(qobj(1, 1), -2.0);
  EXPECT_EQ(qobj(0, 0), -1.0);
  // In a constraint, and without "/2": taken at face value, with a warning.
  ASSERT_EQ(read("min\n x\nst\n c: x + [ x ^ 2 + 3 x * y ] <= 1\n d: [ y ^ 2 ]/2 >= -1\nend\n"), ZRV_RES_OK);
  EXPECT_TRUE(has(wrn_, "Missing '/2' after quadratic expressions in bound or objective."));
  int32_t surp = 4, num = 0, si[4], sj[4];
  double sv[4];
  ASSERT_EQ(ZRV_getqconk(task_, 0, 4, &surp, &num, si, sj, sv), ZRV_RES_OK);
  ASSERT_EQ(num, 2);
  for (int32_t k = 0; k < 2; ++k) EXPECT_EQ(sv[k], si[k] == sj[k] ? 2.0 : 3.0);
  for (const char* bad : {"min\n [ x ^ 3 ]/2\nend\n", "min\n [ x * ]/2\nend\n", "min\n [ x y ]/2\nend\n",
                          "min\n [ x ^ 2 ]/3\nend\n", "min\n [ x ^ 2\nend\n", "min\n 2 [ x ^ 2 ]/2\nend\n"})
    EXPECT_EQ(read(bad), ZRV_RES_ERR_LP_FILE_FORMAT) << bad;
}

TEST_F(LpRead, NamesWithOddCharactersAndQuotes) {
  const std::string odd = "x!\"#$%&/(),.;?@_`'{}|~";
  ASSERT_EQ(read("min\n \"the objective\": " + odd + " + \"a b\" + \"end\"\nst\n \"row one\": \"a b\" + \"end\" >= 1\n"
                 " r(2).x: " + odd + " <= 3\nend\n"),
            ZRV_RES_OK)
      << err_.text;
  EXPECT_EQ(task_->names->objective_name(), "the objective");
  ASSERT_EQ(numvar(), 3);
  EXPECT_EQ(var_name(0), odd);
  EXPECT_EQ(var_name(1), "a b");
  EXPECT_EQ(var_name(2), "end");  // quoted: a name, not the end tag
  EXPECT_EQ(con_name(0), "row one");
  EXPECT_EQ(con_name(1), "r(2).x");
  EXPECT_EQ(read("min\n x\nst\n c: x >= 1\n c: x <= 3\nend\n"), ZRV_RES_ERR_DUP_NAME);
}

TEST_F(LpRead, MissingEndTagAndPartialResults) {
  EXPECT_EQ(read("minimize\n x + y\nsubject to\n c1: x + y >= 1\n c2: x - y <= 3\n"),
            ZRV_RES_ERR_READ_LP_MISSING_END_TAG);
  EXPECT_TRUE(has(err_, "Missing End tag in LP file on line: 6.")) << err_.text;
  EXPECT_EQ(read("minimize\n x\nbounds\n x <= 1\ngeneral\n x"), ZRV_RES_ERR_READ_LP_MISSING_END_TAG);
  // A syntax error stops the reading; what came before it stays in the task, A included.
  EXPECT_EQ(read("minimize\n x + y\nst\n c1: x + 2 y >= 1\n c2: x - y <= 3\n c3: x ++ y >= 0\nend\n"),
            ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_TRUE(has(err_, "at line: 6.")) << err_.text;
  EXPECT_EQ(aij(0, 1), 2.0);
  EXPECT_EQ(aij(1, 1), -1.0);
  // End of input inside a quoted name is a syntax error, not a wait for the closing quote.
  EXPECT_EQ(read("minimize\n x + \"y"), ZRV_RES_ERR_LP_FILE_FORMAT);
  EXPECT_EQ(read("min\n x\nend\n garbage \x01\x02"), ZRV_RES_OK);  // nothing after the end tag is read
}

TEST_F(LpRead, BadInputStopsCleanly) {
  for (const std::string& bad : {std::string("min\n x\nst\n c: x +\0 y >= 1\nend\n", 29),
                                 std::string("min\n x + \"a\0b\"\nend\n", 19), std::string("\x89PNG\r\n\x1a\n\xff"),
                                 std::string(), std::string("min\n 1e999 x\nend\n"),
                                 std::string("min\n 1e308 x + 1e308 x\nend\n")})
    EXPECT_EQ(read(bad), ZRV_RES_ERR_LP_FILE_FORMAT) << bad;
  // A bound beyond the doubles means no bound.
  ASSERT_EQ(read("min\n x\nbounds\n -1e999 <= x <= 1" + std::string(400, '0') + "\nend\n"), ZRV_RES_OK);
  expect_bound(false, 0, ZRV_BK_FR, 0, 0);
  // Long names and lines, over many buffer blocks.
  std::string longname(100000, 'n'), text = "min\n " + longname + "\nst\n c:";
  for (int k = 0; k < 5000; ++k) text += " + x" + std::to_string(k);
  ASSERT_EQ(read(text + " >= 1\nend\n"), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(var_name(0), longname);
  int32_t nz = 0;
  ZRV_getarownumnz(task_, 0, &nz);
  EXPECT_EQ(nz, 5000);
  // A cut gzip stream is a read failure of the file.
  zrvtest::TempFile f(file_name("bad.lp.gz"));
  const unsigned char gz[] = {0x1f, 0x8b, 0x08, 0x00, 0, 0, 0, 0, 0, 0x03, 0xcb, 0xcc, 0xcb, 0x53, 0xa8};
  std::ofstream(f.name, std::ios::binary).write(reinterpret_cast<const char*>(gz), sizeof gz);
  EXPECT_EQ(ZRV_readdata(task_, f.c_str()), ZRV_RES_ERR_FILE_READ);
}
