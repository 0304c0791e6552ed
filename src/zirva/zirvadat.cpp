// The shape of a task's problem (constraints, variables, capacities), bounds, variable types and branching
// hints, bulk input, cloning and the problem type.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/params.h"
#include "zirva/problem.h"
#include "zirva/report.h"

using namespace zrv;

namespace zrv {

int32_t create_problem(ZRVtask_s* t) {
  MemMan& m = mem(t);
  void* p = m.calloc(1, sizeof(Problem), __FILE__, __LINE__);
  if (!p) return ZRV_RES_ERR_SPACE;
  t->prob = new (p) Problem(&m);
  if (t->prob->A.init(0, 0, 0, SpDim::Cols) != SpStatus::Ok) return ZRV_RES_ERR_SPACE;
  void* q = m.calloc(1, sizeof(NameTable), __FILE__, __LINE__);
  if (!q) return ZRV_RES_ERR_SPACE;
  t->names = new (q) NameTable(&m);
  if (int32_t r = quad_create(t)) return r;
  if (int32_t r = cone_create(t)) return r;
  if (int32_t r = sol_create(t)) return r;
  return ZRV_RES_OK;
}

void destroy_problem(ZRVtask_s* t) {
  sol_destroy(t);
  cone_destroy(t);
  quad_destroy(t);
  MemMan& m = mem(t);
  if (t->names) {
    t->names->~NameTable();
    m.free(t->names, __FILE__, __LINE__);
    t->names = nullptr;
  }
  if (t->prob) {
    t->prob->~Problem();
    m.free(t->prob, __FILE__, __LINE__);
    t->prob = nullptr;
  }
}

int32_t report_sp_status(ZRVtask_s* t, int32_t status, const char* file, int line) {
  switch (static_cast<SpStatus>(status)) {
    case SpStatus::Ok: return ZRV_RES_OK;
    case SpStatus::AppendRows: return report(t, file, line, ZRV_RES_ERR_INTERNAL, {"append rows"});
    case SpStatus::MaxsizeTooSmall: return report(t, file, line, ZRV_RES_ERR_INTERNAL, {" maxsize is too small"});
    case SpStatus::Space: return report(t, file, line, ZRV_RES_ERR_SPACE, {});
    case SpStatus::NegativeSurplus: return report(t, file, line, ZRV_RES_ERR_NEGATIVE_SURPLUS, {});
    default: fatal_task(t, file, line, "sprmat: %d\n", status);
  }
}

const char* item_name(ZRVtask_s* t, ItemKind kind, int32_t i, char* buf, size_t cap) {
  NameClass c = kind == ITEM_CON ? NameClass::Con : NameClass::Var;
  GenericName scratch;
  std::string_view v = t->names->name_or_generic(c, i, GenericStyle::Numbered, 0, scratch);
  size_t n = std::min(v.size(), cap - 1);
  std::memcpy(buf, v.data(), n);
  buf[n] = 0;
  return buf;
}

}  // namespace zrv

namespace {

constexpr SpDim dim_of(ItemKind k) { return k == ITEM_CON ? SpDim::Rows : SpDim::Cols; }
constexpr NameClass class_of(ItemKind k) { return k == ITEM_CON ? NameClass::Con : NameClass::Var; }

int32_t count_of(const ZRVtask_s* t, ItemKind k) { return k == ITEM_CON ? t->prob->numcon : t->prob->numvar; }

// Index check of the put operations: argument "i" for constraints, "j" for variables.
int32_t check_index(ZRVtask_s* t, ItemKind k, int32_t i, const char* arg = nullptr) {
  if (!arg) arg = k == ITEM_CON ? "i" : "j";
  if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(i), arg);
  if (i >= count_of(t, k)) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(i), arg);
  return ZRV_RES_OK;
}

// Index check of the single getters.
int32_t check_arg_index(ZRVtask_s* t, ItemKind k, int32_t i) {
  const char* arg = k == ITEM_CON ? "i" : "j";
  if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_SMALL, static_cast<int64_t>(i), arg);
  if (i >= count_of(t, k)) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_LARGE, static_cast<int64_t>(i), arg);
  return ZRV_RES_OK;
}

int32_t check_slice(ZRVtask_s* t, ItemKind k, int32_t first, int32_t last) {
  if (first < 0) return ZRV_REPORT(t, ZRV_RES_ERR_FIRST, first);
  if (last > count_of(t, k)) return ZRV_REPORT(t, ZRV_RES_ERR_LAST, last);
  return ZRV_RES_OK;
}

int32_t check_accmode(ZRVtask_s* t, int32_t accmode) {
  if (accmode != ZRV_ACC_VAR && accmode != ZRV_ACC_CON) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_ACCMODE, accmode);
  return ZRV_RES_OK;
}

ItemKind kind_of(int32_t accmode) { return accmode == ZRV_ACC_CON ? ITEM_CON : ITEM_VAR; }

// Stored key and values of an item.
void stored_bound(ZRVtask_s* t, ItemKind k, int32_t i, int32_t* bk, double* bl, double* bu) {
  Problem& p = *t->prob;
  if (k == ITEM_CON) {
    *bk = p.bkc[i], *bl = p.blc[i], *bu = p.buc[i];
  } else {
    *bk = p.bkx[i], *bl = p.blx[i], *bu = p.bux[i];
  }
}

