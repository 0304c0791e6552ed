// Matrix variables, the store of sparse symmetric matrices and the coefficient tables barc (objective) and bara
// (constraints), with their idx getters and block-triplet views.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "zirva.h"
#include "zirva/conedata.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/report.h"

using namespace zrv;

namespace zrv {

// ---- symmetric matrix store

int64_t SymMatStore::append(int32_t d, int64_t nz, const int32_t* i, const int32_t* j, const double* v) {
  size_t n = subi.size() + static_cast<size_t>(nz);
  auto grow = [](auto& vec, size_t need) {
    if (need > vec.capacity()) vec.reserve(std::max(need, 2 * vec.capacity()));
  };
  grow(subi, n), grow(subj, n), grow(val, n);
  grow(dim, dim.size() + 1), grow(start, start.size() + 1);
  // Nothing below allocates.
  subi.insert(subi.end(), i, i + nz);
  subj.insert(subj.end(), j, j + nz);
  val.insert(val.end(), v, v + nz);
  dim.push_back(d);
  start.push_back(static_cast<int64_t>(subi.size()));
  return count() - 1;
}

void SymMatStore::copy_from(const SymMatStore& o) {
  dim.assign(o.dim.begin(), o.dim.end());
  start.assign(o.start.begin(), o.start.end());
  subi.assign(o.subi.begin(), o.subi.end());
  subj.assign(o.subj.begin(), o.subj.end());
  val.assign(o.val.begin(), o.val.end());
}

// ---- coefficient tables

BarTable::BarTable(std::pmr::memory_resource* m)
    : mem_(m), entries_(m), free_(m), index_(m), tsub_(m), tw_(m) {}

const BarEntry* BarTable::entry(int64_t idx) const {
  if (idx < 0 || idx >= slots()) return nullptr;
  const BarEntry& e = entries_[static_cast<size_t>(idx)];
  return e.num < 0 ? nullptr : &e;
}

int64_t BarTable::find(int32_t i, int32_t j) const {
  auto it = index_.find(key(i, j));
  return it == index_.end() ? -1 : it->second;
}

void BarTable::reserve_terms(int64_t more) {
  size_t need = tsub_.size() + static_cast<size_t>(more);
  if (need <= tsub_.capacity() && need <= tw_.capacity()) return;
  int64_t used = static_cast<int64_t>(tsub_.size());
  if (2 * dead_terms_ >= used) {
    // Mostly dead: pack the live terms into fresh arrays.
    int64_t keep = used - dead_terms_;
    size_t cap = static_cast<size_t>(std::max(2 * (keep + more), int64_t{16}));
    pvec<int64_t> ns(mem_);
    pvec<double> nw(mem_);
    ns.reserve(cap), nw.reserve(cap);
    for (BarEntry& e : entries_) {
      if (e.num <= 0) continue;
      ns.insert(ns.end(), tsub_.begin() + e.first, tsub_.begin() + e.first + e.num);
      nw.insert(nw.end(), tw_.begin() + e.first, tw_.begin() + e.first + e.num);
    }
    // Commit: only now are the entries' positions rewritten.
    int64_t pos = 0;
    for (BarEntry& e : entries_) {
      if (e.num <= 0) continue;
      e.first = pos;
      pos += e.num;
    }
    tsub_.swap(ns), tw_.swap(nw);
    dead_terms_ = 0;
    return;
  }
  size_t cap = std::max(need, 2 * tsub_.capacity());
  tsub_.reserve(cap);
  tw_.reserve(cap);
}

void BarTable::put(int32_t i, int32_t j, int64_t num, const int64_t* sub, const double* w) {
  int64_t idx = find(i, j);
  if (num == 0) {
    if (idx < 0) return;
    BarEntry& e = entries_[static_cast<size_t>(idx)];
    free_.reserve(free_.size() + 1);
    index_.erase(key(i, j));
    dead_terms_ += e.num;
    e.num = -1;
    free_.push_back(idx);
    --live_;
    return;
  }
  reserve_terms(num);
  if (idx < 0) {
    if (free_.empty()) entries_.reserve(entries_.size() + 1);
    int64_t slot = free_.empty() ? slots() : free_.back();
    index_.emplace(key(i, j), slot);  // the last step that may throw
    if (free_.empty())
      entries_.emplace_back();
    else
      free_.pop_back();
    idx = slot;
    ++live_;
  } else {
    dead_terms_ += entries_[static_cast<size_t>(idx)].num;
  }
  BarEntry& e = entries_[static_cast<size_t>(idx)];
  e.i = i, e.j = j;
  e.first = static_cast<int64_t>(tsub_.size());
  e.num = num;
  tsub_.insert(tsub_.end(), sub, sub + num);
  tw_.insert(tw_.end(), w, w + num);
}

void BarTable::sorted(pvec<int64_t>& out) const {
  out.clear();
  out.reserve(static_cast<size_t>(live_));
  for (int64_t k = 0; k < slots(); ++k)
    if (entries_[static_cast<size_t>(k)].num >= 0) out.push_back(k);
  std::sort(out.begin(), out.end(), [this](int64_t a, int64_t b) {
    const BarEntry& x = entries_[static_cast<size_t>(a)];
    const BarEntry& y = entries_[static_cast<size_t>(b)];
    return x.i != y.i ? x.i < y.i : x.j < y.j;
  });
}

void BarTable::remap(const int32_t* newi, const int32_t* newj) {
  BarTable n(mem_);
  pvec<int64_t> order(mem_);
  sorted(order);
  for (int64_t k : order) {
    const BarEntry& e = entries_[static_cast<size_t>(k)];
    int32_t i = newi ? newi[e.i] : e.i;
    int32_t j = newj ? newj[e.j] : e.j;
    if (i < 0 || j < 0) continue;
    n.put(i, j, e.num, sub(e), weight(e));
  }
  swap(n);
}

void BarTable::swap(BarTable& o) {
  entries_.swap(o.entries_);
  free_.swap(o.free_);
  index_.swap(o.index_);
  tsub_.swap(o.tsub_);
  tw_.swap(o.tw_);
  std::swap(live_, o.live_);
  std::swap(dead_terms_, o.dead_terms_);
}

void BarTable::copy_from(const BarTable& o) {
  entries_.assign(o.entries_.begin(), o.entries_.end());
  free_.assign(o.free_.begin(), o.free_.end());
  index_.clear();
  index_.insert(o.index_.begin(), o.index_.end());
  tsub_.assign(o.tsub_.begin(), o.tsub_.end());
  tw_.assign(o.tw_.begin(), o.tw_.end());
  live_ = o.live_;
  dead_terms_ = o.dead_terms_;
}

}  // namespace zrv

