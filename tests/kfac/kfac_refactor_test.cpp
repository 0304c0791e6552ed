// Repeated numeric factorizations on one analysis (the interior-point use: one pattern, new values every iteration)
// and concurrent solves: every factorization must depend on its own values only, whatever the previous one left in
// the work buffers (also after a pivot failure), for Cholesky and LDL', through the small, the BLAS and the
// row-block paths of the supernodal updates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kfac/sfactor.h"
#include "kfac/kfac_testutil.h"
#include "order/order.h"

using namespace zrv;
using kfactest::rhs;

namespace {

struct Sym {
  int32_t n = 0;
  std::vector<int64_t> p;
  std::vector<int32_t> i;
  std::vector<double> x;
  std::vector<int8_t> sign;  // empty: positive definite
};

// 3-D 7-point grid plus a few long-range couplings (they break the row structure of the supernodes into runs)
Sym grid_plus(int32_t k, uint32_t seed) {
  std::mt19937 g(seed);
  const int32_t n = k * k * k;
  std::vector<std::vector<std::pair<int32_t, double>>> cols(n);
  std::vector<double> rs(n, 0.0);
  auto add = [&](int32_t a, int32_t b, double v) {
    if (a == b) return;
    cols[std::min(a, b)].push_back({std::max(a, b), v});
    rs[a] += std::fabs(v);
    rs[b] += std::fabs(v);
  };
  for (int32_t j = 0; j < n; j++) {
    int32_t x = j % k, y = (j / k) % k, z = j / (k * k);
    if (x + 1 < k) add(j, j + 1, -1.0);
    if (y + 1 < k) add(j, j + k, -1.0);
    if (z + 1 < k) add(j, j + k * k, -1.0);
  }
  for (int32_t e = 0; e < n / 8; e++) add((int32_t)(g() % n), (int32_t)(g() % n), 0.3);
  Sym s;
  s.n = n;
  s.p.assign(n + 1, 0);
  for (int32_t j = 0; j < n; j++) {
    s.i.push_back(j);
    s.x.push_back(rs[j] + 1.0);
    std::sort(cols[j].begin(), cols[j].end());
    for (size_t q = 0; q < cols[j].size(); q++) {
      if (q > 0 && cols[j][q].first == cols[j][q - 1].first) { s.x.back() += cols[j][q].second; continue; }
      s.i.push_back(cols[j][q].first);
      s.x.push_back(cols[j][q].second);
    }
    s.p[j + 1] = (int64_t)s.i.size();
  }
  return s;
}

// the same pattern made quasi-definite: every third pivot strongly negative
Sym quasi_definite(const Sym& a) {
  Sym q = a;
  q.sign.assign(a.n, 1);
  for (int32_t j = 0; j < a.n; j += 3) {
    q.sign[j] = -1;
    q.x[q.p[j]] = -3.0 * a.x[a.p[j]];  // the diagonal is the first entry of every column
  }
  return q;
}

// values S K S with S = diag(s), s random in [0.5, 2]: same pattern and pivot signs, other numbers
std::vector<double> rescaled(const Sym& a, uint32_t seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(0.5, 2.0);
  std::vector<double> s(a.n);
  for (auto& v : s) v = u(g);
  std::vector<double> x(a.x.size());
  for (int32_t j = 0; j < a.n; j++)
    for (int64_t p = a.p[j]; p < a.p[j + 1]; p++) x[p] = a.x[p] * s[a.i[p]] * s[j];
  return x;
}

double relres(const Sym& a, const std::vector<double>& vals, const std::vector<double>& x,
              const std::vector<double>& b) {
  std::vector<double> y(a.n, 0.0);
  double an = 0;
  for (int32_t j = 0; j < a.n; j++)
    for (int64_t p = a.p[j]; p < a.p[j + 1]; p++) {
      int32_t i = a.i[p];
      y[i] += vals[p] * x[j];
      if (i != j) y[j] += vals[p] * x[i];
      an = std::max(an, std::fabs(vals[p]));
    }
  double r = 0, xn = 0, bn = 0;
  for (int32_t i = 0; i < a.n; i++) {
    r = std::max(r, std::fabs(y[i] - b[i]));
    xn = std::max(xn, std::fabs(x[i]));
    bn = std::max(bn, std::fabs(b[i]));
  }
  return r / (an * xn + bn);
}

struct Variant {
  const char* name;
  int32_t small_panel, rowblock;
  double big_flops;
};
// scalar kernels where allowed (default), BLAS for every supernode, and row blocks / tiles for most of them
const Variant kVariants[] = {{"default", 1024, 256, 3e8}, {"blas", 0, 256, 3e8}, {"rowblocks", 0, 16, 1e3}};

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

}  // namespace

