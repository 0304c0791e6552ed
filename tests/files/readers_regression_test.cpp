// Findings of the solution-file and parameter-file fuzz targets, each pinned by the smallest input that showed it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"

namespace {

struct Readers : zrvtest::TaskTest {
  std::string str(ZRVtask_t t, ZRVsparame p) {
    char buf[2048] = {};
    ZRV_getstrparam(t, p, sizeof buf, nullptr, buf);
    return buf;
  }
  // Reads `bytes` as a parameter file into `t`.
  int32_t read_params(ZRVtask_t t, const std::string& bytes, const std::string& file) {
    std::ofstream(file, std::ios::binary) << bytes;
    ZRV_putstrparam(t, ZRV_SPAR_PARAM_READ_FILE_NAME, file.c_str());
    return ZRV_readparamfile(t);
  }
  // Writes the task's parameters and reads them into a fresh task, which is returned.
  ZRVtask_t round_trip(const std::string& file) {
    EXPECT_EQ(ZRV_writeparamfile(task, file.c_str()), ZRV_RES_OK);
    ZRVtask_t back = nullptr;
    EXPECT_EQ(ZRV_maketask(env, 0, 0, &back), ZRV_RES_OK);
    ZRV_putstrparam(back, ZRV_SPAR_PARAM_READ_FILE_NAME, file.c_str());
    EXPECT_EQ(ZRV_readparamfile(back), ZRV_RES_OK);
    return back;
  }
};

// A NUL byte after a tab-separated value: the value ended at the NUL but kept the tab before it, which the
// writer wrote unquoted and the reader then stripped. A NUL now ends the line's text, and values with a tab,
// blank or carriage return at either end are written quoted.
TEST_F(Readers, ParameterValuesWithEdgeWhitespaceAndNulSurviveARoundTrip) {
  zrvtest::TempFile in("regress_in.par"), out("regress_out.par");
  const std::string nul_line = std::string("\tZRV_SPAR_STAT_NAME\tx\ty\t") + std::string(5, '\0') + "junk\n";
  ASSERT_EQ(read_params(task, nul_line + "ZRV_IPAR_LOG 3\n", in.name), ZRV_RES_OK);
  EXPECT_EQ(str(task, ZRV_SPAR_STAT_NAME), "x\ty");
  int32_t log = 0;
  ZRV_getintparam(task, ZRV_IPAR_LOG, &log);
  EXPECT_EQ(log, 3);  // the NUL ended one line, not the file

  // Values that begin or end with a tab, a blank or a carriage return, set by quoting them.
  // And values that must be quoted (a comment character, a leading quote) and end with a backslash, which used to
  // read back with a quote in its place.
  const std::vector<std::string> values = {"\tlead", "trail\t", " both ", "cr\r", "\r", "in\tside",
                                           "50% \\",  "\"q\\",   "%\\\\", "a\"b%\\"};
  for (const std::string& v : values) {
    ASSERT_EQ(ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, v.c_str()), ZRV_RES_OK);
    ZRVtask_t back = round_trip(out.name);
    EXPECT_EQ(str(back, ZRV_SPAR_STAT_NAME), str(task, ZRV_SPAR_STAT_NAME)) << "'" << v << "'";
    ZRV_deletetask(&back);
  }
}

// A string value long enough that its written line passed 1023 characters came back cut: lines are now read whole.
TEST_F(Readers, LongParameterValuesSurviveARoundTrip) {
  zrvtest::TempFile out("regress_long.par");
  ASSERT_EQ(ZRV_putstrparam(task, ZRV_SPAR_WRITE_LP_GEN_VAR_NAME, "after"), ZRV_RES_OK);
  for (size_t len : {900u, 1000u, 5000u}) {
    std::string v(len, 'v');
    v[len / 2] = ' ';
    ASSERT_EQ(ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, v.c_str()), ZRV_RES_OK);
    ZRVtask_t back = round_trip(out.name);
    char buf[8192] = {};
    ZRV_getstrparam(back, ZRV_SPAR_STAT_NAME, sizeof buf, nullptr, buf);
    EXPECT_EQ(std::string(buf), v) << len;
    // The line after the long one is read too.
    EXPECT_EQ(str(back, ZRV_SPAR_WRITE_LP_GEN_VAR_NAME), "after");
    ZRV_deletetask(&back);
  }
}

}  // namespace
