// Vector store of a sparse matrix: a set of sparse vectors kept in one element pool.
//
// Layout of the pool (sub_ and val_, maxsze positions):
//
//   [0, ffree)                 stored vectors; vector k owns [ptrb[k], ptre[k]), the rest is dead space
//   [ffree, maxsze - npending) free
//   [maxsze - npending, maxsze) pending single-element updates, the oldest at the top
//
// Pending update number q (0 = oldest) sits at position maxsze - 1 - q. Each vector with pending updates has a
// list of them running from the newest to the oldest (heads_[k], then plink_[q]); -1 ends a list and marks a
// vector without pending updates. Pending updates are folded into the vectors by merge().
//
// The entries of a vector have distinct indices below the minor count, are kept in no particular order and are
// never exactly 0.0.
//
// Operations that allocate may throw std::bad_alloc. Unless stated otherwise they allocate everything they need
// before touching the store, so a failure leaves the visible contents unchanged. The owner (SprMat) catches.
#pragma once
#include <cstdint>
#include <memory_resource>
#include <string>
#include <vector>

namespace zrv {

// Result codes of the matrix layer. 1, 3, 6 and 7 have a meaning for the caller; every other nonzero value is
// an internal error of the caller's use of the object.
enum class SpStatus : int32_t {
  Ok = 0,
  AppendRows = 1,       // append beyond the capacity of the vector table
  Invalid = 2,          // an index, count or subset outside what the object holds
  MaxsizeTooSmall = 3,  // a capacity below the current count
  Space = 6,            // out of memory; the matrix is unchanged
  NegativeSurplus = 7,  // the output arrays of a slice getter are too short
  Locked = 8,           // structural change while an iteration lock is held
};

// Text that goes with a status: "append rows", " maxsize is too small", "Out of space.", "Negative surplus.",
// "Is locked already %d"; for any other value the fatal text "sprmat: %d\n".
const char* sp_status_text(SpStatus s);

// Outcome of a self-test: the message template (null when the store is sound) and its integer arguments.
// The template is passed to the library's formatter by the reporter; text() renders it on its own (%d and
// %I64d both print a decimal integer).
struct SpCheck {
  const char* fmt = nullptr;
  int64_t arg[4] = {0, 0, 0, 0};
  int32_t nargs = 0;
  bool ok() const { return fmt == nullptr; }
  std::string text() const;
};

struct SpMatAccess;  // white-box access for the tests

class SpMat {
 public:
  explicit SpMat(std::pmr::memory_resource* mr) noexcept;

  // Empty store: maxvec vector slots, none in use, pool of poolsize positions.
  void init(int32_t maxvec, int64_t poolsize);

  // --- shape --------------------------------------------------------------------------------------------
  int32_t num_vec() const { return nvec_; }
  int32_t max_vec() const { return maxvec_; }
  int32_t num_minor() const { return nminor_; }
  // Number of vector slots, exactly newmax (>= num_vec()).
  void set_max_vec(int32_t newmax);
  // Appends num empty vectors; needs num_vec() + num <= max_vec(). No allocation.
  void append_vec(int32_t num) noexcept;
  // Length of the vectors (the other dimension). Lowering it is only allowed through remove_minor().
  void set_num_minor(int32_t n) noexcept { nminor_ = n; }

  // --- pool -----------------------------------------------------------------------------------------------
  int64_t maxsze() const { return static_cast<int64_t>(sub_.size()); }
  int64_t ffree() const { return ffree_; }
  int64_t npending() const { return npend_; }
  int64_t live() const { return live_; }               // entries in stored vectors
  int64_t dead() const { return ffree_ - live_; }      // unused positions below ffree
  int64_t free_space() const { return maxsze() - npend_ - ffree_; }
  int64_t reallocs() const { return reallocs_; }      // times the pool size changed
  // Sets the pool size to max(size, live()); needs no pending updates. Compacts the stored vectors.
  void set_pool_size(int64_t size);

  // --- single elements ----------------------------------------------------------------------------------
  // Value of entry idx of vector k (pending updates included), 0.0 when absent.
  double find(int32_t k, int32_t idx) const noexcept;
  // Queues value v for entry idx of vector k; 0.0 removes the entry at the next merge. When the free part is
  // used up the pending updates are merged and room is made first.
  void push_pending(int32_t k, int32_t idx, double v);
  // Folds every pending update into its vector. On failure part of the vectors may already be merged, which
  // does not change the visible contents (a merge can be repeated with the same result).
  void merge();

