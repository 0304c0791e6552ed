// Test helpers: small problem views written by hand, problem files loaded into views, one engine run.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "homo/hsd.h"
#include "hsdcheck.h"
#include "optimize/probview.h"
#include "zirva.h"

namespace hsdtest {

using zrv::opt::IpControl;
using zrv::opt::IpHooks;
using zrv::opt::IpResult;
using zrv::opt::ProbView;
using zrv::opt::VIEW_INF;

// A view from dense rows (zeros skipped): rows[i][j] is A(i, j).
inline ProbView dense_view(const std::vector<std::vector<double>>& rows, std::vector<double> c,
                           std::vector<double> blc, std::vector<double> buc, std::vector<double> blx,
                           std::vector<double> bux) {
  ProbView v;
  v.m = (int32_t)rows.size();
  v.n = (int32_t)c.size();
  v.ap.assign(v.n + 1, 0);
  for (int32_t j = 0; j < v.n; ++j) {
    for (int32_t i = 0; i < v.m; ++i)
      if (rows[i][j] != 0.0) {
        v.ai.push_back(i);
        v.ax.push_back(rows[i][j]);
      }
    v.ap[j + 1] = (int64_t)v.ai.size();
  }
  v.c = std::move(c);
  v.blc = std::move(blc);
  v.buc = std::move(buc);
  v.blx = std::move(blx);
  v.bux = std::move(bux);
  return v;
}

// Sets Q from a dense symmetric matrix (lower triangle stored).
inline void set_q(ProbView* v, const std::vector<std::vector<double>>& q) {
  v->qp.assign(v->n + 1, 0);
  v->qi.clear();
  v->qx.clear();
  for (int32_t j = 0; j < v->n; ++j) {
    for (int32_t i = j; i < v->n; ++i)
      if (q[i][j] != 0.0) {
        v->qi.push_back(i);
        v->qx.push_back(q[i][j]);
      }
    v->qp[j + 1] = (int64_t)v->qi.size();
  }
}

// Reads a problem file into a view through the public reader.
inline bool load_view(const std::string& file, ProbView* v) {
  ZRVenv_t env = nullptr;
  if (ZRV_makeenv(&env, nullptr) != ZRV_RES_OK) return false;
  ZRVtask_t task = nullptr;
  bool ok = ZRV_maketask(env, 0, 0, &task) == ZRV_RES_OK && ZRV_readdata(task, file.c_str()) == ZRV_RES_OK &&
            zrv::opt::build_view(task, v) == ZRV_RES_OK;
  ZRV_deletetask(&task);
  ZRV_deleteenv(&env);
  return ok;
}

inline std::string data(const std::string& rel) { return std::string(ZIRVA_DATA_DIR) + "/" + rel; }

inline IpResult solve(const ProbView& v, const IpControl& ctl = IpControl(), const IpHooks& hooks = IpHooks()) {
  IpResult r;
  zrv::homo::hsd_solve(v, ctl, hooks, &r);
  return r;
}

// Checks an optimal answer independently: status, objective against the known value, violations.
inline void expect_optimal(const ProbView& v, const IpResult& r, double known, double tol = 1e-6) {
  ASSERT_EQ(r.outcome, zrv::opt::OUT_FINISHED);
  ASSERT_EQ(r.status.prosta, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS);
  ASSERT_EQ(r.status.solsta, ZRV_SOL_STA_OPTIMAL);
  hsdcheck::Quality q = hsdcheck::solution_quality(v, r);
  EXPECT_NEAR(q.pobj, known, tol * std::max(1.0, std::fabs(known)));
  EXPECT_NEAR(q.dobj, known, tol * std::max(1.0, std::fabs(known)));
  EXPECT_LE(q.prel, tol);
  EXPECT_LE(q.drel, tol);
  // xc is A x
  const std::vector<double> ax = hsdcheck::amul(v, r.xx);
  for (int32_t i = 0; i < v.m; ++i) EXPECT_NEAR(r.xc[i], ax[i], 1e-9 * (1 + std::fabs(ax[i])));
}

inline void expect_primal_certificate(const ProbView& v, const IpResult& r) {
  ASSERT_EQ(r.status.prosta, ZRV_PRO_STA_PRIM_INFEAS);
  ASSERT_EQ(r.status.solsta, ZRV_SOL_STA_PRIM_INFEAS_CER);
  double rel = 1;
  const double val = hsdcheck::primal_certificate(v, r, &rel);
  double big = 0;
  for (int32_t i = 0; i < v.m; ++i) big = std::max({big, r.slc[i], r.suc[i]});
  for (int32_t j = 0; j < v.n; ++j) big = std::max({big, r.slx[j], r.sux[j]});
  EXPECT_GT(val, 0.0);
  EXPECT_LE(rel * big, 1e-6 * val);  // the equations hold to a small fraction of the infeasibility measure
}

inline void expect_dual_certificate(const ProbView& v, const IpResult& r) {
  ASSERT_EQ(r.status.prosta, ZRV_PRO_STA_DUAL_INFEAS);
  ASSERT_EQ(r.status.solsta, ZRV_SOL_STA_DUAL_INFEAS_CER);
  double rel = 1;
  const double cx = hsdcheck::dual_certificate(v, r, &rel);
  EXPECT_LT(cx, 0.0);
  EXPECT_LE(rel * hsdcheck::inf_norm(r.xx), 1e-6 * -cx);
}

}  // namespace hsdtest
