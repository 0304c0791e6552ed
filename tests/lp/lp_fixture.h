// Shared set-up of the LP tests: a task with its error and warning streams captured, reading LP text through a
// temporary file and writing a task to LP text.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"

class LpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env_, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env_, 0, 0, &task_), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(task_, ZRV_STREAM_ERR, &err_, zrvtest::Capture::func);
    ZRV_linkfunctotaskstream(task_, ZRV_STREAM_WRN, &wrn_, zrvtest::Capture::func);
  }
  void TearDown() override {
    ZRV_deletetask(&task_);
    ZRV_deleteenv(&env_);
  }

  // Reads `text` as an LP file into the task.
  int32_t read(const std::string& text) {
    zrvtest::TempFile f(file_name("in.lp"));
    { std::ofstream(f.name, std::ios::binary) << text; }
    err_.text.clear();
    wrn_.text.clear();
    int32_t r = ZRV_readdataformat(task_, f.c_str(), ZRV_DATA_FORMAT_LP, ZRV_COMPRESS_NONE);
    flush();
    return r;
  }
  // Writes the task as LP; the file's text goes to *text.
  int32_t write(std::string* text) {
    zrvtest::TempFile f(file_name("out.lp"));
    err_.text.clear();
    wrn_.text.clear();
    int32_t r = ZRV_writedata(task_, f.c_str());
    flush();
    *text = zrvtest::read_file(f.name);
    return r;
  }
  void flush() {
    task_->streams.flush(ZRV_STREAM_ERR);
    task_->streams.flush(ZRV_STREAM_WRN);
  }
  std::string file_name(const char* tail) const {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("lp_") + info->test_suite_name() + "_" + info->name() + "_" + tail;
  }

  // Small getters for the checks.
  int32_t numcon() { int32_t n = -1; ZRV_getnumcon(task_, &n); return n; }
  int32_t numvar() { int32_t n = -1; ZRV_getnumvar(task_, &n); return n; }
  std::string var_name(int32_t j) { return std::string(task_->names->name(zrv::NameClass::Var, j)); }
  std::string con_name(int32_t i) { return std::string(task_->names->name(zrv::NameClass::Con, i)); }
  int32_t var(const std::string& name) {
    bool found = false;
    int32_t j = -1;
    task_->names->lookup(zrv::NameClass::Var, name, &found, &j);
    return found ? j : -1;
  }
  double aij(int32_t i, int32_t j) { return task_->prob->A.get_element(i, j); }
  // Checks the bound of a constraint (con) or variable; the message names the item.
  void expect_bound(bool con, int32_t i, int32_t bk, double bl, double bu) {
    ZRVboundkeye k;
    double l, u;
    if (con)
      ZRV_getconbound(task_, i, &k, &l, &u);
    else
      ZRV_getvarbound(task_, i, &k, &l, &u);
    EXPECT_EQ(k, bk) << (con ? "constraint " : "variable ") << i;
    if (bk == ZRV_BK_LO || bk == ZRV_BK_FX || bk == ZRV_BK_RA) {
      EXPECT_EQ(l, bl) << i;
    }
    if (bk == ZRV_BK_UP || bk == ZRV_BK_FX || bk == ZRV_BK_RA) {
      EXPECT_EQ(u, bu) << i;
    }
  }
  bool has(const zrvtest::Capture& c, const char* text) { return c.text.find(text) != std::string::npos; }

  ZRVenv_t env_ = nullptr;
  ZRVtask_t task_ = nullptr;
  zrvtest::Capture err_, wrn_;
};
