// Set-up of the homogeneous algorithm's problem: scaling, bound classification, slack columns, shifts.
#include "homo/model.h"

#include <algorithm>
#include <cmath>

#include "optimize/outcome.h"

namespace zrv::homo {

namespace {

double pow2_round(double v) {
  if (!(v > 0) || !std::isfinite(v)) return 1.0;
  int e = 0;
  std::frexp(v, &e);  // v = f 2^e, f in [0.5, 1)
  const double lo = std::ldexp(1.0, e - 1);
  return (v / lo < std::sqrt(2.0)) ? lo : std::ldexp(1.0, e);
}

// Ranges (largest over smallest nonzero magnitude) of a CSC matrix's entries before and after row and column
// scale factors; 0 for a matrix without nonzeros.
struct Ranges {
  double before = 0, after = 0;
};
Ranges entry_ranges(int32_t n, const int64_t* cp, const int32_t* ri, const double* x, const std::vector<double>& rs,
                    const std::vector<double>& cs) {
  double mx0 = 0, mn0 = HUGE_VAL, mx1 = 0, mn1 = HUGE_VAL;
  for (int32_t j = 0; j < n; ++j)
    for (int64_t p = cp[j]; p < cp[j + 1]; ++p) {
      const double a = std::fabs(x[p]);
      if (a == 0) continue;
      const double b = a * rs[ri[p]] * cs[j];
      mx0 = std::max(mx0, a);
      mn0 = std::min(mn0, a);
      mx1 = std::max(mx1, b);
      mn1 = std::min(mn1, b);
    }
  Ranges r;
  if (mx0 > 0) {
    r.before = mx0 / mn0;
    r.after = mx1 / mn1;
  }
  return r;
}

}  // namespace

void scale_factors(int32_t m, int32_t n, const int64_t* ap, const int32_t* ai, const double* ax, int passes,
                   std::vector<double>* rsp, std::vector<double>* csp) {
  std::vector<double>& rs = *rsp;
  std::vector<double>& cs = *csp;
  rs.assign(m, 1.0);
  cs.assign(n, 1.0);
  std::vector<double> rmax(m), rmin(m);
  // Geometric-mean passes: each row (then column) is divided by sqrt(max |a| * min |a|) of its scaled entries.
  for (int pass = 0; pass < passes; ++pass) {
    std::fill(rmax.begin(), rmax.end(), 0.0);
    std::fill(rmin.begin(), rmin.end(), HUGE_VAL);
    for (int32_t j = 0; j < n; ++j)
      for (int64_t p = ap[j]; p < ap[j + 1]; ++p) {
        const double a = std::fabs(ax[p]) * cs[j];
        rmax[ai[p]] = std::max(rmax[ai[p]], a);
        rmin[ai[p]] = std::min(rmin[ai[p]], a);
      }
    for (int32_t i = 0; i < m; ++i)
      if (rmax[i] > 0) rs[i] = 1.0 / std::sqrt(rmax[i] * rmin[i]);
    for (int32_t j = 0; j < n; ++j) {
      double mx = 0, mn = HUGE_VAL;
      for (int64_t p = ap[j]; p < ap[j + 1]; ++p) {
        const double a = std::fabs(ax[p]) * rs[ai[p]];
        mx = std::max(mx, a);
        mn = std::min(mn, a);
      }
      if (mx > 0) cs[j] = 1.0 / std::sqrt(mx * mn);
    }
  }
  // Powers of two keep the scaled data exact.
  for (double& r : rs) r = pow2_round(r);
  for (double& c : cs) c = pow2_round(c);
}

int build_model(const opt::ProbView& v, int scaling, Model* Mp) {
  Model& M = *Mp;
  const int32_t m0 = v.m, n0 = v.n;
  M = Model();
  M.m0 = m0;
  M.n0 = n0;
  if (scaling > 0)
    scale_factors(m0, n0, v.ap.data(), v.ai.data(), v.ax.data(), scaling >= 2 ? 8 : 4, &M.rs, &M.cs);
  // Moderate scaling is kept only when it narrows the range of |a| (largest over smallest nonzero) at least
  // tenfold: on a matrix whose entries are already of similar sizes the geometric passes gain nothing for A and
  // move the sizes of b, c and the bounds against each other, which costs iterations (three times as many on some
  // staircase and grid models).
  if (scaling == 1) {
    const Ranges ra = entry_ranges(n0, v.ap.data(), v.ai.data(), v.ax.data(), M.rs, M.cs);
    if (ra.before > 0 && ra.after > 0.1 * ra.before) scaling = 0;
    // Q is scaled by the column factors on both sides: factors that tame columns of A spanning dozens of orders
    // of magnitude can spread Q over dozens more (KSIP, HUESTIS: its range grows from 1-20 to 1e25-1e29 and the
    // run needs 90-400 iterations, against 10-14 unscaled).  Such a scaling is dropped.
    if (scaling == 1 && v.has_q()) {
      const Ranges rq = entry_ranges(n0, v.qp.data(), v.qi.data(), v.qx.data(), M.cs, M.cs);
      if (rq.before > 0 && rq.after > 1e10 * rq.before) scaling = 0;
    }
  }
  if (scaling <= 0) {
    M.rs.assign(m0, 1.0);
    M.cs.assign(n0, 1.0);
  }
  const bool hasq = v.has_q();
  if (hasq)
    for (int32_t j = 0; j < n0; ++j)
      for (int64_t p = v.qp[j]; p < v.qp[j + 1]; ++p)
        if (v.qi[p] == j && v.qx[p] < 0) return opt::OUT_NONCONVEX;

  // internal rows
  M.row_of_con.assign(m0, -1);
  int32_t m = 0;
  for (int32_t i = 0; i < m0; ++i)
    if (std::isfinite(v.blc[i]) || std::isfinite(v.buc[i])) M.row_of_con[i] = m++;
  M.m = m;
  M.b.assign(m, 0.0);

  // Classifies one item with scaled bounds [l, h]: returns false when fixed (value l).
  auto classify = [&](double l, double h, int8_t* kind, double* shift, int8_t* sign, double* width) {
    *width = 0;
    if (l == h) return false;
    const bool fl = std::isfinite(l), fh = std::isfinite(h);
    if (!fl && !fh) {
      *kind = COL_FREE; *shift = 0; *sign = 1;
    } else if (fl && !fh) {
      *kind = COL_LOWER; *shift = l; *sign = 1;
    } else if (!fl) {
      *kind = COL_LOWER; *shift = h; *sign = -1;
    } else {
      *kind = COL_RANGED; *shift = l; *sign = 1; *width = h - l;
    }
    return true;
  };

  // internal columns: the view's non-fixed columns in order, then the slacks of the rows with two different sides
  M.col_of_var.assign(n0, -1);
  M.col_of_row.assign(m0, -1);
  M.fixval.assign(n0, 0.0);
  std::vector<double> xfix_scaled(n0, 0.0);  // scaled value of every column's shift (fixed or not)
  int32_t n = 0;
  for (int32_t j = 0; j < n0; ++j) {
    const double l = v.blx[j] / M.cs[j], h = v.bux[j] / M.cs[j];
    int8_t kind, sign;
    double shift, width;
    if (!classify(l, h, &kind, &shift, &sign, &width) || v.blx[j] == v.bux[j]) {
      M.fixval[j] = v.blx[j];
      xfix_scaled[j] = v.blx[j] / M.cs[j];
      continue;
    }
    M.col_of_var[j] = n++;
    M.kind.push_back(kind);
    M.shift.push_back(shift);
    M.sign.push_back(sign);
    M.u.push_back(width);
    xfix_scaled[j] = shift;
  }
  const int32_t nvar = n;
  for (int32_t i = 0; i < m0; ++i) {
    const int32_t r = M.row_of_con[i];
    if (r < 0) continue;
    const double l = v.blc[i] * M.rs[i], h = v.buc[i] * M.rs[i];
    int8_t kind, sign;
    double shift, width;
    if (v.blc[i] == v.buc[i] || !classify(l, h, &kind, &shift, &sign, &width)) {
      M.b[r] = v.blc[i] * M.rs[i];
      continue;
    }
    M.col_of_row[i] = n++;
    M.kind.push_back(kind);
    M.shift.push_back(shift);
    M.sign.push_back(sign);
    M.u.push_back(width);
    // a'x - r = 0 with r = shift + sign r'  =>  a'x - sign r' = shift
    M.b[r] = shift;
  }
  M.n = n;

  // A: scaled, signed, fixed columns moved into b
  M.ap.assign(n + 1, 0);
  M.ai.reserve(v.ap.empty() ? 0 : v.ap[n0]);
  M.ax.reserve(v.ap.empty() ? 0 : v.ap[n0]);
  for (int32_t j = 0; j < n0; ++j) {
    const int32_t k = M.col_of_var[j];
    for (int64_t p = v.ap[j]; p < v.ap[j + 1]; ++p) {
      const int32_t r = M.row_of_con[v.ai[p]];
      if (r < 0) continue;
      const double a = v.ax[p] * M.rs[v.ai[p]] * M.cs[j];
      M.b[r] -= a * xfix_scaled[j];
      if (k >= 0) {
        M.ai.push_back(r);
        M.ax.push_back(a * M.sign[k]);
      }
    }
    if (k >= 0) M.ap[k + 1] = (int64_t)M.ai.size();
  }
  for (int32_t i = 0; i < m0; ++i) {
    const int32_t k = M.col_of_row[i];
    if (k < 0) continue;
    M.ai.push_back(M.row_of_con[i]);
    M.ax.push_back(-(double)M.sign[k]);
    M.ap[k + 1] = (int64_t)M.ai.size();
  }

  // objective: scaled c, plus Q times the shifts; Q restricted to the internal columns with the signs applied
  std::vector<double> cv(n0);
  for (int32_t j = 0; j < n0; ++j) cv[j] = v.c[j] * M.cs[j];
  double oc = v.cfix;
  for (int32_t j = 0; j < n0; ++j) oc += cv[j] * xfix_scaled[j];
  std::vector<double> qo(n0, 0.0);  // scaled Q times the shifts
  M.qdiag.assign(n, 0.0);
  if (hasq) {
    M.hasq = true;
    M.qp.assign(n + 1, 0);
    for (int32_t j = 0; j < n0; ++j) {
      const int32_t kj = M.col_of_var[j];
      for (int64_t p = v.qp[j]; p < v.qp[j + 1]; ++p) {
        const int32_t i = v.qi[p];
        const double q = v.qx[p] * M.cs[i] * M.cs[j];
        if (i == j) {
          qo[j] += q * xfix_scaled[j];
          oc += 0.5 * q * xfix_scaled[j] * xfix_scaled[j];
        } else {
          qo[i] += q * xfix_scaled[j];
          qo[j] += q * xfix_scaled[i];
          oc += q * xfix_scaled[i] * xfix_scaled[j];
        }
        const int32_t ki = M.col_of_var[i];
        if (ki >= 0 && kj >= 0 && q != 0.0) {
          M.qi.push_back(ki);
          M.qx.push_back(q * M.sign[ki] * M.sign[kj]);
          if (ki == kj) M.qdiag[kj] += q;
          else M.qoffdiag = true;
        }
      }
      if (kj >= 0) M.qp[kj + 1] = (int64_t)M.qi.size();
    }
    for (int32_t k = nvar; k < n; ++k) M.qp[k + 1] = M.qp[k];
    // columns of fixed variables left gaps: make qp cumulative
    for (int32_t k = 1; k <= n; ++k) M.qp[k] = std::max(M.qp[k], M.qp[k - 1]);
    if (M.qi.empty()) {
      M.hasq = false;
      M.qp.clear();
    }
  }
  M.c.assign(n, 0.0);
  for (int32_t j = 0; j < n0; ++j) {
    const int32_t k = M.col_of_var[j];
    if (k >= 0) M.c[k] = M.sign[k] * (cv[j] + qo[j]);
  }
  M.obj_const = oc;
  // ap of the A part may also have gaps where rows were dropped: none (each internal column set its own end)

  for (int32_t k = 0; k < n; ++k) {
    if (M.kind[k] == COL_FREE) ++M.nfree;
    if (M.kind[k] == COL_RANGED) ++M.nranged;
  }
  M.ncomp = (n - M.nfree) + M.nranged + 1;
  // size normalization of b, u and c (Q by bp / bd, so that the objective is divided by bp * bd)
  for (double x : M.b) M.bp = std::max(M.bp, std::fabs(x));
  for (double x : M.u) M.bp = std::max(M.bp, std::fabs(x));
  for (double x : M.c) M.bd = std::max(M.bd, std::fabs(x));
  for (double& x : M.b) x /= M.bp;
  for (double& x : M.u) x /= M.bp;
  for (double& x : M.c) x /= M.bd;
  for (double& x : M.qx) x *= M.bp / M.bd;
  for (double& x : M.qdiag) x *= M.bp / M.bd;
  M.rowsc.assign(m, 1.0);
  for (int32_t i = 0; i < m0; ++i)
    if (M.row_of_con[i] >= 0) M.rowsc[M.row_of_con[i]] = M.rs[i];
  M.colsc.assign(n, 1.0);
  for (int32_t j = 0; j < n0; ++j)
    if (M.col_of_var[j] >= 0) M.colsc[M.col_of_var[j]] = M.cs[j];
  for (int32_t i = 0; i < m0; ++i)
    if (M.col_of_row[i] >= 0) M.colsc[M.col_of_row[i]] = 1.0 / M.rs[i];
  for (int32_t i = 0; i < m; ++i) M.nb = std::max(M.nb, M.bp * std::fabs(M.b[i]) / M.rowsc[i]);
  for (int32_t k = 0; k < n; ++k) M.nc = std::max(M.nc, M.bd * std::fabs(M.c[k]) / M.colsc[k]);
  for (int32_t k = 0; k < n; ++k) M.nu = std::max(M.nu, M.bp * std::fabs(M.u[k]) * M.colsc[k]);
  M.np = std::max(M.nb, M.nu);
  M.nd = M.nc;
  return 0;
}

}  // namespace zrv::homo
