// Cones: the cone store with its member pool, the cone operations, and the hooks by which the cones, the matrix
// variables and their coefficient tables follow the shape of the problem.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "zirva.h"
#include "zirva/conedata.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/report.h"

using namespace zrv;

namespace {

ConeData& cd(ZRVtask_s* t) { return *t->cones; }

const char* copy_view(std::string_view v, char* buf, size_t cap) {
  size_t n = std::min(v.size(), cap - 1);
  std::memcpy(buf, v.data(), n);
  buf[n] = 0;
  return buf;
}

// Name of cone k for messages; k may be the slot of a cone being appended.
const char* cone_name(ZRVtask_s* t, int32_t k, char* buf, size_t cap) {
  GenericName scratch;
  if (k < t->names->count(NameClass::Cone))
    return copy_view(t->names->name_or_generic(NameClass::Cone, k, GenericStyle::Numbered, 0, scratch), buf, cap);
  scratch = generic_name(NameClass::Cone, k, GenericStyle::Numbered);
  return copy_view(scratch.view(), buf, cap);
}

int32_t live_members(const ConeData& c) {
  int64_t n = 0;
  for (int32_t k = 0; k < c.numcone; ++k) n += c.cnum[static_cast<size_t>(k)];
  return static_cast<int32_t>(n);
}

// Packs the members of all cones, in cone order, into a new pool of `size` entries.
void repack(ConeData& c, size_t size) {
  pvec<int32_t> np(c.pool.get_allocator());
  np.resize(size);
  int32_t pos = 0;
  for (int32_t k = 0; k < c.numcone; ++k) {
    size_t f = static_cast<size_t>(c.cfirst[static_cast<size_t>(k)]), n = static_cast<size_t>(c.cnum[static_cast<size_t>(k)]);
    std::copy(c.pool.begin() + f, c.pool.begin() + f + n, np.begin() + pos);
    pos += static_cast<int32_t>(n);
  }
  // Nothing allocates from here on.
  pos = 0;
  for (int32_t k = 0; k < c.numcone; ++k) {
    c.cfirst[static_cast<size_t>(k)] = pos;
    pos += c.cnum[static_cast<size_t>(k)];
  }
  c.pool.swap(np);
  c.pool_used = pos;
}

// Makes room for `need` members at the free end of the pool. The positions of dead members (cones replaced or
// removed, members removed with their variables) are reclaimed by packing; the pool is made large enough that
// packing is paid for by the members added afterwards.
void pool_reserve(ConeData& c, int32_t need) {
  if (static_cast<int64_t>(c.pool.size()) - c.pool_used >= need) return;
  int64_t live = live_members(c);
  int64_t size = std::max<int64_t>(static_cast<int64_t>(c.pool.size()), 2 * (live + need));
  repack(c, static_cast<size_t>(std::min<int64_t>(size, INT32_MAX)));
}

// Members of a cone being checked: the caller's array, or the consecutive variables from `first`.
struct Members {
  const int32_t* sub;
  int64_t first;
  int64_t operator[](int32_t q) const { return sub ? sub[q] : first + q; }
};

// Validates cone k (k == numcone for a cone being appended): type and size, member indices, membership of
// another cone, repeated members, the parameter.
int32_t check_cone(ZRVtask_s* t, int32_t k, int32_t ct, double conepar, int32_t nummem, Members m) {
  Problem& p = *t->prob;
  if (ct != ZRV_CT_QUAD && ct != ZRV_CT_RQUAD) return ZRV_REPORT(t, ZRV_RES_ERR_CONE_TYPE, ct);
  int32_t need = ct == ZRV_CT_QUAD ? 1 : 2;
  if (nummem < need) return ZRV_REPORT(t, ZRV_RES_ERR_CONE_SIZE, need, ct == ZRV_CT_QUAD ? "QUAD" : "RQUAD");
  for (int32_t q = 0; q < nummem; ++q) {
    int64_t v = m[q];
    if (v < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, v, "submem");
    if (v >= p.numvar) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, v, "submem");
  }
  char vn[ZRV_MAX_STR_LEN + 1], k1[ZRV_MAX_STR_LEN + 1], k2[ZRV_MAX_STR_LEN + 1];
  for (int32_t q = 0; q < nummem; ++q) {
    int32_t v = static_cast<int32_t>(m[q]);
    int32_t owner = p.varcone[static_cast<size_t>(v)];
    if (owner != 0 && owner != k + 1)
      return ZRV_REPORT(t, ZRV_RES_ERR_CONE_OVERLAP, item_name(t, ITEM_VAR, v, vn, sizeof vn), v,
                        cone_name(t, owner - 1, k1, sizeof k1), owner - 1, cone_name(t, k, k2, sizeof k2), k);
  }
  // Repetitions: each member's cone reference r is marked as -(r + 1) while the list is scanned, then restored.
  auto unmark = [&](int32_t upto) {
    for (int32_t q = 0; q < upto; ++q) {
      int32_t& r = p.varcone[static_cast<size_t>(m[q])];
      r = -r - 1;
    }
  };
  for (int32_t q = 0; q < nummem; ++q) {
    int32_t v = static_cast<int32_t>(m[q]);
    int32_t& r = p.varcone[static_cast<size_t>(v)];
    if (r < 0) {
      unmark(q);
      return ZRV_REPORT(t, ZRV_RES_ERR_CONE_REP_VAR, item_name(t, ITEM_VAR, v, vn, sizeof vn), v,
                        cone_name(t, k, k1, sizeof k1), k);
    }
    r = -r - 1;
  }
  unmark(nummem);
  if (std::isnan(conepar) || std::isinf(conepar)) return ZRV_REPORT(t, ZRV_RES_ERR_NAN_IN_DOUBLE_DATA, "conepar");
  return ZRV_RES_OK;
}

