#include "math/dense.h"

#include <cblas.h>
#include <lapacke.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace zrv::math {

int blas_set_threads(int n) {
  int old = openblas_get_num_threads();
  if (n > 0 && n != old) openblas_set_num_threads(n);
  return old;
}
int blas_get_threads() { return openblas_get_num_threads(); }

int64_t dense_potrf(int64_t n, double* A, int64_t lda, double tol) {
  if (n <= 0) return 0;
  lapack_int info = LAPACKE_dpotrf_work(LAPACK_COL_MAJOR, 'L', (lapack_int)n, A, (lapack_int)lda);
  if (info < 0) return -1;
  if (info > 0) return info;
  for (int64_t j = 0; j < n; j++) {
    double l = A[j + j * lda];
    if (!(l * l > tol)) return j + 1;  // also catches NaN
  }
  return 0;
}

namespace {
// Unblocked LDL' of the panel: columns [k, k+nb) of the n x n matrix, rows k..n-1.
int64_t ldlt_panel(int64_t n, int64_t k, int64_t nb, double* A, int64_t lda, const int8_t* sign, double tol,
                   double replace, int64_t* nrep) {
  for (int64_t j = k; j < k + nb; j++) {
    double* colj = A + j * lda;
    double d = colj[j];
    double s = sign ? sign[j] : 1.0;
    if (!(s * d > tol)) {
      if (replace > 0) { d = s * replace; if (nrep) (*nrep)++; }
      else return j + 1;
    }
    colj[j] = d;
    double inv = 1.0 / d;
    for (int64_t i = j + 1; i < n; i++) colj[i] *= inv;
    // update the remaining columns of the panel
    for (int64_t c = j + 1; c < k + nb; c++) {
      double f = colj[c] * d;
      if (f == 0.0) continue;
      double* colc = A + c * lda;
      for (int64_t i = c; i < n; i++) colc[i] -= colj[i] * f;
    }
  }
  return 0;
}
}  // namespace

int64_t dense_ldlt(int64_t n, double* A, int64_t lda, const int8_t* sign, double tol, double replace,
                   int64_t* nreplaced, double* work) {
  const int64_t NB = 64;
  std::vector<double> wbuf;
  for (int64_t k = 0; k < n; k += NB) {
    int64_t nb = std::min(NB, n - k);
    int64_t r = ldlt_panel(n, k, nb, A, lda, sign, tol, replace, nreplaced);
    if (r) return r;
    int64_t m = n - k - nb;
    if (m <= 0) break;
    // W = L21 * D1  (m x nb)
    double* W = work;
    if (!W) { wbuf.resize((size_t)(m * nb)); W = wbuf.data(); }
    const double* L21 = A + (k + nb) + k * lda;
    for (int64_t c = 0; c < nb; c++) {
      double d = A[(k + c) + (k + c) * lda];
      for (int64_t i = 0; i < m; i++) W[i + c * m] = L21[i + c * lda] * d;
    }
    // A22 -= L21 * W' (lower part, by column tiles)
    double* A22 = A + (k + nb) + (k + nb) * lda;
    const int64_t T = 256;
    for (int64_t c0 = 0; c0 < m; c0 += T) {
      int64_t tc = std::min(T, m - c0);
      cblas_dgemm(CblasColMajor, CblasNoTrans, CblasTrans, (int)(m - c0), (int)tc, (int)nb, -1.0, L21 + c0, (int)lda,
                  W + c0, (int)m, 1.0, A22 + c0 + c0 * lda, (int)lda);
    }
  }
  return 0;
}

int64_t dense_panel_ldlt(int64_t nr, int64_t nc, double* A, int64_t lda, const int8_t* sign, double tol,
                         double replace, int64_t* nreplaced) {
  return ldlt_panel(nr, 0, nc, A, lda, sign, tol, replace, nreplaced);
}

int64_t dense_panel_chol(int64_t nr, int64_t nc, double* A, int64_t lda, double tol, double replace,
                         int64_t* replaced, double* delta, int64_t* nrep) {
  for (int64_t j = 0; j < nc; j++) {
    double* colj = A + j * lda;
    double d = colj[j];
    if (!(d > tol)) {
      if (!(replace > 0)) return j + 1;
      if (replaced) replaced[*nrep] = j;
      if (delta) delta[*nrep] = replace - d;
      (*nrep)++;
      d = replace;
    }
    const double l = std::sqrt(d);
    colj[j] = l;
    const double inv = 1.0 / l;
    for (int64_t i = j + 1; i < nr; i++) colj[i] *= inv;
    for (int64_t c = j + 1; c < nc; c++) {
      const double f = colj[c];
      if (f == 0.0) continue;
      double* colc = A + c * lda;
      for (int64_t i = c; i < nr; i++) colc[i] -= colj[i] * f;
    }
  }
  return 0;
}

void dense_potrf_replace(int64_t n, double* A, int64_t lda, double tol, double replace, int64_t* replaced,
                         double* delta, int64_t* nrep) {
  const int64_t NB = 64;
  for (int64_t k = 0; k < n; k += NB) {
    int64_t nb = std::min(NB, n - k);
    // unblocked right-looking on the panel
    for (int64_t j = k; j < k + nb; j++) {
      double* colj = A + j * lda;
      double d = colj[j];
      if (!(d > tol)) {
        if (replaced) replaced[*nrep] = j;
        if (delta) delta[*nrep] = replace - d;
        (*nrep)++;
        d = replace;
      }
      double l = std::sqrt(d);
      colj[j] = l;
      double inv = 1.0 / l;
      for (int64_t i = j + 1; i < n; i++) colj[i] *= inv;
      for (int64_t c = j + 1; c < k + nb; c++) {
        double f = colj[c];
        if (f == 0.0) continue;
        double* colc = A + c * lda;
        for (int64_t i = c; i < n; i++) colc[i] -= colj[i] * f;
      }
    }
    int64_t m = n - k - nb;
    if (m <= 0) break;
    cblas_dsyrk(CblasColMajor, CblasLower, CblasNoTrans, (int)m, (int)nb, -1.0, A + (k + nb) + k * lda, (int)lda, 1.0,
                A + (k + nb) + (k + nb) * lda, (int)lda);
  }
}

double dense_dgemm_gflops(int n, int reps) {
  std::vector<double> a((size_t)n * n, 1.0), b((size_t)n * n, 0.5), c((size_t)n * n, 0.0);
  for (size_t i = 0; i < a.size(); i++) a[i] = 1.0 / (1.0 + (double)(i % 97));
  cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, n, n, n, 1.0, a.data(), n, b.data(), n, 0.0, c.data(), n);
  auto t0 = std::chrono::steady_clock::now();
  for (int r = 0; r < reps; r++)
    cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, n, n, n, 1.0, a.data(), n, b.data(), n, 0.0, c.data(), n);
  double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return 2.0 * n * (double)n * n * reps / t * 1e-9;
}

}  // namespace zrv::math
