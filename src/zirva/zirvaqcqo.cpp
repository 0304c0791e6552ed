// Quadratic terms of the objective and of the constraints.
#include <new>

#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

struct QuadData {
  int32_t placeholder_ = 0;
};

int32_t quad_create(ZRVtask_s* t) {
  void* p = mem(t).calloc(1, sizeof(QuadData), __FILE__, __LINE__);
  if (!p) return ZRV_RES_ERR_SPACE;
  t->quad = new (p) QuadData();
  return ZRV_RES_OK;
}
void quad_destroy(ZRVtask_s* t) {
  if (!t->quad) return;
  t->quad->~QuadData();
  mem(t).free(t->quad, __FILE__, __LINE__);
  t->quad = nullptr;
}
int32_t quad_set_capacity(ZRVtask_s*, ItemKind, int32_t) { return ZRV_RES_OK; }
void quad_append(ZRVtask_s*, ItemKind, int32_t) {}
int32_t quad_remove(ZRVtask_s*, ItemKind, const int32_t*, int32_t) { return ZRV_RES_OK; }
bool quad_has_objective_terms(const ZRVtask_s*) { return false; }
bool quad_has_constraint_terms(const ZRVtask_s*) { return false; }
void quad_counts(const ZRVtask_s*, int64_t* numqnz, int32_t* numq) {
  *numqnz = 0;
  *numq = 0;
}

int32_t quad_clone(ZRVtask_s*, ZRVtask_s*) { return ZRV_RES_OK; }

}  // namespace zrv
