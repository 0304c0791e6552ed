// Independent checks of what the homogeneous engine returns, recomputed from the problem view alone: primal and
// dual violations of a solution, and the two kinds of infeasibility certificates.  Shared by the tests and the
// instance runner (bench/hsd).
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/known_values.h"
#include "optimize/ipview.h"

namespace hsdcheck {

using zrv::opt::IpResult;
using zrv::opt::ProbView;

inline double inf_norm(const std::vector<double>& v) {
  double r = 0;
  for (double x : v) r = std::max(r, std::fabs(x));
  return r;
}
inline double finite_norm(const std::vector<double>& v) {
  double r = 0;
  for (double x : v)
    if (std::isfinite(x)) r = std::max(r, std::fabs(x));
  return r;
}

// Q x from the lower triangle.
inline std::vector<double> qmul(const ProbView& v, const std::vector<double>& x) {
  std::vector<double> r(v.n, 0.0);
  if (!v.has_q()) return r;
  for (int32_t j = 0; j < v.n; ++j)
    for (int64_t p = v.qp[j]; p < v.qp[j + 1]; ++p) {
      const int32_t i = v.qi[p];
      r[i] += v.qx[p] * x[j];
      if (i != j) r[j] += v.qx[p] * x[i];
    }
  return r;
}

inline std::vector<double> amul(const ProbView& v, const std::vector<double>& x) {
  std::vector<double> r(v.m, 0.0);
  for (int32_t j = 0; j < v.n; ++j)
    for (int64_t p = v.ap[j]; p < v.ap[j + 1]; ++p) r[v.ai[p]] += v.ax[p] * x[j];
  return r;
}

inline std::vector<double> atmul(const ProbView& v, const std::vector<double>& y) {
  std::vector<double> r(v.n, 0.0);
  for (int32_t j = 0; j < v.n; ++j)
    for (int64_t p = v.ap[j]; p < v.ap[j + 1]; ++p) r[j] += v.ax[p] * y[v.ai[p]];
  return r;
}

inline double objective(const ProbView& v, const std::vector<double>& x) {
  const std::vector<double> qx = qmul(v, x);
  double o = v.cfix;
  for (int32_t j = 0; j < v.n; ++j) o += v.c[j] * x[j] + 0.5 * x[j] * qx[j];
  return o;
}

// Bound violation of value x against [w l, w u].
inline double bviol(double x, double l, double u, double w) {
  double r = 0;
  if (std::isfinite(l)) r = std::max(r, w * l - x);
  if (std::isfinite(u)) r = std::max(r, x - w * u);
  return r;
}

struct Quality {
  double pobj = 0, dobj = 0;
  double pviol = 0, dviol = 0;  // absolute
  double prel = 0, drel = 0;    // relative to 1 + the data norms
};

// A solution: primal violations of x (bounds, rows through A x computed here), dual violations of
// c + Q x - A'y = slx - sux and y = slc - suc, bound duals on absent bounds and negative bound duals.
inline Quality solution_quality(const ProbView& v, const IpResult& r) {
  Quality q;
  const std::vector<double> ax = amul(v, r.xx), qx = qmul(v, r.xx), aty = atmul(v, r.y);
  for (int32_t j = 0; j < v.n; ++j) q.pviol = std::max(q.pviol, bviol(r.xx[j], v.blx[j], v.bux[j], 1.0));
  for (int32_t i = 0; i < v.m; ++i) q.pviol = std::max(q.pviol, bviol(ax[i], v.blc[i], v.buc[i], 1.0));
  double dobj = v.cfix;
  for (int32_t j = 0; j < v.n; ++j) {
    q.dviol = std::max(q.dviol, std::fabs(v.c[j] + qx[j] - aty[j] - (r.slx[j] - r.sux[j])));
    q.dviol = std::max({q.dviol, -r.slx[j], -r.sux[j]});
    if (!std::isfinite(v.blx[j])) q.dviol = std::max(q.dviol, r.slx[j]);
    else dobj += v.blx[j] * r.slx[j];
    if (!std::isfinite(v.bux[j])) q.dviol = std::max(q.dviol, r.sux[j]);
    else dobj -= v.bux[j] * r.sux[j];
    dobj -= 0.5 * r.xx[j] * qx[j];
  }
  for (int32_t i = 0; i < v.m; ++i) {
    q.dviol = std::max(q.dviol, std::fabs(r.y[i] - (r.slc[i] - r.suc[i])));
    q.dviol = std::max({q.dviol, -r.slc[i], -r.suc[i]});
    if (!std::isfinite(v.blc[i])) q.dviol = std::max(q.dviol, r.slc[i]);
    else dobj += v.blc[i] * r.slc[i];
    if (!std::isfinite(v.buc[i])) q.dviol = std::max(q.dviol, r.suc[i]);
    else dobj -= v.buc[i] * r.suc[i];
  }
  q.pobj = objective(v, r.xx);
  q.dobj = dobj;
  const double nbnd = std::max({finite_norm(v.blc), finite_norm(v.buc), finite_norm(v.blx), finite_norm(v.bux)});
  q.prel = q.pviol / (1.0 + nbnd);
  q.drel = q.dviol / (1.0 + inf_norm(v.c));
  return q;
}

// Primal infeasibility certificate (y, slc, suc, slx, sux): A'y + slx - sux = 0 and y = slc - suc, duals >= 0 and
// zero on absent bounds; returns the dual value blc'slc - buc'suc + blx'slx - bux'sux (positive for a certificate)
// and the violation of the equations relative to the largest dual entry.
inline double primal_certificate(const ProbView& v, const IpResult& r, double* relviol) {
  const std::vector<double> aty = atmul(v, r.y);
  double viol = 0, val = 0, big = 0;
  for (int32_t j = 0; j < v.n; ++j) {
    viol = std::max(viol, std::fabs(aty[j] + r.slx[j] - r.sux[j]));
    viol = std::max({viol, -r.slx[j], -r.sux[j]});
    if (std::isfinite(v.blx[j])) val += v.blx[j] * r.slx[j];
    else viol = std::max(viol, r.slx[j]);
    if (std::isfinite(v.bux[j])) val -= v.bux[j] * r.sux[j];
    else viol = std::max(viol, r.sux[j]);
    big = std::max({big, r.slx[j], r.sux[j]});
  }
  for (int32_t i = 0; i < v.m; ++i) {
    viol = std::max(viol, std::fabs(r.y[i] - (r.slc[i] - r.suc[i])));
    viol = std::max({viol, -r.slc[i], -r.suc[i]});
    if (std::isfinite(v.blc[i])) val += v.blc[i] * r.slc[i];
    else viol = std::max(viol, r.slc[i]);
    if (std::isfinite(v.buc[i])) val -= v.buc[i] * r.suc[i];
    else viol = std::max(viol, r.suc[i]);
    big = std::max({big, r.slc[i], r.suc[i]});
  }
  *relviol = big > 0 ? viol / big : 1.0;
  return val;
}

// Dual infeasibility certificate x: A x within the homogenized row bounds, x within the homogenized variable
// bounds, Q x = 0; returns c'x (negative for a certificate) and the violation relative to the largest |x_j|.
inline double dual_certificate(const ProbView& v, const IpResult& r, double* relviol) {
  const std::vector<double> ax = amul(v, r.xx), qx = qmul(v, r.xx);
  double viol = 0, cx = 0;
  for (int32_t j = 0; j < v.n; ++j) {
    viol = std::max({viol, bviol(r.xx[j], v.blx[j], v.bux[j], 0.0), std::fabs(qx[j])});
    cx += v.c[j] * r.xx[j];
  }
  for (int32_t i = 0; i < v.m; ++i) viol = std::max(viol, bviol(ax[i], v.blc[i], v.buc[i], 0.0));
  const double big = inf_norm(r.xx);
  *relviol = big > 0 ? viol / big : 1.0;
  return cx;
}

// Known optimal values of a data folder: name -> value (instances listed without a value are left out).
inline std::map<std::string, double> known_values(const std::string& csv) {
  std::map<std::string, double> out;
  for (const auto& [name, k] : zrvdata::read_values(csv))
    if (k.has_value) out[name] = k.value;
  return out;
}

}  // namespace hsdcheck
