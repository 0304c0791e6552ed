// The exported operations of the solution store: definition state, statuses, whole solutions, single items,
// the item families (whole vectors and slices), reduced costs and the matrix-variable values.
#include <algorithm>
#include <cstring>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/report.h"
#include "zirva/solstore.h"

using namespace zrv;

namespace {

// Items of the families; the first eight carry the numbers of the ZRV_SOL_ITEM_ group.
enum Item : int32_t { I_XC = 0, I_XX, I_Y, I_SLC, I_SUC, I_SLX, I_SUX, I_SNX, I_SKC, I_SKX };

const char* const ITEM_NAMES[] = {"xc", "xx", "y", "slc", "suc", "slx", "sux", "snx", "skc", "skx"};

bool item_is_con(Item it) { return it == I_XC || it == I_Y || it == I_SLC || it == I_SUC || it == I_SKC; }
bool item_is_dual(Item it) { return it >= I_Y && it <= I_SNX; }

int32_t item_count(ZRVtask_s* t, Item it) { return item_is_con(it) ? t->prob->numcon : t->prob->numvar; }

double* real_array(Solution& s, Item it) {
  switch (it) {
    case I_XC: return s.xc.data();
    case I_XX: return s.xx.data();
    case I_Y: return s.y.data();
    case I_SLC: return s.slc.data();
    case I_SUC: return s.suc.data();
    case I_SLX: return s.slx.data();
    case I_SUX: return s.sux.data();
    case I_SNX: return s.snx.data();
    default: return nullptr;
  }
}
int32_t* key_array(Solution& s, Item it) { return it == I_SKC ? s.skc.data() : s.skx.data(); }

// The solution exists and has the item.
int32_t check_item(ZRVtask_s* t, int32_t w, Item it) {
  if (int32_t r = sol_check_whichsol(t, w)) return r;
  if (item_is_dual(it) && w == ZRV_SOL_ITG) return ZRV_REPORT(t, ZRV_RES_ERR_NO_DUAL_FOR_ITG_SOL);
  if (it == I_SNX && w == ZRV_SOL_BAS) return ZRV_REPORT(t, ZRV_RES_ERR_NO_SNX_FOR_BAS_SOL);
  return ZRV_RES_OK;
}

int32_t check_slice(ZRVtask_s* t, int32_t first, int32_t last, int32_t count) {
  if (first < 0) return ZRV_REPORT(t, ZRV_RES_ERR_FIRST, first);
  if (last > count) return ZRV_REPORT(t, ZRV_RES_ERR_LAST, last);
  return ZRV_RES_OK;
}

int32_t check_index(ZRVtask_s* t, int32_t i, int32_t count, const char* arg) {
  if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(i), arg);
  if (i >= count) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(i), arg);
  return ZRV_RES_OK;
}

bool key_valid(int32_t sk) { return sk >= ZRV_SK_UNK && sk <= ZRV_SK_INF; }

// Status keys[0 .. n-1] of items first .. first+n-1 are valid; code names the array.
int32_t check_keys(ZRVtask_s* t, const int32_t* keys, int32_t first, int32_t n, int32_t code) {
  if (!keys) return ZRV_RES_OK;
  for (int32_t q = 0; q < n; ++q)
    if (!key_valid(keys[q])) return ZRV_REPORT(t, code, first + q);
  return ZRV_RES_OK;
}

// One item over [first, last) (whole: all items of its kind).
template <class T>
int32_t item_get(ZRVtask_s* t, int32_t w, Item it, bool whole, int32_t first, int32_t last, T* out) {
  if (int32_t r = check_item(t, w, it)) return r;
  int32_t n = item_count(t, it);
  if (whole) {
    first = 0, last = n;
  } else if (int32_t r = check_slice(t, first, last, n)) {
    return r;
  }
  if (int32_t r = sol_check_defined(t, w)) return r;
  if (!out || first >= last) return ZRV_RES_OK;
  Solution& s = sol_of(t, w);
  if constexpr (std::is_same_v<T, int32_t>)
    std::copy(key_array(s, it) + first, key_array(s, it) + last, out);
  else
    std::copy(real_array(s, it) + first, real_array(s, it) + last, out);
  return ZRV_RES_OK;
}

