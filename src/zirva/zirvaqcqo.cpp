// Quadratic terms of the objective and of the constraints.
//
// Every quadratic nonzero of a task lies in one pool of (subi, subj, val) triplets. The objective and each
// constraint own a contiguous block of it; a block holds lower-triangle entries without repeated positions. Blocks
// that shrink or move leave holes; every position at or past `top` is free, so a block that ends at `top` can grow
// in place. When no block fits at the top, the pool is packed (and grown to max(2 x size, needed) when the holes do
// not suffice), with the block that needs room placed last.
#include <algorithm>
#include <cmath>
#include <memory_resource>
#include <new>
#include <unordered_map>

#include "zirva.h"
#include "zirva/convexity.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/problem.h"
#include "zirva/report.h"

namespace zrv {

struct QBlock {
  int64_t beg = 0, end = 0;
  int64_t len() const { return end - beg; }
};

struct QuadData {
  explicit QuadData(std::pmr::memory_resource* m)
      : subi(m), subj(m), val(m), con(m), index_pool(m), objindex(&index_pool) {}

  pvec<int32_t> subi, subj;
  pvec<double> val;
  int64_t top = 0;      // positions at or past it are free
  int64_t conused = 0;  // triplets in the constraint blocks
  QBlock obj;
  // Per constraint (maxnumcon entries); made by the first put of a constraint term.
  bool has_con = false;
  pvec<QBlock> con;
  // Lookup of the objective's entries by position, as offsets into its block. Built on demand by the single-entry
  // operations and dropped by every other change of the objective block; offsets survive moves of the block.
  // Its nodes come from a pool over the task's memory, released whole when the lookup is dropped.
  std::pmr::unsynchronized_pool_resource index_pool;
  std::pmr::unordered_map<uint64_t, int64_t> objindex;
  bool objindex_valid = false;

  int64_t pool_size() const { return static_cast<int64_t>(val.size()); }
  int64_t used() const { return obj.len() + conused; }
};

}  // namespace zrv

using namespace zrv;

namespace {

struct Trip {
  int32_t i, j;
  double v;
};

inline uint64_t obj_key(int32_t i, int32_t j) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(i)) << 32) | static_cast<uint32_t>(j);
}

inline size_t sz(int64_t v) { return static_cast<size_t>(v); }

void drop_objindex(QuadData& q) {
  if (!q.objindex_valid && q.objindex.empty()) return;
  std::pmr::unordered_map<uint64_t, int64_t>(&q.index_pool).swap(q.objindex);
  q.index_pool.release();
  q.objindex_valid = false;
}

void build_objindex(QuadData& q) {
  if (q.objindex_valid) return;
  drop_objindex(q);
  q.objindex.reserve(sz(q.obj.len()));
  for (int64_t p = q.obj.beg; p < q.obj.end; ++p) q.objindex.emplace(obj_key(q.subi[sz(p)], q.subj[sz(p)]), p - q.obj.beg);
  q.objindex_valid = true;
}

// Sets the end of a block; keeps `top` and the constraint count right.
void set_end(QuadData& q, QBlock& b, int64_t newend) {
  bool at_top = b.end == q.top;
  if (&b != &q.obj) q.conused += newend - b.end;
  b.end = newend;
  if (at_top || newend > q.top) q.top = newend;
}

int64_t room_in_place(const QuadData& q, const QBlock& b) { return b.end == q.top ? q.pool_size() - b.beg : b.len(); }

