#include "kfac/kktfac.h"

#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>

#include "math/dense.h"

namespace zrv::kfac {
namespace {
double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
}  // namespace

int KktFactor::make(int32_t m, int32_t n, const int64_t* acolptr, const int32_t* arow, const int64_t* hcolptr,
                    const int32_t* hrow, const KktControl& ctl, KktStats* stats) {
  KktStats st;
  factored_ = false;
  if (m < 0 || n < 0 || (n > 0 && (!acolptr || acolptr[0] != 0))) return KKT_BADDIM;
  try {
    double t0 = now();
    m_ = m; n_ = n; ctl_ = ctl;
    nthreads_ = std::max(1, ctl.nthreads);
    st.nthreads = nthreads_;
    const int64_t annz = n > 0 ? acolptr[n] : 0;
    ap_.assign(acolptr, acolptr + n + 1);
    if (n == 0) ap_.assign(1, 0);
    ai_.assign(arow, arow + annz);
    for (int32_t j = 0; j < n; j++) {
      if (ap_[j + 1] < ap_[j]) return KKT_BADDIM;
      for (int64_t p = ap_[j]; p < ap_[j + 1]; p++)
        if (ai_[p] < 0 || ai_[p] >= m) return KKT_BADDIM;
    }
    hp_.assign(n + 1, 0);
    hi_.clear();
    bool offdiag = false;
    if (hcolptr) {
      hp_.assign(hcolptr, hcolptr + n + 1);
      hi_.assign(hrow, hrow + hp_[n]);
      for (int32_t j = 0; j < n; j++)
        for (int64_t p = hp_[j]; p < hp_[j + 1]; p++) {
          if (hi_[p] < 0 || hi_[p] >= n) return KKT_BADDIM;
          if (hi_[p] != j) offdiag = true;
        }
    }
    kind_ = ctl.kind == 1 || ctl.kind == 2 ? ctl.kind : (offdiag ? 2 : 1);
    if (kind_ == 1 && offdiag) return KKT_BADDIM;  // normal equations need a diagonal Hessian
    st.kind = kind_;
    SymOptions so;
    so.method = ctl.order_method;
    so.nthreads = nthreads_;
    dense_.clear();
    isdense_.assign(n, 0);
    if (kind_ == 1) {
      // dense columns
      double td = now();
      if (ctl.dense_col_trh >= 0 && m > 0) {
        int64_t trh = ctl.dense_col_trh > 0 ? ctl.dense_col_trh
                                            : std::max<int64_t>(40, (int64_t)(10.0 * std::sqrt((double)m)));
        std::vector<std::pair<int64_t, int32_t>> cand;
        for (int32_t j = 0; j < n; j++)
          if (ap_[j + 1] - ap_[j] > trh) cand.push_back({ap_[j + 1] - ap_[j], j});
        std::sort(cand.begin(), cand.end(), [](auto& a, auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
        const size_t maxdense = (size_t)std::max<int64_t>(1, std::min<int64_t>(1000, m / 4));
        if (cand.size() > maxdense) cand.resize(maxdense);
        for (auto& c : cand) { dense_.push_back(c.second); isdense_[c.second] = 1; }
        std::sort(dense_.begin(), dense_.end());
      }
      st.t_dense = now() - td;
      st.dense_dim = (int32_t)dense_.size();
      // sorted copy of the sparse part of A by rows (CSR) with positions
      std::vector<int64_t> cnt(m + 1, 0);
      for (int32_t j = 0; j < n; j++)
        if (!isdense_[j])
          for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) cnt[ai_[p] + 1]++;
      rp_.assign(m + 1, 0);
      for (int32_t i = 0; i < m; i++) rp_[i + 1] = rp_[i] + cnt[i + 1];
      rc_.resize(rp_[m]);
      rpos_.resize(rp_[m]);
      std::vector<int64_t> pos(rp_.begin(), rp_.end() - 1);
      for (int32_t j = 0; j < n; j++)
        if (!isdense_[j])
          for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) { rc_[pos[ai_[p]]] = j; rpos_[pos[ai_[p]]++] = p; }
      adat_work_ = 0;
      for (int32_t j = 0; j < n; j++)
        if (!isdense_[j]) adat_work_ += (double)(ap_[j + 1] - ap_[j]) * (double)(ap_[j + 1] - ap_[j]);
      // pattern of the lower triangle of A_s A_s' (diagonal first in every column)
      kp_.assign(m + 1, 0);
      ki_.clear();
      std::vector<int32_t> mark(m, -1);
      for (int32_t i = 0; i < m; i++) {
        ki_.push_back(i);
        mark[i] = i;
        for (int64_t q = rp_[i]; q < rp_[i + 1]; q++) {
          int32_t j = rc_[q];
          for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) {
            int32_t k = ai_[p];
            if (k > i && mark[k] != i) { mark[k] = i; ki_.push_back(k); }
          }
        }
        kp_[i + 1] = (int64_t)ki_.size();
      }
      kdiag_.resize(m);
      for (int32_t i = 0; i < m; i++) kdiag_[i] = kp_[i];
      sign_.clear();
    } else {
      const int32_t N = n + m;
      // columns 0..n-1: diagonal, H lower entries, A entries (rows n + i); columns n..: diagonal
      std::vector<int64_t> cnt(N + 1, 0);
      for (int32_t j = 0; j < N; j++) cnt[j + 1] = 1;
      for (int32_t j = 0; j < n; j++) {
        for (int64_t p = hp_[j]; p < hp_[j + 1]; p++)
          if (hi_[p] != j) cnt[std::min(hi_[p], j) + 1]++;
        cnt[j + 1] += ap_[j + 1] - ap_[j];
      }
      kp_.assign(N + 1, 0);
      for (int32_t j = 0; j < N; j++) kp_[j + 1] = kp_[j] + cnt[j + 1];
      ki_.resize(kp_[N]);
      std::vector<int64_t> pos(kp_.begin(), kp_.end() - 1);
      kdiag_.resize(N);
      for (int32_t j = 0; j < N; j++) { kdiag_[j] = pos[j]; ki_[pos[j]++] = j; }
      kmapH_.assign(hp_[n], -1);
      for (int32_t j = 0; j < n; j++)
        for (int64_t p = hp_[j]; p < hp_[j + 1]; p++) {
          int32_t i = hi_[p];
          if (i == j) { kmapH_[p] = kdiag_[j]; continue; }
          int32_t lo = std::min(i, j), hi = std::max(i, j);
          kmapH_[p] = pos[lo];
          ki_[pos[lo]++] = hi;
        }
      kmapA_.resize(ap_[n]);
      for (int32_t j = 0; j < n; j++)
        for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) { kmapA_[p] = pos[j]; ki_[pos[j]++] = n + ai_[p]; }
      sign_.assign(N, 1);
      for (int32_t j = 0; j < n; j++) sign_[j] = -1;
    }
    const int32_t N = dim();
    st.dim = N;
    st.t_setup = now() - t0;
    SymStats ss;
    int rc = sf_.analyze(N, kp_.data(), ki_.data(), so, &ss);
    if (rc) return rc == 1 ? KKT_NOMEM : KKT_BADDIM;
    st.sym = ss;
    st.t_ml = ss.t_amd;
    st.t_gp = ss.t_nd;
    st.t_symbolic = ss.t_symbolic;
    st.nnz_before = ss.nnz_a;
    st.nnz_after = ss.nnz_l;
    st.flops = ss.flops;
    st.method_used = ss.method_used;
    st.gp_tried = ss.tried_both;
    if (ss.tried_both) {
      st.gp_saved_nz = ss.nnz_l_amd - ss.nnz_l_nd;
      st.gp_saved_flops = ss.flops_amd - ss.flops_nd;
    }
    kx_.assign(kp_[N], 0.0);
    d_.assign(n, 0.0);
    if (stats) *stats = st;
    return KKT_OK;
  } catch (const std::bad_alloc&) {
    return KKT_NOMEM;
  }
}

