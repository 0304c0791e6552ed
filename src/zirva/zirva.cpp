// Environments and tasks: creation, deletion and the counters that tie them together.
#include <cstdio>
#include <cstring>
#include <new>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/params.h"
#include "zirva/report.h"
#include "zirva/problem.h"

using namespace zrv;

namespace {

// Tears down a task record and its memory manager. Returns true when the manager found leaked blocks.
bool destroy_task_record(ZRVtask_s* t) {
  MemMan* m = t->sysenv.mem;
  destroy_problem(t);
  t->streams.close_all();
  for (char*& s : t->spar) {
    m->free(s, __FILE__, __LINE__);
    s = nullptr;
  }
  m->free(t->last_error, __FILE__, __LINE__);
  t->~ZRVtask_s();
  m->free(t, __FILE__, __LINE__);
  return MemMan::destroy(m);
}

int32_t count_task_deleted(ZRVenv_s* env) {
  try {
    std::lock_guard<std::mutex> lock(env->mutexes[2]);
    ++env->tasks_deleted;
  } catch (...) {
    return ZRV_RES_ERR_THREAD_MUTEX_LOCK;
  }
  return ZRV_RES_OK;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_makeenv(ZRVenv_t* env, const char* dbgfile) {
  return ZRV_makeenvalloc(env, nullptr, nullptr, nullptr, nullptr, nullptr, dbgfile);
}

ZRVrescodee ZRV_makeenvalloc(ZRVenv_t* envp, ZRVuserhandle_t usrptr, ZRVmallocfunc usrmalloc, ZRVcallocfunc usrcalloc,
                             ZRVreallocfunc usrrealloc, ZRVfreefunc usrfree, const char* dbgfile) {
  if (!envp) return ZRV_RES_ERR_NULL_ENV;
  *envp = nullptr;
  return guarded(nullptr, [&]() -> int32_t {
    Allocators a;
    a.handle = usrptr;
    a.malloc_fn = usrmalloc;
    a.calloc_fn = usrcalloc;
    a.realloc_fn = usrrealloc;
    a.free_fn = usrfree;
    // A memory-debug file switches the bookkeeping mode on; its events are echoed to that file.
    bool bookkeeping = dbgfile && *dbgfile;
    MemMan* m = MemMan::create(a, bookkeeping, "env");
    if (!m) return ZRV_RES_ERR_SPACE;
    if (bookkeeping) m->open_echo(dbgfile, "ZIRVA memory debugging.");
    void* raw = m->calloc(1, sizeof(ZRVenv_s), __FILE__, __LINE__);
    if (!raw) {
      MemMan::destroy(m);
      return ZRV_RES_ERR_SPACE;
    }
    auto* e = new (raw) ZRVenv_s();
    e->sysenv.mem = m;
    e->streams.init(m, "ZRV_makeenv", false);
    int32_t r = ZRV_RES_OK;
    if (dbgfile && *dbgfile) {
      e->memory_debug_file = m->strdup(dbgfile, __FILE__, __LINE__);
      if (!e->memory_debug_file) r = ZRV_RES_ERR_SPACE;
    }
    *envp = e;
    if (r == ZRV_RES_OK) {
      for (int32_t i = 0; i < NUM_SPAR; ++i) {
        e->default_strings[i] = m->strdup(SPAR_DEFS[i].def, __FILE__, __LINE__);
        if (!e->default_strings[i]) r = ZRV_RES_ERR_SPACE;
      }
    }
    if (r == ZRV_RES_OK) return ZRV_initenv(e);
    // The environment is not yet initialized; deletion does not need it to be.
    ZRV_deleteenv(envp);
    return r;
  });
}

ZRVrescodee ZRV_initenv(ZRVenv_t env) {
  if (!env) return ZRV_RES_ERR_NULL_ENV;
  if (!env->initialized) env->initialized = 1;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_deleteenv(ZRVenv_t* envp) {
  if (!envp || !*envp) return ZRV_RES_OK;
  ZRVenv_s* e = *envp;
  return guarded(nullptr, [&]() -> int32_t {
    MemMan* m = e->sysenv.mem;
    {
      std::lock_guard<std::mutex> lock(e->mutexes[2]);
      if (e->tasks_created > e->tasks_deleted) {
        m->echo_only("*** ERROR *** Living tasks when deleting the environment\n");
        if (e->garbage_collect) {
          e->delete_pending = 1;
          return ZRV_RES_OK;
        }
        return ZRV_RES_ERR_LIVING_TASKS;
      }
    }
    for (char*& s : e->default_strings) {
      m->free(s, __FILE__, __LINE__);
      s = nullptr;
    }
    e->streams.close_all();
    m->free(e->dll_path, __FILE__, __LINE__);
    m->free(e->memory_debug_file, __FILE__, __LINE__);
    e->~ZRVenv_s();
    m->free(e, __FILE__, __LINE__);
    *envp = nullptr;
    return MemMan::destroy(m) ? ZRV_RES_ERR_SPACE_LEAKING : ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_makeemptytask(ZRVenv_t env, ZRVtask_t* task) { return ZRV_maketask(env, 0, 0, task); }

ZRVrescodee ZRV_maketask(ZRVenv_t env, ZRVint32t maxnumcon, ZRVint32t maxnumvar, ZRVtask_t* taskp) {
  if (int32_t r = check_env(env)) return r;
  if (!taskp) return ZRV_RES_ERR_NULL_TASK;
  *taskp = nullptr;
  return guarded(nullptr, [&]() -> int32_t {
    MemMan* m = MemMan::create(env->sysenv.mem->allocators(), env->sysenv.mem->bookkeeping(), "task");
    if (!m) return ZRV_RES_ERR_SPACE;
    void* raw = m->calloc(1, sizeof(ZRVtask_s), __FILE__, __LINE__);
    if (!raw) {
      MemMan::destroy(m);
      return ZRV_RES_ERR_SPACE;
    }
    auto* t = new (raw) ZRVtask_s();
    t->env = env;
    t->sysenv.mem = m;
    try {
      std::lock_guard<std::mutex> lock(env->mutexes[2]);
      t->sequence = env->tasks_created++;
    } catch (...) {
      destroy_task_record(t);
      return ZRV_RES_ERR_THREAD_MUTEX_LOCK;
    }
    // From here on the task is counted: every failure path deletes it through the counters as well.
    auto fail = [&](int32_t code) {
      destroy_task_record(t);
      count_task_deleted(env);
      return code;
    };
    if (env->memory_debug_file && *env->memory_debug_file) {
      char name[1200];
      std::snprintf(name, sizeof name, "%s.%llu.task.txt", env->memory_debug_file,
                    static_cast<unsigned long long>(t->sequence));
      if (!m->open_echo(name, "ZIRVA memory debugging.")) return fail(ZRV_RES_ERR_FILE_OPEN);
    }
    t->last_error = static_cast<char*>(m->calloc(LAST_ERROR_CAPACITY, 1, __FILE__, __LINE__));
    if (!t->last_error) return fail(ZRV_RES_ERR_SPACE);
    t->last_error_capacity = static_cast<int64_t>(LAST_ERROR_CAPACITY);
    char owner[64];
    std::snprintf(owner, sizeof owner, "%s version %s", PRODUCT, version_text());
    t->streams.init(m, owner, false);
    copy_default_parameters(t);
    if (int32_t r = create_problem(t)) return fail(r);
    // Room for the requested numbers of constraints and variables.
    if (int32_t r = ZRV_resizetask(t, maxnumcon, maxnumvar, 0, 0, 0))
      return fail(r);
    *taskp = t;
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_deletetask(ZRVtask_t* taskp) {
  if (!taskp || !*taskp) return ZRV_RES_OK;
  ZRVtask_s* t = *taskp;
  if (int32_t r = check_task(t)) return r;
  return guarded(nullptr, [&]() -> int32_t {
    ZRVenv_s* env = t->env;
    int32_t r = destroy_task_record(t) ? ZRV_RES_ERR_SPACE_LEAKING : ZRV_RES_OK;
    int32_t rc = count_task_deleted(env);
    *taskp = nullptr;
    if (env->delete_pending) {
      bool last;
      {
        std::lock_guard<std::mutex> lock(env->mutexes[2]);
        last = env->tasks_deleted == env->tasks_created;
      }
      if (last) {
        ZRVenv_s* e = env;
        ZRV_deleteenv(&e);
      }
    }
    return r ? r : rc;
  });
}

ZRVrescodee ZRV_getenv(ZRVtask_t task, ZRVenv_t* env) {
  if (env) *env = task ? task->env : nullptr;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_enablegarcolenv(ZRVenv_t env) {
  if (int32_t r = check_env(env)) return r;
  env->garbage_collect = 1;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putkeepdlls(ZRVenv_t env, ZRVint32t keepdlls) {
  if (int32_t r = check_env(env)) return r;
  env->keep_dlls = static_cast<uint32_t>(keepdlls);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putdllpath(ZRVenv_t env, const char* dllpath) {
  if (!env) return ZRV_RES_OK;
  char* copy = mem(env).strdup(dllpath ? dllpath : "", __FILE__, __LINE__);
  if (!copy) return ZRV_RES_ERR_SPACE;
  mem(env).free(env->dll_path, __FILE__, __LINE__);
  env->dll_path = copy;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putexitfunc(ZRVenv_t env, ZRVexitfunc exitfunc, ZRVuserhandle_t handle) {
  if (int32_t r = check_env(env)) return r;
  env->exit_func = exitfunc;
  env->exit_handle = handle;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getmemusagetask(ZRVtask_t task, ZRVint64t* meminuse, ZRVint64t* maxmemuse) {
  if (int32_t r = check_task(task)) return r;
  MemMan& m = mem(task);
  if (!m.bookkeeping()) {
    if (meminuse) *meminuse = 0;
    if (maxmemuse) *maxmemuse = 0;
    return ZRV_REPORT(task, ZRV_RES_ERR_SPACE_NO_INFO);
  }
  if (meminuse) *meminuse = m.bytes_in_use();
  if (maxmemuse) *maxmemuse = m.max_bytes_in_use();
  return ZRV_RES_OK;
}

ZRVint32t ZRV_isinfinity(ZRVrealt value) { return value >= 1.0e30 ? 1 : 0; }

}  // extern "C"