void store_bound(ZRVtask_s* t, ItemKind k, int32_t i, int32_t bk, double bl, double bu) {
  Problem& p = *t->prob;
  if (k == ITEM_CON) {
    p.bkc[i] = bk, p.blc[i] = bl, p.buc[i] = bu;
  } else {
    p.bkx[i] = bk, p.blx[i] = bl, p.bux[i] = bu;
  }
}

}  // namespace

namespace zrv {

int32_t put_one_bound(ZRVtask_s* t, ItemKind k, int32_t i, int32_t bk, double bl, double bu) {
  if (int32_t r = check_index(t, k, i)) return r;
  if (bk < ZRV_BK_LO || bk > ZRV_BK_RA)
    return k == ITEM_CON ? ZRV_REPORT(t, ZRV_RES_ERR_INV_BKC, bk, "bkc") : ZRV_REPORT(t, ZRV_RES_ERR_INV_BKX, bk, "bkx");
  bool lower = bk_has_lower(bk), upper = bk_has_upper(bk);
  if (lower && std::isnan(bl)) return ZRV_REPORT(t, ZRV_RES_ERR_LOWER_BOUND_IS_A_NAN);
  if (upper && std::isnan(bu)) return ZRV_REPORT(t, ZRV_RES_ERR_UPPER_BOUND_IS_A_NAN);
  const double inf = t->dpar[ZRV_DPAR_DATA_TOL_BOUND_INF];
  const double wrn = t->dpar[ZRV_DPAR_DATA_TOL_BOUND_WRN];
  const char* what = k == ITEM_CON ? "constraint" : "variable";
  char name[ZRV_MAX_STR_LEN + 1];
  if (lower && std::fabs(bl) >= wrn && bl >= -inf) {
    if (int32_t r = ZRV_REPORT(t, ZRV_RES_WRN_LARGE_LO_BOUND, bl, what, item_name(t, k, i, name, sizeof name), i))
      return r;
  }
  if (upper && std::fabs(bu) >= wrn && bu <= inf) {
    if (int32_t r = ZRV_REPORT(t, ZRV_RES_WRN_LARGE_UP_BOUND, bu, what, item_name(t, k, i, name, sizeof name), i))
      return r;
  }
  if (bk == ZRV_BK_FX && bl != bu) return ZRV_REPORT(t, ZRV_RES_ERR_FIXED_BOUND_VALUES);
  int32_t oldbk;
  double oldbl, oldbu;
  stored_bound(t, k, i, &oldbk, &oldbl, &oldbu);
  double sl = lower ? bl : -INF_BOUND;
  double su = bk == ZRV_BK_FX ? bl : upper ? bu : INF_BOUND;
  // The key is normalized against infinity; the stored numbers stay as given.
  int32_t key = bk;
  bool lo_inf = sl <= -inf, up_inf = su >= inf;
  if (key == ZRV_BK_LO && lo_inf) key = ZRV_BK_FR;
  if (key == ZRV_BK_UP && up_inf) key = ZRV_BK_FR;
  if ((key == ZRV_BK_FX || key == ZRV_BK_RA)) {
    if (lo_inf) key = ZRV_BK_UP;
    if (up_inf) key = (key == ZRV_BK_UP) ? ZRV_BK_FR : ZRV_BK_LO;
  }
  store_bound(t, k, i, key, sl, su);
  sol_bound_changed(t, k, i, oldbk, oldbl, oldbu);
  return ZRV_RES_OK;
}

int32_t set_capacity(ZRVtask_s* t, ItemKind k, int32_t cap) {
  Problem& p = *t->prob;
  int32_t& maxn = k == ITEM_CON ? p.maxnumcon : p.maxnumvar;
  int32_t n = count_of(t, k);
  if (cap == maxn) return ZRV_RES_OK;
  if (cap < n) {
    return k == ITEM_CON ? ZRV_REPORT(t, ZRV_RES_ERR_MAXNUMCON, cap, n) : ZRV_REPORT(t, ZRV_RES_ERR_MAXNUMVAR, cap, n);
  }
  // Every per-item array holds exactly `cap` slots; the contents up to the count are kept.
  try {
    size_t c = static_cast<size_t>(cap);
    auto fit = [c](auto& v) {
      std::decay_t<decltype(v)> w(v.get_allocator());
      w.reserve(c);
      w.assign(v.begin(), v.begin() + static_cast<ptrdiff_t>(std::min(v.size(), c)));
      w.resize(c);
      v.swap(w);
    };
    if (k == ITEM_CON) {
      pvec<int32_t> bk(p.bkc.get_allocator());
      fit(p.bkc), fit(p.blc), fit(p.buc);
    } else {
      fit(p.bkx), fit(p.blx), fit(p.bux), fit(p.c), fit(p.vartype), fit(p.varcone);
      if (p.has_branch) fit(p.branchpri), fit(p.branchdir);
    }
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  if (p.A.set_capacity(dim_of(k), cap) != SpStatus::Ok) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (t->names->set_capacity(class_of(k), cap) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (int32_t r = quad_set_capacity(t, k, cap)) return r;
  if (int32_t r = cone_set_capacity(t, k, cap)) return r;
  if (int32_t r = sol_set_capacity(t, k, cap)) return r;
  maxn = cap;
  return ZRV_RES_OK;
}

int32_t append_items(ZRVtask_s* t, ItemKind k, int32_t num) {
  Problem& p = *t->prob;
  if (num < 0) return ZRV_REPORT(t, ZRV_RES_ERR_NEGATIVE_APPEND, num);
  if (p.has_nl) return ZRV_REPORT(t, ZRV_RES_ERR_NONLINEAR_FUNCTIONS_NOT_ALLOWED);
  if (num == 0) return ZRV_RES_OK;
  int32_t n = count_of(t, k);
  int32_t maxn = k == ITEM_CON ? p.maxnumcon : p.maxnumvar;
  if (num > INT32_MAX - n) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (n + num > maxn) {
    int64_t grown = std::max<int64_t>(2 * static_cast<int64_t>(maxn), static_cast<int64_t>(n) + num);
    if (grown > INT32_MAX) grown = INT32_MAX;
    if (int32_t r = set_capacity(t, k, static_cast<int32_t>(grown))) return r;
  }
  if (p.A.append(dim_of(k), num) != SpStatus::Ok) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (t->names->append(class_of(k), num) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  for (int32_t i = n; i < n + num; ++i) {
    if (k == ITEM_CON) {
      p.bkc[i] = ZRV_BK_FR, p.blc[i] = -INF_BOUND, p.buc[i] = INF_BOUND;
    } else {
      p.bkx[i] = ZRV_BK_FX, p.blx[i] = 0.0, p.bux[i] = 0.0, p.c[i] = 0.0;
      p.vartype[i] = ZRV_VAR_TYPE_CONT, p.varcone[i] = 0;
      if (p.has_branch) p.branchpri[i] = 0, p.branchdir[i] = 0;
    }
  }
  quad_append(t, k, num);
  cone_append(t, k, num);
  (k == ITEM_CON ? p.numcon : p.numvar) += num;
  sol_append(t, k, n, num);
  return ZRV_RES_OK;
}

}  // namespace zrv

namespace {

template <class T>
void permute_truncate(pvec<T>& v, const std::vector<int32_t>& perm, int32_t n, int32_t newcount) {
  std::vector<T> tmp(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) tmp[static_cast<size_t>(i)] = v[static_cast<size_t>(perm[static_cast<size_t>(i)])];
  std::copy(tmp.begin(), tmp.begin() + newcount, v.begin());
}

int32_t remove_items(ZRVtask_s* t, ItemKind k, int32_t num, const int32_t* subset) {
  Problem& p = *t->prob;
  int32_t n = count_of(t, k);
  if (p.has_nl) return ZRV_REPORT(t, ZRV_RES_ERR_NONLINEAR_FUNCTIONS_NOT_ALLOWED);
  if (num > n) return ZRV_REPORT(t, ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE, static_cast<int64_t>(num), "num");
  if (num < 1) return ZRV_RES_OK;
  if (!subset) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "subset");
  for (int32_t q = 0; q < num; ++q) {
    if (subset[q] < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL, subset[q], "subset", q, 0);
    if (subset[q] >= n) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE, subset[q], "subset", q, n);
  }
  std::vector<uint8_t> removed(static_cast<size_t>(n), 0);
  for (int32_t q = 0; q < num; ++q) {
    if (removed[static_cast<size_t>(subset[q])]) return ZRV_REPORT(t, ZRV_RES_ERR_NON_UNIQUE_ARRAY, "subset");
    removed[static_cast<size_t>(subset[q])] = 1;
  }
  if (k == ITEM_VAR) {
    if (int32_t r = cone_check_remove_vars(t, removed.data())) return r;
  }
  int32_t newcount = n - num;
  // Kept items in their old order, then the removed ones in their old order.
  std::vector<int32_t> perm;
  perm.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i)
    if (!removed[static_cast<size_t>(i)]) perm.push_back(i);
  for (int32_t i = 0; i < n; ++i)
    if (removed[static_cast<size_t>(i)]) perm.push_back(i);
  bool fast = num == 1 && subset[0] == n - 1;
  if (!fast) {
    if (k == ITEM_CON) {
      permute_truncate(p.bkc, perm, n, n), permute_truncate(p.blc, perm, n, n), permute_truncate(p.buc, perm, n, n);
    } else {
      permute_truncate(p.bkx, perm, n, n), permute_truncate(p.blx, perm, n, n), permute_truncate(p.bux, perm, n, n);
      permute_truncate(p.c, perm, n, n), permute_truncate(p.vartype, perm, n, n);
      permute_truncate(p.varcone, perm, n, n);
      if (p.has_branch) permute_truncate(p.branchpri, perm, n, n), permute_truncate(p.branchdir, perm, n, n);
    }
    if (t->names->permute(class_of(k), perm.data()) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  if (int32_t r = quad_remove(t, k, perm.data(), newcount)) return r;
  if (int32_t r = cone_remove(t, k, perm.data(), newcount)) return r;
  if (!fast) {
    if (int32_t r = sol_remove(t, k, perm.data(), n)) return r;  // permuted, cut below
  }
  // The trailing items get a neutral bound first, so the solutions see the bound change.
  for (int32_t i = newcount; i < n; ++i) {
    if (k == ITEM_CON)
      put_one_bound(t, k, i, ZRV_BK_FR, -INF_BOUND, INF_BOUND);
    else
      put_one_bound(t, k, i, ZRV_BK_FX, 0.0, 0.0);
  }
  if (k == ITEM_VAR) {
    for (int32_t i = newcount; i < n; ++i)
      if (p.vartype[static_cast<size_t>(i)] == ZRV_VAR_TYPE_INT) --p.numintvar;
  }
  if (p.A.remove(dim_of(k), num, subset) != SpStatus::Ok) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (t->names->truncate(class_of(k), newcount) != ZRV_RES_OK) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  std::vector<int32_t> identity(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) identity[static_cast<size_t>(i)] = i;
  if (int32_t r = sol_remove(t, k, identity.data(), newcount)) return r;
  (k == ITEM_CON ? p.numcon : p.numvar) = newcount;
  return ZRV_RES_OK;
}

int32_t get_bound(ZRVtask_s* t, ItemKind k, int32_t i, ZRVboundkeye* bk, double* bl, double* bu) {
  int32_t key;
  double l, u;
  stored_bound(t, k, i, &key, &l, &u);
  if (bk) *bk = key;
  if (bl) *bl = lower_of(key, l);
  if (bu) *bu = upper_of(key, u);
  return ZRV_RES_OK;
}

int32_t put_bound_list(ZRVtask_s* t, ItemKind k, int32_t num, const int32_t* sub, const ZRVboundkeye* bk,
                       const double* bl, const double* bu) {
  if (num <= 0) return ZRV_RES_OK;
  if (!sub) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "sub");
  if (!bk) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "bk");
  if (!bl) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "bl");
  if (!bu) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "bu");
  for (int32_t q = 0; q < num; ++q)
    if (int32_t r = put_one_bound(t, k, sub[q], bk[q], bl[q], bu[q])) return r;
  return ZRV_RES_OK;
}

