// Long random sequences of operations on the matrix and on a plain reference model, compared after every
// step. The second run draws memory from a resource that fails at random: a failed operation must leave the
// matrix exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "helpers.h"

using namespace zrv;
using sptest::FailingResource;
using sptest::RefMat;

namespace {

class Runner {
 public:
  Runner(std::pmr::memory_resource* mr, uint64_t seed) : m_(mr), rng_(seed) {}

  void start() {
    ASSERT_EQ(m_.init(pick(0, 3), pick(0, 3), pick(0, 6), coin() ? SpDim::Rows : SpDim::Cols), SpStatus::Ok);
  }

  // One random operation; returns its status. The reference follows only a successful operation.
  SpStatus step() {
    const int op = pick(0, 99);
    if (op < 35) return put_element();
    if (op < 50) return put_vector();
    if (op < 60) return append();
    if (op < 66) return remove();
    if (op < 78) return read_vector();
    if (op < 84) return read_slice();
    if (op < 88) return set_capacity();
    if (op < 91) return m_.set_pool_size(pick(0, 40));
    if (op < 94) return m_.commit();
    if (op < 97) return m_.orient(coin() ? SpDim::Rows : SpDim::Cols);
    return locked_scan();
  }

  // Entry by entry, the whole matrix; then the stored vectors of the current orientation, as a reader that
  // holds the lock would see them.
  void compare() {
    ASSERT_EQ(m_.num_rows(), ref_.rows);
    ASSERT_EQ(m_.num_cols(), ref_.cols);
    const SpCheck c = m_.self_test();
    ASSERT_TRUE(c.ok()) << c.text();
    for (int32_t i = 0; i < ref_.rows; ++i) {
      for (int32_t j = 0; j < ref_.cols; ++j) ASSERT_EQ(m_.get_element(i, j), ref_.get(i, j)) << i << "," << j;
    }
  }

  SprMat& mat() { return m_; }
  int64_t transpositions() const { return m_.transpositions(); }