namespace {

ConeData& cd(ZRVtask_s* t) { return *t->cones; }

int32_t check_range(ZRVtask_s* t, int64_t v, int64_t n, const char* arg) {
  if (v < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, v, arg);
  if (v >= n) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, v, arg);
  return ZRV_RES_OK;
}

}  // namespace

namespace zrv {

int32_t check_remove_list(ZRVtask_s* t, int32_t num, const int32_t* subset, int32_t n, pvec<uint8_t>& removed) {
  if (num > n) return ZRV_REPORT(t, ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE, static_cast<int64_t>(num), "num");
  if (!subset) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subset");
  for (int32_t q = 0; q < num; ++q) {
    if (subset[q] < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL, subset[q], "subset", q, 0);
    if (subset[q] >= n) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE, subset[q], "subset", q, n);
  }
  removed.assign(static_cast<size_t>(n), 0);
  for (int32_t q = 0; q < num; ++q) {
    if (removed[static_cast<size_t>(subset[q])]) return ZRV_REPORT(t, ZRV_RES_ERR_NON_UNIQUE_ARRAY, "subset");
    removed[static_cast<size_t>(subset[q])] = 1;
  }
  return ZRV_RES_OK;
}

}  // namespace zrv

namespace {

int32_t set_barvar_capacity(ZRVtask_s* t, int32_t cap) {
  ConeData& c = cd(t);
  if (cap < c.numbarvar) return ZRV_REPORT(t, ZRV_RES_ERR_MAXNUMBARVAR, cap, c.numbarvar);
  if (cap == c.maxnumbarvar) return ZRV_RES_OK;
  pvec<int32_t> d(c.bardim.get_allocator());
  d.reserve(static_cast<size_t>(cap));
  d.assign(c.bardim.begin(), c.bardim.begin() + c.numbarvar);
  d.resize(static_cast<size_t>(cap));
  if (t->names->set_capacity(NameClass::BarVar, cap) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (int32_t r = sol_cones_changed(t, ConeChange::BarVarCapacity, 0, cap, nullptr)) return r;
  c.bardim.swap(d);
  c.maxnumbarvar = cap;
  return ZRV_RES_OK;
}

int32_t append_barvars(ZRVtask_s* t, int32_t num, const int32_t* dim) {
  ConeData& c = cd(t);
  if (num < 0) return ZRV_REPORT(t, ZRV_RES_ERR_NEGATIVE_APPEND, num);
  if (num == 0) return ZRV_RES_OK;
  if (!dim) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "dim");
  for (int32_t q = 0; q < num; ++q)
    if (dim[q] <= 0) return ZRV_REPORT(t, ZRV_RES_ERR_BAR_VAR_DIM, dim[q]);
  if (num > INT32_MAX - c.numbarvar) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  int32_t n = c.numbarvar;
  if (n + num > c.maxnumbarvar) {
    int64_t grown = std::max<int64_t>(2 * static_cast<int64_t>(n), static_cast<int64_t>(n) + num);
    if (int32_t r = set_barvar_capacity(t, static_cast<int32_t>(std::min<int64_t>(grown, INT32_MAX)))) return r;
  }
  if (t->names->append(NameClass::BarVar, num) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  std::copy(dim, dim + num, c.bardim.begin() + n);
  c.numbarvar = n + num;
  return sol_cones_changed(t, ConeChange::BarVarsAppended, n, num, nullptr);
}

int32_t remove_barvars(ZRVtask_s* t, int32_t num, const int32_t* subset) {
  ConeData& c = cd(t);
  int32_t n = c.numbarvar;
  if (num > n) return ZRV_REPORT(t, ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE, static_cast<int64_t>(num), "num");
  if (num < 1) return ZRV_RES_OK;
  pvec<uint8_t> removed(&mem(t));
  if (int32_t r = check_remove_list(t, num, subset, n, removed)) return r;
  pvec<int32_t> perm(&mem(t)), newj(&mem(t));
  perm.reserve(static_cast<size_t>(n));
  newj.assign(static_cast<size_t>(n), -1);
  for (int32_t k = 0; k < n; ++k)
    if (!removed[static_cast<size_t>(k)]) newj[static_cast<size_t>(k)] = static_cast<int32_t>(perm.size()), perm.push_back(k);
  int32_t newcount = static_cast<int32_t>(perm.size());
  for (int32_t k = 0; k < n; ++k)
    if (removed[static_cast<size_t>(k)]) perm.push_back(k);
  // Allocating steps first: the tables are rebuilt, then the names follow.
  BarTable nc(&mem(t)), na(&mem(t));
  nc.copy_from(c.barc), na.copy_from(c.bara);
  nc.remap(nullptr, newj.data());
  na.remap(nullptr, newj.data());
  if (t->names->permute(NameClass::BarVar, perm.data()) != ZRV_RES_OK ||
      t->names->truncate(NameClass::BarVar, newcount) != ZRV_RES_OK)
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (int32_t r = sol_cones_changed(t, ConeChange::BarVarsRemoved, 0, newcount, perm.data())) return r;
  c.barc.swap(nc);
  c.bara.swap(na);
  for (int32_t k = 0; k < newcount; ++k) c.bardim[static_cast<size_t>(k)] = c.bardim[static_cast<size_t>(perm[static_cast<size_t>(k)])];
  c.numbarvar = newcount;
  return ZRV_RES_OK;
}

int32_t append_symmat(ZRVtask_s* t, int32_t dim, int64_t nz, const int32_t* subi, const int32_t* subj,
                      const double* valij, int64_t* idx) {
  if (dim < 1) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_SMALL, static_cast<int64_t>(dim), "dim");
  if (nz < 0) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_SMALL, nz, "nz");
  if (nz > 0) {
    if (!subi) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subi");
    if (!subj) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subj");
    if (!valij) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "valij");
  }
  for (int64_t q = 0; q < nz; ++q) {
    int32_t i = subi[q], j = subj[q];
    if (i < 0 || i >= dim) return ZRV_REPORT(t, ZRV_RES_ERR_SYM_MAT_INVALID_ROW_INDEX, i, 0, dim);
    if (j < 0 || j >= dim) return ZRV_REPORT(t, ZRV_RES_ERR_SYM_MAT_INVALID_COL_INDEX, j, 0, dim);
    if (!std::isfinite(valij[q])) return ZRV_REPORT(t, ZRV_RES_ERR_SYM_MAT_INVALID_VALUE, i, j);
    if (j > i) return ZRV_REPORT(t, ZRV_RES_ERR_SYM_MAT_NOT_LOWER_TRINGULAR, i, j);
  }
  // Duplicates: positions sorted by (row, column, position in the input).
  pvec<int64_t> ord(&mem(t));
  ord.resize(static_cast<size_t>(nz));
  for (int64_t q = 0; q < nz; ++q) ord[static_cast<size_t>(q)] = q;
  std::sort(ord.begin(), ord.end(), [&](int64_t a, int64_t b) {
    if (subi[a] != subi[b]) return subi[a] < subi[b];
    if (subj[a] != subj[b]) return subj[a] < subj[b];
    return a < b;
  });
  for (size_t q = 1; q < ord.size(); ++q) {
    int64_t a = ord[q - 1], b = ord[q];
    if (subi[a] == subi[b] && subj[a] == subj[b])
      return ZRV_REPORT(t, ZRV_RES_ERR_SYM_MAT_DUPLICATE, subi[a], subj[a], a, b);
  }
  int64_t k = cd(t).sym.append(dim, nz, subi, subj, valij);
  if (idx) *idx = k;
  return ZRV_RES_OK;
}

