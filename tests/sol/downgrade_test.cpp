// Status downgrades of the stored solutions after data changes: objective sense and coefficients, appends,
// variable and constraint bounds (tightened, relaxed, removed sides), columns of A and removals.
#include <functional>
#include <utility>
#include <vector>

#include "sol/solfixture.h"
#include "zirva/modules.h"

using soltest::SolFixture;

namespace {

using Map = std::vector<std::pair<int32_t, int32_t>>;
using V = std::vector<int32_t>;

const V ALL_PROSTA = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const V ALL_SOLSTA = {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15};

// Expected image of v under a map; unlisted values go to UNKNOWN (full) or stay (partial).
int32_t image(const Map& m, int32_t v, bool full) {
  for (auto [a, b] : m)
    if (a == v) return b;
  return full ? 0 : v;
}

struct Downgrade : SolFixture {
  // Runs `change` once per status value on solution w (prepared by `prepare`) and compares every result with
  // the expected map. The other status is held at UNKNOWN.
  void check_tables(int32_t w, const std::function<void()>& prepare, const std::function<void()>& change,
                    const Map& pro, const Map& sol, bool full) {
    for (int32_t p : ALL_PROSTA) {
      prepare();
      status(w, p, 0);
      change();
      EXPECT_EQ(prosta(w), image(pro, p, full)) << "problem status " << p;
    }
    for (int32_t s : ALL_SOLSTA) {
      prepare();
      status(w, 0, s);
      change();
      EXPECT_EQ(solsta(w), image(sol, s, full)) << "solution status " << s;
    }
  }
};

constexpr int32_t P_PDF = ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, P_PF = ZRV_PRO_STA_PRIM_FEAS,
                  P_DF = ZRV_PRO_STA_DUAL_FEAS, P_PI = ZRV_PRO_STA_PRIM_INFEAS, P_DI = ZRV_PRO_STA_DUAL_INFEAS,
                  P_PDI = ZRV_PRO_STA_PRIM_AND_DUAL_INFEAS, P_ILL = ZRV_PRO_STA_ILL_POSED,
                  P_NPDF = ZRV_PRO_STA_NEAR_PRIM_AND_DUAL_FEAS, P_NPF = ZRV_PRO_STA_NEAR_PRIM_FEAS,
                  P_NDF = ZRV_PRO_STA_NEAR_DUAL_FEAS;
constexpr int32_t S_OPT = ZRV_SOL_STA_OPTIMAL, S_PF = ZRV_SOL_STA_PRIM_FEAS, S_DF = ZRV_SOL_STA_DUAL_FEAS,
                  S_PDF = ZRV_SOL_STA_PRIM_AND_DUAL_FEAS, S_PIC = ZRV_SOL_STA_PRIM_INFEAS_CER,
                  S_DIC = ZRV_SOL_STA_DUAL_INFEAS_CER, S_NOPT = ZRV_SOL_STA_NEAR_OPTIMAL,
                  S_NPF = ZRV_SOL_STA_NEAR_PRIM_FEAS, S_NDF = ZRV_SOL_STA_NEAR_DUAL_FEAS,
                  S_NPDF = ZRV_SOL_STA_NEAR_PRIM_AND_DUAL_FEAS, S_NPIC = ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER,
                  S_NDIC = ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER, S_IO = ZRV_SOL_STA_INTEGER_OPTIMAL,
                  S_NIO = ZRV_SOL_STA_NEAR_INTEGER_OPTIMAL;

const Map OBJ_PRO = {{P_PDF, P_PF}, {P_PF, P_PF}, {P_PI, P_PI}, {P_PDI, P_PI}, {P_NPDF, P_NPF}, {P_NPF, P_NPF}};

}  // namespace

