// Random sequences of puts, appends and removals through the exported functions, compared after every step with
// a dense reference model.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

#include "amat/fixture.h"
#include "zirva/env.h"

using amattest::TaskTest;
using amattest::Vec;
using I = std::vector<int32_t>;

namespace {

struct RandomRun : TaskTest {
  std::mt19937 rng;
  std::vector<Vec> a;  // reference A, a[i][j]
  Vec c;
  int32_t m = 0, n = 0;

  int32_t pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
  double value() {
    static const double v[] = {0.0, 1e-13, -1e-13, 1e-12, 1.0, -1.5, 2.0, 0.25, -3.0, 4.5};
    return v[pick(0, 9)];
  }
  double& ref(bool rows, int32_t k, int32_t t) { return rows ? a[k][t] : a[t][k]; }

  // Appends a random vector (repeated indexes now and then) for row or column k to sub/val and puts it into the
  // reference: repeats summed in order, sums of magnitude at most DATA_TOL_AIJ dropped.
  void vec(bool rows, int32_t k, I& sub, Vec& val) {
    const int32_t len = rows ? n : m;
    Vec d(static_cast<size_t>(len), 0.0);
    for (int32_t t = pick(0, len + 1); t > 0; --t) {
      sub.push_back(pick(0, len - 1)), val.push_back(value());
      d[sub.back()] += val.back();
    }
    for (int32_t t = 0; t < len; ++t) ref(rows, k, t) = std::fabs(d[t]) <= 1e-12 ? 0.0 : d[t];
  }
  void grow(bool cons, int32_t k) {
    ASSERT_EQ(cons ? ZRV_appendcons(task, k) : ZRV_appendvars(task, k), ZRV_RES_OK);
    if (cons) a.resize(static_cast<size_t>(m += k), Vec(static_cast<size_t>(n), 0.0));
    if (!cons) {
      for (Vec& r : a) r.resize(static_cast<size_t>(n + k), 0.0);
      c.resize(static_cast<size_t>(n += k), 0.0);
    }
  }
  void remove(bool cons) {
    const int32_t count = cons ? m : n;
    I s(static_cast<size_t>(count));
    std::iota(s.begin(), s.end(), 0);
    std::shuffle(s.begin(), s.end(), rng);
    s.resize(static_cast<size_t>(pick(1, std::max(1, count / 2))));
    ASSERT_EQ(cons ? ZRV_removecons(task, static_cast<int32_t>(s.size()), s.data())
                   : ZRV_removevars(task, static_cast<int32_t>(s.size()), s.data()),
              ZRV_RES_OK);
    std::vector<char> gone(static_cast<size_t>(count), 0);
    for (int32_t k : s) gone[k] = 1;
    auto keep = [&](auto& v) {
      std::remove_reference_t<decltype(v)> w;
      for (size_t r = 0; r < v.size(); ++r)
        if (!gone[r]) w.push_back(v[r]);
      v.swap(w);
    };
    if (cons) keep(a), m = static_cast<int32_t>(a.size());
    if (!cons) {
      for (Vec& r : a) keep(r);
      keep(c), n = static_cast<int32_t>(c.size());
    }
  }

