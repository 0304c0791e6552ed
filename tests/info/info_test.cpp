// Information items and statistics files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/info.h"

namespace {

struct Info : zrvtest::TaskTest {
};

std::string gunzip_file(const std::string& name) {
  gzFile f = gzopen(name.c_str(), "rb");
  if (!f) return "";
  std::string out;
  char buf[4096];
  int n;
  while ((n = gzread(f, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  gzclose(f);
  return out;
}

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

}  // namespace

TEST_F(Info, AccessByIdentifierAndName) {
  zrv::inf_setdou(task, ZRV_DINF_SOL_ITR_PVIOLVAR, 2.5);
  zrv::inf_setint(task, ZRV_IINF_SIM_PRIMAL_ITER, 77);
  zrv::inf_setlint(task, ZRV_LIINF_RD_NUMQNZ, 1LL << 40);
  double d = 0;
  EXPECT_EQ(ZRV_getdouinf(task, 64, &d), ZRV_RES_OK);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(ZRV_getdouinf(task, 65, &d), ZRV_RES_ERR_INF_DOU_INDEX);
  task->streams.flush(ZRV_STREAM_ERR);
  EXPECT_NE(err.text.find("The double information index 65 is out of range."), std::string::npos);
  int32_t i = 0;
  EXPECT_EQ(ZRV_getnaintinf(task, "ZRV_IINF_SIM_PRIMAL_ITER", &i), ZRV_RES_OK);
  EXPECT_EQ(i, 77);
  err.text.clear();
  EXPECT_EQ(ZRV_getnaintinf(task, "IINF_SIM_PRIMAL_ITER", &i), ZRV_RES_ERR_INF_INT_NAME);
  task->streams.flush(ZRV_STREAM_ERR);
  EXPECT_EQ(zrvtest::count_occurrences(err.text, "ZIRVA error 1231"), 1u);
  EXPECT_EQ(ZRV_getnadouinf(task, "ZRV_IINF_SIM_PRIMAL_ITER", &d), ZRV_RES_ERR_INF_DOU_NAME);
  int64_t l = 0;
  EXPECT_EQ(ZRV_getlintinf(task, ZRV_LIINF_RD_NUMQNZ, &l), ZRV_RES_OK);
  EXPECT_EQ(l, 1LL << 40);
  EXPECT_EQ(ZRV_getlintinf(task, 14, &l), ZRV_RES_ERR_INF_LINT_INDEX);
  // Names and identifiers agree for every item of every kind.
  for (int32_t kind : {ZRV_INF_DOU_TYPE, ZRV_INF_INT_TYPE, ZRV_INF_LINT_TYPE}) {
    int32_t n = 0;
    ASSERT_EQ(ZRV_getinfmax(task, kind, &n), ZRV_RES_OK);
    EXPECT_EQ(n, kind == ZRV_INF_DOU_TYPE ? 65 : kind == ZRV_INF_INT_TYPE ? 97 : 14);
    for (int32_t id = 0; id < n; ++id) {
      char name[ZRV_MAX_STR_LEN];
      ASSERT_EQ(ZRV_getinfname(task, kind, id, name), ZRV_RES_OK);
      int32_t back = -1;
      ASSERT_EQ(ZRV_getinfindex(task, kind, name, &back), ZRV_RES_OK) << name;
      EXPECT_EQ(back, id);
      char value[32];
      ASSERT_EQ(ZRV_symnamtovalue(name, value), 1);
      EXPECT_EQ(std::atoi(value), id);
    }
    char name[ZRV_MAX_STR_LEN];
    EXPECT_NE(ZRV_getinfname(task, kind, n, name), ZRV_RES_OK);
  }
  int32_t n = -1;
  EXPECT_EQ(ZRV_getinfmax(task, 3, &n), ZRV_RES_ERR_INF_TYPE);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(ZRV_getinfindex(task, ZRV_INF_LINT_TYPE, "ZRV_LIINF_NONE", &n), ZRV_RES_ERR_INF_LINT_NAME);
}

TEST_F(Info, StatisticsFileRecordsPlainAndGzip) {
  for (int compress : {ZRV_OFF, ZRV_ON}) {
    zrvtest::TempFile f(compress ? "stat_test.stat.gz" : "stat_test.stat");
    ZRV_putstrparam(task, ZRV_SPAR_STAT_FILE_NAME, f.c_str());
    ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, "run1");
    ZRV_putstrparam(task, ZRV_SPAR_STAT_KEY, "keyA");
    ZRV_putintparam(task, ZRV_IPAR_COMPRESS_STATFILE, compress);
    zrv::inf_setdou(task, ZRV_DINF_OPTIMIZER_TIME, 1.25);
    zrv::inf_setintpriv(task, 0, -3);
    zrv::inf_setlintpriv(task, 6, 123456789012LL);
    ASSERT_EQ(ZRV_startstat(task), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendstat(task), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendstat(task), ZRV_RES_OK);
    ASSERT_EQ(ZRV_stopstat(task), ZRV_RES_OK);
    std::string text = compress ? gunzip_file(f.name) : zrvtest::read_file(f.name);
    auto lines = lines_of(text);
    ASSERT_EQ(lines.size(), 2u * 364u);
    EXPECT_EQ(lines[0].rfind("run1,keyA,ZRV_DINF_BI_CLEAN_DUAL_TIME,0.0000000000000000e+00", 0), 0u) << lines[0];
    EXPECT_EQ(lines[364], lines[0]);
    EXPECT_NE(text.find("run1,keyA,ZRV_DINF_OPTIMIZER_TIME,1.2500000000000000e+00  \n"), std::string::npos);
    EXPECT_EQ(lines[65], "run1,keyA,ZRV_DINF_PRIVATE_BI_CRASH_LU_TIME,0.0000000000000000e+00  ");
    EXPECT_EQ(lines[65 + 74], "run1,keyA,ZRV_IINF_ANA_PRO_NUM_CON,0");
    EXPECT_EQ(lines[65 + 74 + 97], "run1,keyA,ZRV_IINF_PRIVATE_BI_DUAL_INFO,-3");
    EXPECT_EQ(lines[363], "run1,keyA,ZRV_LIINF_PRIVATE_PRESOLVE_STACK_SIZE,123456789012");
  }
}

TEST_F(Info, XmlStatisticsFile) {
  zrvtest::TempFile f("stat_test.xml.stat");
  ZRV_putstrparam(task, ZRV_SPAR_STAT_FILE_NAME, f.c_str());
  ASSERT_EQ(ZRV_startstat(task), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendstat(task), ZRV_RES_OK);
  ASSERT_EQ(ZRV_stopstat(task), ZRV_RES_OK);
  auto lines = lines_of(zrvtest::read_file(f.name));
  ASSERT_EQ(lines.size(), 2u + 364u + 1u);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\" ?>");
  EXPECT_EQ(lines[1], "<zirva-statistics>");
  EXPECT_EQ(lines[2], ",,ZRV_DINF_BI_CLEAN_DUAL_TIME,0.0000000000000000e+00  ");
  EXPECT_EQ(lines.back(), "</zirva-statistics>");
}

TEST_F(Info, StatisticsFileFailures) {
  ZRV_putstrparam(task, ZRV_SPAR_STAT_FILE_NAME, "/nonexistent-dir/x.stat");
  EXPECT_EQ(ZRV_startstat(task), ZRV_RES_OK);  // creation failures are ignored
  EXPECT_EQ(ZRV_appendstat(task), ZRV_RES_ERR_FILE_OPEN);
  EXPECT_EQ(ZRV_stopstat(task), ZRV_RES_OK);
  EXPECT_EQ(ZRV_appendstat(nullptr), ZRV_RES_ERR_NULL_TASK);
}