// Checks and stores one barc_j (i < 0) or bara_ij entry.
int32_t put_bar_entry(ZRVtask_s* t, bool isa, int32_t i, int32_t j, int64_t num, const int64_t* sub,
                      const double* weights) {
  ConeData& c = cd(t);
  if (int32_t r = check_range(t, j, c.numbarvar, "j")) return r;
  if (isa) {
    if (int32_t r = check_range(t, i, t->prob->numcon, "i")) return r;
  }
  if (num < 0) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_SMALL, num, "num");
  if (num > 0 && !sub) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "sub");
  if (num > 0 && !weights) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "weights");
  const int32_t d = c.bardim[static_cast<size_t>(j)];
  for (int64_t q = 0; q < num; ++q) {
    if (int32_t r = check_range(t, sub[q], c.sym.count(), "sub")) return r;
    int32_t e = c.sym.dim[static_cast<size_t>(sub[q])];
    if (e != d) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_SYM_MAT_DIM, d, e);
  }
  // A weight must be a finite number, in the objective as well as in the constraints.
  for (int64_t q = 0; q < num; ++q)
    if (!std::isfinite(weights[q])) return ZRV_REPORT(t, ZRV_RES_ERR_NAN_IN_DOUBLE_DATA, "alpha");
  (isa ? c.bara : c.barc).put(isa ? i : 0, j, num, sub, weights);
  return ZRV_RES_OK;
}

