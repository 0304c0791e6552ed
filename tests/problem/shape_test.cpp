// Shape, bounds, variable types, branching hints, bulk input, cloning and problem type.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"

namespace {

struct Shape : zrvtest::TaskTest {
  void flush() {
    task->streams.flush(ZRV_STREAM_ERR);
    task->streams.flush(ZRV_STREAM_WRN);
  }
  void bound(ZRVaccmodee acc, int32_t i, int32_t* bk, double* bl, double* bu) {
    ASSERT_EQ(ZRV_getbound(task, acc, i, bk, bl, bu), ZRV_RES_OK);
  }
};

}  // namespace

TEST_F(Shape, BoundNormalizationAgainstInfinity) {
  ASSERT_EQ(ZRV_appendvars(task, 4), ZRV_RES_OK);
  int32_t bk;
  double bl, bu;
  // New variables are fixed at zero.
  bound(ZRV_ACC_VAR, 3, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FX);
  EXPECT_EQ(bl, 0.0);
  EXPECT_EQ(bu, 0.0);
  EXPECT_EQ(ZRV_putvarbound(task, 0, ZRV_BK_LO, -1.0e20, 5.0), ZRV_RES_OK);
  bound(ZRV_ACC_VAR, 0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
  EXPECT_EQ(bl, -1.0e30);
  EXPECT_EQ(bu, 1.0e30);
  EXPECT_EQ(ZRV_putvarbound(task, 1, ZRV_BK_RA, 1.0, 1.0e17), ZRV_RES_OK);
  bound(ZRV_ACC_VAR, 1, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_LO);
  EXPECT_EQ(bl, 1.0);
  EXPECT_EQ(bu, 1.0e30);
  EXPECT_EQ(ZRV_putvarbound(task, 2, ZRV_BK_RA, -1.0e16, 1.0e16), ZRV_RES_OK);  // both exactly at the threshold
  bound(ZRV_ACC_VAR, 2, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
  EXPECT_EQ(ZRV_putvarbound(task, 2, ZRV_BK_FX, -1.0e17, -1.0e17), ZRV_RES_OK);  // fixed at minus infinity
  bound(ZRV_ACC_VAR, 2, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_UP);
  // The unused side is ignored, even a NaN there.
  EXPECT_EQ(ZRV_putvarbound(task, 3, ZRV_BK_LO, 2.0, std::nan("")), ZRV_RES_OK);
  bound(ZRV_ACC_VAR, 3, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_LO);
  EXPECT_EQ(bu, 1.0e30);
  // The threshold is a parameter.
  ZRV_putdouparam(task, ZRV_DPAR_DATA_TOL_BOUND_INF, 1.0e6);
  EXPECT_EQ(ZRV_putvarbound(task, 3, ZRV_BK_UP, 0.0, 2.0e6), ZRV_RES_OK);
  bound(ZRV_ACC_VAR, 3, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
}

TEST_F(Shape, BoundChecksAndWarnings) {
  ASSERT_EQ(ZRV_appendcons(task, 2), ZRV_RES_OK);
  int32_t bk;
  double bl, bu;
  EXPECT_EQ(ZRV_putconbound(task, 0, ZRV_BK_FX, 2.0, 3.0), ZRV_RES_ERR_FIXED_BOUND_VALUES);
  bound(ZRV_ACC_CON, 0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);  // unchanged
  EXPECT_EQ(ZRV_putconbound(task, 0, 7, 0, 0), ZRV_RES_ERR_INV_BKC);
  EXPECT_EQ(ZRV_putvarbound(task, 0, ZRV_BK_LO, 0, 0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putconbound(task, -1, ZRV_BK_LO, 0, 0), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putconbound(task, 1, ZRV_BK_RA, std::nan(""), 1.0), ZRV_RES_ERR_LOWER_BOUND_IS_A_NAN);
  EXPECT_EQ(ZRV_putconbound(task, 1, ZRV_BK_UP, 0.0, std::nan("")), ZRV_RES_ERR_UPPER_BOUND_IS_A_NAN);
  EXPECT_EQ(ZRV_putbound(task, 2, 0, ZRV_BK_LO, 0, 0), ZRV_RES_ERR_INVALID_ACCMODE);
  EXPECT_EQ(ZRV_putconbound(task, 1, ZRV_BK_LO, 5.0e8, 0.0), ZRV_RES_OK);  // large: warned, stored
  bound(ZRV_ACC_CON, 1, &bk, &bl, &bu);
  EXPECT_EQ(bl, 5.0e8);
  flush();
  EXPECT_NE(err.text.find("ZIRVA error 1256"), std::string::npos);  // invalid key for a constraint
  EXPECT_NE(err.text.find("An invalid bound key for a constraint value of 7 in argument 'bkc' has been specified."),
            std::string::npos);
  EXPECT_NE(wrn.text.find("ZIRVA warning 52: A numerically large lower bound value 5.0e+08  is specified for "
                          "constraint 'C2' (1)."),
            std::string::npos)
      << wrn.text;
  // Getters check with the argument codes; slices with first/last codes; an empty slice is fine.
  EXPECT_EQ(ZRV_getconbound(task, 2, &bk, &bl, &bu), ZRV_RES_ERR_ARG_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_getvarboundslice(task, 0, 0, nullptr, nullptr, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getconboundslice(task, -1, 1, nullptr, nullptr, nullptr), ZRV_RES_ERR_FIRST);
  EXPECT_EQ(ZRV_getconboundslice(task, 0, 3, nullptr, nullptr, nullptr), ZRV_RES_ERR_LAST);
  // A list stops at the first failing item; items before it stay changed.
  int32_t sub[3] = {0, 1, 5};
  int32_t bks[3] = {ZRV_BK_UP, ZRV_BK_UP, ZRV_BK_UP};
  double lo[3] = {0, 0, 0}, up[3] = {1, 2, 3};
  EXPECT_EQ(ZRV_putconboundlist(task, 3, sub, bks, lo, up), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  bound(ZRV_ACC_CON, 1, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_UP);
  EXPECT_EQ(bu, 2.0);
  EXPECT_EQ(ZRV_putconboundlist(task, 1, sub, nullptr, lo, up), ZRV_RES_ERR_NULL_POINTER);
}

TEST_F(Shape, ChangingOneSide) {
  ASSERT_EQ(ZRV_appendvars(task, 2), ZRV_RES_OK);
  int32_t bk;
  double bl, bu;
  ZRV_putvarbound(task, 0, ZRV_BK_LO, 3.0, 0.0);
  EXPECT_EQ(ZRV_chgbound(task, ZRV_ACC_VAR, 0, 0, 1, 3.0), ZRV_RES_OK);  // upper to 3: RA with equal sides is FX
  bound(ZRV_ACC_VAR, 0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FX);
  EXPECT_EQ(bu, 3.0);
  EXPECT_EQ(ZRV_chgbound(task, ZRV_ACC_VAR, 0, 1, 0, 0.0), ZRV_RES_OK);  // drop the lower side
  bound(ZRV_ACC_VAR, 0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_UP);
  EXPECT_EQ(bl, -1.0e30);
  EXPECT_EQ(ZRV_chgbound(task, ZRV_ACC_VAR, 0, 0, 1, 2.0e16), ZRV_RES_OK);  // "finite" beyond the threshold
  bound(ZRV_ACC_VAR, 0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_FR);
  EXPECT_EQ(ZRV_chgbound(task, ZRV_ACC_VAR, 1, 1, 1, -4.0), ZRV_RES_OK);  // FX 0 -> lower -4 gives RA [-4, 0]
  bound(ZRV_ACC_VAR, 1, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_RA);
  EXPECT_EQ(bl, -4.0);
  EXPECT_EQ(bu, 0.0);
  EXPECT_EQ(ZRV_chgbound(task, 3, 1, 1, 1, 0.0), ZRV_RES_ERR_INVALID_ACCMODE);
  EXPECT_EQ(ZRV_chgbound(task, ZRV_ACC_VAR, 2, 1, 1, 0.0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
}

TEST_F(Shape, GrowthCapacityAndRemoval) {
  int32_t n = 0;
  ASSERT_EQ(ZRV_putmaxnumvar(task, 10), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendvars(task, 10), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK);
  ZRV_getmaxnumvar(task, &n);
  EXPECT_EQ(n, 20);
  ASSERT_EQ(ZRV_appendvars(task, 30), ZRV_RES_OK);  // 41 needed, 40 doubled: 41
  ZRV_getmaxnumvar(task, &n);
  EXPECT_EQ(n, 41);
  EXPECT_EQ(ZRV_appendvars(task, -1), ZRV_RES_ERR_NEGATIVE_APPEND);
  EXPECT_EQ(ZRV_putmaxnumvar(task, 40), ZRV_RES_ERR_MAXNUMVAR);
  EXPECT_EQ(ZRV_putmaxnumvar(task, 41), ZRV_RES_OK);

  // Removal keeps the order of the kept items; bounds and types follow.
  ZRVtask_t t = task;
  ASSERT_EQ(ZRV_makeemptytask(env, &task), ZRV_RES_OK);
  ZRV_deletetask(&t);
  ZRV_appendvars(task, 5);
  for (int32_t j = 0; j < 5; ++j) ZRV_putvarbound(task, j, ZRV_BK_RA, j, 10.0 + j);
  ZRV_putvartype(task, 3, ZRV_VAR_TYPE_INT);
  ZRV_putvartype(task, 4, ZRV_VAR_TYPE_INT);
  ZRV_putvarbranchorder(task, 4, 7, ZRV_BRANCH_DIR_DOWN);
  int32_t dup[2] = {1, 1};
  EXPECT_EQ(ZRV_removevars(task, 2, dup), ZRV_RES_ERR_NON_UNIQUE_ARRAY);
  int32_t bad[2] = {1, 5};
  EXPECT_EQ(ZRV_removevars(task, 2, bad), ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_removevars(task, 6, bad), ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE);
  ZRV_getnumvar(task, &n);
  EXPECT_EQ(n, 5);  // failed removals change nothing
  int32_t sub[2] = {3, 1};
  ASSERT_EQ(ZRV_removevars(task, 2, sub), ZRV_RES_OK);
  ZRV_getnumvar(task, &n);
  ASSERT_EQ(n, 3);
  double lo[3];
  ASSERT_EQ(ZRV_getvarboundslice(task, 0, 3, nullptr, lo, nullptr), ZRV_RES_OK);
  EXPECT_EQ(lo[0], 0.0);
  EXPECT_EQ(lo[1], 2.0);
  EXPECT_EQ(lo[2], 4.0);
  int32_t ni = 0, pri = 0, dir = 0;
  ZRV_getnumintvar(task, &ni);
  EXPECT_EQ(ni, 1);
  ZRV_getvarbranchorder(task, 2, &pri, &dir);
  EXPECT_EQ(pri, 7);
  EXPECT_EQ(dir, ZRV_BRANCH_DIR_DOWN);
  ZRV_getmaxnumvar(task, &n);
  EXPECT_EQ(n, 5);  // removal never lowers a capacity
  int32_t last = 2;
  ASSERT_EQ(ZRV_removevars(task, 1, &last), ZRV_RES_OK);  // the last item: truncation only
  ZRV_getnumintvar(task, &ni);
  EXPECT_EQ(ni, 0);
}

TEST_F(Shape, TypesAndBranchingChecks) {
  ZRV_appendvars(task, 2);
  EXPECT_EQ(ZRV_putvartype(task, 0, 2), ZRV_RES_ERR_INV_VAR_TYPE);
  EXPECT_EQ(ZRV_putvartype(task, 2, 1), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  int32_t subj[2] = {0, 1}, types[2] = {1, 1}, out[2] = {9, 9};
  EXPECT_EQ(ZRV_putvartypelist(task, 2, subj, types), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putvartype(task, 1, 1), ZRV_RES_OK);  // again integer: the count does not grow
  int32_t ni = 0;
  ZRV_getnumintvar(task, &ni);
  EXPECT_EQ(ni, 2);
  EXPECT_EQ(ZRV_getvartypelist(task, 2, subj, out), ZRV_RES_OK);
  EXPECT_EQ(out[0], 1);
  int32_t pri = -1;
  EXPECT_EQ(ZRV_getvarbranchpri(task, 1, &pri), ZRV_RES_OK);
  EXPECT_EQ(pri, 0);  // no branching arrays yet
  EXPECT_EQ(ZRV_putvarbranchorder(task, 0, -1, 0), ZRV_RES_ERR_INVALID_BRANCH_PRIORITY);
  EXPECT_EQ(ZRV_putvarbranchorder(task, 0, 1, 3), ZRV_RES_ERR_INVALID_BRANCH_DIRECTION);
  // The branching arrays follow growth.
  EXPECT_EQ(ZRV_putvarbranchorder(task, 1, 4, ZRV_BRANCH_DIR_UP), ZRV_RES_OK);
  ZRV_appendvars(task, 100);
  EXPECT_EQ(ZRV_putvarbranchorder(task, 101, 5, ZRV_BRANCH_DIR_UP), ZRV_RES_OK);
  ZRV_getvarbranchpri(task, 1, &pri);
  EXPECT_EQ(pri, 4);
}

TEST_F(Shape, InputDataChecksBeforeChanging) {
  const int32_t ptrb[3] = {0, 2, 2}, ptre[3] = {2, 1, 3};  // column 1: end below begin
  const int32_t sub[3] = {0, 1, 1};
  const double val[3] = {1, 2, 3};
  const int32_t bkc[2] = {ZRV_BK_UP, ZRV_BK_LO}, bkx[3] = {ZRV_BK_LO, ZRV_BK_LO, ZRV_BK_LO};
  const double blc[2] = {0, 1}, buc[2] = {4, 0}, blx[3] = {0, 0, 0}, bux[3] = {0, 0, 0};
  const double c[3] = {1, 2, 3};
  EXPECT_EQ(ZRV_inputdata(task, 2, 3, 2, 3, c, 1.5, ptrb, ptre, sub, val, bkc, blc, buc, bkx, blx, bux),
            ZRV_RES_ERR_INV_APTRE);
  int32_t n = -1;
  ZRV_getnumcon(task, &n);
  EXPECT_EQ(n, 0);
  const int32_t ptre_dup[3] = {2, 2, 3};
  const int32_t sub_dup[3] = {1, 1, 0};
  EXPECT_EQ(ZRV_inputdata(task, 2, 3, 2, 3, c, 1.5, ptrb, ptre_dup, sub_dup, val, bkc, blc, buc, bkx, blx, bux),
            ZRV_RES_ERR_MUL_A_ELEMENT);
  const int32_t sub_far[3] = {0, 2, 0};
  EXPECT_EQ(ZRV_inputdata(task, 2, 3, 2, 3, c, 1.5, ptrb, ptre_dup, sub_far, val, bkc, blc, buc, bkx, blx, bux),
            ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  ZRV_getnumvar(task, &n);
  EXPECT_EQ(n, 0);
  const int64_t ptrb64[3] = {0, 2, 2}, ptre64[3] = {2, 2, 3};
  ASSERT_EQ(ZRV_inputdata64(task, 2, 3, 2, 3, c, 1.5, ptrb64, ptre64, sub, val, bkc, blc, buc, bkx, blx, bux),
            ZRV_RES_OK);
  ZRV_getnumvar(task, &n);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(task->prob->cfix, 1.5);
  EXPECT_EQ(task->prob->c[2], 3.0);
  EXPECT_EQ(task->prob->A.get_element(1, 0), 2.0);
  EXPECT_EQ(task->prob->A.get_element(1, 2), 3.0);
  EXPECT_EQ(task->prob->A.get_element(0, 1), 0.0);
  // A clone has the same data and lives on its own.
  ZRVtask_t copy = nullptr;
  ASSERT_EQ(ZRV_clonetask(task, &copy), ZRV_RES_OK);
  ZRV_putconbound(task, 0, ZRV_BK_FR, 0, 0);
  int32_t bk;
  double bl, bu;
  ZRV_getconbound(copy, 0, &bk, &bl, &bu);
  EXPECT_EQ(bk, ZRV_BK_UP);
  EXPECT_EQ(bu, 4.0);
  EXPECT_EQ(copy->prob->A.get_element(1, 2), 3.0);
  EXPECT_EQ(copy->prob->c[1], 2.0);
  ZRVproblemtypee pt = -1;
  ZRV_getprobtype(copy, &pt);
  EXPECT_EQ(pt, ZRV_PROBTYPE_LO);
  ZRV_deletetask(&copy);
}

// Random appends, removals and bound puts against a plain reference model.
TEST_F(Shape, RandomSequenceAgainstReference) {
  struct Item {
    int32_t bk;
    double bl, bu;
  };
  std::vector<Item> cons, vars;
  std::mt19937 rng(7);
  auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<unsigned>(n)); };
  const double vals[] = {-1e30, -1e20, -3.0, 0.0, 2.5, 1e17, 1e30};
  auto expect_key = [](int32_t bk, double bl, double bu) {
    bool li = bl <= -1e16, ui = bu >= 1e16;
    if (bk == ZRV_BK_LO && li) return static_cast<int32_t>(ZRV_BK_FR);
    if (bk == ZRV_BK_UP && ui) return static_cast<int32_t>(ZRV_BK_FR);
    if (bk == ZRV_BK_FX || bk == ZRV_BK_RA) {
      if (li && ui) return static_cast<int32_t>(ZRV_BK_FR);
      if (li) return static_cast<int32_t>(ZRV_BK_UP);
      if (ui) return static_cast<int32_t>(ZRV_BK_LO);
    }
    return bk;
  };
  for (int step = 0; step < 3000; ++step) {
    bool con = rng() % 2;
    auto& items = con ? cons : vars;
    int op = pick(10);
    if (op < 3) {
      int32_t num = pick(4);
      ASSERT_EQ(con ? ZRV_appendcons(task, num) : ZRV_appendvars(task, num), ZRV_RES_OK);
      for (int k = 0; k < num; ++k)
        items.push_back(con ? Item{ZRV_BK_FR, -1e30, 1e30} : Item{ZRV_BK_FX, 0.0, 0.0});
    } else if (op < 5 && !items.empty()) {
      int32_t num = 1 + pick(std::min<int>(3, static_cast<int>(items.size())));
      std::vector<int32_t> all(items.size());
      for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int32_t>(i);
      std::shuffle(all.begin(), all.end(), rng);
      all.resize(static_cast<size_t>(num));
      ASSERT_EQ(con ? ZRV_removecons(task, num, all.data()) : ZRV_removevars(task, num, all.data()), ZRV_RES_OK);
      std::vector<char> gone(items.size(), 0);
      for (int32_t i : all) gone[static_cast<size_t>(i)] = 1;
      std::vector<Item> kept;
      for (size_t i = 0; i < items.size(); ++i)
        if (!gone[i]) kept.push_back(items[i]);
      items.swap(kept);
    } else if (!items.empty()) {
      int32_t i = pick(static_cast<int>(items.size()));
      int32_t bk = pick(5);
      double bl = vals[pick(7)], bu = vals[pick(7)];
      if (bk == ZRV_BK_FX) bu = bl;
      if (bk == ZRV_BK_RA && bu < bl) std::swap(bl, bu);
      int32_t r = ZRV_putbound(task, con ? ZRV_ACC_CON : ZRV_ACC_VAR, i, bk, bl, bu);
      ASSERT_EQ(r, ZRV_RES_OK);
      int32_t key = expect_key(bk, bk == 1 || bk == 3 ? -1e30 : bl, bk == 0 || bk == 3 ? 1e30 : bu);
      items[static_cast<size_t>(i)] = {key, bl, bu};
    }
    int32_t nc = -1, nv = -1;
    ZRV_getnumcon(task, &nc);
    ZRV_getnumvar(task, &nv);
    ASSERT_EQ(nc, static_cast<int32_t>(cons.size()));
    ASSERT_EQ(nv, static_cast<int32_t>(vars.size()));
    for (int kind = 0; kind < 2; ++kind) {
      auto& ref = kind ? vars : cons;
      for (size_t i = 0; i < ref.size(); ++i) {
        int32_t bk;
        double bl, bu;
        ZRV_getbound(task, kind ? ZRV_ACC_VAR : ZRV_ACC_CON, static_cast<int32_t>(i), &bk, &bl, &bu);
        ASSERT_EQ(bk, ref[i].bk) << "step " << step;
        if (bk == ZRV_BK_LO || bk == ZRV_BK_FX || bk == ZRV_BK_RA) ASSERT_EQ(bl, ref[i].bl) << "step " << step;
        if (bk == ZRV_BK_UP || bk == ZRV_BK_RA) ASSERT_EQ(bu, ref[i].bu) << "step " << step;
        if (bk == ZRV_BK_FR) ASSERT_TRUE(bl == -1e30 && bu == 1e30);
      }
    }
  }
}