// Rebuilds the pool with `size` triplets: the objective, then the constraint blocks in order, packed; `last` (may
// be null) goes at the end with its first `keep` triplets. Throws std::bad_alloc and then leaves the pool as it was.
void repack(ZRVtask_s* t, int64_t size, QBlock* last, int64_t keep) {
  QuadData& q = *t->quad;
  std::pmr::memory_resource* m = &mem(t);
  pvec<int32_t> si(sz(size), m), sj(sz(size), m);
  pvec<double> sv(sz(size), m);
  int64_t w = 0;
  auto move_block = [&](QBlock& b, int64_t n) {
    std::copy(q.subi.begin() + b.beg, q.subi.begin() + b.beg + n, si.begin() + w);
    std::copy(q.subj.begin() + b.beg, q.subj.begin() + b.beg + n, sj.begin() + w);
    std::copy(q.val.begin() + b.beg, q.val.begin() + b.beg + n, sv.begin() + w);
    b.beg = w;
    b.end = w + n;
    w += n;
  };
  int64_t conused = 0;
  if (&q.obj != last) move_block(q.obj, q.obj.len());
  if (q.has_con) {
    for (int32_t k = 0; k < t->prob->numcon; ++k) {
      QBlock& b = q.con[sz(k)];
      if (&b == last) continue;
      conused += b.len();
      move_block(b, b.len());
    }
  }
  if (last) {
    move_block(*last, keep);
    if (last != &q.obj) conused += keep;
  }
  q.subi.swap(si);
  q.subj.swap(sj);
  q.val.swap(sv);
  q.top = w;
  q.conused = conused;
}

// Gives block b room for `need` triplets from its start, keeping its first `keep` triplets.
void make_room(ZRVtask_s* t, QBlock& b, int64_t need, int64_t keep) {
  QuadData& q = *t->quad;
  if (need <= room_in_place(q, b)) return;
  if (q.pool_size() - q.top >= need) {
    int64_t from = b.beg, to = q.top;
    std::copy(q.subi.begin() + from, q.subi.begin() + from + keep, q.subi.begin() + to);
    std::copy(q.subj.begin() + from, q.subj.begin() + from + keep, q.subj.begin() + to);
    std::copy(q.val.begin() + from, q.val.begin() + from + keep, q.val.begin() + to);
    if (&b != &q.obj) q.conused -= b.len();
    b.beg = b.end = to;
    set_end(q, b, to + keep);
    return;
  }
  int64_t needed = q.used() - b.len() + need;
  int64_t size = q.pool_size();
  if (needed > size) size = std::max(2 * size, needed);
  repack(t, size, &b, keep);
}

// Sorts triplets by column and row, sums repeated positions and drops sums at or below the tolerance.
void normalize(pvec<Trip>& e, double tol) {
  for (Trip& x : e)
    if (x.j > x.i) std::swap(x.i, x.j);
  std::sort(e.begin(), e.end(), [](const Trip& a, const Trip& b) { return a.j != b.j ? a.j < b.j : a.i < b.i; });
  size_t w = 0;
  for (size_t r = 0; r < e.size();) {
    Trip s = e[r++];
    while (r < e.size() && e[r].i == s.i && e[r].j == s.j) s.v += e[r++].v;
    if (std::fabs(s.v) > tol) e[w++] = s;
  }
  e.resize(w);
}

// Replaces the contents of block b by the normalized entries.
void store_block(ZRVtask_s* t, QBlock& b, const pvec<Trip>& e) {
  QuadData& q = *t->quad;
  int64_t n = static_cast<int64_t>(e.size());
  make_room(t, b, n, 0);
  for (int64_t p = 0; p < n; ++p) {
    const Trip& x = e[sz(p)];
    q.subi[sz(b.beg + p)] = x.i, q.subj[sz(b.beg + p)] = x.j, q.val[sz(b.beg + p)] = x.v;
  }
  set_end(q, b, b.beg + n);
}

bool bad_value(ZRVtask_s* t, double v) {
  return !std::isfinite(v) || std::fabs(v) >= t->dpar[ZRV_DPAR_DATA_TOL_AIJ_HUGE];
}

int32_t check_pointers(ZRVtask_s* t, int64_t n, std::initializer_list<std::pair<const void*, const char*>> args) {
  if (n <= 0) return ZRV_RES_OK;
  for (const auto& a : args)
    if (!a.first) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, a.second);
  return ZRV_RES_OK;
}

