// The solution-store side of a replaced quadratic term: every status of every defined solution becomes unknown.
#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

void sol_quad_changed(ZRVtask_s* t) { sol_all_unknown(t); }

}  // namespace zrv
