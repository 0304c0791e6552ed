// Tests of the ordering choice of the analysis: the factor sizes by which the candidate orderings are compared
// (counted on the graph) against explicit symbolic elimination, and the rule that computes a second dissection only
// when the first one does not clearly beat minimum degree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "kfac/sfactor.h"
#include "order/order.h"

using namespace zrv;

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
