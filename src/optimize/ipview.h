// What the interior-point path hands its engine and gets back: the problem view (plain arrays, minimization
// form), the control block filled from the parameters, the progress hooks and the result.  The engine never
// sees the task, the streams or the parameters; the driver builds these from the task and maps the result
// back into the solution store.
#pragma once
#include <cstdint>
#include <limits>
#include <vector>

#include "optimize/outcome.h"

namespace zrv::opt {

constexpr double VIEW_INF = std::numeric_limits<double>::infinity();

// minimize 0.5 x'Qx + c'x + cfix  subject to  blc <= A x <= buc,  blx <= x <= bux.
// An absent bound is -VIEW_INF / +VIEW_INF; a fixed item has equal lower and upper bounds.
struct ProbView {
  int32_t m = 0, n = 0;
  std::vector<int64_t> ap;   // A by columns: ap[n+1], ai, ax (rows sorted within a column, no duplicates, no zeros)
  std::vector<int32_t> ai;
  std::vector<double> ax;
  std::vector<double> c;
  double cfix = 0.0;
  std::vector<double> blc, buc, blx, bux;
  // Lower triangle (row >= column) of the symmetric Q by columns: qp[n+1] (empty when there is no Q), qi, qx.
  std::vector<int64_t> qp;
  std::vector<int32_t> qi;
  std::vector<double> qx;
  bool has_q() const { return !qp.empty() && qp.back() > 0; }
};

// The control block (driver fills it from the parameters; defaults here are the fixed ones).
struct IpControl {
  int32_t nthreads = 1;
  int32_t max_iterations = 200;
  int32_t max_num_cor = -1;           // -1: the engine chooses
  int32_t max_refinement = -1;        // -1: the engine chooses
  int32_t diff_step = 1;
  int32_t regularization_use = 1;
  int32_t order_method = 0;           // internal ordering code (0 free, 1 AMD, 2 try GP, 3 force GP, 4 none, 5 exp.)
  int32_t starting_point = 0;         // 0 free, 1 guess, 2 constant, 3 satisfy bounds
  int32_t scaling = 1;                // 0 none, 1 moderate (free), 2 aggressive
  int32_t solve_form = 0;             // 0 free, 1 primal, 2 dual
  int32_t off_col_trh = 40;
  int32_t quadratic = 0;              // 1: the problem has a quadratic objective (nonlinear tolerances apply in part)
  // tolerances
  double tol_pfeas = 1e-8, tol_dfeas = 1e-8, tol_rel_gap = 1e-8, tol_mu_red = 1e-16, tol_infeas = 1e-10;
  double tol_path = 1e-8, tol_psafe = 1.0, tol_dsafe = 1.0, tol_step_size = 1e-6, tol_rel_step = 0.9999;
  double tol_near_rel = 1000.0;       // relaxation factor of the relaxed status rules
  double tol_further = 1e-8;          // the fixed further tolerance no parameter sets
  // objective cuts (active when finite)
  double lower_obj_cut = -VIEW_INF, upper_obj_cut = VIEW_INF;
};

// Problem and solution statuses (the public numbering).
struct IpStatus {
  int32_t prosta = 0;
  int32_t solsta = 0;
};

// Numbers the engine reports at its events (the driver copies them into information items and the log).
struct IpProgress {
  // set-up (valid from the first iteration event on)
  int32_t numcon = 0, numvar = 0;       // size of the problem the engine solves
  int32_t nthreads = 1;
  int32_t solve_dual = 0;
  double factor_setup_time = 0, dense_det_time = 0, ml_order_time = 0, gp_order_time = 0, order_time = 0;
  int64_t nz_before = 0, nz_after = 0;
  int32_t dense_dim = 0;
  double flops = 0;
  int32_t gp_employed = 0;
  int64_t ml_nz = 0, gp_nz = 0;
  double ml_flops = 0, gp_flops = 0;
  // per iteration
  int32_t iter = 0;
  double pfeas = 0, dfeas = 0, gfeas = 0, opt_status = 0, pobj = 0, dobj = 0, mu = 0;
  double time = 0;                      // seconds since the engine started
};

// Progress hooks.  `log` updates information items and writes the log lines, `user` calls the caller's
// callback; each returns 0 to go on or an outcome (OUT_MAX_TIME, OUT_CALLBACK, ...) that stops the engine.
// Events: EV_BEGIN, EV_ITER (one per iteration, iteration 0 included), EV_END.
enum IpEvent : int { EV_BEGIN = 0, EV_ITER = 1, EV_END = 3 };
struct IpHooks {
  void* ctx = nullptr;
  int (*log)(void* ctx, int event, const IpProgress& p) = nullptr;
  int (*user)(void* ctx, int event, const IpProgress& p) = nullptr;
};

// The engine's answer, in the terms of the view: x (n), xc = A x (m), y (m), the bound duals slc, suc (m) and
// slx, sux (n), all >= 0; status keys per constraint and variable (ZRV_SK_* values) from the final iterate.
// For a certificate the arrays hold the certificate (the direction), not a scaled solution.
struct IpResult {
  int outcome = OUT_INTERNAL;
  IpStatus status;
  int32_t iterations = 0;
  std::vector<double> xx, xc, y, slc, suc, slx, sux;
  std::vector<int32_t> skc, skx;
  IpProgress last;                      // numbers of the last reported iteration
};

}  // namespace zrv::opt