TEST(KfacRefactor, NewValuesOnOneAnalysisMatchAFreshFactor) {
  for (int qd = 0; qd < 2; qd++) {
    for (int m : {order::ORDER_AMD, order::ORDER_ND}) {
      for (const Variant& v : kVariants) {
        SCOPED_TRACE(std::string(qd ? "LDL' " : "LL' ") + v.name + (m == order::ORDER_ND ? " nd" : " amd"));
        Sym a = grid_plus(17, 7);  // large enough for the factorization to use two threads
        if (qd) a = quasi_definite(a);
        const int8_t* sg = qd ? a.sign.data() : nullptr;
        kfac::SymOptions o;
        o.method = m;
        o.small_panel = v.small_panel;
        o.rowblock = v.rowblock;
        o.big_flops = v.big_flops;
        const std::vector<double> b = rhs(a.n, 3);
        const std::vector<double> v2 = rescaled(a, 99);

        kfac::SymFactor fresh;
        ASSERT_EQ(fresh.analyze(a.n, a.p.data(), a.i.data(), o, nullptr), 0);
        ASSERT_EQ(fresh.factor(v2.data(), nullptr, sg, 1e-14, 0, nullptr), 0);
        std::vector<double> xf = b;
        fresh.solve(xf.data());
        EXPECT_LE(relres(a, v2, xf, b), 1e-13);

        // first values, then a failing factorization (an indefinite pivot in the middle), then the second values
        kfac::SymFactor F;
        ASSERT_EQ(F.analyze(a.n, a.p.data(), a.i.data(), o, nullptr), 0);
        ASSERT_EQ(F.factor(a.x.data(), nullptr, sg, 1e-14, 0, nullptr), 0);
        std::vector<double> x1 = b;
        F.solve(x1.data());
        EXPECT_LE(relres(a, a.x, x1, b), 1e-13);
        std::vector<double> bad = v2;
        const int32_t k = a.n / 2;
        bad[a.p[k]] = qd ? -a.sign[k] * 1e3 : -1e3;
        kfac::NumResult r;
        EXPECT_EQ(F.factor(bad.data(), nullptr, sg, 1e-14, 0, &r), 2);
        EXPECT_GE(r.fail_col, 0);
        ASSERT_EQ(F.factor(v2.data(), nullptr, sg, 1e-14, 0, nullptr), 0);
        std::vector<double> x2 = b;
        F.solve(x2.data());
        EXPECT_TRUE(same_bits(x2, xf)) << "refactorization depends on what the previous one left behind";

        // two threads: the same bits
        F.set_threads(2);
        ASSERT_EQ(F.factor(v2.data(), nullptr, sg, 1e-14, 0, nullptr), 0);
        std::vector<double> x3 = b;
        F.solve(x3.data());
        EXPECT_TRUE(same_bits(x3, xf)) << "thread count changes the result";
      }
    }
  }
}

TEST(KfacRefactor, ConcurrentSolvesWithOneFactor) {
  // the dense-column correction solves several right-hand sides at once from different threads
  for (int qd = 0; qd < 2; qd++) {
    SCOPED_TRACE(qd ? "LDL'" : "LL'");
    Sym a = grid_plus(10, 21);
    if (qd) a = quasi_definite(a);
    kfac::SymFactor F;
    kfac::SymOptions o;
    o.small_panel = 0;
    ASSERT_EQ(F.analyze(a.n, a.p.data(), a.i.data(), o, nullptr), 0);
    ASSERT_EQ(F.factor(a.x.data(), nullptr, qd ? a.sign.data() : nullptr, 1e-14, 0, nullptr), 0);
    const int kRhs = 4;
    std::vector<std::vector<double>> seq(kRhs), par(kRhs);
    for (int q = 0; q < kRhs; q++) {
      seq[q] = rhs(a.n, 40 + q);
      par[q] = seq[q];
      F.solve(seq[q].data());
    }
    std::vector<std::thread> th;
    for (int q = 0; q < kRhs; q++)
      th.emplace_back([&, q] {
        for (int rep = 0; rep < 5; rep++) {
          std::vector<double> x = rhs(a.n, 40 + q);
          F.solve(x.data());
          if (rep == 4) par[q] = x;
        }
      });
    for (auto& t : th) t.join();
    for (int q = 0; q < kRhs; q++) {
      EXPECT_TRUE(same_bits(seq[q], par[q])) << "right-hand side " << q;
      EXPECT_LE(relres(a, a.x, seq[q], rhs(a.n, 40 + q)), 1e-13);
    }
  }
}