template <class T>
int32_t item_put(ZRVtask_s* t, int32_t w, Item it, bool whole, int32_t first, int32_t last, const T* in) {
  if (int32_t r = check_item(t, w, it)) return r;
  int32_t n = item_count(t, it);
  if (whole) {
    first = 0, last = n;
  } else {
    if (int32_t r = check_slice(t, first, last, n)) return r;
    if (first >= last) return ZRV_RES_OK;
  }
  if (!in && first < last) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, ITEM_NAMES[it]);
  if constexpr (std::is_same_v<T, int32_t>) {
    if (int32_t r = check_keys(t, in, first, last - first, it == I_SKC ? ZRV_RES_ERR_INV_SKC : ZRV_RES_ERR_INV_SKX))
      return r;
  }
  return guarded(t, [&]() -> int32_t {
    if (int32_t r = sol_define(t, w)) return r;
    Solution& s = sol_of(t, w);
    if (first < last) {
      if constexpr (std::is_same_v<T, int32_t>)
        std::copy(in, in + (last - first), key_array(s, it) + first);
      else
        std::copy(in, in + (last - first), real_array(s, it) + first);
    }
    s.solsta = ZRV_SOL_STA_UNKNOWN;
    return ZRV_RES_OK;
  });
}

template <class T>
void copy_or_zero(T* dst, const T* src, int32_t n) {
  if (src)
    std::copy(src, src + n, dst);
  else
    std::fill(dst, dst + n, T(0));
}

int32_t put_solution(ZRVtask_s* t, int32_t w, const int32_t* skc, const int32_t* skx, const int32_t* skn,
                     const double* xc, const double* xx, const double* y, const double* slc, const double* suc,
                     const double* slx, const double* sux, const double* snx) {
  const Problem& p = *t->prob;
  int32_t numcone = t->sols->numcone;
  if (int32_t r = check_keys(t, skc, 0, p.numcon, ZRV_RES_ERR_INV_SKC)) return r;
  if (int32_t r = check_keys(t, skx, 0, p.numvar, ZRV_RES_ERR_INV_SKX)) return r;
  if (w == ZRV_SOL_ITR) {
    if (int32_t r = check_keys(t, skn, 0, numcone, ZRV_RES_ERR_INV_SKN)) return r;
  }
  if (int32_t r = sol_define(t, w)) return r;
  Solution& s = sol_of(t, w);
  copy_or_zero(s.skc.data(), skc, p.numcon);
  copy_or_zero(s.xc.data(), xc, p.numcon);
  copy_or_zero(s.skx.data(), skx, p.numvar);
  copy_or_zero(s.xx.data(), xx, p.numvar);
  if (w != ZRV_SOL_ITG) {
    copy_or_zero(s.y.data(), y, p.numcon);
    copy_or_zero(s.slc.data(), slc, p.numcon);
    copy_or_zero(s.suc.data(), suc, p.numcon);
    copy_or_zero(s.slx.data(), slx, p.numvar);
    copy_or_zero(s.sux.data(), sux, p.numvar);
  }
  if (w == ZRV_SOL_ITR) {
    copy_or_zero(s.snx.data(), snx, p.numvar);
    copy_or_zero(s.skn.data(), skn, numcone);
  }
  s.solsta = ZRV_SOL_STA_UNKNOWN;
  if (w == ZRV_SOL_BAS) {
    int32_t nbas = 0;
    for (int32_t i = 0; i < p.numcon; ++i) nbas += s.skc[static_cast<size_t>(i)] == ZRV_SK_BAS;
    for (int32_t j = 0; j < p.numvar; ++j) nbas += s.skx[static_cast<size_t>(j)] == ZRV_SK_BAS;
    if (nbas > p.numcon) return ZRV_REPORT(t, ZRV_RES_WRN_TOO_MANY_BASIS_VARS, nbas, p.numcon);
    if (nbas < p.numcon) return ZRV_REPORT(t, ZRV_RES_WRN_TOO_FEW_BASIS_VARS, nbas, p.numcon);
  }
  return ZRV_RES_OK;
}

