// A long random sequence of puts, appends and removals through the public functions, compared after every step
// with a plain dense model: bounds, A, c, the quadratic objective, names and the interior-point solution's
// activities follow every renumbering together.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "zirva.h"

namespace {

struct Model {
  struct Con {
    int32_t bk = ZRV_BK_FR;
    double bl = -1e30, bu = 1e30;
    std::string name;
    double xc = 0.0;
  };
  struct Var {
    int32_t bk = ZRV_BK_FX;
    double bl = 0.0, bu = 0.0, c = 0.0;
    std::string name;
    double xx = 0.0;
  };
  std::vector<Con> cons;
  std::vector<Var> vars;
  std::map<std::pair<int32_t, int32_t>, double> a;  // (row, col)
  std::map<std::pair<int32_t, int32_t>, double> q;  // lower triangle (i >= j)

  template <class Item>
  static void remove(std::vector<Item>& items, const std::vector<int32_t>& gone, std::vector<int32_t>* map) {
    std::vector<char> mark(items.size(), 0);
    for (int32_t g : gone) mark[static_cast<size_t>(g)] = 1;
    map->assign(items.size(), -1);
    std::vector<Item> kept;
    for (size_t i = 0; i < items.size(); ++i)
      if (!mark[i]) {
        (*map)[i] = static_cast<int32_t>(kept.size());
        kept.push_back(items[i]);
      }
    items.swap(kept);
  }
  template <class M>
  static void remap(M& m, const std::vector<int32_t>& rows, const std::vector<int32_t>& cols) {
    M out;
    for (auto& [k, v] : m) {
      int32_t i = rows.empty() ? k.first : rows[static_cast<size_t>(k.first)];
      int32_t j = cols.empty() ? k.second : cols[static_cast<size_t>(k.second)];
      if (i < 0 || j < 0) continue;
      out[{i, j}] = v;
    }
    m.swap(out);
  }
};

}  // namespace

