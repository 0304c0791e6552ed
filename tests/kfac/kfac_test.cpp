// Tests of the sparse symmetric factorization engine: orderings, symbolic analysis, supernodal
// Cholesky and quasi-definite LDL', dense-column correction, pivot failures, thread-count independence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "kfac/kktfac.h"
#include "kfac/sfactor.h"
#include "kfac/kfac_testutil.h"
#include "order/order.h"

using namespace zrv;
using kfactest::Csc;
using kfactest::grid;
using kfactest::is_permutation;
using kfactest::rhs;

namespace {

// lower triangle of a random sparse SPD matrix (diagonally dominant), optional duplicates and upper entries
Csc random_spd(int32_t n, double density, uint32_t seed, bool dups = false) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  std::vector<std::vector<std::pair<int32_t, double>>> cols(n);
  std::vector<double> rowsum(n, 0.0);
  int64_t target = (int64_t)(density * n * (n - 1) / 2);
  for (int64_t k = 0; k < target; k++) {
    int32_t a = (int32_t)(g() % n), b = (int32_t)(g() % n);
    if (a == b) continue;
    double v = u(g);
    int32_t lo = std::min(a, b), hi = std::max(a, b);
    if (dups && (k % 3 == 0)) cols[hi].push_back({lo, v});  // upper-triangle entry, same matrix
    else cols[lo].push_back({hi, v});
    rowsum[a] += std::fabs(v);
    rowsum[b] += std::fabs(v);
  }
  Csc c;
  c.n = n;
  c.p.assign(n + 1, 0);
  for (int32_t j = 0; j < n; j++) {
    c.i.push_back(j);
    c.x.push_back(rowsum[j] + 1.0 + u(g) * 0.5);
    for (auto& e : cols[j]) { c.i.push_back(e.first); c.x.push_back(e.second); }
    c.p[j + 1] = (int64_t)c.i.size();
  }
  return c;
}

// y = K x for a symmetric matrix given by entries of either triangle (duplicates summed)
std::vector<double> symmv(const Csc& c, const std::vector<double>& x) {
  std::vector<double> y(c.n, 0.0);
  for (int32_t j = 0; j < c.n; j++)
    for (int64_t p = c.p[j]; p < c.p[j + 1]; p++) {
      int32_t i = c.i[p];
      y[i] += c.x[p] * x[j];
      if (i != j) y[j] += c.x[p] * x[i];
    }
  return y;
}

double norm1sym(const Csc& c) {
  std::vector<double> s(c.n, 0.0);
  for (int32_t j = 0; j < c.n; j++)
    for (int64_t p = c.p[j]; p < c.p[j + 1]; p++) {
      s[j] += std::fabs(c.x[p]);
      if (c.i[p] != j) s[c.i[p]] += std::fabs(c.x[p]);
    }
  double m = 0;
  for (double v : s) m = std::max(m, v);
  return m;
}

double relres(const Csc& c, const std::vector<double>& x, const std::vector<double>& b) {
  auto y = symmv(c, x);
  double r = 0, xn = 0, bn = 0;
  for (int32_t i = 0; i < c.n; i++) {
    r = std::max(r, std::fabs(y[i] - b[i]));
    xn = std::max(xn, std::fabs(x[i]));
    bn = std::max(bn, std::fabs(b[i]));
  }
  return r / (norm1sym(c) * xn + bn);
}

std::vector<double> solve_with(const Csc& c, int method, int nt, const std::vector<double>& b, int* status = nullptr,
                               kfac::SymOptions* extra = nullptr) {
  kfac::SymFactor F;
  kfac::SymOptions o = extra ? *extra : kfac::SymOptions();
  o.method = method;
  o.nthreads = nt;
  kfac::SymStats st;
  EXPECT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, &st), 0);
  kfac::NumResult r;
  int rc = F.factor(c.x.data(), nullptr, nullptr, 1e-14, 0, &r);
  if (status) *status = rc;
  std::vector<double> x = b;
  if (rc == 0) F.solve(x.data());
  return x;
}

const int kMethods[] = {order::ORDER_AUTO, order::ORDER_AMD, order::ORDER_TRY_ND, order::ORDER_ND, order::ORDER_NONE};

}  // namespace

