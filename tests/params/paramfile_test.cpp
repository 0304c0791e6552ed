// Parameter files: reading with sections, comments and errors; writing and reading back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"

namespace {

struct ParamFile : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  zrvtest::Capture err, wrn, msg;
  zrvtest::TempFile file{"paramfile_test.par"};
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &err, zrvtest::Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_WRN, &wrn, zrvtest::Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_MSG, &msg, zrvtest::Capture::func);
    ZRV_putstrparam(task, ZRV_SPAR_PARAM_READ_FILE_NAME, file.c_str());
  }
  void TearDown() override {
    ZRV_deletetask(&task);
    ZRV_deleteenv(&env);
  }
  void write(const std::string& text) {
    std::ofstream o(file.name, std::ios::binary);
    o << text;
  }
  int32_t ipar(int32_t id) {
    int32_t v = 0;
    ZRV_getintparam(task, id, &v);
    return v;
  }
  std::string spar(int32_t id) {
    char buf[256];
    ZRV_getstrparam(task, id, sizeof buf, nullptr, buf);
    return buf;
  }
};

}  // namespace

TEST_F(ParamFile, LinesCommentsAndSection) {
  write("% a comment line\n"
        "ZRV_IPAR_LOG 5 % trailing comment\n"
        "  ZRV_SPAR_STAT_NAME two words   % comment\n"
        "\n"
        "ZRV_IPAR_OPTIMIZER ZRV_OPTIMIZER_DUAL_SIMPLEX\n"
        "ZRV_DPAR_INTPNT_TOL_PFEAS 1.0e-9\n");
  ASSERT_EQ(ZRV_readparamfile(task), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 5);
  EXPECT_EQ(spar(ZRV_SPAR_STAT_NAME), "two words");
  EXPECT_EQ(ipar(ZRV_IPAR_OPTIMIZER), ZRV_OPTIMIZER_DUAL_SIMPLEX);
  double d = 0;
  ZRV_getdouparam(task, ZRV_DPAR_INTPNT_TOL_PFEAS, &d);
  EXPECT_EQ(d, 1.0e-9);
  task->streams.flush(ZRV_STREAM_MSG);
  EXPECT_NE(msg.text.find("Reading par file - " + file.name + "\n"), std::string::npos);
  EXPECT_NE(msg.text.find("done reading. Time: "), std::string::npos);

  // With a section only the lines inside it count.
  write("ZRV_IPAR_LOG 1\nBEGIN ZIRVA\nZRV_IPAR_LOG 2\nEND ZIRVA\nZRV_IPAR_LOG 3\n");
  ASSERT_EQ(ZRV_readparamfile(task), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 2);
  // Names as written unless the case rule says otherwise.
  write("zrv_ipar_log 7\n");
  EXPECT_EQ(ZRV_readparamfile(task), ZRV_RES_ERR_PARAM_NAME);
  ZRV_putintparam(task, ZRV_IPAR_PARAM_READ_CASE_NAME, ZRV_OFF);
  EXPECT_EQ(ZRV_readparamfile(task), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 7);
}

