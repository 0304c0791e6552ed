// Reporting of response codes: the message of a code is formatted from its report text and goes to the task's
// response function or to its error/warning stream, and becomes the task's last error.
#pragma once
#include <cstdint>
#include <new>

#include "cpub/fmtarg.h"

struct ZRVtask_s;

namespace zrv {

// Reports `code` with the values of its report text's placeholders. Errors and termination codes return the code;
// warnings return 0, or the code when a response function asks for it (see the warning limit too).
int32_t report(ZRVtask_s* task, const char* file, int line, int32_t code, FmtArgs args);

// Records a code and its message as the task's last error (code 0 clears the record).
void set_last_error(ZRVtask_s* task, int32_t code, const char* msg);

// True when a log line of the area whose level parameter is `area_ipar` (ZRV_IPAR_LOG_INTPNT, ...) is printed.
bool task_log_on(const ZRVtask_s* task, int32_t area_ipar);

// Prints on a task stream with the library's formatter (the stream and, for 1 to 3, the log stream).
void task_printf(ZRVtask_s* task, int32_t stream, const char* fmt, FmtArgs args = {});

// Thrown by the fatal path when the caller's exit function returns; caught at the exported boundary.
struct FatalExit {
  int32_t code;
};

// Runs the body of an exported function so that no C++ exception crosses the C boundary: out of memory becomes
// ZRV_RES_ERR_SPACE (reported when there is a task), a fatal exit returns the exit function's code.
template <class F>
int32_t guarded(ZRVtask_s* task, F&& body) noexcept {
  try {
    return body();
  } catch (const FatalExit& e) {
    return e.code;
  } catch (const std::bad_alloc&) {
    try {
      return task ? report(task, __FILE__, __LINE__, 1051 /* ZRV_RES_ERR_SPACE */, {}) : 1051;
    } catch (...) {
      return 1051;
    }
  } catch (...) {
    try {
      return task ? report(task, __FILE__, __LINE__, 3000 /* ZRV_RES_ERR_INTERNAL */, {"unexpected exception"})
                  : 3000;
    } catch (...) {
      return 3000;
    }
  }
}

}  // namespace zrv

#define ZRV_REPORT(task, code, ...) ::zrv::report((task), __FILE__, __LINE__, (code), ::zrv::FmtArgs{__VA_ARGS__})