TEST(KfacCholesky, RandomSpdManyShapesAllOrderings) {
  const int32_t sizes[] = {1, 2, 3, 7, 30, 150, 600};
  const double dens[] = {0.0, 0.01, 0.1, 0.5};
  for (int32_t n : sizes)
    for (double d : dens) {
      Csc c = random_spd(n, d, 1000u + n);
      auto b = rhs(n, 7);
      std::vector<double> ref;
      for (int m : kMethods) {
        int st = -1;
        auto x = solve_with(c, m, 1, b, &st);
        ASSERT_EQ(st, 0) << "n=" << n << " d=" << d << " method=" << m;
        EXPECT_LE(relres(c, x, b), 1e-12) << "n=" << n << " d=" << d << " method=" << m;
        if (ref.empty()) ref = x;
        for (int32_t i = 0; i < n; i++) EXPECT_NEAR(x[i], ref[i], 1e-10 * (1 + std::fabs(ref[i])));
      }
    }
}

TEST(KfacCholesky, GridsAndOrderingQuality) {
  Csc c = grid(40, 40, 1);
  auto b = rhs(c.n, 3);
  for (int m : kMethods) {
    int st = -1;
    auto x = solve_with(c, m, 1, b, &st);
    ASSERT_EQ(st, 0);
    EXPECT_LE(relres(c, x, b), 1e-12);
  }
  // fill of AMD and ND far below the natural order on a 3-D grid
  Csc g3 = grid(12, 12, 12);
  kfac::SymFactor F;
  kfac::SymStats sn, sa, sd;
  kfac::SymOptions o;
  o.method = order::ORDER_NONE;
  ASSERT_EQ(F.analyze(g3.n, g3.p.data(), g3.i.data(), o, &sn), 0);
  o.method = order::ORDER_AMD;
  ASSERT_EQ(F.analyze(g3.n, g3.p.data(), g3.i.data(), o, &sa), 0);
  o.method = order::ORDER_ND;
  ASSERT_EQ(F.analyze(g3.n, g3.p.data(), g3.i.data(), o, &sd), 0);
  EXPECT_LT(sa.nnz_l, sn.nnz_l / 2);
  EXPECT_LT(sd.nnz_l, sn.nnz_l / 2);
  EXPECT_GT(sd.nd_info.topsep, 0);
  EXPECT_GE(sa.nnz_l_stored, sa.nnz_l - g3.n);
}

