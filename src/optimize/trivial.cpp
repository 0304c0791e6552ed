// Closed-form solves of problems without constraints or without variables.
#include "optimize/trivial.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "zirva.h"

namespace zrv::opt {

namespace {

bool all_rows_free(const ProbView& v) {
  for (int32_t i = 0; i < v.m; ++i)
    if (v.blc[i] > -VIEW_INF || v.buc[i] < VIEW_INF) return false;
  return true;
}

// The diagonal of Q, or an empty vector when Q has an entry off the diagonal.
std::vector<double> diagonal_of_q(const ProbView& v) {
  std::vector<double> d(v.n, 0.0);
  if (!v.has_q()) return d;
  for (int32_t j = 0; j < v.n; ++j)
    for (int64_t p = v.qp[j]; p < v.qp[j + 1]; ++p) {
      if (v.qi[p] != j) return {};
      d[j] += v.qx[p];
    }
  return d;
}

}  // namespace

bool is_trivial(const ProbView& v) {
  return v.n == 0 || (all_rows_free(v) && diagonal_of_q(v).size() == size_t(v.n));
}

int trivial_solve(const ProbView& v, const IpControl& ctl, IpResult* r) {
  const int32_t m = v.m, n = v.n;
  r->xx.assign(n, 0.0);
  r->xc.assign(m, 0.0);
  r->y.assign(m, 0.0);
  r->slc.assign(m, 0.0);
  r->suc.assign(m, 0.0);
  r->slx.assign(n, 0.0);
  r->sux.assign(n, 0.0);
  r->skc.assign(m, ZRV_SK_UNK);
  r->skx.assign(n, ZRV_SK_UNK);
  r->iterations = 0;
  r->outcome = OUT_FINISHED;
  r->last = IpProgress{};
  r->status = {};
  const std::vector<double> q = diagonal_of_q(v);
  for (int32_t j = 0; j < n; ++j)
    if (q[j] < 0) return r->outcome = OUT_NONCONVEX;

  // Primal infeasibility: a variable with crossed bounds (lower minus upper is the certificate with both bound
  // duals 1), or a constraint whose bounds exclude the activity 0 of a problem without variables (its bound
  // dual 1 is the certificate; A'y = 0 holds trivially).
  bool infeasible = false;
  for (int32_t j = 0; j < n; ++j)
    if (v.blx[j] > v.bux[j]) {
      r->slx[j] = r->sux[j] = 1.0;
      infeasible = true;
    }
  if (n == 0)
    for (int32_t i = 0; i < m; ++i) {
      if (v.blc[i] > ctl.tol_pfeas) {
        r->slc[i] = r->y[i] = 1.0;
        infeasible = true;
      } else if (v.buc[i] < -ctl.tol_pfeas) {
        r->suc[i] = 1.0;
        r->y[i] = -1.0;
        infeasible = true;
      }
    }
  if (infeasible) {
    // Only the certificate's entries remain.
    for (int32_t j = 0; j < n; ++j)
      if (!(v.blx[j] > v.bux[j])) r->slx[j] = r->sux[j] = 0.0;
    r->status = {ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_PRIM_INFEAS_CER};
    return r->outcome;
  }

  // The constraints (if any) are free: their activities follow from x.
  auto activities = [&] {
    for (int32_t j = 0; j < n; ++j)
      for (int64_t p = v.ap[j]; p < v.ap[j + 1]; ++p) r->xc[v.ai[p]] += v.ax[p] * r->xx[j];
  };

  // Dual infeasibility: a variable without curvature whose objective improves without bound; the ray moves
  // those variables only.
  bool unbounded = false;
  for (int32_t j = 0; j < n; ++j) {
    if (q[j] > 0) continue;
    const double c = std::fabs(v.c[j]) <= ctl.tol_dfeas ? 0.0 : v.c[j];
    if (c > 0 && v.blx[j] == -VIEW_INF) r->xx[j] = -1.0, unbounded = true;
    if (c < 0 && v.bux[j] == VIEW_INF) r->xx[j] = 1.0, unbounded = true;
  }
  if (unbounded) {
    activities();
    for (int32_t i = 0; i < m; ++i) r->skc[i] = ZRV_SK_BAS;
    r->status = {ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_DUAL_INFEAS_CER};
    return r->outcome;
  }

  // Optimal: each variable at the minimizer of 0.5 q x^2 + c x over its bounds (without curvature: the bound
  // its cost points to, and for no cost the point of its bounds nearest to 0); the bound duals are the parts
  // of the reduced cost c + q x.
  auto key = [](double x, double lo, double up) -> int32_t {
    if (lo == up) return ZRV_SK_FIX;
    if (x == lo) return ZRV_SK_LOW;
    if (x == up) return ZRV_SK_UPR;
    return ZRV_SK_BAS;
  };
  for (int32_t j = 0; j < n; ++j) {
    const double c = std::fabs(v.c[j]) <= ctl.tol_dfeas ? 0.0 : v.c[j];
    double x;
    if (q[j] > 0)
      x = std::clamp(-v.c[j] / q[j], v.blx[j], v.bux[j]);
    else
      x = c > 0 ? v.blx[j] : c < 0 ? v.bux[j] : std::clamp(0.0, v.blx[j], v.bux[j]);
    const double d = v.c[j] + q[j] * x;
    r->xx[j] = x;
    r->slx[j] = v.blx[j] > -VIEW_INF ? std::max(d, 0.0) : 0.0;
    r->sux[j] = v.bux[j] < VIEW_INF ? std::max(-d, 0.0) : 0.0;
    r->skx[j] = key(x, v.blx[j], v.bux[j]);
  }
  activities();
  for (int32_t i = 0; i < m; ++i) r->skc[i] = n == 0 ? key(0.0, v.blc[i], v.buc[i]) : ZRV_SK_BAS;
  r->status = {ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL};
  return r->outcome;
}

}  // namespace zrv::opt
