// Optimize tests: a task with a captured message stream, small problems, and an independent check of a stored
// solution recomputed from the task's data through the public getters.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"

namespace opttest {

struct OptTest : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  zrvtest::Capture log;
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    task = make_task();
  }
  void TearDown() override {
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  }
  ZRVtask_t make_task() {
    ZRVtask_t t = nullptr;
    EXPECT_EQ(ZRV_maketask(env, 0, 0, &t), ZRV_RES_OK);
    EXPECT_EQ(ZRV_linkfunctotaskstream(t, ZRV_STREAM_MSG, &log, zrvtest::Capture::func), ZRV_RES_OK);
    return t;
  }
  // minimize x0 + 2 x1 + cfix  s.t.  x0 + x1 >= 1,  x0 - x1 <= 0.5,  x >= 0: optimum 1.25 at (0.75, 0.25).
  static void small_lp(ZRVtask_t t, double sign = 1.0) {
    ASSERT_EQ(ZRV_appendcons(t, 2), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(t, 2), ZRV_RES_OK);
    ZRV_putcj(t, 0, sign * 1.0);
    ZRV_putcj(t, 1, sign * 2.0);
    ZRV_putaij(t, 0, 0, 1.0);
    ZRV_putaij(t, 0, 1, 1.0);
    ZRV_putaij(t, 1, 0, 1.0);
    ZRV_putaij(t, 1, 1, -1.0);
    ZRV_putconbound(t, 0, ZRV_BK_LO, 1.0, 1e30);
    ZRV_putconbound(t, 1, ZRV_BK_UP, -1e30, 0.5);
    for (int j = 0; j < 2; ++j) ZRV_putvarbound(t, j, ZRV_BK_LO, 0.0, 1e30);
  }
  int32_t iinf(ZRViinfiteme i) {
    int32_t v = -1;
    ZRV_getintinf(task, i, &v);
    return v;
  }
  double dinf(ZRVdinfiteme i) {
    double v = -1;
    ZRV_getdouinf(task, i, &v);
    return v;
  }
  bool defined(int32_t which) {
    int32_t d = -1;
    ZRV_solutiondef(task, which, &d);
    return d == 1;
  }
  std::string last_error() {
    char buf[1025] = {0};
    int32_t code = 0, len = 0;
    ZRV_getlasterror(task, &code, sizeof buf, &len, buf);
    return buf;
  }
};

struct Sol {
  int32_t prosta = -1, solsta = -1;
  std::vector<int32_t> skc, skx;
  std::vector<double> xc, xx, y, slc, suc, slx, sux;
};

inline Sol get_sol(ZRVtask_t t, int32_t which) {
  int32_t m = 0, n = 0;
  ZRV_getnumcon(t, &m);
  ZRV_getnumvar(t, &n);
  Sol s;
  s.skc.resize(m), s.xc.resize(m), s.y.resize(m), s.slc.resize(m), s.suc.resize(m);
  s.skx.resize(n), s.xx.resize(n), s.slx.resize(n), s.sux.resize(n);
  std::vector<double> snx(n);
  EXPECT_EQ(ZRV_getsolution(t, which, &s.prosta, &s.solsta, s.skc.data(), s.skx.data(), nullptr, s.xc.data(),
                            s.xx.data(), s.y.data(), s.slc.data(), s.suc.data(), s.slx.data(), s.sux.data(),
                            snx.data()),
            ZRV_RES_OK);
  return s;
}

// Measures of a solution recomputed from the task's data (objective c'x + 0.5 x'Qx + cfix, Q given by the
// caller as its lower triangle): primal violations of A x = xc and of the bounds, the dual residual
// c + Qx - A'y - slx + sux and y - slc + suc, the sign violations of the bound duals (for a maximization they
// must be <= 0), and both objectives.
struct Measures {
  double pviol = 0, dviol = 0, pobj = 0, dobj = 0;
  double bnorm = 0, cnorm = 0;  // largest finite bound and objective coefficient, for relative checks
};

struct QTerm {
  int32_t i, j;
  double v;
};