TEST(KfacCholesky, ThreadCountGivesIdenticalBits) {
  Csc c = grid(20, 20, 20);
  auto b = rhs(c.n, 11);
  for (int m : {order::ORDER_AMD, order::ORDER_ND}) {
    kfac::SymOptions o;
    o.rowblock = 32;       // force the split of large supernodes into row blocks and tiles
    o.big_flops = 1e5;
    auto x1 = solve_with(c, m, 1, b, nullptr, &o);
    auto x2 = solve_with(c, m, 2, b, nullptr, &o);
    auto x3 = solve_with(c, m, 3, b, nullptr, &o);
    ASSERT_EQ(x1.size(), x2.size());
    EXPECT_EQ(std::memcmp(x1.data(), x2.data(), x1.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(x1.data(), x3.data(), x1.size() * sizeof(double)), 0);
    EXPECT_LE(relres(c, x1, b), 1e-12);
  }
}

TEST(KfacCholesky, EdgeInputs) {
  // empty
  {
    kfac::SymFactor F;
    kfac::SymOptions o;
    int64_t p0 = 0;
    EXPECT_EQ(F.analyze(0, &p0, nullptr, o, nullptr), 0);
    EXPECT_EQ(F.factor(nullptr, nullptr, nullptr, 1e-14, 0, nullptr), 0);
  }
  // 1x1
  {
    Csc c; c.n = 1; c.p = {0, 1}; c.i = {0}; c.x = {4.0};
    std::vector<double> b = {2.0};
    auto x = solve_with(c, order::ORDER_AMD, 1, b);
    EXPECT_DOUBLE_EQ(x[0], 0.5);
  }
  // disconnected blocks, a dense row/column, duplicates and upper entries
  {
    Csc c = random_spd(300, 0.02, 5, true);
    // make node 17 adjacent to everything (dense row), keeping diagonal dominance
    for (int32_t j = 0; j < c.n; j++) {
      if (j == 17) continue;
      // append entry (max, min) to column min
    }
    Csc d;
    d.n = c.n;
    d.p.assign(c.n + 1, 0);
    for (int32_t j = 0; j < c.n; j++) {
      for (int64_t p = c.p[j]; p < c.p[j + 1]; p++) {
        d.i.push_back(c.i[p]);
        d.x.push_back(c.i[p] == j ? c.x[p] + (j == 17 ? 300.0 : 1.0) : c.x[p]);
      }
      if (j != 17) { d.i.push_back(17); d.x.push_back(0.5); }
      d.p[j + 1] = (int64_t)d.i.size();
    }
    auto b = rhs(d.n, 9);
    std::vector<double> ref;
    for (int m : kMethods) {
      int st = -1;
      auto x = solve_with(d, m, 2, b, &st);
      ASSERT_EQ(st, 0);
      EXPECT_LE(relres(d, x, b), 1e-12) << m;
      if (ref.empty()) ref = x;
      for (int32_t i = 0; i < d.n; i++) EXPECT_NEAR(x[i], ref[i], 1e-10 * (1 + std::fabs(ref[i])));
    }
  }
  // bad index
  {
    Csc c; c.n = 2; c.p = {0, 1, 2}; c.i = {0, 5}; c.x = {1, 1};
    kfac::SymFactor F;
    EXPECT_EQ(F.analyze(2, c.p.data(), c.i.data(), kfac::SymOptions(), nullptr), 4);
  }
}

TEST(KfacCholesky, SingularAndIndefinitePivotsReported) {
  // A = grid with node k decoupled and a zero diagonal: the failure must name k
  for (int m : {order::ORDER_NONE, order::ORDER_AMD, order::ORDER_ND}) {
    Csc c = grid(10, 10, 1);
    const int32_t k = 37;
    for (int32_t j = 0; j < c.n; j++)
      for (int64_t p = c.p[j]; p < c.p[j + 1]; p++)
        if ((c.i[p] == k || j == k)) c.x[p] = 0.0;
    kfac::SymFactor F;
    kfac::SymOptions o;
    o.method = m;
    ASSERT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, nullptr), 0);
    kfac::NumResult r;
    EXPECT_EQ(F.factor(c.x.data(), nullptr, nullptr, 1e-12, 0, &r), 2);
    EXPECT_EQ(r.fail_col, k) << m;
  }
  // indefinite: negative diagonal entry
  {
    Csc c = grid(8, 8, 1);
    for (int64_t p = c.p[20]; p < c.p[21]; p++)
      if (c.i[p] == 20) c.x[p] = -10.0;
    kfac::SymFactor F;
    kfac::SymOptions o;
    o.method = order::ORDER_NONE;
    ASSERT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, nullptr), 0);
    kfac::NumResult r;
    EXPECT_EQ(F.factor(c.x.data(), nullptr, nullptr, 1e-14, 0, &r), 2);
    EXPECT_EQ(r.fail_col, 20);
  }
  // NaN never passes silently
  {
    Csc c = grid(6, 6, 1);
    c.x[c.p[5]] = NAN;
    kfac::SymFactor F;
    ASSERT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), kfac::SymOptions(), nullptr), 0);
    kfac::NumResult r;
    EXPECT_EQ(F.factor(c.x.data(), nullptr, nullptr, 1e-14, 0, &r), 2);
  }
}

namespace {
struct Lp {
  int32_t m, n;
  std::vector<int64_t> ap;
  std::vector<int32_t> ai;
  std::vector<double> ax;
};
Lp random_lp(int32_t m, int32_t n, int per_col, uint32_t seed, int32_t ndense = 0) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  Lp a{m, n, {0}, {}, {}};
  for (int32_t j = 0; j < n; j++) {
    std::vector<int32_t> rows;
    int cnt = j < ndense ? m : per_col;
    if (j < ndense) { for (int32_t i = 0; i < m; i++) rows.push_back(i); }
    else {
      rows.push_back(j % m);  // every row gets entries
      for (int k = 1; k < cnt; k++) rows.push_back((int32_t)(g() % m));
      std::sort(rows.begin(), rows.end());
      rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    }
    for (int32_t i : rows) { a.ai.push_back(i); a.ax.push_back(u(g)); }
    a.ap.push_back((int64_t)a.ai.size());
  }
  return a;
}
double kkt_relres(kfac::KktFactor& K, const std::vector<double>& x, const std::vector<double>& b) {
  std::vector<double> y(b.size(), 0.0);
  K.multiply(x.data(), y.data());
  double r = 0, xn = 0, bn = 0, kn = 0;
  for (size_t i = 0; i < b.size(); i++) {
    r = std::max(r, std::fabs(y[i] - b[i]));
    xn = std::max(xn, std::fabs(x[i]));
    bn = std::max(bn, std::fabs(b[i]));
  }
  // norm estimate: |K e|
  std::vector<double> e(b.size(), 1.0), ke(b.size(), 0.0);
  K.multiply(e.data(), ke.data());
  for (double v : ke) kn = std::max(kn, std::fabs(v));
  return r / (std::max(kn, 1.0) * xn + bn);
}
}  // namespace

