// Building the interior-point problem view from a task.
#pragma once
#include <cstdint>

#include "optimize/ipview.h"

struct ZRVtask_s;

namespace zrv::opt {

// Copies the task's problem into `view` as it stands (objective sense not applied): A by columns with sorted
// rows, bounds with infinite sides as +-VIEW_INF, the objective's quadratic term as its lower triangle.
// Returns ZRV_RES_OK or a reported error; out of memory throws std::bad_alloc (run it inside guarded()).
int32_t build_view(ZRVtask_s* t, ProbView* view);

}  // namespace zrv::opt
