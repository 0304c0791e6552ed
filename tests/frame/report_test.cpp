// Reporting: error and warning reporters, the warning limit, the response function, the last error, code
// descriptions and classes, and the exported stream operations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/capture.h"
#include "zirva.h"

using zrvtest::Capture;
using zrvtest::TempFile;

namespace {

struct TaskFixture : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  Capture log, msg, err, wrn;
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_LOG, &log, Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_MSG, &msg, Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &err, Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_WRN, &wrn, Capture::func);
  }
  void TearDown() override {
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  }
  void flush() {
    // Relinking the same function flushes the buffered text first.
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_LOG, &log, Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_MSG, &msg, Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &err, Capture::func);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_WRN, &wrn, Capture::func);
  }
  std::string last_error(int32_t* code = nullptr, int32_t size = 1025, int32_t* len = nullptr) {
    char buf[1025] = {0};
    int32_t c = -1, l = -1;
    ZRV_getlasterror(task, &c, size, &l, buf);
    if (code) *code = c;
    if (len) *len = l;
    return buf;
  }
};

struct ResponseLog {
  int calls = 0;
  int32_t last_code = 0;
  std::string last_msg;
  int32_t answer = 0;
  static ZRVrescodee ZRVAPI func(ZRVuserhandle_t h, ZRVrescodee r, const char* m) {
    auto* s = static_cast<ResponseLog*>(h);
    ++s->calls;
    s->last_code = r;
    s->last_msg = m;
    return s->answer;
  }
};

}  // namespace

TEST_F(TaskFixture, ErrorReportGoesToErrorStreamLogAndLastError) {
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_LOG, -1), ZRV_RES_ERR_PARAM_IS_TOO_SMALL);
  flush();
  const std::string line = "ZIRVA error 1216: The parameter value -1 is too small for parameter 'ZRV_IPAR_LOG'.\n";
  EXPECT_EQ(err.text, line);
  EXPECT_EQ(log.text, line);
  EXPECT_TRUE(wrn.text.empty());
  int32_t code = 0, len = 0;
  std::string m = last_error(&code, 1025, &len);
  EXPECT_EQ(code, ZRV_RES_ERR_PARAM_IS_TOO_SMALL);
  EXPECT_EQ(m, line.substr(std::strlen("ZIRVA error 1216: "), line.size() - 19));
  EXPECT_EQ(len, static_cast<int32_t>(m.size()) + 1);
  // Truncation: a 10-byte buffer gets 9 characters, the length stays the full one.
  std::string cut = last_error(&code, 10, &len);
  EXPECT_EQ(cut, m.substr(0, 9));
  EXPECT_EQ(len, static_cast<int32_t>(m.size()) + 1);
  // Size 0 copies nothing; null outputs are skipped.
  char untouched[4] = "xyz";
  EXPECT_EQ(ZRV_getlasterror(task, nullptr, 0, nullptr, untouched), ZRV_RES_OK);
  EXPECT_STREQ(untouched, "xyz");
  int64_t len64 = 0;
  EXPECT_EQ(ZRV_getlasterror64(task, &code, 0, &len64, nullptr), ZRV_RES_OK);
  EXPECT_EQ(len64, len);
}

TEST_F(TaskFixture, WarningLimitSilencesEachCodeSeparately) {
  char name[64];
  // ZRV_getsymbcon with a 4-byte buffer reports the name-length warning each time.
  for (int i = 0; i < 12; ++i) EXPECT_EQ(ZRV_getsymbcon(task, 0, 4, name, nullptr), ZRV_RES_OK);
  flush();
  EXPECT_EQ(zrvtest::count_occurrences(wrn.text, "ZIRVA warning 65: A name of length "), 10u);
  EXPECT_EQ(zrvtest::count_occurrences(msg.text, "Warning number 65 is disabled.\n"), 1u);
  // After a warning the last-error record is cleared.
  int32_t code = -1, len = -1;
  last_error(&code, 1025, &len);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(len, 0);
  // Another warning code still prints.
  EXPECT_EQ(ZRV_getstrparam(task, ZRV_SPAR_PARAM_COMMENT_SIGN, 1, nullptr, name), ZRV_RES_OK);
  flush();
  EXPECT_EQ(zrvtest::count_occurrences(wrn.text, "ZIRVA warning 66: "), 1u);
  // The limit is a parameter: 0 silences at once, with the disabled line only when the counter hits it.
  ZRVtask_t t2 = nullptr;
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &t2), ZRV_RES_OK);
  Capture w2, m2;
  ZRV_linkfunctotaskstream(t2, ZRV_STREAM_WRN, &w2, Capture::func);
  ZRV_linkfunctotaskstream(t2, ZRV_STREAM_MSG, &m2, Capture::func);
  ZRV_putintparam(t2, ZRV_IPAR_MAX_NUM_WARNINGS, 0);
  ZRV_putintparam(t2, ZRV_IPAR_LOG, 0);  // the disabled line needs LOG >= 1
  ZRV_getsymbcon(t2, 0, 4, name, nullptr);
  ZRV_deletetask(&t2);
  EXPECT_TRUE(w2.text.empty());
  EXPECT_TRUE(m2.text.empty());
}