TEST(KfacKkt, NormalEquationsDenseColumnsEqualPlain) {
  Lp a = random_lp(200, 600, 4, 21, 3);
  std::mt19937 g(3);
  std::vector<double> d(a.n);
  for (auto& v : d) v = std::exp(std::uniform_real_distribution<double>(-3, 3)(g));
  auto b = rhs(a.m, 5);
  std::vector<double> xs[2];
  for (int k = 0; k < 2; k++) {
    kfac::KktFactor K;
    kfac::KktControl c;
    c.dense_col_trh = k == 0 ? -1 : 50;
    kfac::KktStats st;
    ASSERT_EQ(K.make(a.m, a.n, a.ap.data(), a.ai.data(), nullptr, nullptr, c, &st), 0);
    EXPECT_EQ(st.kind, 1);
    EXPECT_EQ(st.dense_dim, k == 0 ? 0 : 3);
    ASSERT_EQ(K.numfac(a.ax.data(), nullptr, d.data(), 0, 1e-12, nullptr), 0);
    xs[k].resize(a.m);
    double rr;
    K.solve(b.data(), xs[k].data(), &rr);
    EXPECT_LE(kkt_relres(K, xs[k], b), 1e-12);
  }
  for (int32_t i = 0; i < a.m; i++) EXPECT_NEAR(xs[0][i], xs[1][i], 1e-9 * (1 + std::fabs(xs[0][i])));
}

TEST(KfacKkt, DenseColumnWithRankDeficientSparsePart) {
  // row 0 is covered only by the dense column: the sparse part is singular there, the correction fixes it
  Lp a = random_lp(50, 150, 3, 8, 1);
  for (int32_t j = 1; j < a.n; j++)
    for (int64_t p = a.ap[j]; p < a.ap[j + 1]; p++)
      if (a.ai[p] == 0) a.ax[p] = 0.0;
  std::vector<double> d(a.n, 1.0);
  kfac::KktFactor K;
  kfac::KktControl c;
  c.dense_col_trh = 20;
  kfac::KktStats st;
  ASSERT_EQ(K.make(a.m, a.n, a.ap.data(), a.ai.data(), nullptr, nullptr, c, &st), 0);
  EXPECT_EQ(st.dense_dim, 1);
  ASSERT_EQ(K.numfac(a.ax.data(), nullptr, d.data(), 0, 0, nullptr), 0);
  auto b = rhs(a.m, 2);
  std::vector<double> x(a.m);
  K.solve(b.data(), x.data());
  EXPECT_LE(kkt_relres(K, x, b), 1e-11);
}

TEST(KfacKkt, QuasiDefiniteAugmented) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    Lp a = random_lp(80 * seed, 200 * seed, 3, seed);
    // H: tridiagonal-ish lower pattern, positive semidefinite part added through d
    std::vector<int64_t> hp{0};
    std::vector<int32_t> hi;
    std::vector<double> hx;
    for (int32_t j = 0; j < a.n; j++) {
      hi.push_back(j); hx.push_back(2.0);
      if (j + 1 < a.n && j % 2 == 0) { hi.push_back(j + 1); hx.push_back(-1.0); }
      hp.push_back((int64_t)hi.size());
    }
    std::vector<double> d(a.n, 0.5);
    for (int method : {order::ORDER_AMD, order::ORDER_ND, order::ORDER_NONE}) {
      kfac::KktFactor K;
      kfac::KktControl c;
      c.order_method = method;
      c.nthreads = 2;
      kfac::KktStats st;
      ASSERT_EQ(K.make(a.m, a.n, a.ap.data(), a.ai.data(), hp.data(), hi.data(), c, &st), 0);
      EXPECT_EQ(st.kind, 2);
      kfac::NumResult r;
      ASSERT_EQ(K.numfac(a.ax.data(), hx.data(), d.data(), 1e-10, 1e-10, &r), 0);
      auto b = rhs(a.m + a.n, seed);
      std::vector<double> x(b.size());
      K.solve(b.data(), x.data());
      EXPECT_LE(kkt_relres(K, x, b), 1e-12) << seed << " " << method;
    }
  }
}

