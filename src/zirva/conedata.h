// Cones, matrix variables, the store of sparse symmetric matrices and the coefficient tables barc and bara of a
// task. Shared by the cone operations (zirvacone.cpp) and the matrix-variable operations (zirvabarcnbara.cpp).
#pragma once
#include <cstdint>
#include <memory_resource>
#include <unordered_map>

#include "zirva/problem.h"

struct ZRVtask_s;

namespace zrv {

// Append-only list of sparse symmetric matrices E_0, E_1, ...: dimension and lower-triangle triplets, kept in
// the order they were given. Matrix k owns positions start[k] .. start[k+1]-1 of the triplet arrays.
struct SymMatStore {
  explicit SymMatStore(std::pmr::memory_resource* m) : dim(m), start(m), subi(m), subj(m), val(m) {
    start.push_back(0);
  }
  pvec<int32_t> dim;
  pvec<int64_t> start;
  pvec<int32_t> subi, subj;
  pvec<double> val;

  int64_t count() const { return static_cast<int64_t>(dim.size()); }
  int64_t nnz(int64_t k) const { return start[static_cast<size_t>(k) + 1] - start[static_cast<size_t>(k)]; }
  // Appends a matrix whose triplets were checked. Throws std::bad_alloc with the store unchanged.
  int64_t append(int32_t d, int64_t nz, const int32_t* i, const int32_t* j, const double* v);
  void copy_from(const SymMatStore& o);
};

// One coefficient entry: barc_j (i is 0) or bara_ij, a list of (matrix index, weight) terms at
// first .. first+num-1 of the table's term arrays. A free slot has num < 0.
struct BarEntry {
  int32_t i = 0, j = 0;
  int64_t first = 0, num = -1;
};

// Table of the nonzero entries keyed by (i, j). Entry indices are stable until matrix variables or
// constraints are removed; slots of emptied entries are reused.
class BarTable {
 public:
  explicit BarTable(std::pmr::memory_resource* m);

  int64_t slots() const { return static_cast<int64_t>(entries_.size()); }
  int64_t live() const { return live_; }
  // The live entry with index idx, or null.
  const BarEntry* entry(int64_t idx) const;
  const int64_t* sub(const BarEntry& e) const { return tsub_.data() + e.first; }
  const double* weight(const BarEntry& e) const { return tw_.data() + e.first; }
  // Index of the entry (i, j), or -1.
  int64_t find(int32_t i, int32_t j) const;
  // Replaces the terms of (i, j); num == 0 removes the entry. Throws std::bad_alloc with the table unchanged.
  void put(int32_t i, int32_t j, int64_t num, const int64_t* sub, const double* w);
  // Indices of the live entries ordered by (i, j).
  void sorted(pvec<int64_t>& out) const;
  // Renumbers i through newi and j through newj (either may be null: unchanged); entries mapped to -1 are
  // dropped. Entry indices are renumbered densely. Throws std::bad_alloc with the table unchanged.
  void remap(const int32_t* newi, const int32_t* newj);
  void copy_from(const BarTable& o);
  // Exchanges the contents (both tables must use the same memory).
  void swap(BarTable& o);

 private:
  static uint64_t key(int32_t i, int32_t j) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(i)) << 32) | static_cast<uint32_t>(j);
  }
  // Room for `more` terms at the end of the term arrays, packing them when most of them are dead.
  void reserve_terms(int64_t more);

  std::pmr::memory_resource* mem_;
  pvec<BarEntry> entries_;
  pvec<int64_t> free_;
  std::pmr::unordered_map<uint64_t, int64_t> index_;
  pvec<int64_t> tsub_;
  pvec<double> tw_;
  int64_t live_ = 0;
  int64_t dead_terms_ = 0;
};

struct ConeData {
  explicit ConeData(std::pmr::memory_resource* m)
      : ctype(m), cpar(m), cfirst(m), cnum(m), pool(m), bardim(m), sym(m), barc(m), bara(m) {}

  // Cones: per cone (maxnumcone slots) type, parameter and member range in the pool.
  int32_t numcone = 0, maxnumcone = 0;
  pvec<int32_t> ctype;
  pvec<double> cpar;
  pvec<int32_t> cfirst, cnum;
  // Member pool: variable indices; positions pool_used .. end are free. At least maxnumvar entries.
  pvec<int32_t> pool;
  int32_t pool_used = 0;

  // Matrix variables (maxnumbarvar slots).
  int32_t numbarvar = 0, maxnumbarvar = 0;
  pvec<int32_t> bardim;

  SymMatStore sym;
  BarTable barc, bara;
};

// Checks the list of a removal of cones or matrix variables (n items): num > n, entries out of range, repeated
// entries, each reported. On success removed[k] is 1 for the listed items. num must be >= 1.
int32_t check_remove_list(ZRVtask_s* t, int32_t num, const int32_t* subset, int32_t n, pvec<uint8_t>& removed);

// Copies the matrix variables, the symmetric matrices and barc and bara of src into dst (no matrix variables yet).
int32_t bar_clone(ZRVtask_s* dst, ZRVtask_s* src);

}  // namespace zrv
