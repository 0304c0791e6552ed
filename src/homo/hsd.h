// Homogeneous self-dual interior-point method for linear and convex quadratic problems (the engine of the
// interior-point path).  Works on a problem view only; see optimize/ipview.h for the data it takes and returns.
#pragma once
#include "optimize/ipview.h"

namespace zrv::homo {

// Solves the problem of `view`.  Returns the outcome (also stored in res->outcome); every outcome but OUT_NOMEM
// leaves a solution of the right sizes in *res with honest statuses.
int hsd_solve(const opt::ProbView& view, const opt::IpControl& ctl, const opt::IpHooks& hooks, opt::IpResult* res);

}  // namespace zrv::homo
