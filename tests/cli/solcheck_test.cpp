// The benchmark's independent solution checks: they must accept exact solutions and catch each kind of fault.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "../../bench/ipm/solcheck.h"
#include "common/capture.h"

namespace {

const double inf = 1.0e30;

struct Task {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  Task() {
    EXPECT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    EXPECT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  }
  ~Task() {
    ZRV_deletetask(&task);
    ZRV_deleteenv(&env);
  }
};

// min x0 + 2 x1 + 0 x2 s.t. r0: x0 + x1 >= 2, r1: x1 - x2 <= 1 (r1 ranged [-5, 1]), x0 in [0, 10], x1 >= 0,
// x2 free. At x = (2, 0, 0): r0 is active with y0 = 1, x1 has reduced cost 2 - 1 = 1 at its lower bound.
void build_lp(ZRVtask_t t) {
  ASSERT_EQ(ZRV_appendvars(t, 3), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcons(t, 2), ZRV_RES_OK);
  const double c[] = {1, 2, 0};
  ASSERT_EQ(ZRV_putcslice(t, 0, 3, c), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(t, 0, ZRV_BK_RA, 0, 10), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(t, 1, ZRV_BK_LO, 0, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(t, 2, ZRV_BK_FR, -inf, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(t, 0, ZRV_BK_LO, 2, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(t, 1, ZRV_BK_RA, -5, 1), ZRV_RES_OK);
  // Entries put in an order that is neither by row nor by column.
  ASSERT_EQ(ZRV_putaij(t, 1, 2, -1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(t, 0, 1, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(t, 1, 1, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(t, 0, 0, 1), ZRV_RES_OK);
}

solcheck::Solution optimal_lp_solution() {
  solcheck::Solution s;
  s.xx = {2, 0, 0};
  s.xc = {2, 0};
  s.y = {1, 0};
  s.slc = {1, 0};
  s.suc = {0, 0};
  s.slx = {0, 1, 0};
  s.sux = {0, 0, 0};
  return s;
}

TEST(SolCheck, ProblemIsReadBackAsStored) {
  Task t;
  build_lp(t.task);
  solcheck::Problem p;
  ASSERT_EQ(solcheck::load_problem(t.task, p), ZRV_RES_OK);
  EXPECT_EQ(p.m, 2);
  EXPECT_EQ(p.n, 3);
  // A x against the row getter, for an x that tells the columns apart.
  std::vector<double> x = {3, 5, 7};
  std::vector<double> ax = solcheck::a_times(p, x);
  for (int i = 0; i < p.m; ++i) {
    ZRVint32t nz = 0;
    int sub[3];
    double val[3];
    ASSERT_EQ(ZRV_getarow(t.task, i, &nz, sub, val), ZRV_RES_OK);
    double s = 0;
    for (int k = 0; k < nz; ++k) s += val[k] * x[sub[k]];
    EXPECT_DOUBLE_EQ(ax[i], s) << "row " << i;
  }
}

TEST(SolCheck, ExactSolutionPassesAndEachFaultIsCaught) {
  Task t;
  build_lp(t.task);
  solcheck::Problem p;
  ASSERT_EQ(solcheck::load_problem(t.task, p), ZRV_RES_OK);
  solcheck::Solution good = optimal_lp_solution();
  EXPECT_EQ(solcheck::primal_violation(p, good.xx), 0);
  EXPECT_EQ(solcheck::dual_violation(p, good), 0);
  EXPECT_DOUBLE_EQ(solcheck::objective(p, good.xx), 2);

  // Primal: a row below its lower bound, a column above its upper bound, a ranged row below its lower end.
  EXPECT_GT(solcheck::primal_violation(p, {1, 0, 0}), 1e-3);
  EXPECT_GT(solcheck::primal_violation(p, {11, 0, 0}), 1e-3);
  EXPECT_GT(solcheck::primal_violation(p, {2, 0, 6}), 1e-3);
  EXPECT_GT(solcheck::primal_violation(p, {2, -0.1, 0}), 1e-3);
  EXPECT_EQ(solcheck::primal_violation(p, {2, 0, 4}), 0);  // r1 = -4 lies in [-5, 1]

  struct Fault {
    const char* what;
    void (*apply)(solcheck::Solution&);
  };
  const Fault faults[] = {
      {"residual: reduced cost of x1 wrong", [](solcheck::Solution& s) { s.slx[1] = 0.5; }},
      {"negative dual on a lower bound", [](solcheck::Solution& s) {
         s.slx[1] = 0;
         s.sux[1] = -1;  // same residual, but x1 has no upper bound and the sign is wrong
       }},
      {"dual on the infinite side of a free variable", [](solcheck::Solution& s) {
         s.slx[2] = 0.5;
         s.sux[2] = 0.5;  // residual unchanged
       }},
      {"y and slc - suc disagree", [](solcheck::Solution& s) { s.slc[0] = 2; }},
      {"dual on the infinite upper side of r0", [](solcheck::Solution& s) {
         s.slc[0] = 1.5;
         s.suc[0] = 0.5;
       }},
      {"not a number", [](solcheck::Solution& s) { s.sux[0] = NAN; }},
  };
  for (const Fault& f : faults) {
    solcheck::Solution s = good;
    f.apply(s);
    EXPECT_GT(solcheck::dual_violation(p, s), 1e-3) << f.what;
  }
}

TEST(SolCheck, MaximizationTurnsTheDualSignsRound) {
  Task t;
  build_lp(t.task);
  // max -x0 - 2 x1 is the same problem; its stored duals are the negated ones of the minimization.
  const double c[] = {-1, -2, 0};
  ASSERT_EQ(ZRV_putcslice(t.task, 0, 3, c), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putobjsense(t.task, ZRV_OBJECTIVE_SENSE_MAXIMIZE), ZRV_RES_OK);
  solcheck::Problem p;
  ASSERT_EQ(solcheck::load_problem(t.task, p), ZRV_RES_OK);
  solcheck::Solution s = optimal_lp_solution();
  for (auto* v : {&s.y, &s.slc, &s.suc, &s.slx, &s.sux})
    for (double& d : *v) d = -d;
  EXPECT_EQ(solcheck::dual_violation(p, s), 0);
  solcheck::Solution unsigned_duals = optimal_lp_solution();
  EXPECT_GT(solcheck::dual_violation(p, unsigned_duals), 1e-3);
}

TEST(SolCheck, QuadraticObjectiveAgreesWithTheLibrary) {
  Task t;
  build_lp(t.task);
  // Q = [[2, 1, 0], [1, 4, -1], [0, -1, 1]] by its lower triangle.
  const int qi[] = {0, 1, 1, 2, 2};
  const int qj[] = {0, 0, 1, 1, 2};
  const double qv[] = {2, 1, 4, -1, 1};
  ASSERT_EQ(ZRV_putqobj(t.task, 5, qi, qj, qv), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putcfix(t.task, 0.75), ZRV_RES_OK);
  solcheck::Problem p;
  ASSERT_EQ(solcheck::load_problem(t.task, p), ZRV_RES_OK);
  const double x[] = {1.5, -2, 3};
  const double xc[] = {-0.5, -5};
  ASSERT_EQ(ZRV_putxx(t.task, ZRV_SOL_ITR, x), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putxc(t.task, ZRV_SOL_ITR, xc), ZRV_RES_OK);
  double lib = 0;
  ASSERT_EQ(ZRV_getprimalobj(t.task, ZRV_SOL_ITR, &lib), ZRV_RES_OK);
  EXPECT_NEAR(solcheck::objective(p, {1.5, -2, 3}), lib, 1e-12);

  // Q x enters the dual residual: at x the gradient c + Qx must be matched by the duals.
  std::vector<double> qx = solcheck::q_times(p, {1.5, -2, 3});
  EXPECT_DOUBLE_EQ(qx[0], 2 * 1.5 + 1 * -2);
  EXPECT_DOUBLE_EQ(qx[1], 1 * 1.5 + 4 * -2 - 1 * 3);
  EXPECT_DOUBLE_EQ(qx[2], -1 * -2 + 1 * 3);
}

TEST(SolCheck, FarkasCertificates) {
  Task t;
  // x0 + x1 >= 3 with x0, x1 in [0, 1]: y = 1 proves it (1 + 1 < 3). Row r1: x0 - x1 - x2 <= 5 (no lower bound), x2 >= 0 without an upper bound.
  ZRVtask_t k = t.task;
  ASSERT_EQ(ZRV_appendvars(k, 3), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcons(k, 2), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(k, 0, ZRV_BK_RA, 0, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(k, 1, ZRV_BK_RA, 0, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(k, 2, ZRV_BK_LO, 0, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(k, 0, ZRV_BK_LO, 3, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(k, 1, ZRV_BK_UP, -inf, 5), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(k, 0, 0, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(k, 0, 1, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(k, 1, 0, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(k, 1, 1, -1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(k, 1, 2, -1), ZRV_RES_OK);
  solcheck::Problem p;
  ASSERT_EQ(solcheck::load_problem(k, p), ZRV_RES_OK);

  solcheck::Farkas good = solcheck::primal_infeasibility(p, {1, 0});
  EXPECT_TRUE(good.holds(1e-9)) << good.measure << " " << good.residual;
  EXPECT_GT(good.measure, 0);
  EXPECT_TRUE(solcheck::primal_infeasibility(p, {1e-3, 0}).holds(1e-9)) << "the scale of y does not matter";
  EXPECT_FALSE(solcheck::primal_infeasibility(p, {-1, 0}).holds(1e-6)) << "wrong sign";
  EXPECT_FALSE(solcheck::primal_infeasibility(p, {0, 0}).holds(1e-6)) << "zero ray";
  // y1 < 0 uses r1's upper bound and keeps the gap positive, but A'y then has -y1 > 0 on x2, whose upper bound
  // is infinite: x2 can grow without end and close the gap.
  solcheck::Farkas leaky = solcheck::primal_infeasibility(p, {1, -0.01});
  EXPECT_GT(leaky.measure, 0);
  EXPECT_FALSE(leaky.holds(1e-6));
  EXPECT_TRUE(leaky.holds(0.1)) << "the residual is the only fault";
  // y1 > 0 would need a lower bound on r1, which has none.
  EXPECT_FALSE(solcheck::primal_infeasibility(p, {1, 0.01}).holds(1e-6));
  // A lower bound of 2 on the row is no contradiction (x0 = x1 = 1 meets it).
  ASSERT_EQ(ZRV_putconbound(k, 0, ZRV_BK_LO, 2, inf), ZRV_RES_OK);
  ASSERT_EQ(solcheck::load_problem(k, p), ZRV_RES_OK);
  EXPECT_FALSE(solcheck::primal_infeasibility(p, {1, 0}).holds(1e-6));
  // As a maximization the stored y is negated.
  ASSERT_EQ(ZRV_putconbound(k, 0, ZRV_BK_LO, 3, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putobjsense(k, ZRV_OBJECTIVE_SENSE_MAXIMIZE), ZRV_RES_OK);
  ASSERT_EQ(solcheck::load_problem(k, p), ZRV_RES_OK);
  EXPECT_TRUE(solcheck::primal_infeasibility(p, {-1, 0}).holds(1e-9));
  EXPECT_FALSE(solcheck::primal_infeasibility(p, {1, 0}).holds(1e-6));
}

TEST(SolCheck, UnboundedDirections) {
  Task t;
  // min -x0 s.t. x0 - x1 >= 0, x0, x1 >= 0: along (1, 1) and (1, 0) the objective falls without end.
  ZRVtask_t k = t.task;
  ASSERT_EQ(ZRV_appendvars(k, 2), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcons(k, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putcj(k, 0, -1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(k, 0, ZRV_BK_LO, 0, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarbound(k, 1, ZRV_BK_LO, 0, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(k, 0, ZRV_BK_LO, 0, inf), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(k, 0, 0, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(k, 0, 1, -1), ZRV_RES_OK);
  solcheck::Problem p;
  ASSERT_EQ(solcheck::load_problem(k, p), ZRV_RES_OK);
  EXPECT_TRUE(solcheck::dual_infeasibility(p, {1, 1}).holds(1e-9));
  EXPECT_TRUE(solcheck::dual_infeasibility(p, {1, 0}).holds(1e-9));
  EXPECT_FALSE(solcheck::dual_infeasibility(p, {-1, 0}).holds(1e-6)) << "leaves x0's lower bound";
  EXPECT_FALSE(solcheck::dual_infeasibility(p, {0, 1}).holds(1e-6)) << "leaves the row and c'x = 0";
  EXPECT_FALSE(solcheck::dual_infeasibility(p, {0, 0}).holds(1e-6));
  // With an upper bound on x1 only (1, 0) is left; a maximization wants c'x to grow.
  ASSERT_EQ(ZRV_putvarbound(k, 1, ZRV_BK_RA, 0, 5), ZRV_RES_OK);
  ASSERT_EQ(solcheck::load_problem(k, p), ZRV_RES_OK);
  EXPECT_FALSE(solcheck::dual_infeasibility(p, {1, 1}).holds(1e-6));
  EXPECT_TRUE(solcheck::dual_infeasibility(p, {1, 0}).holds(1e-9));
  ASSERT_EQ(ZRV_putobjsense(k, ZRV_OBJECTIVE_SENSE_MAXIMIZE), ZRV_RES_OK);
  ASSERT_EQ(solcheck::load_problem(k, p), ZRV_RES_OK);
  EXPECT_FALSE(solcheck::dual_infeasibility(p, {1, 0}).holds(1e-6));
  // A quadratic term that grows along the direction stops it being one.
  ASSERT_EQ(ZRV_putobjsense(k, ZRV_OBJECTIVE_SENSE_MINIMIZE), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putqobjij(k, 0, 0, 1), ZRV_RES_OK);
  ASSERT_EQ(solcheck::load_problem(k, p), ZRV_RES_OK);
  EXPECT_FALSE(solcheck::dual_infeasibility(p, {1, 0}).holds(1e-6));
}

}  // namespace
