// Cones, matrix variables and the store of sparse symmetric matrices.
#include <new>

#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

struct ConeData {
  int32_t placeholder_ = 0;
};

int32_t cone_create(ZRVtask_s* t) {
  void* p = mem(t).calloc(1, sizeof(ConeData), __FILE__, __LINE__);
  if (!p) return ZRV_RES_ERR_SPACE;
  t->cones = new (p) ConeData();
  return ZRV_RES_OK;
}
void cone_destroy(ZRVtask_s* t) {
  if (!t->cones) return;
  t->cones->~ConeData();
  mem(t).free(t->cones, __FILE__, __LINE__);
  t->cones = nullptr;
}
int32_t cone_set_capacity(ZRVtask_s*, ItemKind, int32_t) { return ZRV_RES_OK; }
void cone_append(ZRVtask_s*, ItemKind, int32_t) {}
int32_t cone_check_remove_vars(ZRVtask_s*, const uint8_t*) { return ZRV_RES_OK; }
int32_t cone_remove(ZRVtask_s*, ItemKind, const int32_t*, int32_t) { return ZRV_RES_OK; }
bool cone_any(const ZRVtask_s*) { return false; }

int32_t cone_clone(ZRVtask_s*, ZRVtask_s*) { return ZRV_RES_OK; }

}  // namespace zrv
