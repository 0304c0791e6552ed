// Numeric supernodal factorization and solves of SymFactor.
#include <cblas.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "kfac/sfactor.h"
#include "math/dense.h"

namespace zrv::kfac {

namespace {
// Asks for transparent huge pages on a large buffer that has not been touched yet.  The supernodal blocks are
// addressed with large leading dimensions (one column of a big supernode per 4 KiB page and more), so the updates
// and their scatter miss the TLB on nearly every column with small pages.  Only a hint: nothing depends on it.
void advise_huge(void* p, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  const uintptr_t huge = (uintptr_t)1 << 21;
  if (bytes < 4 * huge) return;
  uintptr_t a = ((uintptr_t)p + huge - 1) & ~(huge - 1), e = ((uintptr_t)p + bytes) & ~(huge - 1);
  if (e > a) madvise((void*)a, e - a, MADV_HUGEPAGE);
#else
  (void)p; (void)bytes;
#endif
}

// The engine parallelizes above BLAS (subtrees, row blocks, tiles): OpenBLAS runs single-threaded.  The setting is
// not restored afterwards, since solves may run concurrently from several threads (dense-column correction).
struct BlasSingle {
  BlasSingle() { if (math::blas_get_threads() != 1) math::blas_set_threads(1); }
};
// Runs of consecutive target rows of an update: runb[0..nrun) are their first positions, runb[nrun] = n.
inline int32_t row_runs(const int32_t* rel, int32_t n, int32_t* runb) {
  int32_t nrun = 0;
  for (int32_t i = 0; i < n; i++)
    if (i == 0 || rel[i] != rel[i - 1] + 1) runb[nrun++] = i;
  runb[nrun] = n;
  return nrun;
}

// Subtracts entries from..n-1 of an update column cj from the target column tc (row i goes to tc[rel[i]]) and
// clears them, which keeps the update buffer zero.  By runs of consecutive target rows (*r: the run holding
// 'from', advanced here; 'from' never decreases between calls) or entry by entry when the runs are short.
inline void scatter_column(double* tc, double* cj, const int32_t* rel, int32_t from, int32_t n, const int32_t* runb,
                           int32_t nrun, bool byrun, int32_t* r) {
  if (!byrun) {
    for (int32_t i = from; i < n; i++) { tc[rel[i]] -= cj[i]; cj[i] = 0.0; }
    return;
  }
  if (from >= n) return;  // nothing left (and no run to find past the last one)
  while (runb[*r + 1] <= from) ++*r;
  for (int32_t q = *r; q < nrun; q++) {
    const int32_t lo = std::max(runb[q], from), hi = runb[q + 1];
    double* dst = tc + rel[runb[q]] + (lo - runb[q]);
    double* src = cj + lo;
    for (int32_t i = 0; i < hi - lo; i++) { dst[i] -= src[i]; src[i] = 0.0; }
  }
}

}  // namespace

// Tiny supernode (nearly diagonal matrices: most supernodes are one column wide with a few rows): every update and
// the panel factorization by scalar loops, since a BLAS call costs more than the arithmetic here.
void SymFactor::factor_small(int32_t s, int tid, const int8_t* psign, double tol, double replace, NumResult* res,
                             int* failed) {
  const int32_t f = sfirst_[s];
  const int32_t nc = sfirst_[s + 1] - f;
  const int64_t nr = rptr_[s + 1] - rptr_[s];
  const int32_t* srows = rows_.data() + rptr_[s];
  double* Ls = lx_.data() + lptr_[s];
  int32_t* map = map_[tid].data();
  for (int64_t r = 0; r < nr; r++) map[srows[r]] = (int32_t)r;
  double* W = wbuf_[tid].data();
  for (int64_t u = uptr_[s]; u < uptr_[s + 1]; u++) {
    const Upd& x = upd_[u];
    const int64_t ndr = rptr_[x.d + 1] - rptr_[x.d];
    const int32_t ndc = sfirst_[x.d + 1] - sfirst_[x.d];
    const double* Ld = lx_.data() + lptr_[x.d] + x.p1;
    const int32_t* dr = rows_.data() + rptr_[x.d] + x.p1;
    const int32_t nd1 = x.p2 - x.p1;
    const int32_t nd2 = (int32_t)(ndr - x.p1);
    const double* dd = ldlt_ ? dvals_.data() + sfirst_[x.d] : nullptr;
    for (int32_t j = 0; j < nd1; j++) {
      // W[k] = L_d[j, k] (times d_k for LDL')
      for (int32_t k = 0; k < ndc; k++) W[k] = ldlt_ ? Ld[j + (int64_t)k * ndr] * dd[k] : Ld[j + (int64_t)k * ndr];
      double* tc = Ls + (int64_t)(dr[j] - f) * nr;
      for (int32_t i = j; i < nd2; i++) {
        double acc = 0;
        for (int32_t k = 0; k < ndc; k++) acc += Ld[i + (int64_t)k * ndr] * W[k];
        tc[map[dr[i]]] -= acc;
      }
    }
  }
  auto report_fail = [&](int64_t jloc, double piv) {
#pragma omp critical(kfac_fail)
    {
      int32_t step = f + (int32_t)jloc;
      if (!*failed || step < res->fail_step) {
        *failed = 1;
        res->fail_step = step;
        res->fail_col = perm_[step];
        res->fail_pivot = piv;
      }
    }
  };
  if (!ldlt_) {
    int64_t rep[16], nrep = 0;
    double del[16];
    int64_t* rp = nc <= 16 ? rep : nullptr;
    std::vector<int64_t> repv;
    std::vector<double> delv;
    double* dp = del;
    if (!rp && replace > 0) { repv.resize(nc); delv.resize(nc); rp = repv.data(); dp = delv.data(); }
    int64_t info = math::dense_panel_chol(nr, nc, Ls, nr, tol, replace, rp, dp, &nrep);
    if (info != 0) { report_fail(info - 1, Ls[(info - 1) * (nr + 1)]); return; }
    if (nrep > 0) {
#pragma omp critical(kfac_fail)
      for (int64_t i = 0; i < nrep; i++) {
        res->replaced.push_back(perm_[f + rp[i]]);
        res->replaced_delta.push_back(dp[i]);
      }
    }
    return;
  }
  int64_t nrep = 0;
  int64_t info = math::dense_panel_ldlt(nr, nc, Ls, nr, psign + f, tol, replace, &nrep);
  if (info != 0) { report_fail(info - 1, Ls[(info - 1) * (nr + 1)]); return; }
  for (int32_t c = 0; c < nc; c++) dvals_[f + c] = Ls[c * (nr + 1)];
  if (nrep > 0) {
#pragma omp critical(kfac_fail)
    for (int32_t c = 0; c < nc; c++) {
      double d = Ls[c * (nr + 1)];
      if (std::fabs(d) == replace) { res->replaced.push_back(perm_[f + c]); res->replaced_delta.push_back(0); }
    }
  }
}

void SymFactor::factor_supernode(int32_t s, int tid, const int8_t* psign, double tol, double replace, bool par,
                                 NumResult* res, int* failed) {
  if (small_[s]) {
    factor_small(s, tid, psign, tol, replace, res, failed);
    return;
  }
  const int32_t f = sfirst_[s];
  const int32_t nc = sfirst_[s + 1] - f;
  const int64_t nr = rptr_[s + 1] - rptr_[s];
  const int32_t* srows = rows_.data() + rptr_[s];
  double* Ls = lx_.data() + lptr_[s];
  int32_t* map = map_[tid].data();
  for (int64_t r = 0; r < nr; r++) map[srows[r]] = (int32_t)r;

  const int64_t ub = uptr_[s], ue = uptr_[s + 1];
  auto wmat = [&](const Upd& x, double* W) -> const double* {
    // W (nd1 x ndc) = L_d[p1:p2, :] * D_d  (LDL') or L_d[p1:p2, :] itself (LL')
    const int64_t ndr = rptr_[x.d + 1] - rptr_[x.d];
    const int32_t ndc = sfirst_[x.d + 1] - sfirst_[x.d];
    const double* Ld = lx_.data() + lptr_[x.d];
    if (!ldlt_) return Ld + x.p1;
    const int32_t nd1 = x.p2 - x.p1;
    for (int32_t c = 0; c < ndc; c++) {
      double dc = dvals_[sfirst_[x.d] + c];
      const double* src = Ld + x.p1 + c * ndr;
      double* dst = W + (int64_t)c * nd1;
      for (int32_t i = 0; i < nd1; i++) dst[i] = src[i] * dc;
    }
    return W;
  };

  if (!big_[s]) {
    double* C = cbuf_[tid].data();
    double* W = wbuf_[tid].data();
    int32_t* rel = rel_[tid].data();
    int32_t* runb = runb_[tid].data();
    for (int64_t u = ub; u < ue; u++) {
      const Upd& x = upd_[u];
      const int64_t ndr = rptr_[x.d + 1] - rptr_[x.d];
      const int32_t ndc = sfirst_[x.d + 1] - sfirst_[x.d];
      const double* Ld = lx_.data() + lptr_[x.d];
      const int32_t* dr = rows_.data() + rptr_[x.d] + x.p1;
      const int32_t nd1 = x.p2 - x.p1;
      const int32_t nd2 = (int32_t)(ndr - x.p1);
      // positions in s of the rows of d from p1 on; the first nd1 of them are also the target columns
      for (int32_t i = 0; i < nd2; i++) rel[i] = map[dr[i]];
      if ((int64_t)nd2 * nd1 * ndc <= 256) {
        // tiny update: direct loops (BLAS call overhead dominates here)
        for (int32_t j = 0; j < nd1; j++) {
          double* tc = Ls + (int64_t)rel[j] * nr;
          for (int32_t i = j; i < nd2; i++) {
            double acc = 0;
            for (int32_t k = 0; k < ndc; k++) {
              double w = Ld[x.p1 + j + (int64_t)k * ndr];
              if (ldlt_) w *= dvals_[sfirst_[x.d] + k];
              acc += Ld[x.p1 + i + (int64_t)k * ndr] * w;
            }
            tc[rel[i]] -= acc;
          }
        }
        continue;
      }
      const double* Wm = wmat(x, W);
      const int32_t ldw = ldlt_ ? nd1 : (int32_t)ndr;
      if (rel[nd2 - 1] - rel[0] == nd2 - 1) {
        // the rows of d land on consecutive rows (and columns) of s: update L in place, no scatter
        double* T = Ls + rel[0] + (int64_t)rel[0] * nr;
        if (!ldlt_)
          cblas_dsyrk(CblasColMajor, CblasLower, CblasNoTrans, nd1, ndc, -1.0, Ld + x.p1, (int)ndr, 1.0, T, (int)nr);
        else
          // (also writes the upper triangle of the diagonal block of s, which nothing reads)
          cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, nd1, nd1, ndc, -1.0, Ld + x.p1, (int)ndr, Wm, ldw, 1.0,
                      T, (int)nr);
        if (nd2 > nd1)
          cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, nd2 - nd1, nd1, ndc, -1.0, Ld + x.p2, (int)ndr, Wm, ldw,
                      1.0, T + nd1, (int)nr);
        continue;
      }
      // C is kept zero between updates (the scatter clears what it consumed), so beta = 1 saves BLAS a pass over it
      if (!ldlt_) {
        cblas_dsyrk(CblasColMajor, CblasLower, CblasNoTrans, nd1, ndc, 1.0, Ld + x.p1, (int)ndr, 1.0, C, nd2);
      } else {
        cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, nd1, nd1, ndc, 1.0, Ld + x.p1, (int)ndr, Wm, ldw, 1.0, C,
                    nd2);
        // the strict upper part of the leading nd1 x nd1 block is not scattered
        for (int32_t j = 1; j < nd1; j++) std::memset(C + (int64_t)j * nd2, 0, (size_t)j * sizeof(double));
      }
      if (nd2 > nd1)
        cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, nd2 - nd1, nd1, ndc, 1.0, Ld + x.p2, (int)ndr, Wm, ldw,
                    1.0, C + nd1, nd2);
      const int32_t nrun = row_runs(rel, nd2, runb);
      const bool byrun = 2 * nrun <= nd2;
      int32_t r0 = 0;
      for (int32_t j = 0; j < nd1; j++)
        scatter_column(Ls + (int64_t)rel[j] * nr, C + (int64_t)j * nd2, rel, j, nd2, runb, nrun, byrun, &r0);
    }
  } else {
    // row blocks of the supernode, each assembling every update in the same (increasing d) order
    const int64_t RB = sup_rblk(s);
    const int64_t nblk = (nr + RB - 1) / RB;
#pragma omp parallel for schedule(dynamic, 1) num_threads(nthreads_) if (par && nthreads_ > 1)
    for (int64_t b = 0; b < nblk; b++) {
      int t = par ? omp_get_thread_num() : tid;
      double* C = cbuf_[t].data();
      double* W = wbuf_[t].data();
      int32_t* rel = rel_[t].data();
      int32_t* runb = runb_[t].data();
      const int32_t* tmap = map_[tid].data();  // filled by the calling thread, read-only here
      const int64_t r0 = b * RB, r1 = std::min(nr, r0 + RB);
      for (int64_t u = ub; u < ue; u++) {
        const Upd& x = upd_[u];
        const int64_t ndr = rptr_[x.d + 1] - rptr_[x.d];
        const int32_t ndc = sfirst_[x.d + 1] - sfirst_[x.d];
        const double* Ld = lx_.data() + lptr_[x.d];
        const int32_t* drows = rows_.data() + rptr_[x.d];
        const int32_t nd1 = x.p2 - x.p1;
        // rows q of d (q >= p1) whose position in s lies in [r0, r1)
        const int32_t* lo = std::lower_bound(drows + x.p1, drows + ndr, r0 < nr ? srows[r0] : n_);
        const int32_t* hi = r1 < nr ? std::lower_bound(lo, drows + ndr, srows[r1]) : drows + ndr;
        int32_t q0 = (int32_t)(lo - drows), q1 = (int32_t)(hi - drows);
        if (q1 <= q0) continue;
        // only columns j with target column <= last row of the block matter
        int32_t jmax = nd1;
        if (r1 <= nc) {
          // block in the diagonal part: columns of s up to srows[r1-1]-f
          int32_t lastcol = srows[r1 - 1] - f;
          jmax = (int32_t)(std::upper_bound(drows + x.p1, drows + x.p2, lastcol + f) - (drows + x.p1));
          if (jmax <= 0) continue;
        }
        const double* Wm;
        int32_t ldw;
        if (ldlt_) { Wm = wmat(x, W); ldw = nd1; }
        else { Wm = Ld + x.p1; ldw = (int32_t)ndr; }
        const int32_t nq = q1 - q0;
        for (int32_t i = 0; i < nq; i++) rel[i] = tmap[drows[q0 + i]];
        const int32_t c0 = drows[x.p1] - f, cl = drows[x.p1 + jmax - 1] - f;
        if (rel[nq - 1] - rel[0] == nq - 1 && cl - c0 == jmax - 1) {
          // consecutive target rows and columns: update L in place (entries above the diagonal of s that this
          // writes are never read, and they lie in rows of this block only)
          cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, nq, jmax, ndc, -1.0, Ld + q0, (int)ndr, Wm, ldw, 1.0,
                      Ls + rel[0] + (int64_t)c0 * nr, (int)nr);
          continue;
        }
        cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, nq, jmax, ndc, 1.0, Ld + q0, (int)ndr, Wm, ldw, 1.0, C,
                    nq);
        // scatter rows on or below the diagonal of s (a prefix of the rows per column, growing with the column)
        const int32_t nrun = row_runs(rel, nq, runb);
        const bool byrun = 2 * nrun <= nq;
        int32_t i0 = 0, rr = 0;
        for (int32_t j = 0; j < jmax; j++) {
          const int32_t col = drows[x.p1 + j] - f;
          double* cj = C + (int64_t)j * nq;
          while (i0 < nq && rel[i0] < col) i0++;
          if (i0 > 0) std::memset(cj, 0, (size_t)i0 * sizeof(double));
          scatter_column(Ls + (int64_t)col * nr, cj, rel, i0, nq, runb, nrun, byrun, &rr);
        }
      }
    }
  }

  // factor the diagonal block and solve the off-diagonal block
  auto report_fail = [&](int64_t jloc, double piv) {
#pragma omp critical(kfac_fail)
    {
      int32_t step = f + (int32_t)jloc;
      if (!*failed || step < res->fail_step) {
        *failed = 1;
        res->fail_step = step;
        res->fail_col = perm_[step];
        res->fail_pivot = piv;
      }
    }
  };
  const int64_t T = big_[s] ? sup_tile(s) : std::max<int64_t>(nc, 1);
  const int64_t TR = big_[s] ? sup_rblk(s) : std::max<int64_t>(nr, 1);  // rows per solve task
  const int64_t ntile = (nc + T - 1) / T;
  for (int64_t k = 0; k < ntile; k++) {
    const int64_t c0 = k * T, kc = std::min<int64_t>(T, nc - c0);
    double* Akk = Ls + c0 + c0 * nr;
    // diagonal tile
    if (!ldlt_) {
      int64_t info;
      if (replace > 0) {
        std::vector<double> save;
        save.assign(kc * kc, 0.0);
        for (int64_t c = 0; c < kc; c++) std::memcpy(&save[c * kc], Akk + c * nr, kc * sizeof(double));
        info = math::dense_potrf(kc, Akk, nr, tol);
        if (info != 0) {
          for (int64_t c = 0; c < kc; c++) std::memcpy(Akk + c * nr, &save[c * kc], kc * sizeof(double));
          std::vector<int64_t> rep(kc);
          std::vector<double> del(kc);
          int64_t nrep = 0;
          math::dense_potrf_replace(kc, Akk, nr, tol, replace, rep.data(), del.data(), &nrep);
#pragma omp critical(kfac_fail)
          for (int64_t i = 0; i < nrep; i++) {
            res->replaced.push_back(perm_[f + c0 + rep[i]]);
            res->replaced_delta.push_back(del[i]);
          }
        }
      } else {
        info = math::dense_potrf(kc, Akk, nr, tol);
        if (info != 0) {
          report_fail(c0 + info - 1, info > 0 ? Akk[(info - 1) * (nr + 1)] : 0.0);
          return;
        }
      }
    } else {
      int64_t nrep = 0;
      int64_t info = math::dense_ldlt(kc, Akk, nr, psign + f + c0, tol, replace, &nrep, wbuf_[tid].data());
      if (info != 0) {
        report_fail(c0 + info - 1, Akk[(info - 1) * (nr + 1)]);
        return;
      }
      for (int64_t c = 0; c < kc; c++) dvals_[f + c0 + c] = Akk[c * (nr + 1)];
      if (nrep > 0) {
#pragma omp critical(kfac_fail)
        for (int64_t c = 0; c < kc; c++) {
          double d = Akk[c * (nr + 1)];
          if (std::fabs(d) == replace) { res->replaced.push_back(perm_[f + c0 + c]); res->replaced_delta.push_back(0); }
        }
      }
    }
    // rows below the tile: solve, by row blocks
    const int64_t rb0 = c0 + kc;
    const int64_t nbelow = nr - rb0;
    if (nbelow <= 0) continue;
    const int64_t nrb = (nbelow + TR - 1) / TR;
#pragma omp parallel for schedule(dynamic, 1) num_threads(nthreads_) if (par && nthreads_ > 1 && nrb > 1)
    for (int64_t b = 0; b < nrb; b++) {
      const int64_t i0 = rb0 + b * TR, ni = std::min<int64_t>(TR, nr - i0);
      double* B = Ls + i0 + c0 * nr;
      cblas_dtrsm(CblasColMajor, CblasRight, CblasLower, CblasTrans, ldlt_ ? CblasUnit : CblasNonUnit, (int)ni,
                  (int)kc, 1.0, Akk, (int)nr, B, (int)nr);
      if (ldlt_) {
        for (int64_t c = 0; c < kc; c++) {
          double inv = 1.0 / Akk[c * (nr + 1)];
          double* col = B + c * nr;
          for (int64_t i = 0; i < ni; i++) col[i] *= inv;
        }
      }
    }
    // update the remaining column tiles of this supernode: A[i, J] -= L[i, k] D_k L[J, k]'
    if (k + 1 < ntile) {
      const int64_t nrem = ntile - k - 1;
      // tasks: (column tile J, row block i) with rows i >= start of J
      std::vector<std::pair<int32_t, int32_t>> tasks;
      for (int64_t J = k + 1; J < ntile; J++)
        for (int64_t i0 = J * T; i0 < nr; i0 += T) tasks.push_back({(int32_t)J, (int32_t)(i0 / T)});
      // (row blocks of the tile updates use the tile size T)
      (void)nrem;
#pragma omp parallel for schedule(dynamic, 1) num_threads(nthreads_) if (par && nthreads_ > 1)
      for (size_t q = 0; q < tasks.size(); q++) {
        int t = par ? omp_get_thread_num() : tid;
        const int64_t J = tasks[q].first, ib = tasks[q].second;
        const int64_t j0 = J * T, nj = std::min<int64_t>(T, nc - j0);
        const int64_t i0 = ib * T, ni = std::min<int64_t>(T, nr - i0);
        const double* Lik = Ls + i0 + c0 * nr;
        const double* Ljk = Ls + j0 + c0 * nr;
        double* Aij = Ls + i0 + j0 * nr;
        if (!ldlt_) {
          if (i0 == j0) {
            cblas_dsyrk(CblasColMajor, CblasLower, CblasNoTrans, (int)nj, (int)kc, -1.0, Lik, (int)nr, 1.0, Aij,
                        (int)nr);
            if (ni > nj)
              cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, (int)(ni - nj), (int)nj, (int)kc, -1.0, Lik + nj,
                          (int)nr, Ljk, (int)nr, 1.0, Aij + nj, (int)nr);
          } else
            cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, (int)ni, (int)nj, (int)kc, -1.0, Lik, (int)nr, Ljk,
                        (int)nr, 1.0, Aij, (int)nr);
        } else {
          double* W = wbuf_[t].data();  // nj x kc scaled copy of L[J, k]
          for (int64_t c = 0; c < kc; c++) {
            double d = dvals_[f + c0 + c];
            for (int64_t j = 0; j < nj; j++) W[j + c * nj] = Ljk[j + c * nr] * d;
          }
          cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, (int)ni, (int)nj, (int)kc, -1.0, Lik, (int)nr, W,
                      (int)nj, 1.0, Aij, (int)nr);
        }
      }
    }
  }
}