 private:
  int32_t pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng_); }
  bool coin() { return pick(0, 1) == 1; }
  SpDim dim() { return coin() ? SpDim::Rows : SpDim::Cols; }
  // Small integers (exact sums), zeros, and now and then a value below the drop tolerance.
  double value() {
    const int r = pick(0, 9);
    if (r == 0) return 0.0;
    if (r == 1) return 1e-13;
    return pick(-4, 4) + 0.5;
  }

  SpStatus put_element() {
    if (ref_.rows == 0 || ref_.cols == 0) return SpStatus::Ok;
    const int32_t i = pick(0, ref_.rows - 1), j = pick(0, ref_.cols - 1);
    const double v = value();
    const SpStatus s = m_.put_element(i, j, v);
    if (s == SpStatus::Ok) ref_.put(i, j, v);
    return s;
  }

  SpStatus put_vector() {
    const SpDim d = dim();
    const bool rows = d == SpDim::Rows;
    const int32_t n = rows ? ref_.rows : ref_.cols, other = rows ? ref_.cols : ref_.rows;
    if (n == 0) return SpStatus::Ok;
    const int32_t k = pick(0, n - 1);
    std::vector<int32_t> sub;
    std::vector<double> val;
    const int32_t nz = other == 0 ? 0 : pick(0, 2 * other);
    for (int32_t t = 0; t < nz; ++t) {
      sub.push_back(pick(0, other - 1));  // repeats are common
      val.push_back(value());
    }
    const double tol = coin() ? 0.0 : 1e-12;
    const SpStatus s = m_.put_vector(d, k, nz, sub.data(), val.data(), tol);
    if (s == SpStatus::Ok) ref_.put_vec(rows, k, sub, val, tol);
    return s;
  }

  // Grows the capacity the way a task does (max(2 x capacity, needed)) and appends.
  SpStatus append() {
    const SpDim d = dim();
    const int32_t count = m_.count(d), cap = m_.capacity(d);
    const int32_t num = count > 24 ? 0 : pick(0, 3);  // small shapes keep the full comparison cheap
    if (count + num > cap) {
      const SpStatus s = m_.set_capacity(d, std::max(2 * cap, count + num));
      if (s != SpStatus::Ok) return s;
    }
    const SpStatus s = m_.append(d, num);
    if (s == SpStatus::Ok) (d == SpDim::Rows ? ref_.rows : ref_.cols) += num;
    return s;
  }

  SpStatus remove() {
    const SpDim d = dim();
    const int32_t n = m_.count(d);
    if (n == 0) return SpStatus::Ok;
    std::vector<int32_t> all(n);
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), rng_);
    all.resize(pick(1, std::min(n, 3)));
    const SpStatus s = m_.remove(d, static_cast<int32_t>(all.size()), all.data());
    if (s == SpStatus::Ok) ref_.remove(d == SpDim::Rows, all);
    return s;
  }

  SpStatus read_vector() {
    const SpDim d = dim();
    const int32_t n = m_.count(d);
    if (n == 0) return SpStatus::Ok;
    const int32_t k = pick(0, n - 1);
    std::vector<int32_t> sub(m_.count(sp_other(d)) + 1);
    std::vector<double> val(sub.size());
    int64_t nz = -1;
    const SpStatus s = m_.get_vector(d, k, &nz, sub.data(), val.data());
    if (s != SpStatus::Ok) return s;
    if (m_.orientation() != d) ADD_FAILURE() << "read did not bring the matrix to the read orientation";
    std::vector<std::pair<int32_t, double>> got;
    for (int64_t t = 0; t < nz; ++t) got.push_back({sub[t], val[t]});
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, ref_.vec(d == SpDim::Rows, k));
    return s;
  }

  SpStatus read_slice() {
    const SpDim d = dim();
    const int32_t n = m_.count(d);
    const int32_t first = pick(0, n), last = pick(first, n);
    int64_t want = 0;
    for (int32_t k = first; k < last; ++k) want += static_cast<int64_t>(ref_.vec(d == SpDim::Rows, k).size());
    int64_t nz = -1;
    SpStatus s = m_.slice_nnz(d, first, last, &nz);
    if (s != SpStatus::Ok) return s;
    EXPECT_EQ(nz, want);
    const int64_t lead = pick(0, 3), maxnumnz = lead + want + pick(0, 2);
    std::vector<int32_t> ti(maxnumnz, -7), tj(maxnumnz, -7);
    std::vector<double> tv(maxnumnz);
    int64_t surp = maxnumnz - lead;
    s = m_.get_slice_triplets(d, first, last, maxnumnz, &surp, ti.data(), tj.data(), tv.data());
    if (s != SpStatus::Ok) return s;
    EXPECT_EQ(surp, maxnumnz - lead - want);
    for (int64_t t = 0; t < lead; ++t) EXPECT_EQ(ti[t], -7);
    for (int64_t t = lead; t < lead + want; ++t) EXPECT_EQ(tv[t], ref_.get(ti[t], tj[t]));
    return s;
  }

  SpStatus set_capacity() {
    const SpDim d = dim();
    return m_.set_capacity(d, m_.count(d) + pick(0, 4));
  }

  SpStatus locked_scan() {
    const SpDim d = dim();
    const SpStatus s = m_.lock(d);
    if (s != SpStatus::Ok) return s;
    if (m_.put_element(0, 0, 1.0) != SpStatus::Locked) ADD_FAILURE() << "put while locked";
    const bool rows = d == SpDim::Rows;
    int64_t total = 0;
    for (int32_t k = 0; k < m_.count(d); ++k) {
      const SpVecView v = m_.vector(k);
      total += v.nz;
      for (int64_t t = 0; t < v.nz; ++t) {
        EXPECT_EQ(v.val[t], rows ? ref_.get(k, v.sub[t]) : ref_.get(v.sub[t], k));
      }
    }
    EXPECT_EQ(total, static_cast<int64_t>(ref_.a.size()));
    m_.unlock();
    return s;
  }

  SprMat m_;
  std::mt19937_64 rng_;
  RefMat ref_;
};

}  // namespace

TEST(SprMatDifferential, RandomSequencesMatchReference) {
  for (uint64_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    Runner r(std::pmr::new_delete_resource(), seed);
    r.start();
    for (int step = 0; step < 4000; ++step) {
      SCOPED_TRACE(step);
      ASSERT_EQ(r.step(), SpStatus::Ok);
      r.compare();
      if (HasFatalFailure()) return;
    }
    EXPECT_GT(r.transpositions(), 100);
  }
}

TEST(SprMatDifferential, FailedAllocationsChangeNothing) {
  for (uint64_t seed = 11; seed <= 14; ++seed) {
    SCOPED_TRACE(seed);
    FailingResource res;
    res.rng.seed(seed);
    int64_t failures = 0;
    {
      Runner r(&res, seed);
      r.start();
      res.fail_rate = 0.08;
      for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(step);
        const SpStatus s = r.step();
        ASSERT_TRUE(s == SpStatus::Ok || s == SpStatus::Space) << static_cast<int>(s);
        failures += s == SpStatus::Space;
        res.fail_rate = 0.0;  // the comparison itself must not fail
        r.compare();
        res.fail_rate = 0.08;
        if (HasFatalFailure()) return;
      }
    }
    EXPECT_GT(failures, 50);
    EXPECT_EQ(res.live_bytes, 0);
  }
}