// Stores the members of a validated cone k at the free end of the pool (room reserved by the caller).
void place_members(ZRVtask_s* t, int32_t k, int32_t nummem, Members m) {
  ConeData& c = cd(t);
  int32_t f = c.pool_used;
  for (int32_t q = 0; q < nummem; ++q) {
    int32_t v = static_cast<int32_t>(m[q]);
    c.pool[static_cast<size_t>(f + q)] = v;
    t->prob->varcone[static_cast<size_t>(v)] = k + 1;
  }
  c.cfirst[static_cast<size_t>(k)] = f;
  c.cnum[static_cast<size_t>(k)] = nummem;
  c.pool_used = f + nummem;
}

int32_t append_cone(ZRVtask_s* t, int32_t ct, double conepar, int32_t nummem, Members m) {
  ConeData& c = cd(t);
  int32_t k = c.numcone;
  if (int32_t r = check_cone(t, k, ct, conepar, nummem, m)) return r;
  if (k == c.maxnumcone) {
    if (k == INT32_MAX) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
    int64_t grown = std::max<int64_t>(2 * static_cast<int64_t>(c.maxnumcone), 1);
    if (int32_t r = cone_set_max_numcone(t, static_cast<int32_t>(std::min<int64_t>(grown, INT32_MAX)))) return r;
  }
  pool_reserve(c, nummem);
  if (t->names->append(NameClass::Cone, 1) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  c.ctype[static_cast<size_t>(k)] = ct;
  c.cpar[static_cast<size_t>(k)] = conepar;
  place_members(t, k, nummem, m);
  c.numcone = k + 1;
  return sol_cones_changed(t, ConeChange::ConeAppended, k, 1, nullptr);
}

int32_t put_cone(ZRVtask_s* t, int32_t k, int32_t ct, double conepar, int32_t nummem, const int32_t* submem) {
  ConeData& c = cd(t);
  if (k < 0 || k >= c.numcone) return ZRV_REPORT(t, ZRV_RES_ERR_CONE_INDEX, k);
  if (nummem > 0 && !submem) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "submem");
  Members m{submem, 0};
  if (int32_t r = check_cone(t, k, ct, conepar, nummem, m)) return r;
  size_t kk = static_cast<size_t>(k);
  if (nummem > c.cnum[kk]) pool_reserve(c, nummem);
  for (int32_t q = 0; q < c.cnum[kk]; ++q) t->prob->varcone[static_cast<size_t>(c.pool[static_cast<size_t>(c.cfirst[kk] + q)])] = 0;
  if (nummem <= c.cnum[kk]) {
    // Written over the old members; the tail of the old range is dead.
    for (int32_t q = 0; q < nummem; ++q) {
      c.pool[static_cast<size_t>(c.cfirst[kk] + q)] = submem[q];
      t->prob->varcone[static_cast<size_t>(submem[q])] = k + 1;
    }
    c.cnum[kk] = nummem;
  } else {
    place_members(t, k, nummem, m);
  }
  c.ctype[kk] = ct;
  c.cpar[kk] = conepar;
  return sol_cones_changed(t, ConeChange::ConeReplaced, k, 1, nullptr);
}

