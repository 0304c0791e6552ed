// Random sequences of matrix and objective puts, appends and removals through the exported functions,
// compared after every step with a dense reference model.
#include <algorithm>
#include <cmath>
#include <random>

#include "amat/fixture.h"
#include "zirva/env.h"

using amattest::TaskTest;

namespace {

constexpr double TOL = 1.0e-12;  // default DATA_TOL_AIJ

struct Dense {
  int32_t m = 0, n = 0;
  std::vector<std::vector<double>> a;  // a[i][j]
  std::vector<double> c;

  void add_rows(int32_t k) {
    m += k;
    a.resize(static_cast<size_t>(m), std::vector<double>(static_cast<size_t>(n), 0.0));
  }
  void add_cols(int32_t k) {
    n += k;
    for (auto& row : a) row.resize(static_cast<size_t>(n), 0.0);
    c.resize(static_cast<size_t>(n), 0.0);
  }
  // Sum of the duplicates in the order given, then the at-most-tolerance drop of the vector puts.
  static std::vector<double> gather(int32_t len, const std::vector<int32_t>& sub, const std::vector<double>& val) {
    std::vector<double> d(static_cast<size_t>(len), 0.0);
    for (size_t t = 0; t < sub.size(); ++t) d[static_cast<size_t>(sub[t])] += val[t];
    for (double& x : d)
      if (std::fabs(x) <= TOL) x = 0.0;
    return d;
  }
  void put_col(int32_t j, const std::vector<int32_t>& sub, const std::vector<double>& val) {
    std::vector<double> d = gather(m, sub, val);
    for (int32_t i = 0; i < m; ++i) a[static_cast<size_t>(i)][static_cast<size_t>(j)] = d[static_cast<size_t>(i)];
  }
  void put_row(int32_t i, const std::vector<int32_t>& sub, const std::vector<double>& val) {
    a[static_cast<size_t>(i)] = gather(n, sub, val);
  }
  int64_t nnz() const {
    int64_t k = 0;
    for (const auto& row : a)
      for (double x : row) k += x != 0.0;
    return k;
  }
};

// Keeps the items not in `gone`, in order.
template <class T>
void keep(std::vector<T>& v, const std::vector<char>& gone) {
  size_t w = 0;
  for (size_t r = 0; r < v.size(); ++r) {
    if (gone[r]) continue;
    if (w != r) v[w] = std::move(v[r]);
    ++w;
  }
  v.resize(w);
}

struct RandomRun : TaskTest {
  std::mt19937 rng;
  Dense ref;

  int32_t pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
  double value() {
    static const double v[] = {0.0, 1.0e-13, -1.0e-13, 1.0, -1.5, 2.0, 0.25, -3.0, 4.5, 1.0e-12};
    return v[pick(0, 9)];
  }
  // A random vector over `len` indexes, with repeated indexes now and then.
  void vec(int32_t len, std::vector<int32_t>& sub, std::vector<double>& val) {
    sub.clear(), val.clear();
    if (len == 0) return;
    const int32_t nz = pick(0, len + 1);
    for (int32_t t = 0; t < nz; ++t) sub.push_back(pick(0, len - 1)), val.push_back(value());
  }
  std::vector<int32_t> subset(int32_t count) {
    std::vector<int32_t> all(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) all[static_cast<size_t>(k)] = k;
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(static_cast<size_t>(pick(1, std::max(1, count / 2))));
    return all;
  }