// Entry checks of the single-term puts (objective when k < 0, else constraint k), first failure reported.
int32_t check_term_entries(ZRVtask_s* t, int32_t k, int32_t n, const int32_t* subi, const int32_t* subj,
                           const double* val) {
  const int32_t numvar = t->prob->numvar;
  const bool obj = k < 0;
  const char* ni = obj ? "qosubi" : "qcsubi";
  const char* nj = obj ? "qosubj" : "qcsubj";
  for (int32_t p = 0; p < n; ++p) {
    int32_t i = subi[p], j = subj[p];
    if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL, i, ni, p, int32_t{0});
    if (i >= numvar) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE, i, ni, p, numvar);
    if (j < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL, j, nj, p, int32_t{0});
    if (j >= numvar) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE, j, nj, p, numvar);
    if (j > i)
      return obj ? ZRV_REPORT(t, ZRV_RES_ERR_QOBJ_UPPER_TRIANGLE, i, j)
                 : ZRV_REPORT(t, ZRV_RES_ERR_QCON_UPPER_TRIANGLE, i, j, k);
    if (bad_value(t, val[p]))
      return obj ? ZRV_REPORT(t, ZRV_RES_ERR_INV_QOBJ_VAL, val[p], p) : ZRV_REPORT(t, ZRV_RES_ERR_INV_QCON_VAL, val[p], p);
  }
  return ZRV_RES_OK;
}

// Entries above the tolerance, normalized.
pvec<Trip> collect(ZRVtask_s* t, int32_t n, const int32_t* subi, const int32_t* subj, const double* val) {
  const double tol = t->dpar[ZRV_DPAR_DATA_TOL_QIJ];
  pvec<Trip> e(&mem(t));
  e.reserve(sz(std::max(n, 0)));
  for (int32_t p = 0; p < n; ++p)
    if (std::fabs(val[p]) > tol) e.push_back({subi[p], subj[p], val[p]});
  normalize(e, tol);
  return e;
}

void ensure_con_arrays(ZRVtask_s* t) {
  QuadData& q = *t->quad;
  if (q.has_con) return;
  q.con.assign(sz(t->prob->maxnumcon), QBlock{});
  q.has_con = true;
}

int32_t check_var_index(ZRVtask_s* t, int32_t i, const char* arg) {
  if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(i), arg);
  if (i >= t->prob->numvar) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(i), arg);
  return ZRV_RES_OK;
}

int32_t check_con_index(ZRVtask_s* t, int32_t k) {
  if (k < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(k), "k");
  if (k >= t->prob->numcon) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(k), "k");
  return ZRV_RES_OK;
}

QBlock con_block(const QuadData& q, int32_t k) { return q.has_con ? q.con[sz(k)] : QBlock{}; }

int32_t check_count(ZRVtask_s* t, int32_t n, const char* arg) {
  if (n < 0) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_SMALL, static_cast<int64_t>(n), arg);
  return ZRV_RES_OK;
}

int32_t put_qobj(ZRVtask_s* t, int32_t n, const int32_t* subi, const int32_t* subj, const double* val) {
  if (int32_t r = check_count(t, n, "numqonz")) return r;
  if (int32_t r = check_pointers(t, n, {{subi, "qosubi"}, {subj, "qosubj"}, {val, "qoval"}})) return r;
  if (int32_t r = check_term_entries(t, -1, n, subi, subj, val)) return r;
  QuadData& q = *t->quad;
  pvec<Trip> e = collect(t, n, subi, subj, val);
  store_block(t, q.obj, e);
  drop_objindex(q);
  sol_quad_changed(t);
  return ZRV_RES_OK;
}

int32_t put_qconk(ZRVtask_s* t, int32_t k, int32_t n, const int32_t* subi, const int32_t* subj, const double* val) {
  if (int32_t r = check_con_index(t, k)) return r;
  if (int32_t r = check_count(t, n, "numqcnz")) return r;
  if (int32_t r = check_pointers(t, n, {{subi, "qcsubi"}, {subj, "qcsubj"}, {val, "qcval"}})) return r;
  if (int32_t r = check_term_entries(t, k, n, subi, subj, val)) return r;
  pvec<Trip> e = collect(t, n, subi, subj, val);
  ensure_con_arrays(t);
  store_block(t, t->quad->con[sz(k)], e);
  sol_quad_changed(t);
  return ZRV_RES_OK;
}

