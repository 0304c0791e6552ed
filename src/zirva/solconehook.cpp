// Contributions of quadratic terms, cones and matrix variables to the solution measures, as they stand while the
// quadratic and cone modules do not provide them: no terms, no cones, no matrix variables.
#include "zirva/modules.h"

namespace zrv {

double quad_objective_value(ZRVtask_s*, const double*) { return 0.0; }
void quad_constraint_add(ZRVtask_s*, const double*, double*) {}
void quad_gradient_add(ZRVtask_s*, const double*, const double*, double, double*) {}
double quad_dual_objective_term(ZRVtask_s*, const double*, const double*) { return 0.0; }
double cone_primal_violation(ZRVtask_s*, int32_t, const double*) { return 0.0; }
double cone_dual_violation(ZRVtask_s*, int32_t, const double*) { return 0.0; }
double barvar_objective_value(ZRVtask_s*, const double*) { return 0.0; }
void barvar_constraint_add(ZRVtask_s*, const double*, double*) {}
double barvar_primal_violation(ZRVtask_s*, int32_t, const double*) { return 0.0; }
double barvar_dual_violation(ZRVtask_s*, int32_t, double, const double*, const double*) { return 0.0; }

}  // namespace zrv
