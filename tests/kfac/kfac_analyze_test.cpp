// Tests of the ordering choice of the analysis: the factor sizes by which the candidate orderings are compared
// (counted on the graph) against explicit symbolic elimination, and the rule that computes a second dissection only
// when the first one does not clearly beat minimum degree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "kfac/sfactor.h"
#include "kfac/kfac_testutil.h"
#include "order/order.h"

using namespace zrv;
using kfactest::is_permutation;

namespace {

struct Pattern {
  std::string name;
  int32_t n = 0;
  std::vector<int64_t> p;
  std::vector<int32_t> i;
};

Pattern from_columns(std::string name, const std::vector<std::vector<int32_t>>& cols) {
  Pattern a;
  a.name = std::move(name);
  a.n = (int32_t)cols.size();
  a.p.assign(a.n + 1, 0);
  for (int32_t j = 0; j < a.n; j++) {
    for (int32_t r : cols[j]) a.i.push_back(r);
    a.p[j + 1] = (int64_t)a.i.size();
  }
  return a;
}

// entries of both triangles, duplicates and missing diagonals, in random column order
Pattern random_pattern(int32_t n, double density, uint32_t seed) {
  std::mt19937 g(seed);
  std::vector<std::vector<int32_t>> cols(n);
  const int64_t m = (int64_t)(density * n * (n - 1) / 2);
  for (int64_t k = 0; k < m; k++) {
    const int32_t a = (int32_t)(g() % n), b = (int32_t)(g() % n);
    cols[a].push_back(b);                      // a == b: diagonal, kept
    if (k % 5 == 0) cols[b].push_back(a);      // same entry from the other triangle
    if (k % 7 == 0) cols[a].push_back(b);      // duplicate
  }
  for (auto& c : cols) std::shuffle(c.begin(), c.end(), g);
  return from_columns("random n=" + std::to_string(n), cols);
}

Pattern grid(int32_t nx, int32_t ny, int32_t nz) {
  const int32_t n = nx * ny * nz;
  std::vector<std::vector<int32_t>> cols(n);
  for (int32_t j = 0; j < n; j++) {
    const int32_t x = j % nx, y = (j / nx) % ny, z = j / (nx * ny);
    cols[j].push_back(j);
    if (x + 1 < nx) cols[j].push_back(j + 1);
    if (y + 1 < ny) cols[j].push_back(j + nx);
    if (z + 1 < nz) cols[j].push_back(j + nx * ny);
  }
  return from_columns("grid " + std::to_string(nx) + "x" + std::to_string(ny) + "x" + std::to_string(nz), cols);
}

// blocks with no edge between them, isolated nodes, and a node joined to every third node of the first block
Pattern components() {
  Pattern a = grid(9, 8, 1), b = grid(5, 5, 5);
  const int32_t n = a.n + b.n + 7;
  std::vector<std::vector<int32_t>> cols(n);
  for (int32_t j = 0; j < a.n; j++)
    for (int64_t p = a.p[j]; p < a.p[j + 1]; p++) cols[j].push_back(a.i[p]);
  for (int32_t j = 0; j < b.n; j++)
    for (int64_t p = b.p[j]; p < b.p[j + 1]; p++) cols[a.n + j].push_back(a.n + b.i[p]);
  for (int32_t j = 0; j < a.n; j += 3) cols[n - 1].push_back(j);
  return from_columns("components", cols);
}

// many rows sharing a few hubs (the A A' pattern of a network with a few coupling columns)
Pattern hubs(int32_t n, int32_t nhub, uint32_t seed) {
  std::mt19937 g(seed);
  std::vector<std::vector<int32_t>> cols(n);
  for (int32_t j = 0; j + 1 < n; j++) cols[j].push_back(j + 1);
  for (int32_t j = 0; j < n; j++)
    if (g() % 4 == 0) cols[(int32_t)(g() % nhub)].push_back(j);
  return from_columns("hubs", cols);
}

// nnz(L) (diagonal included) and sum of squared column counts of the ordering perm, by explicit elimination on a
// dense boolean matrix
void eliminate(const Pattern& a, const std::vector<int32_t>& perm, int64_t* lnz, double* flops) {
  const int32_t n = a.n;
  std::vector<int32_t> pinv(n);
  for (int32_t k = 0; k < n; k++) pinv[perm[k]] = k;
  std::vector<char> m((size_t)n * n, 0);
  for (int32_t j = 0; j < n; j++)
    for (int64_t p = a.p[j]; p < a.p[j + 1]; p++) {
      const int32_t r = pinv[a.i[p]], c = pinv[j];
      m[(size_t)r * n + c] = m[(size_t)c * n + r] = 1;
    }
  *lnz = 0;
  *flops = 0;
  std::vector<int32_t> below;
  for (int32_t k = 0; k < n; k++) {
    below.clear();
    for (int32_t r = k + 1; r < n; r++)
      if (m[(size_t)r * n + k]) below.push_back(r);
    for (int32_t r : below)
      for (int32_t c : below) m[(size_t)r * n + c] = 1;
    const double cc = 1.0 + (double)below.size();
    *lnz += 1 + (int64_t)below.size();
    *flops += cc * cc;
  }
}

std::vector<Pattern> patterns() {
  return {random_pattern(120, 0.05, 1), random_pattern(250, 0.02, 2), random_pattern(200, 0.2, 3), grid(15, 14, 1),
          grid(7, 6, 6), components(), hubs(300, 4, 5), random_pattern(1, 0.0, 6), random_pattern(40, 0.0, 7)};
}

}  // namespace