int32_t put_qcon(ZRVtask_s* t, int32_t n, const int32_t* subk, const int32_t* subi, const int32_t* subj,
                 const double* val) {
  if (int32_t r = check_count(t, n, "numqcnz")) return r;
  if (int32_t r = check_pointers(t, n, {{subk, "qcsubk"}, {subi, "qcsubi"}, {subj, "qcsubj"}, {val, "qcval"}}))
    return r;
  const Problem& p = *t->prob;
  for (int32_t e = 0; e < n; ++e) {
    int32_t k = subk[e], i = subi[e], j = subj[e];
    if (k < 0 || k >= p.numcon) return ZRV_REPORT(t, ZRV_RES_ERR_INV_QCON_SUBK, k, e);
    if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_QCON_SUBI_TOO_SMALL, i, e, int32_t{0});
    if (i >= p.numvar) return ZRV_REPORT(t, ZRV_RES_ERR_QCON_SUBI_TOO_LARGE, i, e, p.numvar);
    if (j < 0 || j >= p.numvar) return ZRV_REPORT(t, ZRV_RES_ERR_INV_QCON_SUBJ, j, e);
    if (j > i) return ZRV_REPORT(t, ZRV_RES_ERR_QCON_UPPER_TRIANGLE, i, j, k);
    if (bad_value(t, val[e])) return ZRV_REPORT(t, ZRV_RES_ERR_INV_QCON_VAL, val[e], e);
  }
  QuadData& q = *t->quad;
  std::pmr::memory_resource* m = &mem(t);
  const double tol = t->dpar[ZRV_DPAR_DATA_TOL_QIJ];
  // Count per constraint, lay the blocks out in constraint order after the objective, place, then normalize
  // each block and pack. Everything is built aside and swapped in at the end.
  const int32_t numcon = p.numcon;
  pvec<int64_t> start(sz(numcon) + 1, 0, m);
  int64_t total = 0;
  for (int32_t e = 0; e < n; ++e)
    if (std::fabs(val[e]) > tol) ++start[sz(subk[e]) + 1], ++total;
  const int64_t objlen = q.obj.len();
  const int64_t needed = objlen + total;
  const int64_t size = needed <= q.pool_size() ? q.pool_size() : std::max(2 * q.pool_size(), needed);
  pvec<int32_t> si(sz(size), m), sj(sz(size), m);
  pvec<double> sv(sz(size), m);
  pvec<QBlock> con(sz(p.maxnumcon), QBlock{}, m);
  std::copy(q.subi.begin() + q.obj.beg, q.subi.begin() + q.obj.end, si.begin());
  std::copy(q.subj.begin() + q.obj.beg, q.subj.begin() + q.obj.end, sj.begin());
  std::copy(q.val.begin() + q.obj.beg, q.val.begin() + q.obj.end, sv.begin());
  start[0] = objlen;
  for (int32_t k = 0; k < numcon; ++k) start[sz(k) + 1] += start[sz(k)];
  pvec<int64_t> fill(start.begin(), start.end() - 1, m);
  for (int32_t e = 0; e < n; ++e) {
    if (std::fabs(val[e]) <= tol) continue;
    int32_t k = subk[e];
    int64_t pos = fill[sz(k)]++;
    if (pos >= start[sz(k) + 1])
      fatal_task(t, __FILE__, __LINE__, "Out of q space nzk[%d]=%d numqcnz=%d surpqnz=%d", k,
                 static_cast<int>(start[sz(k) + 1] - start[sz(k)]), n, static_cast<int>(size - pos));
    si[sz(pos)] = subi[e], sj[sz(pos)] = subj[e], sv[sz(pos)] = val[e];
  }
  pvec<Trip> work(m);
  int64_t w = objlen, conused = 0;
  for (int32_t k = 0; k < numcon; ++k) {
    int64_t b = start[sz(k)], len = start[sz(k) + 1] - b;
    work.clear();
    for (int64_t r = b; r < b + len; ++r) work.push_back({si[sz(r)], sj[sz(r)], sv[sz(r)]});
    normalize(work, tol);
    con[sz(k)].beg = w;
    for (const Trip& x : work) si[sz(w)] = x.i, sj[sz(w)] = x.j, sv[sz(w)] = x.v, ++w;
    con[sz(k)].end = w;
    conused += con[sz(k)].len();
  }
  q.subi.swap(si);
  q.subj.swap(sj);
  q.val.swap(sv);
  q.con.swap(con);
  q.has_con = true;
  q.obj = QBlock{0, objlen};
  q.top = w;
  q.conused = conused;
  sol_quad_changed(t);
  return ZRV_RES_OK;
}