TEST_F(TaskFixture, ResponseFunctionReplacesStreamsAndCanEscalateWarnings) {
  ResponseLog r;
  ZRV_putresponsefunc(task, ResponseLog::func, &r);
  EXPECT_EQ(ZRV_putdouparam(task, ZRV_DPAR_INTPNT_TOL_REL_STEP, 1.0), ZRV_RES_ERR_PARAM_IS_TOO_LARGE);
  EXPECT_EQ(r.last_code, ZRV_RES_ERR_PARAM_IS_TOO_LARGE);
  EXPECT_EQ(r.last_msg, "The parameter value 1 is too large for parameter 'ZRV_DPAR_INTPNT_TOL_REL_STEP'.");
  char name[8];
  r.answer = 0;
  EXPECT_EQ(ZRV_getsymbcon(task, 0, 4, name, nullptr), ZRV_RES_OK);
  r.answer = 1;  // nonzero: the warning becomes the operation's result
  EXPECT_EQ(ZRV_getsymbcon(task, 0, 4, name, nullptr), ZRV_RES_WRN_NAME_MAX_LEN);
  int32_t code = 0;
  last_error(&code);
  EXPECT_EQ(code, ZRV_RES_WRN_NAME_MAX_LEN);
  flush();
  EXPECT_TRUE(err.text.empty());
  EXPECT_TRUE(wrn.text.empty());
  EXPECT_EQ(r.calls, 3);
  ZRV_putresponsefunc(task, nullptr, nullptr);
  ZRV_putintparam(task, ZRV_IPAR_LOG, -5);
  flush();
  EXPECT_FALSE(err.text.empty());
}

TEST(Codes, ClassesAndDescriptions) {
  ZRVresponsetypee rc = -1;
  auto cls = [&](int32_t code) {
    ZRV_getresponseclass(code, &rc);
    return rc;
  };
  EXPECT_EQ(cls(0), ZRV_RESPONSE_OK);
  EXPECT_EQ(cls(50), ZRV_RESPONSE_WRN);
  EXPECT_EQ(cls(-1), ZRV_RESPONSE_WRN);
  EXPECT_EQ(cls(1000), ZRV_RESPONSE_ERR);
  EXPECT_EQ(cls(9999), ZRV_RESPONSE_ERR);
  EXPECT_EQ(cls(10000), ZRV_RESPONSE_TRM);
  char sym[ZRV_MAX_STR_LEN], desc[ZRV_MAX_STR_LEN];
  EXPECT_EQ(ZRV_getcodedesc(1216, sym, desc), ZRV_RES_OK);
  EXPECT_STREQ(sym, "ZRV_RES_ERR_PARAM_IS_TOO_SMALL");
  EXPECT_STREQ(desc, "A parameter value is too small.");
  EXPECT_EQ(ZRV_getcodedesc(12345, sym, desc), ZRV_RES_OK);
  EXPECT_STREQ(sym, "");
  EXPECT_STREQ(desc, "No description for the code 12345 is available.");
  EXPECT_EQ(ZRV_getcodedesc(ZRV_RES_OK, nullptr, desc), ZRV_RES_OK);
  EXPECT_STREQ(desc, "No error occurred.");
  // Every code in the header has a name that maps back to itself.
  for (int32_t code = -100; code < 200000; ++code) {
    ZRV_getcodedesc(code, sym, nullptr);
    if (!*sym) continue;
    char value[32];
    ASSERT_EQ(ZRV_symnamtovalue(sym, value), 1) << sym;
    EXPECT_EQ(std::atoi(value), code) << sym;
  }
}

