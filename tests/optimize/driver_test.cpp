// The optimize driver: termination codes, stops by limits and by the callback, maximization, the checks before
// any optimizer runs, paths this build does not have, empty problems, and determinism across thread counts.
#include <cmath>
#include <limits>

#include "optimize/fixture.h"
#include "zirva/env.h"

namespace opttest {
namespace {

using DriverTest = OptTest;

TEST_F(DriverTest, TerminationCodesThroughOptimizetrm) {
  small_lp(task);
  ZRVrescodee trm = -1;
  ASSERT_EQ(ZRV_optimizetrm(task, &trm), ZRV_RES_OK);
  EXPECT_EQ(trm, ZRV_RES_OK);
  EXPECT_EQ(ZRV_optimizetrm(task, nullptr), ZRV_RES_OK);
  struct Stop {
    void (*limit)(ZRVtask_t);
    ZRVrescodee code;
  } stops[] = {{[](ZRVtask_t t) { ZRV_putintparam(t, ZRV_IPAR_INTPNT_MAX_ITERATIONS, 0); }, ZRV_RES_TRM_MAX_ITERATIONS},
               {[](ZRVtask_t t) { ZRV_putdouparam(t, ZRV_DPAR_OPTIMIZER_MAX_TIME, 0.0); }, ZRV_RES_TRM_MAX_TIME}};
  for (const Stop& s : stops) {
    ZRVtask_t t = make_task();
    small_lp(t);
    s.limit(t);
    EXPECT_EQ(ZRV_optimizetrm(t, &trm), ZRV_RES_OK);
    EXPECT_EQ(trm, s.code);
    EXPECT_EQ(ZRV_optimize(t), s.code);
    int32_t resp = 0;
    ZRV_getintinf(t, ZRV_IINF_OPTIMIZE_RESPONSE, &resp);
    EXPECT_EQ(resp, s.code);
    // The solution of the moment is stored with statuses that claim nothing.
    const Sol sol = get_sol(t, ZRV_SOL_ITR);
    EXPECT_EQ(sol.solsta, ZRV_SOL_STA_UNKNOWN);
    EXPECT_EQ(sol.prosta, ZRV_PRO_STA_UNKNOWN);
    EXPECT_NE(log.text.find("Interior-point optimizer terminated"), std::string::npos);
    ZRV_deletetask(&t);
  }
}

struct Recorder {
  std::vector<int32_t> codes;
  std::vector<int32_t> iters;
  int32_t stop_at = -1;  // the code that answers "stop"
  static ZRVint32t ZRVAPI func(ZRVtask_t, ZRVuserhandle_t h, ZRVcallbackcodee code, const ZRVrealt*,
                               const ZRVint32t* intinf, const ZRVint64t*) {
    auto* r = static_cast<Recorder*>(h);
    r->codes.push_back(code);
    r->iters.push_back(intinf[ZRV_IINF_INTPNT_ITER]);
    return code == r->stop_at ? 1 : 0;
  }
};

TEST_F(DriverTest, CallbackSeesTheRunAndCanStopIt) {
  small_lp(task);
  Recorder rec;
  rec.stop_at = ZRV_CALLBACK_INTPNT;
  ASSERT_EQ(ZRV_putcallbackfunc(task, Recorder::func, &rec), ZRV_RES_OK);
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_TRM_USER_CALLBACK);
  const std::vector<int32_t> want = {ZRV_CALLBACK_BEGIN_OPTIMIZER, ZRV_CALLBACK_BEGIN_INTPNT, ZRV_CALLBACK_INTPNT,
                                     ZRV_CALLBACK_END_INTPNT, ZRV_CALLBACK_END_OPTIMIZER};
  EXPECT_EQ(rec.codes, want);
  EXPECT_EQ(rec.iters[2], 0);
  const Sol s = get_sol(task, ZRV_SOL_ITR);
  EXPECT_EQ(s.solsta, ZRV_SOL_STA_UNKNOWN);
  EXPECT_EQ(s.prosta, ZRV_PRO_STA_UNKNOWN);
  // The log line comes before the callback: the stopped iteration's row is printed.
  EXPECT_NE(log.text.find("\n  0 "), std::string::npos);

