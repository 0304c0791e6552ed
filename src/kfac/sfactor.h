// Supernodal factorization of a sparse symmetric matrix: ordering, symbolic analysis
// (elimination tree, postorder, column counts, fundamental supernodes with relaxed amalgamation, row structure,
// update lists, subtree schedule), left-looking supernodal numeric factorization (Cholesky LL' or LDL' with
// prescribed pivot signs for quasi-definite matrices) and solves.
//
// Why left-looking: the memory of L is allocated once from the symbolic factor and nothing else of that size is
// needed (no update-matrix stack); each supernode is assembled from the (fixed, sorted) list of descendants that
// update it, which makes the floating-point summation order independent of the schedule, so results are
// bit-identical for every thread count.  Large supernodes are cut into fixed row blocks and column tiles (a
// decomposition that does not depend on the thread count) whose tasks run in parallel.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "order/order.h"

namespace zrv::kfac {

// Allocator that leaves value-initialized elements uninitialized.  The storage of L is reserved by the analysis but
// first written by the numeric factorization (which zeroes it before assembling), so the analysis does not touch it.
template <class T>
struct NoInitAlloc : std::allocator<T> {
  template <class U> struct rebind { using other = NoInitAlloc<U>; };
  NoInitAlloc() = default;
  template <class U> NoInitAlloc(const NoInitAlloc<U>&) noexcept {}
  template <class U> void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) { ::new ((void*)p) U; }
  template <class U, class... A> void construct(U* p, A&&... a) { ::new ((void*)p) U(std::forward<A>(a)...); }
};

struct SymOptions {
  int32_t method = order::ORDER_AMD;  // zrv::order::Method
  int32_t nthreads = 1;               // threads of the numeric factorization and the solves
  int32_t nrelax[3] = {4, 16, 48};    // relaxed amalgamation: supernode sizes ...
  double zrelax[3] = {0.8, 0.1, 0.05};  // ... and allowed fractions of explicit zeros
  int32_t rowblock = 256;             // row-block / tile size of large supernodes
  double big_flops = 3e8;             // supernodes with more work are split into row blocks and tiles
  int32_t small_panel = 1024;         // supernodes with rows x columns up to this use scalar kernels (no BLAS)
  order::AmdControl amd;
  order::NdControl nd;
  int64_t nd_second_limit = 1000000;  // graphs with at most this many adjacency entries get a second dissection
  double nd_second_ratio = 0.8;       // ... unless the first leaves at most this fraction of minimum degree's flops
  const int32_t* user_perm = nullptr;  // if set, used as the ordering (perm[k] = index eliminated k-th)
};

struct SymStats {
  double t_amd = 0, t_nd = 0, t_symbolic = 0;  // seconds
  int64_t nnz_a = 0;        // nonzeros of the lower triangle of the matrix (diagonal included, duplicates merged)
  int64_t nnz_l = 0;        // nonzeros of L (diagonal included), exact count without amalgamation zeros
  int64_t nnz_l_stored = 0; // stored entries of the supernodal L (with amalgamation zeros)
  double flops = 0;         // sum over columns of (column count)^2
  int32_t nsuper = 0, maxsup_rows = 0, maxsup_cols = 0;
  int32_t method_used = order::ORDER_NONE;
  bool tried_both = false;
  int64_t nnz_l_amd = 0, nnz_l_nd = 0;   // when both orderings were evaluated
  double flops_amd = 0, flops_nd = 0;
  order::AmdInfo amd_info;
  order::NdInfo nd_info;
  int32_t nsubtrees = 0;
};

struct NumResult {
  int status = 0;          // 0 ok, 1 out of memory, 2 pivot failure, 4 bad input
  int32_t fail_col = -1;   // original index of the failed pivot
  int32_t fail_step = -1;  // elimination step of the failed pivot
  double fail_pivot = 0;   // value found there
  double min_pivot = 0, max_pivot = 0;  // smallest and largest |pivot| (l_jj^2 or |d_j|)
  std::vector<int32_t> replaced;        // pivots replaced (original indices), replacement mode only
  std::vector<double> replaced_delta;   // matrix change at those pivots
};

class SymFactor {
 public:
  // Analyzes the pattern of a symmetric n x n matrix given by CSC (colptr[n+1], rowind); entries of either triangle
  // are accepted, duplicates are summed, the diagonal need not be present.  Returns 0, 1 (out of memory), 4 (bad input).
  int analyze(int32_t n, const int64_t* colptr, const int32_t* rowind, const SymOptions& opt, SymStats* stats);

