#include "math/dense.h"

#include <cblas.h>

#include <cstddef>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

// Fortran LAPACK entry points (character arguments carry a hidden length at the end).
extern "C" {
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info, size_t uplo_len);
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda, const int* ipiv,
             double* b, const int* ldb, int* info, size_t trans_len);
void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w, double* work,
            const int* lwork, int* info, size_t jobz_len, size_t uplo_len);
}

namespace zrv::math {

static_assert(sizeof(int) == sizeof(int32_t), "LAPACK integers are 32 bits here");

int lapack_dpotrf_lower(int n, double* A, int lda) {
  int info = 0;
  dpotrf_("L", &n, A, &lda, &info, 1);
  return info;
}

int lapack_dgetrf(int n, double* A, int lda, int32_t* ipiv) {
  int info = 0;
  dgetrf_(&n, &n, A, &lda, reinterpret_cast<int*>(ipiv), &info);
  return info;
}

int lapack_dgetrs(int n, const double* A, int lda, const int32_t* ipiv, double* b) {
  int info = 0, one = 1;
  dgetrs_("N", &n, &one, A, &lda, reinterpret_cast<const int*>(ipiv), b, &n, &info, 1);
  return info;
}

int lapack_dsyev_values(int n, double* A, int lda, double* w) {
  int info = 0, lwork = -1;
  double query = 0;
  dsyev_("N", "L", &n, A, &lda, w, &query, &lwork, &info, 1, 1);
  if (info != 0) return info;
  lwork = std::max(1, (int)query);
  std::vector<double> work((size_t)lwork);
  dsyev_("N", "L", &n, A, &lda, w, work.data(), &lwork, &info, 1, 1);
  return info;
}

int blas_set_threads(int n) {
  int old = openblas_get_num_threads();
  if (n > 0 && n != old) openblas_set_num_threads(n);
  return old;
}
int blas_get_threads() { return openblas_get_num_threads(); }

int64_t dense_potrf(int64_t n, double* A, int64_t lda, double tol) {
  if (n <= 0) return 0;
  const int info = lapack_dpotrf_lower((int)n, A, (int)lda);
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
