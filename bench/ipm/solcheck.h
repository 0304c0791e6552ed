// Independent checks of a solution: the problem is read back through the public getters and every measure is
// recomputed from the data, so nothing the optimizer says about itself is taken on trust.
//
// Conventions: minimize c'x + 1/2 x'Qx + cfix subject to lc <= Ax <= uc, lx <= x <= ux. Dual feasibility is
// c + Qx - A'y - slx + sux = 0 with y = slc - suc; for a minimization the bound duals are nonnegative and a dual
// on an infinite bound must be zero. A maximization is stored with the dual values negated, so the same residual
// holds and the signs turn round.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "zirva.h"

namespace solcheck {

struct Problem {
  int m = 0, n = 0;
  std::vector<ZRVboundkeye> bkc, bkx;
  std::vector<double> blc, buc, blx, bux, c;
  double cfix = 0;
  bool maximize = false;
  std::vector<int64_t> ptr;  // A by columns: column j is [ptr[j], ptr[j+1])
  std::vector<int> sub;
  std::vector<double> val;
  std::vector<int> qi, qj;  // lower triangle of Q (i >= j), as stored
  std::vector<double> qv;
};

struct Solution {
  ZRVprostae prosta = ZRV_PRO_STA_UNKNOWN;
  ZRVsolstae solsta = ZRV_SOL_STA_UNKNOWN;
  std::vector<double> xc, xx, y, slc, suc, slx, sux;
};

inline bool has_lower(ZRVboundkeye bk) { return bk == ZRV_BK_LO || bk == ZRV_BK_FX || bk == ZRV_BK_RA; }
inline bool has_upper(ZRVboundkeye bk) { return bk == ZRV_BK_UP || bk == ZRV_BK_FX || bk == ZRV_BK_RA; }

inline ZRVrescodee load_problem(ZRVtask_t task, Problem& p) {
  ZRVrescodee r = ZRV_getnumcon(task, &p.m);
  if (r == ZRV_RES_OK) r = ZRV_getnumvar(task, &p.n);
  if (r != ZRV_RES_OK) return r;
  p.bkc.assign(p.m, ZRV_BK_FR);
  p.blc.assign(p.m, 0);
  p.buc.assign(p.m, 0);
  p.bkx.assign(p.n, ZRV_BK_FR);
  p.blx.assign(p.n, 0);
  p.bux.assign(p.n, 0);
  p.c.assign(p.n, 0);
  if (p.m > 0) r = ZRV_getconboundslice(task, 0, p.m, p.bkc.data(), p.blc.data(), p.buc.data());
  if (r == ZRV_RES_OK && p.n > 0) r = ZRV_getvarboundslice(task, 0, p.n, p.bkx.data(), p.blx.data(), p.bux.data());
  if (r == ZRV_RES_OK && p.n > 0) r = ZRV_getc(task, p.c.data());
  if (r == ZRV_RES_OK) r = ZRV_getcfix(task, &p.cfix);
  ZRVobjsensee sense = ZRV_OBJECTIVE_SENSE_MINIMIZE;
  if (r == ZRV_RES_OK) r = ZRV_getobjsense(task, &sense);
  p.maximize = sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE;
  if (r != ZRV_RES_OK) return r;

  int64_t nnz = 0;
  if (p.n > 0) r = ZRV_getaslicenumnz64(task, ZRV_ACC_VAR, 0, p.n, &nnz);
  if (r != ZRV_RES_OK) return r;
  std::vector<int64_t> ptrb(p.n), ptre(p.n);
  p.sub.assign(nnz, 0);
  p.val.assign(nnz, 0);
  p.ptr.assign(p.n + 1, 0);
  int64_t surp = nnz;
  if (p.n > 0)
    r = ZRV_getaslice64(task, ZRV_ACC_VAR, 0, p.n, nnz, &surp, ptrb.data(), ptre.data(), p.sub.data(), p.val.data());
  if (r != ZRV_RES_OK) return r;
  for (int j = 0; j < p.n; ++j) {
    if (ptrb[j] != p.ptr[j]) return ZRV_RES_ERR_INTERNAL;  // the getter packs the columns one after another
    p.ptr[j + 1] = ptre[j];
  }

  int64_t qnz = 0;
  r = ZRV_getnumqobjnz64(task, &qnz);
  if (r != ZRV_RES_OK) return r;
  p.qi.assign(qnz, 0);
  p.qj.assign(qnz, 0);
  p.qv.assign(qnz, 0);
  if (qnz > 0) {
    int64_t qsurp = qnz, got = 0;
    r = ZRV_getqobj64(task, qnz, &qsurp, &got, p.qi.data(), p.qj.data(), p.qv.data());
  }
  return r;
}

inline ZRVrescodee load_solution(ZRVtask_t task, ZRVsoltypee whichsol, const Problem& p, Solution& s) {
  s.xc.assign(p.m, 0);
  s.y.assign(p.m, 0);
  s.slc.assign(p.m, 0);
  s.suc.assign(p.m, 0);
  s.xx.assign(p.n, 0);
  s.slx.assign(p.n, 0);
  s.sux.assign(p.n, 0);
  std::vector<ZRVstakeye> skc(p.m), skx(p.n);
  std::vector<double> snx(p.n);
  return ZRV_getsolution(task, whichsol, &s.prosta, &s.solsta, skc.data(), skx.data(), nullptr, s.xc.data(),
                         s.xx.data(), s.y.data(), s.slc.data(), s.suc.data(), s.slx.data(), s.sux.data(), snx.data());
}

// Q x for the symmetric Q whose lower triangle is stored.
inline std::vector<double> q_times(const Problem& p, const std::vector<double>& x) {
  std::vector<double> qx(p.n, 0);
  for (size_t k = 0; k < p.qv.size(); ++k) {
    qx[p.qi[k]] += p.qv[k] * x[p.qj[k]];
    if (p.qi[k] != p.qj[k]) qx[p.qj[k]] += p.qv[k] * x[p.qi[k]];
  }
  return qx;
}

inline std::vector<double> a_times(const Problem& p, const std::vector<double>& x) {
  std::vector<double> ax(p.m, 0);
  for (int j = 0; j < p.n; ++j)
    for (int64_t k = p.ptr[j]; k < p.ptr[j + 1]; ++k) ax[p.sub[k]] += p.val[k] * x[j];
  return ax;
}

inline std::vector<double> at_times(const Problem& p, const std::vector<double>& y) {
  std::vector<double> aty(p.n, 0);
  for (int j = 0; j < p.n; ++j) {
    double s = 0;
    for (int64_t k = p.ptr[j]; k < p.ptr[j + 1]; ++k) s += p.val[k] * y[p.sub[k]];
    aty[j] = s;
  }
  return aty;
}

inline double inf_norm(const std::vector<double>& v) {
  double m = 0;
  for (double a : v) m = std::max(m, std::fabs(a));
  return m;
}

// Largest finite bound in absolute value: the scale of the right-hand side.
inline double bound_norm(const Problem& p) {
  double m = 0;
  for (int i = 0; i < p.m; ++i) {
    if (has_lower(p.bkc[i])) m = std::max(m, std::fabs(p.blc[i]));
    if (has_upper(p.bkc[i])) m = std::max(m, std::fabs(p.buc[i]));
  }
  for (int j = 0; j < p.n; ++j) {
    if (has_lower(p.bkx[j])) m = std::max(m, std::fabs(p.blx[j]));
    if (has_upper(p.bkx[j])) m = std::max(m, std::fabs(p.bux[j]));
  }
  return m;
}

inline double objective(const Problem& p, const std::vector<double>& x) {
  double obj = p.cfix;
  for (int j = 0; j < p.n; ++j) obj += p.c[j] * x[j];
  if (!p.qv.empty()) {
    std::vector<double> qx = q_times(p, x);
    for (int j = 0; j < p.n; ++j) obj += 0.5 * x[j] * qx[j];
  }
  return obj;
}

// Largest violation of a row or column bound by A x and x, over 1 + the largest finite bound.
inline double primal_violation(const Problem& p, const std::vector<double>& x) {
  std::vector<double> ax = a_times(p, x);
  double v = 0;
  auto side = [&](ZRVboundkeye bk, double lo, double up, double a) {
    if (!std::isfinite(a)) v = INFINITY;
    if (has_lower(bk)) v = std::max(v, lo - a);
    if (has_upper(bk)) v = std::max(v, a - up);
  };
  for (int i = 0; i < p.m; ++i) side(p.bkc[i], p.blc[i], p.buc[i], ax[i]);
  for (int j = 0; j < p.n; ++j) side(p.bkx[j], p.blx[j], p.bux[j], x[j]);
  return v / (1 + bound_norm(p));
}

// Largest violation of dual feasibility over 1 + |c|: the residual c + Qx - A'y - slx + sux, the link
// y = slc - suc, wrong signs of bound duals and duals on infinite bounds.
inline double dual_violation(const Problem& p, const Solution& s) {
  const double sign = p.maximize ? -1.0 : 1.0;
  std::vector<double> aty = at_times(p, s.y);
  std::vector<double> qx = q_times(p, s.xx);
  double v = 0;
  auto bound_dual = [&](bool finite, double d) {
    if (!std::isfinite(d)) v = INFINITY;
    if (finite) v = std::max(v, -sign * d);
    else v = std::max(v, std::fabs(d));
  };
  for (int j = 0; j < p.n; ++j) {
    v = std::max(v, std::fabs(p.c[j] + qx[j] - aty[j] - s.slx[j] + s.sux[j]));
    bound_dual(has_lower(p.bkx[j]), s.slx[j]);
    bound_dual(has_upper(p.bkx[j]), s.sux[j]);
  }
  for (int i = 0; i < p.m; ++i) {
    v = std::max(v, std::fabs(s.y[i] - (s.slc[i] - s.suc[i])));
    bound_dual(has_lower(p.bkc[i]), s.slc[i]);
    bound_dual(has_upper(p.bkc[i]), s.suc[i]);
  }
  return v / (1 + inf_norm(p.c));
}

struct Farkas {
  double measure = 0;   // (min over the row box of y'r - max over the column box of (A'y)'x) / (|y| (1 + |b|))
  double residual = 0;  // parts of y and A'y that meet an infinite bound, relative to |y| and |y| |A|
  bool holds(double tol) const { return measure > 0 && residual <= tol && std::isfinite(measure); }
};

// Checks y as a proof that no x satisfies the rows and the bounds: every x in the column box has
// y'Ax = (A'y)'x <= max over the box, while every feasible row activity r has y'r >= min over the row box; a
// positive gap between the two is a contradiction. Only y is used; the bound duals follow from it.
inline Farkas primal_infeasibility(const Problem& p, const std::vector<double>& y_stored) {
  Farkas f;
  const double sign = p.maximize ? -1.0 : 1.0;
  std::vector<double> y(y_stored.size());
  for (size_t i = 0; i < y.size(); ++i) y[i] = sign * y_stored[i];
  const double ynorm = inf_norm(y);
  if (ynorm == 0 || !std::isfinite(ynorm)) {
    f.residual = INFINITY;
    return f;
  }
  const double anorm = std::max(1.0, inf_norm(p.val));
  std::vector<double> z = at_times(p, y);
  double low = 0, high = 0, res = 0;
  for (int i = 0; i < p.m; ++i) {
    if (y[i] > 0) {
      if (has_lower(p.bkc[i])) low += y[i] * p.blc[i];
      else res = std::max(res, y[i] / ynorm);
    } else if (y[i] < 0) {
      if (has_upper(p.bkc[i])) low += y[i] * p.buc[i];
      else res = std::max(res, -y[i] / ynorm);
    }
  }
  for (int j = 0; j < p.n; ++j) {
    if (z[j] > 0) {
      if (has_upper(p.bkx[j])) high += z[j] * p.bux[j];
      else res = std::max(res, z[j] / (ynorm * anorm));
    } else if (z[j] < 0) {
      if (has_lower(p.bkx[j])) high += z[j] * p.blx[j];
      else res = std::max(res, -z[j] / (ynorm * anorm));
    }
  }
  f.measure = (low - high) / (ynorm * (1 + bound_norm(p)));
  f.residual = res;
  return f;
}

// Checks x as a proof that the objective is unbounded below on the feasible set, were it nonempty: x is a
// direction of the recession cone (A x and x keep away from every finite bound, Q x = 0) along which c'x falls.
// The measure is -c'x over |x| (1 + |c|) (turned round for a maximization); the residual is the largest step
// towards a finite bound over |x| (1 + |A|).
inline Farkas dual_infeasibility(const Problem& p, const std::vector<double>& x) {
  Farkas f;
  const double xnorm = inf_norm(x);
  if (xnorm == 0 || !std::isfinite(xnorm)) {
    f.residual = INFINITY;
    return f;
  }
  const double scale = xnorm * std::max(1.0, inf_norm(p.val));
  std::vector<double> ax = a_times(p, x);
  double res = 0;
  auto direction = [&](ZRVboundkeye bk, double d, double norm) {
    if (has_lower(bk)) res = std::max(res, -d / norm);
    if (has_upper(bk)) res = std::max(res, d / norm);
  };
  for (int i = 0; i < p.m; ++i) direction(p.bkc[i], ax[i], scale);
  for (int j = 0; j < p.n; ++j) direction(p.bkx[j], x[j], xnorm);
  if (!p.qv.empty()) res = std::max(res, inf_norm(q_times(p, x)) / scale);
  double cx = 0;
  for (int j = 0; j < p.n; ++j) cx += p.c[j] * x[j];
  f.measure = (p.maximize ? cx : -cx) / (xnorm * (1 + inf_norm(p.c)));
  f.residual = res;
  return f;
}

}  // namespace solcheck
