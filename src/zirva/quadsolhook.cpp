// The solution-store side of a replaced quadratic term. The rule is the one of a change of objective sense (both
// statuses of every defined solution become unknown), so the store's own handler is reused until the store
// carries a handler of its own for it.
#include "zirva/env.h"
#include "zirva/modules.h"

namespace zrv {

void sol_quad_changed(ZRVtask_s* t) { sol_objective_sense_changed(t); }

}  // namespace zrv