int32_t put_bound_slice(ZRVtask_s* t, ItemKind k, int32_t first, int32_t last, const ZRVboundkeye* bk,
                        const double* bl, const double* bu) {
  if (int32_t r = check_slice(t, k, first, last)) return r;
  if (first >= last) return ZRV_RES_OK;
  if (!bk) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "bk");
  if (!bl) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "bl");
  if (!bu) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "bu");
  for (int32_t i = first; i < last; ++i)
    if (int32_t r = put_one_bound(t, k, i, bk[i - first], bl[i - first], bu[i - first])) return r;
  return ZRV_RES_OK;
}

int32_t get_bound_slice(ZRVtask_s* t, ItemKind k, int32_t first, int32_t last, ZRVboundkeye* bk, double* bl,
                        double* bu) {
  if (int32_t r = check_slice(t, k, first, last)) return r;
  for (int32_t i = first; i < last; ++i) {
    int32_t q = i - first;
    get_bound(t, k, i, bk ? bk + q : nullptr, bl ? bl + q : nullptr, bu ? bu + q : nullptr);
  }
  return ZRV_RES_OK;
}

int32_t chg_bound(ZRVtask_s* t, int32_t accmode, int32_t i, int32_t lower, int32_t finite, double value) {
  if (int32_t r = check_accmode(t, accmode)) return r;
  ItemKind k = kind_of(accmode);
  const char* arg = "i";
  if (i >= count_of(t, k)) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(i), arg);
  if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(i), arg);
  int32_t bk;
  double bl, bu;
  get_bound(t, k, i, &bk, &bl, &bu);
  const double inf = t->dpar[ZRV_DPAR_DATA_TOL_BOUND_INF];
  const double wrn = t->dpar[ZRV_DPAR_DATA_TOL_BOUND_WRN];
  if (finite && std::isnan(value))
    return ZRV_REPORT(t, lower ? ZRV_RES_ERR_LOWER_BOUND_IS_A_NAN : ZRV_RES_ERR_UPPER_BOUND_IS_A_NAN);
  bool fin = finite && (lower ? value > -inf : value < inf);
  if (lower) {
    if (fin) {
      if (bk_has_lower(bk) && bl == value) return ZRV_RES_OK;
      bk = bk_has_upper(bk) ? ZRV_BK_RA : ZRV_BK_LO;
      bl = value;
    } else {
      bk = bk_has_upper(bk) ? ZRV_BK_UP : ZRV_BK_FR;
      bl = -INF_BOUND;
    }
  } else {
    if (fin) {
      if (bk_has_upper(bk) && bu == value) return ZRV_RES_OK;
      bk = bk_has_lower(bk) ? ZRV_BK_RA : ZRV_BK_UP;
      bu = value;
    } else {
      bk = bk_has_lower(bk) ? ZRV_BK_LO : ZRV_BK_FR;
      bu = INF_BOUND;
    }
  }
  if (fin && bk == ZRV_BK_RA && bl == bu) bk = ZRV_BK_FX;
  // The large-value warning of the changed side is given by the single-bound rule below.
  (void)wrn;
  return put_one_bound(t, k, i, bk, bl, bu);
}

