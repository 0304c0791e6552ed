// Environments and tasks: creation, deletion, handle checks, garbage collection, user allocators, the memory
// manager's bookkeeping, versions and character conversions.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "common/capture.h"
#include "zirva.h"

using zrvtest::Capture;
using zrvtest::TempFile;

TEST(Lifecycle, NullAndInvalidHandles) {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deletetask(nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deleteenv(nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_maketask(nullptr, 0, 0, &task), ZRV_RES_ERR_NULL_ENV);
  EXPECT_EQ(ZRV_putintparam(nullptr, ZRV_IPAR_LOG, 1), ZRV_RES_ERR_NULL_TASK);
  EXPECT_EQ(ZRV_initenv(nullptr), ZRV_RES_ERR_NULL_ENV);
  EXPECT_EQ(ZRV_putdllpath(nullptr, "x"), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkversion(nullptr, 7, 0, 0, 106), ZRV_RES_ERR_NULL_ENV);
  // A task record whose environment is gone is refused without touching it.
  struct ZRVtask_s* detached = static_cast<struct ZRVtask_s*>(std::calloc(1, 64 * 1024));
  EXPECT_EQ(ZRV_putintparam(detached, ZRV_IPAR_LOG, 1), ZRV_RES_ERR_INVALID_TASK);
  std::free(detached);
}

TEST(Lifecycle, LivingTasksAndGarbageCollection) {
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  ZRVtask_t t1 = nullptr, t2 = nullptr;
  ASSERT_EQ(ZRV_maketask(env, 10, 10, &t1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_makeemptytask(env, &t2), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_ERR_LIVING_TASKS);
  ASSERT_NE(env, nullptr);  // still usable
  EXPECT_EQ(ZRV_putintparam(t1, ZRV_IPAR_LOG, 3), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deletetask(&t1), ZRV_RES_OK);
  EXPECT_EQ(t1, nullptr);
  EXPECT_EQ(ZRV_enablegarcolenv(env), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);  // pending until the last task goes
  // Deleting the last task deletes the environment as well (the sanitizer build would flag a leak otherwise).
  EXPECT_EQ(ZRV_deletetask(&t2), ZRV_RES_OK);
}

TEST(Lifecycle, VersionsAndInfinity) {
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  int32_t a = 0, b = 0, c = 0, d = 0;
  EXPECT_EQ(ZRV_getversion(&a, &b, &c, &d), ZRV_RES_OK);
  EXPECT_EQ(a * 1000000 + b * 10000 + c * 1000 + d, 7000106);
  EXPECT_EQ(ZRV_getversion(nullptr, nullptr, nullptr, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_checkversion(env, 7, 0, 0, 107), ZRV_RES_ERR_OLDER_DLL);
  EXPECT_EQ(ZRV_checkversion(env, 6, 9, 9, 999), ZRV_RES_ERR_NEWER_DLL);
  EXPECT_EQ(ZRV_checkversion(env, 7, 1, 0, 0), ZRV_RES_ERR_OLDER_DLL);
  EXPECT_EQ(ZRV_checkversion(env, 7, 0, 0, 106), ZRV_RES_OK);
  EXPECT_EQ(ZRV_isinfinity(1e30), 1);
  EXPECT_EQ(ZRV_isinfinity(9.99e29), 0);
  EXPECT_EQ(ZRV_isinfinity(-1e30), 0);
  char state[ZRV_MAX_STR_LEN], date[ZRV_MAX_STR_LEN], lapack[ZRV_MAX_STR_LEN];
  EXPECT_EQ(ZRV_getbuildinfo(state, date, lapack), ZRV_RES_OK);
  EXPECT_STREQ(state, "");
  int y, mo, dd, h, mi, s;
  EXPECT_EQ(std::sscanf(date, "%d-%d-%d %d:%d:%d", &y, &mo, &dd, &h, &mi, &s), 6) << date;
  EXPECT_TRUE(mo >= 1 && mo <= 12 && dd >= 1 && dd <= 31);
  ZRV_deleteenv(&env);
}

TEST(Lifecycle, IntroductionLines) {
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  Capture log, msg, err;
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_MSG, &msg, Capture::func);
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_ERR, &err, Capture::func);
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_LOG, &log, Capture::func);
  ASSERT_EQ(ZRV_echointro(env, 1), ZRV_RES_OK);
  ZRV_deleteenv(&env);  // flushes
  EXPECT_EQ(msg.text.rfind("\nZIRVA Version 7.0.0.106 (Build date: ", 0), 0u) << msg.text;
  EXPECT_NE(msg.text.find("\nOperating system variables\n PATH                     :\n   "), std::string::npos);
  EXPECT_EQ(err.text, "Platform: Linux/64-X86\n");
  // The log carries a copy of both.
  EXPECT_NE(log.text.find("Platform: Linux/64-X86\n"), std::string::npos);
  EXPECT_NE(log.text.find("ZIRVA Version"), std::string::npos);
}

