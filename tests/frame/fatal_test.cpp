// The fatal-error path: an internal consistency failure prints the fatal block on the task's and the
// environment's error streams, writes the debug file, and hands over to the caller's exit function, whose result
// becomes the call's result.
#include <gtest/gtest.h>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/info.h"
#include "zirva/report.h"

namespace {
struct ExitLog {
  int calls = 0;
  std::string file, msg;
  int line = 0;
  static ZRVrescodee ZRVAPI func(ZRVuserhandle_t h, const char* file, ZRVint32t line, const char* msg) {
    auto* e = static_cast<ExitLog*>(h);
    ++e->calls;
    e->file = file ? file : "";
    e->line = line;
    e->msg = msg ? msg : "";
    return ZRV_RES_ERR_INTERNAL;
  }
};
}  // namespace

TEST(Fatal, ExitFunctionReceivesTheFailureAndItsResultIsReturned) {
  zrvtest::TempFile dbg("fatal_debug.txt");
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  zrvtest::Capture task_err, env_err;
  ZRV_linkfunctotaskstream(task, ZRV_STREAM_ERR, &task_err, zrvtest::Capture::func);
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_ERR, &env_err, zrvtest::Capture::func);
  ZRV_putstrparam(task, ZRV_SPAR_DEBUG_FILE_NAME, dbg.c_str());
  ExitLog ex;
  ASSERT_EQ(ZRV_putexitfunc(env, ExitLog::func, &ex), ZRV_RES_OK);

  // An information identifier out of range inside the library is an internal failure.
  int32_t r = zrv::guarded(task, [&] {
    zrv::inf_setdou(task, 1000, 1.0);
    return ZRV_RES_OK;
  });
  EXPECT_EQ(r, ZRV_RES_ERR_INTERNAL);
  EXPECT_EQ(ex.calls, 1);
  EXPECT_EQ(ex.msg, "Assertion failed");
  EXPECT_NE(ex.file.find("zirvainfo"), std::string::npos);
  EXPECT_NE(task_err.text.find("\n\nZIRVA fatal error (stoptask)\nVersion : 7.0.0.106\nPlatform: Linux/64-X86\n"),
            std::string::npos)
      << task_err.text;
  EXPECT_NE(task_err.text.find("Msg.    : Assertion failed\n"), std::string::npos);
  EXPECT_NE(env_err.text.find("ZIRVA fatal error stopenv.\n"), std::string::npos);
  std::string d = zrvtest::read_file(dbg.name);
  EXPECT_EQ(d.rfind("ZIRVA fatal error\nFile : ", 0), 0u) << d;
  EXPECT_NE(d.find("Msg. : Assertion failed\n"), std::string::npos);
  // The task is still usable afterwards.
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_LOG, 2), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
}

TEST(Fatal, WithoutExitFunctionTheProcessStops) {
  EXPECT_DEATH(
      {
        ZRVenv_t env = nullptr;
        ZRVtask_t task = nullptr;
        ZRV_makeenv(&env, nullptr);
        ZRV_maketask(env, 0, 0, &task);
        zrv::inf_getint(task, -1);
      },
      "");
}

TEST(LogGate, AreaLevelAndSecondOptimizationCut) {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  EXPECT_TRUE(zrv::task_log_on(task, ZRV_IPAR_LOG_INTPNT));  // min(4, 10) > 0
  ZRV_putintparam(task, ZRV_IPAR_LOG, 0);
  EXPECT_FALSE(zrv::task_log_on(task, ZRV_IPAR_LOG_INTPNT));
  ZRV_putintparam(task, ZRV_IPAR_LOG, 10);
  task->optimizer_nesting = 2;  // inside another optimization the cut is LOG_CUT_SECOND_OPT (1)
  EXPECT_TRUE(zrv::task_log_on(task, ZRV_IPAR_LOG_INTPNT));
  EXPECT_FALSE(zrv::task_log_on(task, ZRV_IPAR_LOG_OPTIMIZER));  // min(1, 10) = 1, not above 1
  task->optimizer_nesting = 0;
  ZRV_deletetask(&task);
  ZRV_deleteenv(&env);
}
