// LP writer: the exact text, refusals, name replacement, line breaking, and problems that read back the same.
#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lp_fixture.h"

namespace {

class LpWrite : public LpTest {
 protected:
  void add_var(const char* name, double c, ZRVboundkeye bk, double bl, double bu) {
    int32_t j = numvar();
    ASSERT_EQ(ZRV_appendvars(task_, 1), ZRV_RES_OK);
    if (name) ZRV_putvarname(task_, j, name);
    ZRV_putcj(task_, j, c);
    ASSERT_EQ(ZRV_putvarbound(task_, j, bk, bl, bu), ZRV_RES_OK);
  }
  void add_con(const char* name, std::vector<int32_t> sub, std::vector<double> val, ZRVboundkeye bk, double bl,
               double bu) {
    int32_t i = numcon();
    ASSERT_EQ(ZRV_appendcons(task_, 1), ZRV_RES_OK);
    if (name) ZRV_putconname(task_, i, name);
    ASSERT_EQ(ZRV_putarow(task_, i, static_cast<int32_t>(sub.size()), sub.data(), val.data()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putconbound(task_, i, bk, bl, bu), ZRV_RES_OK);
  }
  // Writes the task (its warnings stay in write_warnings_) and reads the text back into it.
  std::string write_and_read() {
    std::string text;
    EXPECT_EQ(write(&text), ZRV_RES_OK) << err_.text;
    write_warnings_ = wrn_.text;
    EXPECT_EQ(read(text), ZRV_RES_OK) << err_.text << text;
    return text;
  }
  std::string write_warnings_;
};

}  // namespace

TEST_F(LpWrite, ExactText) {
  ZRV_putobjsense(task_, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
  ZRV_putobjname(task_, "profit");
  ZRV_putcfix(task_, 3.0);
  add_var("x", 1.0000000000000004, ZRV_BK_LO, 0, 1e30);
  add_var("y", 1.001, ZRV_BK_UP, -1e30, 4);
  add_var("z", -1.0, ZRV_BK_FR, -1e30, 1e30);
  add_var("w", 0.0, ZRV_BK_FX, 2, 2);
  add_var("i", -2.5, ZRV_BK_RA, -1, 7.25);
  ZRV_putvartype(task_, 4, ZRV_VAR_TYPE_INT);
  add_con("c1", {1, 0}, {1.001, 1.0}, ZRV_BK_UP, -1e30, 4);
  add_con("r", {0, 2}, {1, -1}, ZRV_BK_RA, -3, 5);
  add_con("e", {1, 2}, {1, 2}, ZRV_BK_FX, 1, 1);
  add_con("f", {0}, {1}, ZRV_BK_FR, -1e30, 1e30);
  add_con("g", {3}, {1}, ZRV_BK_LO, 0.5, 1e30);
  std::string text = write_and_read();
  EXPECT_EQ(text,
            "\\ Created by ZIRVA version 7.0.0.106\nmaximize\n"
            "profit: CFIX + x + 1.001e+00 y - z + 0 w - 2.5e+00 i\n"
            "subject to\nc1:  + x + 1.001e+00 y <= 4\nr::  -3 <= + x - z <= 5\ne:  + y + 2e+00 z = 1\n"
            "f:  + x <= +infinity\ng:  + w >= 0.5\n"
            "bounds\n 0 <= x <= +infinity\n -infinity <= y <= 4\n z free\n 2 <= w <= 2\n -1 <= i <= 7.25\n"
            " 3 <= CFIX <= 3\ngeneral\n i\nend\n");
  // Read back: CFIX is a fixed variable in front, the constraints keep their kinds.
  ASSERT_EQ(numvar(), 6);
  EXPECT_EQ(var_name(0), "CFIX");
  expect_bound(false, 0, ZRV_BK_FX, 3, 3);
  expect_bound(true, 1, ZRV_BK_RA, -3, 5);
  expect_bound(true, 3, ZRV_BK_FR, 0, 0);
}

TEST_F(LpWrite, RefusalsAndWarnings) {
  std::string text;
  EXPECT_EQ(write(&text), ZRV_RES_ERR_LP_EMPTY);
  add_var("x", 1, ZRV_BK_LO, 0, 1e30);
  add_con("c", {0}, {1}, ZRV_BK_LO, 1, 1e30);
  add_con("r", {0}, {1}, ZRV_BK_RA, 1, 2);
  ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_STRICT_FORMAT, 1);
  EXPECT_EQ(write(&text), ZRV_RES_ERR_WRITE_LP_FORMAT);
  EXPECT_TRUE(has(err_, "Problem cannot be written as an LP file because of: ranged constraints.")) << err_.text;
  EXPECT_NE(text.find("c:  + x >= 1\n"), std::string::npos);  // what came before the refusal stays
  ZRV_putconbound(task_, 1, ZRV_BK_FR, -1e30, 1e30);
  EXPECT_EQ(write(&text), ZRV_RES_ERR_WRITE_LP_FORMAT);
  EXPECT_TRUE(has(err_, "because of: free constraints.")) << err_.text;
  ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_STRICT_FORMAT, 0);
  // A variable named CFIX keeps its name; the constant is dropped with a warning.
  ZRV_putcfix(task_, 2.0);
  add_var("CFIX", 0, ZRV_BK_FR, -1e30, 1e30);
  ASSERT_EQ(write(&text), ZRV_RES_OK);
  EXPECT_TRUE(has(wrn_, "The fixed objective term was discarded in the output file."));
  EXPECT_EQ(zrvtest::count_occurrences(text, "CFIX"), 2u) << text;  // its objective term and its bound
  task_->prob->sense = 7;
  EXPECT_EQ(write(&text), ZRV_RES_ERR_UNDEFINED_OBJECTIVE_SENSE);
}