int32_t put_vartype(ZRVtask_s* t, int32_t j, int32_t vartype) {
  if (int32_t r = check_index(t, ITEM_VAR, j)) return r;
  if (vartype != ZRV_VAR_TYPE_CONT && vartype != ZRV_VAR_TYPE_INT) {
    char name[ZRV_MAX_STR_LEN + 1];
    return ZRV_REPORT(t, ZRV_RES_ERR_INV_VAR_TYPE, vartype, item_name(t, ITEM_VAR, j, name, sizeof name), j,
                      "vartype");
  }
  Problem& p = *t->prob;
  int32_t& old = p.vartype[static_cast<size_t>(j)];
  if (old == ZRV_VAR_TYPE_INT) --p.numintvar;
  if (vartype == ZRV_VAR_TYPE_INT) ++p.numintvar;
  old = vartype;
  return ZRV_RES_OK;
}

template <class P>
int32_t input_data(ZRVtask_s* t, int32_t maxnumcon, int32_t maxnumvar, int32_t numcon, int32_t numvar,
                   const double* c, double cfix, const P* aptrb, const P* aptre, const int32_t* asub,
                   const double* aval, const ZRVboundkeye* bkc, const double* blc, const double* buc,
                   const ZRVboundkeye* bkx, const double* blx, const double* bux) {
  if (numcon < 0) return ZRV_REPORT(t, ZRV_RES_ERR_NEGATIVE_APPEND, numcon);
  if (numvar < 0) return ZRV_REPORT(t, ZRV_RES_ERR_NEGATIVE_APPEND, numvar);
  if (numvar > 0 && (!aptrb || !aptre)) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, aptrb ? "aptre" : "aptrb");
  if (numcon > 0 && (!bkc || !blc || !buc)) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, !bkc ? "bkc" : !blc ? "blc" : "buc");
  if (numvar > 0 && (!bkx || !blx || !bux)) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, !bkx ? "bkx" : !blx ? "blx" : "bux");
  // Every column is checked before anything changes.
  int64_t total = 0;
  std::vector<uint8_t> mark(static_cast<size_t>(numcon), 0);
  for (int32_t j = 0; j < numvar; ++j) {
    if (aptre[j] < aptrb[j]) return ZRV_REPORT(t, ZRV_RES_ERR_INV_APTRE, j);
    if (aptre[j] > aptrb[j] && (!asub || !aval)) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, asub ? "aval" : "asub");
    for (int64_t q = aptrb[j]; q < static_cast<int64_t>(aptre[j]); ++q) {
      int32_t i = asub[q];
      if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(i), "sub");
      if (i >= numcon) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(i), "sub");
      if (mark[static_cast<size_t>(i)]) {
        for (int64_t r = aptrb[j]; r < q; ++r) mark[static_cast<size_t>(asub[r])] = 0;
        return ZRV_REPORT(t, ZRV_RES_ERR_MUL_A_ELEMENT, i, j);
      }
      mark[static_cast<size_t>(i)] = 1;
    }
    for (int64_t q = aptrb[j]; q < static_cast<int64_t>(aptre[j]); ++q) mark[static_cast<size_t>(asub[q])] = 0;
    total += static_cast<int64_t>(aptre[j] - aptrb[j]);
  }
  if (int32_t r = ZRV_resizetask(t, maxnumcon, maxnumvar, 0, total, 0)) return r;
  if (int32_t r = ZRV_appendcons(t, numcon)) return r;
  if (int32_t r = ZRV_appendvars(t, numvar)) return r;
  t->prob->cfix = cfix;
  for (int32_t j = 0; j < numvar; ++j)
    if (int32_t r = ZRV_putcj(t, j, c ? c[j] : 0.0)) return r;
  for (int32_t i = 0; i < numcon; ++i)
    if (int32_t r = put_one_bound(t, ITEM_CON, i, bkc[i], blc[i], buc[i])) return r;
  for (int32_t j = 0; j < numvar; ++j)
    if (int32_t r = put_one_bound(t, ITEM_VAR, j, bkx[j], blx[j], bux[j])) return r;
  // A column never holds more than numcon entries, so the 32-bit column put serves both forms.
  for (int32_t j = 0; j < numvar; ++j) {
    int64_t nz = static_cast<int64_t>(aptre[j] - aptrb[j]);
    if (nz == 0) continue;
    if (int32_t r = ZRV_putacol(t, j, static_cast<int32_t>(nz), asub + aptrb[j], aval + aptrb[j])) return r;
  }
  return ZRV_RES_OK;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_appendcons(ZRVtask_t task, ZRVint32t num) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return append_items(task, ITEM_CON, num); });
}

