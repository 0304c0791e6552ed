// Dense kernels for the supernodal factorization: thin wrappers over CBLAS/LAPACK (OpenBLAS) and a blocked
// LDL' without pivoting for quasi-definite blocks.  Column-major storage throughout.
#pragma once
#include <cstdint>

namespace zrv::math {

// Runs OpenBLAS with one thread (the callers parallelize at the supernode level); returns the previous count.
int blas_set_threads(int n);
int blas_get_threads();

// LAPACK routines of OpenBLAS, called through their Fortran entry points (OpenBLAS carries LAPACK itself; a
// separate C interface library would load further copies of the BLAS and the Fortran runtime into every process).
// Column-major; the return value is LAPACK's info.
int lapack_dpotrf_lower(int n, double* A, int lda);
int lapack_dgetrf(int n, double* A, int lda, int32_t* ipiv);
int lapack_dgetrs(int n, const double* A, int lda, const int32_t* ipiv, double* b);  // one right-hand side
int lapack_dsyev_values(int n, double* A, int lda, double* w);  // eigenvalues (ascending) of the lower triangle

// Cholesky of the lower triangle of the n x n block A (leading dimension lda).  Returns 0, or the 1-based column of
// the first pivot that is not positive or is below tol (checked after the factorization), or -1 on bad arguments.
// pivots[j] (optional) receives the computed squared pivot l_jj^2.
int64_t dense_potrf(int64_t n, double* A, int64_t lda, double tol);

// Blocked LDL' without pivoting of the lower triangle of the n x n block A: on exit the strict lower triangle is
// unit-lower L and the diagonal holds d.  sign[j] (+1/-1, may be null for +1) is the expected sign of d_j; a pivot with
// sign[j]*d_j <= tol fails: returns its 1-based column.  With replace != 0 such a pivot is replaced by
// sign[j]*replace instead and counted in *nreplaced (then the routine does not fail).
int64_t dense_ldlt(int64_t n, double* A, int64_t lda, const int8_t* sign, double tol, double replace,
                   int64_t* nreplaced, double* work);

// Cholesky with pivot replacement (own blocked code): a pivot d <= tol is replaced by `replace`, i.e. the block
// factored is A + delta e_j e_j' with delta = replace - d; j (0-based) and delta are appended to replaced/delta
// (*nrep counts them).  Never fails.
void dense_potrf_replace(int64_t n, double* A, int64_t lda, double tol, double replace, int64_t* replaced,
                         double* delta, int64_t* nrep);

// Unblocked factorization of a tall panel without BLAS calls (for tiny supernodes, where call overhead dominates):
// the nc x nc diagonal block on top of nr - nc further rows, column-major with leading dimension lda.  On exit the
// diagonal block holds L (Cholesky) or unit-lower L with d on the diagonal (LDL'), the rows below the matching rows
// of L.  Pivot rules as in dense_ldlt (LDL', sign may be null) and dense_potrf / dense_potrf_replace (Cholesky:
// replace > 0 replaces a pivot d <= tol and records it in replaced/delta/nrep, else the 1-based column is returned
// and the pivot value stays in place).
int64_t dense_panel_ldlt(int64_t nr, int64_t nc, double* A, int64_t lda, const int8_t* sign, double tol,
                         double replace, int64_t* nreplaced);
int64_t dense_panel_chol(int64_t nr, int64_t nc, double* A, int64_t lda, double tol, double replace,
                         int64_t* replaced, double* delta, int64_t* nrep);

// Machine dgemm rate in GFlop/s on n x n matrices, single threaded (for the bench).
double dense_dgemm_gflops(int n, int reps);

}  // namespace zrv::math
