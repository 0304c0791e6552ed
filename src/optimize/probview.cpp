// The interior-point problem view of a task.
#include "optimize/probview.h"

#include <algorithm>
#include <cmath>

#include "zirva/env.h"
#include "zirva/report.h"

namespace zrv::opt {

namespace {

double lo_side(int32_t bk, double bl) {
  const double v = lower_of(bk, bl);
  return v <= -INF_BOUND ? -VIEW_INF : v;
}
double up_side(int32_t bk, double bu) {
  const double v = upper_of(bk, bu);
  return v >= INF_BOUND ? VIEW_INF : v;
}

}  // namespace

int32_t build_view(ZRVtask_s* t, ProbView* v) {
  Problem& p = *t->prob;
  const int32_t m = p.numcon, n = p.numvar;
  v->m = m;
  v->n = n;
  v->c.assign(p.c.begin(), p.c.begin() + n);
  v->cfix = p.cfix;
  v->blc.resize(m);
  v->buc.resize(m);
  for (int32_t i = 0; i < m; ++i) {
    v->blc[i] = lo_side(p.bkc[i], p.blc[i]);
    v->buc[i] = up_side(p.bkc[i], p.buc[i]);
  }
  v->blx.resize(n);
  v->bux.resize(n);
  for (int32_t j = 0; j < n; ++j) {
    v->blx[j] = lo_side(p.bkx[j], p.blx[j]);
    v->bux[j] = up_side(p.bkx[j], p.bux[j]);
  }

  // A by columns, rows sorted.
  if (SpStatus s = p.A.lock(SpDim::Cols); s != SpStatus::Ok) return report_sp_status(t, static_cast<int32_t>(s), __FILE__, __LINE__);
  v->ap.assign(n + 1, 0);
  for (int32_t j = 0; j < n; ++j) v->ap[j + 1] = v->ap[j] + p.A.vector(j).nz;
  v->ai.resize(v->ap[n]);
  v->ax.resize(v->ap[n]);
  std::vector<std::pair<int32_t, double>> col;
  for (int32_t j = 0; j < n; ++j) {
    const SpVecView vec = p.A.vector(j);
    col.clear();
    for (int64_t k = 0; k < vec.nz; ++k)
      if (vec.val[k] != 0.0) col.push_back({vec.sub[k], vec.val[k]});
    std::sort(col.begin(), col.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    int64_t q = v->ap[j];
    for (const auto& e : col) {
      v->ai[q] = e.first;
      v->ax[q++] = e.second;
    }
  }
  p.A.unlock();
  // The objective's quadratic term: lower triangle by columns, duplicates summed.
  v->qp.clear();
  v->qi.clear();
  v->qx.clear();
  const QuadView qo = quad_objective(t);
  if (qo.nz > 0) {
    std::vector<int64_t> cnt(n + 1, 0);
    for (int64_t k = 0; k < qo.nz; ++k) {
      ++cnt[std::min(qo.subi[k], qo.subj[k]) + 1];
    }
    for (int32_t j = 0; j < n; ++j) cnt[j + 1] += cnt[j];
    std::vector<std::pair<int32_t, double>> ent(qo.nz);
    std::vector<int64_t> pos(cnt.begin(), cnt.end() - 1);
    for (int64_t k = 0; k < qo.nz; ++k) {
      const int32_t i = std::max(qo.subi[k], qo.subj[k]), j = std::min(qo.subi[k], qo.subj[k]);
      ent[pos[j]++] = {i, qo.val[k]};
    }
    v->qp.assign(n + 1, 0);
    for (int32_t j = 0; j < n; ++j) {
      auto b = ent.begin() + cnt[j], e = ent.begin() + cnt[j + 1];
      std::sort(b, e, [](const auto& a, const auto& c) { return a.first < c.first; });
      for (auto it = b; it != e; ++it) {
        if (!v->qi.empty() && (int64_t)v->qi.size() > v->qp[j] && v->qi.back() == it->first) {
          v->qx.back() += it->second;
        } else {
          v->qi.push_back(it->first);
          v->qx.push_back(it->second);
        }
      }
      v->qp[j + 1] = (int64_t)v->qi.size();
    }
  }
  return ZRV_RES_OK;
}

}  // namespace zrv::opt
