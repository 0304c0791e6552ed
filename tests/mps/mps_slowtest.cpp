// Every MPS and QPS file of the data sets reads, and writing it with 17 significant digits and reading it back
// gives the same problem.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/capture.h"
#include "mps/snapshot.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> files_of(const char* folder) {
  std::vector<std::string> out;
  fs::path dir = fs::path(ZIRVA_DATA_DIR) / folder;
  if (!fs::exists(dir)) return out;
  for (auto& e : fs::directory_iterator(dir)) {
    std::string n = e.path().filename().string();
    if (n.ends_with(".mps.gz") || n.ends_with(".qps.gz")) out.push_back(e.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct Env {
  ZRVenv_t env = nullptr;
  Env() { ZRV_makeenv(&env, nullptr); }
  ~Env() { ZRV_deleteenv(&env); }
};

struct Task {
  ZRVtask_t t = nullptr;
  explicit Task(ZRVenv_t env) { ZRV_maketask(env, 0, 0, &t); }
  ~Task() { ZRV_deletetask(&t); }
};

void expect_same(const mpstest::Snapshot& a, const mpstest::Snapshot& b, bool generic, const std::string& file) {
  SCOPED_TRACE(file);
  ASSERT_EQ(a.numcon, b.numcon);
  ASSERT_EQ(a.numvar, b.numvar);
  EXPECT_EQ(a.sense, b.sense);
  EXPECT_EQ(a.cfix, b.cfix);
  EXPECT_EQ(a.bkc, b.bkc);
  EXPECT_EQ(a.blc, b.blc);
  EXPECT_EQ(a.buc, b.buc);
  // An integer variable fixed at a value other than 0 or 1 is written as "LI" and "UI", which read back as a
  // ranged variable with equal bounds: the key is the format's limit, the values are not.
  for (int32_t j = 0; j < a.numvar; ++j) {
    int32_t ka = a.bkx[j], kb = b.bkx[j];
    if (a.vartype[j] == ZRV_VAR_TYPE_INT && ka == ZRV_BK_FX && kb == ZRV_BK_RA) kb = ZRV_BK_FX;
    if (ka != kb) {
      ADD_FAILURE() << "variable " << j << " key " << ka << " != " << kb;
      break;
    }
  }
  EXPECT_EQ(a.blx, b.blx);
  EXPECT_EQ(a.bux, b.bux);
  EXPECT_EQ(a.c, b.c);
  EXPECT_EQ(a.vartype, b.vartype);
  EXPECT_TRUE(a.a == b.a) << "the matrices differ";
  EXPECT_TRUE(a.q == b.q) << "the quadratic terms differ";
  EXPECT_TRUE(a.cones == b.cones) << "the cones differ";
  if (generic) {
    for (int32_t i = 0; i < b.numcon; ++i) EXPECT_EQ(b.conname[i], "C" + std::to_string(i + 1));
    for (int32_t j = 0; j < b.numvar; ++j) EXPECT_EQ(b.varname[j], "X" + std::to_string(j + 1));
  } else {
    EXPECT_EQ(a.conname, b.conname);
    EXPECT_EQ(a.varname, b.varname);
    EXPECT_EQ(a.objname, b.objname);
    EXPECT_EQ(a.taskname, b.taskname);
  }
}

class AllFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(AllFiles, ReadAndRoundTrip) {
  std::vector<std::string> files = files_of(GetParam());
  if (files.empty()) GTEST_SKIP() << "no data in " << GetParam();
  Env env;
  zrvtest::TempFile out(std::string(ZIRVA_BINARY_DIR) + "/roundtrip_" + GetParam() + ".mps");
  for (const std::string& file : files) {
    Task t(env.env);
    ASSERT_EQ(ZRV_readdata(t.t, file.c_str()), ZRV_RES_OK) << file;
    mpstest::Snapshot before = mpstest::snapshot(t.t);
    bool generic = t.t->names->analyze(zrv::NameRule::Mps).code != ZRV_RES_OK;
    ZRV_putintparam(t.t, ZRV_IPAR_WRITE_PRECISION, 16);
    ASSERT_EQ(ZRV_writedata(t.t, out.c_str()), ZRV_RES_OK) << file;
    Task back(env.env);
    ASSERT_EQ(ZRV_readdata(back.t, out.c_str()), ZRV_RES_OK) << file;
    expect_same(before, mpstest::snapshot(back.t), generic, file);
  }
}

INSTANTIATE_TEST_SUITE_P(Data, AllFiles, ::testing::Values("netlib", "netlib-infeas", "maros-meszaros", "miplib"));

}  // namespace
