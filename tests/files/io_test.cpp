// The data file layer: format and compression from names and parameters, open failures, refused formats.
#include <gtest/gtest.h>

#include <fstream>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"

TEST(FileNames, FormatAndCompressionFromTheName) {
  struct Case {
    const char* name;
    int32_t format;
    bool gzip;
  } cases[] = {
      {"x.lp.gz", ZRV_DATA_FORMAT_LP, true},        {"x.gz", ZRV_DATA_FORMAT_MPS, true},
      {"dir.old/model", ZRV_DATA_FORMAT_MPS, false}, {"a\\b.c\\model.opf", ZRV_DATA_FORMAT_OP, false},
      {"x.MPS", ZRV_DATA_FORMAT_MPS, false},         {"x.fmps", ZRV_DATA_FORMAT_FREE_MPS, false},
      {"x.task.gz", ZRV_DATA_FORMAT_TASK, true},     {"x.xml", ZRV_DATA_FORMAT_XML, false},
      {"x.lpx", ZRV_DATA_FORMAT_MPS, false},         {"", ZRV_DATA_FORMAT_MPS, false},
      {"25fv47.mps.gz", ZRV_DATA_FORMAT_MPS, true},
  };
  for (const Case& c : cases) {
    int32_t format = -1;
    bool gzip = !c.gzip;
    zrv::format_from_name(c.name, &format, &gzip);
    EXPECT_EQ(format, c.format) << c.name;
    EXPECT_EQ(gzip, c.gzip) << c.name;
  }
}

TEST(DataFiles, OpenFailuresAndRefusedFormats) {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  zrvtest::Capture err;
  ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &err, zrvtest::Capture::func);
  EXPECT_EQ(ZRV_readdata(task, nullptr), ZRV_RES_ERR_FILE_OPEN);
  EXPECT_EQ(ZRV_readdata(task, "/nonexistent/x.mps"), ZRV_RES_ERR_FILE_OPEN);
  EXPECT_EQ(ZRV_readdataautoformat(task, nullptr), ZRV_RES_ERR_INVALID_FILE_NAME);
  task->streams.flush(ZRV_STREAM_ERR);
  EXPECT_NE(err.text.find("An error occurred while opening file 'NULL'."), std::string::npos) << err.text;
  EXPECT_NE(err.text.find("An error occurred while opening file '/nonexistent/x.mps'."), std::string::npos);
  // The task is emptied only after the file is open: a failed open leaves it alone.
  ZRV_appendvars(task, 3);
  zrvtest::TempFile xml("io_test.xml");
  { std::ofstream(xml.name) << "<x/>\n"; }
  EXPECT_EQ(ZRV_readdata(task, xml.c_str()), ZRV_RES_ERR_READ_FORMAT);
  task->streams.flush(ZRV_STREAM_ERR);
  EXPECT_NE(err.text.find("The specified format cannot be read. The format code is 4."), std::string::npos);
  EXPECT_EQ(ZRV_readdataformat(task, xml.c_str(), ZRV_DATA_FORMAT_OP, ZRV_COMPRESS_NONE), ZRV_RES_ERR_READ_FORMAT);
  int32_t n = -1;
  ZRV_getnumvar(task, &n);
  EXPECT_EQ(n, 0);  // reading replaced the problem before the reader refused the format
  // The data-file parameter stands in for a missing name.
  ZRV_putstrparam(task, ZRV_SPAR_DATA_FILE_NAME, xml.c_str());
  EXPECT_EQ(ZRV_readdata(task, ""), ZRV_RES_ERR_READ_FORMAT);
  ZRV_deletetask(&task);
  ZRV_deleteenv(&env);
}