ZRVrescodee ZRV_appendvars(ZRVtask_t task, ZRVint32t num) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return append_items(task, ITEM_VAR, num); });
}

ZRVrescodee ZRV_removecons(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subset) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return remove_items(task, ITEM_CON, num, subset); });
}

ZRVrescodee ZRV_removevars(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subset) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return remove_items(task, ITEM_VAR, num, subset); });
}

ZRVrescodee ZRV_putmaxnumcon(ZRVtask_t task, ZRVint32t maxnumcon) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return set_capacity(task, ITEM_CON, maxnumcon); });
}

ZRVrescodee ZRV_putmaxnumvar(ZRVtask_t task, ZRVint32t maxnumvar) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return set_capacity(task, ITEM_VAR, maxnumvar); });
}

ZRVrescodee ZRV_resizetask(ZRVtask_t task, ZRVint32t maxnumcon, ZRVint32t maxnumvar, ZRVint32t maxnumcone,
                           ZRVint64t maxnumanz, ZRVint64t maxnumqnz) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    if (int32_t r = set_capacity(task, ITEM_CON, maxnumcon)) return r;
    if (int32_t r = set_capacity(task, ITEM_VAR, maxnumvar)) return r;
    if (int32_t r = cone_set_max_numcone(task, maxnumcone)) return r;
    int64_t nz = 0;
    if (task->prob->A.num_nonzeros(&nz) != SpStatus::Ok) return ZRV_REPORT(task, ZRV_RES_ERR_SPACE);
    if (maxnumanz < nz) return ZRV_REPORT(task, ZRV_RES_ERR_TOO_SMALL_MAXNUMANZ, maxnumanz);
    if (maxnumanz > task->prob->A.pool_size()) {
      SpStatus s = task->prob->A.set_pool_size(maxnumanz);
      if (s != SpStatus::Ok) return report_sp_status(task, static_cast<int32_t>(s), __FILE__, __LINE__);
    }
    return quad_set_pool_size(task, maxnumqnz);
  });
}