TEST(Differential, EveryModuleFollowsEveryChange) {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  ZRV_putintparam(task, ZRV_IPAR_MAX_NUM_WARNINGS, 0);
  Model m;
  std::mt19937 rng(12345);
  auto pick = [&](size_t n) { return static_cast<int32_t>(rng() % n); };
  auto value = [&] { return static_cast<double>(pick(41)) - 20.0; };
  int name_counter = 0;
  bool solution = false;
  size_t most_cons = 0, most_vars = 0, most_a = 0, most_q = 0;

  for (int step = 0; step < 2500; ++step) {
    // Growth is a little more likely than removal, so the model grows to a useful size.
    static const int kOps[20] = {0, 0, 0, 1, 1, 1, 2, 3, 4, 4, 4, 5, 6, 6, 7, 8, 9, 10, 11, 4};
    int op = kOps[pick(20)];
    if (op == 0) {
      int32_t n = pick(3) + 1;
      ASSERT_EQ(ZRV_appendcons(task, n), ZRV_RES_OK);
      m.cons.resize(m.cons.size() + static_cast<size_t>(n));
    } else if (op == 1) {
      int32_t n = pick(3) + 1;
      ASSERT_EQ(ZRV_appendvars(task, n), ZRV_RES_OK);
      m.vars.resize(m.vars.size() + static_cast<size_t>(n));
    } else if ((op == 2 || op == 3) && !(op == 2 ? m.cons.empty() : m.vars.empty())) {
      bool con = op == 2;
      size_t count = con ? m.cons.size() : m.vars.size();
      std::vector<int32_t> all(count);
      for (size_t i = 0; i < count; ++i) all[i] = static_cast<int32_t>(i);
      std::shuffle(all.begin(), all.end(), rng);
      all.resize(static_cast<size_t>(1 + pick(std::min<size_t>(3, count))));
      ASSERT_EQ(con ? ZRV_removecons(task, static_cast<int32_t>(all.size()), all.data())
                    : ZRV_removevars(task, static_cast<int32_t>(all.size()), all.data()),
                ZRV_RES_OK);
      std::vector<int32_t> map;
      if (con) {
        Model::remove(m.cons, all, &map);
        Model::remap(m.a, map, {});
      } else {
        Model::remove(m.vars, all, &map);
        Model::remap(m.a, {}, map);
        // Both indices of a quadratic entry are variables; renumbering keeps i >= j.
        std::map<std::pair<int32_t, int32_t>, double> nq;
        for (auto& [k, v] : m.q) {
          int32_t i = map[static_cast<size_t>(k.first)], j = map[static_cast<size_t>(k.second)];
          if (i >= 0 && j >= 0) nq[{std::max(i, j), std::min(i, j)}] = v;
        }
        m.q.swap(nq);
      }
    } else if (op == 4 && !m.cons.empty() && !m.vars.empty()) {
      int32_t i = pick(m.cons.size()), j = pick(m.vars.size());
      double v = pick(4) == 0 ? 0.0 : value();
      ASSERT_EQ(ZRV_putaij(task, i, j, v), ZRV_RES_OK);
      if (v == 0.0)
        m.a.erase({i, j});
      else
        m.a[{i, j}] = v;
    } else if (op == 5 && !m.vars.empty()) {
      int32_t j = pick(m.vars.size());
      double v = value();
      ASSERT_EQ(ZRV_putcj(task, j, v), ZRV_RES_OK);
      m.vars[static_cast<size_t>(j)].c = v;
    } else if (op == 6 && !m.vars.empty()) {
      int32_t i = pick(m.vars.size()), j = pick(m.vars.size());
      if (i < j) std::swap(i, j);
      double v = pick(4) == 0 ? 0.0 : value();
      ASSERT_EQ(ZRV_putqobjij(task, i, j, v), ZRV_RES_OK);
      if (v == 0.0)
        m.q.erase({i, j});
      else
        m.q[{i, j}] = v;
    } else if ((op == 7 || op == 8) && !(op == 7 ? m.cons.empty() : m.vars.empty())) {
      bool con = op == 7;
      int32_t i = pick(con ? m.cons.size() : m.vars.size());
      int32_t bk = pick(5);
      double bl = value(), bu = bl + pick(5);
      if (bk == ZRV_BK_FX) bu = bl;
      ASSERT_EQ(ZRV_putbound(task, con ? ZRV_ACC_CON : ZRV_ACC_VAR, i, bk, bl, bu), ZRV_RES_OK);
      if (con)
        m.cons[static_cast<size_t>(i)] = {bk, bl, bu, m.cons[static_cast<size_t>(i)].name, m.cons[static_cast<size_t>(i)].xc};
      else {
        auto& v = m.vars[static_cast<size_t>(i)];
        v.bk = bk, v.bl = bl, v.bu = bu;
      }
    } else if ((op == 9 || op == 10) && !(op == 9 ? m.cons.empty() : m.vars.empty())) {
      bool con = op == 9;
      int32_t i = pick(con ? m.cons.size() : m.vars.size());
      std::string name = (con ? "r" : "v") + std::to_string(name_counter++);
      ASSERT_EQ(con ? ZRV_putconname(task, i, name.c_str()) : ZRV_putvarname(task, i, name.c_str()), ZRV_RES_OK);
      (con ? m.cons[static_cast<size_t>(i)].name : m.vars[static_cast<size_t>(i)].name) = name;
    } else if (op == 11 && !m.vars.empty() && !m.cons.empty()) {
      // A solution: its arrays follow every later renumbering.
      std::vector<double> xx(m.vars.size()), xc(m.cons.size());
      for (auto& v : xx) v = value();
      for (auto& v : xc) v = value();
      ASSERT_EQ(ZRV_putxx(task, ZRV_SOL_ITR, xx.data()), ZRV_RES_OK);
      ASSERT_EQ(ZRV_putxc(task, ZRV_SOL_ITR, xc.data()), ZRV_RES_OK);
      for (size_t j = 0; j < xx.size(); ++j) m.vars[j].xx = xx[j];
      for (size_t i = 0; i < xc.size(); ++i) m.cons[i].xc = xc[i];
      solution = true;
    }

    most_cons = std::max(most_cons, m.cons.size());
    most_vars = std::max(most_vars, m.vars.size());
    most_a = std::max(most_a, m.a.size());
    most_q = std::max(most_q, m.q.size());
    // Compare everything.
    int32_t nc = -1, nv = -1;
    ZRV_getnumcon(task, &nc);
    ZRV_getnumvar(task, &nv);
    ASSERT_EQ(nc, static_cast<int32_t>(m.cons.size())) << "step " << step;
    ASSERT_EQ(nv, static_cast<int32_t>(m.vars.size())) << "step " << step;
    std::vector<double> xx(static_cast<size_t>(nv)), xc(static_cast<size_t>(nc));
    if (solution) {
      ASSERT_EQ(ZRV_getxx(task, ZRV_SOL_ITR, xx.data()), ZRV_RES_OK);
      ASSERT_EQ(ZRV_getxc(task, ZRV_SOL_ITR, xc.data()), ZRV_RES_OK);
    }
    char name[64];
    for (int32_t i = 0; i < nc; ++i) {
      const auto& r = m.cons[static_cast<size_t>(i)];
      int32_t bk;
      double bl, bu;
      ZRV_getconbound(task, i, &bk, &bl, &bu);
      ASSERT_EQ(bk, r.bk) << "step " << step;
      ZRV_getconname(task, i, sizeof name, name);
      ASSERT_EQ(name, r.name) << "step " << step;
      if (solution) ASSERT_EQ(xc[static_cast<size_t>(i)], r.xc) << "step " << step;
    }
    for (int32_t j = 0; j < nv; ++j) {
      const auto& r = m.vars[static_cast<size_t>(j)];
      int32_t bk;
      double bl, bu, c;
      ZRV_getvarbound(task, j, &bk, &bl, &bu);
      ASSERT_EQ(bk, r.bk) << "step " << step;
      if (bk == ZRV_BK_LO || bk == ZRV_BK_RA || bk == ZRV_BK_FX) ASSERT_EQ(bl, r.bl);
      ZRV_getcj(task, j, &c);
      ASSERT_EQ(c, r.c) << "step " << step;
      ZRV_getvarname(task, j, sizeof name, name);
      ASSERT_EQ(name, r.name) << "step " << step;
      if (solution) ASSERT_EQ(xx[static_cast<size_t>(j)], r.xx) << "step " << step;
    }
    if (step % 10 == 0 || step > 2450) {
      for (int32_t i = 0; i < nc; ++i)
        for (int32_t j = 0; j < nv; ++j) {
          double v = -1;
          ZRV_getaij(task, i, j, &v);
          auto it = m.a.find({i, j});
          ASSERT_EQ(v, it == m.a.end() ? 0.0 : it->second) << "step " << step << " a(" << i << "," << j << ")";
        }
      for (int32_t i = 0; i < nv; ++i)
        for (int32_t j = 0; j <= i; ++j) {
          double v = -1;
          ZRV_getqobjij(task, i, j, &v);
          auto it = m.q.find({i, j});
          ASSERT_EQ(v, it == m.q.end() ? 0.0 : it->second) << "step " << step << " q(" << i << "," << j << ")";
        }
    }
  }
  // The sequence really built something of size.
  EXPECT_GT(most_cons, 15u);
  EXPECT_GT(most_vars, 15u);
  EXPECT_GT(most_a, 40u);
  EXPECT_GT(most_q, 20u);
  ZRV_deletetask(&task);
  ZRV_deleteenv(&env);
}