  // --- whole vectors --------------------------------------------------------------------------------------
  // Replaces vector k by the entries idx/v[0..nz-1]; repeated indices are summed (first occurrence keeps its
  // place), sums that are 0.0 or of magnitude below droptol are dropped. Needs no pending updates.
  void put_vector(int32_t k, int64_t nz, const int32_t* idx, const double* v, double droptol);
  int64_t vec_len(int32_t k) const { return ptre_[k] - ptrb_[k]; }
  const int32_t* vec_sub(int32_t k) const { return sub_.data() + ptrb_[k]; }
  const double* vec_val(int32_t k) const { return val_.data() + ptrb_[k]; }

  // --- reorganisation (all need no pending updates) ---------------------------------------------------------
  // Moves the stored vectors down so that they occupy [0, live()).
  void compact();
  // Turns the store of nvec vectors of length nminor into one of nminor vectors of length nvec, with newmax
  // (>= nminor) vector slots, inside the same pool. A counting sort through scratch arrays (12 bytes per entry)
  // when they can be had, else an in-place cycle sort that needs 4 bytes per entry (several times slower: its
  // moves form a chain of dependent memory accesses).
  void transpose(int32_t newmax);
  int64_t transposes() const { return transposes_; }
  int64_t slow_transposes() const { return slow_transposes_; }
  // Removes the num listed vectors (distinct, each < num_vec()); the kept ones move down in their old order.
  // Returns false, without change, when the subset is not valid.
  bool remove_vectors(int32_t num, const int32_t* subset);
  // Removes the listed indices (distinct, each < num_minor()) from every vector and renumbers the kept ones
  // 0.. in their old order. Returns false, without change, when the subset is not valid.
  bool remove_minor(int32_t num, const int32_t* subset);

  // Checks every invariant of the store.
  SpCheck check() const;

 private:
  friend struct SpMatAccess;
  struct Relayout;

  int64_t pend_pos(int64_t q) const { return maxsze() - 1 - q; }
  void ensure_mark(int32_t n);
  // Makes need positions free below the pending area, with at least slack more when the pool has to be
  // compacted or grown (so that the cost of the reorganisation is paid back by the room it makes).
  void make_room(int64_t need, int64_t slack);
  void plan(Relayout& r, int64_t need, int64_t slack, int64_t live, int64_t ffree, int64_t npend) const;
  void apply(Relayout& r) noexcept;
  void compact_with(std::pmr::vector<int32_t>& order) noexcept;
  void grow_into(std::pmr::vector<int32_t>& nsub, std::pmr::vector<double>& nval) noexcept;
  void release_pending() noexcept;
  void transpose_in_place(int32_t newmax);
  void finish_transpose(std::pmr::vector<int64_t>& nb, std::pmr::vector<int64_t>& ne, int32_t newmax) noexcept;

  std::pmr::memory_resource* mr_;
  std::pmr::vector<int32_t> sub_;
  std::pmr::vector<double> val_;
  std::pmr::vector<int64_t> ptrb_, ptre_;  // per vector slot
  std::pmr::vector<int64_t> heads_;        // per vector slot while pending updates exist (else empty)
  std::pmr::vector<int64_t> plink_;        // per pending update: next older update of the same vector
  std::pmr::vector<int32_t> pvec_;         // per pending update: its vector
  std::pmr::vector<int32_t> vslot_;        // with heads_: per vector slot, -1 outside of a merge
  std::pmr::vector<int32_t> touched_;      // vectors with pending updates, in order of their first update
  std::pmr::vector<int64_t> mark_;         // per minor index, -1 outside of a merge or a vector put
  std::pmr::vector<int32_t> asub_;         // work area of merges and vector puts
  std::pmr::vector<double> aval_;
  int32_t nvec_ = 0, maxvec_ = 0, nminor_ = 0;
  int64_t ffree_ = 0, live_ = 0, npend_ = 0;
  int64_t reallocs_ = 0;
  int64_t transposes_ = 0, slow_transposes_ = 0;
};

}  // namespace zrv
