// Contributions of quadratic terms, cones and matrix variables to the objective values and violations of a
// solution. Matrix-variable values are packed lower triangles, column by column.

#include <algorithm>
#include <cmath>
#include <vector>

#include "math/dense.h"
#include "zirva/conedata.h"
#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

namespace {

// x'Qx of lower-triangle triplets.
double quad_form(const QuadView& q, const double* x) {
  double s = 0.0;
  for (int64_t k = 0; k < q.nz; ++k) {
    int32_t i = q.subi[k], j = q.subj[k];
    s += (i == j ? 1.0 : 2.0) * q.val[k] * x[i] * x[j];
  }
  return s;
}

// g += alpha Q x.
void quad_times(const QuadView& q, const double* x, double alpha, double* g) {
  for (int64_t k = 0; k < q.nz; ++k) {
    int32_t i = q.subi[k], j = q.subj[k];
    g[i] += alpha * q.val[k] * x[j];
    if (i != j) g[j] += alpha * q.val[k] * x[i];
  }
}

bool any_constraint_terms(const ZRVtask_s* t) { return quad_has_constraint_terms(t); }

// Position of (i, j), i >= j, in the packed lower triangle of a d x d matrix.
inline int64_t packed(int64_t d, int64_t i, int64_t j) { return j * d - j * (j - 1) / 2 + (i - j); }

// <E_k, X> for the symmetric matrix k of the store and a packed X.
double inner_sym(const SymMatStore& s, int64_t k, int64_t d, const double* x) {
  double v = 0.0;
  for (int64_t p = s.start[static_cast<size_t>(k)]; p < s.start[static_cast<size_t>(k) + 1]; ++p) {
    int32_t a = s.subi[static_cast<size_t>(p)], b = s.subj[static_cast<size_t>(p)];
    v += (a == b ? 1.0 : 2.0) * s.val[static_cast<size_t>(p)] * x[packed(d, a, b)];
  }
  return v;
}

// Adds alpha * sum of the entry's weighted matrices into the packed triangle m.
void add_entry(const ConeData& c, const BarEntry& e, const BarTable& tab, int64_t d, double alpha, double* m) {
  const int64_t* sub = tab.sub(e);
  const double* w = tab.weight(e);
  for (int64_t q = 0; q < e.num; ++q) {
    size_t k = static_cast<size_t>(sub[q]);
    for (int64_t p = c.sym.start[k]; p < c.sym.start[k + 1]; ++p)
      m[packed(d, c.sym.subi[static_cast<size_t>(p)], c.sym.subj[static_cast<size_t>(p)])] +=
          alpha * w[q] * c.sym.val[static_cast<size_t>(p)];
  }
}

int64_t barvar_offset(const ConeData& c, int32_t j) {
  int64_t off = 0;
  for (int32_t q = 0; q < j; ++q) off += static_cast<int64_t>(c.bardim[static_cast<size_t>(q)]) * (c.bardim[static_cast<size_t>(q)] + 1) / 2;
  return off;
}

// Smallest eigenvalue of a packed symmetric matrix (0 for an empty one).
double min_eigenvalue(int64_t d, const double* packed_lower) {
  if (d <= 0) return 0.0;
  if (d == 1) return packed_lower[0];
  std::vector<double> a(static_cast<size_t>(d * d), 0.0), w(static_cast<size_t>(d));
  for (int64_t j = 0; j < d; ++j)
    for (int64_t i = j; i < d; ++i) a[static_cast<size_t>(j * d + i)] = packed_lower[packed(d, i, j)];
  const int n = static_cast<int>(d);
  if (math::lapack_dsyev_values(n, a.data(), n, w.data()) != 0) return -INFINITY;
  return w[0];
}

// Distance of the vector v (members of one cone) from the cone of type `type`.
double cone_violation(int32_t type, const std::vector<double>& v) {
  if (v.empty()) return 0.0;
  if (type == ZRV_CT_QUAD) {
    double s = 0.0;
    for (size_t q = 1; q < v.size(); ++q) s += v[q] * v[q];
    return std::max(0.0, std::sqrt(s) - v[0]);
  }
  // Rotated: 2 x1 x2 >= sum of the rest, x1, x2 >= 0, seen as a quadratic cone in rotated coordinates.
  if (v.size() < 2) return std::max(0.0, -v[0]);
  double head = (v[0] + v[1]) / std::sqrt(2.0), d = (v[0] - v[1]) / std::sqrt(2.0);
  double s = d * d;
  for (size_t q = 2; q < v.size(); ++q) s += v[q] * v[q];
  return std::max(0.0, std::sqrt(s) - head);
}

std::vector<double> members(const ZRVtask_s* t, int32_t k, const double* x) {
  const ConeData& c = *t->cones;
  std::vector<double> v(static_cast<size_t>(c.cnum[static_cast<size_t>(k)]));
  for (int32_t q = 0; q < c.cnum[static_cast<size_t>(k)]; ++q)
    v[static_cast<size_t>(q)] = x[c.pool[static_cast<size_t>(c.cfirst[static_cast<size_t>(k)] + q)]];
  return v;
}

}  // namespace