// Block triplets: every group of triplets with the same (i, j) becomes a new symmetric matrix of weight 1.
int32_t put_block_triplets(ZRVtask_s* t, bool isa, int64_t num, const int32_t* subi, const int32_t* subj,
                           const int32_t* subk, const int32_t* subl, const double* val) {
  ConeData& c = cd(t);
  if (num < 0) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_SMALL, num, "num");
  if (num == 0) return ZRV_RES_OK;
  if (isa && !subi) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subi");
  if (!subj) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subj");
  if (!subk) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subk");
  if (!subl) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subl");
  const char* valname = isa ? "valijkl" : "valjkl";
  if (!val) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, valname);
  char arg[48];
  for (int64_t q = 0; q < num; ++q) {
    if (isa) {
      if (int32_t r = check_range(t, subi[q], t->prob->numcon, "subi")) return r;
    }
    if (int32_t r = check_range(t, subj[q], c.numbarvar, "subj")) return r;
    int32_t d = c.bardim[static_cast<size_t>(subj[q])];
    if (subk[q] < 0 || subk[q] >= d) {
      std::snprintf(arg, sizeof arg, "subk[%lld]", static_cast<long long>(q));
      if (int32_t r = check_range(t, subk[q], d, arg)) return r;
    }
    if (subl[q] < 0 || subl[q] >= d) {
      std::snprintf(arg, sizeof arg, "subl[%lld]", static_cast<long long>(q));
      if (int32_t r = check_range(t, subl[q], d, arg)) return r;
    }
    if (subl[q] > subk[q]) return ZRV_REPORT(t, ZRV_RES_ERR_UPPER_TRIANGLE, subk[q], subl[q]);
    if (!std::isfinite(val[q])) return ZRV_REPORT(t, ZRV_RES_ERR_NAN_IN_DOUBLE_DATA, valname);
  }
  auto iof = [&](int64_t q) { return isa ? subi[q] : 0; };
  pvec<int64_t> ord(&mem(t));
  ord.resize(static_cast<size_t>(num));
  for (int64_t q = 0; q < num; ++q) ord[static_cast<size_t>(q)] = q;
  std::sort(ord.begin(), ord.end(), [&](int64_t a, int64_t b) {
    if (iof(a) != iof(b)) return iof(a) < iof(b);
    if (subj[a] != subj[b]) return subj[a] < subj[b];
    if (subk[a] != subk[b]) return subk[a] < subk[b];
    if (subl[a] != subl[b]) return subl[a] < subl[b];
    return a < b;
  });
  for (size_t q = 1; q < ord.size(); ++q) {
    int64_t a = ord[q - 1], b = ord[q];
    if (iof(a) == iof(b) && subj[a] == subj[b] && subk[a] == subk[b] && subl[a] == subl[b])
      return ZRV_REPORT(t, ZRV_RES_ERR_SYM_MAT_DUPLICATE, subk[a], subl[a], a, b);
  }
  pvec<int32_t> gk(&mem(t)), gl(&mem(t));
  pvec<double> gv(&mem(t));
  const double one = 1.0;
  for (size_t q = 0; q < ord.size();) {
    size_t e = q;
    gk.clear(), gl.clear(), gv.clear();
    int32_t i = iof(ord[q]), j = subj[ord[q]];
    while (e < ord.size() && iof(ord[e]) == i && subj[ord[e]] == j) {
      int64_t p = ord[e++];
      gk.push_back(subk[p]), gl.push_back(subl[p]), gv.push_back(val[p]);
    }
    int64_t m = c.sym.append(c.bardim[static_cast<size_t>(j)], static_cast<int64_t>(gk.size()), gk.data(), gl.data(),
                             gv.data());
    (isa ? c.bara : c.barc).put(i, j, 1, &m, &one);
    q = e;
  }
  return ZRV_RES_OK;
}