TEST_F(LpWrite, NamesThatCannotBeWrittenAreReplaced) {
  add_var(nullptr, 1, ZRV_BK_LO, 0, 1e30);                // its generic X1 is taken by variable 3
  add_var("2x", 2, ZRV_BK_LO, 0, 1e30);                   // a digit first
  add_var("end", 3, ZRV_BK_LO, 0, 1e30);                  // a keyword
  add_var("X1", 4, ZRV_BK_LO, 0, 1e30);
  add_var("a b", 5, ZRV_BK_LO, 0, 1e30);                  // a blank
  add_var("\xc3\xa9t\xc3\xa9", 6, ZRV_BK_LO, 0, 1e30);    // not a name character
  add_con("end", {0, 1, 2, 3, 4, 5}, {1, 1, 1, 1, 1, 1}, ZRV_BK_UP, -1e30, 1);  // a label may be a keyword
  add_con(".c", {0}, {1}, ZRV_BK_UP, -1e30, 1);
  ZRV_putobjname(task_, "my objective");
  write_and_read();
  EXPECT_NE(write_warnings_.find("Some names were changed because they were invalid for the output file format."),
            std::string::npos);
  ASSERT_EQ(numvar(), 6);
  const char* want[] = {"X1_", "X2", "X3", "X1", "X5", "X6"};
  for (int32_t j = 0; j < 6; ++j) EXPECT_EQ(var_name(j), want[j]);
  EXPECT_EQ(con_name(0), "end");
  EXPECT_EQ(con_name(1), "C2");
  EXPECT_EQ(task_->names->objective_name(), "obj");
  double c[6];
  ZRV_getcslice(task_, 0, 6, c);
  for (int32_t j = 0; j < 6; ++j) EXPECT_EQ(c[j], j + 1.0);
  // Two variables with one name would merge on reading: the class is written with generic names.
  ZRV_putvarname(task_, 1, "dup");
  task_->names->put_unindexed(zrv::NameClass::Var, 2, "dup");
  write_and_read();
  EXPECT_EQ(numvar(), 6);
  EXPECT_EQ(var_name(2), "X3");
  // Generic names on request, also for valid names.
  ZRV_putintparam(task_, ZRV_IPAR_WRITE_GENERIC_NAMES, 1);
  ZRV_putvarname(task_, 0, "good");
  write_and_read();
  EXPECT_EQ(write_warnings_, "");
  EXPECT_EQ(var_name(0), "X1");
  EXPECT_EQ(con_name(0), "C1");
}