// Matrix variable j of the interior-point solution: barx or bars.
int32_t bar_access(ZRVtask_s* t, int32_t w, int32_t j, bool bars) {
  if (int32_t r = sol_check_whichsol(t, w)) return r;
  if (w != ZRV_SOL_ITR)
    return ZRV_REPORT(t, bars ? ZRV_RES_ERR_NO_BARS_FOR_SOLUTION : ZRV_RES_ERR_NO_BARX_FOR_SOLUTION, w);
  return check_index(t, j, t->sols->numbarvar(), "j");
}

int32_t bar_get(ZRVtask_s* t, int32_t w, int32_t j, bool bars, double* out) {
  if (int32_t r = bar_access(t, w, j, bars)) return r;
  if (int32_t r = sol_check_defined(t, w)) return r;
  if (!out) return ZRV_RES_OK;
  const SolStore& st = *t->sols;
  const pvec<double>& v = bars ? sol_of(t, w).bars : sol_of(t, w).barx;
  size_t q = static_cast<size_t>(j);
  std::copy(v.begin() + st.baroff[q], v.begin() + st.baroff[q + 1], out);
  return ZRV_RES_OK;
}

int32_t bar_put(ZRVtask_s* t, int32_t w, int32_t j, bool bars, const double* in) {
  if (int32_t r = bar_access(t, w, j, bars)) return r;
  if (!in) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, bars ? "barsj" : "barxj");
  return guarded(t, [&]() -> int32_t {
    if (int32_t r = sol_define(t, w)) return r;
    const SolStore& st = *t->sols;
    Solution& s = sol_of(t, w);
    pvec<double>& v = bars ? s.bars : s.barx;
    size_t q = static_cast<size_t>(j);
    std::copy(in, in + (st.baroff[q + 1] - st.baroff[q]), v.begin() + st.baroff[q]);
    s.solsta = ZRV_SOL_STA_UNKNOWN;
    return ZRV_RES_OK;
  });
}

int32_t check_accmode(ZRVtask_s* t, int32_t accmode) {
  if (accmode != ZRV_ACC_VAR && accmode != ZRV_ACC_CON) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_ACCMODE, accmode);
  return ZRV_RES_OK;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_solutiondef(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t* isdef) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (isdef) *isdef = sol_of(task, whichsol).defined ? 1 : 0;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_deletesolution(ZRVtask_t task, ZRVsoltypee whichsol) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  sol_undefine(task, whichsol);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getprosta(ZRVtask_t task, ZRVsoltypee whichsol, ZRVprostae* prosta) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = sol_check_defined(task, whichsol)) return r;
  if (prosta) *prosta = sol_of(task, whichsol).prosta;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getsolsta(ZRVtask_t task, ZRVsoltypee whichsol, ZRVsolstae* solsta) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = sol_check_defined(task, whichsol)) return r;
  if (solsta) *solsta = sol_of(task, whichsol).solsta;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getsolution(ZRVtask_t task, ZRVsoltypee whichsol, ZRVprostae* prosta, ZRVsolstae* solsta,
                            ZRVstakeye* skc, ZRVstakeye* skx, ZRVstakeye* skn, ZRVrealt* xc, ZRVrealt* xx,
                            ZRVrealt* y, ZRVrealt* slc, ZRVrealt* suc, ZRVrealt* slx, ZRVrealt* sux,
                            ZRVrealt* snx) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = sol_check_defined(task, whichsol)) return r;
  const Solution& s = sol_of(task, whichsol);
  const size_t m = static_cast<size_t>(task->prob->numcon), n = static_cast<size_t>(task->prob->numvar);
  auto out = [](const auto& v, size_t cnt, auto* dst) {
    if (dst) std::copy(v.begin(), v.begin() + static_cast<ptrdiff_t>(cnt), dst);
  };
  if (prosta) *prosta = s.prosta;
  if (solsta) *solsta = s.solsta;
  out(s.skc, m, skc), out(s.skx, n, skx), out(s.xc, m, xc), out(s.xx, n, xx);
  if (whichsol != ZRV_SOL_ITG) {
    out(s.y, m, y), out(s.slc, m, slc), out(s.suc, m, suc), out(s.slx, n, slx), out(s.sux, n, sux);
  }
  if (whichsol == ZRV_SOL_ITR) {
    out(s.skn, static_cast<size_t>(task->sols->numcone), skn);
    out(s.snx, n, snx);
  }
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putsolution(ZRVtask_t task, ZRVsoltypee whichsol, const ZRVstakeye* skc, const ZRVstakeye* skx,
                            const ZRVstakeye* skn, const ZRVrealt* xc, const ZRVrealt* xx, const ZRVrealt* y,
                            const ZRVrealt* slc, const ZRVrealt* suc, const ZRVrealt* slx, const ZRVrealt* sux,
                            const ZRVrealt* snx) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  return guarded(task, [&] { return put_solution(task, whichsol, skc, skx, skn, xc, xx, y, slc, suc, slx, sux, snx); });
}

