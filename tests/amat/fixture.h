// A task with captured error and warning streams, and dense views of A, for the matrix and objective tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"

namespace amattest {

using Vec = std::vector<double>;

struct TaskTest : zrvtest::TaskTest {
  void shape(int32_t m, int32_t n) {
    ASSERT_EQ(ZRV_appendcons(task, m), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(task, n), ZRV_RES_OK);
  }
  // Text printed on the error (warning) stream since the last call.
  std::string errors() { return take(err, ZRV_STREAM_ERR); }
  std::string warnings() { return take(wrn, ZRV_STREAM_WRN); }

  // Row or column k as a dense vector; duplicates in the output would show as sums.
  Vec dense(bool rows, int32_t k) {
    int32_t len = 0, nz = -1;
    rows ? ZRV_getnumvar(task, &len) : ZRV_getnumcon(task, &len);
    std::vector<int32_t> sub(static_cast<size_t>(len) + 1);
    Vec val(sub.size()), d(static_cast<size_t>(len), 0.0);
    EXPECT_EQ(
        rows ? ZRV_getarow(task, k, &nz, sub.data(), val.data()) : ZRV_getacol(task, k, &nz, sub.data(), val.data()),
        ZRV_RES_OK);
    for (int32_t t = 0; t < nz; ++t) d[static_cast<size_t>(sub[t])] += val[t];
    return d;
  }
  Vec col(int32_t j) { return dense(false, j); }
  Vec row(int32_t i) { return dense(true, i); }
  int64_t numanz() {
    int64_t nz = -1;
    EXPECT_EQ(ZRV_getnumanz64(task, &nz), ZRV_RES_OK);
    return nz;
  }
  double aij(int32_t i, int32_t j) {
    double v = -1.0;
    EXPECT_EQ(ZRV_getaij(task, i, j, &v), ZRV_RES_OK);
    return v;
  }

 private:
  std::string take(zrvtest::Capture& c, int32_t stream) {
    ZRV_linkfunctotaskstream(task, stream, &c, zrvtest::Capture::func);  // relinking flushes
    std::string s;
    s.swap(c.text);
    return s;
  }
};

}  // namespace amattest