// ---- user allocators: every call carries the caller's handle and every block is returned

namespace {
struct AllocStats {
  std::mutex m;
  std::set<void*> live;
  long calls = 0, wrong_handle = 0;
  void* expect = nullptr;
  void seen(void* h) {
    ++calls;
    if (h != expect) ++wrong_handle;
  }
};
void* ZRVAPI u_malloc(ZRVuserhandle_t h, size_t n) {
  auto* s = static_cast<AllocStats*>(h);
  std::lock_guard<std::mutex> l(s->m);
  s->seen(h);
  void* p = std::malloc(n);
  s->live.insert(p);
  return p;
}
void* ZRVAPI u_calloc(ZRVuserhandle_t h, size_t a, size_t b) {
  auto* s = static_cast<AllocStats*>(h);
  std::lock_guard<std::mutex> l(s->m);
  s->seen(h);
  void* p = std::calloc(a, b);
  s->live.insert(p);
  return p;
}
void* ZRVAPI u_realloc(ZRVuserhandle_t h, void* p, size_t n) {
  auto* s = static_cast<AllocStats*>(h);
  std::lock_guard<std::mutex> l(s->m);
  s->seen(h);
  s->live.erase(p);
  void* q = std::realloc(p, n);
  s->live.insert(q);
  return q;
}
void ZRVAPI u_free(ZRVuserhandle_t h, void* p) {
  auto* s = static_cast<AllocStats*>(h);
  std::lock_guard<std::mutex> l(s->m);
  s->seen(h);
  EXPECT_EQ(s->live.erase(p), 1u) << "freeing a block the allocator never gave";
  std::free(p);
}
}  // namespace

TEST(Lifecycle, UserAllocatorsSeeEveryBlockWithTheirHandle) {
  for (const char* dbg : {static_cast<const char*>(nullptr), "user_alloc_debug.txt"}) {
    AllocStats stats;
    stats.expect = &stats;
    ZRVenv_t env = nullptr;
    ASSERT_EQ(ZRV_makeenvalloc(&env, &stats, u_malloc, u_calloc, u_realloc, u_free, dbg), ZRV_RES_OK);
    ZRVtask_t task = nullptr;
    ASSERT_EQ(ZRV_maketask(env, 5, 5, &task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, "some name"), ZRV_RES_OK);
    void* blk = ZRV_calloctask(task, 100, 8);
    ASSERT_NE(blk, nullptr);
    ZRV_freetask(task, blk);
    char* s = nullptr;
    ASSERT_EQ(ZRV_getstrparamal(task, ZRV_SPAR_STAT_NAME, 5, &s), ZRV_RES_OK);
    EXPECT_STREQ(s, "some name");
    ZRV_freetask(task, s);
    long before_delete = stats.calls;
    EXPECT_GT(before_delete, 0);
    EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
    EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
    EXPECT_EQ(stats.wrong_handle, 0);
    EXPECT_TRUE(stats.live.empty()) << stats.live.size() << " blocks never returned";
    if (dbg) {
      std::remove(dbg);
      std::remove("user_alloc_debug.txt.0.task.txt");
    }
  }
  // One missing function: the C runtime serves all four and the caller's functions are never called.
  AllocStats stats;
  stats.expect = &stats;
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenvalloc(&env, &stats, u_malloc, u_calloc, nullptr, u_free, nullptr), ZRV_RES_OK);
  ZRV_deleteenv(&env);
  EXPECT_EQ(stats.calls, 0);
}

