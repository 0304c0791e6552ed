// The optimize driver: ZRV_optimizetrm and ZRV_optimize, the optimizer summary and the progress callback.
//
// One optimize call: start the timer and count the call, raise BEGIN_OPTIMIZER (problem header, "Optimizer
// started."), run the core, stop the timer and raise END_OPTIMIZER ("Optimizer terminated. Time: ..."), store the
// response. The core resets the run's information items and picks the path from ZRV_IPAR_OPTIMIZER and the
// problem. Paths that this build does not have (concurrent, mixed-integer, conic, simplex, the quadratic-to-conic
// reformulation, quadratic constraints) answer ZRV_RES_ERR_INV_OPTIMIZER or the code of their own check, never a
// substitute optimizer.
#include <algorithm>
#include <cstring>
#include <vector>

#include "optimize/ippath.h"
#include "zirva/conedata.h"
#include "zirva/convexity.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/report.h"
#include "zirva/solstore.h"
#include "zirva/zirvalog.h"

using namespace zrv;

namespace {

constexpr int32_t LEFT = 2;

bool is_error(int32_t r) { return r >= 1000 && r <= 9998; }
bool is_termination(int32_t r) { return r >= 10000; }

// The caller's progress callback with the task's information items; true when it asks to stop.
bool raise_callback(ZRVtask_s* t, int32_t code) {
  if (!t->callback_func) return false;
  return t->callback_func(t, t->callback_handle, code, t->info.dou, t->info.int32, t->info.lint) != 0;
}

// Optimize calls running inside each other (the log cut applies from the second level on).
struct Nesting {
  ZRVtask_s* t;
  explicit Nesting(ZRVtask_s* task) : t(task) { ++t->optimizer_nesting; }
  ~Nesting() { --t->optimizer_nesting; }
};

bool starts_with_any(const char* name, std::initializer_list<const char*> prefixes) {
  for (const char* p : prefixes)
    if (std::strncmp(name, p, std::strlen(p)) == 0) return true;
  return false;
}

// The items of the optimizers that a new run fills: interior-point, simplex, basis identification, presolve,
// concurrency, mixed-integer and reformulation items, public and private.
void clear_run_items(ZRVtask_s* t) {
  const auto run = {"INTPNT_", "SIM_", "BI_", "PRESOLVE_", "CONCURRENT_", "MIO_", "QCQO_", "PRIMAL_SIMPLEX_",
                    "DUAL_SIMPLEX_"};
  InfoItems& f = t->info;
  for (int32_t i = 0; i < NUM_DINF; ++i)
    if (starts_with_any(DINF_NAMES[i], run)) f.dou[i] = 0.0;
  for (int32_t i = 0; i < NUM_IINF; ++i)
    if (starts_with_any(IINF_NAMES[i], run)) f.int32[i] = 0;
  for (int32_t i = 0; i < NUM_LIINF; ++i)
    if (starts_with_any(LIINF_NAMES[i], run)) f.lint[i] = 0;
  for (int32_t i = 0; i < NUM_DINF_PRIV; ++i)
    if (starts_with_any(DINF_PRIV_NAMES[i], run)) f.dou_priv[i] = 0.0;
  for (int32_t i = 0; i < NUM_IINF_PRIV; ++i)
    if (starts_with_any(IINF_PRIV_NAMES[i], run)) f.int_priv[i] = 0;
  for (int32_t i = 0; i < NUM_LIINF_PRIV; ++i)
    if (starts_with_any(LIINF_PRIV_NAMES[i], run)) f.lint_priv[i] = 0;
  for (int32_t id : {ZRV_IINF_SOL_BAS_PROSTA, ZRV_IINF_SOL_BAS_SOLSTA, ZRV_IINF_SOL_INT_PROSTA,
                     ZRV_IINF_SOL_INT_SOLSTA, ZRV_IINF_SOL_ITG_PROSTA, ZRV_IINF_SOL_ITG_SOLSTA,
                     ZRV_IINF_SOL_ITR_PROSTA, ZRV_IINF_SOL_ITR_SOLSTA})
    f.int32[id] = ZRV_SOL_STA_UNKNOWN;
}

// Sorts the entries of every column of A by row index. Only columns out of order are rewritten; the values are
// the same, so no solution status changes.
int32_t sort_a_columns(ZRVtask_s* t) {
  SprMat& A = t->prob->A;
  const int32_t n = t->prob->numvar;
  if (SpStatus s = A.lock(SpDim::Cols); s != SpStatus::Ok)
    return report_sp_status(t, static_cast<int32_t>(s), __FILE__, __LINE__);
  std::vector<int32_t> unsorted;
  for (int32_t j = 0; j < n; ++j) {
    const SpVecView v = A.vector(j);
    if (!std::is_sorted(v.sub, v.sub + v.nz)) unsorted.push_back(j);
  }
  A.unlock();
  std::vector<std::pair<int32_t, double>> col;
  std::vector<int32_t> sub;
  std::vector<double> val;
  for (int32_t j : unsorted) {
    int64_t nz = 0;
    if (SpStatus s = A.vector_nnz(SpDim::Cols, j, &nz); s != SpStatus::Ok)
      return report_sp_status(t, static_cast<int32_t>(s), __FILE__, __LINE__);
    sub.resize(nz);
    val.resize(nz);
    if (SpStatus s = A.get_vector(SpDim::Cols, j, &nz, sub.data(), val.data()); s != SpStatus::Ok)
      return report_sp_status(t, static_cast<int32_t>(s), __FILE__, __LINE__);
    col.resize(nz);
    for (int64_t k = 0; k < nz; ++k) col[k] = {sub[k], val[k]};
    std::sort(col.begin(), col.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int64_t k = 0; k < nz; ++k) sub[k] = col[k].first, val[k] = col[k].second;
    if (SpStatus s = A.put_vector(SpDim::Cols, j, nz, sub.data(), val.data()); s != SpStatus::Ok)
      return report_sp_status(t, static_cast<int32_t>(s), __FILE__, __LINE__);
  }
  return ZRV_RES_OK;
}

int32_t pre_optimize_reset(ZRVtask_s* t) {
  Problem& p = *t->prob;
  if (p.sense != ZRV_OBJECTIVE_SENSE_MINIMIZE && p.sense != ZRV_OBJECTIVE_SENSE_MAXIMIZE)
    return ZRV_REPORT(t, ZRV_RES_ERR_UNDEFINED_OBJECTIVE_SENSE);
  t->header_printed = false;
  clear_run_items(t);
  t->info.int32[ZRV_IINF_OPT_NUMCON] = p.numcon;
  t->info.int32[ZRV_IINF_OPT_NUMVAR] = p.numvar;
  t->info.int_priv[IINF_PRIV_OPT_OBJECTIVE_SENSE] = p.sense;
  t->info.int_priv[IINF_PRIV_OPTIMIZER] = t->ipar[ZRV_IPAR_OPTIMIZER];
  if (t->ipar[ZRV_IPAR_AUTO_SORT_A_BEFORE_OPT] == ZRV_ON)
    if (int32_t r = sort_a_columns(t)) return r;
  return ZRV_RES_OK;
}

int32_t problem_type(ZRVtask_s* t) {
  int32_t type = ZRV_PROBTYPE_LO;
  ZRV_getprobtype(t, &type);
  return type;
}

int32_t invalid_optimizer(ZRVtask_s* t, int32_t optimizer) {
  return ZRV_REPORT(t, ZRV_RES_ERR_INV_OPTIMIZER, optimizer);
}

bool is_simplex(int32_t optimizer) {
  return optimizer >= ZRV_OPTIMIZER_PRIMAL_SIMPLEX && optimizer <= ZRV_OPTIMIZER_NETWORK_PRIMAL_SIMPLEX;
}

// The continuous problems: conic path, simplex path or the interior-point path.
int32_t continuous_dispatch(ZRVtask_s* t) {
  const int32_t optimizer = t->ipar[ZRV_IPAR_OPTIMIZER];
  const int32_t type = problem_type(t);
  // The conic interior-point optimizer is not part of this build.
  if (optimizer == ZRV_OPTIMIZER_CONIC || cone_any(t)) return invalid_optimizer(t, optimizer);
  // Simplex needs a linear problem; the simplex optimizers themselves are not part of this build.
  if (is_simplex(optimizer)) return invalid_optimizer(t, optimizer);

  const bool linear = type == ZRV_PROBTYPE_LO;
  const bool quadratic = type == ZRV_PROBTYPE_QO || type == ZRV_PROBTYPE_QCQO;
  if (quadratic)
    if (int32_t r = check_convexity(t)) return r;
  // The engine takes a quadratic objective; quadratic constraints and nonlinear functions are not part of
  // this build.
  if (type != ZRV_PROBTYPE_LO && type != ZRV_PROBTYPE_QO) return invalid_optimizer(t, optimizer);
  return opt::intpnt_path(t, linear, quadratic);
}

// ZRV_IPAR_AUTO_UPDATE_SOL_INFO: the solution information items of every defined solution.
int32_t update_solution_info(ZRVtask_s* t, int32_t r) {
  if (t->ipar[ZRV_IPAR_AUTO_UPDATE_SOL_INFO] != ZRV_ON || is_error(r)) return r;
  for (int32_t which : {ZRV_SOL_ITR, ZRV_SOL_BAS, ZRV_SOL_ITG}) {
    if (!sol_of(t, which).defined) continue;
    if (int32_t u = ZRV_updatesolutioninfo(t, which)) return r == ZRV_RES_OK ? u : r;
  }
  return r;
}

int32_t core(ZRVtask_s* t) {
  if (int32_t r = pre_optimize_reset(t)) return r;
  const int32_t optimizer = t->ipar[ZRV_IPAR_OPTIMIZER];
  int32_t r;
  if (optimizer == ZRV_OPTIMIZER_CONCURRENT) {
    // The concurrent optimizer is not part of this build.
    r = invalid_optimizer(t, optimizer);
  } else if ((t->prob->numintvar > 0 && t->ipar[ZRV_IPAR_MIO_MODE] != ZRV_MIO_MODE_IGNORED) ||
             optimizer == ZRV_OPTIMIZER_NONCONVEX) {
    if (t->cones->numbarvar > 0) {
      r = ZRV_REPORT(t, ZRV_RES_ERR_GLOBAL_INV_CONIC_PROBLEM);
    } else if (optimizer == ZRV_OPTIMIZER_MIXED_INT) {
      // No external global optimizer is available: the warning is the call's answer, so nothing that was not
      // solved is reported as success.
      ZRV_REPORT(t, ZRV_RES_WRN_NO_GLOBAL_OPTIMIZER, "not installed");
      r = ZRV_RES_WRN_NO_GLOBAL_OPTIMIZER;
    } else {
      r = ZRV_RES_OK;
      if (t->ipar[ZRV_IPAR_MIO_CONT_SOL] != ZRV_MIO_CONT_SOL_NONE)
        r = ZRV_REPORT(t, ZRV_RES_WRN_PARAM_IGNORED_CMIO, "ZRV_IPAR_MIO_CONT_SOL");
      // The conic mixed-integer optimizer is not part of this build.
      if (r == ZRV_RES_OK) r = invalid_optimizer(t, optimizer);
    }
  } else if ((problem_type(t) == ZRV_PROBTYPE_QO || problem_type(t) == ZRV_PROBTYPE_QCQO) &&
             (optimizer == ZRV_OPTIMIZER_CONIC || t->ipar[ZRV_IPAR_QO_SEPARABLE_REFORMULATION] == ZRV_ON)) {
    // The quadratic-to-conic reformulation is not part of this build.
    r = invalid_optimizer(t, optimizer);
  } else {
    r = continuous_dispatch(t);
  }
  return update_solution_info(t, r);
}

int32_t optimize_call(ZRVtask_s* t) {
  t->optimizer_start = opt::clock_seconds();
  ++t->optimize_calls;
  Nesting nesting(t);
  t->header_printed = false;

  // Begin: problem header and start line, then the caller's callback.
  log_problem_header(t);
  if (task_log_on(t, ZRV_IPAR_LOG_OPTIMIZER)) task_printf(t, ZRV_STREAM_MSG, "Optimizer started.\n");
  int32_t r = raise_callback(t, ZRV_CALLBACK_BEGIN_OPTIMIZER) ? ZRV_RES_TRM_USER_CALLBACK : ZRV_RES_OK;

  if (r == ZRV_RES_OK) r = core(t);
  // ZRV_IPAR_INFEAS_REPORT_AUTO: the infeasibility report belongs to the analysis tools, not part of this build.

  // End: the timer stops before the callback.
  t->info.dou[ZRV_DINF_OPTIMIZER_TIME] = opt::clock_seconds() - t->optimizer_start;
  if (task_log_on(t, ZRV_IPAR_LOG_OPTIMIZER))
    task_printf(t, ZRV_STREAM_MSG, "Optimizer terminated. Time: %{jwp}f\n",
                {LEFT, 0, 2, t->info.dou[ZRV_DINF_OPTIMIZER_TIME]});
  const int32_t re = raise_callback(t, ZRV_CALLBACK_END_OPTIMIZER) ? ZRV_RES_TRM_USER_CALLBACK : ZRV_RES_OK;
  if (r == ZRV_RES_OK) r = re;
  t->info.int32[ZRV_IINF_OPTIMIZE_RESPONSE] = r;
  // The caller finds the whole log of the run delivered when the call returns.
  t->streams.flush(ZRV_STREAM_MSG);
  t->streams.flush(ZRV_STREAM_LOG);
  return r;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_optimizetrm(ZRVtask_t task, ZRVrescodee* trmcode) {
  if (int32_t r = check_task(task)) return r;
  const int32_t r = guarded(task, [&] { return optimize_call(task); });
  if (is_termination(r)) {
    if (trmcode) *trmcode = r;
    return ZRV_RES_OK;
  }
  if (trmcode) *trmcode = ZRV_RES_OK;
  return r;
}

ZRVrescodee ZRV_optimize(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return optimize_call(task); });
}

ZRVrescodee ZRV_optimizersummary(ZRVtask_t task, ZRVstreamtypee whichstream) {
  if (int32_t r = check_task(task)) return r;
  if (!StreamBlock::valid_stream(whichstream)) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_STREAM, whichstream);
  return guarded(task, [&] {
    log_optimizer_summary(task, whichstream);
    task->streams.flush(whichstream);
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_putcallbackfunc(ZRVtask_t task, ZRVcallbackfunc func, ZRVuserhandle_t handle) {
  if (int32_t r = check_task(task)) return r;
  task->callback_func = func;
  task->callback_handle = func ? handle : nullptr;
  return ZRV_RES_OK;
}

}  // extern "C"
