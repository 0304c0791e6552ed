// A task with its error and warning streams captured, for the cone and matrix-variable tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"

namespace conetest {

struct TaskTest : zrvtest::TaskTest {
  // Names are set through the task's name table directly.
  void put_name(zrv::NameClass c, int32_t i, const char* name) { ASSERT_EQ(task->names->put(c, i, name), ZRV_RES_OK); }
  std::string get_name(zrv::NameClass c, int32_t i) { return std::string(task->names->name(c, i)); }
  std::string last_error() {
    char buf[1025] = {0};
    int32_t code = 0, len = 0;
    ZRV_getlasterror(task, &code, sizeof buf, &len, buf);
    return buf;
  }
  std::vector<int32_t> members(ZRVtask_t t, int32_t k) {
    int32_t n = -1;
    EXPECT_EQ(ZRV_getnumconemem(t, k, &n), ZRV_RES_OK);
    std::vector<int32_t> m(static_cast<size_t>(n < 0 ? 0 : n));
    EXPECT_EQ(ZRV_getcone(t, k, nullptr, nullptr, nullptr, m.data()), ZRV_RES_OK);
    return m;
  }
  int32_t numcone(ZRVtask_t t) {
    int32_t n = -1;
    ZRV_getnumcone(t, &n);
    return n;
  }
  int32_t maxnumcone() {
    int32_t n = -1;
    ZRV_getmaxnumcone(task, &n);
    return n;
  }
};

}  // namespace conetest