// The factor sizes reported for minimum degree and for the chosen ordering are those of explicit elimination, and
// the analysis keeps the candidate with fewer flops.
TEST(KfacAnalyze, CandidateCountsMatchExplicitElimination) {
  for (const Pattern& a : patterns()) {
    SCOPED_TRACE(a.name);
    order::Graph g;
    ASSERT_EQ(order::order_graph_from_csc(a.n, a.p.data(), a.i.data(), g), 0);
    std::vector<int32_t> pa(a.n);
    ASSERT_EQ(order::order_amd(g, nullptr, order::AmdControl(), pa.data(), nullptr), 0);
    int64_t la = 0;
    double fa = 0;
    eliminate(a, pa, &la, &fa);
    for (int method : {order::ORDER_TRY_ND, order::ORDER_AUTO, order::ORDER_ND, order::ORDER_AMD}) {
      SCOPED_TRACE("method " + std::to_string(method));
      kfac::SymFactor F;
      kfac::SymOptions o;
      o.method = method;
      o.nd.leafsize = 20;
      kfac::SymStats st;
      ASSERT_EQ(F.analyze(a.n, a.p.data(), a.i.data(), o, &st), 0);
      int64_t l = 0;
      double f = 0;
      eliminate(a, F.perm(), &l, &f);
      EXPECT_EQ(st.nnz_l, l);
      EXPECT_DOUBLE_EQ(st.flops, f);
      if (st.tried_both) {
        EXPECT_EQ(st.nnz_l_amd, la);
        EXPECT_DOUBLE_EQ(st.flops_amd, fa);
        const bool nd = st.flops_nd < st.flops_amd;
        EXPECT_EQ(st.method_used, nd ? order::ORDER_ND : order::ORDER_AMD);
        EXPECT_EQ(st.nnz_l, nd ? st.nnz_l_nd : st.nnz_l_amd);
        EXPECT_DOUBLE_EQ(st.flops, nd ? st.flops_nd : st.flops_amd);
      }
    }
  }
}