int KktFactor::numfac(const double* aval, const double* hval, const double* d, double rp, double rd, NumResult* res) {
  NumResult local;
  NumResult* R = res ? res : &local;
  factored_ = false;
  try {
    aval_ = aval; hval_ = hval;
    rp_val_ = rp; rd_val_ = rd;
    for (int32_t j = 0; j < n_; j++) d_[j] = d ? d[j] : 1.0;
    const int32_t N = dim();
    if (kind_ == 1) {
      const int32_t m = m_;
      const int nt = adat_work_ < 2e6 ? 1 : nthreads_;
      std::vector<std::vector<double>> wv(nt);
#pragma omp parallel num_threads(nt) if (nt > 1)
      {
        int t = omp_get_thread_num();
        std::vector<double>& w = wv[t];
        w.assign(m, 0.0);
#pragma omp for schedule(dynamic, 64)
        for (int32_t i = 0; i < m; i++) {
          for (int64_t q = rp_[i]; q < rp_[i + 1]; q++) {
            int32_t j = rc_[q];
            double v = aval[rpos_[q]] * d_[j];
            for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) {
              int32_t k = ai_[p];
              if (k >= i) w[k] += v * aval[p];
            }
          }
          for (int64_t p = kp_[i]; p < kp_[i + 1]; p++) { kx_[p] = w[ki_[p]]; w[ki_[p]] = 0.0; }
          kx_[kdiag_[i]] += rd;
        }
      }
    } else {
      std::fill(kx_.begin(), kx_.end(), 0.0);
      for (int32_t j = 0; j < n_; j++) kx_[kdiag_[j]] = -(d_[j] + rp);
      for (int32_t j = n_; j < N; j++) kx_[kdiag_[j]] = rd;
      if (hval)
        for (int32_t j = 0; j < n_; j++)
          for (int64_t p = hp_[j]; p < hp_[j + 1]; p++) kx_[kmapH_[p]] -= hval[p];
      for (int64_t p = 0; p < ap_[n_]; p++) kx_[kmapA_[p]] += aval[p];
    }
    const bool lowrank = kind_ == 1 && !dense_.empty();
    int rc = sf_.factor(kx_.data(), nullptr, kind_ == 2 ? sign_.data() : nullptr, ctl_.pivot_tol, lowrank ? 1.0 : 0.0,
                        R);
    if (rc) return rc == 1 ? KKT_NOMEM : KKT_PIVOT;
    // low-rank correction: U = [a_j sqrt(d_j) for dense j, e_i for replaced pivots], S = diag(1, -delta)
    q_ = 0;
    if (lowrank) {
      const int32_t nd = (int32_t)dense_.size(), nr = (int32_t)R->replaced.size();
      q_ = nd + nr;
      U_.assign((size_t)N * q_, 0.0);
      sdiag_.assign(q_, 1.0);
      for (int32_t c = 0; c < nd; c++) {
        int32_t j = dense_[c];
        double s = std::sqrt(std::max(d_[j], 0.0));
        for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) U_[(size_t)c * N + ai_[p]] += aval[p] * s;
      }
      for (int32_t c = 0; c < nr; c++) {
        U_[(size_t)(nd + c) * N + R->replaced[c]] = 1.0;
        sdiag_[nd + c] = -R->replaced_delta[c];
      }
      MiU_ = U_;
#pragma omp parallel for schedule(dynamic, 1) num_threads(nthreads_) if (nthreads_ > 1 && q_ > 1 && (double)q_ * N > 1e5)
      for (int32_t c = 0; c < q_; c++) {
        // each solve is sequential inside (deterministic); the columns are independent
        sf_.solve(MiU_.data() + (size_t)c * N);
      }
      T_.assign((size_t)q_ * q_, 0.0);
      for (int32_t a = 0; a < q_; a++)
        for (int32_t b = 0; b < q_; b++) {
          double s = 0;
          const double* ua = U_.data() + (size_t)a * N;
          const double* mb = MiU_.data() + (size_t)b * N;
          for (int32_t i = 0; i < N; i++) s += ua[i] * mb[i];
          T_[(size_t)b * q_ + a] = s;
        }
      for (int32_t a = 0; a < q_; a++) T_[(size_t)a * q_ + a] += 1.0 / sdiag_[a];
      ipiv_.assign(q_, 0);
      const int info = math::lapack_dgetrf(q_, T_.data(), q_, ipiv_.data());
      if (info != 0) {
        R->status = 2;
        R->fail_col = -1;
        return KKT_PIVOT;
      }
    } else if (!R->replaced.empty()) {
      R->status = 2;
      return KKT_PIVOT;
    }
    factored_ = true;
    return KKT_OK;
  } catch (const std::bad_alloc&) {
    R->status = 1;
    return KKT_NOMEM;
  }
}

