// The three solutions of a task and the status downgrades that follow data changes.
#include <new>

#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

struct SolStore {
  int32_t placeholder_ = 0;
};

int32_t sol_create(ZRVtask_s* t) {
  void* p = mem(t).calloc(1, sizeof(SolStore), __FILE__, __LINE__);
  if (!p) return ZRV_RES_ERR_SPACE;
  t->sols = new (p) SolStore();
  return ZRV_RES_OK;
}
void sol_destroy(ZRVtask_s* t) {
  if (!t->sols) return;
  t->sols->~SolStore();
  mem(t).free(t->sols, __FILE__, __LINE__);
  t->sols = nullptr;
}
int32_t sol_set_capacity(ZRVtask_s*, ItemKind, int32_t) { return ZRV_RES_OK; }
void sol_append(ZRVtask_s*, ItemKind, int32_t, int32_t) {}
int32_t sol_remove(ZRVtask_s*, ItemKind, const int32_t*, int32_t) { return ZRV_RES_OK; }
void sol_bound_changed(ZRVtask_s*, ItemKind, int32_t, int32_t, double, double) {}
void sol_objective_sense_changed(ZRVtask_s*) {}
void sol_cj_changed(ZRVtask_s*, int32_t) {}
void sol_column_changed(ZRVtask_s*, int32_t) {}

}  // namespace zrv
