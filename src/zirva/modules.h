// The problem-data modules beside the shape of a task and the notifications the shape operations send them.
// Every module is created with the task and deleted with it; each keeps its own data (quadratic terms, cones and
// matrix variables, solutions) and follows appends, capacity changes and removals of constraints and variables.
//
// Removal: `perm` lists the kept items of the kind in their old order followed by the removed ones (length: the
// old count); every per-item array is permuted by it and cut to `newcount`. Index references to items of the
// kind (quadratic terms, cone members) are renumbered, and references to removed items dropped.
#pragma once
#include <cstdint>

#include "zirva/problem.h"

struct ZRVtask_s;

namespace zrv {

struct QuadData;   // quadratic terms of the objective and the constraints
struct ConeData;   // cones, matrix variables and the symmetric-matrix store
struct SolStore;   // the three solutions

// ---- quadratic terms
int32_t quad_create(ZRVtask_s* t);
void quad_destroy(ZRVtask_s* t);
int32_t quad_set_capacity(ZRVtask_s* t, ItemKind kind, int32_t cap);
void quad_append(ZRVtask_s* t, ItemKind kind, int32_t num);
int32_t quad_remove(ZRVtask_s* t, ItemKind kind, const int32_t* perm, int32_t newcount);
bool quad_has_objective_terms(const ZRVtask_s* t);
bool quad_has_constraint_terms(const ZRVtask_s* t);
// Nonzeros of all quadratic terms, and the number of constraints with terms plus one when the objective has some.
void quad_counts(const ZRVtask_s* t, int64_t* numqnz, int32_t* numq);
// Copies the quadratic terms of src into dst (same shape already).
int32_t quad_clone(ZRVtask_s* dst, ZRVtask_s* src);
// Sets the size of the triplet pool (ZRV_resizetask); reports ZRV_RES_ERR_MAXNUMQNZ below the triplets in use.
int32_t quad_set_pool_size(ZRVtask_s* t, int64_t maxnumqnz);
// Read-only view of one quadratic term: its lower-triangle triplets, valid until the next change of the terms.
struct QuadView {
  const int32_t* subi = nullptr;
  const int32_t* subj = nullptr;
  const double* val = nullptr;
  int64_t nz = 0;
};
QuadView quad_objective(const ZRVtask_s* t);
QuadView quad_constraint(const ZRVtask_s* t, int32_t k);

// ---- cones and matrix variables
int32_t cone_create(ZRVtask_s* t);
void cone_destroy(ZRVtask_s* t);
int32_t cone_set_capacity(ZRVtask_s* t, ItemKind kind, int32_t cap);
void cone_append(ZRVtask_s* t, ItemKind kind, int32_t num);
// Reports ZRV_RES_ERR_REMOVE_CONE_VARIABLE when removing the marked variables would break a cone.
int32_t cone_check_remove_vars(ZRVtask_s* t, const uint8_t* removed);
int32_t cone_remove(ZRVtask_s* t, ItemKind kind, const int32_t* perm, int32_t newcount);
// A cone or a matrix variable exists.
bool cone_any(const ZRVtask_s* t);
// Copies the cones and matrix variables with their data from src into dst (same shape already).
int32_t cone_clone(ZRVtask_s* dst, ZRVtask_s* src);
// Sets the cone capacity (ZRV_RES_ERR_MAXNUMCONE below the number of cones).
int32_t cone_set_max_numcone(ZRVtask_s* t, int32_t maxnumcone);

// ---- solutions
int32_t sol_create(ZRVtask_s* t);
void sol_destroy(ZRVtask_s* t);
int32_t sol_set_capacity(ZRVtask_s* t, ItemKind kind, int32_t cap);
void sol_append(ZRVtask_s* t, ItemKind kind, int32_t first, int32_t num);
int32_t sol_remove(ZRVtask_s* t, ItemKind kind, const int32_t* perm, int32_t newcount);
// A bound changed; the new key and values are in the task, the old ones are given.
void sol_bound_changed(ZRVtask_s* t, ItemKind kind, int32_t i, int32_t oldbk, double oldbl, double oldbu);
void sol_objective_sense_changed(ZRVtask_s* t);
void sol_cj_changed(ZRVtask_s* t, int32_t j);
void sol_column_changed(ZRVtask_s* t, int32_t j);
// The quadratic term of the objective or of a constraint was replaced (ZRV_putqobj, ZRV_putqconk, ZRV_putqcon):
// every status of every defined solution becomes unknown.
void sol_quad_changed(ZRVtask_s* t);

// Changes of the cones and matrix variables that the solutions follow.
enum class ConeChange : int32_t {
  ConeCapacity,     // the cone capacity is now `num` (per-cone arrays follow it)
  ConeAppended,     // cone `index` was appended: its members count as having had their bounds changed
  ConeReplaced,     // cone `index` got new members (ZRV_putcone): the same downgrade
  ConesRemoved,     // cones removed: `perm` lists the kept cones then the removed ones (old count entries),
                    // `num` is the new count; every status becomes UNKNOWN
  BarVarCapacity,   // the matrix-variable capacity is now `num`
  BarVarsAppended,  // matrix variables index .. index+num-1 were appended
  BarVarsRemoved,   // like ConesRemoved, for matrix variables
};
int32_t sol_cones_changed(ZRVtask_s* t, ConeChange what, int32_t index, int32_t num, const int32_t* perm);

// Cones and matrix variables as the solutions follow them (called by the cone module). Appending or replacing a
// cone applies the variable-bound downgrade; removing cones or matrix variables makes every status unknown.
int32_t sol_set_cone_capacity(ZRVtask_s* t, int32_t cap);
int32_t sol_append_cones(ZRVtask_s* t, int32_t num);
void sol_cone_changed(ZRVtask_s* t);
int32_t sol_remove_cones(ZRVtask_s* t, const int32_t* perm, int32_t newcount);
int32_t sol_append_barvars(ZRVtask_s* t, int32_t num, const int32_t* dim);
int32_t sol_remove_barvars(ZRVtask_s* t, const int32_t* perm, int32_t newcount);
// Both statuses of every defined solution become unknown (changes of quadratic terms and the like).
void sol_all_unknown(ZRVtask_s* t);

// ---- contributions of quadratic terms, cones and matrix variables to the solution measures. Until the owning
// modules provide them, solconehook.cpp answers 0 / adds nothing. `xx` and `y` are full per-variable and
// per-constraint arrays of a solution, `barx`/`bars` the packed triangles of all matrix variables.
// 0.5 x'Q^o x.
double quad_objective_value(ZRVtask_s* t, const double* xx);
// Adds 0.5 x'Q^i x to r[i] for every constraint i.
void quad_constraint_add(ZRVtask_s* t, const double* xx, double* r);
// Adds w Q^o x - sum_i y_i Q^i x to g[j] for every variable j.
void quad_gradient_add(ZRVtask_s* t, const double* xx, const double* y, double w, double* g);
// The quadratic part of the dual objective: -0.5 x'Q^o x + 0.5 sum_i y_i x'Q^i x.
double quad_dual_objective_term(ZRVtask_s* t, const double* xx, const double* y);
// Violation of cone k by the members' xx values, and of the dual cone by their snx values.
double cone_primal_violation(ZRVtask_s* t, int32_t k, const double* xx);
double cone_dual_violation(ZRVtask_s* t, int32_t k, const double* snx);
// sum_j <C_j, X_j>.
double barvar_objective_value(ZRVtask_s* t, const double* barx);
// Adds sum_j <A_ij, X_j> to r[i] for every constraint i.
void barvar_constraint_add(ZRVtask_s* t, const double* barx, double* r);
// Semidefiniteness violation of X_j (its packed triangle).
double barvar_primal_violation(ZRVtask_s* t, int32_t j, const double* barxj);
// Violation of S_j = w C_j - sum_i y_i A_ij and of its semidefiniteness by the packed triangle barsj.
double barvar_dual_violation(ZRVtask_s* t, int32_t j, double w, const double* y, const double* barsj);

}  // namespace zrv
