// Problems without constraints or without variables, solved in closed form: with no bounded constraint and no
// coupling quadratic term the objective separates into one bound-constrained variable each; with no variables
// every constraint activity is 0.
#pragma once
#include "optimize/ipview.h"

namespace zrv::opt {

// True when the view is such a problem: no variables, or every constraint free and Q (if any) diagonal.
bool is_trivial(const ProbView& v);

// Solves it in the terms of the engine: statuses, solution or certificate, status keys. A coefficient within
// ctl.tol_dfeas of 0 counts as 0 and a constraint bound within ctl.tol_pfeas of 0 as satisfied. Returns
// OUT_FINISHED, or OUT_NONCONVEX for a negative diagonal entry of Q.
int trivial_solve(const ProbView& v, const IpControl& ctl, IpResult* res);

}  // namespace zrv::opt