struct Trip {
  int32_t i, j, k, l;
  double v;
};

// The block-triplet view of a table: each entry expanded into its matrices' weighted triplets, positions
// summed, ordered by (i, j, k, l).
void block_view(ZRVtask_s* t, const BarTable& tab, pvec<Trip>& out) {
  const SymMatStore& s = cd(t).sym;
  pvec<int64_t> order(&mem(t));
  tab.sorted(order);
  out.clear();
  for (int64_t idx : order) {
    const BarEntry& e = *tab.entry(idx);
    size_t from = out.size();
    for (int64_t q = 0; q < e.num; ++q) {
      int64_t m = tab.sub(e)[q];
      double w = tab.weight(e)[q];
      for (int64_t p = s.start[static_cast<size_t>(m)]; p < s.start[static_cast<size_t>(m) + 1]; ++p)
        out.push_back({e.i, e.j, s.subi[static_cast<size_t>(p)], s.subj[static_cast<size_t>(p)],
                       w * s.val[static_cast<size_t>(p)]});
    }
    std::sort(out.begin() + static_cast<ptrdiff_t>(from), out.end(),
              [](const Trip& a, const Trip& b) { return a.k != b.k ? a.k < b.k : a.l < b.l; });
    size_t w = from;
    for (size_t r = from; r < out.size(); ++r) {
      if (w > from && out[w - 1].k == out[r].k && out[w - 1].l == out[r].l)
        out[w - 1].v += out[r].v;
      else
        out[w++] = out[r];
    }
    out.resize(w);
  }
}