int32_t put_qobjij(ZRVtask_s* t, int32_t i, int32_t j, double v) {
  if (int32_t r = check_var_index(t, i, "i")) return r;
  if (int32_t r = check_var_index(t, j, "j")) return r;
  if (j > i) return ZRV_REPORT(t, ZRV_RES_ERR_QOBJ_UPPER_TRIANGLE, i, j);
  if (bad_value(t, v)) return ZRV_REPORT(t, ZRV_RES_ERR_INV_QOBJ_VAL, v, int32_t{0});
  QuadData& q = *t->quad;
  build_objindex(q);
  const uint64_t key = obj_key(i, j);
  auto it = q.objindex.find(key);
  if (std::fabs(v) <= t->dpar[ZRV_DPAR_DATA_TOL_QIJ]) {
    if (it == q.objindex.end()) return ZRV_RES_OK;
    // The block's last triplet takes the place of the removed one.
    int64_t off = it->second, last = q.obj.len() - 1;
    q.objindex.erase(it);
    if (off != last) {
      size_t to = sz(q.obj.beg + off), from = sz(q.obj.beg + last);
      q.subi[to] = q.subi[from], q.subj[to] = q.subj[from], q.val[to] = q.val[from];
      q.objindex[obj_key(q.subi[to], q.subj[to])] = off;
    }
    set_end(q, q.obj, q.obj.end - 1);
    return ZRV_RES_OK;
  }
  if (it != q.objindex.end()) {
    q.val[sz(q.obj.beg + it->second)] = v;
    return ZRV_RES_OK;
  }
  const int64_t len = q.obj.len();
  q.objindex.emplace(key, len);
  try {
    make_room(t, q.obj, len + 1, len);
  } catch (...) {
    q.objindex.erase(key);
    throw;
  }
  size_t at = sz(q.obj.beg + len);
  q.subi[at] = i, q.subj[at] = j, q.val[at] = v;
  set_end(q, q.obj, q.obj.end + 1);
  return ZRV_RES_OK;
}

int32_t get_qobjij(ZRVtask_s* t, int32_t i, int32_t j, double* v) {
  if (int32_t r = check_var_index(t, i, "i")) return r;
  if (int32_t r = check_var_index(t, j, "j")) return r;
  QuadData& q = *t->quad;
  build_objindex(q);
  auto it = q.objindex.find(i >= j ? obj_key(i, j) : obj_key(j, i));
  if (v) *v = it == q.objindex.end() ? 0.0 : q.val[sz(q.obj.beg + it->second)];
  return ZRV_RES_OK;
}

// Reads a block under the surplus convention.
template <class T>
int32_t get_block(ZRVtask_s* t, const QBlock& b, T maxnum, T* surp, T* num, int32_t* subi, int32_t* subj,
                  double* val, const char* surpname) {
  if (!surp) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, surpname);
  if (*surp > maxnum) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_SURPLUS);
  const QuadData& q = *t->quad;
  const int64_t len = b.len();
  if (len > static_cast<int64_t>(*surp)) return ZRV_REPORT(t, ZRV_RES_ERR_NEGATIVE_SURPLUS);
  if (len > 0) {
    const int64_t at = static_cast<int64_t>(maxnum) - static_cast<int64_t>(*surp);
    if (subi) std::copy(q.subi.begin() + b.beg, q.subi.begin() + b.end, subi + at);
    if (subj) std::copy(q.subj.begin() + b.beg, q.subj.begin() + b.end, subj + at);
    if (val) std::copy(q.val.begin() + b.beg, q.val.begin() + b.end, val + at);
  }
  *surp = static_cast<T>(*surp - len);
  if (num) *num = static_cast<T>(len);
  return ZRV_RES_OK;
}

