// The sparse matrix object that holds the constraint matrix A of a task.
//
// The matrix is held in one orientation at a time: as its rows or as its columns (SpMat vectors). Operations
// on the other orientation first bring the matrix over (merge the pending updates, transpose in place), so a
// run of row operations after column operations costs one transposition. Single-element puts are queued as
// pending updates and merged lazily; they never change the orientation, and neither does get_element.
//
// Every entry point is noexcept and returns a status: running out of memory gives SpStatus::Space and leaves
// the visible contents as they were. Arguments are checked by the caller; the object still refuses indices
// outside its shape (SpStatus::Invalid, asserted in debug builds) rather than touch memory it does not own.
// Exactly 0.0 is never stored: putting 0.0 removes an entry.
#pragma once
#include <cstdint>
#include <memory_resource>

#include "cpub/spmat.h"

namespace zrv {

enum class SpDim : int32_t { Rows = 0, Cols = 1 };

inline SpDim sp_other(SpDim d) { return d == SpDim::Rows ? SpDim::Cols : SpDim::Rows; }

// One stored vector, valid while the matrix is locked.
struct SpVecView {
  int64_t nz = 0;
  const int32_t* sub = nullptr;
  const double* val = nullptr;
};

struct SprMatAccess;  // white-box access for the tests

class SprMat {
 public:
  explicit SprMat(std::pmr::memory_resource* mr) noexcept;
  SprMat(const SprMat&) = delete;
  SprMat& operator=(const SprMat&) = delete;

  // Empty 0 x 0 matrix with the given capacities and pool size, held by `orient`.
  SpStatus init(int32_t maxrows, int32_t maxcols, int64_t poolsize, SpDim orient = SpDim::Cols) noexcept;

  // --- shape and capacity ---------------------------------------------------------------------------------
  int32_t count(SpDim d) const { return d == SpDim::Rows ? nrow_ : ncol_; }
  int32_t capacity(SpDim d) const { return d == SpDim::Rows ? maxrow_ : maxcol_; }
  int32_t num_rows() const { return nrow_; }
  int32_t num_cols() const { return ncol_; }
  SpDim orientation() const { return orient_; }
  // Appends num empty rows or columns; count + num must not exceed the capacity (AppendRows otherwise).
  SpStatus append(SpDim d, int32_t num) noexcept;
  // Sets the capacity exactly; below the count gives MaxsizeTooSmall.
  SpStatus set_capacity(SpDim d, int32_t cap) noexcept;
  // Removes the listed rows or columns (distinct, in range); the others keep their order and are renumbered
  // from 0. Works in the stored orientation (no transposition).
  SpStatus remove(SpDim d, int32_t num, const int32_t* subset) noexcept;

  // --- pool -----------------------------------------------------------------------------------------------
  int64_t pool_size() const { return st_.maxsze(); }
  // Sets the pool to `size` positions (never below the stored entries); merges the pending updates.
  SpStatus set_pool_size(int64_t size) noexcept;
  // Times the pool was reallocated.
  int64_t pool_reallocs() const { return st_.reallocs(); }
  int64_t pending() const { return st_.npending(); }
  // Merges the pending updates (the packed state).
  SpStatus commit() noexcept;
  // Brings the matrix to orientation d (merging, then transposing when it is held the other way).
  SpStatus orient(SpDim d) noexcept;
  int64_t transpositions() const { return ntrans_; }

  // --- elements -------------------------------------------------------------------------------------------
  // Sets entry (i, j); 0.0 removes it. Queued; the orientation is kept.
  SpStatus put_element(int32_t i, int32_t j, double v) noexcept;
  // put_element for each triple in order, stopping at the first failure.
  SpStatus put_elements(int64_t num, const int32_t* subi, const int32_t* subj, const double* val) noexcept;
  // Entry (i, j), 0.0 when absent; pending updates included, nothing is reorganised.
  double get_element(int32_t i, int32_t j) const noexcept;