  // A stop at the start of the call runs no optimizer.
  Recorder first;
  first.stop_at = ZRV_CALLBACK_BEGIN_OPTIMIZER;
  ZRV_putcallbackfunc(task, Recorder::func, &first);
  ZRV_putintparam(task, ZRV_IPAR_INTPNT_MAX_ITERATIONS, 0);  // would answer TRM_MAX_ITERATIONS if it ran
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_TRM_USER_CALLBACK);
  EXPECT_EQ(first.codes, (std::vector<int32_t>{ZRV_CALLBACK_BEGIN_OPTIMIZER, ZRV_CALLBACK_END_OPTIMIZER}));
  ZRV_putintparam(task, ZRV_IPAR_INTPNT_MAX_ITERATIONS, 400);

  // A null function removes the callback.
  ASSERT_EQ(ZRV_putcallbackfunc(task, nullptr, &rec), ZRV_RES_OK);
  rec.codes.clear();
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_TRUE(rec.codes.empty());
  EXPECT_EQ(get_sol(task, ZRV_SOL_ITR).solsta, ZRV_SOL_STA_OPTIMAL);
}

// max c'x + 0.5 x'Qx with Q negative semidefinite, against min -c'x - 0.5 x'Qx on a second task.
TEST_F(DriverTest, MaximizationNegatesTheDualsAndLeavesTheDataAlone) {
  for (bool quad : {false, true}) {
    ZRVtask_t mx = make_task(), mn = make_task();
    small_lp(mx, -1.0);
    small_lp(mn, 1.0);
    ZRV_putcfix(mx, 3.0);
    ZRV_putcfix(mn, -3.0);
    ZRV_putobjsense(mx, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
    std::vector<QTerm> q;
    if (quad) {
      q = {{0, 0, -2.0}, {1, 0, -0.5}, {1, 1, -1.0}};
      for (const QTerm& e : q) {
        ZRV_putqobjij(mx, e.i, e.j, e.v);
        ZRV_putqobjij(mn, e.i, e.j, -e.v);
      }
    }
    ASSERT_EQ(ZRV_optimize(mx), ZRV_RES_OK);
    ASSERT_EQ(ZRV_optimize(mn), ZRV_RES_OK);
    const Sol a = get_sol(mx, ZRV_SOL_ITR), b = get_sol(mn, ZRV_SOL_ITR);
    EXPECT_EQ(a.solsta, ZRV_SOL_STA_OPTIMAL);
    for (size_t k = 0; k < 2; ++k) {
      EXPECT_NEAR(a.xx[k], b.xx[k], 1e-7);
      EXPECT_NEAR(a.slx[k], -b.slx[k], 1e-7);
      EXPECT_NEAR(a.sux[k], -b.sux[k], 1e-7);
      EXPECT_NEAR(a.y[k], -b.y[k], 1e-7);
      EXPECT_NEAR(a.slc[k], -b.slc[k], 1e-7);
    }
    const Measures m = measure(mx, a, q);
    EXPECT_LT(m.pviol, 1e-7);
    EXPECT_LT(m.dviol, 1e-7);
    EXPECT_NEAR(m.pobj, m.dobj, 1e-6);
    // The log shows the caller's objective; the data is as the caller left it.
    double pobj = 0, c[2], cfix = 0, qv = 0;
    ZRV_getdouinf(mx, ZRV_DINF_INTPNT_PRIMAL_OBJ, &pobj);
    EXPECT_NEAR(pobj, m.pobj, 1e-6);
    ZRV_getc(mx, c);
    ZRV_getcfix(mx, &cfix);
    ZRV_getqobjij(mx, 1, 0, &qv);
    EXPECT_EQ(std::vector<double>(c, c + 2), (std::vector<double>{-1.0, -2.0}));
    EXPECT_EQ(cfix, 3.0);
    EXPECT_EQ(qv, quad ? -0.5 : 0.0);
    ZRV_deletetask(&mx);
    ZRV_deletetask(&mn);
  }
}

TEST_F(DriverTest, ChecksBeforeAnyOptimizerRuns) {
  small_lp(task);
  // An objective sense outside minimize/maximize (only reachable inside the library).
  task->prob->sense = 7;
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_ERR_UNDEFINED_OBJECTIVE_SENSE);
  EXPECT_EQ(iinf(ZRV_IINF_OPTIMIZE_RESPONSE), ZRV_RES_ERR_UNDEFINED_OBJECTIVE_SENSE);
  EXPECT_FALSE(defined(ZRV_SOL_ITR));
  task->prob->sense = ZRV_OBJECTIVE_SENSE_MINIMIZE;

  // NaN never enters the data; the problem stays solvable and unchanged.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ZRV_putcj(task, 0, nan), ZRV_RES_ERR_NAN_IN_C);
  EXPECT_EQ(ZRV_putaij(task, 0, 0, nan), ZRV_RES_ERR_NAN_IN_AIJ);
  EXPECT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, nan, 1e30), ZRV_RES_ERR_LOWER_BOUND_IS_A_NAN);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_NEAR(measure(task, get_sol(task, ZRV_SOL_ITR)).pobj, 1.25, 1e-7);

  // A nonconvex objective is refused by the convexity check before the engine sees it; without the check the
  // optimizer's own finding is reported.
  ZRV_putqobjij(task, 0, 0, -1.0);
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_ERR_OBJ_Q_NOT_PSD);
  EXPECT_EQ(iinf(ZRV_IINF_INTPNT_ITER), 0);
  ZRV_putintparam(task, ZRV_IPAR_CHECK_CONVEXITY, ZRV_CHECK_CONVEXITY_NONE);
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_ERR_NONCONVEX);
  EXPECT_NE(last_error().find("nonconvex"), std::string::npos);
  EXPECT_NE(get_sol(task, ZRV_SOL_ITR).solsta, ZRV_SOL_STA_OPTIMAL);
  // The same objective is concave, so fine to maximize.
  ZRV_putobjsense(task, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_OK);
}

