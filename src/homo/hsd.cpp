// Homogeneous self-dual interior-point method for linear and convex quadratic problems.
//
// The embedding of the internal problem (homo/model.h) in the variables (x, w, s, z, y, tau, kappa):
//
//   A x                 = b tau              rp = b tau - A x
//   x_U + w             = u tau              ru = u tau - x_U - w          (U: ranged columns)
//   A'y + s - z - Q x   = c tau              rd = c tau + Q x - A'y - s + z
//   c'x + x'Qx/tau - b'y + u'z + kappa = 0   G  (the gap row)
//   x_j s_j = 0 (non-free j), w_j z_j = 0 (j in U), tau kappa = 0.
//
// A Newton step with residual weight eta and complementarity targets (rxs, rwz, rtk) is reduced to
//   [-(Q + D) A'; A 0] [dx; dy] = [r1 + ch dtau; r2 + b dtau],   D = X^-1 S + W^-1 Z,  ch = c - W^-1 Z u,
// solved as (p, q) for [r1; r2] plus dtau times (p0, q0) for [ch; b]; dtau follows from the gap row.  The
// matrix is factored once per iteration: normal equations A (Q + D)^-1 A' when Q is diagonal (or absent),
// the augmented quasi-definite system otherwise.  Free columns have no slack, so their diagonal gets a small
// primal regularization: it keeps the normal equations defined without splitting x = x+ - x- (a split makes
// both halves grow without bound and ruins the conditioning).
#include "homo/hsd.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

#include "homo/model.h"
#include "kfac/kktfac.h"
#include "zirva.h"

namespace zrv::homo {

namespace {

using opt::IpControl;
using opt::IpHooks;
using opt::IpProgress;
using opt::IpResult;
using opt::ProbView;

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

enum Verdict { V_NONE = 0, V_OPT, V_DINF, V_PINF };

// A certificate must also satisfy its own equations to this fraction of its size: with a huge |c'x| (or b'y)
// the ratio tests alone accept directions whose residual is far from negligible.
constexpr double CERT_REL = 1e-8;

enum Final { F_UNKNOWN = 0, F_OPT, F_NEAR_OPT, F_DINF, F_NEAR_DINF, F_PINF, F_NEAR_PINF };

struct Point {
  std::vector<double> x, w, s, z, y;
  double tau = 1, kappa = 1;
  void resize(int32_t m, int32_t n) {
    x.assign(n, 0.0); w.assign(n, 0.0); s.assign(n, 0.0); z.assign(n, 0.0); y.assign(m, 0.0);
  }
};

// Measures of the current iterate (internal, scaled problem).
struct Measures {
  double pfeas = 0, dfeas = 0, gfeas = 0, G = 0, mu = 0, cgap = 0;
  double cx = 0, by = 0, xqx = 0, pobj = 0, dobj = 0, relgap = 0, absgap = 0;
  double pfeasinf = 0, dfeasinf = 0;
  double xnorm = 0, ynorm = 0;
  bool finite = true;
};

class Engine {
 public:
  Engine(const ProbView& v, const IpControl& c, const IpHooks& h, IpResult* r) : V(v), C(c), H(h), R(r) {}
  int run();

 private:
  // data products
  void mul_a(const double* x, double* out) const;
  void mul_at(const double* y, double* out) const;
  void mul_q(const double* x, double* out) const;
  void measure();
  Verdict term_test(int g, int r, double relax, bool near_only) const;
  Final relaxed_verdict() const;
  double merit() const;
  int factorize();
  void solve_kkt(const double* r1, const double* r2, double* dx, double* dy);
  void solve_normal(const double* r1, const double* r2, double* dx, double* dy, int inner_refine = -1);
  void direction(double eta, const std::vector<double>& rxs, const std::vector<double>& rwz, double rtk, Point* d);
  void max_steps(const Point& d, double* ap, double* ad) const;
  double products_min(const Point& d, double ap, double ad, double* mu_new, double kap = -1.0) const;
  double dual_rescale(const Point& d, double ap, double ad) const;
  double split_kappa(const Point& d, double ap, double ad, double eta) const;
  void start_point();
  void iterate(Final* fin, int* outcome);
  void feasibility_pass(Final* fin, int* outcome);
  void constant_start(double ps, double ds);
  void least_squares_start(double ps, double ds);
  int notify(int event);
  void finish(Final f, int outcome);
  void check_bounds(bool* bad);
  bool valid_data() const;

