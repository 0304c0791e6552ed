// Convexity of the quadratic terms: a semidefiniteness test of a symmetric matrix given by its lower triangle, and
// the check of a task's objective and quadratic constraints that ZRV_checkconvexity and the optimize driver run.
#pragma once
#include <cstdint>
#include <memory_resource>

struct ZRVtask_s;

namespace zrv {

// Absolute pivot tolerance of the semidefiniteness test; the relative one is a parameter
// (ZRV_DPAR_CHECK_CONVEXITY_REL_TOL, 1.0e-10 by default).
constexpr double PSD_ABS_TOL = 1.0e-16;

// True when sign * Q is positive semidefinite within the tolerances, Q symmetric with the given lower-triangle
// triplets (entries above the diagonal are read as their mirror; repeated positions are summed). The test is a
// sparse LDL' elimination without pivoting across rows, in minimum-degree order: a pivot below
// -max(abs_tol, rel_tol * s) fails, where s is the largest magnitude that took part in forming it; a pivot within
// the tolerance is taken as zero and its remaining column must be negligible against the diagonal of each row
// (q_ik^2 <= tol * max(d_i, tol)), as a zero pivot of a semidefinite matrix has a zero column.
bool is_psd(int64_t nz, const int32_t* subi, const int32_t* subj, const double* val, double sign, double rel_tol,
            double abs_tol, std::pmr::memory_resource* mr);

// The convexity check of a task by ZRV_IPAR_CHECK_CONVEXITY: the objective's term must be positive (minimization)
// or negative (maximization) semidefinite; each constraint's term by its bound key (free: any; upper bound:
// positive semidefinite; lower bound: negative semidefinite; fixed or ranged: none allowed). The first failure is
// reported and returned.
int32_t check_convexity(ZRVtask_s* t);

}  // namespace zrv