  void step() {
    std::vector<int32_t> sub;
    std::vector<double> val;
    const int32_t op = pick(0, 11);
    if ((ref.m == 0 || ref.n == 0) && op < 8) {
      ASSERT_EQ(ZRV_appendcons(task, 2), ZRV_RES_OK);
      ASSERT_EQ(ZRV_appendvars(task, 2), ZRV_RES_OK);
      ref.add_rows(2), ref.add_cols(2);
      return;
    }
    switch (op) {
      case 0:
      case 1: {  // single entries, alone or as a list
        const int32_t num = op == 0 ? 1 : pick(1, 6);
        std::vector<int32_t> si, sj;
        for (int32_t q = 0; q < num; ++q) {
          si.push_back(pick(0, ref.m - 1)), sj.push_back(pick(0, ref.n - 1)), val.push_back(value());
          const double v = std::fabs(val.back()) < TOL ? 0.0 : val.back();
          ref.a[static_cast<size_t>(si.back())][static_cast<size_t>(sj.back())] = v;
        }
        ASSERT_EQ(num == 1 ? ZRV_putaij(task, si[0], sj[0], val[0]) : ZRV_putaijlist(task, num, si.data(), sj.data(), val.data()),
                  ZRV_RES_OK);
        break;
      }
      case 2: {
        const int32_t j = pick(0, ref.n - 1);
        vec(ref.m, sub, val);
        ASSERT_EQ(ZRV_putacol(task, j, static_cast<int32_t>(sub.size()), sub.data(), val.data()), ZRV_RES_OK);
        ref.put_col(j, sub, val);
        break;
      }
      case 3: {
        const int32_t i = pick(0, ref.m - 1);
        vec(ref.n, sub, val);
        ASSERT_EQ(ZRV_putarow(task, i, static_cast<int32_t>(sub.size()), sub.data(), val.data()), ZRV_RES_OK);
        ref.put_row(i, sub, val);
        break;
      }
      case 4:
      case 5: {  // lists of columns (op 4) or rows (op 5), a vector may come twice
        const bool rows = op == 5;
        const int32_t num = pick(1, 3);
        std::vector<int32_t> which, asub;
        std::vector<int64_t> pb, pe;
        std::vector<double> aval;
        for (int32_t q = 0; q < num; ++q) {
          which.push_back(pick(0, (rows ? ref.m : ref.n) - 1));
          vec(rows ? ref.n : ref.m, sub, val);
          pb.push_back(static_cast<int64_t>(asub.size()));
          asub.insert(asub.end(), sub.begin(), sub.end());
          aval.insert(aval.end(), val.begin(), val.end());
          pe.push_back(static_cast<int64_t>(asub.size()));
          rows ? ref.put_row(which.back(), sub, val) : ref.put_col(which.back(), sub, val);
        }
        if (rows) {
          ASSERT_EQ(ZRV_putarowlist64(task, num, which.data(), pb.data(), pe.data(), asub.data(), aval.data()),
                    ZRV_RES_OK);
        } else {
          std::vector<int32_t> b32(pb.begin(), pb.end()), e32(pe.begin(), pe.end());
          ASSERT_EQ(ZRV_putacollist(task, num, which.data(), b32.data(), e32.data(), asub.data(), aval.data()),
                    ZRV_RES_OK);
        }
        break;
      }
      case 6:
      case 7: {  // slices of columns (op 6) or rows (op 7)
        const bool rows = op == 7;
        const int32_t count = rows ? ref.m : ref.n;
        const int32_t first = pick(0, count), last = pick(first, count);
        std::vector<int32_t> asub, pb, pe;
        std::vector<double> aval;
        for (int32_t k = first; k < last; ++k) {
          vec(rows ? ref.n : ref.m, sub, val);
          pb.push_back(static_cast<int32_t>(asub.size()));
          asub.insert(asub.end(), sub.begin(), sub.end());
          aval.insert(aval.end(), val.begin(), val.end());
          pe.push_back(static_cast<int32_t>(asub.size()));
          rows ? ref.put_row(k, sub, val) : ref.put_col(k, sub, val);
        }
        if (rows) {
          ASSERT_EQ(ZRV_putarowslice(task, first, last, pb.data(), pe.data(), asub.data(), aval.data()), ZRV_RES_OK);
        } else {
          std::vector<int64_t> b64(pb.begin(), pb.end()), e64(pe.begin(), pe.end());
          ASSERT_EQ(ZRV_putacolslice64(task, first, last, b64.data(), e64.data(), asub.data(), aval.data()),
                    ZRV_RES_OK);
        }
        break;
      }
      case 8: {  // appends
        const int32_t k = pick(0, 4);
        if (pick(0, 1)) {
          ASSERT_EQ(ZRV_appendcons(task, k), ZRV_RES_OK);
          ref.add_rows(k);
        } else {
          ASSERT_EQ(ZRV_appendvars(task, k), ZRV_RES_OK);
          ref.add_cols(k);
        }
        break;
      }
      case 9: {  // removals
        const bool cons = pick(0, 1);
        const int32_t count = cons ? ref.m : ref.n;
        if (count == 0) break;
        const std::vector<int32_t> s = subset(count);
        std::vector<char> gone(static_cast<size_t>(count), 0);
        for (int32_t k : s) gone[static_cast<size_t>(k)] = 1;
        if (cons) {
          ASSERT_EQ(ZRV_removecons(task, static_cast<int32_t>(s.size()), s.data()), ZRV_RES_OK);
          keep(ref.a, gone);
          ref.m = static_cast<int32_t>(ref.a.size());
        } else {
          ASSERT_EQ(ZRV_removevars(task, static_cast<int32_t>(s.size()), s.data()), ZRV_RES_OK);
          for (auto& row : ref.a) keep(row, gone);
          keep(ref.c, gone);
          ref.n = static_cast<int32_t>(ref.c.size());
        }
        break;
      }
      default: {  // objective
        if (ref.n == 0) break;
        const int32_t j = pick(0, ref.n - 1);
        const double v = value();
        ASSERT_EQ(ZRV_putcj(task, j, v), ZRV_RES_OK);
        ref.c[static_cast<size_t>(j)] = v;
        break;
      }
    }
  }