ZRVrescodee ZRV_getsolutioni(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t i, ZRVsoltypee whichsol,
                             ZRVstakeye* sk, ZRVrealt* x, ZRVrealt* sl, ZRVrealt* su, ZRVrealt* sn) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  bool con = accmode == ZRV_ACC_CON;
  if (int32_t r = check_index(task, i, con ? task->prob->numcon : task->prob->numvar, "i")) return r;
  if (int32_t r = sol_check_defined(task, whichsol)) return r;
  const Solution& s = sol_of(task, whichsol);
  size_t q = static_cast<size_t>(i);
  bool duals = whichsol != ZRV_SOL_ITG;
  if (sk) *sk = con ? s.skc[q] : s.skx[q];
  if (x) *x = con ? s.xc[q] : s.xx[q];
  if (sl) *sl = duals ? (con ? s.slc[q] : s.slx[q]) : 0.0;
  if (su) *su = duals ? (con ? s.suc[q] : s.sux[q]) : 0.0;
  if (sn) *sn = !con && whichsol == ZRV_SOL_ITR ? s.snx[q] : 0.0;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putsolutioni(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t i, ZRVsoltypee whichsol,
                             ZRVstakeye sk, ZRVrealt x, ZRVrealt sl, ZRVrealt su, ZRVrealt sn) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  bool con = accmode == ZRV_ACC_CON;
  if (int32_t r = check_index(task, i, con ? task->prob->numcon : task->prob->numvar, "i")) return r;
  if (!key_valid(sk)) return ZRV_REPORT(task, ZRV_RES_ERR_INV_SK, sk);
  return guarded(task, [&]() -> int32_t {
    if (int32_t r = sol_define(task, whichsol)) return r;
    Solution& s = sol_of(task, whichsol);
    size_t q = static_cast<size_t>(i);
    (con ? s.skc[q] : s.skx[q]) = sk;
    (con ? s.xc[q] : s.xx[q]) = x;
    if (whichsol != ZRV_SOL_ITG) {
      (con ? s.slc[q] : s.slx[q]) = sl;
      (con ? s.suc[q] : s.sux[q]) = su;
    }
    if (!con && whichsol == ZRV_SOL_ITR) s.snx[q] = sn;
    s.solsta = ZRV_SOL_STA_UNKNOWN;
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_putsolutionyi(ZRVtask_t task, ZRVint32t i, ZRVsoltypee whichsol, ZRVrealt y) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_item(task, whichsol, I_Y)) return r;
  if (int32_t r = check_index(task, i, task->prob->numcon, "i")) return r;
  return guarded(task, [&]() -> int32_t {
    if (int32_t r = sol_define(task, whichsol)) return r;
    Solution& s = sol_of(task, whichsol);
    s.y[static_cast<size_t>(i)] = y;
    s.solsta = ZRV_SOL_STA_UNKNOWN;
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_getsolutionslice(ZRVtask_t task, ZRVsoltypee whichsol, ZRVsoliteme solitem, ZRVint32t first,
                                 ZRVint32t last, ZRVrealt* values) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (solitem < ZRV_SOL_ITEM_XC || solitem > ZRV_SOL_ITEM_SNX)
    return ZRV_REPORT(task, ZRV_RES_ERR_SOLITEM, solitem, whichsol);
  return item_get(task, whichsol, static_cast<Item>(solitem), false, first, last, values);
}

ZRVrescodee ZRV_getreducedcosts(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t first, ZRVint32t last,
                                ZRVrealt* redcosts) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_item(task, whichsol, I_SLX)) return r;
  if (int32_t r = check_slice(task, first, last, task->prob->numvar)) return r;
  if (int32_t r = sol_check_defined(task, whichsol)) return r;
  if (!redcosts) return ZRV_RES_OK;
  const Solution& s = sol_of(task, whichsol);
  for (int32_t j = first; j < last; ++j)
    redcosts[j - first] = s.slx[static_cast<size_t>(j)] - s.sux[static_cast<size_t>(j)];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getbarxj(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t j, ZRVrealt* barxj) {
  if (int32_t r = check_task(task)) return r;
  return bar_get(task, whichsol, j, false, barxj);
}

ZRVrescodee ZRV_getbarsj(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t j, ZRVrealt* barsj) {
  if (int32_t r = check_task(task)) return r;
  return bar_get(task, whichsol, j, true, barsj);
}

ZRVrescodee ZRV_putbarxj(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t j, const ZRVrealt* barxj) {
  if (int32_t r = check_task(task)) return r;
  return bar_put(task, whichsol, j, false, barxj);
}

ZRVrescodee ZRV_putbarsj(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t j, const ZRVrealt* barsj) {
  if (int32_t r = check_task(task)) return r;
  return bar_put(task, whichsol, j, true, barsj);
}

// The item families: whole vector and slice, get and put.
#define ZRV_SOL_ITEM_FAMILY(name, item, T)                                                                        \
  ZRVrescodee ZRV_get##name(ZRVtask_t task, ZRVsoltypee whichsol, T* v) {                                         \
    if (int32_t r = check_task(task)) return r;                                                                   \
    return item_get<T>(task, whichsol, item, true, 0, 0, v);                                                      \
  }                                                                                                               \
  ZRVrescodee ZRV_put##name(ZRVtask_t task, ZRVsoltypee whichsol, const T* v) {                                   \
    if (int32_t r = check_task(task)) return r;                                                                   \
    return item_put<T>(task, whichsol, item, true, 0, 0, v);                                                      \
  }                                                                                                               \
  ZRVrescodee ZRV_get##name##slice(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t first, ZRVint32t last, T* v) { \
    if (int32_t r = check_task(task)) return r;                                                                   \
    return item_get<T>(task, whichsol, item, false, first, last, v);                                              \
  }                                                                                                               \
  ZRVrescodee ZRV_put##name##slice(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t first, ZRVint32t last,         \
                                   const T* v) {                                                                  \
    if (int32_t r = check_task(task)) return r;                                                                   \
    return item_put<T>(task, whichsol, item, false, first, last, v);                                              \
  }

ZRV_SOL_ITEM_FAMILY(skc, I_SKC, ZRVstakeye)
ZRV_SOL_ITEM_FAMILY(skx, I_SKX, ZRVstakeye)
ZRV_SOL_ITEM_FAMILY(xc, I_XC, ZRVrealt)
ZRV_SOL_ITEM_FAMILY(xx, I_XX, ZRVrealt)
ZRV_SOL_ITEM_FAMILY(y, I_Y, ZRVrealt)
ZRV_SOL_ITEM_FAMILY(slc, I_SLC, ZRVrealt)
ZRV_SOL_ITEM_FAMILY(suc, I_SUC, ZRVrealt)
ZRV_SOL_ITEM_FAMILY(slx, I_SLX, ZRVrealt)
ZRV_SOL_ITEM_FAMILY(sux, I_SUX, ZRVrealt)
ZRV_SOL_ITEM_FAMILY(snx, I_SNX, ZRVrealt)
#undef ZRV_SOL_ITEM_FAMILY

}  // extern "C"
