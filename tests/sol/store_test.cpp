// Solution store: definition on first put, the item families, whole solutions, single items, argument checks,
// the basis-count warnings, and how the arrays follow appends, capacity changes and removals.
#include <vector>

#include "sol/solfixture.h"

using soltest::SolFixture;
using Store = SolFixture;
using V = std::vector<double>;
using K = std::vector<int32_t>;

TEST_F(Store, FirstPutDefinesWithZeroedItemsAndDeleteForgets) {
  shape(2, 3);
  int32_t sta = -1, isdef = -1;
  EXPECT_EQ(ZRV_getsolsta(task, ZRV_SOL_BAS, &sta), ZRV_RES_ERR_UNDEF_SOLUTION);
  EXPECT_EQ(last_message(), "The solution with code 1 is not defined.");
  const double xx[] = {1, 2, 3};
  ASSERT_EQ(ZRV_putxx(task, ZRV_SOL_BAS, xx), ZRV_RES_OK);
  ASSERT_EQ(ZRV_solutiondef(task, ZRV_SOL_BAS, &isdef), ZRV_RES_OK);
  EXPECT_EQ(isdef, 1);
  EXPECT_EQ(solsta(ZRV_SOL_BAS), ZRV_SOL_STA_UNKNOWN);
  K skx(3, 9);
  V xc(2, 9), got(3), slx(3, 9);
  ASSERT_EQ(ZRV_getsolution(task, ZRV_SOL_BAS, nullptr, nullptr, nullptr, skx.data(), nullptr, xc.data(),
                            got.data(), nullptr, nullptr, nullptr, slx.data(), nullptr, nullptr),
            ZRV_RES_OK);
  EXPECT_EQ(skx, K(3, ZRV_SK_UNK));
  EXPECT_EQ(xc, V(2, 0.0));
  EXPECT_EQ(got, V(xx, xx + 3));
  EXPECT_EQ(slx, V(3, 0.0));
  // A put clears the solution status but keeps the problem status.
  status(ZRV_SOL_BAS, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL);
  const int32_t keys[] = {ZRV_SK_BAS, ZRV_SK_LOW};
  ASSERT_EQ(ZRV_putskcslice(task, ZRV_SOL_BAS, 0, 2, keys), ZRV_RES_OK);
  EXPECT_EQ(solsta(ZRV_SOL_BAS), ZRV_SOL_STA_UNKNOWN);
  EXPECT_EQ(prosta(ZRV_SOL_BAS), ZRV_PRO_STA_PRIM_AND_DUAL_FEAS);
  ASSERT_EQ(ZRV_deletesolution(task, ZRV_SOL_BAS), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getxx(task, ZRV_SOL_BAS, got.data()), ZRV_RES_ERR_UNDEF_SOLUTION);
  // Defined again, it claims nothing about the deleted values.
  ASSERT_EQ(ZRV_putxx(task, ZRV_SOL_BAS, xx), ZRV_RES_OK);
  EXPECT_EQ(prosta(ZRV_SOL_BAS), ZRV_PRO_STA_UNKNOWN);
}