ZRVrescodee ZRV_getnumcon(ZRVtask_t task, ZRVint32t* numcon) {
  if (int32_t r = check_task(task)) return r;
  if (numcon) *numcon = task->prob->numcon;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumvar(ZRVtask_t task, ZRVint32t* numvar) {
  if (int32_t r = check_task(task)) return r;
  if (numvar) *numvar = task->prob->numvar;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumintvar(ZRVtask_t task, ZRVint32t* numintvar) {
  if (int32_t r = check_task(task)) return r;
  if (numintvar) *numintvar = task->prob->numintvar;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getmaxnumcon(ZRVtask_t task, ZRVint32t* maxnumcon) {
  if (int32_t r = check_task(task)) return r;
  if (maxnumcon) *maxnumcon = task->prob->maxnumcon;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getmaxnumvar(ZRVtask_t task, ZRVint32t* maxnumvar) {
  if (int32_t r = check_task(task)) return r;
  if (maxnumvar) *maxnumvar = task->prob->maxnumvar;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_commitchanges(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] {
    return report_sp_status(task, static_cast<int32_t>(task->prob->A.commit()), __FILE__, __LINE__);
  });
}

ZRVrescodee ZRV_getprobtype(ZRVtask_t task, ZRVproblemtypee* probtype) {
  if (int32_t r = check_task(task)) return r;
  bool q = quad_has_objective_terms(task), qc = quad_has_constraint_terms(task), nl = task->prob->has_nl;
  bool k = cone_any(task);
  int32_t type;
  if (!q && !qc && !nl)
    type = k ? ZRV_PROBTYPE_CONIC : ZRV_PROBTYPE_LO;
  else if (k)
    type = ZRV_PROBTYPE_MIXED;
  else if (nl)
    type = ZRV_PROBTYPE_GECO;
  else if (qc)
    type = ZRV_PROBTYPE_QCQO;
  else
    type = ZRV_PROBTYPE_QO;
  if (probtype) *probtype = type;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putbound(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t i, ZRVboundkeye bk, ZRVrealt bl,
                         ZRVrealt bu) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  return guarded(task, [&] { return put_one_bound(task, kind_of(accmode), i, bk, bl, bu); });
}

ZRVrescodee ZRV_putconbound(ZRVtask_t task, ZRVint32t i, ZRVboundkeye bk, ZRVrealt bl, ZRVrealt bu) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_one_bound(task, ITEM_CON, i, bk, bl, bu); });
}

ZRVrescodee ZRV_putvarbound(ZRVtask_t task, ZRVint32t j, ZRVboundkeye bk, ZRVrealt bl, ZRVrealt bu) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_one_bound(task, ITEM_VAR, j, bk, bl, bu); });
}

ZRVrescodee ZRV_putboundlist(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t num, const ZRVint32t* sub,
                             const ZRVboundkeye* bk, const ZRVrealt* bl, const ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  return guarded(task, [&] { return put_bound_list(task, kind_of(accmode), num, sub, bk, bl, bu); });
}

ZRVrescodee ZRV_putconboundlist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* sub, const ZRVboundkeye* bkc,
                                const ZRVrealt* blc, const ZRVrealt* buc) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_bound_list(task, ITEM_CON, num, sub, bkc, blc, buc); });
}

ZRVrescodee ZRV_putvarboundlist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* sub, const ZRVboundkeye* bkx,
                                const ZRVrealt* blx, const ZRVrealt* bux) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_bound_list(task, ITEM_VAR, num, sub, bkx, blx, bux); });
}

ZRVrescodee ZRV_putboundslice(ZRVtask_t task, ZRVaccmodee con, ZRVint32t first, ZRVint32t last,
                              const ZRVboundkeye* bk, const ZRVrealt* bl, const ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_accmode(task, con)) return r;
  return guarded(task, [&] { return put_bound_slice(task, kind_of(con), first, last, bk, bl, bu); });
}