// A count for a 32-bit output (pools beyond 2^31 - 1 triplets report the largest value).
int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); }

int32_t set_pool_size(ZRVtask_s* t, int64_t size) {
  QuadData& q = *t->quad;
  if (size < q.used()) return ZRV_REPORT(t, ZRV_RES_ERR_MAXNUMQNZ);
  try {
    repack(t, size, nullptr, 0);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

// Compacts a block in place, dropping triplets with a removed variable and renumbering the others.
void remap_block(QuadData& q, QBlock& b, const int32_t* newidx) {
  int64_t w = b.beg;
  for (int64_t r = b.beg; r < b.end; ++r) {
    int32_t i = newidx[q.subi[sz(r)]], j = newidx[q.subj[sz(r)]];
    if (i < 0 || j < 0) continue;
    q.subi[sz(w)] = i, q.subj[sz(w)] = j, q.val[sz(w)] = q.val[sz(r)];
    ++w;
  }
  set_end(q, b, w);
}

}  // namespace

namespace zrv {

int32_t quad_create(ZRVtask_s* t) {
  void* p = mem(t).calloc(1, sizeof(QuadData), __FILE__, __LINE__);
  if (!p) return ZRV_RES_ERR_SPACE;
  t->quad = new (p) QuadData(&mem(t));
  return ZRV_RES_OK;
}

void quad_destroy(ZRVtask_s* t) {
  if (!t->quad) return;
  t->quad->~QuadData();
  mem(t).free(t->quad, __FILE__, __LINE__);
  t->quad = nullptr;
}

int32_t quad_set_capacity(ZRVtask_s* t, ItemKind kind, int32_t cap) {
  QuadData& q = *t->quad;
  if (kind != ITEM_CON || !q.has_con) return ZRV_RES_OK;
  try {
    pvec<QBlock> c(sz(cap), QBlock{}, &mem(t));
    const size_t keep = std::min(sz(cap), sz(t->prob->numcon));
    std::copy(q.con.begin(), q.con.begin() + static_cast<ptrdiff_t>(keep), c.begin());
    q.con.swap(c);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

void quad_append(ZRVtask_s* t, ItemKind kind, int32_t num) {
  QuadData& q = *t->quad;
  if (kind != ITEM_CON || !q.has_con) return;
  const int32_t n = t->prob->numcon;
  std::fill(q.con.begin() + n, q.con.begin() + n + num, QBlock{});
}

int32_t quad_remove(ZRVtask_s* t, ItemKind kind, const int32_t* perm, int32_t newcount) {
  QuadData& q = *t->quad;
  try {
    if (kind == ITEM_CON) {
      if (!q.has_con) return ZRV_RES_OK;
      const int32_t n = t->prob->numcon;
      pvec<QBlock> old(q.con.begin(), q.con.begin() + n, &mem(t));
      for (int32_t p = 0; p < n; ++p) q.con[sz(p)] = old[sz(perm[p])];
      // The removed constraints' triplets become holes of the pool.
      for (int32_t p = newcount; p < n; ++p) set_end(q, q.con[sz(p)], q.con[sz(p)].beg);
      for (int32_t p = newcount; p < n; ++p) q.con[sz(p)] = QBlock{};
      return ZRV_RES_OK;
    }
    const int32_t n = t->prob->numvar;
    pvec<int32_t> newidx(sz(n), -1, &mem(t));
    for (int32_t p = 0; p < newcount; ++p) newidx[sz(perm[p])] = p;
    // Kept variables keep their order, so i >= j stays true after renumbering.
    remap_block(q, q.obj, newidx.data());
    if (q.has_con)
      for (int32_t k = 0; k < t->prob->numcon; ++k) remap_block(q, q.con[sz(k)], newidx.data());
    drop_objindex(q);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

bool quad_has_objective_terms(const ZRVtask_s* t) { return t->quad->obj.len() > 0; }
bool quad_has_constraint_terms(const ZRVtask_s* t) { return t->quad->conused > 0; }

void quad_counts(const ZRVtask_s* t, int64_t* numqnz, int32_t* numq) {
  int64_t nz = quad_objective(t).nz;
  int32_t nq = nz > 0 ? 1 : 0;
  for (int32_t k = 0; k < t->prob->numcon && t->quad->conused > 0; ++k) {
    int64_t knz = quad_constraint(t, k).nz;
    nz += knz;
    if (knz > 0) ++nq;
  }
  *numqnz = nz;
  *numq = nq;
}

int32_t quad_clone(ZRVtask_s* dst, ZRVtask_s* src) {
  const QuadData& s = *src->quad;
  QuadData& d = *dst->quad;
  try {
    std::pmr::memory_resource* m = &mem(dst);
    const int64_t size = std::max(s.pool_size(), s.used());
    pvec<int32_t> si(sz(size), m), sj(sz(size), m);
    pvec<double> sv(sz(size), m);
    pvec<QBlock> con(m);
    int64_t w = 0;
    auto copy_block = [&](const QBlock& b) {
      QBlock nb{w, w + b.len()};
      std::copy(s.subi.begin() + b.beg, s.subi.begin() + b.end, si.begin() + w);
      std::copy(s.subj.begin() + b.beg, s.subj.begin() + b.end, sj.begin() + w);
      std::copy(s.val.begin() + b.beg, s.val.begin() + b.end, sv.begin() + w);
      w = nb.end;
      return nb;
    };
    QBlock obj = copy_block(s.obj);
    if (s.has_con) {
      con.assign(sz(dst->prob->maxnumcon), QBlock{});
      for (int32_t k = 0; k < src->prob->numcon; ++k) con[sz(k)] = copy_block(s.con[sz(k)]);
    }
    d.subi.swap(si);
    d.subj.swap(sj);
    d.val.swap(sv);
    d.con.swap(con);
    d.has_con = s.has_con;
    d.obj = obj;
    d.top = w;
    d.conused = s.conused;
    drop_objindex(d);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(src, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

int32_t quad_set_pool_size(ZRVtask_s* t, int64_t maxnumqnz) { return set_pool_size(t, maxnumqnz); }

QuadView quad_objective(const ZRVtask_s* t) {
  const QuadData& q = *t->quad;
  const QBlock b = q.obj;
  return {q.subi.data() + b.beg, q.subj.data() + b.beg, q.val.data() + b.beg, b.len()};
}

QuadView quad_constraint(const ZRVtask_s* t, int32_t k) {
  const QuadData& q = *t->quad;
  const QBlock b = con_block(q, k);
  return {q.subi.data() + b.beg, q.subj.data() + b.beg, q.val.data() + b.beg, b.len()};
}

}  // namespace zrv

extern "C" {

ZRVrescodee ZRV_putqobj(ZRVtask_t task, ZRVint32t numqonz, const ZRVint32t* qosubi, const ZRVint32t* qosubj,
                        const ZRVrealt* qoval) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_qobj(task, numqonz, qosubi, qosubj, qoval); });
}

ZRVrescodee ZRV_putqobjij(ZRVtask_t task, ZRVint32t i, ZRVint32t j, ZRVrealt qoij) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_qobjij(task, i, j, qoij); });
}

ZRVrescodee ZRV_putqconk(ZRVtask_t task, ZRVint32t k, ZRVint32t numqcnz, const ZRVint32t* qcsubi,
                         const ZRVint32t* qcsubj, const ZRVrealt* qcval) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_qconk(task, k, numqcnz, qcsubi, qcsubj, qcval); });
}