  // Numeric factorization with values for the pattern given to analyze (same entry order).  diag_add (may be null):
  // added to the diagonal, original numbering.  sign (may be null): null = Cholesky (positive definite); else the
  // prescribed sign (+1/-1) of each pivot (LDL').  A pivot with |pivot| <= pivtol (or of the wrong sign) fails unless
  // replace > 0, in which case it becomes `replace` (times its sign) and is listed in result.replaced.
  int factor(const double* values, const double* diag_add, const int8_t* sign, double pivtol, double replace,
             NumResult* res);

  // Solves K x = b in place (original numbering) with the last successful factorization.
  void solve(double* x) const;
  // y += K x with the matrix values of the last factorization (unregularized, no diag_add).
  void multiply(const double* values, const double* x, double* y) const;

  void set_threads(int32_t nt) { nthreads_ = nt < 1 ? 1 : nt; }
  int32_t n() const { return n_; }
  const std::vector<int32_t>& perm() const { return perm_; }
  bool ldlt() const { return ldlt_; }

 private:
  int symbolic(const std::vector<int32_t>& perm, const SymOptions& opt, SymStats* st);
  void factor_supernode(int32_t s, int tid, const int8_t* psign, double tol, double replace, bool par,
                        NumResult* res, int* failed);
  void factor_small(int32_t s, int tid, const int8_t* psign, double tol, double replace, NumResult* res, int* failed);
  void solve_fwd_node(int32_t s, double* x, double* prod) const;
  void solve_bwd_node(int32_t s, double* x, double* t) const;

  // row block of the update/solve tasks and column tile of a large supernode (depend on its size only)
  int64_t sup_rblk(int32_t s) const {
    int64_t nr = rptr_[s + 1] - rptr_[s];
    return std::max<int64_t>(rowblock_, ((nr + 7) / 8 + 63) / 64 * 64);
  }
  int64_t sup_tile(int32_t s) const {
    int64_t nc = sfirst_[s + 1] - sfirst_[s];
    return std::max<int64_t>(rowblock_, ((nc + 3) / 4 + 63) / 64 * 64);
  }

  int32_t n_ = 0;
  int64_t nnz_in_ = 0;
  const int64_t* in_colptr_ = nullptr;
  std::vector<int64_t> in_ptr_;
  std::vector<int32_t> in_row_;
  std::vector<int32_t> perm_, pinv_;       // perm_[k] = original index at step k
  std::vector<int64_t> amap_;              // input entry -> position in Lx (or -1 for dropped)
  std::vector<int64_t> diagpos_;           // permuted column -> position of its diagonal in Lx
  int32_t nsuper_ = 0;
  std::vector<int32_t> sfirst_;            // nsuper+1
  std::vector<int32_t> col2sup_;
  std::vector<int64_t> rptr_;              // nsuper+1 into rows_
  std::vector<int32_t> rows_;
  std::vector<int64_t> lptr_;              // nsuper+1 into lx_
  std::vector<int64_t> pptr_;              // nsuper+1: off-diagonal rows of each supernode, prefix sums (solve buffer)
  std::vector<int32_t> sparent_;
  std::vector<int64_t> uptr_;              // nsuper+1 into upd_
  struct Upd { int32_t d, p1, p2; };
  std::vector<Upd> upd_;
  std::vector<char> big_;
  std::vector<char> small_;                 // tiny supernodes: scalar kernels, no BLAS calls
  // schedule: subtrees [lo, hi] of supernodes, processed in parallel; then the top supernodes in order
  std::vector<int32_t> sub_lo_, sub_hi_;
  std::vector<int32_t> top_;
  int64_t cbuf_size_ = 0, wbuf_size_ = 0;
  int32_t maxrows_ = 0, rowblock_ = 256, small_panel_ = 1024;
  double big_flops_ = 3e8;
  double total_work_ = 0;                   // flops of the numeric factorization (scheduling estimate)
  int32_t nthreads_ = 1;
  bool ldlt_ = false;
  bool have_factor_ = false;
  std::vector<double, NoInitAlloc<double>> lx_;  // written first by factor()
  const double* lx_advised_ = nullptr;      // storage of lx_ already given the huge-page hint
  std::vector<double> dvals_;               // LDL': pivots (permuted order)
  std::vector<int8_t> psign_;               // permuted signs
  // per-thread scratch
  mutable std::vector<std::vector<int32_t>> map_;
  mutable std::vector<std::vector<double>> cbuf_, wbuf_;  // cbuf_: update products, all zero between updates
  std::vector<std::vector<int32_t>> rel_, runb_;          // target rows of an update, runs of consecutive ones
};

}  // namespace zrv::kfac
