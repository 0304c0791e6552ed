// The interior-point path of the optimize driver for linear and convex quadratic problems: problem view in
// minimization form, control block, the engine with its two progress hooks, and the interior-point solution in
// the caller's terms in the solution store.
#pragma once
#include <cstdint>

struct ZRVtask_s;

namespace zrv::opt {

// Runs the path on the task's problem. `linear`: nothing quadratic in the problem; `quadratic`: a quadratic
// objective (and nothing else nonlinear). The caller's data is never changed: a maximization is solved as the
// minimization of the negated objective inside the view, and the duals of the stored solution are negated back.
// Returns the response code of the run (errors reported).
int32_t intpnt_path(ZRVtask_s* t, bool linear, bool quadratic);

// Seconds of the steady clock (the optimizer timer).
double clock_seconds();

}  // namespace zrv::opt