int32_t get_block_triplets(ZRVtask_s* t, bool isa, int64_t maxnum, int64_t* num, int32_t* subi, int32_t* subj,
                           int32_t* subk, int32_t* subl, double* val) {
  pvec<Trip> v(&mem(t));
  block_view(t, isa ? cd(t).bara : cd(t).barc, v);
  int64_t n = static_cast<int64_t>(v.size());
  if (num) *num = n;
  if (maxnum < n) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_MAX_NUM, maxnum);
  for (int64_t q = 0; q < n; ++q) {
    const Trip& x = v[static_cast<size_t>(q)];
    if (subi) subi[q] = x.i;
    if (subj) subj[q] = x.j;
    if (subk) subk[q] = x.k;
    if (subl) subl[q] = x.l;
    if (val) val[q] = x.v;
  }
  return ZRV_RES_OK;
}

int32_t get_sparsity(ZRVtask_s* t, const BarTable& tab, int64_t maxnumnz, int64_t* numnz, int64_t* idx) {
  int64_t n = tab.live();
  if (numnz) *numnz = n;
  if (maxnumnz < n) return ZRV_REPORT(t, ZRV_RES_ERR_MAX_LEN_IS_TOO_SMALL, maxnumnz, "maxnumnz");
  if (!idx) return ZRV_RES_OK;
  pvec<int64_t> order(&mem(t));
  tab.sorted(order);
  std::copy(order.begin(), order.end(), idx);
  return ZRV_RES_OK;
}

const BarEntry* find_entry(ZRVtask_s* t, const BarTable& tab, int64_t idx, int32_t* code) {
  const BarEntry* e = tab.entry(idx);
  *code = e ? ZRV_RES_OK : ZRV_REPORT(t, ZRV_RES_ERR_INVALID_IDX, idx);
  return e;
}

int32_t get_idx(ZRVtask_s* t, bool isa, int64_t idx, int64_t maxnum, int32_t* i, int32_t* j, int64_t* num,
                int64_t* sub, double* weights) {
  const BarTable& tab = isa ? cd(t).bara : cd(t).barc;
  int32_t r;
  const BarEntry* e = find_entry(t, tab, idx, &r);
  if (!e) return r;
  if (maxnum < e->num) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_MAX_NUM, maxnum);
  if (i) *i = e->i;
  if (j) *j = e->j;
  if (num) *num = e->num;
  if (sub) std::copy(tab.sub(*e), tab.sub(*e) + e->num, sub);
  if (weights) std::copy(tab.weight(*e), tab.weight(*e) + e->num, weights);
  return ZRV_RES_OK;
}

}  // namespace

namespace zrv {

int32_t bar_clone(ZRVtask_s* dst, ZRVtask_s* src) {
  ConeData& s = cd(src);
  ConeData& d = cd(dst);
  if (int32_t r = set_barvar_capacity(dst, s.maxnumbarvar)) return r;
  if (int32_t r = append_barvars(dst, s.numbarvar, s.bardim.data())) return r;
  try {
    d.sym.copy_from(s.sym);
    d.barc.copy_from(s.barc);
    d.bara.copy_from(s.bara);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(dst, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

}  // namespace zrv

extern "C" {

ZRVrescodee ZRV_appendbarvars(ZRVtask_t task, ZRVint32t num, const ZRVint32t* dim) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return append_barvars(task, num, dim); });
}

ZRVrescodee ZRV_removebarvars(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subset) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return remove_barvars(task, num, subset); });
}

ZRVrescodee ZRV_putmaxnumbarvar(ZRVtask_t task, ZRVint32t maxnumbarvar) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return set_barvar_capacity(task, maxnumbarvar); });
}