// The second dissection (level structures) is computed unless the multilevel one has at most nd_second_ratio times
// the flops of minimum degree; when computed, the cheaper of the two is kept.
TEST(KfacAnalyze, SecondDissectionOnlyWithoutClearWin) {
  const std::vector<Pattern> cases = {grid(12, 12, 12), grid(30, 30, 1), hubs(2000, 6, 9), random_pattern(600, 0.01, 4)};
  int skipped = 0, computed = 0;
  for (const Pattern& a : cases) {
    SCOPED_TRACE(a.name);
    auto run = [&](double ratio, int64_t limit, bool multilevel) {
      kfac::SymFactor F;
      kfac::SymOptions o;
      o.method = order::ORDER_TRY_ND;
      o.nd.leafsize = 40;
      o.nd.imbalance = 1.2;  // the level-structure dissection runs with at most this balance limit
      o.nd.multilevel = multilevel;
      o.nd_second_ratio = ratio;
      o.nd_second_limit = limit;
      kfac::SymStats st;
      EXPECT_EQ(F.analyze(a.n, a.p.data(), a.i.data(), o, &st), 0);
      EXPECT_TRUE(st.tried_both);
      return st;
    };
    const kfac::SymStats ml = run(0.8, 0, true);        // multilevel only
    const kfac::SymStats ls = run(0.8, 0, false);       // level structures only
    const kfac::SymStats never = run(1e300, 1 << 30, true);
    const kfac::SymStats always = run(0.0, 1 << 30, true);
    const kfac::SymStats dflt = run(0.8, 1 << 30, true);
    EXPECT_DOUBLE_EQ(never.flops_nd, ml.flops_nd);
    EXPECT_DOUBLE_EQ(always.flops_nd, std::min(ml.flops_nd, ls.flops_nd));
    EXPECT_EQ(always.nnz_l_nd, ml.flops_nd <= ls.flops_nd ? ml.nnz_l_nd : ls.nnz_l_nd);
    const bool clear = ml.flops_nd <= 0.8 * ml.flops_amd;
    EXPECT_DOUBLE_EQ(dflt.flops_nd, clear ? ml.flops_nd : always.flops_nd);
    (clear ? skipped : computed)++;
  }
  // the cases exercise both branches of the rule
  EXPECT_GT(skipped, 0);
  EXPECT_GT(computed, 0);
}

namespace {

// constraint sets of a few kinds: random sets; nested dissection of a grid by coordinate planes (parts, then the
// plane between them); and sets where the last set holds the hubs every other node is joined to
std::vector<int32_t> random_sets(int32_t n, int32_t nsets, uint32_t seed) {
  std::mt19937 g(seed);
  std::vector<int32_t> cm(n);
  for (auto& c : cm) c = (int32_t)(g() % nsets);
  return cm;
}

std::vector<int32_t> grid_dissection_sets(int32_t nx, int32_t ny, int32_t nz) {
  const int32_t n = nx * ny * nz;
  std::vector<int32_t> cm(n, -1);
  int32_t next = 0;
  // boxes [x0,x1) x [y0,y1) x [z0,z1): split the longest side at its middle, the middle plane after both halves
  struct Box { int32_t lo[3], hi[3]; };
  auto rec = [&](auto&& self, Box b) -> void {
    int32_t d = 0;
    for (int32_t k = 1; k < 3; k++)
      if (b.hi[k] - b.lo[k] > b.hi[d] - b.lo[d]) d = k;
    const int32_t len = b.hi[d] - b.lo[d];
    std::vector<int32_t> nodes;
    for (int32_t z = b.lo[2]; z < b.hi[2]; z++)
      for (int32_t y = b.lo[1]; y < b.hi[1]; y++)
        for (int32_t x = b.lo[0]; x < b.hi[0]; x++) nodes.push_back(x + nx * (y + ny * z));
    if (nodes.empty()) return;
    if (len < 3 || (int32_t)nodes.size() <= 12) {
      for (int32_t v : nodes) cm[v] = next;
      next++;
      return;
    }
    const int32_t mid = b.lo[d] + len / 2;
    Box l = b, r = b, s = b;
    l.hi[d] = mid; r.lo[d] = mid + 1; s.lo[d] = mid; s.hi[d] = mid + 1;
    self(self, l);
    self(self, r);
    self(self, s);
  };
  rec(rec, Box{{0, 0, 0}, {nx, ny, nz}});
  return cm;
}

// elimination tree of the ordering perm: parent[k] of position k (or -1), by path-compressed ancestors
std::vector<int32_t> etree_of(const order::Graph& g, const std::vector<int32_t>& perm) {
  const int32_t n = g.n;
  std::vector<int32_t> pinv(n), parent(n, -1), anc(n, -1);
  for (int32_t k = 0; k < n; k++) pinv[perm[k]] = k;
  for (int32_t k = 0; k < n; k++)
    for (int64_t q = g.ptr[perm[k]]; q < g.ptr[perm[k] + 1]; q++)
      for (int32_t i = pinv[g.adj[q]]; i != -1 && i < k;) {
        const int32_t next = anc[i];
        anc[i] = k;
        if (next == -1) parent[i] = k;
        i = next;
      }
  return parent;
}

}  // namespace

