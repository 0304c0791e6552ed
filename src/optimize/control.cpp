// The control block from the parameters, and the outcome table.
#include "optimize/control.h"

#include <thread>

#include "zirva/env.h"

namespace zrv::opt {

namespace {

// Ordering parameter value -> the ordering code of the factorization.
int32_t order_code(int32_t v) {
  switch (v) {
    case ZRV_ORDER_METHOD_APPMINLOC: return 1;
    case ZRV_ORDER_METHOD_EXPERIMENTAL: return 5;
    case ZRV_ORDER_METHOD_TRY_GRAPHPAR: return 2;
    case ZRV_ORDER_METHOD_FORCE_GRAPHPAR: return 3;
    case ZRV_ORDER_METHOD_NONE: return 4;
    default: return 0;
  }
}

int32_t starting_point_code(int32_t v) {
  switch (v) {
    case ZRV_STARTING_POINT_GUESS: return 1;
    case ZRV_STARTING_POINT_CONSTANT: return 2;
    case ZRV_STARTING_POINT_SATISFY_BOUNDS: return 3;
    default: return 0;
  }
}

int32_t scaling_code(int32_t v) {
  switch (v) {
    case ZRV_SCALING_NONE: return 0;
    case ZRV_SCALING_AGGRESSIVE: return 2;
    default: return 1;  // free and moderate
  }
}

int32_t clean_optimizer_code(int32_t v) {
  switch (v) {
    case ZRV_OPTIMIZER_PRIMAL_SIMPLEX: return 1;
    case ZRV_OPTIMIZER_DUAL_SIMPLEX: return 2;
    case ZRV_OPTIMIZER_PRIMAL_DUAL_SIMPLEX: return 3;
    default: return 0;
  }
}

}  // namespace

int32_t thread_count(int32_t param) {
  if (param > 0) return param;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int32_t>(cores) : 1;
}

void fill_control(const ZRVtask_s* t, bool linear, bool quadratic, bool maximize, OptControl* c) {
  const int32_t* ip = t->ipar;
  const double* dp = t->dpar;
  *c = OptControl{};
  IpControl& k = c->ip;
  k.nthreads = thread_count(ip[ZRV_IPAR_NUM_THREADS]);
  k.max_iterations = ip[ZRV_IPAR_INTPNT_MAX_ITERATIONS];
  k.max_num_cor = ip[ZRV_IPAR_INTPNT_MAX_NUM_COR];
  k.max_refinement = ip[ZRV_IPAR_INTPNT_MAX_NUM_REFINEMENT_STEPS];
  k.diff_step = ip[ZRV_IPAR_INTPNT_DIFF_STEP];
  k.regularization_use = ip[ZRV_IPAR_INTPNT_REGULARIZATION_USE];
  k.order_method = order_code(ip[ZRV_IPAR_INTPNT_ORDER_METHOD]);
  k.starting_point = starting_point_code(ip[ZRV_IPAR_INTPNT_STARTING_POINT]);
  k.scaling = scaling_code(ip[ZRV_IPAR_INTPNT_SCALING]);
  k.solve_form = ip[ZRV_IPAR_INTPNT_SOLVE_FORM];
  k.off_col_trh = ip[ZRV_IPAR_INTPNT_OFF_COL_TRH];
  k.quadratic = quadratic ? 1 : 0;

  // Tolerances: the linear set, with the dual feasibility and near-relative factor of the nonlinear set for a
  // quadratic objective.
  k.tol_pfeas = dp[ZRV_DPAR_INTPNT_TOL_PFEAS];
  k.tol_dfeas = quadratic ? dp[ZRV_DPAR_INTPNT_NL_TOL_DFEAS] : dp[ZRV_DPAR_INTPNT_TOL_DFEAS];
  k.tol_rel_gap = dp[ZRV_DPAR_INTPNT_TOL_REL_GAP];
  k.tol_mu_red = dp[ZRV_DPAR_INTPNT_TOL_MU_RED];
  k.tol_infeas = dp[ZRV_DPAR_INTPNT_TOL_INFEAS];
  k.tol_path = dp[ZRV_DPAR_INTPNT_TOL_PATH];
  k.tol_psafe = dp[ZRV_DPAR_INTPNT_TOL_PSAFE];
  k.tol_dsafe = dp[ZRV_DPAR_INTPNT_TOL_DSAFE];
  k.tol_step_size = dp[ZRV_DPAR_INTPNT_TOL_STEP_SIZE];
  k.tol_rel_step = dp[ZRV_DPAR_INTPNT_TOL_REL_STEP];
  if (quadratic) k.tol_near_rel = dp[ZRV_DPAR_INTPNT_NL_TOL_NEAR_REL];

  // Objective cuts are active only when finite; they bound the caller's objective, so for a maximization
  // (negated objective in the view) they swap sides and change sign.
  double lo = dp[ZRV_DPAR_LOWER_OBJ_CUT] > -INF_BOUND ? dp[ZRV_DPAR_LOWER_OBJ_CUT] : -VIEW_INF;
  double up = dp[ZRV_DPAR_UPPER_OBJ_CUT] < INF_BOUND ? dp[ZRV_DPAR_UPPER_OBJ_CUT] : VIEW_INF;
  k.lower_obj_cut = maximize ? -up : lo;
  k.upper_obj_cut = maximize ? -lo : up;

  BiControl& b = c->bi;
  if (linear) {
    const int32_t m = ip[ZRV_IPAR_INTPNT_BASIS];
    b.mode = m >= ZRV_BI_NEVER && m <= ZRV_BI_RESERVERED ? m : ZRV_BI_ALWAYS;
  }
  b.max_iterations = ip[ZRV_IPAR_BI_MAX_ITERATIONS];
  b.ignore_max_iter = ip[ZRV_IPAR_BI_IGNORE_MAX_ITER];
  b.ignore_num_error = ip[ZRV_IPAR_BI_IGNORE_NUM_ERROR];
  b.clean_optimizer = clean_optimizer_code(ip[ZRV_IPAR_BI_CLEAN_OPTIMIZER]);
  b.log_freq = ip[ZRV_IPAR_LOG_BI_FREQ];
  b.tol_x = dp[ZRV_DPAR_BASIS_TOL_X];
  b.tol_s = dp[ZRV_DPAR_BASIS_TOL_S];
  b.rel_tol_s = dp[ZRV_DPAR_BASIS_REL_TOL_S];
  b.lu_tol_rel_piv = dp[ZRV_DPAR_SIM_LU_TOL_REL_PIV];

  SimControl& s = c->sim;
  s.primal_crash = ip[ZRV_IPAR_SIM_PRIMAL_CRASH];
  s.log_freq = ip[ZRV_IPAR_LOG_SIM_FREQ];
  s.max_iterations = ip[ZRV_IPAR_SIM_MAX_ITERATIONS];
  s.primal_selection = ip[ZRV_IPAR_SIM_PRIMAL_SELECTION];
  s.refactor_freq = ip[ZRV_IPAR_SIM_REFACTOR_FREQ];
  s.abs_tol_piv = dp[ZRV_DPAR_SIMPLEX_ABS_TOL_PIV];

  PresolveControl& p = c->presolve;
  p.use = ip[ZRV_IPAR_PRESOLVE_USE];
  p.lindep_use = ip[ZRV_IPAR_PRESOLVE_LINDEP_USE];
  p.lindep_abs_work_trh = ip[ZRV_IPAR_PRESOLVE_LINDEP_ABS_WORK_TRH];
  p.lindep_rel_work_trh = ip[ZRV_IPAR_PRESOLVE_LINDEP_REL_WORK_TRH];
  p.elim_fill = ip[ZRV_IPAR_PRESOLVE_ELIM_FILL];
  p.eliminator_max_num_tries =
      ip[ZRV_IPAR_PRESOLVE_ELIMINATOR_USE] ? ip[ZRV_IPAR_PRESOLVE_ELIMINATOR_MAX_NUM_TRIES] : 0;
  p.tol_x = dp[ZRV_DPAR_PRESOLVE_TOL_X];
  p.tol_s = dp[ZRV_DPAR_PRESOLVE_TOL_S];
  p.tol_aij = dp[ZRV_DPAR_PRESOLVE_TOL_AIJ];
  p.tol_abs_lindep = dp[ZRV_DPAR_PRESOLVE_TOL_ABS_LINDEP];
  p.tol_rel_lindep = dp[ZRV_DPAR_PRESOLVE_TOL_REL_LINDEP];

  c->timing_level = ip[ZRV_IPAR_TIMING_LEVEL];
  c->factor_method = ip[ZRV_IPAR_INTPNT_FACTOR_METHOD];
}

int32_t outcome_response(int outcome) {
  switch (outcome) {
    case OUT_FINISHED: return ZRV_RES_OK;
    case OUT_NOMEM: return ZRV_RES_ERR_SPACE;
    case OUT_MAX_ITERATIONS: return ZRV_RES_TRM_MAX_ITERATIONS;
    case OUT_MAX_TIME: return ZRV_RES_TRM_MAX_TIME;
    case OUT_CALLBACK:
    case OUT_CALLBACK_IM: return ZRV_RES_TRM_USER_CALLBACK;
    case OUT_STALL: return ZRV_RES_TRM_STALL;
    case OUT_NUMERICAL: return ZRV_RES_TRM_NUMERICAL_PROBLEM;
    case OUT_FACTOR: return ZRV_RES_ERR_FACTOR;
    case OUT_NLO_FUNC: return ZRV_RES_ERR_USER_NLO_FUNC;
    case OUT_INTERNAL:
    case OUT_INTERNAL2: return ZRV_RES_ERR_INTERNAL;
    case OUT_OBJECTIVE_RANGE: return ZRV_RES_TRM_OBJECTIVE_RANGE;
    case OUT_HESSUBI: return ZRV_RES_ERR_USER_NLO_EVAL_HESSUBI;
    case OUT_HESSUBJ: return ZRV_RES_ERR_USER_NLO_EVAL_HESSUBJ;
    case OUT_INV_PROBLEM: return ZRV_RES_ERR_INV_PROBLEM;
    case OUT_BASIS:
    case OUT_BASIS2: return ZRV_RES_ERR_BASIS;
    case OUT_POSTSOLVE: return ZRV_RES_ERR_POSTSOLVE;
    case OUT_NONCONVEX: return ZRV_RES_ERR_NONCONVEX;
    case OUT_BASIS_SINGULAR: return ZRV_RES_ERR_BASIS_SINGULAR;
    case OUT_SETBACKS: return ZRV_RES_TRM_MAX_NUM_SETBACKS;
    case OUT_LU_TRIES: return ZRV_RES_ERR_LU_MAX_NUM_TRIES;
    case OUT_UNB_STEP: return ZRV_RES_ERR_UNB_STEP_SIZE;
    case OUT_INTERNAL_STOP: return ZRV_RES_TRM_INTERNAL_STOP;
    default: return ZRV_RES_ERR_UNKNOWN;
  }
}

}  // namespace zrv::opt
