// A task with a few variables and constraints, and its last error text.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "zirva.h"

namespace quadtest {

template <int NUMVAR, int NUMCON>
struct TaskTest : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(task, NUMVAR), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendcons(task, NUMCON), ZRV_RES_OK);
  }
  void TearDown() override {
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  }
  bool last_error_has(const std::string& text) {
    char buf[1025] = {0};
    int32_t code = 0, len = 0;
    ZRV_getlasterror(task, &code, sizeof buf, &len, buf);
    if (std::string(buf).find(text) != std::string::npos) return true;
    ADD_FAILURE() << "last error: " << buf << "\nexpected: " << text;
    return false;
  }
};

}  // namespace quadtest