  void step() {
    const int32_t op = pick(0, 8);
    const bool rows = pick(0, 1), wide = pick(0, 1);
    if (m == 0 || n == 0) return grow(m == 0, 2);
    if (m > 12 || n > 12) return remove(m > 12);
    I sub, which;
    Vec val;
    std::vector<int64_t> pb, pe;
    switch (op) {
      case 0: {  // single entries, alone or as a list; the newest value wins
        I si, sj;
        for (int32_t q = pick(1, 4); q > 0; --q) {
          si.push_back(pick(0, m - 1)), sj.push_back(pick(0, n - 1)), val.push_back(value());
          a[si.back()][sj.back()] = std::fabs(val.back()) < 1e-12 ? 0.0 : val.back();
        }
        const auto num = static_cast<int32_t>(si.size());
        ASSERT_EQ(num == 1 ? ZRV_putaij(task, si[0], sj[0], val[0])
                           : ZRV_putaijlist(task, num, si.data(), sj.data(), val.data()),
                  ZRV_RES_OK);
        break;
      }
      case 1: {
        const int32_t k = pick(0, (rows ? m : n) - 1);
        vec(rows, k, sub, val);
        const auto nz = static_cast<int32_t>(sub.size());
        ASSERT_EQ(
            rows ? ZRV_putarow(task, k, nz, sub.data(), val.data()) : ZRV_putacol(task, k, nz, sub.data(), val.data()),
            ZRV_RES_OK);
        break;
      }
      case 2:
      case 3: {  // a list (a vector may come twice) or a slice of rows or columns
        const int32_t count = rows ? m : n, first = pick(0, count),
                      last = op == 2 ? first + pick(1, 3) : pick(first, count);
        for (int32_t k = first; k < last; ++k) {
          which.push_back(op == 2 ? pick(0, count - 1) : k);
          pb.push_back(static_cast<int64_t>(sub.size()));
          vec(rows, which.back(), sub, val);
          pe.push_back(static_cast<int64_t>(sub.size()));
        }
        const I b32(pb.begin(), pb.end()), e32(pe.begin(), pe.end());
        const auto num = static_cast<int32_t>(which.size());
        int32_t r = -1;
        if (op == 2 && wide)
          r = (rows ? ZRV_putarowlist64 : ZRV_putacollist64)(task, num, which.data(), pb.data(), pe.data(), sub.data(),
                                                             val.data());
        if (op == 2 && !wide)
          r = (rows ? ZRV_putarowlist : ZRV_putacollist)(task, num, which.data(), b32.data(), e32.data(), sub.data(),
                                                         val.data());
        if (op == 3 && wide)
          r = (rows ? ZRV_putarowslice64 : ZRV_putacolslice64)(task, first, last, pb.data(), pe.data(), sub.data(),
                                                               val.data());
        if (op == 3 && !wide)
          r = (rows ? ZRV_putarowslice : ZRV_putacolslice)(task, first, last, b32.data(), e32.data(), sub.data(),
                                                           val.data());
        ASSERT_EQ(r, ZRV_RES_OK);
        break;
      }
      case 4: {
        const int32_t j = pick(0, n - 1);
        c[j] = value();
        ASSERT_EQ(ZRV_putcj(task, j, c[j]), ZRV_RES_OK);
        break;
      }
      case 5:
      case 6:
        return grow(rows, pick(0, 4));
      default:
        return remove(rows);
    }
  }

  // Every read form against the reference; the form used for the whole matrix changes from step to step.
  void compare(int64_t stepno) {
    int64_t nnz = 0;
    for (const Vec& r : a) nnz += std::count_if(r.begin(), r.end(), [](double x) { return x != 0.0; });
    ASSERT_EQ(numanz(), nnz);
    if (stepno % 3 == 0) {
      for (int32_t j = 0; j < n; ++j)
        for (int32_t i = 0; i < m; ++i) ASSERT_EQ(col(j)[i], a[i][j]) << i << "," << j;
    }
    if (stepno % 3 == 1) {
      for (int32_t i = 0; i < m; ++i) ASSERT_EQ(row(i), a[i]) << i;
    }
    if (stepno % 3 == 2) {  // a slice of rows in compressed form, and every single entry
      const int32_t first = pick(0, m), last = pick(first, m), len = static_cast<int32_t>(nnz) + 2;
      int32_t surp = len;
      I b(static_cast<size_t>(last - first) + 1), e(b.size()), sub(static_cast<size_t>(len));
      Vec val(static_cast<size_t>(len));
      ASSERT_EQ(ZRV_getaslice(task, ZRV_ACC_CON, first, last, len, &surp, b.data(), e.data(), sub.data(), val.data()),
                ZRV_RES_OK);
      for (int32_t i = first; i < last; ++i) {
        Vec d(static_cast<size_t>(n), 0.0);
        for (int32_t t = b[i - first]; t < e[i - first]; ++t) d[sub[t]] += val[t];
        ASSERT_EQ(d, a[i]) << i;
      }
      for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) ASSERT_EQ(aij(i, j), a[i][j]) << i << "," << j;
    }
    Vec cc(static_cast<size_t>(n));
    ASSERT_EQ(ZRV_getc(task, cc.data()), ZRV_RES_OK);
    ASSERT_EQ(cc, c);
    const zrv::SpCheck chk = task->prob->A.self_test();
    ASSERT_TRUE(chk.ok()) << chk.text();
  }
};

}  // namespace

TEST_F(RandomRun, PutsAppendsAndRemovalsAgreeWithADenseModel) {
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(seed);
    rng.seed(seed);
    for (int64_t s = 0; s < 1200; ++s) {
      ASSERT_NO_FATAL_FAILURE(step()) << "step " << s;
      ASSERT_NO_FATAL_FAILURE(compare(s)) << "step " << s;
    }
  }
}