TEST_F(Downgrade, SenseObjectiveAppendsAndVariableBounds) {
  shape(1, 2);
  define(ZRV_SOL_ITG);
  auto none = [] {};
  check_tables(ZRV_SOL_ITG, none, [&] { zrv::sol_objective_sense_changed(task); }, {}, {}, true);
  const Map obj_sol = {{S_PF, S_PF}, {S_PDF, S_PF}, {S_IO, S_PF}, {S_PIC, S_PIC}, {S_NPF, S_NPF}, {S_NPDF, S_NPF}};
  check_tables(ZRV_SOL_ITG, none, [&] { zrv::sol_cj_changed(task, 1); }, OBJ_PRO, obj_sol, true);
  // Appended variables: the same, except that integer optimality does not survive.
  Map app_sol = obj_sol;
  app_sol[2] = {S_IO, 0};
  check_tables(ZRV_SOL_ITG, none, [&] { ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK); }, OBJ_PRO, app_sol, true);
  check_tables(ZRV_SOL_ITG, none, [&] { ASSERT_EQ(ZRV_appendcons(task, 1), ZRV_RES_OK); },
               {{P_PDF, P_DF}, {P_DF, P_DF}, {P_PI, P_PI}, {P_PDI, P_PI}, {P_NPDF, P_NDF}, {P_NDF, P_NDF}},
               {{S_OPT, S_DF}, {S_DF, S_DF}, {S_PDF, S_DF}, {S_PIC, S_PIC}, {S_NOPT, S_NDF}, {S_NDF, S_NDF},
                {S_NPDF, S_NDF}},
               true);
  // A variable bound, whatever the new values are, even the old ones.
  check_tables(ZRV_SOL_ITG, none, [&] { ASSERT_EQ(ZRV_putvarbound(task, 0, ZRV_BK_FX, 0, 0), ZRV_RES_OK); },
               {{P_PDF, P_DF}, {P_DF, P_DF}, {P_DI, P_DI}, {P_PDI, P_DI}, {P_NPDF, P_NDF}, {P_NDF, P_NDF}},
               {{S_DF, S_DF}, {S_PDF, S_DF}, {S_NDF, S_NDF}, {S_NPDF, S_NDF}}, true);
  // Values stay readable after a change of sense.
  const double xx[] = {3, 4};
  ASSERT_EQ(ZRV_putxxslice(task, ZRV_SOL_ITG, 0, 2, xx), ZRV_RES_OK);
  status(ZRV_SOL_ITG, P_PDF, S_IO);
  zrv::sol_objective_sense_changed(task);
  double got[2];
  ASSERT_EQ(ZRV_getxxslice(task, ZRV_SOL_ITG, 0, 2, got), ZRV_RES_OK);
  EXPECT_EQ(got[1], 4.0);
  EXPECT_EQ(solsta(ZRV_SOL_ITG), 0);
}

TEST_F(Downgrade, ColumnChangeKeepsPrimalClaimsOnlyWhenTheVariableIsZero) {
  shape(1, 2);
  define(ZRV_SOL_ITR);
  const double xx[] = {0.5e-8, 2.0};
  ASSERT_EQ(ZRV_putxx(task, ZRV_SOL_ITR, xx), ZRV_RES_OK);
  auto none = [] {};
  check_tables(ZRV_SOL_ITR, none, [&] { zrv::sol_column_changed(task, 0); },
               {{P_PDF, P_PF}, {P_PF, P_PF}, {P_NPDF, P_NPF}, {P_NPF, P_NPF}},
               {{S_OPT, S_PF}, {S_PF, S_PF}, {S_PDF, S_PF}, {S_IO, S_PF}, {S_NPF, S_NPF}, {S_NPDF, S_NPF}}, true);
  check_tables(ZRV_SOL_ITR, none, [&] { zrv::sol_column_changed(task, 1); }, {}, {}, true);
}

