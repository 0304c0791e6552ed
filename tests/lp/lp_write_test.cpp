// LP writer: the exact text, refusals, name replacement, line breaking, and problems that read back the same.
#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lp_fixture.h"

using LpWrite = LpTest;

namespace {

// Appends a constraint with the given terms (variable indexes) and bound.
void add_con(ZRVtask_t t, const char* name, std::vector<int32_t> sub, std::vector<double> val, ZRVboundkeye bk,
             double bl, double bu) {
  int32_t i = 0;
  ZRV_getnumcon(t, &i);
  ASSERT_EQ(ZRV_appendcons(t, 1), ZRV_RES_OK);
  if (name) ZRV_putconname(t, i, name);
  ASSERT_EQ(ZRV_putarow(t, i, static_cast<int32_t>(sub.size()), sub.data(), val.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(t, i, bk, bl, bu), ZRV_RES_OK);
}

void add_var(ZRVtask_t t, const char* name, double c, ZRVboundkeye bk, double bl, double bu) {
  int32_t j = 0;
  ZRV_getnumvar(t, &j);
  ASSERT_EQ(ZRV_appendvars(t, 1), ZRV_RES_OK);
  if (name) ZRV_putvarname(t, j, name);
  ZRV_putcj(t, j, c);
  ASSERT_EQ(ZRV_putvarbound(t, j, bk, bl, bu), ZRV_RES_OK);
}

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

}  // namespace

TEST_F(LpWrite, ExactText) {
  ZRV_putobjsense(task_, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
  ZRV_putobjname(task_, "profit");
  ZRV_putcfix(task_, 3.0);
  add_var(task_, "x", 1.0000000000000004, ZRV_BK_LO, 0, 1e30);
  add_var(task_, "y", 1.001, ZRV_BK_UP, -1e30, 4);
  add_var(task_, "z", -1.0, ZRV_BK_FR, -1e30, 1e30);
  add_var(task_, "w", 0.0, ZRV_BK_FX, 2, 2);
  add_var(task_, "i", -2.5, ZRV_BK_RA, -1, 7.25);
  ZRV_putvartype(task_, 4, ZRV_VAR_TYPE_INT);
  add_con(task_, "c1", {1, 0}, {1.001, 1.0}, ZRV_BK_UP, -1e30, 4);
  add_con(task_, "r", {0, 2}, {1, -1}, ZRV_BK_RA, -3, 5);
  add_con(task_, "e", {1, 2}, {1, 2}, ZRV_BK_FX, 1, 1);
  add_con(task_, "f", {0}, {1}, ZRV_BK_FR, -1e30, 1e30);
  add_con(task_, "g", {3}, {1}, ZRV_BK_LO, 0.5, 1e30);
  std::string text;
  ASSERT_EQ(write(&text), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(text,
            "\\ Created by ZIRVA version 7.0.0.106\n"
            "maximize\n"
            "profit: CFIX + x + 1.001e+00 y - z + 0 w - 2.5e+00 i\n"
            "subject to\n"
            "c1:  + x + 1.001e+00 y <= 4\n"
            "r::  -3 <= + x - z <= 5\n"
            "e:  + y + 2e+00 z = 1\n"
            "f:  + x <= +infinity\n"
            "g:  + w >= 0.5\n"
            "bounds\n"
            " 0 <= x <= +infinity\n"
            " -infinity <= y <= 4\n"
            " z free\n"
            " 2 <= w <= 2\n"
            " -1 <= i <= 7.25\n"
            " 3 <= CFIX <= 3\n"
            "general\n"
            " i\n"
            "end\n");
  // The same problem read back: CFIX is a fixed variable at the front, the rest is unchanged.
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  ASSERT_EQ(numvar(), 6);
  EXPECT_EQ(var_name(0), "CFIX");
  int32_t bk;
  double bl, bu;
  var_bound(0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FX);
  EXPECT_EQ(bl, 3.0);
  con_bound(1, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA);
  con_bound(3, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
}

TEST_F(LpWrite, RefusalsAndWarnings) {
  std::string text;
  EXPECT_EQ(write(&text), ZRV_RES_ERR_LP_EMPTY);
  add_var(task_, "x", 1, ZRV_BK_LO, 0, 1e30);
  add_con(task_, "c", {0}, {1}, ZRV_BK_LO, 1, 1e30);
  add_con(task_, "r", {0}, {1}, ZRV_BK_RA, 1, 2);
  ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_STRICT_FORMAT, 1);
  EXPECT_EQ(write(&text), ZRV_RES_ERR_WRITE_LP_FORMAT);
  EXPECT_NE(err_.text.find("Problem cannot be written as an LP file because of: ranged constraints."),
            std::string::npos) << err_.text;
  EXPECT_NE(text.find("c:  + x >= 1\n"), std::string::npos);  // what came before the refusal stays
  ZRV_putconbound(task_, 1, ZRV_BK_FR, -1e30, 1e30);
  EXPECT_EQ(write(&text), ZRV_RES_ERR_WRITE_LP_FORMAT);
  EXPECT_NE(err_.text.find("because of: free constraints."), std::string::npos) << err_.text;
  ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_STRICT_FORMAT, 0);
  // A variable named CFIX keeps its place; the constant is dropped with a warning.
  ZRV_putcfix(task_, 2.0);
  add_var(task_, "CFIX", 0, ZRV_BK_FR, -1e30, 1e30);
  ASSERT_EQ(write(&text), ZRV_RES_OK);
  EXPECT_NE(wrn_.text.find("The fixed objective term was discarded in the output file."), std::string::npos);
  EXPECT_EQ(zrvtest::count_occurrences(text, "CFIX"), 2u) << text;  // objective term and bound line of the variable
  // An undefined objective sense stops the writer.
  task_->prob->sense = 7;
  EXPECT_EQ(write(&text), ZRV_RES_ERR_UNDEFINED_OBJECTIVE_SENSE);
}

TEST_F(LpWrite, NamesThatCannotBeWrittenAreReplaced) {
  add_var(task_, nullptr, 1, ZRV_BK_LO, 0, 1e30);      // generic X1 is taken by variable 3
  add_var(task_, "2x", 2, ZRV_BK_LO, 0, 1e30);         // starts with a digit
  add_var(task_, "end", 3, ZRV_BK_LO, 0, 1e30);        // a keyword
  add_var(task_, "X1", 4, ZRV_BK_LO, 0, 1e30);
  add_var(task_, "a b", 5, ZRV_BK_LO, 0, 1e30);        // a blank
  add_var(task_, "\xc3\xa9t\xc3\xa9", 6, ZRV_BK_LO, 0, 1e30);  // outside the name characters
  add_con(task_, "end", {0, 1, 2, 3, 4, 5}, {1, 1, 1, 1, 1, 1}, ZRV_BK_UP, -1e30, 1);  // a label may be a keyword
  add_con(task_, ".c", {0}, {1}, ZRV_BK_UP, -1e30, 1);
  ZRV_putobjname(task_, "my objective");
  std::string text;
  ASSERT_EQ(write(&text), ZRV_RES_OK) << err_.text;
  EXPECT_NE(wrn_.text.find("Some names were changed because they were invalid for the output file format."),
            std::string::npos);
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text << text;
  ASSERT_EQ(numvar(), 6);
  ASSERT_EQ(numcon(), 2);
  EXPECT_EQ(var_name(0), "X1_");
  EXPECT_EQ(var_name(1), "X2");
  EXPECT_EQ(var_name(2), "X3");
  EXPECT_EQ(var_name(3), "X1");
  EXPECT_EQ(con_name(0), "end");
  EXPECT_EQ(con_name(1), "C2");
  EXPECT_EQ(task_->names->objective_name(), "obj");
  double c[6];
  ZRV_getcslice(task_, 0, 6, c);
  for (int32_t j = 0; j < 6; ++j) EXPECT_EQ(c[j], j + 1.0);

  // Two variables with one name would merge on reading: the class is written with generic names.
  ZRV_putvarname(task_, 1, "dup");
  task_->names->put_unindexed(zrv::NameClass::Var, 2, "dup");
  ASSERT_EQ(write(&text), ZRV_RES_OK);
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(numvar(), 6);
  EXPECT_EQ(var_name(2), "X3");

  // Generic names on request, also for valid names.
  ZRV_putintparam(task_, ZRV_IPAR_WRITE_GENERIC_NAMES, 1);
  ASSERT_EQ(write(&text), ZRV_RES_OK);
  EXPECT_TRUE(wrn_.text.empty()) << wrn_.text;
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  EXPECT_EQ(var_name(0), "X1");
  EXPECT_EQ(con_name(0), "C1");
}

TEST_F(LpWrite, LineWidthAndTermsPerLine) {
  std::vector<int32_t> sub;
  std::vector<double> val;
  for (int32_t j = 0; j < 60; ++j) {
    std::string name = "variable_" + std::to_string(j);
    add_var(task_, name.c_str(), j % 3 ? 1.5 : -1.0, ZRV_BK_LO, 0, 1e30);
    sub.push_back(j);
    val.push_back(0.25 * (j + 1));
  }
  add_con(task_, "row", sub, val, ZRV_BK_UP, -1e30, 10);
  for (auto [width, terms] : {std::pair{40, 3}, std::pair{80, 0}, std::pair{400, 3}}) {
    ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_LINE_WIDTH, width);
    ZRV_putintparam(task_, ZRV_IPAR_WRITE_LP_TERMS_PER_LINE, terms);
    std::string text;
    ASSERT_EQ(write(&text), ZRV_RES_OK);
    size_t most_terms = 0;
    for (const std::string& l : lines_of(text)) {
      EXPECT_LE(l.size(), static_cast<size_t>(width)) << l;
      size_t n = zrvtest::count_occurrences(l, " variable_");
      if (l.find(" <= ") == std::string::npos) most_terms = std::max(most_terms, n);
    }
    if (terms > 0) {
      EXPECT_LE(most_terms, static_cast<size_t>(terms)) << width;
    }
    if (width == 400) {
      EXPECT_EQ(most_terms, 3u);
    }
    // Broken lines read back to the same row.
    zrvtest::TempFile f(file_name("wide.lp"));
    ZRVtask_t back = nullptr;
    ASSERT_EQ(ZRV_maketask(env_, 0, 0, &back), ZRV_RES_OK);
    { std::ofstream(f.name) << text; }
    ASSERT_EQ(ZRV_readdataformat(back, f.c_str(), ZRV_DATA_FORMAT_LP, ZRV_COMPRESS_NONE), ZRV_RES_OK);
    for (int32_t j = 0; j < 60; ++j) {
      double a = 0;
      ZRV_getaij(back, 0, j, &a);
      EXPECT_EQ(a, 0.25 * (j + 1));
    }
    ZRV_deletetask(&back);
  }
}

// A random problem with every bound key, awkward numbers and integer variables reads back exactly.
TEST_F(LpWrite, RandomProblemsReadBackExactly) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  auto number = [&]() {
    switch (rng() % 6) {
      case 0: return std::ldexp(u(rng), static_cast<int>(rng() % 600) - 300);
      case 1: return static_cast<double>(static_cast<int>(rng() % 21) - 10);
      case 2: return 1.0 / 3.0 * (rng() % 2 ? 1 : -1);
      case 3: return 1.0 + std::ldexp(1.0, -40);
      default: return u(rng) * 1000;
    }
  };
  const int32_t n = 300, m = 200;
  ZRV_appendvars(task_, n);
  ZRV_appendcons(task_, m);
  const ZRVboundkeye keys[] = {ZRV_BK_LO, ZRV_BK_UP, ZRV_BK_FX, ZRV_BK_FR, ZRV_BK_RA};
  for (int32_t j = 0; j < n; ++j) {
    if (rng() % 5) ZRV_putcj(task_, j, number());
    double a = number(), b = a + std::fabs(number());
    ZRVboundkeye bk = keys[rng() % 5];
    ZRV_putvarbound(task_, j, bk, a, bk == ZRV_BK_FX ? a : b);
    if (rng() % 7 == 0) ZRV_putvartype(task_, j, ZRV_VAR_TYPE_INT);
    ZRV_putvarname(task_, j, ("v" + std::to_string(j)).c_str());
  }
  for (int32_t i = 0; i < m; ++i) {
    std::vector<int32_t> sub;
    std::vector<double> val;
    for (int32_t j = 0; j < n; ++j)
      if (rng() % 25 == 0) sub.push_back(j), val.push_back(number());
    ZRV_putarow(task_, i, static_cast<int32_t>(sub.size()), sub.data(), val.data());
    double a = number(), b = a + std::fabs(number());
    ZRVboundkeye bk = keys[rng() % 5];
    ZRV_putconbound(task_, i, bk, a, bk == ZRV_BK_FX ? a : b);
    if (i % 3) ZRV_putconname(task_, i, ("r" + std::to_string(i)).c_str());
  }
  ZRV_putobjsense(task_, ZRV_OBJECTIVE_SENSE_MAXIMIZE);