int32_t append_cones_seq(ZRVtask_s* t, int32_t num, const int32_t* ct, const double* conepar, const int32_t* nummem,
                         int32_t j) {
  ConeData& c = cd(t);
  if (num < 0) return ZRV_REPORT(t, ZRV_RES_ERR_NEGATIVE_APPEND, num);
  if (num == 0) return ZRV_RES_OK;
  if (!ct) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "ct");
  if (!conepar) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "conepar");
  if (!nummem) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "nummem");
  if (num > INT32_MAX - c.numcone) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (c.numcone + num > c.maxnumcone) {
    int64_t grown = std::max<int64_t>(2 * static_cast<int64_t>(c.maxnumcone), static_cast<int64_t>(c.numcone) + num);
    if (int32_t r = cone_set_max_numcone(t, static_cast<int32_t>(std::min<int64_t>(grown, INT32_MAX)))) return r;
  }
  int64_t first = j;
  for (int32_t q = 0; q < num; ++q) {
    if (int32_t r = append_cone(t, ct[q], conepar[q], nummem[q], Members{nullptr, first})) return r;
    first += nummem[q];
  }
  return ZRV_RES_OK;
}

int32_t remove_cones(ZRVtask_s* t, int32_t num, const int32_t* subset) {
  ConeData& c = cd(t);
  int32_t n = c.numcone;
  if (num > n) return ZRV_REPORT(t, ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE, static_cast<int64_t>(num), "num");
  if (num < 1) return ZRV_RES_OK;
  pvec<uint8_t> removed(&mem(t));
  if (int32_t r = check_remove_list(t, num, subset, n, removed)) return r;
  pvec<int32_t> perm(&mem(t));
  perm.reserve(static_cast<size_t>(n));
  for (int32_t k = 0; k < n; ++k)
    if (!removed[static_cast<size_t>(k)]) perm.push_back(k);
  int32_t newcount = static_cast<int32_t>(perm.size());
  for (int32_t k = 0; k < n; ++k)
    if (removed[static_cast<size_t>(k)]) perm.push_back(k);
  if (t->names->permute(NameClass::Cone, perm.data()) != ZRV_RES_OK ||
      t->names->truncate(NameClass::Cone, newcount) != ZRV_RES_OK)
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (int32_t r = sol_cones_changed(t, ConeChange::ConesRemoved, 0, newcount, perm.data())) return r;
  pvec<int32_t>& varcone = t->prob->varcone;
  for (int32_t q = newcount; q < n; ++q) {
    size_t k = static_cast<size_t>(perm[static_cast<size_t>(q)]);
    for (int32_t p = 0; p < c.cnum[k]; ++p) varcone[static_cast<size_t>(c.pool[static_cast<size_t>(c.cfirst[k] + p)])] = 0;
  }
  // Kept cones move down in their order (perm[r] >= r), their members follow the new numbers.
  for (int32_t r = 0; r < newcount; ++r) {
    size_t o = static_cast<size_t>(perm[static_cast<size_t>(r)]), d = static_cast<size_t>(r);
    c.ctype[d] = c.ctype[o], c.cpar[d] = c.cpar[o], c.cfirst[d] = c.cfirst[o], c.cnum[d] = c.cnum[o];
    for (int32_t p = 0; p < c.cnum[d]; ++p) varcone[static_cast<size_t>(c.pool[static_cast<size_t>(c.cfirst[d] + p)])] = r + 1;
  }
  c.numcone = newcount;
  return ZRV_RES_OK;
}

int32_t check_cone_index(ZRVtask_s* t, int32_t k) {
  if (k < 0 || k >= cd(t).numcone) return ZRV_REPORT(t, ZRV_RES_ERR_CONE_INDEX, k);
  return ZRV_RES_OK;
}

}  // namespace