void KktFactor::solve_corrected(double* x) const {
  sf_.solve(x);
  if (q_ == 0) return;
  const int32_t N = dim();
  std::vector<double> z(q_);
  for (int32_t a = 0; a < q_; a++) {
    const double* ua = U_.data() + (size_t)a * N;
    double s = 0;
    for (int32_t i = 0; i < N; i++) s += ua[i] * x[i];
    z[a] = s;
  }
  math::lapack_dgetrs(q_, T_.data(), q_, ipiv_.data(), z.data());
  for (int32_t a = 0; a < q_; a++) {
    const double* mb = MiU_.data() + (size_t)a * N;
    double za = z[a];
    for (int32_t i = 0; i < N; i++) x[i] -= mb[i] * za;
  }
}

void KktFactor::multiply(const double* x, double* y) const {
  if (kind_ == 1) {
    for (int32_t j = 0; j < n_; j++) {
      double s = 0;
      for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) s += aval_[p] * x[ai_[p]];
      s *= d_[j];
      for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) y[ai_[p]] += aval_[p] * s;
    }
  } else {
    const int32_t n = n_;
    for (int32_t j = 0; j < n; j++) {
      y[j] -= d_[j] * x[j];
      if (hval_)
        for (int64_t p = hp_[j]; p < hp_[j + 1]; p++) {
          int32_t i = hi_[p];
          y[i] -= hval_[p] * x[j];
          if (i != j) y[j] -= hval_[p] * x[i];
        }
      double s = 0;
      for (int64_t p = ap_[j]; p < ap_[j + 1]; p++) {
        s += aval_[p] * x[n + ai_[p]];
        y[n + ai_[p]] += aval_[p] * x[j];
      }
      y[j] += s;
    }
  }
}