ZRVrescodee ZRV_putqcon(ZRVtask_t task, ZRVint32t numqcnz, const ZRVint32t* qcsubk, const ZRVint32t* qcsubi,
                        const ZRVint32t* qcsubj, const ZRVrealt* qcval) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_qcon(task, numqcnz, qcsubk, qcsubi, qcsubj, qcval); });
}

ZRVrescodee ZRV_getqobj(ZRVtask_t task, ZRVint32t maxnumqonz, ZRVint32t* qosurp, ZRVint32t* numqonz,
                        ZRVint32t* qosubi, ZRVint32t* qosubj, ZRVrealt* qoval) {
  if (int32_t r = check_task(task)) return r;
  return get_block(task, task->quad->obj, maxnumqonz, qosurp, numqonz, qosubi, qosubj, qoval, "qosurp");
}

ZRVrescodee ZRV_getqobj64(ZRVtask_t task, ZRVint64t maxnumqonz, ZRVint64t* qosurp, ZRVint64t* numqonz,
                          ZRVint32t* qosubi, ZRVint32t* qosubj, ZRVrealt* qoval) {
  if (int32_t r = check_task(task)) return r;
  return get_block(task, task->quad->obj, maxnumqonz, qosurp, numqonz, qosubi, qosubj, qoval, "qosurp");
}