TEST_F(TaskFixture, ReportTextIsFormattedIntoTheErrorLine) {
  int64_t a, b;
  EXPECT_EQ(ZRV_getmemusagetask(task, &a, &b), ZRV_RES_ERR_SPACE_NO_INFO);
  flush();
  EXPECT_EQ(err.text, "ZIRVA error 1081: No available information about the space usage.\n");
}

TEST_F(TaskFixture, EchoAndStreamChecks) {
  EXPECT_EQ(ZRV_echotask(task, 4, "x"), ZRV_RES_ERR_INVALID_STREAM);
  EXPECT_EQ(ZRV_echotask(task, -1, "x"), ZRV_RES_ERR_INVALID_STREAM);
  EXPECT_EQ(ZRV_linkfunctotaskstream(task, 4, nullptr, Capture::func), ZRV_RES_ERR_INVALID_STREAM);
  EXPECT_EQ(ZRV_echotask(task, ZRV_STREAM_MSG, "%d-%s-%.2f\n", 42, "ab", 1.5), ZRV_RES_OK);
  flush();
  EXPECT_EQ(msg.text, "42-ab-1.50\n");
  EXPECT_EQ(log.text, "42-ab-1.50\n");
  // Only the log linked: text of stream 1 still reaches the log function.
  ZRV_unlinkfuncfromtaskstream(task, ZRV_STREAM_MSG);
  log.text.clear();
  ZRV_echotask(task, ZRV_STREAM_MSG, "only log\n");
  flush();
  ZRV_unlinkfuncfromtaskstream(task, ZRV_STREAM_MSG);
  EXPECT_EQ(log.text, "only log\n");
  // Long output is cut at 4047 characters.
  std::string big(5000, 'z');
  log.text.clear();
  ZRV_echotask(task, ZRV_STREAM_LOG, "%s", big.c_str());
  flush();
  EXPECT_EQ(log.text.size(), 4047u);
  // Environment and task streams are independent.
  Capture envlog;
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_LOG, &envlog, Capture::func);
  ZRV_echotask(task, ZRV_STREAM_MSG, "task text\n");
  ZRV_echoenv(env, ZRV_STREAM_MSG, "env text\n");
  ZRV_unlinkfuncfromenvstream(env, ZRV_STREAM_LOG);
  EXPECT_EQ(envlog.text, "env text\n");
}

TEST_F(TaskFixture, FileLinkedToTaskStream) {
  TempFile a("stream_link_a.log"), b("stream_link_b.log");
  ASSERT_EQ(ZRV_linkfiletotaskstream(task, ZRV_STREAM_MSG, a.c_str(), 0), ZRV_RES_OK);
  ZRV_echotask(task, ZRV_STREAM_MSG, "first\n");
  ASSERT_EQ(ZRV_linkfiletotaskstream(task, ZRV_STREAM_MSG, b.c_str(), 0), ZRV_RES_OK);
  ZRV_echotask(task, ZRV_STREAM_MSG, "second\n");
  EXPECT_EQ(ZRV_linkfiletotaskstream(task, ZRV_STREAM_MSG, "/nonexistent-dir/x.log", 0), ZRV_RES_ERR_FILE_OPEN);
  ZRV_echotask(task, ZRV_STREAM_MSG, "third\n");
  ZRV_deletetask(&task);  // closes b with its "File closed" line
  std::string ta = zrvtest::read_file(a.name), tb = zrvtest::read_file(b.name);
  EXPECT_EQ(ta.rfind("\nFile opened at ", 0), 0u) << ta;
  EXPECT_NE(ta.find(" by ZIRVA version 7.0.0.106.\nfirst\n"), std::string::npos) << ta;
  EXPECT_NE(ta.find("\nFile closed: "), std::string::npos);
  EXPECT_EQ(ta.find("second"), std::string::npos);
  EXPECT_NE(tb.find("second\nthird\n\nFile closed: "), std::string::npos) << tb;
}