TEST(KfacKkt, AugmentedWrongSignReported) {
  Lp a = random_lp(10, 30, 3, 4);
  std::vector<int64_t> hp{0};
  std::vector<int32_t> hi;
  std::vector<double> hx;
  for (int32_t j = 0; j < a.n; j++) {
    hi.push_back(j); hx.push_back(j == 5 ? -100.0 : 1.0);  // makes pivot 5 positive: not quasi-definite
    if (j + 1 < a.n) { hi.push_back(j + 1); hx.push_back(0.1); }
    hp.push_back((int64_t)hi.size());
  }
  std::vector<double> d(a.n, 1.0);
  kfac::KktFactor K;
  kfac::KktControl c;
  c.order_method = order::ORDER_NONE;
  ASSERT_EQ(K.make(a.m, a.n, a.ap.data(), a.ai.data(), hp.data(), hi.data(), c, nullptr), 0);
  kfac::NumResult r;
  EXPECT_EQ(K.numfac(a.ax.data(), hx.data(), d.data(), 0, 0, &r), kfac::KKT_PIVOT);
  EXPECT_EQ(r.fail_col, 5);
}

TEST(KfacOrder, AmdAndNdArePermutations) {
  Csc c = random_spd(500, 0.01, 77);
  order::Graph g;
  ASSERT_EQ(order::order_graph_from_csc(c.n, c.p.data(), c.i.data(), g), 0);
  std::vector<int32_t> p(c.n);
  order::AmdInfo ai;
  ASSERT_EQ(order::order_amd(g, nullptr, order::AmdControl(), p.data(), &ai), 0);
  std::vector<int32_t> s = p;
  std::sort(s.begin(), s.end());
  for (int32_t i = 0; i < c.n; i++) EXPECT_EQ(s[i], i);
  order::NdInfo ni;
  ASSERT_EQ(order::order_nd(g, order::NdControl(), p.data(), &ni), 0);
  s = p;
  std::sort(s.begin(), s.end());
  for (int32_t i = 0; i < c.n; i++) EXPECT_EQ(s[i], i);
  // constrained: set 0 strictly before set 1
  std::vector<int32_t> cm(c.n);
  for (int32_t i = 0; i < c.n; i++) cm[i] = i % 2;
  order::AmdControl ac;
  ac.dense = -1;
  ASSERT_EQ(order::order_amd(g, cm.data(), ac, p.data(), nullptr), 0);
  s = p;
  std::sort(s.begin(), s.end());
  for (int32_t i = 0; i < c.n; i++) EXPECT_EQ(s[i], i);
}

namespace {

order::Graph graph_of(const Csc& c) {
  order::Graph g;
  EXPECT_EQ(order::order_graph_from_csc(c.n, c.p.data(), c.i.data(), g), 0);
  return g;
}

// star of stars: hub 0 joined to k centres, each centre with k leaves (plain matching leaves most leaves unmatched)
Csc star_of_stars(int32_t k) {
  Csc c;
  c.n = 1 + k + k * k;
  c.p.assign(c.n + 1, 0);
  std::vector<std::vector<int32_t>> cols(c.n);
  for (int32_t a = 0; a < k; a++) {
    cols[0].push_back(1 + a);
    for (int32_t l = 0; l < k; l++) cols[1 + a].push_back(1 + k + a * k + l);
  }
  for (int32_t j = 0; j < c.n; j++) {
    c.i.push_back(j);
    c.x.push_back(1.0);
    for (int32_t r : cols[j]) { c.i.push_back(r); c.x.push_back(0.1); }
    c.p[j + 1] = (int64_t)c.i.size();
  }
  return c;
}

// two grids side by side with no edge between them, plus a node joined to everything
Csc two_grids_and_dense_node(int32_t k) {
  Csc a = grid(k, k, 1);
  Csc c;
  c.n = 2 * a.n + 1;
  c.p.assign(c.n + 1, 0);
  for (int32_t half = 0; half < 2; half++)
    for (int32_t j = 0; j < a.n; j++) {
      for (int64_t p = a.p[j]; p < a.p[j + 1]; p++) { c.i.push_back(a.i[p] + half * a.n); c.x.push_back(a.x[p]); }
      if (j % 3 == 0) { c.i.push_back(c.n - 1); c.x.push_back(0.01); }
      c.p[half * a.n + j + 1] = (int64_t)c.i.size();
    }
  c.i.push_back(c.n - 1);
  c.x.push_back(100.0);
  c.p[c.n] = (int64_t)c.i.size();
  return c;
}

}  // namespace

