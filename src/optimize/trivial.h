// Problems without constraints or without variables, solved in closed form: with no constraints a linear
// objective separates into one bound-constrained variable each; with no variables every constraint activity is 0.
#pragma once
#include "optimize/ipview.h"

namespace zrv::opt {

// True when the view is such a problem (no constraints and no quadratic term, or no variables).
bool is_trivial(const ProbView& v);

// Solves it in the terms of the engine: statuses, solution or certificate, status keys. A coefficient within
// ctl.tol_dfeas of 0 counts as 0 and a constraint bound within ctl.tol_pfeas of 0 as satisfied. Returns
// OUT_FINISHED.
int trivial_solve(const ProbView& v, const IpControl& ctl, IpResult* res);

}  // namespace zrv::opt