int SymFactor::factor(const double* values, const double* diag_add, const int8_t* sign, double pivtol, double replace,
                      NumResult* res) {
  NumResult local;
  NumResult* R = res ? res : &local;
  *R = NumResult();
  have_factor_ = false;
  const int32_t n = n_;
  ldlt_ = sign != nullptr;
  try {
    // small factorizations run on one thread (same decomposition, so the same bits)
    const int nt = total_work_ < 2e7 ? 1 : nthreads_;
    const int saved_nt = nthreads_;
    nthreads_ = nt;
    struct Restore { int32_t& r; int32_t v; ~Restore() { r = v; } } restore{nthreads_, saved_nt};
    if ((int)map_.size() < nt) {
      map_.resize(nt);
      rel_.resize(nt);
      runb_.resize(nt);
      cbuf_.resize(nt);
      wbuf_.resize(nt);
    }
    for (int t = 0; t < nt; t++) {
      if ((int32_t)map_[t].size() < n) map_[t].assign(n, 0);
      if ((int32_t)rel_[t].size() < maxrows_ + 1) rel_[t].assign(maxrows_ + 1, 0);
      if ((int32_t)runb_[t].size() < maxrows_ + 2) runb_[t].assign(maxrows_ + 2, 0);
      if ((int64_t)cbuf_[t].size() < cbuf_size_) cbuf_[t].assign(cbuf_size_, 0.0);
      int64_t wsz = wbuf_size_;
      if ((int64_t)wbuf_[t].size() < wsz) wbuf_[t].assign(wsz, 0.0);
    }
    // offsets of the per-supernode products of the forward solve
    pptr_.assign(nsuper_ + 1, 0);
    for (int32_t s = 0; s < nsuper_; s++)
      pptr_[s + 1] = pptr_[s] + (rptr_[s + 1] - rptr_[s]) - (sfirst_[s + 1] - sfirst_[s]);
    // assemble the matrix into L
    if (!lx_.empty() && lx_advised_ != lx_.data()) {
      advise_huge(lx_.data(), lx_.size() * sizeof(double));  // before the first touch below
      lx_advised_ = lx_.data();
    }
    if (!lx_.empty()) std::memset(lx_.data(), 0, lx_.size() * sizeof(double));
    for (int64_t p = 0; p < nnz_in_; p++) lx_[amap_[p]] += values[p];
    double maxdiag = 0;
    for (int32_t k = 0; k < n; k++) {
      double& dk = lx_[diagpos_[k]];
      if (diag_add) dk += diag_add[perm_[k]];
      maxdiag = std::max(maxdiag, std::fabs(dk));
    }
    if (ldlt_) {
      psign_.resize(n);
      for (int32_t k = 0; k < n; k++) psign_[k] = sign[perm_[k]] < 0 ? -1 : 1;
    }
    const double tol = pivtol * std::max(maxdiag, 1.0);
    const double rep = replace > 0 ? replace * std::max(maxdiag, 1.0) : 0.0;
    int failed = 0;
    BlasSingle blas1;
    const int8_t* ps = ldlt_ ? psign_.data() : nullptr;
    const int32_t nsub = (int32_t)sub_lo_.size();
    if (nt > 1 && nsub > 1) {
#pragma omp parallel for schedule(dynamic, 1) num_threads(nt)
      for (int32_t q = 0; q < nsub; q++) {
        int tid = omp_get_thread_num();
        for (int32_t s = sub_lo_[q]; s <= sub_hi_[q]; s++) {
          if (failed) break;
          factor_supernode(s, tid, ps, tol, rep, false, R, &failed);
        }
      }
    } else {
      for (int32_t q = 0; q < nsub && !failed; q++)
        for (int32_t s = sub_lo_[q]; s <= sub_hi_[q] && !failed; s++) factor_supernode(s, 0, ps, tol, rep, false, R, &failed);
    }
    for (size_t q = 0; q < top_.size() && !failed; q++) factor_supernode(top_[q], 0, ps, tol, rep, true, R, &failed);
    if (failed) {
      R->status = 2;
      return 2;
    }
    // pivot statistics
    double mn = INFINITY, mx = 0;
    for (int32_t k = 0; k < n; k++) {
      double v = ldlt_ ? std::fabs(dvals_[k]) : lx_[diagpos_[k]] * lx_[diagpos_[k]];
      mn = std::min(mn, v);
      mx = std::max(mx, v);
    }
    R->min_pivot = n ? mn : 0;
    R->max_pivot = mx;
    have_factor_ = true;
    return 0;
  } catch (const std::bad_alloc&) {
    R->status = 1;
    return 1;
  }
}

