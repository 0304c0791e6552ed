// Convexity: the semidefiniteness test on matrices named by their pathology, and the task-level check with the
// objective sense, the constraint bound keys and the parameter.
#include <gtest/gtest.h>

#include <cmath>
#include <memory_resource>
#include <random>
#include <string>
#include <vector>

#include "zirva.h"
#include "zirva/convexity.h"
#include "zirva/env.h"

namespace {

struct Lower {
  std::vector<int32_t> i, j;
  std::vector<double> v;
  void add(int32_t a, int32_t b, double x) {
    if (x == 0) return;
    i.push_back(a >= b ? a : b), j.push_back(a >= b ? b : a), v.push_back(x);
  }
  bool psd(double sign = 1.0) const {
    return zrv::is_psd(static_cast<int64_t>(v.size()), i.data(), j.data(), v.data(), sign, 1e-10, zrv::PSD_ABS_TOL,
                       std::pmr::get_default_resource());
  }
};

TEST(SemidefiniteTest, MatricesByPathology) {
  Lower diag_pos, neg_diag, zero_diag_coupled, coupled_2x2, tiny_neg, within_tol, arrow;
  diag_pos.add(0, 0, 2), diag_pos.add(7, 7, 1e-20);
  neg_diag.add(0, 0, 1), neg_diag.add(3, 3, -1);
  zero_diag_coupled.add(0, 0, 1), zero_diag_coupled.add(2, 1, 1e-3);  // q22 = 0 with q21 != 0
  coupled_2x2.add(0, 0, 1), coupled_2x2.add(1, 0, 2), coupled_2x2.add(1, 1, 1);
  // [[1,1],[1,1-1e-6]]: smallest eigenvalue about -5e-7, far beyond the relative tolerance.
  tiny_neg.add(0, 0, 1), tiny_neg.add(1, 0, 1), tiny_neg.add(1, 1, 1 - 1e-6);
  within_tol.add(0, 0, 1), within_tol.add(1, 0, 1), within_tol.add(1, 1, 1 - 1e-13);
  for (int32_t a = 1; a < 30; ++a) arrow.add(a, 0, 1.0), arrow.add(a, a, 1.0);
  arrow.add(0, 0, 29.0 + 1e-3);  // Schur complement 1e-3 > 0
  EXPECT_TRUE(diag_pos.psd());
  EXPECT_FALSE(diag_pos.psd(-1));
  EXPECT_FALSE(neg_diag.psd());
  EXPECT_FALSE(neg_diag.psd(-1));
  EXPECT_FALSE(zero_diag_coupled.psd());
  EXPECT_FALSE(coupled_2x2.psd());
  EXPECT_FALSE(tiny_neg.psd());
  EXPECT_TRUE(within_tol.psd());
  EXPECT_TRUE(arrow.psd());
  arrow.add(0, 0, -2e-3);  // Schur complement -1e-3
  EXPECT_FALSE(arrow.psd());
  Lower empty;
  EXPECT_TRUE(empty.psd());
}

using Dense = std::vector<std::vector<double>>;

Lower lower_of(const Dense& q, int32_t stride) {
  Lower m;
  for (size_t a = 0; a < q.size(); ++a)
    for (size_t b = 0; b <= a; ++b) m.add(static_cast<int32_t>(a) * stride, static_cast<int32_t>(b) * stride, q[a][b]);
  return m;
}

double dot(const std::vector<double>& x, const std::vector<double>& y) {
  double s = 0;
  for (size_t p = 0; p < x.size(); ++p) s += x[p] * y[p];
  return s;
}

// G = B B^T of a sparse rank-deficient B is semidefinite and singular; G - 1e-6 c c^T with a unit c orthogonal to
// the columns of B has the eigenvalue -1e-6 mixed into the whole coupled pattern.
TEST(SemidefiniteTest, RankDeficientGramMatricesPassAndPerturbedFail) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int trial = 0; trial < 20; ++trial) {
    const int32_t n = 12 + trial % 5, rank = 1 + trial % 6, stride = 1 + trial % 3;
    Dense cols(rank, std::vector<double>(n, 0.0));
    for (auto& c : cols)
      for (auto& x : c)
        if (rng() % 3 == 0) x = u(rng);
    Dense g(n, std::vector<double>(n, 0.0));
    for (const auto& c : cols)
      for (int32_t a = 0; a < n; ++a)
        for (int32_t b = 0; b < n; ++b) g[a][b] += c[a] * c[b];
    EXPECT_TRUE(lower_of(g, stride).psd()) << "trial " << trial;
    Dense basis;
    for (auto c : cols) {
      for (const auto& q : basis) {
        double d = dot(q, c);
        for (int32_t a = 0; a < n; ++a) c[a] -= d * q[a];
      }
      double len = std::sqrt(dot(c, c));
      if (len < 1e-8) continue;
      for (auto& x : c) x /= len;
      basis.push_back(c);
    }
    std::vector<double> z(n);
    for (auto& x : z) x = u(rng);
    for (const auto& q : basis) {
      double d = dot(q, z);
      for (int32_t a = 0; a < n; ++a) z[a] -= d * q[a];
    }
    double len = std::sqrt(dot(z, z));
    for (int32_t a = 0; a < n; ++a)
      for (int32_t b = 0; b < n; ++b) g[a][b] -= 1e-6 * z[a] * z[b] / (len * len);
    EXPECT_FALSE(lower_of(g, stride).psd()) << "trial " << trial;
  }
}