TEST_F(LpWrite, LineWidthAndTermsPerLine) {
  std::vector<int32_t> sub;
  std::vector<double> val;
  for (int32_t j = 0; j < 60; ++j) {
    add_var(("variable_" + std::to_string(j)).c_str(), j % 3 ? 1.5 : -1.0, ZRV_BK_LO, 0, 1e30);
    sub.push_back(j), val.push_back(0.25 * (j + 1));
  }
  add_con("row", sub, val, ZRV_BK_UP, -1e30, 10);
  for (auto [width, terms] : {std::pair{40, 3}, std::pair{80, 0}, std::pair{400, 3}}) {
    ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_LINE_WIDTH, width);
    ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_TERMS_PER_LINE, terms);
    std::istringstream in(write_and_read());
    size_t most = 0;
    for (std::string l; std::getline(in, l);) {
      EXPECT_LE(l.size(), static_cast<size_t>(width)) << l;
      most = std::max(most, zrvtest::count_occurrences(l, " variable_"));
    }
    EXPECT_EQ(most, width == 400 ? 3u : width == 40 ? 2u : 4u) << width;  // 4: the width allows no more
    for (int32_t j = 0; j < 60; ++j) EXPECT_EQ(aij(0, j), 0.25 * (j + 1));
  }
}

TEST_F(LpWrite, QuadraticBracketsReadBack) {
  add_var("x", 1, ZRV_BK_LO, 0, 1e30);
  add_var("y", 0, ZRV_BK_LO, 0, 1e30);
  add_var("z", 0, ZRV_BK_FR, -1e30, 1e30);
  add_con("q", {0}, {1}, ZRV_BK_UP, -1e30, 4);
  add_con("big", {}, {}, ZRV_BK_UP, -1e30, 1);
  // The last values cannot be doubled; the data checks let them in only with a raised limit.
  ZRV_putdouparam(task_, ZRV_DPAR_DATA_TOL_AIJ_HUGE, 1.79e308);
  const int32_t oi[] = {0, 1, 2, 2}, oj[] = {0, 0, 1, 2}, ci[] = {1, 2}, cj[] = {1, 0}, bi[] = {2}, bj[] = {1};
  const double ov[] = {1.0, 0.5, -1.5, 1.7e308}, cv[] = {-1.0, 2.0}, bv[] = {1.7e308};
  ASSERT_EQ(ZRV_putqobj(task_, 4, oi, oj, ov), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putqconk(task_, 0, 2, ci, cj, cv), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putqconk(task_, 1, 1, bi, bj, bv), ZRV_RES_OK);
  std::string text = write_and_read();
  // Products are written doubled (the bracket is halved on reading); one that cannot be doubled, twice.
  EXPECT_NE(text.find("\n + x + 0 y + 0 z + [ + x ^ 2 + y * x - 3e+00 z * y + 1.7e+308 z ^ 2 ]/2\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("big:  + [ + 1.7e+308 z * y + 1.7e+308 z * y ]/2 <= 1"), std::string::npos) << text;
  for (int32_t k = 0; k < 4; ++k) {
    double q = 0;
    ZRV_getqobjij(task_, oi[k], oj[k], &q);
    EXPECT_EQ(q, ov[k]) << k;
  }
  int32_t surp = 4, num = 0, si[4], sj[4];
  double sv[4];
  ASSERT_EQ(ZRV_getqconk(task_, 0, 4, &surp, &num, si, sj, sv), ZRV_RES_OK);
  ASSERT_EQ(num, 2);
  for (int32_t k = 0; k < 2; ++k) EXPECT_EQ(sv[k], si[k] == 1 ? cv[0] : cv[1]);
  surp = 4;
  ASSERT_EQ(ZRV_getqconk(task_, 1, 4, &surp, &num, si, sj, sv), ZRV_RES_OK);
  EXPECT_EQ(sv[0], bv[0]);
}

// A random problem with every bound key, awkward numbers and integer variables reads back exactly, up to the
// format's rules: coefficients within 1e-15 of +-1 and bounds within 1e-17 of -1, 0, 1 become exact, and a
// variable range whose two written ends agree reads back as fixed.
TEST_F(LpWrite, RandomProblemsReadBackExactly) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  auto number = [&]() {
    switch (rng() % 5) {
      case 0: return std::ldexp(u(rng), static_cast<int>(rng() % 600) - 300);
      case 1: return static_cast<double>(static_cast<int>(rng() % 21) - 10);
      case 2: return (rng() % 2 ? 1.0 : -1.0) / 3.0;
      case 3: return 1.0 + std::ldexp(1.0, -40 - static_cast<int>(rng() % 20));
      default: return u(rng) * 1000;
    }
  };
  // Bounds stay below the infinity limit of the bound checks.
  auto bnum = [&]() {
    double v = number();
    return std::fabs(v) < 1e15 ? v : v * 1e-300;
  };
  auto coef = [](double v) { return std::fabs(v - 1) <= 1e-15 ? 1.0 : std::fabs(v + 1) <= 1e-15 ? -1.0 : v; };
  auto bound = [](double v) {
    for (double k : {-1.0, 0.0, 1.0})
      if (std::fabs(v - k) <= 1e-17) return k;
    return v;
  };
  ZRV_putdouparam(task_, ZRV_DPAR_DATA_TOL_AIJ_HUGE, 1e300);
  ZRV_putdouparam(task_, ZRV_DPAR_DATA_TOL_C_HUGE, 1e300);
  const int32_t n = 300, m = 200;
  const ZRVboundkeye keys[] = {ZRV_BK_LO, ZRV_BK_UP, ZRV_BK_FX, ZRV_BK_FR, ZRV_BK_RA};
  std::vector<double> c(n), l(n + m), h(n + m), a(static_cast<size_t>(n) * m);
  std::vector<int32_t> k(n + m), integer(n);
  for (int32_t j = 0; j < n; ++j) {
    k[j] = keys[rng() % 5], l[j] = bnum(), h[j] = k[j] == ZRV_BK_FX ? l[j] : l[j] + std::fabs(bnum());
    c[j] = rng() % 5 ? number() : 0.0;
    integer[j] = rng() % 7 == 0;
    add_var(("v" + std::to_string(j)).c_str(), c[j], k[j], l[j], h[j]);
    if (integer[j]) ZRV_putvartype(task_, j, ZRV_VAR_TYPE_INT);
  }
  for (int32_t i = 0; i < m; ++i) {
    std::vector<int32_t> sub;
    std::vector<double> val;
    for (int32_t j = 0; j < n; ++j)
      if (rng() % 25 == 0) sub.push_back(j), val.push_back(a[i * n + j] = number());
    size_t q = n + i;
    k[q] = keys[rng() % 5], l[q] = bnum(), h[q] = k[q] == ZRV_BK_FX ? l[q] : l[q] + std::fabs(bnum());
    add_con(i % 3 ? ("r" + std::to_string(i)).c_str() : nullptr, sub, val, k[q], l[q], h[q]);
  }
  ZRV_putobjsense(task_, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
  for (int32_t i = 0; i < m; ++i)  // what the matrix kept (tiny values are dropped on input)
    for (int32_t j = 0; j < n; ++j) a[i * n + j] = aij(i, j);
  write_and_read();
  ASSERT_EQ(numvar(), n);
  ASSERT_EQ(numcon(), m);
  for (int32_t j = 0; j < n; ++j) {
    double cj;
    ZRV_getcj(task_, j, &cj);
    EXPECT_EQ(cj, coef(c[j])) << j;
    int32_t key = k[j] == ZRV_BK_RA && bound(l[j]) == bound(h[j]) ? ZRV_BK_FX : k[j];
    expect_bound(false, j, key, bound(l[j]), bound(h[j]));
    ZRVvariabletypee t;
    ZRV_getvartype(task_, j, &t);
    EXPECT_EQ(t, integer[j] ? ZRV_VAR_TYPE_INT : ZRV_VAR_TYPE_CONT);
  }
  for (int32_t i = 0; i < m; ++i) {
    expect_bound(true, i, k[n + i], bound(l[n + i]), bound(h[n + i]));
    EXPECT_EQ(con_name(i), i % 3 ? "r" + std::to_string(i) : "C" + std::to_string(i + 1));
    for (int32_t j = 0; j < n; ++j) ASSERT_EQ(aij(i, j), coef(a[i * n + j])) << i << "," << j;
  }
  ZRVobjsensee sense;
  ZRV_getobjsense(task_, &sense);
  EXPECT_EQ(sense, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
}