// Optimizer choices and problem kinds whose optimizer is not part of this build: each answers its code, and no
// other optimizer runs in its place.
TEST_F(DriverTest, PathsNotBuiltAnswerTheirCodes) {
  using Extra = void (*)(ZRVtask_t);
  const Extra none = [](ZRVtask_t) {}, qobj = [](ZRVtask_t t) { ZRV_putqobjij(t, 0, 0, 1.0); };
  const Extra qcon = [](ZRVtask_t t) {
    const int32_t k = 0;
    const double v = 1.0;
    ZRV_putqconk(t, 1, 1, &k, &k, &v);
  };
  const Extra cone = [](ZRVtask_t t) {
    const int32_t mem[] = {0, 1};
    ZRV_appendcone(t, ZRV_CT_QUAD, 0.0, 2, mem);
  };
  const Extra intvar = [](ZRVtask_t t) { ZRV_putvartype(t, 0, ZRV_VAR_TYPE_INT); };
  const Extra intbarvar = [](ZRVtask_t t) {
    const int32_t dim = 2;
    ZRV_putvartype(t, 0, ZRV_VAR_TYPE_INT);
    ZRV_appendbarvars(t, 1, &dim);
  };
  const struct {
    int32_t optimizer;
    Extra extra;
    ZRVrescodee code;
  } cases[] = {
      {ZRV_OPTIMIZER_PRIMAL_SIMPLEX, qobj, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_DUAL_SIMPLEX, none, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_CONIC, none, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_CONIC, qobj, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_FREE, cone, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_FREE, qcon, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_CONCURRENT, none, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_FREE, intvar, ZRV_RES_ERR_INV_OPTIMIZER},
      {ZRV_OPTIMIZER_MIXED_INT, intvar, ZRV_RES_WRN_NO_GLOBAL_OPTIMIZER},
      {ZRV_OPTIMIZER_NONCONVEX, intbarvar, ZRV_RES_ERR_GLOBAL_INV_CONIC_PROBLEM},
  };
  for (const auto& c : cases) {
    ZRV_deletetask(&task);
    task = make_task();
    small_lp(task);
    ZRV_putintparam(task, ZRV_IPAR_OPTIMIZER, c.optimizer);
    c.extra(task);
    EXPECT_EQ(ZRV_optimize(task), c.code) << "optimizer " << c.optimizer << ": " << last_error();
    EXPECT_FALSE(defined(ZRV_SOL_ITR));
    EXPECT_EQ(iinf(ZRV_IINF_INTPNT_ITER), 0);
    if (c.code == ZRV_RES_ERR_INV_OPTIMIZER) {
      EXPECT_NE(last_error().find("(" + std::to_string(c.optimizer) + ")"), std::string::npos) << last_error();
    }
  }
}