TEST(Integration, ObjectiveAndViolationsSeeQuadraticConicAndMatrixParts) {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  // min x0 + 0.5 (2 x0^2 + 2 x0 x1 + x1^2) + <C, X> + 3, with (x2, x0, x1) in a quadratic cone.
  ASSERT_EQ(ZRV_appendvars(task, 3), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcons(task, 1), ZRV_RES_OK);
  for (int32_t j = 0; j < 3; ++j) ZRV_putvarbound(task, j, ZRV_BK_FR, 0, 0);
  ZRV_putcj(task, 0, 1.0);
  ZRV_putcfix(task, 3.0);
  const int32_t qi[3] = {0, 1, 1}, qj[3] = {0, 0, 1};
  const double qv[3] = {2.0, 1.0, 1.0};
  ASSERT_EQ(ZRV_putqobj(task, 3, qi, qj, qv), ZRV_RES_OK);
  const int32_t mem[3] = {2, 0, 1};
  ASSERT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 3, mem), ZRV_RES_OK);
  const int32_t dim = 2;
  ASSERT_EQ(ZRV_appendbarvars(task, 1, &dim), ZRV_RES_OK);
  const int32_t ci[2] = {0, 1}, cj[2] = {0, 0};
  const double cv[2] = {1.0, 0.5};  // C = [[1, .5], [.5, 0]]
  int64_t idx = -1;
  ASSERT_EQ(ZRV_appendsparsesymmat(task, 2, 2, ci, cj, cv, &idx), ZRV_RES_OK);
  const double one = 1.0;
  ASSERT_EQ(ZRV_putbarcj(task, 0, 1, &idx, &one), ZRV_RES_OK);

  const double xx[3] = {1.0, 2.0, 1.0};  // cone: x2 = 1 < ||(1, 2)|| = sqrt 5
  ASSERT_EQ(ZRV_putxx(task, ZRV_SOL_ITR, xx), ZRV_RES_OK);
  const double barx[3] = {2.0, 1.0, -3.0};  // X = [[2, 1], [1, -3]] (packed lower, by column)
  ASSERT_EQ(ZRV_putbarxj(task, ZRV_SOL_ITR, 0, barx), ZRV_RES_OK);
  double pobj = 0;
  ASSERT_EQ(ZRV_getprimalobj(task, ZRV_SOL_ITR, &pobj), ZRV_RES_OK);
  // c'x = 1; 0.5 x'Qx = 0.5 (2 + 2*1*1*2 + 4) = 5; <C, X> = 2 + 2*0.5*1 = 3; cfix = 3.
  EXPECT_NEAR(pobj, 1.0 + 5.0 + 3.0 + 3.0, 1e-12);
  const int32_t k0 = 0;
  double viol = -1;
  ASSERT_EQ(ZRV_getpviolcones(task, ZRV_SOL_ITR, 1, &k0, &viol), ZRV_RES_OK);
  EXPECT_NEAR(viol, std::sqrt(5.0) - 1.0, 1e-12);
  ASSERT_EQ(ZRV_getpviolbarvar(task, ZRV_SOL_ITR, 1, &k0, &viol), ZRV_RES_OK);
  // Smallest eigenvalue of [[2, 1], [1, -3]] is -0.5 - sqrt(6.25 + 1).
  EXPECT_NEAR(viol, 0.5 + std::sqrt(7.25), 1e-12);
  ZRVproblemtypee pt = -1;
  ZRV_getprobtype(task, &pt);
  EXPECT_EQ(pt, ZRV_PROBTYPE_MIXED);
  // A clone carries everything, and evaluates the same objective for the same solution.
  ZRVtask_t copy = nullptr;
  ASSERT_EQ(ZRV_clonetask(task, &copy), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putxx(copy, ZRV_SOL_ITR, xx), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbarxj(copy, ZRV_SOL_ITR, 0, barx), ZRV_RES_OK);
  double pobj2 = 0;
  ASSERT_EQ(ZRV_getprimalobj(copy, ZRV_SOL_ITR, &pobj2), ZRV_RES_OK);
  EXPECT_EQ(pobj2, pobj);
  ZRV_deletetask(&copy);
  ZRV_deletetask(&task);
  ZRV_deleteenv(&env);
}