ZRVrescodee ZRV_getqobjij(ZRVtask_t task, ZRVint32t i, ZRVint32t j, ZRVrealt* qoij) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return get_qobjij(task, i, j, qoij); });
}

ZRVrescodee ZRV_getqconk(ZRVtask_t task, ZRVint32t k, ZRVint32t maxnumqcnz, ZRVint32t* qcsurp, ZRVint32t* numqcnz,
                         ZRVint32t* qcsubi, ZRVint32t* qcsubj, ZRVrealt* qcval) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_con_index(task, k)) return r;
  return get_block(task, con_block(*task->quad, k), maxnumqcnz, qcsurp, numqcnz, qcsubi, qcsubj, qcval, "qcsurp");
}

ZRVrescodee ZRV_getqconk64(ZRVtask_t task, ZRVint32t k, ZRVint64t maxnumqcnz, ZRVint64t* qcsurp,
                           ZRVint64t* numqcnz, ZRVint32t* qcsubi, ZRVint32t* qcsubj, ZRVrealt* qcval) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_con_index(task, k)) return r;
  return get_block(task, con_block(*task->quad, k), maxnumqcnz, qcsurp, numqcnz, qcsubi, qcsubj, qcval, "qcsurp");
}

ZRVrescodee ZRV_getnumqobjnz(ZRVtask_t task, ZRVint32t* numqonz) {
  if (int32_t r = check_task(task)) return r;
  if (numqonz) *numqonz = clamp32(task->quad->obj.len());
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumqobjnz64(ZRVtask_t task, ZRVint64t* numqonz) {
  if (int32_t r = check_task(task)) return r;
  if (numqonz) *numqonz = task->quad->obj.len();
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumqconknz(ZRVtask_t task, ZRVint32t k, ZRVint32t* numqcnz) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_con_index(task, k)) return r;
  if (numqcnz) *numqcnz = clamp32(con_block(*task->quad, k).len());
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumqconknz64(ZRVtask_t task, ZRVint32t k, ZRVint64t* numqcnz) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_con_index(task, k)) return r;
  if (numqcnz) *numqcnz = con_block(*task->quad, k).len();
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putmaxnumqnz(ZRVtask_t task, ZRVint64t maxnumqnz) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return set_pool_size(task, maxnumqnz); });
}

ZRVrescodee ZRV_getmaxnumqnz(ZRVtask_t task, ZRVint32t* maxnumqnz) {
  if (int32_t r = check_task(task)) return r;
  if (maxnumqnz) *maxnumqnz = clamp32(task->quad->pool_size());
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getmaxnumqnz64(ZRVtask_t task, ZRVint64t* maxnumqnz) {
  if (int32_t r = check_task(task)) return r;
  if (maxnumqnz) *maxnumqnz = task->quad->pool_size();
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_checkconvexity(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return check_convexity(task); });
}

}  // extern "C"
