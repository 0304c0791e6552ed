// Environment and task records and the helpers every exported function uses: handle checks, the memory of the
// record's owner, and the guard that keeps C++ exceptions from crossing the C boundary.
#pragma once
#include <cstdint>
#include <mutex>
#include <new>

#include "cpub/memman.h"
#include "cpub/namepool.h"
#include "cpub/stream.h"
#include "zirva.h"
#include "zirva/info.h"
#include "zirva/modules.h"
#include "zirva/problem.h"
#include "zirva/tables.h"

namespace zrv {

constexpr int32_t VERSION_MAJOR = 7, VERSION_MINOR = 0, VERSION_BUILD = 0, VERSION_REVISION = 106;
constexpr const char* PRODUCT = "ZIRVA";
constexpr const char* PLATFORM = "Linux/64-X86";
constexpr size_t LAST_ERROR_CAPACITY = 1025;
constexpr int NUM_WARNING_CODES = 1000;

// The system environment: the memory manager plus the platform description and the search rules for
// run-time loaded libraries.
struct SysEnv {
  MemMan* mem = nullptr;
  const char* platform = PLATFORM;
  const char* libpath_separator = ":";
  const char* libpath_variable = "PATH";
  const char* lib_suffix = ".so";
};

}  // namespace zrv

struct ZRVenv_s {
  uint32_t initialized = 0;
  uint32_t keep_dlls = 1;
  uint32_t garbage_collect = 0;
  uint32_t delete_pending = 0;
  char* default_strings[zrv::NUM_SPAR] = {};
  std::mutex mutexes[4];  // mutex 2 guards the task counters
  zrv::SysEnv sysenv;
  char* memory_debug_file = nullptr;
  ZRVexitfunc exit_func = nullptr;
  void* exit_handle = nullptr;
  char* dll_path = nullptr;
  zrv::StreamBlock streams;
  uint64_t tasks_created = 0;
  uint64_t tasks_deleted = 0;
};

struct ZRVtask_s {
  ZRVenv_s* env = nullptr;
  zrv::SysEnv sysenv;
  uint64_t sequence = 0;
  int32_t warning_count[zrv::NUM_WARNING_CODES] = {};
  int32_t ipar[zrv::NUM_IPAR] = {};
  double dpar[zrv::NUM_DPAR] = {};
  char* spar[zrv::NUM_SPAR] = {};
  zrv::StreamBlock streams;
  ZRVresponsefunc response_func = nullptr;
  void* response_handle = nullptr;
  int32_t last_error_code = 0;
  int64_t last_error_capacity = 0;
  int64_t last_error_length = 0;
  char* last_error = nullptr;
  zrv::InfoItems info;
  int32_t optimizer_nesting = 0;  // optimize calls running inside each other
  // Optimize driver state: calls made on the task, the log's once-per-run flags, the caller's progress callback
  // and the start of the running optimize call (steady-clock seconds).
  int64_t optimize_calls = 0;
  bool header_printed = false;
  bool intpnt_header_printed = false;
  ZRVcallbackfunc callback_func = nullptr;
  void* callback_handle = nullptr;
  double optimizer_start = 0.0;
  // The problem and the modules beside it; made by the task constructor, never null in a valid task.
  zrv::Problem* prob = nullptr;
  zrv::NameTable* names = nullptr;
  zrv::QuadData* quad = nullptr;
  zrv::ConeData* cones = nullptr;
  zrv::SolStore* sols = nullptr;
};

namespace zrv {

// Handle checks: codes only, nothing printed, last error untouched.
inline int32_t check_env(const ZRVenv_s* env) {
  if (!env) return ZRV_RES_ERR_NULL_ENV;
  if (!env->initialized) return ZRV_RES_ERR_NO_INIT_ENV;
  return ZRV_RES_OK;
}
inline int32_t check_task(const ZRVtask_s* task) {
  if (!task) return ZRV_RES_ERR_NULL_TASK;
  if (!task->env) return ZRV_RES_ERR_INVALID_TASK;
  return ZRV_RES_OK;
}

inline MemMan& mem(ZRVtask_s* t) { return *t->sysenv.mem; }
inline MemMan& mem(ZRVenv_s* e) { return *e->sysenv.mem; }

// Fatal errors: print the fatal block, call the exit function or abort.
[[noreturn]] void fatal_task(ZRVtask_s* task, const char* file, int line, const char* fmt, ...);
[[noreturn]] void fatal_env(ZRVenv_s* env, const char* file, int line, const char* msg);

// Version text "7.0.0.106".
const char* version_text();
// Build date "YYYY-M-D HH:MM:SS".
const char* build_date();

}  // namespace zrv

#define ZRV_ASSERT(task, cond)                                                 \
  do {                                                                         \
    if (!(cond)) ::zrv::fatal_task((task), __FILE__, __LINE__, "Assertion failed"); \
  } while (0)