ZRVrescodee ZRV_getmaxnumbarvar(ZRVtask_t task, ZRVint32t* maxnumbarvar) {
  if (int32_t r = check_task(task)) return r;
  if (maxnumbarvar) *maxnumbarvar = cd(task).maxnumbarvar;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumbarvar(ZRVtask_t task, ZRVint32t* numbarvar) {
  if (int32_t r = check_task(task)) return r;
  if (numbarvar) *numbarvar = cd(task).numbarvar;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getdimbarvarj(ZRVtask_t task, ZRVint32t j, ZRVint32t* dimbarvarj) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_range(task, j, cd(task).numbarvar, "j")) return r;
  if (dimbarvarj) *dimbarvarj = cd(task).bardim[static_cast<size_t>(j)];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getlenbarvarj(ZRVtask_t task, ZRVint32t j, ZRVint64t* lenbarvarj) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_range(task, j, cd(task).numbarvar, "j")) return r;
  int64_t d = cd(task).bardim[static_cast<size_t>(j)];
  if (lenbarvarj) *lenbarvarj = d * (d + 1) / 2;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_appendsparsesymmat(ZRVtask_t task, ZRVint32t dim, ZRVint64t nz, const ZRVint32t* subi,
                                   const ZRVint32t* subj, const ZRVrealt* valij, ZRVint64t* idx) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return append_symmat(task, dim, nz, subi, subj, valij, idx); });
}

ZRVrescodee ZRV_getsymmatinfo(ZRVtask_t task, ZRVint64t idx, ZRVint32t* dim, ZRVint64t* nz, ZRVsymmattypee* type) {
  if (int32_t r = check_task(task)) return r;
  const SymMatStore& s = cd(task).sym;
  if (int32_t r = check_range(task, idx, s.count(), "idx")) return r;
  if (dim) *dim = s.dim[static_cast<size_t>(idx)];
  if (nz) *nz = s.nnz(idx);
  if (type) *type = ZRV_SYMMAT_TYPE_SPARSE;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getsparsesymmat(ZRVtask_t task, ZRVint64t idx, ZRVint64t maxlen, ZRVint32t* subi, ZRVint32t* subj,
                                ZRVrealt* valij) {
  if (int32_t r = check_task(task)) return r;
  const SymMatStore& s = cd(task).sym;
  if (int32_t r = check_range(task, idx, s.count(), "idx")) return r;
  int64_t nz = s.nnz(idx);
  if (maxlen < nz) return ZRV_REPORT(task, ZRV_RES_ERR_MAX_LEN_IS_TOO_SMALL, maxlen, "maxlen");
  size_t b = static_cast<size_t>(s.start[static_cast<size_t>(idx)]), e = b + static_cast<size_t>(nz);
  if (subi) std::copy(s.subi.begin() + b, s.subi.begin() + e, subi);
  if (subj) std::copy(s.subj.begin() + b, s.subj.begin() + e, subj);
  if (valij) std::copy(s.val.begin() + b, s.val.begin() + e, valij);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumsymmat(ZRVtask_t task, ZRVint64t* num) {
  if (int32_t r = check_task(task)) return r;
  if (num) *num = cd(task).sym.count();
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putbarcj(ZRVtask_t task, ZRVint32t j, ZRVint64t num, const ZRVint64t* sub, const ZRVrealt* weights) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_bar_entry(task, false, -1, j, num, sub, weights); });
}

ZRVrescodee ZRV_putbaraij(ZRVtask_t task, ZRVint32t i, ZRVint32t j, ZRVint64t num, const ZRVint64t* sub,
                          const ZRVrealt* weights) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_bar_entry(task, true, i, j, num, sub, weights); });
}

ZRVrescodee ZRV_putbarcblocktriplet(ZRVtask_t task, ZRVint64t num, const ZRVint32t* subj, const ZRVint32t* subk,
                                    const ZRVint32t* subl, const ZRVrealt* valjkl) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_block_triplets(task, false, num, nullptr, subj, subk, subl, valjkl); });
}

ZRVrescodee ZRV_putbarablocktriplet(ZRVtask_t task, ZRVint64t num, const ZRVint32t* subi, const ZRVint32t* subj,
                                    const ZRVint32t* subk, const ZRVint32t* subl, const ZRVrealt* valijkl) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_block_triplets(task, true, num, subi, subj, subk, subl, valijkl); });
}

