// A task that reads MPS text from a temporary file and keeps what its error and warning streams print.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"

namespace mpstest {

class MpsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env_, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env_, 0, 0, &t_), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(t_, ZRV_STREAM_ERR, &err_, zrvtest::Capture::func);
    ZRV_linkfunctotaskstream(t_, ZRV_STREAM_WRN, &wrn_, zrvtest::Capture::func);
  }
  void TearDown() override {
    ZRV_deletetask(&t_);
    ZRV_deleteenv(&env_);
  }
  // Per test, so that test cases running in parallel processes do not share files.
  std::string path(const char* base) const {
    return std::string(ZIRVA_BINARY_DIR) + "/mpstest_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
           "_" + base;
  }
  // Reads `text` as fixed/relaxed MPS (or free MPS) and returns the response code.
  int32_t read(const std::string& text, bool free_format = false) {
    zrvtest::TempFile f(path(free_format ? "in.fmps" : "in.mps"));
    std::ofstream(f.name, std::ios::binary) << text;
    err_.text.clear();
    int32_t r = ZRV_readdataformat(t_, f.c_str(), free_format ? ZRV_DATA_FORMAT_FREE_MPS : ZRV_DATA_FORMAT_MPS,
                                   ZRV_COMPRESS_NONE);
    t_->streams.flush(ZRV_STREAM_ERR);
    t_->streams.flush(ZRV_STREAM_WRN);
    return r;
  }
  std::string write() {
    zrvtest::TempFile f(path("out.mps"));
    EXPECT_EQ(ZRV_writedata(t_, f.c_str()), ZRV_RES_OK);
    return zrvtest::read_file(f.name);
  }
  zrv::Problem& p() { return *t_->prob; }
  int32_t con(const char* name) {
    bool found = false;
    int32_t i = -1;
    t_->names->lookup(zrv::NameClass::Con, name, &found, &i);
    return found ? i : -1;
  }
  int32_t var(const char* name) {
    bool found = false;
    int32_t j = -1;
    t_->names->lookup(zrv::NameClass::Var, name, &found, &j);
    return found ? j : -1;
  }
  void con_bound(const char* name, int32_t* bk, double* bl, double* bu) {
    ZRVboundkeye k;
    ASSERT_GE(con(name), 0) << name;
    ZRV_getconbound(t_, con(name), &k, bl, bu);
    *bk = k;
  }
  void var_bound(const char* name, int32_t* bk, double* bl, double* bu) {
    ZRVboundkeye k;
    ASSERT_GE(var(name), 0) << name;
    ZRV_getvarbound(t_, var(name), &k, bl, bu);
    *bk = k;
  }

  ZRVenv_t env_ = nullptr;
  ZRVtask_t t_ = nullptr;
  zrvtest::Capture err_, wrn_;
};

}  // namespace mpstest
