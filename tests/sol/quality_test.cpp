// Solution quality: violations recomputed by hand on a small problem, certificates measured with weight 0,
// objective values, the information items, the older summary, the solution summaries and argument checks.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sol/solfixture.h"

using soltest::SolFixture;

namespace {

//   min x0 + 2 x1 + 3 x2 + 0.5
//   c0:  x0 + 2 x1        >= 1
//   c1:         x1 - x2   in [-1, 1]
//   x0 >= 0, x1 in [0, 2], x2 free
struct Quality : SolFixture {
  void SetUp() override {
    SolFixture::SetUp();
    const double c[] = {1, 2, 3};
    const int32_t ptrb[] = {0, 1, 3}, ptre[] = {1, 3, 4}, sub[] = {0, 0, 1, 1};
    const double val[] = {1, 2, 1, -1};
    const int32_t bkc[] = {ZRV_BK_LO, ZRV_BK_RA}, bkx[] = {ZRV_BK_LO, ZRV_BK_RA, ZRV_BK_FR};
    const double blc[] = {1, -1}, buc[] = {0, 1}, blx[] = {0, 0, 0}, bux[] = {0, 2, 0};
    ASSERT_EQ(ZRV_inputdata(task, 2, 3, 2, 3, c, 0.5, ptrb, ptre, sub, val, bkc, blc, buc, bkx, blx, bux),
              ZRV_RES_OK);
  }
  void put(int32_t w, std::vector<double> xx, std::vector<double> xc) {
    ASSERT_EQ(ZRV_putxx(task, w, xx.data()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putxc(task, w, xc.data()), ZRV_RES_OK);
  }
  void put_duals(int32_t w, std::vector<double> y, std::vector<double> slc, std::vector<double> suc,
                 std::vector<double> slx, std::vector<double> sux) {
    ASSERT_EQ(ZRV_puty(task, w, y.data()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putslc(task, w, slc.data()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putsuc(task, w, suc.data()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putslx(task, w, slx.data()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putsux(task, w, sux.data()), ZRV_RES_OK);
  }
  std::vector<double> viol(ZRVrescodee (*f)(ZRVtask_t, ZRVsoltypee, ZRVint32t, const ZRVint32t*, ZRVrealt*),
                           int32_t w, int32_t n) {
    std::vector<int32_t> sub(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) sub[static_cast<size_t>(i)] = n - 1 - i;  // listed in reverse
    std::vector<double> v(static_cast<size_t>(n), -1.0);
    EXPECT_EQ(f(task, w, n, sub.data(), v.data()), ZRV_RES_OK);
    std::reverse(v.begin(), v.end());
    return v;
  }
  std::string summary(int32_t w) {
    msg.text.clear();
    EXPECT_EQ(ZRV_onesolutionsummary(task, ZRV_STREAM_MSG, w), ZRV_RES_OK);
    flush();
    return msg.text;
  }
};

using V = std::vector<double>;

}  // namespace

TEST_F(Quality, PrimalViolationsAndCertificates) {
  put(ZRV_SOL_BAS, {1, 0.5, 0}, {2, 0.5});
  EXPECT_EQ(viol(ZRV_getpviolcon, ZRV_SOL_BAS, 2), V({0, 0}));
  EXPECT_EQ(viol(ZRV_getpviolvar, ZRV_SOL_BAS, 3), V({0, 0, 0}));
  double obj = 0;
  ASSERT_EQ(ZRV_getprimalobj(task, ZRV_SOL_BAS, &obj), ZRV_RES_OK);
  EXPECT_DOUBLE_EQ(obj, 2.5);

  // Activity below the lower bound of c0 (consistent with A xx), variables outside their bounds.
  put(ZRV_SOL_BAS, {0.5, 0, -4}, {0.5, 4});
  EXPECT_EQ(viol(ZRV_getpviolcon, ZRV_SOL_BAS, 2), V({0.5, 3}));
  put(ZRV_SOL_BAS, {-0.5, 3, 0}, {5.5, 3});
  EXPECT_EQ(viol(ZRV_getpviolvar, ZRV_SOL_BAS, 3), V({0.5, 1, 0}));
  EXPECT_EQ(viol(ZRV_getpviolcon, ZRV_SOL_BAS, 2), V({0, 2}));
  // A stored activity off A xx by 0.25 counts although the bounds hold.
  put(ZRV_SOL_BAS, {1, 0.5, 0}, {2.25, 0.5});
  EXPECT_EQ(viol(ZRV_getpviolcon, ZRV_SOL_BAS, 2), V({0.25, 0}));

  // A dual infeasibility certificate is a ray: bounds and cfix count with weight 0.
  put(ZRV_SOL_ITR, {0.5, 1, -4}, {2.5, 5});
  status(ZRV_SOL_ITR, ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_DUAL_INFEAS_CER);
  EXPECT_EQ(viol(ZRV_getpviolcon, ZRV_SOL_ITR, 2), V({0, 5}));
  ASSERT_EQ(ZRV_getprimalobj(task, ZRV_SOL_ITR, &obj), ZRV_RES_OK);
  EXPECT_DOUBLE_EQ(obj, 0.5 + 2 - 12);
  status(ZRV_SOL_ITR, ZRV_PRO_STA_DUAL_INFEAS, ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER);
  EXPECT_EQ(viol(ZRV_getpviolvar, ZRV_SOL_ITR, 3), V({0, 1, 0}));
  status(ZRV_SOL_ITR, ZRV_PRO_STA_UNKNOWN, ZRV_SOL_STA_UNKNOWN);
  EXPECT_EQ(viol(ZRV_getpviolcon, ZRV_SOL_ITR, 2), V({0, 4}));

  // The matrix read in either orientation gives the same activities.
  put(ZRV_SOL_BAS, {0.5, 0.25, -4}, {0, 0});
  V cols = viol(ZRV_getpviolcon, ZRV_SOL_BAS, 2);
  ASSERT_EQ(task->prob->A.orient(zrv::SpDim::Rows), zrv::SpStatus::Ok);
  EXPECT_EQ(viol(ZRV_getpviolcon, ZRV_SOL_BAS, 2), cols);
  EXPECT_EQ(cols, V({1, 4.25}));
}

TEST_F(Quality, DualViolationsObjectiveAndSense) {
  put(ZRV_SOL_BAS, {1, 0.5, 0}, {2, 0.5});
  put_duals(ZRV_SOL_BAS, {1.5, -2}, {1.5, 0}, {0, 0.5}, {0.25, 0, 0}, {0, 1, 0});
  // A'y = (1.5, 1, 2); residuals c - A'y - slx + sux.
  EXPECT_EQ(viol(ZRV_getdviolcon, ZRV_SOL_BAS, 2), V({0, 1.5}));
  EXPECT_EQ(viol(ZRV_getdviolvar, ZRV_SOL_BAS, 3), V({0.75, 2, 1}));
  double dobj = 0;
  ASSERT_EQ(ZRV_getdualobj(task, ZRV_SOL_BAS, &dobj), ZRV_RES_OK);
  EXPECT_DOUBLE_EQ(dobj, 1.5 - 0.5 - 2 + 0.5);
  // Dual values on a side that does not exist, and of the wrong sign.
  put_duals(ZRV_SOL_BAS, {-1, 0}, {0, 0}, {1, 0}, {-0.25, 0, 0.5}, {0, 0, 0});
  EXPECT_EQ(viol(ZRV_getdviolcon, ZRV_SOL_BAS, 2), V({1, 0}));
  EXPECT_EQ(viol(ZRV_getdviolvar, ZRV_SOL_BAS, 3), V({2.25, 4, 2.5}));
  // Maximization turns the signs of the bound duals around.
  task->prob->sense = ZRV_OBJECTIVE_SENSE_MAXIMIZE;
  put_duals(ZRV_SOL_BAS, {-1, 0}, {-1, 0}, {0, 0}, {2, 0, 0}, {0, 0, 0});
  EXPECT_EQ(viol(ZRV_getdviolcon, ZRV_SOL_BAS, 2), V({0, 0}));
  EXPECT_EQ(viol(ZRV_getdviolvar, ZRV_SOL_BAS, 3), V({2, 4, 3}));
  task->prob->sense = ZRV_OBJECTIVE_SENSE_MINIMIZE;
  EXPECT_EQ(viol(ZRV_getdviolcon, ZRV_SOL_BAS, 2), V({1, 0}));
  EXPECT_EQ(viol(ZRV_getdviolvar, ZRV_SOL_BAS, 3), V({0, 4, 3}));

  // A primal infeasibility certificate: c and cfix with weight 0, the bounds still price the dual ray.
  put(ZRV_SOL_ITR, {0, 0, 0}, {0, 0});
  put_duals(ZRV_SOL_ITR, {1.5, -2}, {1.5, 0}, {0, 0.5}, {0.25, 0, 0}, {0, 1, 0});
  status(ZRV_SOL_ITR, ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_PRIM_INFEAS_CER);
  EXPECT_EQ(viol(ZRV_getdviolvar, ZRV_SOL_ITR, 3), V({1.75, 0, 2}));
  ASSERT_EQ(ZRV_getdualobj(task, ZRV_SOL_ITR, &dobj), ZRV_RES_OK);
  EXPECT_DOUBLE_EQ(dobj, 1.5 - 0.5 - 2);
  // snx enters the interior-point residual.
  const double snx[] = {-0.25, 0, 0};
  ASSERT_EQ(ZRV_putsnx(task, ZRV_SOL_ITR, snx), ZRV_RES_OK);
  status(ZRV_SOL_ITR, ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_PRIM_INFEAS_CER);
  EXPECT_EQ(viol(ZRV_getdviolvar, ZRV_SOL_ITR, 3)[0], 1.5);
}

TEST_F(Quality, MaximaInfoItemsAndOlderMeasuresAgree) {
  ASSERT_EQ(ZRV_putvartype(task, 2, ZRV_VAR_TYPE_INT), ZRV_RES_OK);
  put(ZRV_SOL_ITG, {0.5, 3, 2.25}, {5.5, 0.75});
  double pobj, pcon, pvar, pbar, pcone, pitg, d = -1;
  ASSERT_EQ(ZRV_getsolutioninfo(task, ZRV_SOL_ITG, &pobj, &pcon, &pvar, &pbar, &pcone, &pitg, nullptr, nullptr,
                                nullptr, nullptr, nullptr),
            ZRV_RES_OK);
  V vc = viol(ZRV_getpviolcon, ZRV_SOL_ITG, 2), vv = viol(ZRV_getpviolvar, ZRV_SOL_ITG, 3);
  EXPECT_EQ(V({pcon, pvar, pitg, pbar, pcone}), V({*std::max_element(vc.begin(), vc.end()), 1, 0.25, 0, 0}));
  EXPECT_EQ(vc, V({1, 0}));
  EXPECT_EQ(viol(ZRV_getinti, ZRV_SOL_ITG, 3), V({0, 0, 0.25}));
  ASSERT_EQ(ZRV_updatesolutioninfo(task, ZRV_SOL_ITG), ZRV_RES_OK);
  ZRV_getdouinf(task, ZRV_DINF_SOL_ITG_PRIMAL_OBJ, &d);
  EXPECT_EQ(d, pobj);
  ZRV_getdouinf(task, ZRV_DINF_SOL_ITG_PVIOLITG, &d);
  EXPECT_EQ(d, 0.25);
  EXPECT_EQ(ZRV_updatesolutioninfo(task, ZRV_SOL_BAS), ZRV_RES_ERR_UNDEF_SOLUTION);

  // The older summary and per-item measures: bound maxima over constraints and variables, equality measures 0.
  put(ZRV_SOL_BAS, {0.5, 3, 2.25}, {5.5, 0.75});
  status(ZRV_SOL_BAS, ZRV_PRO_STA_PRIM_FEAS, ZRV_SOL_STA_PRIM_FEAS);
  int32_t prosta = -1, solsta = -1;
  double obj, maxpbi, maxpcni, maxpeqi = -1, maxinti, dobj, maxdbi, maxdcni, maxdeqi = -1;
  ASSERT_EQ(ZRV_getsolutioninf(task, ZRV_SOL_BAS, &prosta, &solsta, &obj, &maxpbi, &maxpcni, &maxpeqi, &maxinti,
                               &dobj, &maxdbi, &maxdcni, &maxdeqi),
            ZRV_RES_OK);
  EXPECT_EQ(V({double(prosta), maxpbi, maxpeqi, maxdeqi, maxdbi}), V({ZRV_PRO_STA_PRIM_FEAS, 1, 0, 0, 3}));
  const int32_t all[] = {0, 1, 2};
  double pbi[3], dbi[3], peqi[2] = {-1, -1};
  ASSERT_EQ(ZRV_getpbi(task, ZRV_SOL_BAS, ZRV_ACC_VAR, 3, all, pbi), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getdbi(task, ZRV_SOL_BAS, ZRV_ACC_VAR, 3, all, dbi), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getpeqi(task, ZRV_SOL_BAS, 2, all, peqi), ZRV_RES_OK);
  EXPECT_EQ(V(pbi, pbi + 3), vv);
  EXPECT_EQ(V(dbi, dbi + 3), V({1, 2, 3}));  // |c| with zero duals
  EXPECT_EQ(V(peqi, peqi + 2), V({0, 0}));
}

TEST_F(Quality, ArgumentChecks) {
  const int32_t sub[] = {0, 5};
  double v[2];
  EXPECT_EQ(ZRV_getpviolcon(task, 3, 1, sub, v), ZRV_RES_ERR_INVALID_WHICHSOL);
  EXPECT_EQ(ZRV_getpviolcon(task, ZRV_SOL_BAS, 2, sub, v), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(last_message(), "The index value 5 occurring in argument 'sub' is too large.");
  EXPECT_EQ(ZRV_getpviolcon(task, ZRV_SOL_BAS, 1, sub, v), ZRV_RES_ERR_UNDEF_SOLUTION);
  EXPECT_EQ(ZRV_getpviolvar(task, ZRV_SOL_BAS, 1, nullptr, v), ZRV_RES_ERR_NULL_POINTER);
  put(ZRV_SOL_ITG, {0, 0, 0}, {0, 0});
  EXPECT_EQ(ZRV_getdviolvar(task, ZRV_SOL_ITG, 1, sub, v), ZRV_RES_ERR_NO_DUAL_FOR_ITG_SOL);
  EXPECT_EQ(ZRV_getdualobj(task, ZRV_SOL_ITG, v), ZRV_RES_ERR_NO_DUAL_INFO_FOR_ITG_SOL);
  EXPECT_EQ(ZRV_getpbi(task, ZRV_SOL_ITG, 4, 1, sub, v), ZRV_RES_ERR_INVALID_ACCMODE);
  EXPECT_EQ(ZRV_getpviolcones(task, ZRV_SOL_ITG, 1, sub, v), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_onesolutionsummary(task, 4, ZRV_SOL_ITG), ZRV_RES_ERR_INVALID_STREAM);
  EXPECT_EQ(ZRV_onesolutionsummary(task, ZRV_STREAM_MSG, 3), ZRV_RES_ERR_INVALID_WHICHSOL);
}

TEST_F(Quality, SummaryLines) {
  put(ZRV_SOL_BAS, {1, 0.5, 0}, {2, 0.5});
  status(ZRV_SOL_BAS, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL);
  EXPECT_EQ(summary(ZRV_SOL_BAS),
            "Basic solution summary\n"
            "  Problem status  : PRIMAL_AND_DUAL_FEASIBLE\n"
            "  Solution status : OPTIMAL\n"
            "  Primal.  obj: 2.5000000000e+00    Viol.  con: 0e+00    var: 0e+00  \n"
            "  Dual.    obj: 5.0000000000e-01    Viol.  con: 0e+00    var: 3e+00  \n");
  // Integer variables add the integrality part to the primal line only; a primal infeasibility certificate
  // has no primal line.
  ASSERT_EQ(ZRV_putvartype(task, 2, ZRV_VAR_TYPE_INT), ZRV_RES_OK);
  status(ZRV_SOL_BAS, ZRV_PRO_STA_PRIM_INFEAS, ZRV_SOL_STA_PRIM_INFEAS_CER);
  EXPECT_EQ(summary(ZRV_SOL_BAS),
            "Basic solution summary\n"
            "  Problem status  : PRIMAL_INFEASIBLE\n"
            "  Solution status : PRIMAL_INFEASIBLE_CER\n"
            "  Dual.    obj: 0.0000000000e+00    Viol.  con: 0e+00    var: 0e+00  \n");
  // The integer solution never prints a dual line; codes without a text are printed as such.
  put(ZRV_SOL_ITG, {1, 0.5, -0.5}, {2, 1});
  status(ZRV_SOL_ITG, 12, 7);
  EXPECT_EQ(summary(ZRV_SOL_ITG),
            "Integer solution solution summary\n"
            "  Problem status  : INVALID CODE(12)\n"
            "  Solution status : INVALID CODE(7)\n"
            "  Primal.  obj: 1.0000000000e+00    Viol.  con: 0e+00    var: 0e+00    itg: 5e-01  \n");
  // All defined solutions, interior-point first, each after an empty line.
  put(ZRV_SOL_ITR, {1, 0.5, 0}, {2, 0.5});
  msg.text.clear();
  ASSERT_EQ(ZRV_solutionsummary(task, ZRV_STREAM_MSG), ZRV_RES_OK);
  flush();
  EXPECT_EQ(msg.text.find("\nInterior-point solution summary\n"), 0u);
  EXPECT_LT(msg.text.find("\nBasic solution summary"), msg.text.find("\nInteger solution"));
  EXPECT_EQ(zrvtest::count_occurrences(msg.text, "summary\n"), 3u);
  // Silent when the log level is 0; an undefined solution prints nothing.
  ASSERT_EQ(ZRV_putintparam(task, ZRV_IPAR_LOG, 0), ZRV_RES_OK);
  EXPECT_EQ(summary(ZRV_SOL_BAS), "");
  ASSERT_EQ(ZRV_putintparam(task, ZRV_IPAR_LOG, 10), ZRV_RES_OK);
  ASSERT_EQ(ZRV_deletesolution(task, ZRV_SOL_BAS), ZRV_RES_OK);
  EXPECT_EQ(summary(ZRV_SOL_BAS), "");
}
