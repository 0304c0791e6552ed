// The interior-point path: task -> view (objective negated for a maximization) -> engine -> solution store.
#include "optimize/ippath.h"

#include <algorithm>
#include <chrono>

#include "homo/hsd.h"
#include "optimize/control.h"
#include "optimize/probview.h"
#include "optimize/trivial.h"
#include "zirva/env.h"
#include "zirva/report.h"
#include "zirva/solstore.h"
#include "zirva/zirvalog.h"

namespace zrv::opt {

double clock_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

namespace {

struct HookCtx {
  ZRVtask_s* t = nullptr;
  double sign = 1.0;  // -1 for a maximization: the engine's objective values are negated back for the log
  bool begun = false, ended = false;
};

bool out_of_time(const ZRVtask_s* t) {
  const double limit = t->dpar[ZRV_DPAR_OPTIMIZER_MAX_TIME];
  return limit >= 0.0 && clock_seconds() - t->optimizer_start >= limit;
}

// Information items of an iteration (the set-up numbers are valid from the first iteration on).
void iteration_items(ZRVtask_s* t, const IpProgress& p, double sign) {
  InfoItems& f = t->info;
  f.int32[ZRV_IINF_INTPNT_ITER] = p.iter;
  f.int32[ZRV_IINF_INTPNT_NUM_THREADS] = p.nthreads;
  f.int32[ZRV_IINF_INTPNT_SOLVE_DUAL] = p.solve_dual;
  f.int32[ZRV_IINF_INTPNT_FACTOR_DIM_DENSE] = p.dense_dim;
  f.lint[ZRV_LIINF_INTPNT_FACTOR_NUM_NZ] = p.nz_after;
  f.dou[ZRV_DINF_INTPNT_FACTOR_NUM_FLOPS] = p.flops;
  f.dou[ZRV_DINF_INTPNT_ORDER_TIME] = p.order_time;
  f.dou[ZRV_DINF_INTPNT_PRIMAL_FEAS] = p.pfeas;
  f.dou[ZRV_DINF_INTPNT_DUAL_FEAS] = p.dfeas;
  f.dou[ZRV_DINF_INTPNT_OPT_STATUS] = p.opt_status;
  f.dou[ZRV_DINF_INTPNT_PRIMAL_OBJ] = sign * p.pobj;
  f.dou[ZRV_DINF_INTPNT_DUAL_OBJ] = sign * p.dobj;
  f.dou[ZRV_DINF_INTPNT_TIME] = p.time;
  f.int_priv[IINF_PRIV_INTPNT_NUMCON] = p.numcon;
  f.int_priv[IINF_PRIV_INTPNT_NUMVAR] = p.numvar;
  f.int_priv[IINF_PRIV_INTPNT_NUMCONE] = 0;
  f.int_priv[IINF_PRIV_INTPNT_NUMCONEVAR] = 0;
  f.int_priv[IINF_PRIV_INTPNT_NUMBARVAR] = 0;
  f.lint_priv[LIINF_PRIV_INTPNT_LENBARVAR] = 0;
  f.int_priv[IINF_PRIV_INTPNT_GP_ORDER_EMPLOYED] = p.gp_employed;
  f.lint_priv[LIINF_PRIV_INTPNT_FACTOR_NUM_NZ_BEFORE] = p.nz_before;
  f.lint_priv[LIINF_PRIV_INTPNT_FACTOR_ML_ORDER_SPARSE_L_NZ] = p.ml_nz;
  f.lint_priv[LIINF_PRIV_INTPNT_FACTOR_GP_ORDER_SPARSE_L_NZ] = p.gp_nz;
  f.dou_priv[DINF_PRIV_INTPNT_FACTOR_ML_ORDER_SPARSE_L_FLOPS] = p.ml_flops;
  f.dou_priv[DINF_PRIV_INTPNT_FACTOR_GP_ORDER_SPARSE_L_FLOPS] = p.gp_flops;
  f.dou_priv[DINF_PRIV_INTPNT_FACTOR_SETUP_TIME] = p.factor_setup_time;
  f.dou_priv[DINF_PRIV_INTPNT_FACTOR_SETUP_DETECT_DENSE_TIME] = p.dense_det_time;
  f.dou_priv[DINF_PRIV_INTPNT_FACTOR_SETUP_ML_ORDER_TIME] = p.ml_order_time;
  f.dou_priv[DINF_PRIV_INTPNT_FACTOR_SETUP_GP_ORDER_TIME] = p.gp_order_time;
  f.dou_priv[DINF_PRIV_INTPNT_GFEAS] = p.gfeas;
  f.dou_priv[DINF_PRIV_INTPNT_MU] = p.mu;
}

// First hook: information items and log lines; the time limit is checked here.
int log_hook(void* ctx, int event, const IpProgress& p) {
  auto* h = static_cast<HookCtx*>(ctx);
  ZRVtask_s* t = h->t;
  switch (event) {
    case EV_BEGIN:
      h->begun = true;
      log_event(t, EVT_INTPNT_START);
      break;
    case EV_ITER:
      iteration_items(t, p, h->sign);
      log_event(t, EVT_INTPNT_ITER);
      break;
    default:
      h->ended = true;
      t->info.dou[ZRV_DINF_INTPNT_TIME] = p.time;
      log_event(t, EVT_INTPNT_END);
      return 0;
  }
  return out_of_time(t) ? OUT_MAX_TIME : 0;
}

int callback_code(int event) {
  return event == EV_BEGIN ? ZRV_CALLBACK_BEGIN_INTPNT
                           : event == EV_ITER ? ZRV_CALLBACK_INTPNT : ZRV_CALLBACK_END_INTPNT;
}

// Second hook: the caller's progress callback, after the log line; a non-zero answer stops the engine.
int user_hook(void* ctx, int event, const IpProgress&) {
  ZRVtask_s* t = static_cast<HookCtx*>(ctx)->t;
  if (!t->callback_func) return 0;
  const int32_t r =
      t->callback_func(t, t->callback_handle, callback_code(event), t->info.dou, t->info.int32, t->info.lint);
  return r != 0 && event != EV_END ? OUT_CALLBACK : 0;
}

// Whether basis identification would follow this interior-point outcome.
bool basis_identification_due(const BiControl& bi, int outcome, int32_t solsta) {
  if (bi.mode == ZRV_BI_NEVER || outcome == OUT_MAX_TIME || outcome == OUT_CALLBACK || outcome == OUT_CALLBACK_IM)
    return false;
  if (outcome == OUT_FINISHED)
    return !(bi.mode == ZRV_BI_IF_FEASIBLE && solsta_is_certificate(solsta));
  switch (bi.mode) {
    case ZRV_BI_ALWAYS: return outcome != OUT_NOMEM;
    case ZRV_BI_NO_ERROR:
      return (outcome == OUT_MAX_ITERATIONS && bi.ignore_max_iter) || (outcome == OUT_STALL && bi.ignore_num_error);
    case ZRV_BI_IF_FEASIBLE: return true;
    default: return false;
  }
}

// Stores the engine's answer as the interior-point solution; duals negated back for a maximization.
int32_t store_solution(ZRVtask_s* t, const IpResult& res, double sign) {
  const Problem& p = *t->prob;
  const int32_t m = p.numcon, n = p.numvar;
  if (res.xx.size() != size_t(n) || res.slx.size() != size_t(n) || res.sux.size() != size_t(n) ||
      res.skx.size() != size_t(n) || res.xc.size() != size_t(m) || res.y.size() != size_t(m) ||
      res.slc.size() != size_t(m) || res.suc.size() != size_t(m) || res.skc.size() != size_t(m))
    return ZRV_REPORT(t, ZRV_RES_ERR_INTERNAL, "interior-point solution of the wrong size");
  Solution& s = sol_of(t, ZRV_SOL_ITR);
  if (!s.defined)
    if (int32_t r = sol_define(t, ZRV_SOL_ITR)) return r;
  std::copy(res.skc.begin(), res.skc.end(), s.skc.begin());
  std::copy(res.skx.begin(), res.skx.end(), s.skx.begin());
  std::copy(res.xc.begin(), res.xc.end(), s.xc.begin());
  std::copy(res.xx.begin(), res.xx.end(), s.xx.begin());
  for (int32_t i = 0; i < m; ++i) {
    s.y[i] = sign * res.y[i];
    s.slc[i] = sign * res.slc[i];
    s.suc[i] = sign * res.suc[i];
  }
  for (int32_t j = 0; j < n; ++j) {
    s.slx[j] = sign * res.slx[j];
    s.sux[j] = sign * res.sux[j];
  }
  std::fill(s.snx.begin(), s.snx.end(), 0.0);
  std::fill(s.skn.begin(), s.skn.end(), int32_t{ZRV_SK_UNK});
  std::fill(s.barx.begin(), s.barx.end(), 0.0);
  std::fill(s.bars.begin(), s.bars.end(), 0.0);
  sol_set_status(t, ZRV_SOL_ITR, res.status.prosta, res.status.solsta);
  t->info.int32[ZRV_IINF_SOL_ITR_PROSTA] = res.status.prosta;
  t->info.int32[ZRV_IINF_SOL_ITR_SOLSTA] = res.status.solsta;
  return ZRV_RES_OK;
}

}  // namespace

int32_t intpnt_path(ZRVtask_s* t, bool linear, bool quadratic) {
  const bool maximize = t->prob->sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE;
  const double sign = maximize ? -1.0 : 1.0;
  t->intpnt_header_printed = false;

  // The problem view; a maximization becomes the minimization of the negated objective here, so the caller's
  // c, cfix and Q are never touched.
  ProbView view;
  if (int32_t r = build_view(t, &view)) return r;
  if (maximize) {
    for (double& v : view.c) v = -v;
    view.cfix = -view.cfix;
    for (double& v : view.qx) v = -v;
  }

  OptControl ctl;
  fill_control(t, linear, quadratic, maximize, &ctl);
  t->info.int32[ZRV_IINF_INTPNT_NUM_THREADS] = ctl.ip.nthreads;
  // Presolve is not part of this build: the engine sees the problem unreduced whatever ctl.presolve.use says.

  HookCtx ctx;
  ctx.t = t;
  ctx.sign = sign;
  IpHooks hooks;
  hooks.ctx = &ctx;
  hooks.log = log_hook;
  hooks.user = user_hook;
  IpResult res;
  int outcome;
  if (is_trivial(view)) {
    // No iterations: the run has its begin and end events only.
    outcome = log_hook(&ctx, EV_BEGIN, res.last);
    if (outcome == 0) outcome = user_hook(&ctx, EV_BEGIN, res.last);
    if (outcome == 0) {
      outcome = trivial_solve(view, ctl.ip, &res);
    } else {
      trivial_solve(view, ctl.ip, &res);
      res.outcome = outcome;
      res.status = {};
    }
  } else {
    outcome = homo::hsd_solve(view, ctl.ip, hooks, &res);
  }
  // A run that ends without its end event (stopped at its begin event, or solved without iterations): the log
  // and the caller still see the end.
  if (ctx.begun && !ctx.ended) {
    log_hook(&ctx, EV_END, res.last);
    user_hook(&ctx, EV_END, res.last);
  }
  t->info.int32[ZRV_IINF_INTPNT_ITER] = res.iterations;

  int32_t r = outcome_response(outcome);
  if (outcome == OUT_NOMEM) return ZRV_REPORT(t, r);
  if (int32_t rs = store_solution(t, res, sign)) return rs;

  if (linear && basis_identification_due(ctl.bi, outcome, res.status.solsta) &&
      task_log_on(t, ZRV_IPAR_LOG_BI))
    task_printf(t, ZRV_STREAM_MSG, "Basis identification is not available; the interior-point solution stands.\n");

  if (r >= 1000 && r < 10000) {
    if (r == ZRV_RES_ERR_INTERNAL) return ZRV_REPORT(t, r, "interior-point optimizer");
    return ZRV_REPORT(t, r);
  }
  return r;
}

}  // namespace zrv::opt
