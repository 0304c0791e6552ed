// A task with captured streams and access to the solution store's internals for the solution tests.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/solstore.h"

namespace soltest {

struct SolFixture : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  zrvtest::Capture err, wrn, msg;
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &err, zrvtest::Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_WRN, &wrn, zrvtest::Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_MSG, &msg, zrvtest::Capture::func);
  }
  void TearDown() override {
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  }
  void flush() {
    task->streams.flush(ZRV_STREAM_ERR);
    task->streams.flush(ZRV_STREAM_WRN);
    task->streams.flush(ZRV_STREAM_MSG);
  }
  // Text of the last error or warning report.
  std::string last_message() {
    char buf[1025] = {0};
    int32_t code = 0, len = 0;
    ZRV_getlasterror(task, &code, sizeof buf, &len, buf);
    return buf;
  }
  void shape(int32_t m, int32_t n) {
    ASSERT_EQ(ZRV_appendcons(task, m), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(task, n), ZRV_RES_OK);
  }
  void define(int32_t w) { ASSERT_EQ(zrv::sol_define(task, w), ZRV_RES_OK); }
  void status(int32_t w, int32_t prosta, int32_t solsta) { zrv::sol_set_status(task, w, prosta, solsta); }
  int32_t prosta(int32_t w) {
    int32_t v = -1;
    EXPECT_EQ(ZRV_getprosta(task, w, &v), ZRV_RES_OK);
    return v;
  }
  int32_t solsta(int32_t w) {
    int32_t v = -1;
    EXPECT_EQ(ZRV_getsolsta(task, w, &v), ZRV_RES_OK);
    return v;
  }
};

}  // namespace soltest