namespace zrv {

int32_t cone_create(ZRVtask_s* t) {
  void* p = mem(t).calloc(1, sizeof(ConeData), __FILE__, __LINE__);
  if (!p) return ZRV_RES_ERR_SPACE;
  try {
    t->cones = new (p) ConeData(&mem(t));
  } catch (const std::bad_alloc&) {
    mem(t).free(p, __FILE__, __LINE__);
    return ZRV_RES_ERR_SPACE;
  }
  return ZRV_RES_OK;
}

void cone_destroy(ZRVtask_s* t) {
  if (!t->cones) return;
  t->cones->~ConeData();
  mem(t).free(t->cones, __FILE__, __LINE__);
  t->cones = nullptr;
}

int32_t cone_set_max_numcone(ZRVtask_s* t, int32_t cap) {
  ConeData& c = cd(t);
  if (cap < 0 || cap < c.numcone) return ZRV_REPORT(t, ZRV_RES_ERR_MAXNUMCONE, cap);
  if (cap == c.maxnumcone) return ZRV_RES_OK;
  try {
    size_t n = static_cast<size_t>(c.numcone), sz = static_cast<size_t>(cap);
    auto fit = [&](auto& v) {
      std::decay_t<decltype(v)> w(v.get_allocator());
      w.reserve(sz);
      w.assign(v.begin(), v.begin() + static_cast<ptrdiff_t>(n));
      w.resize(sz);
      return w;
    };
    auto ty = fit(c.ctype);
    auto pa = fit(c.cpar);
    auto fi = fit(c.cfirst);
    auto nu = fit(c.cnum);
    if (t->names->set_capacity(NameClass::Cone, cap) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
    if (int32_t r = sol_cones_changed(t, ConeChange::ConeCapacity, 0, cap, nullptr)) return r;
    c.ctype.swap(ty), c.cpar.swap(pa), c.cfirst.swap(fi), c.cnum.swap(nu);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  c.maxnumcone = cap;
  return ZRV_RES_OK;
}

int32_t cone_set_capacity(ZRVtask_s* t, ItemKind kind, int32_t cap) {
  if (kind != ITEM_VAR) return ZRV_RES_OK;
  ConeData& c = cd(t);
  try {
    size_t size = static_cast<size_t>(std::max(cap, live_members(c)));
    if (size != c.pool.size()) repack(c, size);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

void cone_append(ZRVtask_s*, ItemKind, int32_t) {}

int32_t cone_check_remove_vars(ZRVtask_s* t, const uint8_t* removed) {
  const Problem& p = *t->prob;
  const ConeData& c = cd(t);
  for (int32_t v = 0; v < p.numvar; ++v) {
    int32_t owner = p.varcone[static_cast<size_t>(v)];
    if (!removed[v] || owner == 0) continue;
    size_t k = static_cast<size_t>(owner - 1);
    int32_t roots = c.ctype[k] == ZRV_CT_QUAD ? 1 : 2;
    for (int32_t q = 0; q < roots && q < c.cnum[k]; ++q) {
      if (c.pool[static_cast<size_t>(c.cfirst[k] + q)] != v) continue;
      char vn[ZRV_MAX_STR_LEN + 1], kn[ZRV_MAX_STR_LEN + 1];
      return ZRV_REPORT(t, ZRV_RES_ERR_REMOVE_CONE_VARIABLE, v, item_name(t, ITEM_VAR, v, vn, sizeof vn), owner - 1,
                        cone_name(t, owner - 1, kn, sizeof kn));
    }
  }
  return ZRV_RES_OK;
}

int32_t cone_remove(ZRVtask_s* t, ItemKind kind, const int32_t* perm, int32_t newcount) {
  ConeData& c = cd(t);
  Problem& p = *t->prob;
  int32_t n = kind == ITEM_VAR ? p.numvar : p.numcon;
  try {
    pvec<int32_t> newidx(&mem(t));
    newidx.assign(static_cast<size_t>(n), -1);
    for (int32_t r = 0; r < newcount; ++r) newidx[static_cast<size_t>(perm[r])] = r;
    if (kind == ITEM_CON) {
      c.bara.remap(newidx.data(), nullptr);
      return ZRV_RES_OK;
    }
    // Members follow the new variable numbers; members removed with their variables leave their cones.
    for (int32_t k = 0; k < c.numcone; ++k) {
      size_t kk = static_cast<size_t>(k);
      int32_t w = c.cfirst[kk];
      for (int32_t q = c.cfirst[kk]; q < c.cfirst[kk] + c.cnum[kk]; ++q) {
        int32_t v = newidx[static_cast<size_t>(c.pool[static_cast<size_t>(q)])];
        if (v >= 0) c.pool[static_cast<size_t>(w++)] = v;
      }
      c.cnum[kk] = w - c.cfirst[kk];
    }
    for (int32_t v = newcount; v < n; ++v) p.varcone[static_cast<size_t>(v)] = 0;
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

bool cone_any(const ZRVtask_s* t) { return t->cones->numcone > 0 || t->cones->numbarvar > 0; }

int32_t cone_clone(ZRVtask_s* dst, ZRVtask_s* src) {
  ConeData& s = cd(src);
  ConeData& d = cd(dst);
  if (int32_t r = cone_set_max_numcone(dst, s.maxnumcone)) return r;
  try {
    size_t n = static_cast<size_t>(s.numcone);
    std::copy(s.ctype.begin(), s.ctype.begin() + n, d.ctype.begin());
    std::copy(s.cpar.begin(), s.cpar.begin() + n, d.cpar.begin());
    std::copy(s.cnum.begin(), s.cnum.begin() + n, d.cnum.begin());
    d.pool.resize(std::max(d.pool.size(), static_cast<size_t>(live_members(s))));
    int32_t pos = 0;
    for (size_t k = 0; k < n; ++k) {
      d.cfirst[k] = pos;
      std::copy(s.pool.begin() + s.cfirst[k], s.pool.begin() + s.cfirst[k] + s.cnum[k], d.pool.begin() + pos);
      pos += s.cnum[k];
    }
    d.pool_used = pos;
    d.numcone = s.numcone;
    std::copy(src->prob->varcone.begin(), src->prob->varcone.begin() + src->prob->numvar, dst->prob->varcone.begin());
    if (dst->names->append(NameClass::Cone, s.numcone) != ZRV_RES_OK) return ZRV_REPORT(dst, ZRV_RES_ERR_SPACE);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(dst, ZRV_RES_ERR_SPACE);
  }
  return bar_clone(dst, src);
}

}  // namespace zrv

extern "C" {

ZRVrescodee ZRV_appendcone(ZRVtask_t task, ZRVconetypee ct, ZRVrealt conepar, ZRVint32t nummem,
                           const ZRVint32t* submem) {
  if (int32_t r = check_task(task)) return r;
  if (nummem > 0 && !submem) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "submem");
  return guarded(task, [&] { return append_cone(task, ct, conepar, nummem, Members{submem, 0}); });
}

ZRVrescodee ZRV_appendconeseq(ZRVtask_t task, ZRVconetypee ct, ZRVrealt conepar, ZRVint32t nummem, ZRVint32t j) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return append_cone(task, ct, conepar, nummem, Members{nullptr, j}); });
}

ZRVrescodee ZRV_appendconesseq(ZRVtask_t task, ZRVint32t num, const ZRVconetypee* ct, const ZRVrealt* conepar,
                               const ZRVint32t* nummem, ZRVint32t j) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return append_cones_seq(task, num, ct, conepar, nummem, j); });
}

