// The solutions' side of changes to cones and matrix variables: the cone module reports what changed and the
// solution store follows (per-cone status keys, matrix-variable values, status downgrades).
#include "zirva/conedata.h"
#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

int32_t sol_cones_changed(ZRVtask_s* t, ConeChange what, int32_t index, int32_t num, const int32_t* perm) {
  switch (what) {
    case ConeChange::ConeCapacity: return sol_set_cone_capacity(t, num);
    case ConeChange::ConeAppended: return sol_append_cones(t, num);
    case ConeChange::ConeReplaced: sol_cone_changed(t); return ZRV_RES_OK;
    case ConeChange::ConesRemoved: return sol_remove_cones(t, perm, num);
    case ConeChange::BarVarCapacity: return ZRV_RES_OK;  // the store sizes its arrays by the dimensions it is given
    case ConeChange::BarVarsAppended: return sol_append_barvars(t, num, t->cones->bardim.data() + index);
    case ConeChange::BarVarsRemoved: return sol_remove_barvars(t, perm, num);
  }
  return ZRV_RES_OK;
}

}  // namespace zrv