// Forward substitution at supernode s.  The products of the rows below the diagonal block of every descendant with
// its solved part were stored by that descendant in prod (one dgemv over its whole off-diagonal block, not one call
// per ancestor); s subtracts the slices that fall in its columns, in the fixed order of its update list, so the sums
// do not depend on the schedule.
void SymFactor::solve_fwd_node(int32_t s, double* x, double* prod) const {
  const int32_t f = sfirst_[s];
  const int32_t nc = sfirst_[s + 1] - f;
  const int64_t nr = rptr_[s + 1] - rptr_[s];
  for (int64_t u = uptr_[s]; u < uptr_[s + 1]; u++) {
    const Upd& x0 = upd_[u];
    const int32_t* dr = rows_.data() + rptr_[x0.d] + x0.p1;
    const double* pd = prod + pptr_[x0.d] + (x0.p1 - (sfirst_[x0.d + 1] - sfirst_[x0.d]));
    const int32_t nd1 = x0.p2 - x0.p1;
    for (int32_t i = 0; i < nd1; i++) x[dr[i]] -= pd[i];
  }
  const double* Ls = lx_.data() + lptr_[s];
  double* xs = x + f;
  const int64_t nb = nr - nc;
  if (nr * nc <= 64) {
    // tiny block: loops (a BLAS call costs more)
    for (int32_t c = 0; c < nc; c++) {
      const double* col = Ls + (int64_t)c * nr;
      if (!ldlt_) xs[c] /= col[c];
      const double v = xs[c];
      for (int32_t i = c + 1; i < nc; i++) xs[i] -= col[i] * v;
    }
    double* ps = prod + pptr_[s];
    for (int64_t i = 0; i < nb; i++) ps[i] = 0.0;
    for (int32_t c = 0; c < nc; c++) {
      const double* col = Ls + (int64_t)c * nr + nc;
      const double v = xs[c];
      for (int64_t i = 0; i < nb; i++) ps[i] += col[i] * v;
    }
    return;
  }
  cblas_dtrsv(CblasColMajor, CblasLower, CblasNoTrans, ldlt_ ? CblasUnit : CblasNonUnit, nc, Ls, (int)nr, xs, 1);
  if (nb > 0)
    cblas_dgemv(CblasColMajor, CblasNoTrans, (int)nb, nc, 1.0, Ls + nc, (int)nr, xs, 1, 0.0, prod + pptr_[s], 1);
}

