// The control block of an optimize run, filled from the task's parameters by the driver (the engines read only
// the block), and the table that turns an engine's internal outcome into a response code.
#pragma once
#include <cstdint>

#include "optimize/ipview.h"

struct ZRVtask_s;

namespace zrv::opt {

// Basis identification after the interior-point optimizer.
struct BiControl {
  int32_t mode = 0;                    // 0 never, 1 always, 2 no error, 3 if feasible, 4 reserved
  int32_t max_iterations = 10000;
  int32_t ignore_max_iter = 0, ignore_num_error = 0;
  int32_t clean_optimizer = 0;         // 0 free, 1 primal simplex, 2 dual simplex, 3 primal-dual simplex
  int32_t log_freq = 0;
  double tol_x = 1e-6, tol_s = 1e-6, rel_tol_s = 1e-12;
  double lu_tol_rel_piv = 0.01;
};

// Simplex fields.
struct SimControl {
  int32_t max_iterations = 4000000;
  int32_t primal_crash = 0, log_freq = 0, primal_selection = 0, refactor_freq = 0;
  double abs_tol_piv = 0.0;
};

// Presolve fields.
struct PresolveControl {
  int32_t use = 0, lindep_use = 0, lindep_abs_work_trh = 0, lindep_rel_work_trh = 0, elim_fill = 0;
  int32_t eliminator_max_num_tries = 0;  // 0 when the eliminator is off
  double tol_x = 0, tol_s = 0, tol_aij = 0, tol_abs_lindep = 0, tol_rel_lindep = 0;
};

struct OptControl {
  IpControl ip;
  BiControl bi;
  SimControl sim;
  PresolveControl presolve;
  int32_t timing_level = 0;
  int32_t factor_method = 0;
  double step_factor_linear = 0.9999, step_factor_nonlinear = 0.995;
};

// Number of threads a thread-count parameter means: 0 is the number of cores.
int32_t thread_count(int32_t param);

// Fills `c` from the task's parameters. `linear`: the problem has nothing quadratic, nonlinear or conic;
// `quadratic`: it has a quadratic objective (the feasibility tolerances on the dual side and the near-relative
// factor then come from the nonlinear set). `maximize`: the view holds the negated objective, so the objective
// cuts are negated and swapped with it.
void fill_control(const ZRVtask_s* t, bool linear, bool quadratic, bool maximize, OptControl* c);

// The response code of an internal outcome; codes outside the table give ZRV_RES_ERR_UNKNOWN.
int32_t outcome_response(int outcome);

}  // namespace zrv::opt