// For a certificate (`ray`) the objective and Q drop out: dviol is the residual of A'y + slx - sux = 0 and dobj
// the certificate's bound term, positive for a valid primal infeasibility certificate of a minimization.
inline Measures measure(ZRVtask_t t, const Sol& s, const std::vector<QTerm>& q = {}, bool ray = false) {
  int32_t m = 0, n = 0, sense = 0;
  ZRV_getnumcon(t, &m);
  ZRV_getnumvar(t, &n);
  ZRV_getobjsense(t, &sense);
  const double sg = sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE ? -1.0 : 1.0;
  std::vector<double> c(n), ax(m, 0.0), aty(n, 0.0), qx(n, 0.0);
  double cfix = 0;
  if (!ray) {
    ZRV_getc(t, c.data());
    ZRV_getcfix(t, &cfix);
  }
  for (const QTerm& e : q) {
    if (ray) break;
    qx[e.i] += e.v * s.xx[e.j];
    if (e.i != e.j) qx[e.j] += e.v * s.xx[e.i];
  }
  for (int32_t j = 0; j < n; ++j) {
    int32_t nz = 0;
    ZRV_getacolnumnz(t, j, &nz);
    std::vector<int32_t> sub(nz);
    std::vector<double> val(nz);
    ZRV_getacol(t, j, &nz, sub.data(), val.data());
    for (int32_t k = 0; k < nz; ++k) {
      ax[sub[k]] += val[k] * s.xx[j];
      aty[j] += val[k] * s.y[sub[k]];
    }
  }
  Measures r;
  auto side = [&](int32_t bk, double bl, double bu, double x, double sl, double su) {
    const bool lo = bk == ZRV_BK_LO || bk == ZRV_BK_FX || bk == ZRV_BK_RA;
    const bool up = bk == ZRV_BK_UP || bk == ZRV_BK_FX || bk == ZRV_BK_RA;
    if (lo) r.pviol = std::max(r.pviol, bl - x), r.bnorm = std::max(r.bnorm, std::fabs(bl));
    if (up) r.pviol = std::max(r.pviol, x - bu), r.bnorm = std::max(r.bnorm, std::fabs(bu));
    // bound duals carry the sign of the sense and vanish on absent sides
    r.dviol = std::max({r.dviol, -sg * sl, -sg * su, lo ? 0.0 : std::fabs(sl), up ? 0.0 : std::fabs(su)});
    r.dobj += (lo ? bl * sl : 0.0) - (up ? bu * su : 0.0);
  };
  for (int32_t i = 0; i < m; ++i) {
    int32_t bk;
    double bl, bu;
    ZRV_getconbound(t, i, &bk, &bl, &bu);
    r.pviol = std::max(r.pviol, std::fabs(ax[i] - s.xc[i]));
    side(bk, bl, bu, s.xc[i], s.slc[i], s.suc[i]);
    r.dviol = std::max(r.dviol, std::fabs(s.y[i] - s.slc[i] + s.suc[i]));
  }
  double xqx = 0;
  for (int32_t j = 0; j < n; ++j) {
    int32_t bk;
    double bl, bu;
    ZRV_getvarbound(t, j, &bk, &bl, &bu);
    side(bk, bl, bu, s.xx[j], s.slx[j], s.sux[j]);
    r.dviol = std::max(r.dviol, std::fabs(c[j] + qx[j] - aty[j] - s.slx[j] + s.sux[j]));
    r.pobj += c[j] * s.xx[j];
    r.cnorm = std::max(r.cnorm, std::fabs(c[j]));
    xqx += s.xx[j] * qx[j];
  }
  r.pobj += 0.5 * xqx + cfix;
  r.dobj += cfix - 0.5 * xqx;
  return r;
}

// The log with the run times blanked: the TIME column of the iteration rows and every "Time: <number>".
inline std::string mask_times(const std::string& s) {
  std::string r = std::regex_replace(s, std::regex("Time: [0-9]+\\.[0-9]+"), "Time: T");
  r = std::regex_replace(r, std::regex("(time *: *)[0-9.]+"), "$1T");
  return std::regex_replace(r, std::regex("( [0-9.e+-]+ +)[0-9]+\\.[0-9]{2}\n"), "$1T\n");
}

inline std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> out;
  size_t p = 0;
  while (p < s.size()) {
    size_t e = s.find('\n', p);
    if (e == std::string::npos) e = s.size();
    out.push_back(s.substr(p, e - p));
    p = e + 1;
  }
  return out;
}

}  // namespace opttest