TEST_F(Store, ItemsEachSolutionKindHas) {
  shape(3, 4);
  const double v[] = {7, 8};
  ASSERT_EQ(ZRV_putslxslice(task, ZRV_SOL_ITR, 1, 3, v), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putsuxslice(task, ZRV_SOL_ITR, 2, 4, v), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putsnxslice(task, ZRV_SOL_ITR, 0, 1, v), ZRV_RES_OK);
  V out(4, -1);
  ASSERT_EQ(ZRV_getsolutionslice(task, ZRV_SOL_ITR, ZRV_SOL_ITEM_SLX, 0, 4, out.data()), ZRV_RES_OK);
  EXPECT_EQ(out, V({0, 7, 8, 0}));
  ASSERT_EQ(ZRV_getreducedcosts(task, ZRV_SOL_ITR, 0, 4, out.data()), ZRV_RES_OK);
  EXPECT_EQ(out, V({0, 7, 1, -8}));  // slx - sux; snx does not enter

  // Dual items do not exist for the integer solution, snx not for the basic one; failed puts define nothing.
  EXPECT_EQ(ZRV_puty(task, ZRV_SOL_ITG, v), ZRV_RES_ERR_NO_DUAL_FOR_ITG_SOL);
  EXPECT_EQ(ZRV_getreducedcosts(task, ZRV_SOL_ITG, 0, 1, out.data()), ZRV_RES_ERR_NO_DUAL_FOR_ITG_SOL);
  EXPECT_EQ(ZRV_putsolutionyi(task, 0, ZRV_SOL_ITG, 1.0), ZRV_RES_ERR_NO_DUAL_FOR_ITG_SOL);
  EXPECT_EQ(ZRV_putsnxslice(task, ZRV_SOL_BAS, 0, 1, v), ZRV_RES_ERR_NO_SNX_FOR_BAS_SOL);
  int32_t isdef = -1;
  ZRV_solutiondef(task, ZRV_SOL_ITG, &isdef);
  EXPECT_EQ(isdef, 0);

  // Single items: the integer solution drops sl/su, only the interior-point solution keeps sn.
  ASSERT_EQ(ZRV_putsolutioni(task, ZRV_ACC_VAR, 2, ZRV_SOL_ITG, ZRV_SK_UPR, 4.5, 1, 2, 3), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putsolutioni(task, ZRV_ACC_VAR, 2, ZRV_SOL_BAS, ZRV_SK_UPR, 4.5, 1, 2, 3), ZRV_RES_OK);
  int32_t sk = -1;
  double x = 0, sl = -1, su = -1, sn = -1;
  ASSERT_EQ(ZRV_getsolutioni(task, ZRV_ACC_VAR, 2, ZRV_SOL_ITG, &sk, &x, &sl, &su, &sn), ZRV_RES_OK);
  EXPECT_EQ(V({double(sk), x, sl, su, sn}), V({ZRV_SK_UPR, 4.5, 0, 0, 0}));
  ASSERT_EQ(ZRV_getsolutioni(task, ZRV_ACC_VAR, 2, ZRV_SOL_BAS, &sk, &x, &sl, &su, &sn), ZRV_RES_OK);
  EXPECT_EQ(V({double(sk), x, sl, su, sn}), V({ZRV_SK_UPR, 4.5, 1, 2, 0}));

  // Matrix-variable values belong to the interior-point solution only.
  EXPECT_EQ(ZRV_getbarxj(task, ZRV_SOL_BAS, 0, out.data()), ZRV_RES_ERR_NO_BARX_FOR_SOLUTION);
  EXPECT_EQ(ZRV_putbarsj(task, ZRV_SOL_ITG, 0, out.data()), ZRV_RES_ERR_NO_BARS_FOR_SOLUTION);
  EXPECT_EQ(ZRV_getbarxj(task, ZRV_SOL_ITR, 0, out.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
}

TEST_F(Store, MatrixVariableBlocksFollowAppendsAndRemovals) {
  const int32_t dims[] = {1, 2, 3}, more[] = {2};
  ASSERT_EQ(zrv::sol_append_barvars(task, 3, dims), ZRV_RES_OK);
  const double b0[] = {1}, b1[] = {2, 3, 4}, b2[] = {5, 6, 7, 8, 9, 10};
  ASSERT_EQ(ZRV_putbarxj(task, ZRV_SOL_ITR, 0, b0), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbarxj(task, ZRV_SOL_ITR, 1, b1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbarxj(task, ZRV_SOL_ITR, 2, b2), ZRV_RES_OK);
  ASSERT_EQ(zrv::sol_append_barvars(task, 1, more), ZRV_RES_OK);
  V out(6, -1);
  ASSERT_EQ(ZRV_getbarxj(task, ZRV_SOL_ITR, 3, out.data()), ZRV_RES_OK);
  EXPECT_EQ(V(out.begin(), out.begin() + 3), V(3, 0.0));
  status(ZRV_SOL_ITR, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS, ZRV_SOL_STA_OPTIMAL);
  const int32_t perm[] = {0, 2, 3, 1};  // matrix variable 1 removed
  ASSERT_EQ(zrv::sol_remove_barvars(task, perm, 3), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getbarxj(task, ZRV_SOL_ITR, 1, out.data()), ZRV_RES_OK);
  EXPECT_EQ(out, V(b2, b2 + 6));
  EXPECT_EQ(ZRV_getbarxj(task, ZRV_SOL_ITR, 3, out.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(solsta(ZRV_SOL_ITR), ZRV_SOL_STA_UNKNOWN);
}

TEST_F(Store, ArgumentChecks) {
  shape(2, 2);
  double v[2] = {0, 0};
  int32_t k[2] = {0, 7};
  EXPECT_EQ(ZRV_getxx(nullptr, ZRV_SOL_ITR, v), ZRV_RES_ERR_NULL_TASK);
  EXPECT_EQ(ZRV_putxx(task, 3, v), ZRV_RES_ERR_INVALID_WHICHSOL);
  EXPECT_EQ(last_message(), "The code 3 is an invalid value for whichsol.");
  EXPECT_EQ(ZRV_putxcslice(task, ZRV_SOL_ITR, -1, 1, v), ZRV_RES_ERR_FIRST);
  EXPECT_EQ(ZRV_putxcslice(task, ZRV_SOL_ITR, 0, 3, v), ZRV_RES_ERR_LAST);
  EXPECT_EQ(ZRV_putxx(task, ZRV_SOL_ITR, nullptr), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(last_message(), "Argument 'xx' is unexpectedly a NULL pointer.");
  EXPECT_EQ(ZRV_getsolutionslice(task, ZRV_SOL_ITR, 8, 0, 1, v), ZRV_RES_ERR_SOLITEM);
  EXPECT_EQ(ZRV_getsolutioni(task, 2, 0, ZRV_SOL_ITR, nullptr, v, nullptr, nullptr, nullptr),
            ZRV_RES_ERR_INVALID_ACCMODE);
  EXPECT_EQ(ZRV_putsolutioni(task, ZRV_ACC_CON, 2, ZRV_SOL_ITR, 0, 0, 0, 0, 0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putsolutioni(task, ZRV_ACC_CON, -1, ZRV_SOL_ITR, 0, 0, 0, 0, 0), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  // Invalid status keys are refused before anything is stored; an empty slice stores nothing either.
  EXPECT_EQ(ZRV_putskx(task, ZRV_SOL_BAS, k), ZRV_RES_ERR_INV_SKX);
  EXPECT_EQ(last_message(), "Invalid value at skx[1].");
  EXPECT_EQ(ZRV_putsolution(task, ZRV_SOL_ITR, k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr),
            ZRV_RES_ERR_INV_SKC);
  EXPECT_EQ(ZRV_putsolutioni(task, ZRV_ACC_VAR, 0, ZRV_SOL_BAS, -1, 0, 0, 0, 0), ZRV_RES_ERR_INV_SK);
  EXPECT_EQ(ZRV_putxxslice(task, ZRV_SOL_ITR, 1, 1, nullptr), ZRV_RES_OK);
  int32_t itr = -1, bas = -1;
  ZRV_solutiondef(task, ZRV_SOL_ITR, &itr);
  ZRV_solutiondef(task, ZRV_SOL_BAS, &bas);
  EXPECT_EQ(itr + bas, 0);
}

TEST_F(Store, PutSolutionWarnsAboutBasisSize) {
  shape(3, 2);
  const int32_t skc[] = {ZRV_SK_BAS, ZRV_SK_LOW, ZRV_SK_UPR}, skx[] = {ZRV_SK_BAS, ZRV_SK_FIX};
  const double xc[] = {1, 2, 3}, y[] = {4, 5, 6};
  EXPECT_EQ(ZRV_putsolution(task, ZRV_SOL_BAS, skc, skx, nullptr, xc, nullptr, y, nullptr, nullptr, nullptr,
                            nullptr, nullptr),
            ZRV_RES_OK);
  flush();
  EXPECT_NE(wrn.text.find("2 number of basis variables are specified but 3 are expected."), std::string::npos);
  V out(3);
  ASSERT_EQ(ZRV_gety(task, ZRV_SOL_BAS, out.data()), ZRV_RES_OK);
  EXPECT_EQ(out, V(y, y + 3));
  const int32_t many[] = {ZRV_SK_BAS, ZRV_SK_BAS, ZRV_SK_BAS};
  EXPECT_EQ(ZRV_putsolution(task, ZRV_SOL_BAS, many, skx, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr),
            ZRV_RES_OK);
  flush();
  EXPECT_NE(wrn.text.find("4 basis variables are specified but 3 are expected."), std::string::npos);
  ASSERT_EQ(ZRV_gety(task, ZRV_SOL_BAS, out.data()), ZRV_RES_OK);  // null arrays store zeros
  EXPECT_EQ(out, V(3, 0.0));
}

TEST_F(Store, ArraysFollowGrowthAppendsAndRemovals) {
  shape(2, 3);
  const double xx[] = {10, 11, 12}, xc[] = {20, 21};
  const int32_t skc[] = {ZRV_SK_LOW, ZRV_SK_UPR};
  for (int32_t w : {ZRV_SOL_ITR, ZRV_SOL_BAS}) {
    ASSERT_EQ(ZRV_putxx(task, w, xx), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putxc(task, w, xc), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putskc(task, w, skc), ZRV_RES_OK);
  }
  // Growth well past the capacity at definition keeps the values; new items get their initial values: fixed
  // variables at their value, new constraints basic in the basic solution only.
  ASSERT_EQ(ZRV_appendvars(task, 40), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcons(task, 30), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putmaxnumvar(task, 43), ZRV_RES_OK);
  V v(43);
  K k(43), kb(43);
  ASSERT_EQ(ZRV_getxx(task, ZRV_SOL_BAS, v.data()), ZRV_RES_OK);
  EXPECT_EQ(V({v[0], v[2], v[42]}), V({10, 12, 0}));
  ASSERT_EQ(ZRV_getskx(task, ZRV_SOL_ITR, k.data()), ZRV_RES_OK);
  EXPECT_EQ(K({k[3], k[42]}), K({ZRV_SK_FIX, ZRV_SK_FIX}));
  ASSERT_EQ(ZRV_getskc(task, ZRV_SOL_BAS, kb.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getskc(task, ZRV_SOL_ITR, k.data()), ZRV_RES_OK);
  EXPECT_EQ(K({kb[1], kb[2], kb[31], k[31]}), K({ZRV_SK_UPR, ZRV_SK_BAS, ZRV_SK_BAS, ZRV_SK_UNK}));

  // Removal: the kept items keep their values in their old order.
  const int32_t rv[] = {41, 1, 3}, rc[] = {0}, last[] = {39};
  for (int32_t j = 0; j < 43; ++j) v[static_cast<size_t>(j)] = 100 + j;
  ASSERT_EQ(ZRV_putxx(task, ZRV_SOL_ITR, v.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_removevars(task, 3, rv), ZRV_RES_OK);
  V got(40), want;
  ASSERT_EQ(ZRV_getxx(task, ZRV_SOL_ITR, got.data()), ZRV_RES_OK);
  for (int32_t j = 0; j < 43; ++j)
    if (j != 41 && j != 1 && j != 3) want.push_back(100 + j);
  EXPECT_EQ(got, want);
  ASSERT_EQ(ZRV_removecons(task, 1, rc), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getxcslice(task, ZRV_SOL_BAS, 0, 1, v.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getskcslice(task, ZRV_SOL_BAS, 0, 1, k.data()), ZRV_RES_OK);
  EXPECT_EQ(v[0], 21.0);
  EXPECT_EQ(k[0], ZRV_SK_UPR);
  // The last item alone goes the short way; what is appended after it starts fresh.
  ASSERT_EQ(ZRV_removevars(task, 1, last), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getxxslice(task, ZRV_SOL_ITR, 38, 40, v.data()), ZRV_RES_OK);
  EXPECT_EQ(V({v[0], v[1]}), V({want[38], 0}));
}