double quad_objective_value(ZRVtask_s* t, const double* xx) { return 0.5 * quad_form(quad_objective(t), xx); }

void quad_constraint_add(ZRVtask_s* t, const double* xx, double* r) {
  if (!any_constraint_terms(t)) return;
  for (int32_t i = 0; i < t->prob->numcon; ++i) {
    QuadView q = quad_constraint(t, i);
    if (q.nz) r[i] += 0.5 * quad_form(q, xx);
  }
}

void quad_gradient_add(ZRVtask_s* t, const double* xx, const double* y, double w, double* g) {
  quad_times(quad_objective(t), xx, w, g);
  if (!any_constraint_terms(t) || !y) return;
  for (int32_t i = 0; i < t->prob->numcon; ++i) {
    QuadView q = quad_constraint(t, i);
    if (q.nz && y[i] != 0.0) quad_times(q, xx, -y[i], g);
  }
}

double quad_dual_objective_term(ZRVtask_s* t, const double* xx, const double* y) {
  double v = -0.5 * quad_form(quad_objective(t), xx);
  if (any_constraint_terms(t) && y) {
    for (int32_t i = 0; i < t->prob->numcon; ++i) {
      QuadView q = quad_constraint(t, i);
      if (q.nz && y[i] != 0.0) v += 0.5 * y[i] * quad_form(q, xx);
    }
  }
  return v;
}

double cone_primal_violation(ZRVtask_s* t, int32_t k, const double* xx) {
  return cone_violation(t->cones->ctype[static_cast<size_t>(k)], members(t, k, xx));
}

double cone_dual_violation(ZRVtask_s* t, int32_t k, const double* snx) {
  // Both cone types are self-dual.
  return cone_violation(t->cones->ctype[static_cast<size_t>(k)], members(t, k, snx));
}

double barvar_objective_value(ZRVtask_s* t, const double* barx) {
  const ConeData& c = *t->cones;
  if (c.numbarvar == 0 || c.barc.live() == 0) return 0.0;
  double v = 0.0;
  for (int64_t idx = 0; idx < c.barc.slots(); ++idx) {
    const BarEntry* e = c.barc.entry(idx);
    if (!e) continue;
    int64_t d = c.bardim[static_cast<size_t>(e->j)];
    const double* x = barx + barvar_offset(c, e->j);
    for (int64_t q = 0; q < e->num; ++q) v += c.barc.weight(*e)[q] * inner_sym(c.sym, c.barc.sub(*e)[q], d, x);
  }
  return v;
}

void barvar_constraint_add(ZRVtask_s* t, const double* barx, double* r) {
  const ConeData& c = *t->cones;
  if (c.numbarvar == 0 || c.bara.live() == 0) return;
  for (int64_t idx = 0; idx < c.bara.slots(); ++idx) {
    const BarEntry* e = c.bara.entry(idx);
    if (!e) continue;
    int64_t d = c.bardim[static_cast<size_t>(e->j)];
    const double* x = barx + barvar_offset(c, e->j);
    double s = 0.0;
    for (int64_t q = 0; q < e->num; ++q) s += c.bara.weight(*e)[q] * inner_sym(c.sym, c.bara.sub(*e)[q], d, x);
    r[e->i] += s;
  }
}

double barvar_primal_violation(ZRVtask_s* t, int32_t j, const double* barxj) {
  int64_t d = t->cones->bardim[static_cast<size_t>(j)];
  return std::max(0.0, -min_eigenvalue(d, barxj));
}

double barvar_dual_violation(ZRVtask_s* t, int32_t j, double w, const double* y, const double* barsj) {
  const ConeData& c = *t->cones;
  int64_t d = c.bardim[static_cast<size_t>(j)];
  // S_j = w C_j - sum_i y_i A_ij; the violation is the larger of the mismatch with bars_j and its distance
  // from the semidefinite cone.
  std::vector<double> s(static_cast<size_t>(d * (d + 1) / 2), 0.0);
  for (int64_t idx = 0; idx < c.barc.slots(); ++idx) {
    const BarEntry* e = c.barc.entry(idx);
    if (e && e->j == j) add_entry(c, *e, c.barc, d, w, s.data());
  }
  for (int64_t idx = 0; idx < c.bara.slots() && y; ++idx) {
    const BarEntry* e = c.bara.entry(idx);
    if (e && e->j == j && y[e->i] != 0.0) add_entry(c, *e, c.bara, d, -y[e->i], s.data());
  }
  double mismatch = 0.0;
  for (size_t q = 0; q < s.size(); ++q) mismatch = std::max(mismatch, std::fabs(s[q] - barsj[q]));
  return std::max(mismatch, std::max(0.0, -min_eigenvalue(d, barsj)));
}

}  // namespace zrv