  // Snapshot of the original.
  std::vector<double> c(n), blx(n), bux(n), blc(m), buc(m);
  std::vector<ZRVboundkeye> bkx(n), bkc(m);
  ZRV_getcslice(task_, 0, n, c.data());
  ZRV_getvarboundslice(task_, 0, n, bkx.data(), blx.data(), bux.data());
  ZRV_getconboundslice(task_, 0, m, bkc.data(), blc.data(), buc.data());
  std::vector<std::vector<double>> a(m, std::vector<double>(n));
  for (int32_t i = 0; i < m; ++i)
    for (int32_t j = 0; j < n; ++j) a[i][j] = aij(i, j);
  std::vector<ZRVvariabletypee> vt(n);
  for (int32_t j = 0; j < n; ++j) ZRV_getvartype(task_, j, &vt[j]);

  std::string text;
  ASSERT_EQ(write(&text), ZRV_RES_OK) << err_.text;
  ASSERT_EQ(read(text), ZRV_RES_OK) << err_.text;
  ASSERT_EQ(numvar(), n);
  ASSERT_EQ(numcon(), m);
  // Coefficients within 1e-15 of +-1 are written as bare names: they come back as +-1.
  auto as_written = [](double v) {
    if (std::fabs(v - 1.0) <= 1e-15) return 1.0;
    if (std::fabs(v + 1.0) <= 1e-15) return -1.0;
    return v;
  };
  // Bound values within 1e-17 of -1, 0 or 1 are written as those integers; a range whose two written values
  // agree reads back as fixed (variables: both are written as "l <= x <= u"; constraints keep "::").
  auto bound_written = [](double v) {
    for (double k : {-1.0, 0.0, 1.0})
      if (std::fabs(v - k) <= 1e-17) return k;
    return v;
  };
  auto key_written = [&](ZRVboundkeye bk, double bl, double bu) {
    return bk == ZRV_BK_RA && bound_written(bl) == bound_written(bu) ? ZRV_BK_FX : bk;
  };
  for (int32_t j = 0; j < n; ++j) {
    ZRVboundkeye bk;
    double bl, bu, cj;
    ZRV_getvarbound(task_, j, &bk, &bl, &bu);
    ZRV_getcj(task_, j, &cj);
    EXPECT_EQ(var_name(j), "v" + std::to_string(j));
    EXPECT_EQ(cj, as_written(c[j])) << j;
    EXPECT_EQ(bk, key_written(bkx[j], blx[j], bux[j])) << j;
    EXPECT_EQ(bl, bound_written(blx[j])) << j;
    EXPECT_EQ(bu, bound_written(bux[j])) << j;
    ZRVvariabletypee t;
    ZRV_getvartype(task_, j, &t);
    EXPECT_EQ(t, vt[j]);
  }
  for (int32_t i = 0; i < m; ++i) {
    ZRVboundkeye bk;
    double bl, bu;
    ZRV_getconbound(task_, i, &bk, &bl, &bu);
    EXPECT_EQ(bk, bkc[i]) << i;
    EXPECT_EQ(bl, bound_written(blc[i])) << i;
    EXPECT_EQ(bu, bound_written(buc[i])) << i;
    EXPECT_EQ(con_name(i), i % 3 ? "r" + std::to_string(i) : "C" + std::to_string(i + 1));
    for (int32_t j = 0; j < n; ++j) ASSERT_EQ(aij(i, j), as_written(a[i][j])) << i << "," << j;
  }
  ZRVobjsensee sense;
  ZRV_getobjsense(task_, &sense);
  EXPECT_EQ(sense, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
}

TEST_F(LpWrite, QuadraticBracketsReadBack) {
  add_var(task_, "x", 1, ZRV_BK_LO, 0, 1e30);
  add_var(task_, "y", 0, ZRV_BK_LO, 0, 1e30);
  add_var(task_, "z", 0, ZRV_BK_FR, -1e30, 1e30);
  const int32_t oi[] = {0, 1, 2, 2}, oj[] = {0, 0, 1, 2};
  // The last value cannot be doubled; the data check lets it in only with a raised limit.
  const double ov[] = {1.0, 0.5, -1.5, 1.7e308};
  ZRV_putdouparam(task_, ZRV_DPAR_DATA_TOL_AIJ_HUGE, 1.79e308);
  ASSERT_EQ(ZRV_putqobj(task_, 4, oi, oj, ov), ZRV_RES_OK);
  add_con(task_, "q", {0}, {1}, ZRV_BK_UP, -1e30, 4);
  const int32_t ci[] = {1, 2}, cj[] = {1, 0};
  const double cv[] = {-1.0, 2.0};
  ASSERT_EQ(ZRV_putqconk(task_, 0, 2, ci, cj, cv), ZRV_RES_OK);
  const int32_t bi[] = {2}, bj[] = {1};
  const double bv[] = {1.7e308};
  add_con(task_, "big", {}, {}, ZRV_BK_UP, -1e30, 1);
  ASSERT_EQ(ZRV_putqconk(task_, 1, 1, bi, bj, bv), ZRV_RES_OK);
  std::string text;
  ASSERT_EQ(write(&text), ZRV_RES_OK) << err_.text;
  // Off-diagonal values are doubled on writing, the bracket is halved on reading.
  EXPECT_NE(text.find("\n + x + 0 y + 0 z + [ + x ^ 2 + y * x - 3e+00 z * y + 1.7e+308 z ^ 2 ]/2\n"),
            std::string::npos) << text;
  // Constraint terms come in the stored order of the quadratic module.
  const std::string q = text.substr(text.find("q: "), text.find("\nbig:") - text.find("q: "));
  EXPECT_EQ(q.find("q:  + x + [ "), 0u) << q;
  EXPECT_NE(q.find(" + 4e+00 z * x"), std::string::npos) << q;
  EXPECT_NE(q.find(" - y ^ 2"), std::string::npos) << q;
  EXPECT_NE(q.find(" ]/2 <= 4"), std::string::npos) << q;
  EXPECT_NE(text.find("big:  + [ + 1.7e+308 z * y + 1.7e+308 z * y ]/2 <= 1"),
            std::string::npos) << text;
  ZRVtask_t back = nullptr;
  ASSERT_EQ(ZRV_maketask(env_, 0, 0, &back), ZRV_RES_OK);
  ZRV_putdouparam(back, ZRV_DPAR_DATA_TOL_AIJ_HUGE, 1.79e308);
  zrvtest::TempFile f(file_name("q.lp"));
  { std::ofstream(f.name) << text; }
  ASSERT_EQ(ZRV_readdataformat(back, f.c_str(), ZRV_DATA_FORMAT_LP, ZRV_COMPRESS_NONE), ZRV_RES_OK);
  for (int32_t k = 0; k < 4; ++k) {
    double q = 0;
    ZRV_getqobjij(back, oi[k], oj[k], &q);
    EXPECT_EQ(q, ov[k]) << k;
  }
  int32_t surp = 4, num = 0, si[4], sj[4];
  double sv[4];
  ASSERT_EQ(ZRV_getqconk(back, 0, 4, &surp, &num, si, sj, sv), ZRV_RES_OK);
  ASSERT_EQ(num, 2);
  for (int32_t k = 0; k < 2; ++k) {
    int32_t m = si[k] == 1 ? 0 : 1;
    EXPECT_EQ(si[k], ci[m]);
    EXPECT_EQ(sj[k], cj[m]);
    EXPECT_EQ(sv[k], cv[m]);
  }
  surp = 4;
  ASSERT_EQ(ZRV_getqconk(back, 1, 4, &surp, &num, si, sj, sv), ZRV_RES_OK);
  ASSERT_EQ(num, 1);
  EXPECT_EQ(sv[0], bv[0]);
  ZRV_deletetask(&back);
}