ZRVrescodee ZRV_putconboundslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, const ZRVboundkeye* bkc,
                                 const ZRVrealt* blc, const ZRVrealt* buc) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_bound_slice(task, ITEM_CON, first, last, bkc, blc, buc); });
}

ZRVrescodee ZRV_putvarboundslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, const ZRVboundkeye* bkx,
                                 const ZRVrealt* blx, const ZRVrealt* bux) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_bound_slice(task, ITEM_VAR, first, last, bkx, blx, bux); });
}

ZRVrescodee ZRV_chgbound(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t i, ZRVint32t lower, ZRVint32t finite,
                         ZRVrealt value) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return chg_bound(task, accmode, i, lower, finite, value); });
}

ZRVrescodee ZRV_getbound(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t i, ZRVboundkeye* bk, ZRVrealt* bl,
                         ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  if (int32_t r = check_arg_index(task, kind_of(accmode), i)) return r;
  return get_bound(task, kind_of(accmode), i, bk, bl, bu);
}

ZRVrescodee ZRV_getconbound(ZRVtask_t task, ZRVint32t i, ZRVboundkeye* bk, ZRVrealt* bl, ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_arg_index(task, ITEM_CON, i)) return r;
  return get_bound(task, ITEM_CON, i, bk, bl, bu);
}

ZRVrescodee ZRV_getvarbound(ZRVtask_t task, ZRVint32t i, ZRVboundkeye* bk, ZRVrealt* bl, ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_arg_index(task, ITEM_VAR, i)) return r;
  return get_bound(task, ITEM_VAR, i, bk, bl, bu);
}

ZRVrescodee ZRV_getboundslice(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t first, ZRVint32t last,
                              ZRVboundkeye* bk, ZRVrealt* bl, ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  return get_bound_slice(task, kind_of(accmode), first, last, bk, bl, bu);
}

ZRVrescodee ZRV_getconboundslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, ZRVboundkeye* bk, ZRVrealt* bl,
                                 ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  return get_bound_slice(task, ITEM_CON, first, last, bk, bl, bu);
}

ZRVrescodee ZRV_getvarboundslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, ZRVboundkeye* bk, ZRVrealt* bl,
                                 ZRVrealt* bu) {
  if (int32_t r = check_task(task)) return r;
  return get_bound_slice(task, ITEM_VAR, first, last, bk, bl, bu);
}

ZRVrescodee ZRV_putvartype(ZRVtask_t task, ZRVint32t j, ZRVvariabletypee vartype) {
  if (int32_t r = check_task(task)) return r;
  return put_vartype(task, j, vartype);
}

ZRVrescodee ZRV_putvartypelist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subj,
                               const ZRVvariabletypee* vartype) {
  if (int32_t r = check_task(task)) return r;
  if (num <= 0) return ZRV_RES_OK;
  if (!subj) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "subj");
  if (!vartype) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "vartype");
  for (int32_t q = 0; q < num; ++q)
    if (int32_t r = put_vartype(task, subj[q], vartype[q])) return r;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getvartype(ZRVtask_t task, ZRVint32t j, ZRVvariabletypee* vartype) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_index(task, ITEM_VAR, j)) return r;
  if (vartype) *vartype = task->prob->vartype[static_cast<size_t>(j)];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getvartypelist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subj, ZRVvariabletypee* vartype) {
  if (int32_t r = check_task(task)) return r;
  if (num <= 0) return ZRV_RES_OK;
  if (!subj) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "subj");
  for (int32_t q = 0; q < num; ++q) {
    if (int32_t r = check_index(task, ITEM_VAR, subj[q], "subj")) return r;
    if (vartype) vartype[q] = task->prob->vartype[static_cast<size_t>(subj[q])];
  }
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putvarbranchorder(ZRVtask_t task, ZRVint32t j, ZRVint32t priority, ZRVint32t direction) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_index(task, ITEM_VAR, j)) return r;
  if (priority < 0) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_BRANCH_PRIORITY, priority);
  if (direction < ZRV_BRANCH_DIR_FREE || direction > ZRV_BRANCH_DIR_DOWN)
    return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_BRANCH_DIRECTION, direction);
  Problem& p = *task->prob;
  if (!p.has_branch) {
    try {
      p.branchpri.assign(static_cast<size_t>(p.maxnumvar), 0);
      p.branchdir.assign(static_cast<size_t>(p.maxnumvar), 0);
    } catch (const std::bad_alloc&) {
      pvec<int32_t>(p.branchpri.get_allocator()).swap(p.branchpri);
      pvec<int32_t>(p.branchdir.get_allocator()).swap(p.branchdir);
      return ZRV_REPORT(task, ZRV_RES_ERR_SPACE);
    }
    p.has_branch = true;
  }
  p.branchpri[static_cast<size_t>(j)] = priority;
  p.branchdir[static_cast<size_t>(j)] = direction;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getvarbranchorder(ZRVtask_t task, ZRVint32t j, ZRVint32t* priority, ZRVbranchdire* direction) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_index(task, ITEM_VAR, j)) return r;
  const Problem& p = *task->prob;
  if (priority) *priority = p.has_branch ? p.branchpri[static_cast<size_t>(j)] : 0;
  if (direction) *direction = p.has_branch ? p.branchdir[static_cast<size_t>(j)] : 0;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getvarbranchpri(ZRVtask_t task, ZRVint32t j, ZRVint32t* priority) {
  return ZRV_getvarbranchorder(task, j, priority, nullptr);
}

