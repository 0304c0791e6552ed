// Shared pieces of the sparse matrix tests: white-box access to the store, a memory resource that can be told
// to fail, and a simple reference model of a matrix.
#pragma once
#include <cstdint>
#include <map>
#include <memory_resource>
#include <new>
#include <random>
#include <utility>
#include <vector>

#include "cpub/sprmat.h"

namespace zrv {

struct SpMatAccess {
  static std::pmr::vector<int32_t>& sub(SpMat& s) { return s.sub_; }
  static std::pmr::vector<double>& val(SpMat& s) { return s.val_; }
  static std::pmr::vector<int64_t>& ptrb(SpMat& s) { return s.ptrb_; }
  static std::pmr::vector<int64_t>& ptre(SpMat& s) { return s.ptre_; }
  static std::pmr::vector<int64_t>& plink(SpMat& s) { return s.plink_; }
  static std::pmr::vector<int64_t>& heads(SpMat& s) { return s.heads_; }
  static std::pmr::vector<int32_t>& pvec(SpMat& s) { return s.pvec_; }
  static int64_t& ffree(SpMat& s) { return s.ffree_; }
};

struct SprMatAccess {
  static SpMat& store(SprMat& m) { return m.st_; }
};

}  // namespace zrv

namespace sptest {

// Counts allocations and fails on demand: after `budget` more allocations, or at random with probability
// `fail_rate` per allocation.
class FailingResource : public std::pmr::memory_resource {
 public:
  int64_t allocations = 0;
  int64_t live_bytes = 0;
  int64_t budget = -1;  // -1: no limit
  double fail_rate = 0.0;
  size_t max_bytes = SIZE_MAX;  // larger requests fail
  std::mt19937_64 rng{12345};

 private:
  void* do_allocate(size_t bytes, size_t align) override {
    if (budget == 0 || bytes > max_bytes || (fail_rate > 0 && std::uniform_real_distribution<double>(0, 1)(rng) < fail_rate)) {
      throw std::bad_alloc();
    }
    if (budget > 0) --budget;
    ++allocations;
    live_bytes += static_cast<int64_t>(bytes);
    return std::pmr::new_delete_resource()->allocate(bytes, align);
  }
  void do_deallocate(void* p, size_t bytes, size_t align) override {
    live_bytes -= static_cast<int64_t>(bytes);
    std::pmr::new_delete_resource()->deallocate(p, bytes, align);
  }
  bool do_is_equal(const std::pmr::memory_resource& o) const noexcept override { return this == &o; }
};

// Reference matrix: a map from (row, column) to a nonzero value.
struct RefMat {
  int32_t rows = 0, cols = 0;
  std::map<std::pair<int32_t, int32_t>, double> a;

  double get(int32_t i, int32_t j) const {
    auto it = a.find({i, j});
    return it == a.end() ? 0.0 : it->second;
  }
  void put(int32_t i, int32_t j, double v) {
    if (v == 0.0) {
      a.erase({i, j});
    } else {
      a[{i, j}] = v;
    }
  }
  // Entries of row (rows = true) or column k as (index, value), sorted by index.
  std::vector<std::pair<int32_t, double>> vec(bool rows, int32_t k) const {
    std::vector<std::pair<int32_t, double>> out;
    for (const auto& [ij, v] : a) {
      if ((rows ? ij.first : ij.second) == k) out.push_back({rows ? ij.second : ij.first, v});
    }
    return out;
  }
  void put_vec(bool rows, int32_t k, const std::vector<int32_t>& sub, const std::vector<double>& val,
               double droptol) {
    for (auto it = a.begin(); it != a.end();) {
      it = (rows ? it->first.first : it->first.second) == k ? a.erase(it) : std::next(it);
    }
    std::map<int32_t, double> sum;
    for (size_t t = 0; t < sub.size(); ++t) {
      auto [it, fresh] = sum.insert({sub[t], val[t]});
      if (!fresh) it->second += val[t];
    }
    for (const auto& [i, v] : sum) {
      if (v != 0.0 && !(v < droptol && v > -droptol)) a[rows ? std::make_pair(k, i) : std::make_pair(i, k)] = v;
    }
  }
  // Removes the listed rows or columns and renumbers the rest in order.
  void remove(bool rows, const std::vector<int32_t>& subset) {
    const int32_t n = rows ? this->rows : cols;
    std::vector<int32_t> newidx(n, 0);
    for (int32_t s : subset) newidx[s] = -1;
    int32_t c = 0;
    for (int32_t i = 0; i < n; ++i) {
      if (newidx[i] != -1) newidx[i] = c++;
    }
    std::map<std::pair<int32_t, int32_t>, double> b;
    for (const auto& [ij, v] : a) {
      const int32_t old = rows ? ij.first : ij.second;
      if (newidx[old] < 0) continue;
      b[rows ? std::make_pair(newidx[old], ij.second) : std::make_pair(ij.first, newidx[old])] = v;
    }
    a.swap(b);
    (rows ? this->rows : cols) = c;
  }
};

}  // namespace sptest
