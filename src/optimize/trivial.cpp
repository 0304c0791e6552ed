// Closed-form solves of problems without constraints or without variables.
#include "optimize/trivial.h"

#include <algorithm>
#include <cmath>

#include "zirva.h"

namespace zrv::opt {

bool is_trivial(const ProbView& v) { return v.n == 0 || (v.m == 0 && !v.has_q()); }

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

  // Dual infeasibility: a variable whose objective improves without bound; the ray moves those variables only.
  bool unbounded = false;
  for (int32_t j = 0; j < n; ++j) {
    const double c = std::fabs(v.c[j]) <= ctl.tol_dfeas ? 0.0 : v.c[j];
    if (c > 0 && v.blx[j] == -VIEW_INF) r->xx[j] = -1.0, unbounded = true;
    if (c < 0 && v.bux[j] == VIEW_INF) r->xx[j] = 1.0, unbounded = true;
  }
  if (unbounded) {
    r->status = {ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_DUAL_INFEAS_CER};
    return r->outcome;
  }

  // Optimal: each variable at the bound its cost points to (a free direction stays at the point of its bounds
  // nearest to 0); the bound duals are the parts of the cost.
  auto key = [](double x, double lo, double up) -> int32_t {
    if (lo == up) return ZRV_SK_FIX;
    if (x == lo) return ZRV_SK_LOW;
    if (x == up) return ZRV_SK_UPR;
    return ZRV_SK_BAS;
  };
  for (int32_t j = 0; j < n; ++j) {
    const double c = std::fabs(v.c[j]) <= ctl.tol_dfeas ? 0.0 : v.c[j];
    const double x = c > 0 ? v.blx[j] : c < 0 ? v.bux[j] : std::clamp(0.0, v.blx[j], v.bux[j]);
    r->xx[j] = x;
    r->slx[j] = v.blx[j] > -VIEW_INF ? std::max(v.c[j], 0.0) : 0.0;
    r->sux[j] = v.bux[j] < VIEW_INF ? std::max(-v.c[j], 0.0) : 0.0;
    r->skx[j] = key(x, v.blx[j], v.bux[j]);
  }
  for (int32_t i = 0; i < m; ++i) r->skc[i] = key(0.0, v.blc[i], v.buc[i]);
  r->status = {ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL};
  return r->outcome;
}

}  // namespace zrv::opt