TEST_F(ParamFile, ErrorsStopReadingUnlessIgnored) {
  write("ZRV_IPAR_LOG 4\nZRV_IPAR_LGO 5\nZRV_IPAR_MAX_NUM_WARNINGS 3\n");
  EXPECT_EQ(ZRV_readparamfile(task), ZRV_RES_ERR_PARAM_NAME);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 4);                   // earlier lines stay applied
  EXPECT_EQ(ipar(ZRV_IPAR_MAX_NUM_WARNINGS), 10);     // reading stopped
  task->streams.flush(ZRV_STREAM_MSG);
  EXPECT_NE(msg.text.find("The error occurred  in line:\nZRV_IPAR_LGO 5\n"), std::string::npos);
  ZRV_putintparam(task, ZRV_IPAR_PARAM_READ_IGN_ERROR, ZRV_ON);
  EXPECT_EQ(ZRV_readparamfile(task), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_MAX_NUM_WARNINGS), 3);
  ZRV_putintparam(task, ZRV_IPAR_PARAM_READ_IGN_ERROR, ZRV_OFF);
  write("ZRV_IPAR_LOG 5x\n");
  EXPECT_EQ(ZRV_readparamfile(task), ZRV_RES_ERR_PARAM_VALUE_STR);
  // A missing file gives the warning and changes nothing.
  ZRV_putstrparam(task, ZRV_SPAR_PARAM_READ_FILE_NAME, "/nonexistent/none.par");
  EXPECT_EQ(ZRV_readparamfile(task), ZRV_RES_OK);
  task->streams.flush(ZRV_STREAM_WRN);
  EXPECT_NE(wrn.text.find("ZIRVA warning 50: Could not open the parameter file '/nonexistent/none.par'."),
            std::string::npos);
  ZRV_putstrparam(task, ZRV_SPAR_PARAM_READ_FILE_NAME, "");
  EXPECT_EQ(ZRV_readparamfile(task), ZRV_RES_OK);
}

TEST_F(ParamFile, WrittenFileRestoresEveryValue) {
  // Change one value of each kind from its default, including a string holding the comment character.
  ZRV_putintparam(task, ZRV_IPAR_LOG, 3);
  ZRV_putintparam(task, ZRV_IPAR_MIO_FEASPUMP_LEVEL, -7);
  ZRV_putdouparam(task, ZRV_DPAR_INTPNT_TOL_REL_GAP, 1.23456789e-7);
  ZRV_putdouparam(task, ZRV_DPAR_UPPER_OBJ_CUT, -2.5e29);
  ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, " 100% sure ");
  ZRV_putstrparam(task, ZRV_SPAR_STAT_KEY, "say \"hi\"");
  ASSERT_EQ(ZRV_writeparamfile(task, file.c_str()), ZRV_RES_OK);
  std::string text = zrvtest::read_file(file.name);
  EXPECT_EQ(text.rfind("BEGIN ZIRVA\n\nZRV_IPAR_ALLOC_ADD_QNZ", 0), 0u);
  EXPECT_NE(text.find("\nZRV_IPAR_LOG                                     3                 \n"), std::string::npos);
  EXPECT_NE(text.find("\nEND ZIRVA\n"), std::string::npos);

  ZRVtask_t other = nullptr;
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &other), ZRV_RES_OK);
  ZRV_putstrparam(other, ZRV_SPAR_PARAM_READ_FILE_NAME, file.c_str());
  ASSERT_EQ(ZRV_readparamfile(other), ZRV_RES_OK);
  for (int32_t i = 0; i < 203; ++i) {
    int32_t a = 0, b = 0;
    ZRV_getintparam(task, i, &a);
    ZRV_getintparam(other, i, &b);
    EXPECT_EQ(a, b) << i;
  }
  for (int32_t i = 0; i < 67; ++i) {
    double a = 0, b = 0;
    ZRV_getdouparam(task, i, &a);
    ZRV_getdouparam(other, i, &b);
    EXPECT_NEAR(a, b, std::fabs(a) * 1e-8) << i;
  }
  for (int32_t i = 0; i < 26; ++i) {
    if (i == ZRV_SPAR_PARAM_READ_FILE_NAME) continue;
    char a[256], b[256];
    ZRV_getstrparam(task, i, sizeof a, nullptr, a);
    ZRV_getstrparam(other, i, sizeof b, nullptr, b);
    EXPECT_STREQ(a, b) << i;
  }
  ZRV_deletetask(&other);
  EXPECT_EQ(ZRV_writeparamfile(task, "/nonexistent/x.par"), ZRV_RES_ERR_FILE_OPEN);
  EXPECT_EQ(ZRV_writeparamfile(task, nullptr), ZRV_RES_ERR_INVALID_FILE_NAME);
}
