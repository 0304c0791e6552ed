// Convexity of the quadratic terms of a task.
#include "zirva/convexity.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <vector>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/problem.h"
#include "zirva/report.h"

namespace zrv {

namespace {

struct Nb {
  int32_t j;
  double v;
};

inline size_t sz(int64_t v) { return static_cast<size_t>(v); }

}  // namespace

bool is_psd(int64_t nz, const int32_t* subi, const int32_t* subj, const double* val, double sign, double rel_tol,
            double abs_tol, std::pmr::memory_resource* mr) {
  if (nz <= 0) return true;
  // Local numbering of the variables that occur, through a map over the index range.
  int32_t maxidx = -1;
  for (int64_t p = 0; p < nz; ++p) maxidx = std::max({maxidx, subi[p], subj[p]});
  pvec<int32_t> local(sz(maxidx) + 1, -1, mr);
  pvec<int32_t> deg(mr);
  int32_t n = 0;
  for (int64_t p = 0; p < nz; ++p) {
    for (int32_t x : {subi[p], subj[p]})
      if (local[sz(x)] < 0) local[sz(x)] = n++, deg.push_back(0);
    if (subi[p] != subj[p]) ++deg[sz(local[sz(subi[p])])], ++deg[sz(local[sz(subj[p])])];
  }
  pvec<double> diag(sz(n), 0.0, mr), scale(sz(n), 0.0, mr);
  pvec<pvec<Nb>> adj(sz(n), mr);
  for (int32_t a = 0; a < n; ++a) adj[sz(a)].reserve(sz(deg[sz(a)]));
  for (int64_t p = 0; p < nz; ++p) {
    int32_t a = local[sz(subi[p])], b = local[sz(subj[p])];
    double v = sign * val[p];
    if (a == b) {
      diag[sz(a)] += v;
    } else {
      adj[sz(a)].push_back({b, v});
      adj[sz(b)].push_back({a, v});
    }
  }
  for (int32_t a = 0; a < n; ++a) {
    pvec<Nb>& row = adj[sz(a)];
    std::sort(row.begin(), row.end(), [](const Nb& x, const Nb& y) { return x.j < y.j; });
    size_t w = 0;
    for (size_t r = 0; r < row.size();) {
      Nb s = row[r++];
      while (r < row.size() && row[r].j == s.j) s.v += row[r++].v;
      row[w++] = s;
      scale[sz(a)] = std::max(scale[sz(a)], std::fabs(s.v));
    }
    row.resize(w);
    scale[sz(a)] = std::max(scale[sz(a)], std::fabs(diag[sz(a)]));
  }
  auto tol_of = [&](int32_t a) { return std::max(abs_tol, rel_tol * scale[sz(a)]); };

  // Minimum-degree order through a heap with stale entries skipped.
  using Entry = std::pair<size_t, int32_t>;
  pvec<Entry> heap(mr);
  heap.reserve(sz(n));
  for (int32_t a = 0; a < n; ++a) heap.push_back({adj[sz(a)].size(), a});
  std::make_heap(heap.begin(), heap.end(), std::greater<Entry>());
  pvec<uint8_t> dead(sz(n), 0, mr);
  pvec<Nb> piv(mr), merged(mr);
  for (int32_t done = 0; done < n;) {
    std::pop_heap(heap.begin(), heap.end(), std::greater<Entry>());
    const Entry top = heap.back();
    heap.pop_back();
    const int32_t k = top.second;
    if (dead[sz(k)] || top.first != adj[sz(k)].size()) continue;
    dead[sz(k)] = 1;
    ++done;
    piv.swap(adj[sz(k)]);
    adj[sz(k)].clear();
    const double d = diag[sz(k)], tk = tol_of(k);
    if (d < -tk) return false;
    if (d <= tk) {
      // A zero pivot: its column must vanish, else a 2x2 minor [[0, v], [v, d_i]] is indefinite.
      for (const Nb& e : piv) {
        const double ti = tol_of(e.j);
        if (e.v * e.v > std::max(tk, ti) * std::max(diag[sz(e.j)], ti)) return false;
      }
      for (const Nb& e : piv) {
        pvec<Nb>& row = adj[sz(e.j)];
        auto it = std::lower_bound(row.begin(), row.end(), k, [](const Nb& x, int32_t key) { return x.j < key; });
        if (it != row.end() && it->j == k) row.erase(it);
        heap.push_back({row.size(), e.j});
        std::push_heap(heap.begin(), heap.end(), std::greater<Entry>());
      }
      continue;
    }
    double maxl = 0.0;
    for (const Nb& e : piv) maxl = std::max(maxl, std::fabs(e.v));
    for (const Nb& e : piv) {
      const int32_t i = e.j;
      const double li = e.v / d;
      diag[sz(i)] -= li * e.v;
      scale[sz(i)] = std::max(scale[sz(i)], std::fabs(li) * maxl);
      // row i := row i without k, minus li * (column k without i).
      const pvec<Nb>& row = adj[sz(i)];
      merged.clear();
      size_t p = 0, r = 0;
      while (p < row.size() || r < piv.size()) {
        const int32_t ja = p < row.size() ? row[p].j : INT32_MAX;
        const int32_t jr = r < piv.size() ? piv[r].j : INT32_MAX;
        if (ja == k) {
          ++p;
        } else if (jr == i) {
          ++r;
        } else if (ja < jr) {
          merged.push_back(row[p++]);
        } else if (jr < ja) {
          merged.push_back({jr, -li * piv[r++].v});
        } else {
          merged.push_back({ja, row[p++].v - li * piv[r++].v});
        }
      }
      adj[sz(i)].swap(merged);
      heap.push_back({adj[sz(i)].size(), i});
      std::push_heap(heap.begin(), heap.end(), std::greater<Entry>());
    }
  }
  return true;
}

int32_t check_convexity(ZRVtask_s* t) {
  // The simple and the full mode run the same tests: every quadratic term by itself, with the rules of the
  // constraint keys.
  if (t->ipar[ZRV_IPAR_CHECK_CONVEXITY] == ZRV_CHECK_CONVEXITY_NONE) return ZRV_RES_OK;
  const double rel = t->dpar[ZRV_DPAR_CHECK_CONVEXITY_REL_TOL];
  std::pmr::memory_resource* m = &mem(t);
  const QuadView o = quad_objective(t);
  if (o.nz > 0) {
    const bool maximize = t->prob->sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE;
    if (!is_psd(o.nz, o.subi, o.subj, o.val, maximize ? -1.0 : 1.0, rel, PSD_ABS_TOL, m))
      return ZRV_REPORT(t, maximize ? ZRV_RES_ERR_OBJ_Q_NOT_NSD : ZRV_RES_ERR_OBJ_Q_NOT_PSD);
  }
  if (!quad_has_constraint_terms(t)) return ZRV_RES_OK;
  const Problem& p = *t->prob;
  char name[ZRV_MAX_STR_LEN + 1];
  for (int32_t k = 0; k < p.numcon; ++k) {
    const QuadView c = quad_constraint(t, k);
    if (c.nz == 0) continue;
    switch (p.bkc[sz(k)]) {
      case ZRV_BK_UP:
        if (!is_psd(c.nz, c.subi, c.subj, c.val, 1.0, rel, PSD_ABS_TOL, m))
          return ZRV_REPORT(t, ZRV_RES_ERR_CON_Q_NOT_PSD, item_name(t, ITEM_CON, k, name, sizeof name), k);
        break;
      case ZRV_BK_LO:
        if (!is_psd(c.nz, c.subi, c.subj, c.val, -1.0, rel, PSD_ABS_TOL, m))
          return ZRV_REPORT(t, ZRV_RES_ERR_CON_Q_NOT_NSD, item_name(t, ITEM_CON, k, name, sizeof name), k);
        break;
      case ZRV_BK_FX:
        return ZRV_REPORT(t, ZRV_RES_ERR_NONLINEAR_EQUALITY, item_name(t, ITEM_CON, k, name, sizeof name), k);
      case ZRV_BK_RA:
        return ZRV_REPORT(t, ZRV_RES_ERR_NONLINEAR_RANGED, item_name(t, ITEM_CON, k, name, sizeof name), k);
      default:
        break;
    }
  }
  return ZRV_RES_OK;
}

}  // namespace zrv