TEST_F(Downgrade, TightenedConstraintBound) {
  shape(1, 1);
  ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_RA, 0.0, 10.0), ZRV_RES_OK);
  define(ZRV_SOL_ITR);
  const double xc = 5.0;
  ASSERT_EQ(ZRV_putxc(task, ZRV_SOL_ITR, &xc), ZRV_RES_OK);
  auto reset = [&] { ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_RA, 0.0, 10.0), ZRV_RES_OK); };
  const Map tight_pro = {{P_PDI, P_PI}, {P_DI, 0}, {P_ILL, 0}};
  // Tightened, the activity still inside: only the dual infeasibility claims go.
  check_tables(ZRV_SOL_ITR, reset, [&] { ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_RA, 4.0, 6.0), ZRV_RES_OK); },
               tight_pro, {}, false);
  // Tightened past the activity: the primal claims go too.
  Map lost_pro = {{P_PDI, P_PI}, {P_DI, 0}, {P_ILL, 0}, {P_PDF, P_DF}, {P_NPDF, P_NDF}, {P_PF, 0}, {P_NPF, 0}};
  Map lost_sol = {{S_OPT, S_DF}, {S_PDF, S_DF}, {S_NOPT, S_NDF}, {S_NPDF, S_NDF}, {S_PF, 0},
                  {S_DIC, 0},    {S_NPF, 0},    {S_IO, 0},       {S_NIO, 0},       {S_NDIC, 0}};
  check_tables(ZRV_SOL_ITR, reset, [&] { ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_RA, 0.0, 4.0), ZRV_RES_OK); },
               lost_pro, lost_sol, false);
  // A side that did not exist counts as tightened.
  auto free_con = [&] { ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_FR, 0, 0), ZRV_RES_OK); };
  check_tables(ZRV_SOL_ITR, free_con, [&] { ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, 6.0, 0), ZRV_RES_OK); },
               lost_pro, lost_sol, false);
  // Within the tolerance nothing is tightened; the basic solution has the wider basis tolerance.
  ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, 5.0, 0), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putxc(task, ZRV_SOL_BAS, &xc), ZRV_RES_OK);
  status(ZRV_SOL_ITR, P_DI, S_OPT);
  status(ZRV_SOL_BAS, P_DI, S_OPT);
  ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, 5.0 + 0.5e-8, 0), ZRV_RES_OK);
  EXPECT_EQ(V({prosta(ZRV_SOL_ITR), solsta(ZRV_SOL_ITR)}), V({P_DI, S_OPT}));
  ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, 5.0 + 1e-7, 0), ZRV_RES_OK);
  EXPECT_EQ(V({solsta(ZRV_SOL_ITR), solsta(ZRV_SOL_BAS)}), V({S_DF, S_OPT}));
}

TEST_F(Downgrade, RelaxedAndRemovedConstraintSides) {
  shape(1, 1);
  define(ZRV_SOL_BAS);
  const double xc = 0.0;
  ASSERT_EQ(ZRV_putxc(task, ZRV_SOL_BAS, &xc), ZRV_RES_OK);
  auto with_dual = [&](double slc) {
    return [this, slc] {
      ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, 0.0, 0), ZRV_RES_OK);
      ASSERT_EQ(ZRV_putslc(task, ZRV_SOL_BAS, &slc), ZRV_RES_OK);
    };
  };
  auto relax = [&] { ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, -1.0, 0), ZRV_RES_OK); };
  auto remove = [&] { ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_FR, 0, 0), ZRV_RES_OK); };
  const Map relax_pro = {{P_PDI, P_DI}, {P_PI, 0}, {P_ILL, 0}};
  const Map relax_sol = {{S_OPT, S_PDF}, {S_IO, S_PF}, {S_NOPT, S_NPDF}, {S_NIO, S_NPF}, {S_PIC, 0}, {S_NPIC, 0}};
  // The side's dual value is in use: optimality and infeasibility claims go.
  check_tables(ZRV_SOL_BAS, with_dual(2.0), relax, relax_pro, relax_sol, false);
  // Removed: the dual claims go as well.
  check_tables(ZRV_SOL_BAS, with_dual(2.0), remove,
               {{P_PDF, P_PF}, {P_NPDF, P_NPF}, {P_DF, 0}, {P_NDF, 0}, {P_PDI, P_DI}, {P_PI, 0}, {P_ILL, 0}},
               {{S_OPT, S_PF}, {S_PDF, S_PF}, {S_IO, S_PF}, {S_NOPT, S_NPF}, {S_NPDF, S_NPF}, {S_NIO, S_NPF},
                {S_DF, 0}, {S_NDF, 0}, {S_PIC, 0}, {S_NPIC, 0}},
               false);
  // A side whose dual value is zero: the solution keeps its claims, only the problem's infeasibility goes.
  check_tables(ZRV_SOL_BAS, with_dual(0.0), remove, relax_pro, {}, false);
  // ... unless the solution is a certificate that never used the side.
  with_dual(0.0)();
  status(ZRV_SOL_BAS, P_PI, S_PIC);
  remove();
  EXPECT_EQ(V({prosta(ZRV_SOL_BAS), solsta(ZRV_SOL_BAS)}), V({P_PI, S_PIC}));
  // The integer solution has no dual values: every relaxation counts.
  define(ZRV_SOL_ITG);
  ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, 0.0, 0), ZRV_RES_OK);
  status(ZRV_SOL_ITG, P_PF, S_IO);
  relax();
  EXPECT_EQ(solsta(ZRV_SOL_ITG), S_PF);
}

