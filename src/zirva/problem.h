// The problem a task holds: shape, bounds, variable types and branching hints, the objective and the constraint
// matrix. Quadratic terms, cones and matrix variables, names and solutions live in their own modules beside it
// (zirva/modules.h) and follow every change of the shape.
#pragma once
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "cpub/sprmat.h"

struct ZRVtask_s;

namespace zrv {

template <class T>
using pvec = std::pmr::vector<T>;

constexpr double INF_BOUND = 1.0e30;

struct Problem {
  explicit Problem(std::pmr::memory_resource* m)
      : bkc(m), blc(m), buc(m), bkx(m), blx(m), bux(m), c(m), vartype(m), varcone(m), branchpri(m),
        branchdir(m), A(m) {}

  int32_t numcon = 0, numvar = 0;
  int32_t maxnumcon = 0, maxnumvar = 0;
  int32_t numintvar = 0;
  // Per constraint: bound key and the stored lower and upper values.
  pvec<int32_t> bkc;
  pvec<double> blc, buc;
  // Per variable: bound key, stored values, objective coefficient, type, cone holding it (0 none, else index+1).
  pvec<int32_t> bkx;
  pvec<double> blx, bux, c;
  pvec<int32_t> vartype;
  pvec<int32_t> varcone;
  // Branching priorities and directions exist after the first ZRV_putvarbranchorder.
  bool has_branch = false;
  pvec<int32_t> branchpri, branchdir;
  // Objective constant and sense.
  double cfix = 0.0;
  int32_t sense = 0;
  // General nonlinear functions are installed by the caller (none in this build).
  bool has_nl = false;
  // The constraint matrix: numcon rows by numvar columns.
  SprMat A;
};

// Bound key helpers.
inline bool bk_has_lower(int32_t bk) { return bk == 0 /*LO*/ || bk == 2 /*FX*/ || bk == 4 /*RA*/; }
inline bool bk_has_upper(int32_t bk) { return bk == 1 /*UP*/ || bk == 2 /*FX*/ || bk == 4 /*RA*/; }

// Lower and upper bound as the getters report them: an absent side is -1e30 / +1e30 whatever is stored.
inline double lower_of(int32_t bk, double bl) { return bk_has_lower(bk) ? bl : -INF_BOUND; }
inline double upper_of(int32_t bk, double bu) { return bk_has_upper(bk) ? bu : INF_BOUND; }

// Item kinds of the shape notifications.
enum ItemKind : int32_t { ITEM_CON = 0, ITEM_VAR = 1 };

// Name of item i of a kind for messages (the item's own name, or a generic one).
const char* item_name(ZRVtask_s* t, ItemKind kind, int32_t i, char* buf, size_t cap);

// Internal single-bound put with every check, the normalization and the solution update.
int32_t put_one_bound(ZRVtask_s* t, ItemKind kind, int32_t i, int32_t bk, double bl, double bu);

// Capacity changes, growth and removal used by the other problem-data modules and the readers.
int32_t set_capacity(ZRVtask_s* t, ItemKind kind, int32_t cap);
int32_t append_items(ZRVtask_s* t, ItemKind kind, int32_t num);

// The problem and its modules of a task: made by the task constructor, released by its destructor.
int32_t create_problem(ZRVtask_s* t);
void destroy_problem(ZRVtask_s* t);

// Report of a sparse-matrix status (ZRV_RES_OK for success).
int32_t report_sp_status(ZRVtask_s* t, int32_t status, const char* file, int line);

}  // namespace zrv
