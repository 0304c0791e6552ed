// Matrix variables, the symmetric-matrix store, barc and bara with their idx getters and block-triplet views,
// and how they follow removals of constraints and matrix variables.
#include <cmath>

#include "cone/fixture.h"

using conetest::TaskTest;
using V = std::vector<int32_t>;
using L = std::vector<int64_t>;
using D = std::vector<double>;

namespace {

struct BarVars : TaskTest {
  int64_t symmat(int32_t dim, V i, V j, D v) {
    int64_t idx = -1;
    EXPECT_EQ(ZRV_appendsparsesymmat(task, dim, static_cast<int64_t>(i.size()), i.data(), j.data(), v.data(), &idx),
              ZRV_RES_OK);
    return idx;
  }
  int64_t numsymmat() {
    int64_t n = -1;
    ZRV_getnumsymmat(task, &n);
    return n;
  }
  struct Entry {
    int32_t i = -1, j = -1;
    L sub;
    D w;
    bool operator==(const Entry& o) const { return i == o.i && j == o.j && sub == o.sub && w == o.w; }
  };
  std::vector<Entry> bara() {
    int64_t n = -1;
    EXPECT_EQ(ZRV_getnumbaranz(task, &n), ZRV_RES_OK);
    L idx(static_cast<size_t>(n));
    int64_t got = -1;
    EXPECT_EQ(ZRV_getbarasparsity(task, n, &got, idx.data()), ZRV_RES_OK);
    EXPECT_EQ(got, n);
    std::vector<Entry> out;
    for (int64_t k : idx) {
      Entry e;
      int64_t num = -1;
      EXPECT_EQ(ZRV_getbaraidxinfo(task, k, &num), ZRV_RES_OK);
      e.sub.resize(static_cast<size_t>(num));
      e.w.resize(static_cast<size_t>(num));
      EXPECT_EQ(ZRV_getbaraidx(task, k, num, &e.i, &e.j, &num, e.sub.data(), e.w.data()), ZRV_RES_OK);
      out.push_back(e);
    }
    return out;
  }
};

TEST_F(BarVars, DimensionsLengthsAndCapacity) {
  EXPECT_EQ(ZRV_appendbarvars(task, 3, V{2, 0, 4}.data()), ZRV_RES_ERR_BAR_VAR_DIM);
  EXPECT_EQ(last_error(), "The dimension 0 for a symmetric matrix variable is invalid.");
  int32_t n = -1, cap = -1;
  ZRV_getnumbarvar(task, &n);
  EXPECT_EQ(n, 0);
  ASSERT_EQ(ZRV_appendbarvars(task, 3, V{3, 1, 2000}.data()), ZRV_RES_OK);
  ZRV_getmaxnumbarvar(task, &cap);
  EXPECT_EQ(cap, 3);
  int64_t len = 0;
  ASSERT_EQ(ZRV_getlenbarvarj(task, 0, &len), ZRV_RES_OK);
  EXPECT_EQ(len, 6);
  ASSERT_EQ(ZRV_getlenbarvarj(task, 2, &len), ZRV_RES_OK);
  EXPECT_EQ(len, 2001000);
  EXPECT_EQ(ZRV_getdimbarvarj(task, 3, nullptr), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  ASSERT_EQ(ZRV_appendbarvars(task, 10, V(10, 1).data()), ZRV_RES_OK);
  ZRV_getmaxnumbarvar(task, &cap);
  EXPECT_EQ(cap, 13);
  EXPECT_EQ(ZRV_putmaxnumbarvar(task, 12), ZRV_RES_ERR_MAXNUMBARVAR);
  EXPECT_EQ(last_error(),
            "Too small maximum number of semidefinite variables 12 is specified. Currently, the number of "
            "semidefinite variables is 13.");
  ZRVproblemtypee pt = -1;
  ZRV_getprobtype(task, &pt);
  EXPECT_EQ(pt, ZRV_PROBTYPE_CONIC);
}

TEST_F(BarVars, SymmetricMatrixChecks) {
  auto put = [&](int32_t dim, V i, V j, D v) {
    return ZRV_appendsparsesymmat(task, dim, static_cast<int64_t>(i.size()), i.data(), j.data(), v.data(), nullptr);
  };
  EXPECT_EQ(put(3, {0}, {1}, {1.0}), ZRV_RES_ERR_SYM_MAT_NOT_LOWER_TRINGULAR);
  EXPECT_EQ(last_error(), "An element in the upper triangular part at row 0 in column 1 has been specified.");
  EXPECT_EQ(put(3, {1, 2, 1}, {0, 2, 0}, {1, 2, 3}), ZRV_RES_ERR_SYM_MAT_DUPLICATE);
  EXPECT_EQ(last_error(), "The value (1,0) in a sparse symmetric has been specified twice at position 0 and position 2.");
  EXPECT_EQ(put(3, {0, 3}, {0, 0}, {1, 1}), ZRV_RES_ERR_SYM_MAT_INVALID_ROW_INDEX);
  EXPECT_EQ(last_error(), "The row index 3 specified for sparse symmetric is invalid. The valid range is [0,3[.");
  EXPECT_EQ(put(3, {2}, {-1}, {1}), ZRV_RES_ERR_SYM_MAT_INVALID_COL_INDEX);
  EXPECT_EQ(put(3, {2}, {1}, {NAN}), ZRV_RES_ERR_SYM_MAT_INVALID_VALUE);
  EXPECT_EQ(put(3, {2}, {1}, {INFINITY}), ZRV_RES_ERR_SYM_MAT_INVALID_VALUE);
  EXPECT_EQ(ZRV_appendsparsesymmat(task, 3, 1, nullptr, nullptr, nullptr, nullptr), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(numsymmat(), 0);

  EXPECT_EQ(symmat(3, {2, 0, 1}, {1, 0, 1}, {0.5, -1, 2}), 0);
  EXPECT_EQ(symmat(1, {}, {}, {}), 1);
  int64_t nz = -1;
  ASSERT_EQ(ZRV_getsymmatinfo(task, 1, nullptr, &nz, nullptr), ZRV_RES_OK);
  EXPECT_EQ(nz, 0);
  V i(3), j(3);
  D v(3);
  EXPECT_EQ(ZRV_getsparsesymmat(task, 0, 2, i.data(), j.data(), v.data()), ZRV_RES_ERR_MAX_LEN_IS_TOO_SMALL);
  ASSERT_EQ(ZRV_getsparsesymmat(task, 0, 3, i.data(), j.data(), v.data()), ZRV_RES_OK);
  EXPECT_EQ(i, (V{2, 0, 1}));
  EXPECT_EQ(j, (V{1, 0, 1}));
  EXPECT_EQ(v, (D{0.5, -1, 2}));
  EXPECT_EQ(ZRV_getsymmatinfo(task, 2, nullptr, nullptr, nullptr), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
}

TEST_F(BarVars, EntriesAndIdxGetters) {
  ASSERT_EQ(ZRV_appendcons(task, 3), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendbarvars(task, 2, V{3, 2}.data()), ZRV_RES_OK);
  int64_t e3 = symmat(3, {0}, {0}, {1});
  int64_t e2 = symmat(2, {1}, {0}, {1});
  int64_t f3 = symmat(3, {2}, {2}, {1});
  D w{1.5};
  EXPECT_EQ(ZRV_putbarcj(task, 0, 1, &e2, w.data()), ZRV_RES_ERR_INVALID_SYM_MAT_DIM);
  EXPECT_EQ(last_error(), "Expected a symmetric matrix of dimension 3 but the specified dimension is 2.");
  int64_t bad = 3;
  EXPECT_EQ(ZRV_putbarcj(task, 0, 1, &bad, w.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putbaraij(task, 3, 0, 1, &e3, w.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  D nan{NAN};
  EXPECT_EQ(ZRV_putbaraij(task, 0, 0, 1, &e3, nan.data()), ZRV_RES_ERR_NAN_IN_DOUBLE_DATA);
  EXPECT_EQ(last_error(), "The parameter 'alpha' contained an invalid floating value.");
  EXPECT_EQ(ZRV_putbarcj(task, 0, 1, &e3, nan.data()), ZRV_RES_ERR_NAN_IN_DOUBLE_DATA);
  int64_t n = -1;
  ZRV_getnumbarcnz(task, &n);
  EXPECT_EQ(n, 0);

  L two{e3, f3};
  ASSERT_EQ(ZRV_putbaraij(task, 2, 1, 1, &e2, w.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbaraij(task, 0, 0, 2, two.data(), D{1, -2}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbaraij(task, 2, 0, 1, &f3, w.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbaraij(task, 0, 1, 1, &e2, w.data()), ZRV_RES_OK);
  // A put replaces the list of its entry; an empty list removes it.
  ASSERT_EQ(ZRV_putbaraij(task, 0, 0, 1, &f3, D{4}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbaraij(task, 0, 1, 0, nullptr, nullptr), ZRV_RES_OK);
  std::vector<Entry> want{{0, 0, {f3}, {4}}, {2, 0, {f3}, {1.5}}, {2, 1, {e2}, {1.5}}};
  EXPECT_EQ(bara(), want);

  L idx(3);
  int64_t got = 0;
  EXPECT_EQ(ZRV_getbarasparsity(task, 2, &got, idx.data()), ZRV_RES_ERR_MAX_LEN_IS_TOO_SMALL);
  ASSERT_EQ(ZRV_getbarasparsity(task, 3, &got, idx.data()), ZRV_RES_OK);
  int32_t i = -1, j = -1;
  ASSERT_EQ(ZRV_getbaraidxij(task, idx[2], &i, &j), ZRV_RES_OK);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(j, 1);
  EXPECT_EQ(ZRV_getbaraidx(task, idx[0], 0, nullptr, nullptr, nullptr, nullptr, nullptr), ZRV_RES_ERR_INVALID_MAX_NUM);
  EXPECT_EQ(ZRV_getbaraidxinfo(task, 99, nullptr), ZRV_RES_ERR_INVALID_IDX);
  EXPECT_EQ(ZRV_getbaraidxinfo(task, -1, nullptr), ZRV_RES_ERR_INVALID_IDX);

}

TEST_F(BarVars, BlockTripletsRoundTripAndMerge) {
  ASSERT_EQ(ZRV_appendcons(task, 2), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendbarvars(task, 2, V{3, 2}.data()), ZRV_RES_OK);
  // Given out of order, across two constraints and both matrix variables.
  V si{1, 0, 1, 0, 0}, sj{0, 1, 0, 0, 0}, sk{2, 1, 0, 2, 1}, sl{1, 0, 0, 2, 1};
  D v{5, 4, 3, 2, 1};
  EXPECT_EQ(ZRV_putbarablocktriplet(task, 5, si.data(), sj.data(), sk.data(), V{1, 0, 0, 2, 2}.data(), v.data()),
            ZRV_RES_ERR_UPPER_TRIANGLE);
  EXPECT_EQ(last_error(), "Only elements in the lower triangle should be specified however an element in position (1,2) is specified.");
  EXPECT_EQ(ZRV_putbarablocktriplet(task, 5, si.data(), sj.data(), V{2, 2, 0, 2, 1}.data(), sl.data(), v.data()),
            ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(last_error(), "The index value 2 occurring in argument 'subk[1]' is too large.");
  EXPECT_EQ(ZRV_putbarablocktriplet(task, 5, V{1, 0, 1, 0, 1}.data(), V{0, 1, 0, 0, 0}.data(),
                                    V{2, 1, 2, 2, 1}.data(), V{1, 0, 1, 2, 1}.data(), v.data()),
            ZRV_RES_ERR_SYM_MAT_DUPLICATE);
  EXPECT_EQ(last_error(), "The value (2,1) in a sparse symmetric has been specified twice at position 0 and position 2.");
  EXPECT_EQ(numsymmat(), 0);
  ASSERT_EQ(ZRV_putbarablocktriplet(task, 5, si.data(), sj.data(), sk.data(), sl.data(), v.data()), ZRV_RES_OK);
  EXPECT_EQ(numsymmat(), 3);  // groups (0,0), (0,1), (1,0)
  int64_t n = 0;
  ASSERT_EQ(ZRV_getnumbarablocktriplets(task, &n), ZRV_RES_OK);
  ASSERT_EQ(n, 5);
  V gi(5), gj(5), gk(5), gl(5);
  D gv(5);
  EXPECT_EQ(ZRV_getbarablocktriplet(task, 4, &n, gi.data(), gj.data(), gk.data(), gl.data(), gv.data()),
            ZRV_RES_ERR_INVALID_MAX_NUM);
  ASSERT_EQ(ZRV_getbarablocktriplet(task, 5, &n, gi.data(), gj.data(), gk.data(), gl.data(), gv.data()), ZRV_RES_OK);
  EXPECT_EQ(gi, (V{0, 0, 0, 1, 1}));
  EXPECT_EQ(gj, (V{0, 0, 1, 0, 0}));
  EXPECT_EQ(gk, (V{1, 2, 1, 0, 2}));
  EXPECT_EQ(gl, (V{1, 2, 0, 0, 1}));
  EXPECT_EQ(gv, (D{1, 2, 4, 3, 5}));

  // barc as a weighted sum of overlapping matrices: the view adds up equal positions.
  int64_t a = symmat(3, {0, 2}, {0, 1}, {1, 1});
  int64_t b = symmat(3, {2, 1}, {1, 1}, {3, 7});
  ASSERT_EQ(ZRV_putbarcj(task, 0, 2, L{a, b}.data(), D{2, 0.5}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getnumbarcblocktriplets(task, &n), ZRV_RES_OK);
  ASSERT_EQ(n, 3);
  V cj(3), ck(3), cl(3);
  D cv(3);
  ASSERT_EQ(ZRV_getbarcblocktriplet(task, 3, &n, cj.data(), ck.data(), cl.data(), cv.data()), ZRV_RES_OK);
  EXPECT_EQ(ck, (V{0, 1, 2}));
  EXPECT_EQ(cl, (V{0, 1, 1}));
  EXPECT_EQ(cv, (D{2, 3.5, 3.5}));
  // The view puts back as it came out.
  ASSERT_EQ(ZRV_putbarcblocktriplet(task, 3, cj.data(), ck.data(), cl.data(), cv.data()), ZRV_RES_OK);
  D again(3);
  ASSERT_EQ(ZRV_getbarcblocktriplet(task, 3, &n, nullptr, nullptr, nullptr, again.data()), ZRV_RES_OK);
  EXPECT_EQ(again, cv);
  int64_t terms = 0;
  L idx(1);
  ZRV_getbarcsparsity(task, 1, &n, idx.data());
  ZRV_getbarcidxinfo(task, idx[0], &terms);
  EXPECT_EQ(terms, 1);
}

TEST_F(BarVars, RemovalsRenumberEntries) {
  ASSERT_EQ(ZRV_appendcons(task, 4), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendbarvars(task, 3, V{1, 1, 1}.data()), ZRV_RES_OK);
  put_name(zrv::NameClass::BarVar, 2, "last");
  int64_t e = symmat(1, {0}, {0}, {1});
  for (int32_t i = 0; i < 4; ++i)
    for (int32_t j = 0; j < 3; ++j) ASSERT_EQ(ZRV_putbaraij(task, i, j, 1, &e, D{10.0 * i + j}.data()), ZRV_RES_OK);
  for (int32_t j = 0; j < 3; ++j) ASSERT_EQ(ZRV_putbarcj(task, j, 1, &e, D{-1.0 - j}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_removecons(task, 2, V{2, 0}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_removecons(task, 1, V{1}.data()), ZRV_RES_OK);  // the last constraint
  EXPECT_EQ(ZRV_removebarvars(task, 2, V{1, 1}.data()), ZRV_RES_ERR_NON_UNIQUE_ARRAY);
  EXPECT_EQ(ZRV_removebarvars(task, 4, V{0, 1, 2, 0}.data()), ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE);
  ASSERT_EQ(ZRV_removebarvars(task, 1, V{1}.data()), ZRV_RES_OK);
  int32_t nb = 0;
  ZRV_getnumbarvar(task, &nb);
  EXPECT_EQ(nb, 2);
  // Old constraint 1 is the only one left; old matrix variables 0 and 2 are now 0 and 1.
  std::vector<Entry> want{{0, 0, {e}, {10}}, {0, 1, {e}, {12}}};
  EXPECT_EQ(bara(), want);
  L idx(2);
  int64_t n = 0;
  ASSERT_EQ(ZRV_getbarcsparsity(task, 2, &n, idx.data()), ZRV_RES_OK);
  ASSERT_EQ(n, 2);
  D w(1);
  int32_t j = -1;
  ASSERT_EQ(ZRV_getbarcidx(task, idx[1], 1, &j, nullptr, nullptr, w.data()), ZRV_RES_OK);
  EXPECT_EQ(j, 1);
  EXPECT_EQ(w[0], -3);
  EXPECT_EQ(get_name(zrv::NameClass::BarVar, 1), "last");
}

}  // namespace
