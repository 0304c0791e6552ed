// The three solutions of a task: definition, the shape notifications of the problem data and the status
// downgrades that follow data changes. The exported get/put operations are in zirvasolapi.cpp.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <new>
#include <utility>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/report.h"
#include "zirva/solstore.h"

namespace zrv {

namespace {

bool has_duals(int32_t w) { return w != ZRV_SOL_ITG; }
bool has_skn(int32_t w) { return w != ZRV_SOL_BAS; }
bool has_snx(int32_t w) { return w == ZRV_SOL_ITR; }

template <class V>
void release(V& v) {
  V(v.get_allocator()).swap(v);
}

// Exactly n entries; the first min(size, n) kept, new ones zero.
template <class V>
void fit(V& v, size_t n) {
  if (v.size() == n && v.capacity() == n) return;
  V w(v.get_allocator());
  w.reserve(n);
  w.assign(v.begin(), v.begin() + static_cast<ptrdiff_t>(std::min(v.size(), n)));
  w.resize(n);
  v.swap(w);
}

// Calls f on every per-item array of kind k that solution w has.
template <class F>
void for_each_array(Solution& s, int32_t w, ItemKind k, F&& f) {
  if (k == ITEM_CON) {
    f(s.skc), f(s.xc);
    if (has_duals(w)) f(s.y), f(s.slc), f(s.suc);
  } else {
    f(s.skx), f(s.xx);
    if (has_duals(w)) f(s.slx), f(s.sux);
    if (has_snx(w)) f(s.snx);
  }
}

void release_all(Solution& s) {
  release(s.skc), release(s.skx), release(s.skn), release(s.xc), release(s.xx), release(s.y), release(s.slc);
  release(s.suc), release(s.slx), release(s.sux), release(s.snx), release(s.barx), release(s.bars);
}

// ---- status maps. A full map sends every value it does not list to UNKNOWN (0 in both groups); a partial map
// leaves such values alone.
using StaMap = std::initializer_list<std::pair<int32_t, int32_t>>;

int32_t map_full(int32_t v, StaMap m) {
  for (auto [from, to] : m)
    if (from == v) return to;
  return 0;
}
int32_t map_partial(int32_t v, StaMap m) {
  for (auto [from, to] : m)
    if (from == v) return to;
  return v;
}

constexpr int32_t P_UNK = ZRV_PRO_STA_UNKNOWN, P_PDF = ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, P_PF = ZRV_PRO_STA_PRIM_FEAS,
                  P_DF = ZRV_PRO_STA_DUAL_FEAS, P_PI = ZRV_PRO_STA_PRIM_INFEAS, P_DI = ZRV_PRO_STA_DUAL_INFEAS,
                  P_PDI = ZRV_PRO_STA_PRIM_AND_DUAL_INFEAS, P_ILL = ZRV_PRO_STA_ILL_POSED,
                  P_NPDF = ZRV_PRO_STA_NEAR_PRIM_AND_DUAL_FEAS, P_NPF = ZRV_PRO_STA_NEAR_PRIM_FEAS,
                  P_NDF = ZRV_PRO_STA_NEAR_DUAL_FEAS;
constexpr int32_t S_UNK = ZRV_SOL_STA_UNKNOWN, S_OPT = ZRV_SOL_STA_OPTIMAL, S_PF = ZRV_SOL_STA_PRIM_FEAS,
                  S_DF = ZRV_SOL_STA_DUAL_FEAS, S_PDF = ZRV_SOL_STA_PRIM_AND_DUAL_FEAS,
                  S_PIC = ZRV_SOL_STA_PRIM_INFEAS_CER, S_DIC = ZRV_SOL_STA_DUAL_INFEAS_CER,
                  S_NOPT = ZRV_SOL_STA_NEAR_OPTIMAL, S_NPF = ZRV_SOL_STA_NEAR_PRIM_FEAS,
                  S_NDF = ZRV_SOL_STA_NEAR_DUAL_FEAS, S_NPDF = ZRV_SOL_STA_NEAR_PRIM_AND_DUAL_FEAS,
                  S_NPIC = ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER, S_NDIC = ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER,
                  S_IO = ZRV_SOL_STA_INTEGER_OPTIMAL, S_NIO = ZRV_SOL_STA_NEAR_INTEGER_OPTIMAL;

// The objective changed or variables were appended: the primal side survives.
void downgrade_objective(Solution& s, bool keep_integer_optimal) {
  s.prosta = map_full(s.prosta, {{P_PDF, P_PF}, {P_PF, P_PF}, {P_PI, P_PI}, {P_PDI, P_PI}, {P_NPDF, P_NPF},
                                 {P_NPF, P_NPF}});
  int32_t io = keep_integer_optimal ? S_PF : S_UNK;
  s.solsta = map_full(s.solsta, {{S_PF, S_PF}, {S_PDF, S_PF}, {S_IO, io}, {S_PIC, S_PIC}, {S_NPF, S_NPF},
                                 {S_NPDF, S_NPF}});
}

// Constraints were appended: the dual side survives.
void downgrade_append_cons(Solution& s) {
  s.prosta = map_full(s.prosta, {{P_PDF, P_DF}, {P_DF, P_DF}, {P_PI, P_PI}, {P_PDI, P_PI}, {P_NPDF, P_NDF},
                                 {P_NDF, P_NDF}});
  s.solsta = map_full(s.solsta, {{S_OPT, S_DF}, {S_DF, S_DF}, {S_PDF, S_DF}, {S_PIC, S_PIC}, {S_NOPT, S_NDF},
                                 {S_NDF, S_NDF}, {S_NPDF, S_NDF}});
}

// A variable bound changed.
void downgrade_var_bound(Solution& s) {
  s.prosta = map_full(s.prosta, {{P_PDF, P_DF}, {P_DF, P_DF}, {P_DI, P_DI}, {P_PDI, P_DI}, {P_NPDF, P_NDF},
                                 {P_NDF, P_NDF}});
  s.solsta = map_full(s.solsta, {{S_DF, S_DF}, {S_PDF, S_DF}, {S_NDF, S_NDF}, {S_NPDF, S_NDF}});
}

// A side of a constraint bound was tightened: no dual infeasibility claim survives.
void downgrade_tightened(Solution& s) { s.prosta = map_partial(s.prosta, {{P_PDI, P_PI}, {P_DI, P_UNK}, {P_ILL, P_UNK}}); }

// The stored activity violates a tightened side: the primal claims go.
void downgrade_primal_lost(Solution& s) {
  s.prosta = map_partial(s.prosta, {{P_PDF, P_DF}, {P_NPDF, P_NDF}, {P_PF, P_UNK}, {P_NPF, P_UNK}});
  s.solsta = map_partial(s.solsta, {{S_OPT, S_DF}, {S_PDF, S_DF}, {S_NOPT, S_NDF}, {S_NPDF, S_NDF}, {S_PF, S_UNK},
                                    {S_DIC, S_UNK}, {S_NPF, S_UNK}, {S_IO, S_UNK}, {S_NIO, S_UNK},
                                    {S_NDIC, S_UNK}});
}

// A side whose dual value was in use was removed: the dual claims go.
void downgrade_side_removed(Solution& s) {
  s.prosta = map_partial(s.prosta, {{P_PDF, P_PF}, {P_NPDF, P_NPF}, {P_DF, P_UNK}, {P_NDF, P_UNK}});
  s.solsta = map_partial(s.solsta, {{S_OPT, S_PF}, {S_PDF, S_PF}, {S_IO, S_PF}, {S_NOPT, S_NPF}, {S_NPDF, S_NPF},
                                    {S_NIO, S_NPF}, {S_DF, S_UNK}, {S_NDF, S_UNK}});
}

// A side was relaxed: infeasibility claims of the problem go.
void downgrade_relaxed_problem(Solution& s) {
  s.prosta = map_partial(s.prosta, {{P_PDI, P_DI}, {P_PI, P_UNK}, {P_ILL, P_UNK}});
}
// ... and, when the side's dual value was in use, the optimality and certificate claims of the solution.
void downgrade_relaxed_solution(Solution& s) {
  s.solsta = map_partial(s.solsta, {{S_OPT, S_PDF}, {S_IO, S_PF}, {S_NOPT, S_NPDF}, {S_NIO, S_NPF},
                                    {S_PIC, S_UNK}, {S_NPIC, S_UNK}});
}

// Column j of A changed: only primal claims can survive, and only when xx_j does not move A xx.
void downgrade_column(Solution& s, bool keep_primal) {
  if (!keep_primal) {
    s.prosta = P_UNK, s.solsta = S_UNK;
    return;
  }
  s.prosta = map_full(s.prosta, {{P_PDF, P_PF}, {P_PF, P_PF}, {P_NPDF, P_NPF}, {P_NPF, P_NPF}});
  s.solsta = map_full(s.solsta, {{S_OPT, S_PF}, {S_PF, S_PF}, {S_PDF, S_PF}, {S_IO, S_PF}, {S_NPF, S_NPF},
                                 {S_NPDF, S_NPF}});
}

// One side (lower or upper) of constraint i changed from (had, oldv) to (has, newv).
void constraint_side_changed(Solution& s, int32_t w, bool lower, bool had, double oldv, bool has, double newv,
                             double xc, double dual, double tol, double tols) {
  bool tightened = has && (!had || (lower ? newv > oldv + tol : newv < oldv - tol));
  if (tightened) {
    downgrade_tightened(s);
    if (lower ? xc < newv - tol : xc > newv + tol) downgrade_primal_lost(s);
    return;
  }
  bool relaxed = had && (!has || (lower ? newv < oldv - tol : newv > oldv + tol));
  if (!relaxed) return;
  // The integer solution has no dual values to tell whether the side was in use.
  bool active = !has_duals(w) || std::fabs(dual) > tols;
  bool certificate = s.solsta == S_PIC || s.solsta == S_NPIC;
  if (active && !has) downgrade_side_removed(s);
  if (active || !certificate) downgrade_relaxed_problem(s);
  if (active) downgrade_relaxed_solution(s);
}

void constraint_bound_changed(ZRVtask_s* t, Solution& s, int32_t w, int32_t i, int32_t oldbk, double oldbl,
                              double oldbu) {
  const Problem& p = *t->prob;
  size_t q = static_cast<size_t>(i);
  int32_t bk = p.bkc[q];
  double bl = p.blc[q], bu = p.buc[q];
  double tol = w == ZRV_SOL_BAS ? t->dpar[ZRV_DPAR_BASIS_TOL_X] : t->dpar[ZRV_DPAR_DATA_TOL_X];
  double tols = w == ZRV_SOL_BAS ? t->dpar[ZRV_DPAR_BASIS_TOL_S] : t->dpar[ZRV_DPAR_DATA_TOL_X];
  double xc = s.xc[q];
  double slc = has_duals(w) ? s.slc[q] : 0.0, suc = has_duals(w) ? s.suc[q] : 0.0;
  double ww = solution_weight(s);
  constraint_side_changed(s, w, true, bk_has_lower(oldbk), oldbl, bk_has_lower(bk), bl, xc, slc, tol, tols);
  constraint_side_changed(s, w, false, bk_has_upper(oldbk), oldbu, bk_has_upper(bk), bu, xc, suc, tol, tols);
  int32_t& sk = s.skc[q];
  if ((sk == ZRV_SK_LOW || sk == ZRV_SK_FIX) && (!bk_has_lower(bk) || std::fabs(xc - ww * bl) > tol)) sk = ZRV_SK_UNK;
  if ((sk == ZRV_SK_UPR || sk == ZRV_SK_FIX) && (!bk_has_upper(bk) || std::fabs(ww * bu - xc) > tol)) sk = ZRV_SK_UNK;
}

template <class F>
void for_each_defined(ZRVtask_s* t, F&& f) {
  for (int32_t w = 0; w < NUM_SOLUTIONS; ++w) {
    Solution& s = t->sols->sol[w];
    if (s.defined) f(s, w);
  }
}

// Permutes the first n entries of v by perm (entry q takes old entry perm[q]).
template <class V>
void permute(V& v, const int32_t* perm, int32_t n, V& tmp) {
  tmp.assign(v.begin(), v.begin() + n);
  for (int32_t q = 0; q < n; ++q) v[static_cast<size_t>(q)] = tmp[static_cast<size_t>(perm[q])];
}

bool is_identity(const int32_t* perm, int32_t n) {
  for (int32_t q = 0; q < n; ++q)
    if (perm[q] != q) return false;
  return true;
}

}  // namespace

Solution& sol_of(ZRVtask_s* t, int32_t whichsol) { return t->sols->sol[whichsol]; }

int32_t sol_check_whichsol(ZRVtask_s* t, int32_t whichsol) {
  if (!whichsol_valid(whichsol)) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_WHICHSOL, whichsol);
  return ZRV_RES_OK;
}