void SymFactor::solve_bwd_node(int32_t s, double* x, double* t) const {
  const int32_t f = sfirst_[s];
  const int32_t nc = sfirst_[s + 1] - f;
  const int64_t nr = rptr_[s + 1] - rptr_[s];
  const int32_t* srows = rows_.data() + rptr_[s];
  const double* Ls = lx_.data() + lptr_[s];
  const int64_t nb = nr - nc;
  double* xs = x + f;
  if (nr * nc <= 64) {
    for (int32_t c = nc - 1; c >= 0; c--) {
      const double* col = Ls + (int64_t)c * nr;
      double acc = xs[c];
      for (int64_t i = nc; i < nr; i++) acc -= col[i] * x[srows[i]];
      for (int32_t i = c + 1; i < nc; i++) acc -= col[i] * xs[i];
      xs[c] = ldlt_ ? acc : acc / col[c];
    }
    return;
  }
  if (nb > 0) {
    for (int64_t i = 0; i < nb; i++) t[i] = x[srows[nc + i]];
    cblas_dgemv(CblasColMajor, CblasTrans, (int)nb, nc, -1.0, Ls + nc, (int)nr, t, 1, 1.0, xs, 1);
  }
  cblas_dtrsv(CblasColMajor, CblasLower, CblasTrans, ldlt_ ? CblasUnit : CblasNonUnit, nc, Ls, (int)nr, xs, 1);
}