// Constrained minimum degree: no node is an ancestor of a node of a later set in the elimination tree (the order is
// a postorder of an elimination that took the sets in turn), and that elimination saw the true structure.  Nodes of later sets
// wait with stale variable lists and get their degrees when their set comes up, but the factor size it reports (from
// the sizes of the elements it formed) must match explicit elimination in its order: edges lost or invented while
// the lists were stale would show here.  With a single set it is plain minimum degree.
TEST(KfacAnalyze, ConstrainedMinimumDegreeIsExactAndOrdered) {
  struct Case { Pattern a; std::vector<int32_t> cm; };
  std::vector<Case> cases;
  for (const Pattern& a : patterns()) {
    cases.push_back({a, random_sets(a.n, 4, 11)});
    cases.push_back({a, random_sets(a.n, 40, 12)});
  }
  cases.push_back({grid(15, 14, 1), grid_dissection_sets(15, 14, 1)});
  cases.push_back({grid(9, 8, 7), grid_dissection_sets(9, 8, 7)});
  {
    Pattern h = hubs(400, 5, 13);
    std::vector<int32_t> cm(h.n, 0);
    for (int32_t i = 0; i < 5; i++) cm[i] = 2;      // the hubs last
    for (int32_t i = 5; i < h.n; i += 3) cm[i] = 1;  // a middle set of chain nodes
    cases.push_back({h, cm});
  }
  cases.push_back({random_pattern(200, 0.2, 14), random_sets(200, 3, 15)});  // dense: lists get compacted
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a.name);
    order::Graph g;
    ASSERT_EQ(order::order_graph_from_csc(c.a.n, c.a.p.data(), c.a.i.data(), g), 0);
    order::AmdControl ac;
    ac.dense = -1;  // as nested dissection calls it: nothing removed, so the reported size is exact
    std::vector<int32_t> p(c.a.n);
    order::AmdInfo info;
    ASSERT_EQ(order::order_amd(g, c.cm.data(), ac, p.data(), &info), 0);
    ASSERT_TRUE(is_permutation(p));
    const std::vector<int32_t> parent = etree_of(g, p);
    for (int32_t k = 0; k < c.a.n; k++) {
      if (parent[k] != -1) {
        ASSERT_LE(c.cm[p[k]], c.cm[p[parent[k]]]) << "position " << k;
      }
    }
    int64_t l = 0;
    double f = 0;
    eliminate(c.a, p, &l, &f);
    // the order returned is the postorder of the assembly tree, whose factor may differ very slightly from that of
    // the elimination itself (aggressive absorption)
    EXPECT_NEAR((double)info.lnz + c.a.n, (double)l, 0.005 * (double)l);
  }
  for (const Pattern& a : patterns()) {
    SCOPED_TRACE(a.name + ", one set");
    order::Graph g;
    ASSERT_EQ(order::order_graph_from_csc(a.n, a.p.data(), a.i.data(), g), 0);
    order::AmdControl ac;
    ac.dense = -1;
    std::vector<int32_t> cm(a.n, 0), p1(a.n), p2(a.n);
    ASSERT_EQ(order::order_amd(g, cm.data(), ac, p1.data(), nullptr), 0);
    ASSERT_EQ(order::order_amd(g, nullptr, ac, p2.data(), nullptr), 0);
    EXPECT_EQ(p1, p2);
  }
}