int32_t sol_check_defined(ZRVtask_s* t, int32_t whichsol) {
  if (!sol_of(t, whichsol).defined) return ZRV_REPORT(t, ZRV_RES_ERR_UNDEF_SOLUTION, whichsol);
  return ZRV_RES_OK;
}

int32_t sol_define(ZRVtask_s* t, int32_t w) {
  Solution& s = sol_of(t, w);
  if (s.defined) return ZRV_RES_OK;
  const Problem& p = *t->prob;
  const SolStore& st = *t->sols;
  try {
    for_each_array(s, w, ITEM_CON, [&](auto& v) { v.assign(static_cast<size_t>(p.maxnumcon), 0); });
    for_each_array(s, w, ITEM_VAR, [&](auto& v) { v.assign(static_cast<size_t>(p.maxnumvar), 0); });
    if (has_skn(w)) s.skn.assign(static_cast<size_t>(st.maxnumcone), 0);
    if (w == ZRV_SOL_ITR) {
      s.barx.assign(static_cast<size_t>(st.baroff.back()), 0.0);
      s.bars.assign(static_cast<size_t>(st.baroff.back()), 0.0);
    }
  } catch (const std::bad_alloc&) {
    release_all(s);
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  s.defined = true;
  return ZRV_RES_OK;
}

void sol_undefine(ZRVtask_s* t, int32_t w) {
  Solution& s = sol_of(t, w);
  release_all(s);
  s.defined = false;
  // A solution defined again later must not inherit claims about values that are gone.
  s.prosta = P_UNK, s.solsta = S_UNK;
}

void sol_set_status(ZRVtask_s* t, int32_t w, int32_t prosta, int32_t solsta) {
  Solution& s = sol_of(t, w);
  s.prosta = prosta;
  s.solsta = solsta;
}

// ---- module hooks

int32_t sol_create(ZRVtask_s* t) {
  void* p = mem(t).calloc(1, sizeof(SolStore), __FILE__, __LINE__);
  if (!p) return ZRV_RES_ERR_SPACE;
  try {
    t->sols = new (p) SolStore(&mem(t));
  } catch (const std::bad_alloc&) {
    mem(t).free(p, __FILE__, __LINE__);
    return ZRV_RES_ERR_SPACE;
  }
  return ZRV_RES_OK;
}

void sol_destroy(ZRVtask_s* t) {
  if (!t->sols) return;
  t->sols->~SolStore();
  mem(t).free(t->sols, __FILE__, __LINE__);
  t->sols = nullptr;
}

int32_t sol_set_capacity(ZRVtask_s* t, ItemKind k, int32_t cap) {
  try {
    for_each_defined(t, [&](Solution& s, int32_t w) {
      for_each_array(s, w, k, [&](auto& v) { fit(v, static_cast<size_t>(cap)); });
    });
  } catch (const std::bad_alloc&) {
    // Every array still holds at least the current count; the capacity stays the old one.
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

void sol_append(ZRVtask_s* t, ItemKind k, int32_t first, int32_t num) {
  const Problem& p = *t->prob;
  for_each_defined(t, [&](Solution& s, int32_t w) {
    for (int32_t i = first; i < first + num; ++i) {
      size_t q = static_cast<size_t>(i);
      if (k == ITEM_CON) {
        s.skc[q] = w == ZRV_SOL_BAS ? ZRV_SK_BAS : ZRV_SK_UNK;
        s.xc[q] = 0.0;
        if (has_duals(w)) s.y[q] = s.slc[q] = s.suc[q] = 0.0;
      } else {
        bool fixed = p.bkx[q] == ZRV_BK_FX;
        s.skx[q] = fixed ? ZRV_SK_FIX : ZRV_SK_UNK;
        s.xx[q] = fixed ? p.blx[q] : 0.0;
        if (has_duals(w)) s.slx[q] = s.sux[q] = 0.0;
        if (has_snx(w)) s.snx[q] = 0.0;
      }
    }
    if (k == ITEM_CON)
      downgrade_append_cons(s);
    else
      downgrade_objective(s, false);
  });
}

// Called twice by a removal: first with a permutation and newcount equal to the count (the arrays are
// reordered), then with the identity and the new count (the trailing entries are cleared). The count of the
// kind is still the old one in both calls.
int32_t sol_remove(ZRVtask_s* t, ItemKind k, const int32_t* perm, int32_t newcount) {
  int32_t n = k == ITEM_CON ? t->prob->numcon : t->prob->numvar;
  bool identity = is_identity(perm, n);
  try {
    pvec<int32_t> ti(&mem(t));
    pvec<double> td(&mem(t));
    for_each_defined(t, [&](Solution& s, int32_t w) {
      for_each_array(s, w, k, [&](auto& v) {
        using T = typename std::decay_t<decltype(v)>::value_type;
        if (!identity) {
          if constexpr (std::is_same_v<T, int32_t>)
            permute(v, perm, n, ti);
          else
            permute(v, perm, n, td);
        }
        std::fill(v.begin() + newcount, v.begin() + n, T(0));
      });
    });
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

void sol_bound_changed(ZRVtask_s* t, ItemKind k, int32_t i, int32_t oldbk, double oldbl, double oldbu) {
  for_each_defined(t, [&](Solution& s, int32_t w) {
    if (k == ITEM_VAR)
      downgrade_var_bound(s);
    else
      constraint_bound_changed(t, s, w, i, oldbk, oldbl, oldbu);
  });
}

void sol_objective_sense_changed(ZRVtask_s* t) { sol_all_unknown(t); }

void sol_cj_changed(ZRVtask_s* t, int32_t) {
  for_each_defined(t, [&](Solution& s, int32_t) { downgrade_objective(s, true); });
}

void sol_column_changed(ZRVtask_s* t, int32_t j) {
  double tol = t->dpar[ZRV_DPAR_DATA_TOL_X];
  for_each_defined(t, [&](Solution& s, int32_t) {
    downgrade_column(s, std::fabs(s.xx[static_cast<size_t>(j)]) <= tol);
  });
}

void sol_all_unknown(ZRVtask_s* t) {
  for_each_defined(t, [&](Solution& s, int32_t) { s.prosta = P_UNK, s.solsta = S_UNK; });
}

int32_t sol_set_cone_capacity(ZRVtask_s* t, int32_t cap) {
  SolStore& st = *t->sols;
  try {
    for_each_defined(t, [&](Solution& s, int32_t w) {
      if (has_skn(w)) fit(s.skn, static_cast<size_t>(cap));
    });
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  st.maxnumcone = cap;
  return ZRV_RES_OK;
}

int32_t sol_append_cones(ZRVtask_s* t, int32_t num) {
  SolStore& st = *t->sols;
  if (st.numcone + num > st.maxnumcone) {
    if (int32_t r = sol_set_cone_capacity(t, std::max(2 * st.maxnumcone, st.numcone + num))) return r;
  }
  for_each_defined(t, [&](Solution& s, int32_t w) {
    if (has_skn(w)) std::fill(s.skn.begin() + st.numcone, s.skn.begin() + st.numcone + num, ZRV_SK_UNK);
  });
  st.numcone += num;
  sol_cone_changed(t);
  return ZRV_RES_OK;
}

void sol_cone_changed(ZRVtask_s* t) {
  for_each_defined(t, [&](Solution& s, int32_t) { downgrade_var_bound(s); });
}

int32_t sol_remove_cones(ZRVtask_s* t, const int32_t* perm, int32_t newcount) {
  SolStore& st = *t->sols;
  try {
    pvec<int32_t> tmp(&mem(t));
    for_each_defined(t, [&](Solution& s, int32_t w) {
      if (!has_skn(w)) return;
      permute(s.skn, perm, st.numcone, tmp);
      std::fill(s.skn.begin() + newcount, s.skn.begin() + st.numcone, ZRV_SK_UNK);
    });
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  st.numcone = newcount;
  sol_all_unknown(t);
  return ZRV_RES_OK;
}

int32_t sol_append_barvars(ZRVtask_s* t, int32_t num, const int32_t* dim) {
  SolStore& st = *t->sols;
  size_t n0 = st.baroff.size();
  try {
    for (int32_t q = 0; q < num; ++q) {
      int64_t d = dim[q];
      st.baroff.push_back(st.baroff.back() + d * (d + 1) / 2);
    }
    Solution& s = sol_of(t, ZRV_SOL_ITR);
    if (s.defined) {
      s.barx.resize(static_cast<size_t>(st.baroff.back()), 0.0);
      s.bars.resize(static_cast<size_t>(st.baroff.back()), 0.0);
    }
  } catch (const std::bad_alloc&) {
    st.baroff.resize(n0);
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

int32_t sol_remove_barvars(ZRVtask_s* t, const int32_t* perm, int32_t newcount) {
  SolStore& st = *t->sols;
  try {
    pvec<int64_t> off(&mem(t));
    off.reserve(static_cast<size_t>(newcount) + 1);
    off.push_back(0);
    for (int32_t q = 0; q < newcount; ++q) {
      size_t j = static_cast<size_t>(perm[q]);
      off.push_back(off.back() + st.baroff[j + 1] - st.baroff[j]);
    }
    Solution& s = sol_of(t, ZRV_SOL_ITR);
    if (s.defined) {
      for (pvec<double>* v : {&s.barx, &s.bars}) {
        pvec<double> nv(&mem(t));
        nv.reserve(static_cast<size_t>(off.back()));
        for (int32_t q = 0; q < newcount; ++q) {
          size_t j = static_cast<size_t>(perm[q]);
          nv.insert(nv.end(), v->begin() + st.baroff[j], v->begin() + st.baroff[j + 1]);
        }
        v->swap(nv);
      }
    }
    st.baroff.swap(off);
  } catch (const std::bad_alloc&) {
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  sol_all_unknown(t);
  return ZRV_RES_OK;
}

}  // namespace zrv