TEST(KfacOrder, SeparatorsAreValidAndBalanced) {
  struct Case { const char* name; Csc c; };
  std::vector<Case> cases = {{"grid2d", grid(45, 37, 1)},  {"grid3d", grid(14, 13, 12)},
                             {"random", random_spd(900, 0.006, 3)}, {"stars", star_of_stars(25)},
                             {"pieces", two_grids_and_dense_node(20)}};
  for (double imb : {1.1, 1.5}) {
    for (bool ml : {true, false}) {
      for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.name) + (ml ? " multilevel" : " level structure") + " imbalance " +
                     std::to_string(imb));
        order::Graph g = graph_of(k.c);
        order::NdControl ctl;
        ctl.imbalance = imb;
        ctl.multilevel = ml;
        std::vector<int8_t> where;
        ASSERT_EQ(order::order_separator(g, ctl, where), 0);
        ASSERT_EQ((int32_t)where.size(), g.n);
        int64_t w[3] = {0, 0, 0};
        for (int32_t v = 0; v < g.n; v++) {
          ASSERT_TRUE(where[v] >= 0 && where[v] <= 2);
          w[where[v]]++;
          // removing the separator disconnects the parts
          if (where[v] == 2) continue;
          for (int64_t p = g.ptr[v]; p < g.ptr[v + 1]; p++) {
            int8_t o = where[g.adj[p]];
            ASSERT_TRUE(o == 2 || o == where[v]) << "edge " << v << "-" << g.adj[p] << " crosses the separator";
          }
        }
        EXPECT_GT(w[0], 0);
        EXPECT_GT(w[1], 0);
        EXPECT_LE((double)std::max(w[0], w[1]), imb * g.n / 2.0 + 1.0);
        // random graphs are expanders: only there a separator may hold a large share of the nodes
        EXPECT_LT(w[2], std::string(k.name) == "random" ? g.n / 2 : g.n / 8);
        if (std::string(k.name) == "grid2d") {
          EXPECT_LE(w[2], 2 * 45);  // a grid line is 37 or 45 nodes
        }
      }
    }
  }
}

TEST(KfacOrder, NestedDissectionOrdersArePermutationsWithLowFill) {
  std::vector<Csc> cs = {grid(16, 15, 14), random_spd(700, 0.01, 9), star_of_stars(30),
                         two_grids_and_dense_node(25)};
  for (size_t k = 0; k < cs.size(); k++) {
    const Csc& c = cs[k];
    order::Graph g = graph_of(c);
    kfac::SymStats sa;
    kfac::SymFactor F;
    kfac::SymOptions o;
    o.method = order::ORDER_AMD;
    ASSERT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, &sa), 0);
    for (bool ml : {true, false}) {
      SCOPED_TRACE("case " + std::to_string(k) + (ml ? " multilevel" : " level structure"));
      order::NdControl ctl;
      ctl.multilevel = ml;
      ctl.leafsize = 40;
      std::vector<int32_t> p(c.n, -1);
      order::NdInfo ni;
      ASSERT_EQ(order::order_nd(g, ctl, p.data(), &ni), 0);
      EXPECT_TRUE(is_permutation(p));
      // the ordering is usable and not much worse than minimum degree (on the 3-D grid: better)
      kfac::SymStats sn;
      o.method = order::ORDER_NONE;
      o.user_perm = p.data();
      ASSERT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, &sn), 0);
      o.user_perm = nullptr;
      if (k == 0) {
        EXPECT_LT(sn.flops, sa.flops);
      } else {
        EXPECT_LT((double)sn.nnz_l, 1.6 * (double)sa.nnz_l);
      }
      // the whole analysis with forced dissection keeps the dissection with fewer flops
      kfac::SymStats sd;
      o.method = order::ORDER_ND;
      o.nd.leafsize = 40;
      ASSERT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, &sd), 0);
      EXPECT_LE(sd.flops, sn.flops * (1 + 1e-12));
      o = kfac::SymOptions();
      o.method = order::ORDER_AMD;
    }
  }
}