  // --- vectors --------------------------------------------------------------------------------------------
  // Replaces row (d = Rows) or column k by sub/val[0..nz-1]; duplicates are summed in the place of their first
  // occurrence; sums equal to 0.0 or of magnitude below droptol are dropped.
  SpStatus put_vector(SpDim d, int32_t k, int64_t nz, const int32_t* sub, const double* val,
                      double droptol = 0.0) noexcept;
  // Replaces the listed vectors: vector which[t] is sub/val[ptrb[t] .. ptre[t]-1]. Stops at the first failure,
  // the vectors before it stay replaced.
  template <class P>
  SpStatus put_vector_list(SpDim d, int32_t num, const int32_t* which, const P* ptrb, const P* ptre,
                           const int32_t* sub, const double* val, double droptol = 0.0) noexcept;
  // Replaces vectors first .. last-1; vector k is sub/val[ptrb[k-first] .. ptre[k-first]-1].
  template <class P>
  SpStatus put_vector_slice(SpDim d, int32_t first, int32_t last, const P* ptrb, const P* ptre,
                            const int32_t* sub, const double* val, double droptol = 0.0) noexcept;

  // Number of entries of row / column k.
  SpStatus vector_nnz(SpDim d, int32_t k, int64_t* nz) noexcept;
  // Entries of row / column k in storage order; null outputs are skipped.
  SpStatus get_vector(SpDim d, int32_t k, int64_t* nz, int32_t* sub, double* val) noexcept;
  // Total entries of vectors first .. last-1 (0 when first >= last).
  SpStatus slice_nnz(SpDim d, int32_t first, int32_t last, int64_t* nz) noexcept;
  // Vectors first .. last-1 in compressed form with the surplus convention: *surp is the number of free places
  // at the end of the output arrays of length maxnumnz; each vector starts at maxnumnz - *surp and *surp falls
  // by its length; ptrb[t], ptre[t] get the start and end of vector first+t. When the vectors do not fit,
  // NegativeSurplus and nothing is written. Null outputs are skipped.
  template <class P>
  SpStatus get_slice(SpDim d, int32_t first, int32_t last, int64_t maxnumnz, int64_t* surp, P* ptrb, P* ptre,
                     int32_t* sub, double* val) noexcept;
  // The entries of vectors first .. last-1 as triplets (row, column, value), with the same surplus convention.
  SpStatus get_slice_triplets(SpDim d, int32_t first, int32_t last, int64_t maxnumnz, int64_t* surp,
                              int32_t* subi, int32_t* subj, double* val) noexcept;
  // Entries in rows firsti .. lasti-1 and columns firstj .. lastj-1 (in the stored orientation).
  SpStatus piece_nnz(int32_t firsti, int32_t lasti, int32_t firstj, int32_t lastj, int64_t* nz) noexcept;
  // Total stored entries (merges the pending updates).
  SpStatus num_nonzeros(int64_t* nz) noexcept;

  // --- iteration lock -------------------------------------------------------------------------------------
  // Merges, brings the matrix to orientation d and locks it; while locked, vector(k) gives direct views and
  // every operation that would change the storage returns Locked (its text takes lock_count()).
  SpStatus lock(SpDim d) noexcept;
  void unlock() noexcept;
  int32_t lock_count() const { return lock_; }
  SpVecView vector(int32_t k) const noexcept;

  // --- self-test ------------------------------------------------------------------------------------------
  // Checks every invariant; the result carries the message template and its arguments. A failure to get the
  // work memory gives the "Out of space." text.
  SpCheck self_test() const noexcept;

 private:
  friend struct SprMatAccess;
  int32_t major_count() const { return orient_ == SpDim::Rows ? nrow_ : ncol_; }
  int32_t minor_count() const { return orient_ == SpDim::Rows ? ncol_ : nrow_; }
  SpStatus orient_impl(SpDim d);
  bool valid_subs(int64_t nz, const int32_t* sub, int32_t bound) const;
  SpStatus put_vector_impl(SpDim d, int32_t k, int64_t nz, const int32_t* sub, const double* val,
                           double droptol);

  SpMat st_;
  SpDim orient_ = SpDim::Cols;
  int32_t nrow_ = 0, ncol_ = 0, maxrow_ = 0, maxcol_ = 0;
  int32_t lock_ = 0;
  int64_t ntrans_ = 0;
};

}  // namespace zrv
