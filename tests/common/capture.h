// Test helpers: capture what a stream delivers, and temporary files.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zirva.h"

namespace zrvtest {

// Collects every chunk a linked stream function receives.
struct Capture {
  std::string text;
  std::vector<std::string> chunks;
  static void ZRVAPI func(ZRVuserhandle_t h, const char* s) {
    auto* c = static_cast<Capture*>(h);
    c->text += s;
    c->chunks.emplace_back(s);
  }
};

// A fixture with an environment and an empty task whose error and warning streams are captured.
struct TaskTest : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  Capture err, wrn;
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &err, Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_WRN, &wrn, Capture::func);
  }
  void TearDown() override {
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  }
};

inline std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream o;
  o << in.rdbuf();
  return o.str();
}

// A file name in the test's working folder, removed when the object dies. The running test's suite and name are
// put in front, so test cases run as parallel processes never share a file.
struct TempFile {
  std::string name;
  explicit TempFile(const std::string& base) : name(unique(base)) { std::remove(name.c_str()); }
  static std::string unique(const std::string& base) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!info) return base;
    size_t slash = base.find_last_of('/');
    size_t at = slash == std::string::npos ? 0 : slash + 1;
    std::string prefix = std::string(info->test_suite_name()) + "." + info->name() + ".";
    for (char& c : prefix)
      if (c == '/') c = '_';  // parameterized tests have slashes in their names
    return base.substr(0, at) + prefix + base.substr(at);
  }
  ~TempFile() { std::remove(name.c_str()); }
  const char* c_str() const { return name.c_str(); }
};

inline size_t count_occurrences(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + what.size())) ++n;
  return n;
}

}  // namespace zrvtest