ZRVrescodee ZRV_putcone(ZRVtask_t task, ZRVint32t k, ZRVconetypee ct, ZRVrealt conepar, ZRVint32t nummem,
                        const ZRVint32t* submem) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_cone(task, k, ct, conepar, nummem, submem); });
}

ZRVrescodee ZRV_removecones(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subset) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return remove_cones(task, num, subset); });
}

ZRVrescodee ZRV_getcone(ZRVtask_t task, ZRVint32t k, ZRVconetypee* ct, ZRVrealt* conepar, ZRVint32t* nummem,
                        ZRVint32t* submem) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_cone_index(task, k)) return r;
  const ConeData& c = cd(task);
  size_t kk = static_cast<size_t>(k);
  if (ct) *ct = c.ctype[kk];
  if (conepar) *conepar = c.cpar[kk];
  if (nummem) *nummem = c.cnum[kk];
  if (submem) std::copy(c.pool.begin() + c.cfirst[kk], c.pool.begin() + c.cfirst[kk] + c.cnum[kk], submem);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getconeinfo(ZRVtask_t task, ZRVint32t k, ZRVconetypee* ct, ZRVrealt* conepar, ZRVint32t* nummem) {
  return ZRV_getcone(task, k, ct, conepar, nummem, nullptr);
}

ZRVrescodee ZRV_getnumcone(ZRVtask_t task, ZRVint32t* numcone) {
  if (int32_t r = check_task(task)) return r;
  if (numcone) *numcone = cd(task).numcone;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumconemem(ZRVtask_t task, ZRVint32t k, ZRVint32t* nummem) {
  return ZRV_getcone(task, k, nullptr, nullptr, nummem, nullptr);
}

ZRVrescodee ZRV_putmaxnumcone(ZRVtask_t task, ZRVint32t maxnumcone) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return cone_set_max_numcone(task, maxnumcone); });
}

ZRVrescodee ZRV_getmaxnumcone(ZRVtask_t task, ZRVint32t* maxnumcone) {
  if (int32_t r = check_task(task)) return r;
  if (maxnumcone) *maxnumcone = cd(task).maxnumcone;
  return ZRV_RES_OK;
}

}  // extern "C"