ZRVrescodee ZRV_getvarbranchdir(ZRVtask_t task, ZRVint32t j, ZRVbranchdire* direction) {
  return ZRV_getvarbranchorder(task, j, nullptr, direction);
}

ZRVrescodee ZRV_inputdata(ZRVtask_t task, ZRVint32t maxnumcon, ZRVint32t maxnumvar, ZRVint32t numcon,
                          ZRVint32t numvar, const ZRVrealt* c, ZRVrealt cfix, const ZRVint32t* aptrb,
                          const ZRVint32t* aptre, const ZRVint32t* asub, const ZRVrealt* aval,
                          const ZRVboundkeye* bkc, const ZRVrealt* blc, const ZRVrealt* buc, const ZRVboundkeye* bkx,
                          const ZRVrealt* blx, const ZRVrealt* bux) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] {
    return input_data(task, maxnumcon, maxnumvar, numcon, numvar, c, cfix, aptrb, aptre, asub, aval, bkc, blc, buc,
                      bkx, blx, bux);
  });
}

ZRVrescodee ZRV_inputdata64(ZRVtask_t task, ZRVint32t maxnumcon, ZRVint32t maxnumvar, ZRVint32t numcon,
                            ZRVint32t numvar, const ZRVrealt* c, ZRVrealt cfix, const ZRVint64t* aptrb,
                            const ZRVint64t* aptre, const ZRVint32t* asub, const ZRVrealt* aval,
                            const ZRVboundkeye* bkc, const ZRVrealt* blc, const ZRVrealt* buc,
                            const ZRVboundkeye* bkx, const ZRVrealt* blx, const ZRVrealt* bux) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] {
    return input_data(task, maxnumcon, maxnumvar, numcon, numvar, c, cfix, aptrb, aptre, asub, aval, bkc, blc, buc,
                      bkx, blx, bux);
  });
}

ZRVrescodee ZRV_clonetask(ZRVtask_t task, ZRVtask_t* clonedtask) {
  if (int32_t r = check_task(task)) return r;
  if (!clonedtask) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "clonedtask");
  *clonedtask = nullptr;
  if (task->prob->has_nl) return ZRV_REPORT(task, ZRV_RES_ERR_CANNOT_CLONE_NL);
  return guarded(task, [&]() -> int32_t {
    const Problem& p = *task->prob;
    ZRVtask_t dst = nullptr;
    if (int32_t r = ZRV_maketask(task->env, p.maxnumcon, p.maxnumvar, &dst)) return r;
    auto fail = [&](int32_t r) {
      ZRV_deletetask(&dst);
      return r;
    };
    Problem& q = *dst->prob;
    if (int32_t r = append_items(dst, ITEM_CON, p.numcon)) return fail(r);
    if (int32_t r = append_items(dst, ITEM_VAR, p.numvar)) return fail(r);
    std::copy(p.bkc.begin(), p.bkc.begin() + p.numcon, q.bkc.begin());
    std::copy(p.blc.begin(), p.blc.begin() + p.numcon, q.blc.begin());
    std::copy(p.buc.begin(), p.buc.begin() + p.numcon, q.buc.begin());
    std::copy(p.bkx.begin(), p.bkx.begin() + p.numvar, q.bkx.begin());
    std::copy(p.blx.begin(), p.blx.begin() + p.numvar, q.blx.begin());
    std::copy(p.bux.begin(), p.bux.begin() + p.numvar, q.bux.begin());
    std::copy(p.c.begin(), p.c.begin() + p.numvar, q.c.begin());
    std::copy(p.vartype.begin(), p.vartype.begin() + p.numvar, q.vartype.begin());
    q.numintvar = p.numintvar;
    if (p.has_branch) {
      q.branchpri.assign(p.branchpri.begin(), p.branchpri.end());
      q.branchdir.assign(p.branchdir.begin(), p.branchdir.end());
      q.has_branch = true;
    }
    q.cfix = p.cfix;
    q.sense = p.sense;
    // A column by column.
    std::vector<int32_t> sub;
    std::vector<double> val;
    for (int32_t j = 0; j < p.numvar; ++j) {
      int64_t nz = 0;
      task->prob->A.vector_nnz(SpDim::Cols, j, &nz);
      if (nz == 0) continue;
      sub.resize(static_cast<size_t>(nz));
      val.resize(static_cast<size_t>(nz));
      task->prob->A.get_vector(SpDim::Cols, j, &nz, sub.data(), val.data());
      SpStatus s = q.A.put_vector(SpDim::Cols, j, nz, sub.data(), val.data());
      if (s != SpStatus::Ok) return fail(report_sp_status(task, static_cast<int32_t>(s), __FILE__, __LINE__));
    }
    if (int32_t r = quad_clone(dst, task)) return fail(r);
    if (int32_t r = cone_clone(dst, task)) return fail(r);
    *clonedtask = dst;
    return ZRV_RES_OK;
  });
}

}  // extern "C"
