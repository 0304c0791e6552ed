// The solution store of a task: the interior-point, basic and integer solutions with their statuses and arrays.
// The optimizers, the solution-file readers and the quality measures reach the arrays through this header; the
// exported get/put operations live in zirvasol.cpp, the measures and summaries in zirvasolqual.cpp.
#pragma once
#include <cstdint>
#include <memory_resource>

#include "zirva/problem.h"

struct ZRVtask_s;

namespace zrv {

constexpr int32_t NUM_SOLUTIONS = 3;

// One solution. Per-constraint arrays hold maxnumcon entries, per-variable arrays maxnumvar, skn maxnumcone;
// barx and bars hold the packed lower triangles of all matrix variables in index order. Arrays a solution kind
// does not have stay empty: no duals for the integer solution, no skn for the basic one, snx/barx/bars only for
// the interior-point one.
struct Solution {
  explicit Solution(std::pmr::memory_resource* m)
      : skc(m), skx(m), skn(m), xc(m), xx(m), y(m), slc(m), suc(m), slx(m), sux(m), snx(m), barx(m), bars(m) {}
  bool defined = false;
  int32_t prosta = 0;
  int32_t solsta = 0;
  pvec<int32_t> skc, skx, skn;
  pvec<double> xc, xx, y, slc, suc, slx, sux, snx, barx, bars;
};

struct SolStore {
  explicit SolStore(std::pmr::memory_resource* m) : sol{Solution(m), Solution(m), Solution(m)}, baroff(m) {
    baroff.push_back(0);
  }
  Solution sol[NUM_SOLUTIONS];
  // Cones as the store knows them (told by the cone module).
  int32_t numcone = 0, maxnumcone = 0;
  // Offsets of the matrix variables' packed triangles in barx/bars: numbarvar + 1 entries.
  pvec<int64_t> baroff;
  int32_t numbarvar() const { return static_cast<int32_t>(baroff.size()) - 1; }
};

inline bool solsta_is_certificate(int32_t s) {
  return s == 5 /*PRIM_INFEAS_CER*/ || s == 6 /*DUAL_INFEAS_CER*/ || s == 12 /*NEAR_PRIM_INFEAS_CER*/ ||
         s == 13 /*NEAR_DUAL_INFEAS_CER*/;
}
// Weight of the bounds and of the objective constant in the evaluation of a solution: 0 for a certificate.
inline double solution_weight(const Solution& s) { return solsta_is_certificate(s.solsta) ? 0.0 : 1.0; }

inline bool whichsol_valid(int32_t whichsol) { return whichsol >= 0 && whichsol < NUM_SOLUTIONS; }

// Solution `whichsol` (must be valid).
Solution& sol_of(ZRVtask_s* t, int32_t whichsol);

// Defines an undefined solution: allocates its arrays zero-filled with the current capacities. On failure
// everything is freed, the solution stays undefined and ZRV_RES_ERR_SPACE is reported and returned. The statuses
// are not touched.
int32_t sol_define(ZRVtask_s* t, int32_t whichsol);

// Frees the arrays and makes the solution undefined with unknown statuses.
void sol_undefine(ZRVtask_s* t, int32_t whichsol);

// Stores the statuses of a defined solution (used by the optimizers and the readers).
void sol_set_status(ZRVtask_s* t, int32_t whichsol, int32_t prosta, int32_t solsta);

// Reports ZRV_RES_ERR_INVALID_WHICHSOL for an invalid whichsol.
int32_t sol_check_whichsol(ZRVtask_s* t, int32_t whichsol);
// Reports ZRV_RES_ERR_UNDEF_SOLUTION for an undefined solution.
int32_t sol_check_defined(ZRVtask_s* t, int32_t whichsol);

}  // namespace zrv
