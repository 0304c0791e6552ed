// Convexity: the semidefiniteness test on matrices named by their pathology, and the task-level check with the
// objective sense, the constraint bound keys and the parameter.
#include <gtest/gtest.h>

#include <memory_resource>
#include <random>
#include <string>
#include <vector>

#include "fixture.h"
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

// M = sum of w_c b_c b_c^T over sparse random b_c, fewer than the dimension: singular. With all weights 1 it is
// semidefinite; with the last weight -1e-6 it has a negative eigenvalue of about that size along the part of the
// last b outside the span of the others, spread over the whole coupled pattern.
TEST(SemidefiniteTest, RankDeficientSumsOfSquares) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int trial = 0; trial < 20; ++trial) {
    const int32_t n = 12 + trial % 5, rank = 2 + trial % 5, stride = 1 + trial % 3;
    std::vector<std::vector<double>> b(rank, std::vector<double>(n, 0.0));
    for (auto& c : b)
      for (auto& x : c) x = rng() % 2 ? u(rng) : 0.0;
    for (double last : {1.0, -1e-6}) {
      Lower m;
      for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j <= i; ++j) {
          double q = 0;
          for (int32_t c = 0; c < rank; ++c) q += (c + 1 == rank ? last : 1.0) * b[c][i] * b[c][j];
          m.add(i * stride, j * stride, q);
        }
      EXPECT_EQ(m.psd(), last > 0) << "trial " << trial;
    }
  }
}

struct ConvexityTest : quadtest::TaskTest<3, 2> {
  void maximize(bool on) { task->prob->sense = on ? ZRV_OBJECTIVE_SENSE_MAXIMIZE : ZRV_OBJECTIVE_SENSE_MINIMIZE; }
};

TEST_F(ConvexityTest, ObjectiveBySense) {
  ASSERT_EQ(ZRV_putqobjij(task, 0, 0, -1.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_ERR_OBJ_Q_NOT_PSD);
  last_error_has("not positive semidefinite as expected for a minimization problem.");
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
    if (c.code) last_error_has(c.text);
  }
  // An empty term on a ranged constraint is linear.
  ASSERT_EQ(ZRV_putqconk(task, 1, 0, nullptr, nullptr, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkconvexity(task), ZRV_RES_OK);
}

}  // namespace
