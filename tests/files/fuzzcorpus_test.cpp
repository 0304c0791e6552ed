// The seed corpora and past findings of the solution-file and parameter-file fuzz targets (fuzz/corpus/sol and
// fuzz/corpus/par) replayed through the targets' own checks: no internal error, no leak, duals consistent after
// a solution read, and every parameter value surviving a write and a read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../../fuzz/par_check.h"
#include "../../fuzz/sol_check.h"
#include "common/capture.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> corpus(const char* target) {
  std::vector<fs::path> out;
  fs::path dir = fs::path(ZIRVA_SOURCE_DIR) / "fuzz" / "corpus" / target;
  if (fs::is_directory(dir))
    for (const auto& e : fs::directory_iterator(dir))
      if (e.is_regular_file()) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

struct Corpus : ::testing::Test {
  ZRVenv_t env = nullptr;
  void SetUp() override { ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK); }
  void TearDown() override { ZRV_deleteenv(&env); }
};

TEST_F(Corpus, SolutionReaderReplays) {
  const std::vector<fs::path> files = corpus("sol");
  ASSERT_GE(files.size(), 5u);
  zrvtest::TempFile file("replay.sol");
  int ok = 0, failed = 0;
  for (const fs::path& p : files) {
    std::string bytes = zrvtest::read_file(p.string());
    int32_t r = -1;
    std::string problem =
        solfuzz::run(env, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file.name, &r);
    EXPECT_EQ(problem, "") << p;
    (r == ZRV_RES_OK ? ok : failed) += 1;
  }
  // The written solutions read; the corpus also holds inputs that the reader refuses.
  EXPECT_GE(ok, 3);
  EXPECT_GE(failed, 1);
}

TEST_F(Corpus, ParameterReaderReplays) {
  const std::vector<fs::path> files = corpus("par");
  ASSERT_GE(files.size(), 5u);
  zrvtest::TempFile in("replay.par"), out("replay_written.par");
  int ok = 0, failed = 0;
  for (const fs::path& p : files) {
    std::string bytes = zrvtest::read_file(p.string());
    int32_t r = -1;
    std::string problem =
        parfuzz::run(env, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), in.name, out.name, &r);
    EXPECT_EQ(problem, "") << p;
    (r == ZRV_RES_OK ? ok : failed) += 1;
  }
  EXPECT_GE(ok, 3);
  EXPECT_GE(failed, 1);
}

}  // namespace
