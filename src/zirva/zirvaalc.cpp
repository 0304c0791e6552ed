// Memory offered to callers from the environment's or the task's memory manager, so that their blocks are
// counted and checked with the library's own.
#include "zirva.h"
#include "zirva/env.h"

using namespace zrv;

namespace {
constexpr const char* ALC_FILE = "src/zirva/zirvaalc";
}

extern "C" {

void* ZRV_callocenv(ZRVenv_t env, size_t number, size_t size) {
  return check_env(env) ? nullptr : mem(env).calloc(number, size, ALC_FILE, __LINE__);
}

void* ZRV_callocdbgenv(ZRVenv_t env, size_t number, size_t size, const char* file, ZRVint32t line) {
  return check_env(env) ? nullptr : mem(env).calloc(number, size, file, line);
}

char* ZRV_strdupenv(ZRVenv_t env, const char* str) {
  return check_env(env) ? nullptr : mem(env).strdup(str, ALC_FILE, __LINE__);
}

char* ZRV_strdupdbgenv(ZRVenv_t env, const char* str, const char* file, ZRVint32t line) {
  return check_env(env) || !str ? nullptr : mem(env).strdup(str, file, line);
}

void ZRV_freeenv(ZRVenv_t env, void* buffer) {
  if (buffer && !check_env(env)) mem(env).free(buffer, ALC_FILE, __LINE__);
}

// Without an environment the block has no manager to go back to; it is left alone rather than ending the
// caller's process.
void ZRV_freedbgenv(ZRVenv_t env, void* buffer, const char* file, ZRVint32t line) {
  if (buffer && !check_env(env)) mem(env).free(buffer, file, line);
}

void* ZRV_calloctask(ZRVtask_t task, size_t number, size_t size) {
  return check_task(task) ? nullptr : mem(task).calloc(number, size, ALC_FILE, __LINE__);
}

void* ZRV_callocdbgtask(ZRVtask_t task, size_t number, size_t size, const char* file, ZRVint32t line) {
  return check_task(task) ? nullptr : mem(task).calloc(number, size, file, line);
}

char* ZRV_strduptask(ZRVtask_t task, const char* str) {
  return check_task(task) ? nullptr : mem(task).strdup(str, ALC_FILE, __LINE__);
}

char* ZRV_strdupdbgtask(ZRVtask_t task, const char* str, const char* file, ZRVint32t line) {
  return check_task(task) || !str ? nullptr : mem(task).strdup(str, file, line);
}

void ZRV_freetask(ZRVtask_t task, void* buffer) {
  if (buffer && !check_task(task)) mem(task).free(buffer, ALC_FILE, __LINE__);
}

void ZRV_freedbgtask(ZRVtask_t task, void* buffer, const char* file, ZRVint32t line) {
  if (buffer && !check_task(task)) mem(task).free(buffer, file, line);
}

ZRVrescodee ZRV_checkmemenv(ZRVenv_t env, const char* file, ZRVint32t line) {
  if (int32_t r = check_env(env)) return r;
  mem(env).check(file ? file : "", line);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_checkmemtask(ZRVtask_t task, const char* file, ZRVint32t line) {
  if (int32_t r = check_task(task)) return r;
  mem(task).check(file ? file : "", line);
  return ZRV_RES_OK;
}

}  // extern "C"
