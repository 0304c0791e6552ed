// A task with captured error and warning streams, for the tests of the matrix and objective operations.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"

namespace amattest {

struct TaskTest : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  zrvtest::Capture err, wrn;

  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &err, zrvtest::Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_WRN, &wrn, zrvtest::Capture::func);
  }
  void TearDown() override {
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  }
  void shape(int32_t m, int32_t n) {
    ASSERT_EQ(ZRV_appendcons(task, m), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(task, n), ZRV_RES_OK);
  }
  // Text printed on the error (warning) stream since the last call, then forgotten.
  std::string errors() { return take(err, ZRV_STREAM_ERR); }
  std::string warnings() { return take(wrn, ZRV_STREAM_WRN); }

  // Column j as a dense vector over the rows.
  std::vector<double> dense_col(int32_t j) {
    int32_t m = 0, nz = -1;
    ZRV_getnumcon(task, &m);
    std::vector<int32_t> sub(static_cast<size_t>(m) + 1);
    std::vector<double> val(static_cast<size_t>(m) + 1), d(static_cast<size_t>(m), 0.0);
    EXPECT_EQ(ZRV_getacol(task, j, &nz, sub.data(), val.data()), ZRV_RES_OK);
    for (int32_t t = 0; t < nz; ++t) d[static_cast<size_t>(sub[t])] += val[t];
    return d;
  }
  std::vector<double> dense_row(int32_t i) {
    int32_t n = 0, nz = -1;
    ZRV_getnumvar(task, &n);
    std::vector<int32_t> sub(static_cast<size_t>(n) + 1);
    std::vector<double> val(static_cast<size_t>(n) + 1), d(static_cast<size_t>(n), 0.0);
    EXPECT_EQ(ZRV_getarow(task, i, &nz, sub.data(), val.data()), ZRV_RES_OK);
    for (int32_t t = 0; t < nz; ++t) d[static_cast<size_t>(sub[t])] += val[t];
    return d;
  }
  int64_t numanz() {
    int64_t nz = -1;
    EXPECT_EQ(ZRV_getnumanz64(task, &nz), ZRV_RES_OK);
    return nz;
  }

 private:
  std::string take(zrvtest::Capture& c, int32_t stream) {
    ZRV_linkfunctotaskstream(task, stream, &c, zrvtest::Capture::func);  // relinking flushes
    std::string s;
    s.swap(c.text);
    c.chunks.clear();
    return s;
  }
};

}  // namespace amattest
