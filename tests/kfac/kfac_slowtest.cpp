// Larger factorization checks (label "slow"): 3-D and 2-D grids with every ordering, residuals and thread-count
// bit identity on matrices where the row-block/tile split of large supernodes is active with default options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "kfac/kfac_testutil.h"
#include "kfac/sfactor.h"

using namespace zrv;

using kfactest::Csc;
using kfactest::grid;

TEST(KfacSlow, Grid3dAllOrderingsTwoThreadsIdentical) {
  Csc c = grid(36, 36, 36);
  std::vector<double> b(c.n);
  for (int32_t i = 0; i < c.n; i++) b[i] = std::sin(0.1 * i);
  for (int m : {order::ORDER_AUTO, order::ORDER_AMD, order::ORDER_ND}) {
    std::vector<double> xs[2];
    for (int t = 0; t < 2; t++) {
      kfac::SymFactor F;
      kfac::SymOptions o;
      o.method = m;
      o.nthreads = t + 1;
      ASSERT_EQ(F.analyze(c.n, c.p.data(), c.i.data(), o, nullptr), 0);
      ASSERT_EQ(F.factor(c.x.data(), nullptr, nullptr, 1e-14, 0, nullptr), 0);
      xs[t] = b;
      F.solve(xs[t].data());
      std::vector<double> y(c.n, 0.0);
      F.multiply(c.x.data(), xs[t].data(), y.data());
      double r = 0, xn = 0;
      for (int32_t i = 0; i < c.n; i++) { r = std::max(r, std::fabs(y[i] - b[i])); xn = std::max(xn, std::fabs(xs[t][i])); }
      EXPECT_LE(r / (12.0 * xn + 1.0), 1e-12);
    }
    EXPECT_EQ(std::memcmp(xs[0].data(), xs[1].data(), c.n * sizeof(double)), 0) << m;
  }
}