  const ProbView& V;
  const IpControl& C;
  const IpHooks& H;
  IpResult* R;
  Model M;
  kfac::KktFactor K;
  kfac::KktStats KS;
  bool use_kkt = false;  // the factor exists (dimension > 0)
  Point it, prev, dir, cor;
  std::vector<double> Ax, Aty, Qx, rp, ru, rd;
  std::vector<double> dinv, dvec, ch, ch2, p0, q0, r1, r2, tmp_n, tmp_m, sol;
  std::vector<double> rxs, rwz;
  std::vector<double> rowsc, axs;  // row scaling of the normal equations, scaled A values
  std::vector<double> htrue, e1, e2, ddx, ddy;  // refinement against the full system
  int refine_steps = 2;
  // Accuracy the directions of this iteration need (see iterate): refinement stops once the block residuals of
  // a direction are below these (measured in the view's units); while that holds, the first solve of a direction
  // goes without the factor's own refinement.  0: every direction is refined down to rounding level.
  double need_p = 0, need_d = 0;
  bool plain_ok = true;  // no direction of this iteration has failed the test yet
  double den = 0;
  double reg_d = 0, reg_p = 0, reg_free = 1e-8;
  int reg_raises = 0;
  Measures S;
  IpProgress P;
  double t0 = 0;
  int32_t iter = 0;
};

// ---------------------------------------------------------------------------------------------------------------
// products

void Engine::mul_a(const double* x, double* out) const {
  std::fill(out, out + M.m, 0.0);
  for (int32_t j = 0; j < M.n; ++j) {
    const double xj = x[j];
    if (xj == 0.0) continue;
    for (int64_t p = M.ap[j]; p < M.ap[j + 1]; ++p) out[M.ai[p]] += M.ax[p] * xj;
  }
}

void Engine::mul_at(const double* y, double* out) const {
  for (int32_t j = 0; j < M.n; ++j) {
    double t = 0;
    for (int64_t p = M.ap[j]; p < M.ap[j + 1]; ++p) t += M.ax[p] * y[M.ai[p]];
    out[j] = t;
  }
}

void Engine::mul_q(const double* x, double* out) const {
  std::fill(out, out + M.n, 0.0);
  if (!M.hasq) return;
  for (int32_t j = 0; j < M.n; ++j)
    for (int64_t p = M.qp[j]; p < M.qp[j + 1]; ++p) {
      const int32_t i = M.qi[p];
      out[i] += M.qx[p] * x[j];
      if (i != j) out[j] += M.qx[p] * x[i];
    }
}

// ---------------------------------------------------------------------------------------------------------------
// residuals and the termination tests

void Engine::measure() {
  const int32_t m = M.m, n = M.n;
  const double tau = it.tau;
  mul_a(it.x.data(), Ax.data());
  mul_at(it.y.data(), Aty.data());
  mul_q(it.x.data(), Qx.data());
  // residual norms in the view's units: row i divided by its scale, column k by its dual scale 1/colsc
  double pf = 0, pfu = 0, df = 0, dfi = 0, pfi = 0;
  for (int32_t i = 0; i < m; ++i) {
    rp[i] = M.b[i] * tau - Ax[i];
    const double f = M.bp / M.rowsc[i];
    pf = std::max(pf, std::fabs(rp[i]) * f);
    pfi = std::max(pfi, std::fabs(Ax[i]) * f);
  }
  double cx = 0, bty = 0, uz = 0, xqx = 0, xs = 0;
  for (int32_t j = 0; j < n; ++j) {
    const double sj = M.kind[j] == COL_FREE ? 0.0 : it.s[j];
    const double zj = M.kind[j] == COL_RANGED ? it.z[j] : 0.0;
    const double fp = M.bp * M.colsc[j], fd = M.bd / M.colsc[j];
    rd[j] = M.c[j] * tau + Qx[j] - Aty[j] - sj + zj;
    df = std::max(df, std::fabs(rd[j]) * fd);
    dfi = std::max(dfi, std::fabs(Aty[j] + sj - zj) * fd);
    cx += M.c[j] * it.x[j];
    xqx += it.x[j] * Qx[j];
    if (M.kind[j] != COL_FREE) xs += it.x[j] * it.s[j];
    if (M.kind[j] == COL_RANGED) {
      ru[j] = M.u[j] * tau - it.x[j] - it.w[j];
      pfu = std::max(pfu, std::fabs(ru[j]) * fp);
      pfi = std::max(pfi, std::fabs(it.x[j] + it.w[j]) * fp);
      uz += M.u[j] * zj;
      xs += it.w[j] * zj;
    } else {
      ru[j] = 0;
    }
    if (M.hasq) pfi = std::max(pfi, std::fabs(Qx[j]) * fd);
  }
  for (int32_t i = 0; i < m; ++i) bty += M.b[i] * it.y[i];
  S.pfeas = std::max(pf, pfu);
  S.dfeas = df;
  const double ob = M.bp * M.bd;
  S.cx = ob * cx;
  S.by = ob * (bty - uz);
  S.xqx = xqx;
  S.G = cx + xqx / tau - (bty - uz) + it.kappa;
  S.gfeas = std::fabs(S.G);
  S.cgap = xs + tau * it.kappa;
  S.mu = S.cgap / M.ncomp;
  S.pobj = ob * (cx + 0.5 * xqx / tau) / tau + M.obj_const;
  S.dobj = ob * ((bty - uz) - 0.5 * xqx / tau) / tau + M.obj_const;
  S.relgap = std::fabs(S.pobj - S.dobj) / std::max(1.0, std::min(std::fabs(S.pobj), std::fabs(S.dobj)));
  // The absolute gap of the optimality test is that of the objectives: the complementarity alone can vanish
  // while the objectives still differ through the residuals times large multipliers (LISWET1 was called optimal
  // with complementarity 1e-33 and the objectives 2e-5 apart, 7.7e-4 below the optimum).
  S.absgap = std::fabs(S.pobj - S.dobj);
  S.pfeasinf = pfi;
  S.dfeasinf = dfi;
  // sizes of the would-be certificates in the view's units (x, w; y, s, z)
  double xn = 0, yn = 0;
  for (int32_t j = 0; j < n; ++j) {
    const double fp = M.bp * M.colsc[j], fd = M.bd / M.colsc[j];
    xn = std::max(xn, std::fabs(it.x[j]) * fp);
    if (M.kind[j] != COL_FREE) yn = std::max(yn, it.s[j] * fd);
    if (M.kind[j] == COL_RANGED) {
      xn = std::max(xn, it.w[j] * fp);
      yn = std::max(yn, it.z[j] * fd);
    }
  }
  for (int32_t i = 0; i < m; ++i) yn = std::max(yn, std::fabs(it.y[i]) * M.bd * M.rowsc[i]);
  S.xnorm = xn;
  S.ynorm = yn;
  S.finite = std::isfinite(S.pfeas) && std::isfinite(S.dfeas) && std::isfinite(S.G) && std::isfinite(S.mu) &&
             std::isfinite(S.pobj) && std::isfinite(S.dobj) && std::isfinite(it.tau) && std::isfinite(it.kappa);
}

// The termination test of one iterate.  g and r are the relaxation levels of the gap and of the rest; relax
// multiplies the feasibility and gap tolerances (the relaxed status rules); near_only: report only the
// certificates that hold by the r >= 2 rules alone (the nearly infeasible variants).
Verdict Engine::term_test(int g, int r, double relax, bool near_only) const {
  double gapf = g <= -2 ? 1e-3 : g == -1 ? 1e-2 : g == 0 ? 1.0 : 100.0;
  const double f = r <= -2 ? 1e-3 : r == -1 ? 1.0 : r == 0 ? 1.0 : 100.0;
  if (r == -1) gapf *= 0.01;
  const double tau = it.tau;
  const double tolp = C.tol_pfeas * relax, told = C.tol_dfeas * relax, tolg = C.tol_rel_gap * relax;
  const double eps = C.tol_infeas;
  if (!near_only && S.pfeas <= f * std::max((M.np + 1) * tolp * tau, 1.0e-12) &&
      S.dfeas < f * std::max((M.nd + 1) * told * tau, 1.0e-12) && (S.relgap <= gapf * tolg || S.absgap <= 1.0e-16))
    return V_OPT;
  bool dinf = false, pinf = false;
  auto adjust = [r](double w) {
    if (r < 0) w = std::max(w, 1.0);
    if (r > 0) w = std::min(w, 1.0);
    return w;
  };
  const double cx = S.cx, by = S.by;
  if (cx < 0) {
    const double w = adjust(M.nc / std::max({1.0, M.nu, M.nb}));
    if (!near_only && (-eps * cx > w * S.pfeasinf || (f * eps >= tau && -cx >= std::sqrt(f * eps) * tau * M.nc)) &&
        S.pfeasinf <= CERT_REL * S.xnorm)
      dinf = true;
    else if (near_only && r >= 2 && -cx * std::sqrt(eps) >= w * S.pfeasinf && it.kappa > it.tau)
      dinf = true;
  }
  if (by > 0) {
    const double w = adjust(M.nb / std::max({M.nu, M.nc, 1.0}));
    if (!near_only && (eps * by >= w * S.dfeasinf || (f * eps >= tau && by >= std::sqrt(f * eps) * tau * M.nb)) &&
        S.dfeasinf <= CERT_REL * S.ynorm)
      pinf = true;
    else if (near_only && r >= 2 && std::sqrt(eps) * by >= w * S.dfeasinf && it.kappa > it.tau)
      pinf = true;
  }
  if (dinf && pinf) return S.pfeasinf / (-cx) > S.dfeasinf / by ? V_PINF : V_DINF;
  if (dinf) return V_DINF;
  if (pinf) return V_PINF;
  return V_NONE;
}

// How far the iterate is from the feasibility tolerances: the sum of the logarithms of the primal and dual
// residuals' excess over their tolerances (0 when both hold).  The relative gap is left out: it is not monotone
// (the objectives of an infeasible iterate can agree and then part again).
double Engine::merit() const {
  const double pb = std::max((M.np + 1) * C.tol_pfeas * it.tau, 1.0e-12);
  const double db = std::max((M.nd + 1) * C.tol_dfeas * it.tau, 1.0e-12);
  return std::log(std::max(1.0, S.pfeas / pb)) + std::log(std::max(1.0, S.dfeas / db));
}

// Relaxed status rules: tolerances times the near-relative factor; a status found this way is a near status.
Final Engine::relaxed_verdict() const {
  const double rel = C.tol_near_rel > 1.0 ? C.tol_near_rel : 1.0;
  Verdict v = term_test(0, 0, rel, false);
  if (v == V_NONE) v = term_test(0, 2, rel, true);
  switch (v) {
    case V_OPT: return F_NEAR_OPT;
    case V_DINF: return F_NEAR_DINF;
    case V_PINF: return F_NEAR_PINF;
    default: return F_UNKNOWN;
  }
}

// ---------------------------------------------------------------------------------------------------------------
// linear algebra

int Engine::factorize() {
  const int32_t n = M.n;
  for (int32_t j = 0; j < n; ++j) {
    double d = 0;
    if (M.kind[j] != COL_FREE) d += it.s[j] / it.x[j];
    if (M.kind[j] == COL_RANGED) d += it.z[j] / it.w[j];
    dinv[j] = d;
  }
  constexpr double preg = 1e-12;  // smallest diagonal of Q + D in the normal equations
  if (!use_kkt) {
    // No rows: the system is the diagonal Q + D alone (a coupled Q takes the augmented system, never empty).
    for (int32_t j = 0; j < n; ++j) {
      htrue[j] = dinv[j] + M.qdiag[j];
      dvec[j] = 1.0 / std::max(htrue[j] + (M.kind[j] == COL_FREE ? reg_free : 0.0), preg);
    }
    return 0;
  }
  for (int attempt = 0;; ++attempt) {
    const bool normal = K.kind() == 1;
    for (int32_t j = 0; j < n; ++j) {
      htrue[j] = dinv[j] + M.qdiag[j];
      double h = dinv[j] + (M.kind[j] == COL_FREE ? reg_free : 0.0);
      if (normal) {
        h += M.qdiag[j];
        dvec[j] = 1.0 / std::max(h, preg);
      } else {
        dvec[j] = h;
      }
    }
    const double* aval = M.ax.data();
    if (normal) {
      // Rows scaled to a unit diagonal of A D A': the factor's pivot test, relative to the largest diagonal,
      // becomes a test relative to each row's own diagonal, and only truly dependent rows break down.
      std::fill(rowsc.begin(), rowsc.end(), 0.0);
      for (int32_t j = 0; j < n; ++j)
        for (int64_t p = M.ap[j]; p < M.ap[j + 1]; ++p) rowsc[M.ai[p]] += M.ax[p] * M.ax[p] * dvec[j];
      for (int32_t i = 0; i < M.m; ++i) rowsc[i] = rowsc[i] > 0 && std::isfinite(rowsc[i]) ? 1.0 / std::sqrt(rowsc[i]) : 1.0;
      for (int64_t p = 0; p < (int64_t)M.ax.size(); ++p) axs[p] = M.ax[p] * rowsc[M.ai[p]];
      aval = axs.data();
    }
    kfac::NumResult nr;
    const int rc = K.numfac(aval, M.hasq ? M.qx.data() : nullptr, dvec.data(), reg_p, reg_d, &nr);
    if (rc == kfac::KKT_OK) return 0;
    if (rc == kfac::KKT_NOMEM) return opt::OUT_NOMEM;
    // Pivot trouble: raise the regularization and try again.
    if (attempt >= 12) return opt::OUT_NUMERICAL;
    ++reg_raises;
    reg_d = reg_d > 0 ? reg_d * 10.0 : 1e-12;
    reg_p = reg_p > 0 ? reg_p * 100.0 : 1e-12;
    reg_free = std::min(reg_free * 10.0, 1e-2);
  }
}

void Engine::solve_kkt(const double* a1, const double* a2, double* dx, double* dy) {
  const int32_t m = M.m, n = M.n;
  if (!use_kkt) {
    // no rows (m = 0): -(Q + D) dx = a1
    for (int32_t j = 0; j < n; ++j) dx[j] = -dvec[j] * a1[j];
    for (int32_t i = 0; i < m; ++i) dy[i] = 0;
    return;
  }
  if (K.kind() == 1) {
    const bool plain = plain_ok && (need_p > 0 || need_d > 0);
    solve_normal(a1, a2, dx, dy, plain ? 0 : -1);
    // Refinement against the full system [-H A'; A 0] with the true H (no caps, no regularization): the
    // normal equations alone leave large errors in dx where D is huge.
    double best = HUGE_VAL;
    for (int step = 0;; ++step) {
      mul_at(dy, e1.data());
      double rn1 = 0, rn2 = 0, an = 0, wn1 = 0, wn2 = 0;
      for (int32_t j = 0; j < n; ++j) {
        e1[j] = a1[j] - (e1[j] - htrue[j] * dx[j]);
        rn1 = std::max(rn1, std::fabs(e1[j]));
        wn1 = std::max(wn1, std::fabs(e1[j]) / M.colsc[j]);
        an = std::max(an, std::fabs(a1[j]));
      }
      mul_a(dx, e2.data());
      for (int32_t i = 0; i < m; ++i) {
        e2[i] = a2[i] - e2[i];
        rn2 = std::max(rn2, std::fabs(e2[i]));
        wn2 = std::max(wn2, std::fabs(e2[i]) / M.rowsc[i]);
        an = std::max(an, std::fabs(a2[i]));
      }
      const double rn = std::max(rn1, rn2);
      if (!(rn < best)) {
        // the last correction made it worse: take it back
        if (step > 0) {
          for (int32_t j = 0; j < n; ++j) dx[j] -= ddx[j];
          for (int32_t i = 0; i < m; ++i) dy[i] -= ddy[i];
        }
        break;
      }
      best = rn;
      if (step >= refine_steps || rn <= 1e-14 * (1.0 + an)) break;
      if (wn1 <= need_d && wn2 <= need_p && rn <= 1e-9 * (1.0 + an)) break;  // accurate enough
      // A first solve without the factor's refinement that was not accurate enough: the corrections, and the
      // further directions of this iteration, use it.
      if (plain) plain_ok = false;
      solve_normal(e1.data(), e2.data(), ddx.data(), ddy.data());
      for (int32_t j = 0; j < n; ++j) dx[j] += ddx[j];
      for (int32_t i = 0; i < m; ++i) dy[i] += ddy[i];
    }
  } else {
    std::copy(a1, a1 + n, tmp_n.begin());
    tmp_n.resize(n + m);
    std::copy(a2, a2 + m, tmp_n.begin() + n);
    sol.resize(n + m);
    K.solve(tmp_n.data(), sol.data());
    std::copy(sol.begin(), sol.begin() + n, dx);
    std::copy(sol.begin() + n, sol.end(), dy);
    tmp_n.resize(n);
  }
}

void Engine::solve_normal(const double* a1, const double* a2, double* dx, double* dy, int inner_refine) {
  const int32_t m = M.m, n = M.n;
  // (A D A') dy = a2 + A D a1,  dx = D (A'dy - a1); the factor holds the row-scaled matrix
  for (int32_t j = 0; j < n; ++j) tmp_n[j] = dvec[j] * a1[j];
  mul_a(tmp_n.data(), tmp_m.data());
  for (int32_t i = 0; i < m; ++i) tmp_m[i] = (tmp_m[i] + a2[i]) * rowsc[i];
  K.solve(tmp_m.data(), dy, nullptr, inner_refine);
  for (int32_t i = 0; i < m; ++i) dy[i] *= rowsc[i];
  mul_at(dy, dx);
  for (int32_t j = 0; j < n; ++j) dx[j] = dvec[j] * (dx[j] - a1[j]);
}

// One Newton direction for residual weight eta and complementarity right-hand sides rxs (x s), rwz (w z), rtk.
void Engine::direction(double eta, const std::vector<double>& rx, const std::vector<double>& rw, double rtk,
                       Point* d) {
  const int32_t m = M.m, n = M.n;
  double rhs3 = -eta * S.G - rtk / it.tau;
  for (int32_t j = 0; j < n; ++j) {
    double t = eta * rd[j];
    if (M.kind[j] != COL_FREE) t -= rx[j] / it.x[j];
    if (M.kind[j] == COL_RANGED) {
      const double v = (rw[j] - it.z[j] * eta * ru[j]) / it.w[j];
      t += v;
      rhs3 -= M.u[j] * v;
    }
    r1[j] = t;
  }
  for (int32_t i = 0; i < m; ++i) r2[i] = eta * rp[i];
  solve_kkt(r1.data(), r2.data(), d->x.data(), d->y.data());
  double num = rhs3;
  for (int32_t j = 0; j < n; ++j) num -= ch2[j] * d->x[j];
  for (int32_t i = 0; i < m; ++i) num += M.b[i] * d->y[i];
  const double dtau = den != 0 ? num / den : 0.0;
  d->tau = dtau;
  for (int32_t j = 0; j < n; ++j) d->x[j] += p0[j] * dtau;
  for (int32_t i = 0; i < m; ++i) d->y[i] += q0[i] * dtau;
  for (int32_t j = 0; j < n; ++j) {
    if (M.kind[j] != COL_FREE) d->s[j] = (rx[j] - it.s[j] * d->x[j]) / it.x[j];
    else d->s[j] = 0;
    if (M.kind[j] == COL_RANGED) {
      d->w[j] = eta * ru[j] - d->x[j] + M.u[j] * dtau;
      d->z[j] = (rw[j] - it.z[j] * d->w[j]) / it.w[j];
    } else {
      d->w[j] = 0;
      d->z[j] = 0;
    }
  }
  d->kappa = (rtk - it.kappa * dtau) / it.tau;
}

void Engine::max_steps(const Point& d, double* ap, double* ad) const {
  double a = 1e300, b = 1e300;
  for (int32_t j = 0; j < M.n; ++j) {
    if (M.kind[j] == COL_FREE) continue;
    if (d.x[j] < 0) a = std::min(a, -it.x[j] / d.x[j]);
    if (d.s[j] < 0) b = std::min(b, -it.s[j] / d.s[j]);
    if (M.kind[j] == COL_RANGED) {
      if (d.w[j] < 0) a = std::min(a, -it.w[j] / d.w[j]);
      if (d.z[j] < 0) b = std::min(b, -it.z[j] / d.z[j]);
    }
  }
  if (d.tau < 0) {
    // tau belongs to the primal step, but the dual step rescales by tau as well (see dual_rescale)
    a = std::min(a, -it.tau / d.tau);
    b = std::min(b, -it.tau / d.tau);
  }
  if (d.kappa < 0) b = std::min(b, -it.kappa / d.kappa);
  *ap = a;
  *ad = b;
}

// Different primal and dual step lengths in the homogeneous model: the primal part (x, w, tau) moves by ap, the
// dual part (y, s, z, kappa) by ad.  The dual part then belongs to tau + ad dtau rather than to the new tau, so it
// is multiplied by rho = (tau + ap dtau) / (tau + ad dtau): the embedding is homogeneous, so this keeps the dual
// residual at (1 - ad eta) times the old one relative to tau, and the point stays one consistent iterate.
double Engine::dual_rescale(const Point& d, double ap, double ad) const {
  if (ap == ad) return 1.0;
  const double tp = it.tau + ap * d.tau, td = it.tau + ad * d.tau;
  return td > 0 && tp > 0 ? tp / td : 1.0;
}

// kappa after a split step (LP only): the gap row c'x - b'y + u'z + kappa = G then shrinks as it would under the
// common step min(ap, ad), which the rescaled kappa alone does not guarantee.  Returns a value <= 0 when no positive
// kappa does that (the step then stays common).
double Engine::split_kappa(const Point& d, double ap, double ad, double eta) const {
  const double ob = M.bp * M.bd;
  double cdx = 0, bdy = 0, udz = 0;
  for (int32_t j = 0; j < M.n; ++j) {
    cdx += M.c[j] * d.x[j];
    if (M.kind[j] == COL_RANGED) udz += M.u[j] * d.z[j];
  }
  for (int32_t i = 0; i < M.m; ++i) bdy += M.b[i] * d.y[i];
  const double rho = dual_rescale(d, ap, ad);
  const double target = (1.0 - std::min(ap, ad) * eta) * S.G;
  const double cx = S.cx / ob + ap * cdx, by = rho * (S.by / ob + ad * (bdy - udz));
  const double kap = target - cx + by;
  return std::isfinite(kap) ? kap : -1.0;
}

// Smallest complementarity product after a step (ap primal, ad dual), and the new average; kap >= 0: the new
// kappa (see split_kappa).
double Engine::products_min(const Point& d, double ap, double ad, double* mu_new, double kap) const {
  const double rho = dual_rescale(d, ap, ad);
  double mn = (it.tau + ap * d.tau) * (kap >= 0 ? kap : (it.kappa + ad * d.kappa) * rho), sum = mn;
  for (int32_t j = 0; j < M.n; ++j) {
    if (M.kind[j] == COL_FREE) continue;
    const double v = (it.x[j] + ap * d.x[j]) * (it.s[j] + ad * d.s[j]) * rho;
    mn = std::min(mn, v);
    sum += v;
    if (M.kind[j] == COL_RANGED) {
      const double t = (it.w[j] + ap * d.w[j]) * (it.z[j] + ad * d.z[j]) * rho;
      mn = std::min(mn, t);
      sum += t;
    }
  }
  *mu_new = sum / M.ncomp;
  return mn;
}

// ---------------------------------------------------------------------------------------------------------------
// start, events, result

void Engine::start_point() {
  const double ps = C.tol_psafe > 0 ? C.tol_psafe : 1.0, ds = C.tol_dsafe > 0 ? C.tol_dsafe : 1.0;
  constant_start(ps, ds);
  if (C.starting_point <= 1 && !M.hasq) least_squares_start(ps, ds);
}

void Engine::constant_start(double ps, double ds) {
  it.resize(M.m, M.n);
  for (int32_t j = 0; j < M.n; ++j) {
    if (M.kind[j] == COL_FREE) continue;
    it.x[j] = ps;
    it.s[j] = ds;
    if (M.kind[j] == COL_RANGED) {
      if (C.starting_point == 3 && M.u[j] > 0) {
        // satisfy the bounds: x + w = u from the start
        it.x[j] = std::min(ps, 0.5 * M.u[j]);
        it.w[j] = M.u[j] - it.x[j];
      } else {
        it.w[j] = ps;
      }
      it.z[j] = ds;
    }
  }
  it.tau = 1.0;
  it.kappa = 1.0;
  // Dual slacks far below the costs leave the start with a dual residual of the costs' size.  When the costs
  // exceed the dual safety value by more than a tenth of the average cost, that value is raised to the average
  // cost and the dual slacks of each column to at least what makes its residual vanish (y = 0); only negative
  // costs of columns without an upper bound and free columns then leave a residual.
  double cavg = 0, rplus = 0;
  int32_t nc = 0;
  for (int32_t j = 0; j < M.n; ++j) {
    if (M.c[j] != 0) cavg += std::fabs(M.c[j]), ++nc;
    if (M.kind[j] != COL_FREE) rplus = std::max(rplus, std::fabs(M.c[j]) - ds);
  }
  cavg = nc > 0 ? cavg / nc : 0.0;
  if (nc > 0 && rplus > 0.1 * cavg) {
    const double d = std::max(ds, cavg);
    for (int32_t j = 0; j < M.n; ++j) {
      if (M.kind[j] == COL_FREE) continue;
      const double cj = M.c[j];
      if (M.kind[j] == COL_RANGED) {
        it.s[j] = cj > 0 ? d + cj : d;  // s - z = c
        it.z[j] = cj > 0 ? d : d - cj;
      } else {
        it.s[j] = std::max(d, cj);
      }
    }
  }
}

// A start near both feasible sets: x the smallest solution of A x = b and (y, s) the smallest dual slack of
// A'y + s = c (both least squares with the unit scaling, one factorization), then moved inside by a shift that
// makes every pair positive and roughly centred.  The constant point, where every pair is 1, stays when the
// factorization fails or the result is not finite.
void Engine::least_squares_start(double ps, double ds) {
  const int32_t m = M.m, n = M.n;
  if (!use_kkt || n == 0) return;
  if (factorize() != 0) return;
  Point p;
  p.resize(m, n);
  std::vector<double> zero(n, 0.0), zm(m, 0.0), dxs(n, 0.0);
  solve_kkt(zero.data(), M.b.data(), p.x.data(), tmp_m.data());
  solve_kkt(M.c.data(), zm.data(), dxs.data(), p.y.data());
  mul_at(p.y.data(), Aty.data());
  double minp = HUGE_VAL, mind = HUGE_VAL;
  for (int32_t j = 0; j < n; ++j) {
    if (M.kind[j] == COL_FREE) continue;
    const double v = M.c[j] - Aty[j];  // s - z
    if (M.kind[j] == COL_RANGED) {
      p.w[j] = M.u[j] - p.x[j];
      p.s[j] = std::max(v, 0.0);
      p.z[j] = std::max(-v, 0.0);
      minp = std::min(minp, p.w[j]);
      mind = std::min(mind, p.z[j]);
    } else {
      p.s[j] = v;
    }
    minp = std::min(minp, p.x[j]);
    mind = std::min(mind, p.s[j]);
  }
  if (!(minp < HUGE_VAL)) return;  // every column free: nothing to place
  const double sp = std::max(-1.5 * minp, 0.0), sd = std::max(-1.5 * mind, 0.0);
  double xs = 0, sx = 0, ss = 0;
  for (int32_t j = 0; j < n; ++j) {
    if (M.kind[j] == COL_FREE) continue;
    p.x[j] += sp;
    p.s[j] += sd;
    xs += p.x[j] * p.s[j];
    sx += p.x[j];
    ss += p.s[j];
    if (M.kind[j] == COL_RANGED) {
      p.w[j] += sp;
      p.z[j] += sd;
      xs += p.w[j] * p.z[j];
      sx += p.w[j];
      ss += p.z[j];
    }
  }
  const double sp2 = ss > 0 ? 0.5 * xs / ss : 0.0, sd2 = sx > 0 ? 0.5 * xs / sx : 0.0;
  if (!(sp2 > 0) || !(sd2 > 0) || !std::isfinite(sp2) || !std::isfinite(sd2)) return;
  xs = 0;
  for (int32_t j = 0; j < n; ++j) {
    if (M.kind[j] == COL_FREE) {
      p.s[j] = 0;
      continue;
    }
    p.x[j] = ps * (p.x[j] + sp2);
    p.s[j] = ds * (p.s[j] + sd2);
    xs += p.x[j] * p.s[j];
    if (M.kind[j] == COL_RANGED) {
      p.w[j] = ps * (p.w[j] + sp2);
      p.z[j] = ds * (p.z[j] + sd2);
      xs += p.w[j] * p.z[j];
    } else {
      p.w[j] = p.z[j] = 0;
    }
  }
  p.tau = 1.0;
  p.kappa = xs / std::max(1, M.ncomp - 1);
  if (!std::isfinite(xs) || !(p.kappa > 0)) return;
  for (int32_t i = 0; i < m; ++i)
    if (!std::isfinite(p.y[i])) return;
  for (int32_t j = 0; j < n; ++j)
    if (!std::isfinite(p.x[j])) return;
  it = p;
}

int Engine::notify(int event) {
  P.time = now() - t0;
  int r = 0;
  if (H.log) r = H.log(H.ctx, event, P);
  if (r == 0 && H.user) r = H.user(H.ctx, event, P);
  return r;
}

bool Engine::valid_data() const {
  auto fin = [](const std::vector<double>& v) {
    for (double x : v)
      if (!std::isfinite(x)) return false;
    return true;
  };
  if (!fin(V.c) || !fin(V.ax) || !fin(V.qx) || !std::isfinite(V.cfix)) return false;
  for (int32_t i = 0; i < V.m; ++i)
    if (std::isnan(V.blc[i]) || std::isnan(V.buc[i]) || V.blc[i] == opt::VIEW_INF || V.buc[i] == -opt::VIEW_INF)
      return false;
  for (int32_t j = 0; j < V.n; ++j)
    if (std::isnan(V.blx[j]) || std::isnan(V.bux[j]) || V.blx[j] == opt::VIEW_INF || V.bux[j] == -opt::VIEW_INF)
      return false;
  return true;
}

// Crossed bounds need no iterations: lower minus upper is a primal infeasibility certificate by itself
// (y = 0; the crossed item's two bound duals are 1).
void Engine::check_bounds(bool* bad) {
  *bad = false;
  for (int32_t i = 0; i < V.m; ++i)
    if (V.blc[i] > V.buc[i]) {
      R->slc[i] = R->suc[i] = 1.0;
      *bad = true;
    }
  for (int32_t j = 0; j < V.n; ++j)
    if (V.blx[j] > V.bux[j]) {
      R->slx[j] = R->sux[j] = 1.0;
      *bad = true;
    }
}

void Engine::finish(Final f, int outcome) {
  const int32_t m0 = M.m0, n0 = M.n0;
  R->outcome = outcome;
  R->iterations = iter;
  switch (f) {
    case F_OPT: R->status = {ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL}; break;
    case F_NEAR_OPT: R->status = {ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_NEAR_OPTIMAL}; break;
    case F_DINF: R->status = {ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_DUAL_INFEAS_CER}; break;
    case F_NEAR_DINF: R->status = {ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER}; break;
    case F_PINF: R->status = {ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_PRIM_INFEAS_CER}; break;
    case F_NEAR_PINF: R->status = {ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER}; break;
    default: R->status = {ZRV_PRO_STA_UNKNOWN, ZRV_SOL_STA_UNKNOWN}; break;
  }
  const bool dcert = f == F_DINF || f == F_NEAR_DINF, pcert = f == F_PINF || f == F_NEAR_PINF;
  // primal part: a solution is x / tau shifted back; a dual certificate is the direction x itself
  const double tau = it.tau;
  for (int32_t j = 0; j < n0; ++j) {
    const int32_t k = M.col_of_var[j];
    double v;
    if (pcert) v = 0;
    else if (dcert) v = k < 0 ? 0.0 : M.cs[j] * M.sign[k] * M.bp * it.x[k];
    else v = k < 0 ? M.fixval[j] : M.cs[j] * (M.shift[k] + M.sign[k] * M.bp * it.x[k] / tau);
    R->xx[j] = v;
  }
  for (int32_t i = 0; i < m0; ++i) {
    const int32_t r = M.row_of_con[i];
    double v = 0;
    if (r >= 0 && !dcert) v = M.rs[i] * M.bd * (pcert ? it.y[r] : it.y[r] / tau);
    R->y[i] = v;
    R->slc[i] = std::max(v, 0.0);
    R->suc[i] = std::max(-v, 0.0);
  }
  // xc = A x and the reduced costs c + Q x - A'y (without c and Q for a primal certificate), in the view's data
  std::fill(R->xc.begin(), R->xc.end(), 0.0);
  std::vector<double> qx(n0, 0.0);
  if (V.has_q() && !pcert)
    for (int32_t j = 0; j < n0; ++j)
      for (int64_t p = V.qp[j]; p < V.qp[j + 1]; ++p) {
        const int32_t i = V.qi[p];
        qx[i] += V.qx[p] * R->xx[j];
        if (i != j) qx[j] += V.qx[p] * R->xx[i];
      }
  for (int32_t j = 0; j < n0; ++j) {
    double aty = 0;
    for (int64_t p = V.ap[j]; p < V.ap[j + 1]; ++p) {
      R->xc[V.ai[p]] += V.ax[p] * R->xx[j];
      aty += V.ax[p] * R->y[V.ai[p]];
    }
    double rc = 0;
    if (pcert) rc = -aty;
    else if (!dcert) rc = V.c[j] + qx[j] - aty;
    R->slx[j] = std::max(rc, 0.0);
    R->sux[j] = std::max(-rc, 0.0);
  }
  // status keys from the final iterate: an item whose slack is smaller than its dual sits at that bound
  auto key = [&](int32_t k) -> int32_t {
    if (M.kind[k] == COL_FREE) return ZRV_SK_BAS;
    if (it.s[k] > it.x[k]) return M.sign[k] > 0 ? ZRV_SK_LOW : ZRV_SK_UPR;
    if (M.kind[k] == COL_RANGED && it.z[k] > it.w[k]) return ZRV_SK_UPR;
    return ZRV_SK_BAS;
  };
  for (int32_t j = 0; j < n0; ++j) {
    const int32_t k = M.col_of_var[j];
    R->skx[j] = k < 0 ? ZRV_SK_FIX : key(k);
  }
  for (int32_t i = 0; i < m0; ++i) {
    const int32_t k = M.col_of_row[i];
    if (M.row_of_con[i] < 0) R->skc[i] = ZRV_SK_BAS;
    else if (k < 0) R->skc[i] = ZRV_SK_FIX;
    else R->skc[i] = key(k);
  }
  R->last = P;
}

// ---------------------------------------------------------------------------------------------------------------
// the iterations

// The iterations from the current point until a verdict or another stop; iter counts on.
void Engine::iterate(Final* finp, int* outp) {
  const int32_t m = M.m, n = M.n;
  Point aff;
  aff.resize(m, n);
  // Correctors reuse the factor: the more a factorization costs against a solve (estimated from the factor's
  // flops against the nonzeros a solve touches), the more of them pay.
  int maxcor = C.max_num_cor;
  if (maxcor < 0) {
    const double ratio = KS.flops / (4.0 * (double)KS.nnz_after + 6.0 * (double)M.ax.size() + 1.0);
    maxcor = ratio < 60 ? 2 : ratio < 150 ? 3 : 4;
  }
  double frac = C.tol_rel_step > 0 && C.tol_rel_step < 1 ? C.tol_rel_step : 0.9999;
  // Different primal and dual steps for linear problems; with Q the dual residual holds Q x, which the dual
  // step does not move alone, so one common step is used there.
  bool diff = C.diff_step != 0 && !M.hasq;
  bool split_step = false;  // the step just taken used different lengths
  double last_pf = 0, last_df = 0;
  bool stalled = false, stall_raised = false;
  bool stepped = false;  // a step has been taken in this run of the iterations
  double last_merit = 0, last_relgap = HUGE_VAL;
  int rejections = 0;
  bool pivot_trouble = false;  // the last factorization raised the regularization
  Final& fin = *finp;
  int& outcome = *outp;
  fin = F_UNKNOWN;
  outcome = opt::OUT_FINISHED;
  for (;; ++iter) {
    measure();
    bool rejected = false;
    if (stepped && S.finite && it.kappa < 0.01 * it.tau && prev.kappa < 0.01 * prev.tau &&
        last_relgap <= C.tol_rel_gap && merit() > last_merit + std::log(4.0)) {
      // Each step shrinks both residuals in exact arithmetic; a step after which the iterate is much further from
      // the tolerances had directions that lost their accuracy.  This happens when the gap has closed before the
      // residuals: the complementarity then falls far below what the residuals can follow.  The previous iterate
      // is restored and judged by the stalled-state test.  Only for iterates on their way to a solution (kappa
      // small against tau): towards a certificate tau falls and the residuals relative to it grow by design.
      it = prev;
      measure();
      rejected = true;
    }
    if (!S.finite) {
      it = prev;
      measure();
      fin = relaxed_verdict();
      outcome = opt::OUT_NUMERICAL;
      break;
    }
    P.iter = iter;
    P.pfeas = S.pfeas;
    P.dfeas = S.dfeas;
    P.gfeas = S.gfeas;
    P.opt_status = (it.tau - it.kappa) / (it.tau + it.kappa);
    P.pobj = S.pobj;
    P.dobj = S.dobj;
    P.mu = S.mu;
    if (int h = notify(opt::EV_ITER); h != 0) {
      outcome = h;
      break;
    }
    Verdict v = term_test(0, 0, 1.0, false);
    // A factorization that needed more regularization is the other sign of a run at the limit of its accuracy
    // (pivots break down as the complementarity vanishes while a residual sits at its rounding floor): the test
    // of the stalled state applies, instead of going on until the regularization spoils the iterate.
    if (v == V_NONE && (stalled || pivot_trouble || rejected)) v = term_test(1, 1, 1.0, false);
    if (v != V_NONE) {
      fin = v == V_OPT ? F_OPT : v == V_DINF ? F_DINF : F_PINF;
      break;
    }
    if (rejected) {
      // A second rejected step ends the run by the relaxed status rules; after the first, the directions get
      // more refinement and a larger regularization, so the next one differs.
      if (++rejections > 1) {
        fin = relaxed_verdict();
        outcome = fin != F_UNKNOWN ? opt::OUT_FINISHED : opt::OUT_STALL;
        break;
      }
      refine_steps = std::max(refine_steps, 6);
      reg_d = std::max(reg_d * 100.0, 1e-10);
      reg_p = std::max(reg_p * 100.0, 1e-10);
    }
    if (iter >= C.max_iterations) {
      outcome = opt::OUT_MAX_ITERATIONS;
      break;
    }

    // factorization and the tau column
    const int raises0 = reg_raises;
    if (int rc = factorize(); rc != 0) {
      fin = relaxed_verdict();
      outcome = rc == opt::OUT_NOMEM ? rc : (fin != F_UNKNOWN ? opt::OUT_FINISHED : rc);
      break;
    }
    pivot_trouble = reg_raises > raises0;
    const double tau = it.tau;
    for (int32_t j = 0; j < n; ++j) {
      const double zw = M.kind[j] == COL_RANGED ? it.z[j] / it.w[j] * M.u[j] : 0.0;
      ch[j] = M.c[j] - zw;
      ch2[j] = M.c[j] + 2.0 * Qx[j] / tau + zw;
    }
    solve_kkt(ch.data(), M.b.data(), p0.data(), q0.data());
    // The directions move the residuals rp and rd; an error in their block equations adds to the next
    // residuals.  One percent of the present residuals is all the accuracy a linear problem's directions need
    // while the iterate heads for a solution (kappa below tau): early on, when the residuals are large, the
    // refinement steps (each one more solve) are saved.  The tau column above enters every direction times
    // dtau and is always refined fully; so is everything of quadratic problems and of runs towards a
    // certificate, whose iterations were seen to suffer.
    need_p = need_d = 0;
    plain_ok = true;
    if (!M.hasq && it.kappa < it.tau) {
      double rpn = 0, rdn = 0;
      for (int32_t i = 0; i < m; ++i) rpn = std::max(rpn, std::fabs(rp[i]) / M.rowsc[i]);
      for (int32_t j = 0; j < n; ++j) rdn = std::max(rdn, std::fabs(rd[j]) / M.colsc[j]);
      need_p = 0.01 * rpn;
      need_d = 0.01 * rdn;
    }
    den = -S.xqx / (tau * tau) - it.kappa / tau;
    for (int32_t j = 0; j < n; ++j) {
      den += ch2[j] * p0[j];
      if (M.kind[j] == COL_RANGED) den -= M.u[j] * M.u[j] * it.z[j] / it.w[j];
    }
    for (int32_t i = 0; i < m; ++i) den -= M.b[i] * q0[i];

    // predictor
    for (int32_t j = 0; j < n; ++j) {
      rxs[j] = M.kind[j] != COL_FREE ? -it.x[j] * it.s[j] : 0.0;
      rwz[j] = M.kind[j] == COL_RANGED ? -it.w[j] * it.z[j] : 0.0;
    }
    direction(1.0, rxs, rwz, -it.tau * it.kappa, &aff);
    double apa, ada;
    max_steps(aff, &apa, &ada);
    const double alpha_aff = std::min(1.0, std::min(apa, ada));
    double mu_aff;
    products_min(aff, alpha_aff, alpha_aff, &mu_aff);
    const double mu = S.mu;
    double sigma = std::pow(std::max(0.0, mu_aff) / mu, 3);
    sigma = std::min(1.0, std::max(sigma, 1e-6));
    // corrector: centering plus the second-order term of the predictor
    const double smu = sigma * mu;
    for (int32_t j = 0; j < n; ++j) {
      if (M.kind[j] != COL_FREE) rxs[j] = smu - it.x[j] * it.s[j] - aff.x[j] * aff.s[j];
      if (M.kind[j] == COL_RANGED) rwz[j] = smu - it.w[j] * it.z[j] - aff.w[j] * aff.z[j];
    }
    direction(1.0 - sigma, rxs, rwz, smu - it.tau * it.kappa - aff.tau * aff.kappa, &dir);
    double ap, ad;
    max_steps(dir, &ap, &ad);
    double amax = std::min(ap, ad);
    if (amax < 0.1 * alpha_aff) {
      // the second-order term shortens the step too much: plain centering direction instead
      for (int32_t j = 0; j < n; ++j) {
        if (M.kind[j] != COL_FREE) rxs[j] = smu - it.x[j] * it.s[j];
        if (M.kind[j] == COL_RANGED) rwz[j] = smu - it.w[j] * it.z[j];
      }
      direction(1.0 - sigma, rxs, rwz, smu - it.tau * it.kappa, &dir);
      max_steps(dir, &ap, &ad);
      amax = std::min(ap, ad);
    }
    // centrality correctors: push the products of the trial point into [0.1, 10] times the target
    for (int c = 0; c < maxcor && amax < 1.0; ++c) {
      const double at = std::min(1.0, 1.5 * amax + 0.1);
      const double lo = 0.1 * smu, hi = 10.0 * smu;
      auto corr = [&](double v) { return v < lo ? lo - v : v > hi ? std::max(hi - v, -hi) : 0.0; };
      for (int32_t j = 0; j < n; ++j) {
        rxs[j] = M.kind[j] != COL_FREE ? corr((it.x[j] + at * dir.x[j]) * (it.s[j] + at * dir.s[j])) : 0.0;
        rwz[j] = M.kind[j] == COL_RANGED ? corr((it.w[j] + at * dir.w[j]) * (it.z[j] + at * dir.z[j])) : 0.0;
      }
      const double rtk = corr((it.tau + at * dir.tau) * (it.kappa + at * dir.kappa));
      direction(0.0, rxs, rwz, rtk, &cor);
      for (int32_t j = 0; j < n; ++j) {
        cor.x[j] += dir.x[j]; cor.s[j] += dir.s[j]; cor.w[j] += dir.w[j]; cor.z[j] += dir.z[j];
      }
      for (int32_t i = 0; i < m; ++i) cor.y[i] += dir.y[i];
      cor.tau += dir.tau;
      cor.kappa += dir.kappa;
      double cp, cd;
      max_steps(cor, &cp, &cd);
      const double cmax = std::min(cp, cd);
      if (cmax < 1.01 * amax) break;
      std::swap(dir, cor);
      amax = cmax;
    }
    need_p = need_d = 0;
    // step length: a fraction of the way to the boundary, kept inside the neighbourhood of the central path
    // The neighbourhood: no product below gamma times the average; at least 0.01, which keeps the iterates off
    // the wrong faces on degenerate problems (a looser one costs many iterations there).
    double gamma = std::max(C.tol_path, 0.01);
    {
      // an iterate off the neighbourhood (a least-squares start) is not asked for more than it has
      double mu0 = 0;
      const double mn0 = products_min(dir, 0.0, 0.0, &mu0);
      if (mu0 > 0) gamma = std::min(gamma, 0.5 * mn0 / mu0);
    }
    max_steps(dir, &ap, &ad);  // of the direction the correctors left
    double alp = 0, ald = 0, kap = -1.0;
    // A split step that makes a residual grow has let the faster side run ahead of what the slower side's
    // directions can still fix: the step is taken back and replaced by a common one along the same direction
    // (no new factorization), and the run goes on with common steps.
    for (bool allow_split = diff;; allow_split = false) {
      // Split only once the iterate looks feasible (kappa small against tau): while tau and kappa are still
      // deciding between a solution and a certificate, the two sides must stay together.
      for (bool split = allow_split && ap != ad && it.kappa < 0.01 * it.tau;; split = false) {
        alp = std::min(1.0, frac * (split ? ap : std::min(ap, ad)));
        ald = std::min(1.0, frac * (split ? ad : std::min(ap, ad)));
        double mun = 0;
        // The longest fraction t of (alp, ald) that stays in the neighbourhood, by bisection between a fraction
        // known to be inside (0) and one outside; only fractions that were checked are taken.
        const double ap0 = alp, ad0 = ald;
        auto inside = [&](double t) {
          kap = split ? split_kappa(dir, t * ap0, t * ad0, 1.0 - sigma) : -1.0;
          if (split && !(kap > 0)) return false;
          return products_min(dir, t * ap0, t * ad0, &mun, kap) >= gamma * mun;
        };
        double lo = 0, hi = 1, tk = 1;
        if (!inside(1.0)) {
          if (split && !(kap > 0)) continue;
          for (int b = 0; b < 10; ++b) {
            const double t = 0.5 * (lo + hi);
            if (inside(t)) lo = t;
            else if (split && !(kap > 0)) break;
            else hi = t;
          }
          if (split && !(kap > 0)) continue;
          tk = lo > 0 ? lo : 1.0 / 1024;
          inside(tk);  // kap and mun of the step taken
        }
        alp = tk * ap0;
        ald = tk * ad0;
        if (split && !(kap > 0)) continue;
        // The longer step must not run ahead: when the complementarity would fall much faster than the residual
        // of the slower side, that side is left behind with a gap too small to fix its residual (the directions
        // lose their accuracy as mu goes to zero) and the run crawls.  Then one common step.
        if (!split) break;
        const double slow = 1.0 - std::min(alp, ald) * (1.0 - sigma);
        if (mun >= 0.1 * slow * mu) break;
      }
      const double rho = dual_rescale(dir, alp, ald);
      prev = it;
      split_step = alp != ald;
      last_pf = S.pfeas;
      last_df = S.dfeas;
      last_merit = merit();
      last_relgap = S.relgap;
      stepped = true;
      for (int32_t j = 0; j < n; ++j) {
        it.x[j] += alp * dir.x[j];
        it.w[j] += alp * dir.w[j];
        it.s[j] = (it.s[j] + ald * dir.s[j]) * rho;
        it.z[j] = (it.z[j] + ald * dir.z[j]) * rho;
      }
      for (int32_t i = 0; i < m; ++i) it.y[i] = (it.y[i] + ald * dir.y[i]) * rho;
      it.tau += alp * dir.tau;
      it.kappa = kap > 0 ? kap : (it.kappa + ald * dir.kappa) * rho;
      if (!split_step) break;
      measure();
      if (S.finite && S.pfeas <= 1.5 * last_pf && S.dfeas <= 1.5 * last_df) break;
      it = prev;
      measure();
      diff = false;
    }
    const double alpha = std::min(alp, ald);
    // stall: a very short step; raise the regularization once before giving up
    if (alpha < C.tol_step_size) {
      if (stall_raised && stalled) {
        measure();
        if (!S.finite) { it = prev; measure(); }
        fin = relaxed_verdict();
        outcome = fin != F_UNKNOWN ? opt::OUT_FINISHED : opt::OUT_STALL;
        ++iter;
        break;
      }
      if (!stall_raised) {
        stall_raised = true;
        reg_d = std::max(reg_d * 100.0, 1e-10);
        reg_p = std::max(reg_p * 100.0, 1e-10);
      }
      stalled = true;
    } else {
      stalled = false;
    }
  }
}

// A dual infeasibility certificate proves that no optimal solution exists, but not whether any feasible point
// does: a problem can be primal and dual infeasible at once, and the iterates then may settle on either
// certificate.  The iterations are run again without the objective (c = 0), where only a feasible point or a
// primal certificate can come out.  A primal certificate replaces the ray (it is the stronger statement: no
// point satisfies the constraints); otherwise the ray stands.
void Engine::feasibility_pass(Final* fin, int* outcome) {
  const Point ray = it;
  const IpProgress pray = P;
  const std::vector<double> c = M.c;
  const double nc = M.nc;
  std::fill(M.c.begin(), M.c.end(), 0.0);
  M.nc = 0;
  ++iter;  // the second run goes on with the iteration numbers
  start_point();
  prev = it;
  Final f2 = F_UNKNOWN;
  int o2 = opt::OUT_FINISHED;
  iterate(&f2, &o2);
  M.c = c;
  M.nc = nc;
  if (f2 == F_PINF && o2 == opt::OUT_FINISHED) {
    *fin = F_PINF;
    return;
  }
  it = ray;
  P = pray;
  P.time = now() - t0;
  P.iter = iter;
  // A stop asked for through a hook (time limit, callback) is passed on; the ray is a finished result anyway.
  if (o2 == opt::OUT_MAX_TIME || o2 == opt::OUT_CALLBACK || o2 == opt::OUT_CALLBACK_IM) *outcome = o2;
}

int Engine::run() {
  t0 = now();
  const int32_t m0 = V.m, n0 = V.n;
  R->xx.assign(n0, 0.0);
  R->xc.assign(m0, 0.0);
  R->y.assign(m0, 0.0);
  R->slc.assign(m0, 0.0);
  R->suc.assign(m0, 0.0);
  R->slx.assign(n0, 0.0);
  R->sux.assign(n0, 0.0);
  R->skc.assign(m0, ZRV_SK_UNK);
  R->skx.assign(n0, ZRV_SK_UNK);
  R->status = {};
  R->iterations = 0;
  if (!valid_data()) {
    R->outcome = opt::OUT_INV_PROBLEM;
    return R->outcome;
  }
  P.nthreads = std::max(1, C.nthreads);
  bool crossed = false;
  check_bounds(&crossed);
  if (crossed) {
    notify(opt::EV_BEGIN);
    R->outcome = opt::OUT_FINISHED;
    R->status = {ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_PRIM_INFEAS_CER};
    R->last = P;
    notify(opt::EV_END);
    return R->outcome;
  }
  if (int rc = build_model(V, C.scaling, &M); rc != 0) {
    R->outcome = rc;
    return rc;
  }
  const int32_t m = M.m, n = M.n;
  P.numcon = m;
  P.numvar = n;
  P.solve_dual = 0;

  // factor set-up (ordering and symbolic factor, once)
  kfac::KktControl kc;
  kc.kind = M.qoffdiag ? 2 : 1;
  kc.order_method = C.order_method;
  kc.nthreads = P.nthreads;
  // Dense columns: more nonzeros than the control's threshold and than 10 sqrt(m); a fixed count alone would
  // call every column of a moderately dense matrix dense and turn the low-rank correction into the main cost.
  kc.dense_col_trh = std::max<int32_t>(C.off_col_trh, (int32_t)(10.0 * std::sqrt((double)m)));
  // The augmented system gets no refinement against the full system here, only the factor's own steps; with
  // one step QPILOTNO's residuals stopped falling at 1e-5 and grew back (134 iterations, no answer), with four
  // it ends optimal in 52.  The steps stop as soon as one does not lower the residual.
  kc.max_refine = C.max_refinement >= 0 ? C.max_refinement : kc.kind == 2 ? 4 : 1;
  refine_steps = C.max_refinement >= 0 ? std::max(C.max_refinement, 1) : 2;
  // A pivot that breaks down (a dependent row) is replaced by a huge one: that row's dy component is dropped.
  // Normal equations: rows are scaled to a unit diagonal, so the pivot test is relative to each row; a pivot that
  // breaks down raises the (relative) regularization.  Augmented system: quasi-definite, any pivot of the right
  // sign is usable.
  kc.pivot_tol = kc.kind == 1 ? 1e-14 : 1e-30;
  const int32_t dim = kc.kind == 1 ? m : m + n;
  use_kkt = dim > 0;
  if (use_kkt) {
    const int rc = K.make(m, n, M.ap.data(), M.ai.data(), M.hasq && kc.kind == 2 ? M.qp.data() : nullptr,
                          M.hasq && kc.kind == 2 ? M.qi.data() : nullptr, kc, &KS);
    if (rc == kfac::KKT_NOMEM) return R->outcome = opt::OUT_NOMEM;
    if (rc != kfac::KKT_OK) return R->outcome = opt::OUT_INTERNAL;
  }
  P.factor_setup_time = KS.t_setup;
  P.dense_det_time = KS.t_dense;
  P.ml_order_time = KS.t_ml;
  P.gp_order_time = KS.t_gp;
  P.order_time = KS.t_ml + KS.t_gp;
  P.nz_before = KS.nnz_before;
  P.nz_after = KS.nnz_after;
  P.dense_dim = KS.dense_dim;
  P.flops = KS.flops;
  P.gp_employed = KS.method_used == order::ORDER_ND ? 1 : 0;
  if (KS.gp_tried) {
    P.ml_nz = KS.sym.nnz_l_amd;
    P.gp_nz = KS.sym.nnz_l_nd;
    P.ml_flops = KS.sym.flops_amd;
    P.gp_flops = KS.sym.flops_nd;
  }
  if (C.regularization_use) {
    reg_d = kc.kind == 1 ? 1e-12 : 1e-10;
    reg_p = kc.kind == 1 ? 0.0 : 1e-10;
  }

  Ax.assign(m, 0); Aty.assign(n, 0); Qx.assign(n, 0); rp.assign(m, 0); ru.assign(n, 0); rd.assign(n, 0);
  dinv.assign(n, 0); dvec.assign(n, 0); ch.assign(n, 0); ch2.assign(n, 0); p0.assign(n, 0); q0.assign(m, 0);
  r1.assign(n, 0); r2.assign(m, 0); tmp_n.assign(n, 0); tmp_m.assign(m, 0);
  rxs.assign(n, 0); rwz.assign(n, 0);
  rowsc.assign(m, 1.0);
  htrue.assign(n, 0.0); e1.assign(n, 0.0); e2.assign(m, 0.0); ddx.assign(n, 0.0); ddy.assign(m, 0.0);
  if (kc.kind == 1) axs.assign(M.ax.size(), 0.0);
  dir.resize(m, n);
  cor.resize(m, n);
  start_point();
  prev = it;
  if (int h = notify(opt::EV_BEGIN); h != 0) {
    measure();
    finish(F_UNKNOWN, h);
    return h;
  }

  iter = 0;
  Final fin;
  int outcome;
  iterate(&fin, &outcome);
  if (fin == F_DINF && outcome == opt::OUT_FINISHED) feasibility_pass(&fin, &outcome);
  finish(fin, outcome);
  notify(opt::EV_END);
  return outcome;
}

}  // namespace

int hsd_solve(const opt::ProbView& view, const opt::IpControl& ctl, const opt::IpHooks& hooks, opt::IpResult* res) {
  try {
    Engine e(view, ctl, hooks, res);
    return e.run();
  } catch (const std::bad_alloc&) {
    res->outcome = opt::OUT_NOMEM;
    return res->outcome;
  }
}

}  // namespace zrv::homo