TEST_F(DriverTest, IntegerVariablesIgnoredGiveTheRelaxation) {
  small_lp(task);
  ZRV_putvartype(task, 0, ZRV_VAR_TYPE_INT);
  ZRV_putvartype(task, 1, ZRV_VAR_TYPE_INT);
  ZRV_putintparam(task, ZRV_IPAR_MIO_MODE, ZRV_MIO_MODE_IGNORED);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  const Sol s = get_sol(task, ZRV_SOL_ITR);
  EXPECT_EQ(s.solsta, ZRV_SOL_STA_OPTIMAL);
  EXPECT_NEAR(s.xx[0], 0.75, 1e-7);  // fractional: the continuous relaxation
  EXPECT_NEAR(s.xx[1], 0.25, 1e-7);
  EXPECT_FALSE(defined(ZRV_SOL_ITG));
}

// No variables, or nothing that couples them (free constraints only, a diagonal Q): closed-form answers.
TEST_F(DriverTest, EmptyAndSeparableProblems) {
  struct Case {
    int32_t m, n;
    double lo;  // lower bound of every constraint (no variables) or of every variable
    double c, q;
    int32_t prosta, solsta;
  } cases[] = {
      {0, 0, 0, 0, 0, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL},
      {2, 0, -1, 0, 0, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL},
      {2, 0, 1, 0, 0, ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_PRIM_INFEAS_CER},
      {0, 3, 2, 1, 0, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL},
      {0, 3, 2, -1, 0, ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_DUAL_INFEAS_CER},
      {2, 3, 2, 1, 0, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL},    // free rows
      {2, 3, 2, -1, 0, ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_DUAL_INFEAS_CER},  // free rows
      {0, 3, -5, -1, 2, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL},  // x = -c/q inside the bounds
      {2, 3, 1, -1, 2, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL},   // x at its bound
  };
  for (const Case& c : cases) {
    ZRVtask_t t = make_task();
    ZRV_appendcons(t, c.m);
    ZRV_appendvars(t, c.n);
    std::vector<QTerm> q;
    for (int32_t i = 0; i < c.m && c.n == 0; ++i) ZRV_putconbound(t, i, ZRV_BK_RA, c.lo, 5.0);
    for (int32_t j = 0; j < c.n; ++j) {
      ZRV_putvarbound(t, j, ZRV_BK_LO, c.lo, 1e30);
      ZRV_putcj(t, j, c.c);
      for (int32_t i = 0; i < c.m; ++i) ZRV_putaij(t, i, j, 1.0 + i);
      if (c.q != 0) {
        ZRV_putqobjij(t, j, j, c.q);
        q.push_back({j, j, c.q});
      }
    }
    SCOPED_TRACE(std::to_string(c.m) + "x" + std::to_string(c.n) + " lo " + std::to_string(c.lo) + " c " +
                 std::to_string(c.c) + " q " + std::to_string(c.q));
    EXPECT_EQ(ZRV_optimize(t), ZRV_RES_OK);
    const Sol s = get_sol(t, ZRV_SOL_ITR);
    EXPECT_EQ(s.prosta, c.prosta);
    EXPECT_EQ(s.solsta, c.solsta);
    const Measures ms = measure(t, s, q);
    if (c.solsta == ZRV_SOL_STA_OPTIMAL) {
      const double x = c.q > 0 ? std::max(c.lo, -c.c / c.q) : c.lo;
      EXPECT_LT(std::max(ms.pviol, ms.dviol), 1e-12);
      EXPECT_NEAR(ms.pobj, c.n * (0.5 * c.q * x * x + c.c * x), 1e-12);
      EXPECT_NEAR(ms.pobj, ms.dobj, 1e-12);
    }
    ZRV_deletetask(&t);
  }
}

