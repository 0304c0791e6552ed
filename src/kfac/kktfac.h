// KKT system factorization for the interior-point optimizer: the engine behind kktfac_make,
// kktfac_numfac and kktfac_solve.  It works on matrices only: the driver fills KktControl from the parameters
// (ZRV_IPAR_INTPNT_ORDER_METHOD, ZRV_IPAR_NUM_THREADS, ZRV_IPAR_INTPNT_OFF_COL_TRH, ...) and prints KktStats.
//
// kind 1 (normal equations): K = A D A' + rd I (order m), D = diag(d) > 0.  Dense columns of A are kept out of the
//   sparse factor and handled by a low-rank correction through a small dense Schur complement in every solve.
// kind 2 (augmented, quasi-definite): K = [[-(H + diag(d)) - rp I, A'], [A, rd I]] (order n + m), factored as
//   L D L' with D negative on the first n and positive on the last m pivots.
#pragma once
#include <cstdint>
#include <vector>

#include "kfac/sfactor.h"

namespace zrv::kfac {

struct KktControl {
  int32_t kind = 0;             // 0 choose (1 unless H has an off-diagonal entry), 1 normal equations, 2 augmented
  int32_t order_method = order::ORDER_AUTO;
  int32_t nthreads = 1;
  int32_t dense_col_trh = 0;    // > 0: a column with more nonzeros is dense; 0: default rule; < 0: no dense columns
  double pivot_tol = 1e-15;     // relative pivot tolerance (times the largest diagonal)
  int32_t max_refine = 4;       // iterative refinement steps against the unregularized system
  double refine_tol = 1e-15;
};

struct KktStats {
  int32_t kind = 0;
  int32_t dim = 0;                     // order of the factored matrix
  double t_setup = 0, t_dense = 0, t_ml = 0, t_gp = 0, t_symbolic = 0;
  int64_t nnz_before = 0, nnz_after = 0;  // nonzeros of the (lower) matrix and of L
  int32_t dense_dim = 0;               // dense columns removed
  double flops = 0;
  bool gp_tried = false;
  int64_t gp_saved_nz = 0;             // nonzeros saved by graph partitioning (negative: it was worse)
  double gp_saved_flops = 0;
  int32_t method_used = 0;
  int32_t nthreads = 1;
  SymStats sym;
};

enum KktStatus : int { KKT_OK = 0, KKT_NOMEM = 1, KKT_PIVOT = 2, KKT_BADDIM = 4 };

class KktFactor {
 public:
  // A: m x n in CSC (acolptr[n+1], arow); H: lower (or full) pattern of the n x n Hessian in CSC, may be null.
  int make(int32_t m, int32_t n, const int64_t* acolptr, const int32_t* arow, const int64_t* hcolptr,
           const int32_t* hrow, const KktControl& ctl, KktStats* stats);

  // Numeric factorization.  aval: values of A; hval: values of H (kind 2, may be null); d: n diagonal scaling;
  // rp, rd: primal and dual regularization.  Returns KKT_OK or KKT_PIVOT (res says where) or KKT_NOMEM.
  int numfac(const double* aval, const double* hval, const double* d, double rp, double rd, NumResult* res);

  // Solves K x = r (kind 1: order m; kind 2: order n + m) with refinement against the unregularized matrix.
  // Returns the number of refinement steps done; *relres (optional) the final relative residual.
  // max_refine >= 0 overrides the control's number of refinement steps for this solve.
  int solve(const double* r, double* x, double* relres = nullptr, int max_refine = -1);

  int32_t kind() const { return kind_; }
  int32_t dim() const { return kind_ == 1 ? m_ : m_ + n_; }
  int32_t dense_dim() const { return (int32_t)dense_.size(); }
  void set_threads(int32_t nt) { nthreads_ = nt < 1 ? 1 : nt; sf_.set_threads(nthreads_); }
  // K x (unregularized) added to y
  void multiply(const double* x, double* y) const;

 private:
  void solve_corrected(double* x) const;  // sparse factor + low-rank correction, no refinement

  int32_t m_ = 0, n_ = 0, kind_ = 1, nthreads_ = 1;
  KktControl ctl_;
  std::vector<int64_t> ap_;
  std::vector<int32_t> ai_;
  std::vector<int64_t> hp_;
  std::vector<int32_t> hi_;
  std::vector<int32_t> dense_;           // dense columns of A
  std::vector<char> isdense_;
  // kind 1: CSR of the sparse part of A (row pointers, column indices, position in aval)
  std::vector<int64_t> rp_;
  std::vector<int32_t> rc_;
  std::vector<int64_t> rpos_;
  // pattern of the factored matrix (lower CSC) and its values
  std::vector<int64_t> kp_;
  std::vector<int32_t> ki_;
  std::vector<double> kx_;
  std::vector<int64_t> kmapA_, kmapH_;   // kind 2: positions of A and H entries in kx_
  std::vector<int64_t> kdiag_;           // kind 2: positions of the diagonal entries
  std::vector<int8_t> sign_;
  SymFactor sf_;
  // numeric state
  const double* aval_ = nullptr;
  const double* hval_ = nullptr;
  std::vector<double> d_;
  double rp_val_ = 0, rd_val_ = 0;
  // low-rank correction: U (dim x q) and the LU factor of T = S^-1 + U' M^-1 U
  // work of one A D A' assembly (multiply-adds); small assemblies run on one thread, where opening a parallel
  // region costs more than it saves
  double adat_work_ = 0;
  int32_t q_ = 0;
  std::vector<double> U_, MiU_, T_;
  std::vector<int32_t> ipiv_;
  std::vector<double> sdiag_;
  bool factored_ = false;
};

}  // namespace zrv::kfac