  // Every read form against the reference; the form used for the whole matrix changes from step to step.
  void compare(int64_t stepno) {
    int32_t m = -1, n = -1;
    ZRV_getnumcon(task, &m), ZRV_getnumvar(task, &n);
    ASSERT_EQ(m, ref.m);
    ASSERT_EQ(n, ref.n);
    ASSERT_EQ(numanz(), ref.nnz());
    switch (stepno % 3) {
      case 0:
        for (int32_t j = 0; j < n; ++j) {
          const std::vector<double> col = dense_col(j);
          for (int32_t i = 0; i < m; ++i)
            ASSERT_EQ(col[static_cast<size_t>(i)], ref.a[static_cast<size_t>(i)][static_cast<size_t>(j)])
                << i << "," << j;
        }
        break;
      case 1:
        for (int32_t i = 0; i < m; ++i) ASSERT_EQ(dense_row(i), ref.a[static_cast<size_t>(i)]) << i;
        break;
      default: {
        // A slice of rows in compressed form, and single entries.
        const int32_t first = pick(0, m), last = pick(first, m);
        const int32_t len = static_cast<int32_t>(ref.nnz()) + 2;
        int32_t surp = len;
        std::vector<int32_t> b(static_cast<size_t>(last - first) + 1), e(b.size()), sub(static_cast<size_t>(len));
        std::vector<double> val(static_cast<size_t>(len));
        ASSERT_EQ(ZRV_getaslice(task, ZRV_ACC_CON, first, last, len, &surp, b.data(), e.data(), sub.data(), val.data()),
                  ZRV_RES_OK);
        for (int32_t i = first; i < last; ++i) {
          std::vector<double> d(static_cast<size_t>(n), 0.0);
          for (int32_t t = b[static_cast<size_t>(i - first)]; t < e[static_cast<size_t>(i - first)]; ++t)
            d[static_cast<size_t>(sub[static_cast<size_t>(t)])] += val[static_cast<size_t>(t)];
          ASSERT_EQ(d, ref.a[static_cast<size_t>(i)]) << i;
        }
        for (int32_t i = 0; i < m; ++i)
          for (int32_t j = 0; j < n; ++j) {
            double v = -1.0;
            ASSERT_EQ(ZRV_getaij(task, i, j, &v), ZRV_RES_OK);
            ASSERT_EQ(v, ref.a[static_cast<size_t>(i)][static_cast<size_t>(j)]);
          }
      }
    }
    std::vector<double> c(static_cast<size_t>(n) + 1, -1.0);
    ASSERT_EQ(ZRV_getc(task, c.data()), ZRV_RES_OK);
    c.resize(static_cast<size_t>(n));
    ASSERT_EQ(c, ref.c);
    const zrv::SpCheck chk = task->prob->A.self_test();
    ASSERT_TRUE(chk.ok()) << chk.text();
  }
};

}  // namespace

TEST_F(RandomRun, PutsAppendsAndRemovalsAgreeWithADenseModel) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    rng.seed(seed);
    // Start from an empty problem each time.
    int32_t m = 0, n = 0;
    ZRV_getnumcon(task, &m), ZRV_getnumvar(task, &n);
    std::vector<int32_t> all(static_cast<size_t>(std::max(m, n)));
    for (size_t k = 0; k < all.size(); ++k) all[k] = static_cast<int32_t>(k);
    ASSERT_EQ(ZRV_removecons(task, m, all.data()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_removevars(task, n, all.data()), ZRV_RES_OK);
    ref = Dense{};
    for (int64_t s = 0; s < 1500; ++s) {
      ASSERT_NO_FATAL_FAILURE(step()) << "step " << s;
      ASSERT_NO_FATAL_FAILURE(compare(s)) << "step " << s;
      if (ref.m > 12 || ref.n > 12) {  // keep the problem small
        const bool cons = ref.m > 12;
        std::vector<int32_t> s3 = {0, 3, 5};
        std::vector<char> gone(static_cast<size_t>(cons ? ref.m : ref.n), 0);
        for (int32_t k : s3) gone[static_cast<size_t>(k)] = 1;
        if (cons) {
          ASSERT_EQ(ZRV_removecons(task, 3, s3.data()), ZRV_RES_OK);
          keep(ref.a, gone);
          ref.m = static_cast<int32_t>(ref.a.size());
        } else {
          ASSERT_EQ(ZRV_removevars(task, 3, s3.data()), ZRV_RES_OK);
          for (auto& row : ref.a) keep(row, gone);
          keep(ref.c, gone);
          ref.n = static_cast<int32_t>(ref.c.size());
        }
      }
    }
  }
}