TEST_F(DriverTest, RunInformationAndSolutionInformationItems) {
  small_lp(task);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_EQ(iinf(ZRV_IINF_OPT_NUMCON), 2);
  EXPECT_EQ(iinf(ZRV_IINF_OPT_NUMVAR), 2);
  EXPECT_GT(dinf(ZRV_DINF_OPTIMIZER_TIME), 0.0);
  EXPECT_GE(dinf(ZRV_DINF_OPTIMIZER_TIME), dinf(ZRV_DINF_INTPNT_TIME));
  EXPECT_EQ(dinf(ZRV_DINF_SOL_ITR_PRIMAL_OBJ), 0.0);  // not recomputed by default

  // With ZRV_IPAR_AUTO_UPDATE_SOL_INFO an error response leaves the items alone, success recomputes them.
  ZRV_putintparam(task, ZRV_IPAR_AUTO_UPDATE_SOL_INFO, ZRV_ON);
  ZRV_putintparam(task, ZRV_IPAR_OPTIMIZER, ZRV_OPTIMIZER_CONIC);
  EXPECT_EQ(ZRV_optimize(task), ZRV_RES_ERR_INV_OPTIMIZER);
  EXPECT_EQ(dinf(ZRV_DINF_SOL_ITR_PRIMAL_OBJ), 0.0);
  ZRV_putintparam(task, ZRV_IPAR_OPTIMIZER, ZRV_OPTIMIZER_FREE);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_NEAR(dinf(ZRV_DINF_SOL_ITR_PRIMAL_OBJ), 1.25, 1e-7);
  EXPECT_EQ(iinf(ZRV_IINF_SOL_ITR_SOLSTA), ZRV_SOL_STA_OPTIMAL);
}

TEST_F(DriverTest, AutoSortOrdersTheColumnsOfA) {
  ZRV_appendcons(task, 3);
  ZRV_appendvars(task, 1);
  const int32_t sub[] = {2, 0, 1};
  const double val[] = {3.0, 1.0, 2.0};
  ZRV_putacol(task, 0, 3, sub, val);
  for (int32_t i = 0; i < 3; ++i) ZRV_putconbound(task, i, ZRV_BK_UP, -1e30, 6.0);
  ZRV_putvarbound(task, 0, ZRV_BK_LO, 0.0, 1e30);
  ZRV_putcj(task, 0, -1.0);
  ZRV_putintparam(task, ZRV_IPAR_AUTO_SORT_A_BEFORE_OPT, ZRV_ON);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  int32_t nz = 0, got[3];
  double gv[3];
  ZRV_getacol(task, 0, &nz, got, gv);
  ASSERT_EQ(nz, 3);
  EXPECT_EQ(std::vector<int32_t>(got, got + 3), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(std::vector<double>(gv, gv + 3), (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_NEAR(get_sol(task, ZRV_SOL_ITR).xx[0], 2.0, 1e-7);
}

}  // namespace
}  // namespace opttest