TEST(Lifecycle, BookkeepingDetectsGuardDamageAndLeaks) {
  TempFile envlog("memdebug_guard.txt"), tasklog("memdebug_guard.txt.0.task.txt");
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, envlog.c_str()), ZRV_RES_OK);
  ZRVtask_t task = nullptr;
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);

  int64_t inuse = -1, maxuse = -1;
  ASSERT_EQ(ZRV_getmemusagetask(task, &inuse, &maxuse), ZRV_RES_OK);
  EXPECT_GT(inuse, 0);
  auto* blk = static_cast<unsigned char*>(ZRV_callocdbgtask(task, 10, 1, "mytest.c", 77));
  ASSERT_NE(blk, nullptr);
  int64_t inuse2 = 0;
  ZRV_getmemusagetask(task, &inuse2, &maxuse);
  EXPECT_EQ(inuse2, inuse + 10);
  EXPECT_GE(maxuse, inuse2);

  EXPECT_EQ(ZRV_checkmemtask(task, "check1", 1), ZRV_RES_OK);
  blk[10] = 0;   // one byte past the end: the end guard
  blk[-1] = 0;   // one byte before the start: the begin guard
  EXPECT_EQ(ZRV_checkmemtask(task, "check2", 2), ZRV_RES_OK);
  blk[10] = 32;  // restore the guards so that only the leak is left
  blk[-1] = 63;
  // A block that is not the manager's is refused, not freed.
  int local = 0;
  ZRV_freetask(task, &local);
  // blk is deliberately leaked.
  EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_ERR_SPACE_LEAKING);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);

  std::string log = zrvtest::read_file(tasklog.name);
  EXPECT_NE(log.find("Header: ZIRVA memory debugging.\n"), std::string::npos);
  EXPECT_NE(log.find("Scanning memory at 'check1'(1)\n"), std::string::npos);
  EXPECT_NE(log.find("*** Block begin guard violation."), std::string::npos);
  EXPECT_NE(log.find("pos: 31 expected: 63 got 0"), std::string::npos);
  EXPECT_NE(log.find("*** Block end guard violation."), std::string::npos);
  EXPECT_NE(log.find("pos: 0 expected: 32 got 0"), std::string::npos);
  EXPECT_NE(log.find("in file 'mytest.c(77)'"), std::string::npos);
  EXPECT_NE(log.find("cannot be deallocated because it is not in the allocation list."), std::string::npos);
  EXPECT_NE(log.find("**** ALLOCATED  BLOCKS LEFT\n"), std::string::npos);
  EXPECT_NE(log.find("Done checking leaks\n"), std::string::npos);
  EXPECT_NE(log.find("\nFile closed: "), std::string::npos);
  // Without bookkeeping there is no usage information.
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getmemusagetask(task, &inuse, &maxuse), ZRV_RES_ERR_SPACE_NO_INFO);
  EXPECT_EQ(inuse, 0);
  EXPECT_EQ(maxuse, 0);
  ZRV_deletetask(&task);
  ZRV_deleteenv(&env);
}

TEST(Lifecycle, LivingTaskWrittenToEnvironmentEcho) {
  TempFile envlog("memdebug_living.txt"), tasklog("memdebug_living.txt.0.task.txt");
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, envlog.c_str()), ZRV_RES_OK);
  ZRVtask_t task = nullptr;
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_ERR_LIVING_TASKS);
  EXPECT_EQ(ZRV_deletetask(&task), ZRV_RES_OK);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);
  EXPECT_NE(zrvtest::read_file(envlog.name).find("*** ERROR *** Living tasks when deleting the environment\n"),
            std::string::npos);
}