// The scalar kernels of tiny supernodes and the BLAS kernels compute the same factor: same solutions up to rounding,
// same failing pivot, same replaced pivots.  small_panel = 0 sends every supernode through BLAS, a huge value sends
// every non-split supernode through the scalar path.
TEST(KfacCholesky, ScalarKernelsOfTinySupernodesMatchBlasPath) {
  auto factor = [](const Csc& c, const int8_t* sign, int32_t small, double replace, kfac::NumResult* r,
                   std::vector<double>* x) {
    kfac::SymFactor F;
    kfac::SymOptions o;
    o.small_panel = small;
    o.nrelax[0] = 2;  // keep narrow supernodes
    EXPECT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, nullptr), 0);
    int rc = F.factor(c.x.data(), nullptr, sign, 1e-13, replace, r);
    if (rc == 0 && x) F.solve(x->data());
    return rc;
  };
  // SPD of several shapes, and the same matrices made quasi-definite by flipping a block
  for (int32_t n : {1, 7, 60, 400}) {
    for (double d : {0.01, 0.1}) {
      Csc c = random_spd(n, d, 300u + n);
      std::vector<int8_t> sign(n, 1);
      Csc q = c;
      for (int32_t j = 0; j < n; j++)
        if (j % 3 == 0) {
          sign[j] = -1;
          for (int64_t p = q.p[j]; p < q.p[j + 1]; p++)
            if (q.i[p] == j) q.x[p] = -q.x[p] - 2 * c.x[p];  // strongly negative pivot keeps it quasi-definite
        }
      auto b = rhs(n, 5);
      for (int qd = 0; qd < 2; qd++) {
        SCOPED_TRACE("n " + std::to_string(n) + (qd ? " quasi-definite" : " spd"));
        const Csc& m = qd ? q : c;
        std::vector<double> x1 = b, x2 = b;
        kfac::NumResult r1, r2;
        ASSERT_EQ(factor(m, qd ? sign.data() : nullptr, 0, 0, &r1, &x1), 0);
        ASSERT_EQ(factor(m, qd ? sign.data() : nullptr, 1 << 30, 0, &r2, &x2), 0);
        EXPECT_LE(relres(m, x2, b), 1e-12);
        double dx = 0, xn = 0;
        for (int32_t i = 0; i < n; i++) { dx = std::max(dx, std::fabs(x1[i] - x2[i])); xn = std::max(xn, std::fabs(x1[i])); }
        EXPECT_LE(dx, 1e-10 * xn);
        EXPECT_NEAR(r1.min_pivot, r2.min_pivot, 1e-10 * r1.max_pivot);
      }
    }
  }
  // failing pivot: a zero diagonal decoupled from the rest must be named by both paths; with replacement both list it
  Csc g = grid(9, 8, 1);
  const int32_t k = 37;
  for (int64_t p = g.p[k]; p < g.p[k + 1]; p++) g.x[p] = 0;
  for (int32_t j = 0; j < g.n; j++)
    for (int64_t p = g.p[j]; p < g.p[j + 1]; p++)
      if (g.i[p] == k) g.x[p] = 0;
  for (int qd = 0; qd < 2; qd++) {
    std::vector<int8_t> sign(g.n, 1);
    kfac::NumResult r1, r2;
    const int8_t* sg = qd ? sign.data() : nullptr;
    EXPECT_EQ(factor(g, sg, 0, 0, &r1, nullptr), 2);
    EXPECT_EQ(factor(g, sg, 1 << 30, 0, &r2, nullptr), 2);
    EXPECT_EQ(r1.fail_col, k);
    EXPECT_EQ(r2.fail_col, k);
    EXPECT_EQ(factor(g, sg, 0, 1e-3, &r1, nullptr), 0);
    EXPECT_EQ(factor(g, sg, 1 << 30, 1e-3, &r2, nullptr), 0);
    ASSERT_EQ(r1.replaced.size(), 1u);
    ASSERT_EQ(r2.replaced.size(), 1u);
    EXPECT_EQ(r2.replaced[0], k);
    if (!qd) {
      EXPECT_DOUBLE_EQ(r1.replaced_delta[0], r2.replaced_delta[0]);
    }
  }
}