struct ConvexityTest : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(task, 3), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendcons(task, 2), ZRV_RES_OK);
  }
  void TearDown() override {
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  }
  std::string last_error() {
    char buf[1025] = {0};
    int32_t code = 0, len = 0;
    ZRV_getlasterror(task, &code, sizeof buf, &len, buf);
    return buf;
  }
  void maximize(bool on) { task->prob->sense = on ? ZRV_OBJECTIVE_SENSE_MAXIMIZE : ZRV_OBJECTIVE_SENSE_MINIMIZE; }
};

TEST_F(ConvexityTest, ObjectiveBySense) {
  ASSERT_EQ(ZRV_putqobjij(task, 0, 0, -1.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_ERR_OBJ_Q_NOT_PSD);
  EXPECT_NE(last_error().find("not positive semidefinite as expected for a minimization problem."), std::string::npos);
  maximize(true);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putqobjij(task, 0, 0, 1.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_ERR_OBJ_Q_NOT_NSD);
  maximize(false);
  // PSD but singular: [[1,1],[1,1]].
  ASSERT_EQ(ZRV_putqobjij(task, 1, 1, 1.0), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putqobjij(task, 1, 0, 1.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putqobjij(task, 1, 0, 1.0 + 1e-6), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_ERR_OBJ_Q_NOT_PSD);
  ASSERT_EQ(ZRV_putintparam(task, ZRV_IPAR_CHECK_CONVEXITY, ZRV_CHECK_CONVEXITY_NONE), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putintparam(task, ZRV_IPAR_CHECK_CONVEXITY, ZRV_CHECK_CONVEXITY_SIMPLE), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_ERR_OBJ_Q_NOT_PSD);
}

TEST_F(ConvexityTest, ConstraintsByBoundKey) {
  int32_t i[] = {0, 1}, j[] = {0, 0};
  double v[] = {-1.0, 0.5};  // [[-1, .5], [.5, 0]]: indefinite
  double n[] = {-1.0, 0.0};  // [[-1]]: negative semidefinite
  ASSERT_EQ(ZRV_putqconk(task, 1, 2, i, j, v), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_OK);  // free constraint
  struct Case {
    int32_t bk;
    const double* q;
    int32_t code;
    std::string text;
  } cases[] = {
      {ZRV_BK_UP, v, ZRV_RES_ERR_CON_Q_NOT_PSD, "(1) is not positive semidefinite as expected for a constraint with finite upper bound."},
      {ZRV_BK_LO, v, ZRV_RES_ERR_CON_Q_NOT_NSD, "(1) is not negative semidefinite"},
      {ZRV_BK_LO, n, ZRV_RES_OK, ""},
      {ZRV_BK_UP, n, ZRV_RES_ERR_CON_Q_NOT_PSD, "(1)"},
      {ZRV_BK_FX, n, ZRV_RES_ERR_NONLINEAR_EQUALITY, "(1) is a nonlinear equality."},
      {ZRV_BK_RA, n, ZRV_RES_ERR_NONLINEAR_RANGED, "is nonlinear and ranged constraint"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ZRV_putqconk(task, 1, 2, i, j, c.q), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putconbound(task, 1, c.bk, -1.0, c.bk == ZRV_BK_FX ? -1.0 : 1.0), ZRV_RES_OK);
    EXPECT_EQ(ZRV_checkconvexity(task), c.code) << c.bk;
    if (c.code) {
      EXPECT_NE(last_error().find(c.text), std::string::npos) << last_error();
    }
  }
  // An empty term on a ranged constraint is linear.
  ASSERT_EQ(ZRV_putqconk(task, 1, 0, nullptr, nullptr, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_OK);
}

}  // namespace