ZRVrescodee ZRV_getnumbarcnz(ZRVtask_t task, ZRVint64t* nz) {
  if (int32_t r = check_task(task)) return r;
  if (nz) *nz = cd(task).barc.live();
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumbaranz(ZRVtask_t task, ZRVint64t* nz) {
  if (int32_t r = check_task(task)) return r;
  if (nz) *nz = cd(task).bara.live();
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getbarcsparsity(ZRVtask_t task, ZRVint64t maxnumnz, ZRVint64t* numnz, ZRVint64t* idxj) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return get_sparsity(task, cd(task).barc, maxnumnz, numnz, idxj); });
}

ZRVrescodee ZRV_getbarasparsity(ZRVtask_t task, ZRVint64t maxnumnz, ZRVint64t* numnz, ZRVint64t* idxij) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return get_sparsity(task, cd(task).bara, maxnumnz, numnz, idxij); });
}

ZRVrescodee ZRV_getbarcidxinfo(ZRVtask_t task, ZRVint64t idx, ZRVint64t* num) {
  if (int32_t r = check_task(task)) return r;
  int32_t r;
  const BarEntry* e = find_entry(task, cd(task).barc, idx, &r);
  if (e && num) *num = e->num;
  return r;
}

ZRVrescodee ZRV_getbaraidxinfo(ZRVtask_t task, ZRVint64t idx, ZRVint64t* num) {
  if (int32_t r = check_task(task)) return r;
  int32_t r;
  const BarEntry* e = find_entry(task, cd(task).bara, idx, &r);
  if (e && num) *num = e->num;
  return r;
}

ZRVrescodee ZRV_getbarcidxj(ZRVtask_t task, ZRVint64t idx, ZRVint32t* j) {
  if (int32_t r = check_task(task)) return r;
  int32_t r;
  const BarEntry* e = find_entry(task, cd(task).barc, idx, &r);
  if (e && j) *j = e->j;
  return r;
}

ZRVrescodee ZRV_getbaraidxij(ZRVtask_t task, ZRVint64t idx, ZRVint32t* i, ZRVint32t* j) {
  if (int32_t r = check_task(task)) return r;
  int32_t r;
  const BarEntry* e = find_entry(task, cd(task).bara, idx, &r);
  if (e && i) *i = e->i;
  if (e && j) *j = e->j;
  return r;
}

ZRVrescodee ZRV_getbarcidx(ZRVtask_t task, ZRVint64t idx, ZRVint64t maxnum, ZRVint32t* j, ZRVint64t* num,
                           ZRVint64t* sub, ZRVrealt* weights) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return get_idx(task, false, idx, maxnum, nullptr, j, num, sub, weights); });
}

ZRVrescodee ZRV_getbaraidx(ZRVtask_t task, ZRVint64t idx, ZRVint64t maxnum, ZRVint32t* i, ZRVint32t* j,
                           ZRVint64t* num, ZRVint64t* sub, ZRVrealt* weights) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return get_idx(task, true, idx, maxnum, i, j, num, sub, weights); });
}

ZRVrescodee ZRV_getnumbarcblocktriplets(ZRVtask_t task, ZRVint64t* num) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    pvec<Trip> v(&mem(task));
    block_view(task, cd(task).barc, v);
    if (num) *num = static_cast<int64_t>(v.size());
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_getbarcblocktriplet(ZRVtask_t task, ZRVint64t maxnum, ZRVint64t* num, ZRVint32t* subj,
                                    ZRVint32t* subk, ZRVint32t* subl, ZRVrealt* valjkl) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task,
                 [&] { return get_block_triplets(task, false, maxnum, num, nullptr, subj, subk, subl, valjkl); });
}

ZRVrescodee ZRV_getnumbarablocktriplets(ZRVtask_t task, ZRVint64t* num) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    pvec<Trip> v(&mem(task));
    block_view(task, cd(task).bara, v);
    if (num) *num = static_cast<int64_t>(v.size());
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_getbarablocktriplet(ZRVtask_t task, ZRVint64t maxnum, ZRVint64t* num, ZRVint32t* subi,
                                    ZRVint32t* subj, ZRVint32t* subk, ZRVint32t* subl, ZRVrealt* valijkl) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task,
                 [&] { return get_block_triplets(task, true, maxnum, num, subi, subj, subk, subl, valijkl); });
}

}  // extern "C"