TEST(Lifecycle, ManyThreadsCreateAndDeleteTasksOfOneEnvironment) {
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int k = 0; k < 8; ++k) {
    threads.emplace_back([&, k] {
      for (int i = 0; i < 50; ++i) {
        ZRVtask_t t = nullptr;
        if (ZRV_maketask(env, i, i, &t) != ZRV_RES_OK) ++failures;
        if (ZRV_putintparam(t, ZRV_IPAR_LOG, k) != ZRV_RES_OK) ++failures;
        int32_t v = -1;
        ZRV_getintparam(t, ZRV_IPAR_LOG, &v);
        if (v != k) ++failures;
        if (ZRV_deletetask(&t) != ZRV_RES_OK) ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(ZRV_deleteenv(&env), ZRV_RES_OK);  // the counters agree: no living task
}

TEST(Lifecycle, MemoryInterfaceWithBadHandles) {
  EXPECT_EQ(ZRV_callocenv(nullptr, 1, 1), nullptr);
  EXPECT_EQ(ZRV_strduptask(nullptr, "x"), nullptr);
  ZRV_freeenv(nullptr, nullptr);
  ZRV_freedbgenv(nullptr, nullptr, "f", 1);  // must not end the process
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_strdupdbgenv(env, nullptr, "f", 1), nullptr);
  char* s = ZRV_strdupenv(env, "abc");
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s, "abc");
  ZRV_freeenv(env, s);
  // An impossible size is refused, not wrapped around.
  EXPECT_EQ(ZRV_callocenv(env, SIZE_MAX / 2, 4), nullptr);
  EXPECT_EQ(ZRV_checkmemenv(env, "here", 1), ZRV_RES_OK);
  ZRV_deleteenv(&env);
}

TEST(Conversions, Utf8AndSixteenBitUnits) {
  // "aé€😀" : 1-, 2-, 3- and 4-byte characters; the last becomes a surrogate pair.
  const char* in = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  uint16_t out[16];
  size_t len = 0, conv = 0;
  ASSERT_EQ(ZRV_utf8towchar(16, &len, &conv, out, in), ZRV_RES_OK);
  ASSERT_EQ(len, 5u);
  EXPECT_EQ(conv, std::strlen(in));
  EXPECT_EQ(out[0], 'a');
  EXPECT_EQ(out[1], 0xE9);
  EXPECT_EQ(out[2], 0x20AC);
  EXPECT_EQ(out[3], 0xD83D);
  EXPECT_EQ(out[4], 0xDE00);
  EXPECT_EQ(out[5], 0);
  char back[32];
  ASSERT_EQ(ZRV_wchartoutf8(sizeof back, &len, &conv, back, out), ZRV_RES_OK);
  EXPECT_STREQ(back, in);
  EXPECT_EQ(conv, 5u);
  // Capacity: at most capacity-1 units and never half a pair.
  ASSERT_EQ(ZRV_utf8towchar(5, &len, &conv, out, in), ZRV_RES_OK);
  EXPECT_EQ(len, 3u);
  EXPECT_EQ(conv, 6u);
  EXPECT_EQ(out[3], 0);
  ASSERT_EQ(ZRV_wchartoutf8(4, &len, &conv, back, out), ZRV_RES_OK);  // "aé" fits in 3 bytes, "€" does not
  EXPECT_EQ(len, 3u);
  EXPECT_STREQ(back, "a\xC3\xA9");
  // Bad continuation bytes, a stray continuation byte, a truncated sequence and a lone surrogate.
  EXPECT_EQ(ZRV_utf8towchar(16, &len, &conv, out, "ab\xC3("), ZRV_RES_ERR_INVALID_UTF8);
  EXPECT_EQ(conv, 2u);
  EXPECT_EQ(ZRV_utf8towchar(16, &len, &conv, out, "\x80"), ZRV_RES_ERR_INVALID_UTF8);
  EXPECT_EQ(ZRV_utf8towchar(16, &len, &conv, out, "\xE2\x82"), ZRV_RES_ERR_INVALID_UTF8);
  const uint16_t lone[] = {'x', 0xDC00, 0};
  EXPECT_EQ(ZRV_wchartoutf8(16, &len, &conv, back, lone), ZRV_RES_ERR_INVALID_WCHAR);
  const uint16_t high_then_end[] = {0xD800, 0};
  EXPECT_EQ(ZRV_wchartoutf8(16, &len, &conv, back, high_then_end), ZRV_RES_ERR_INVALID_WCHAR);
  // Null outputs are skipped.
  EXPECT_EQ(ZRV_utf8towchar(16, nullptr, nullptr, nullptr, in), ZRV_RES_OK);
}
