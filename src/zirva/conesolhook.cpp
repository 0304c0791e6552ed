// The solutions' side of changes to cones and matrix variables. For now the solutions keep no per-cone or
// per-matrix-variable data, so there is nothing to follow.
#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

int32_t sol_cones_changed(ZRVtask_s*, ConeChange, int32_t, int32_t, const int32_t*) { return ZRV_RES_OK; }

}  // namespace zrv