int KktFactor::solve(const double* r, double* x, double* relres, int max_refine) {
  const int32_t N = dim();
  if (!factored_) return -1;
  std::copy(r, r + N, x);
  solve_corrected(x);
  std::vector<double> res(N), best(x, x + N);
  double rn = 0;
  for (int32_t i = 0; i < N; i++) rn = std::max(rn, std::fabs(r[i]));
  auto resid = [&]() {
    for (int32_t i = 0; i < N; i++) res[i] = -r[i];
    multiply(x, res.data());
    double mx = 0;
    for (int32_t i = 0; i < N; i++) { res[i] = -res[i]; mx = std::max(mx, std::fabs(res[i])); }
    return mx;
  };
  double cur = N ? resid() : 0, bestres = cur;
  int steps = 0;
  const int maxsteps = max_refine >= 0 ? max_refine : ctl_.max_refine;
  for (; steps < maxsteps && N > 0; steps++) {
    if (cur <= ctl_.refine_tol * (1.0 + rn)) break;
    solve_corrected(res.data());
    for (int32_t i = 0; i < N; i++) x[i] += res[i];
    cur = resid();
    if (cur < bestres) { bestres = cur; std::copy(x, x + N, best.begin()); }
    else break;
  }
  if (cur > bestres) std::copy(best.begin(), best.end(), x);
  if (relres) *relres = bestres / (1.0 + rn);
  return steps;
}

}  // namespace zrv::kfac