TEST_F(Downgrade, ConstraintStatusKeys) {
  shape(3, 1);
  for (int32_t i = 0; i < 3; ++i) ASSERT_EQ(ZRV_putconbound(task, i, ZRV_BK_FX, 2.0, 2.0), ZRV_RES_OK);
  const int32_t keys[] = {ZRV_SK_LOW, ZRV_SK_UPR, ZRV_SK_FIX};
  const double xc[] = {2.0, 2.0, 2.0};
  ASSERT_EQ(ZRV_putskc(task, ZRV_SOL_ITR, keys), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putxc(task, ZRV_SOL_ITR, xc), ZRV_RES_OK);
  // Lower side moved away from the activity; upper side kept at it; fixed item loses its lower side.
  ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_RA, 1.0, 2.0), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(task, 1, ZRV_BK_RA, 1.0, 2.0), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconbound(task, 2, ZRV_BK_UP, 0, 2.0), ZRV_RES_OK);
  V got(3);
  ASSERT_EQ(ZRV_getskc(task, ZRV_SOL_ITR, got.data()), ZRV_RES_OK);
  EXPECT_EQ(got, V({ZRV_SK_UNK, ZRV_SK_UPR, ZRV_SK_UNK}));
  // A certificate is measured against zero bounds: a ray at 0 stays at its lower side of 1, an ordinary
  // solution at 0 does not.
  const int32_t low[] = {ZRV_SK_LOW, ZRV_SK_LOW, ZRV_SK_LOW};
  const double ray[] = {0.0, 0.0, 0.0};
  ASSERT_EQ(ZRV_putskc(task, ZRV_SOL_ITR, low), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putxc(task, ZRV_SOL_ITR, ray), ZRV_RES_OK);
  status(ZRV_SOL_ITR, P_DI, S_DIC);
  ASSERT_EQ(ZRV_putconbound(task, 0, ZRV_BK_LO, 1.0, 0), ZRV_RES_OK);
  status(ZRV_SOL_ITR, P_DI, S_PF);
  ASSERT_EQ(ZRV_putconbound(task, 1, ZRV_BK_LO, 1.0, 0), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getskc(task, ZRV_SOL_ITR, got.data()), ZRV_RES_OK);
  EXPECT_EQ(V({got[0], got[1]}), V({ZRV_SK_LOW, ZRV_SK_UNK}));
}

TEST_F(Downgrade, RemovalAppliesTheBoundRules) {
  shape(2, 3);
  ASSERT_EQ(ZRV_putconbound(task, 1, ZRV_BK_LO, 1.0, 0), ZRV_RES_OK);
  const double xx[] = {1, 0, 0}, xc[] = {0, 1}, slc[] = {0, 3};
  ASSERT_EQ(ZRV_putxx(task, ZRV_SOL_BAS, xx), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putxc(task, ZRV_SOL_BAS, xc), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putslc(task, ZRV_SOL_BAS, slc), ZRV_RES_OK);
  // A removed constraint becomes free first: its used lower side is removed.
  status(ZRV_SOL_BAS, P_PDF, S_OPT);
  const int32_t c1[] = {1};
  ASSERT_EQ(ZRV_removecons(task, 1, c1), ZRV_RES_OK);
  EXPECT_EQ(V({prosta(ZRV_SOL_BAS), solsta(ZRV_SOL_BAS)}), V({P_PF, S_PF}));
  // A removed variable is fixed at 0 first: the variable-bound table applies.
  status(ZRV_SOL_BAS, P_PDF, S_PDF);
  const int32_t v0[] = {0};
  ASSERT_EQ(ZRV_removevars(task, 1, v0), ZRV_RES_OK);
  EXPECT_EQ(V({prosta(ZRV_SOL_BAS), solsta(ZRV_SOL_BAS)}), V({P_DF, S_DF}));
}