void SymFactor::solve(double* b) const {
  const int32_t n = n_;
  if (!have_factor_ || n == 0) return;
  std::vector<double> x(n);
  for (int32_t k = 0; k < n; k++) x[k] = b[perm_[k]];
  const int nt = total_work_ < 2e7 ? 1 : nthreads_;
  // every product is written by its supernode before an ancestor reads it: no zeroing
  std::vector<double, NoInitAlloc<double>> prod(std::max<int64_t>(pptr_[nsuper_], 1));
  std::vector<std::vector<double>> tbuf(nt, std::vector<double>(std::max(maxrows_, 1)));
  BlasSingle blas1;
  const int32_t nsub = (int32_t)sub_lo_.size();
#pragma omp parallel for schedule(dynamic, 1) num_threads(nt) if (nt > 1 && nsub > 1)
  for (int32_t q = 0; q < nsub; q++)
    for (int32_t s = sub_lo_[q]; s <= sub_hi_[q]; s++) solve_fwd_node(s, x.data(), prod.data());
  for (int32_t s : top_) solve_fwd_node(s, x.data(), prod.data());
  if (ldlt_)
    for (int32_t k = 0; k < n; k++) x[k] /= dvals_[k];
  for (size_t q = top_.size(); q-- > 0;) solve_bwd_node(top_[q], x.data(), tbuf[0].data());
#pragma omp parallel for schedule(dynamic, 1) num_threads(nt) if (nt > 1 && nsub > 1)
  for (int32_t q = 0; q < nsub; q++) {
    int tid = omp_get_thread_num();
    for (int32_t s = sub_hi_[q]; s >= sub_lo_[q]; s--) solve_bwd_node(s, x.data(), tbuf[tid].data());
  }
  for (int32_t k = 0; k < n; k++) b[perm_[k]] = x[k];
}

void SymFactor::multiply(const double* values, const double* x, double* y) const {
  for (int32_t j = 0; j < n_; j++)
    for (int64_t p = in_ptr_[j]; p < in_ptr_[j + 1]; p++) {
      int32_t i = in_row_[p];
      y[i] += values[p] * x[j];
      if (i != j) y[j] += values[p] * x[i];
    }
}

}  // namespace zrv::kfac
