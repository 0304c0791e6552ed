// Quadratic terms: normalization, single-entry puts, the surplus convention, checks with their texts, pool
// size, removal renumbering, cloning, and a random sequence against a dense reference model.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "fixture.h"
#include "zirva.h"

namespace {

using Trip = std::tuple<int32_t, int32_t, double>;
using Terms = std::map<std::pair<int32_t, int32_t>, double>;

struct QuadTest : quadtest::TaskTest<5, 3> {
  // Triplets in stored order; k < 0 reads the objective.
  static std::vector<Trip> read(ZRVtask_t t, int32_t k) {
    int64_t nz = 0;
    if (k < 0)
      EXPECT_EQ(ZRV_getnumqobjnz64(t, &nz), ZRV_RES_OK);
    else
      EXPECT_EQ(ZRV_getnumqconknz64(t, k, &nz), ZRV_RES_OK);
    std::vector<int32_t> si(nz + 1), sj(nz + 1);
    std::vector<double> v(nz + 1);
    int64_t surp = nz, num = -1;  // written from position 1
    int32_t r = k < 0 ? ZRV_getqobj64(t, nz + 1, &surp, &num, si.data(), sj.data(), v.data())
                      : ZRV_getqconk64(t, k, nz + 1, &surp, &num, si.data(), sj.data(), v.data());
    EXPECT_EQ(r, ZRV_RES_OK);
    EXPECT_EQ(num, nz);
    EXPECT_EQ(surp, 0);
    std::vector<Trip> out;
    for (int64_t p = 0; p < nz; ++p) out.emplace_back(si[p + 1], sj[p + 1], v[p + 1]);
    return out;
  }
  static Terms as_map(const std::vector<Trip>& v) {
    Terms m;
    for (auto [i, j, x] : v) {
      EXPECT_GE(i, j);
      EXPECT_TRUE(m.emplace(std::make_pair(i, j), x).second) << "repeated position " << i << "," << j;
    }
    return m;
  }
};

TEST_F(QuadTest, BulkPutSumsRepeatsDropsTinyAndGroupsByColumn) {
  std::vector<int32_t> i{1, 3, 1, 2, 0, 4, 3, 4};
  std::vector<int32_t> j{0, 1, 0, 2, 0, 0, 1, 1};
  std::vector<double> v{2, 5, 3, 1e-17, 4, 7, -5, 1};
  ASSERT_EQ(ZRV_putqobj(task, 8, i.data(), j.data(), v.data()), ZRV_RES_OK);
  auto got = read(task, -1);
  // (1,0) summed to 5; 1e-17 dropped; (3,1) cancels to nothing.
  EXPECT_EQ(as_map(got), (Terms{{{0, 0}, 4}, {{1, 0}, 5}, {{4, 0}, 7}, {{4, 1}, 1}}));
  for (size_t p = 1; p < got.size(); ++p) EXPECT_LE(std::get<1>(got[p - 1]), std::get<1>(got[p]));
  double q = -1;
  EXPECT_EQ(ZRV_getqobjij(task, 0, 1, &q), ZRV_RES_OK);  // mirror position reads the stored entry
  EXPECT_EQ(q, 5);
  EXPECT_EQ(ZRV_getqobjij(task, 3, 3, &q), ZRV_RES_OK);
  EXPECT_EQ(q, 0.0);
  ZRVproblemtypee pt;
  ASSERT_EQ(ZRV_getprobtype(task, &pt), ZRV_RES_OK);
  EXPECT_EQ(pt, ZRV_PROBTYPE_QO);
}

TEST_F(QuadTest, ChecksReportCodeAndTextAndKeepOldTerm) {
  int32_t i0 = 1, j0 = 0;
  double v0 = 1;
  ASSERT_EQ(ZRV_putqobj(task, 1, &i0, &j0, &v0), ZRV_RES_OK);
  struct Case {
    std::vector<int32_t> i, j;
    std::vector<double> v;
    int32_t code;
    std::string text;
  } cases[] = {
      {{0, 0}, {0, 1}, {1, 1}, ZRV_RES_ERR_QOBJ_UPPER_TRIANGLE, "The element q[0,1] is in the upper triangle."},
      {{0, 5}, {0, 0}, {1, 1}, ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE, "'qosubi[1]' is too large(<5)"},
      {{2, 2}, {1, -3}, {1, 1}, ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL, "The index value -3 occurring in argument 'qosubj[1]'"},
      {{1}, {0}, {std::nan("")}, ZRV_RES_ERR_INV_QOBJ_VAL, "at qoval[0]."},
      {{1}, {1}, {1e25}, ZRV_RES_ERR_INV_QOBJ_VAL, "at qoval[0]."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ZRV_putqobj(task, static_cast<int32_t>(c.i.size()), c.i.data(), c.j.data(), c.v.data()), c.code);
    last_error_has(c.text);
  }
  EXPECT_EQ(ZRV_putqobj(task, 1, nullptr, &j0, &v0), ZRV_RES_ERR_NULL_POINTER);
  last_error_has("'qosubi'");
  EXPECT_EQ(ZRV_putqobjij(task, 0, 1, 1.0), ZRV_RES_ERR_QOBJ_UPPER_TRIANGLE);
  EXPECT_EQ(ZRV_putqobjij(task, 5, 1, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putqobjij(task, 1, 0, std::nan("")), ZRV_RES_ERR_INV_QOBJ_VAL);
  EXPECT_EQ(as_map(read(task, -1)), (Terms{{{1, 0}, 1}}));

  int32_t ci[] = {2, 1}, cj[] = {0, 3};
  double cv[] = {1, 1};
  EXPECT_EQ(ZRV_putqconk(task, 2, 2, ci, cj, cv), ZRV_RES_ERR_QCON_UPPER_TRIANGLE);
  last_error_has("q[1,3] is in the upper triangle of 2th constraint");
  EXPECT_EQ(ZRV_putqconk(task, 3, 1, ci, cj, cv), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_getnumqconknz(task, 3, nullptr), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);

  struct ConCase {
    int32_t k, i, j;
    double v;
    int32_t code;
    std::string text;
  } con_cases[] = {
      {3, 1, 0, 1, ZRV_RES_ERR_INV_QCON_SUBK, "Invalid value 3 at qcsubk[1]."},
      {0, -1, 0, 1, ZRV_RES_ERR_QCON_SUBI_TOO_SMALL, "Invalid value -1 at qcsubi[1]. It should be >= 0."},
      {0, 5, 0, 1, ZRV_RES_ERR_QCON_SUBI_TOO_LARGE, "Invalid value 5 at qcsubi[1]. It should be < 5."},
      {0, 4, 7, 1, ZRV_RES_ERR_INV_QCON_SUBJ, "Invalid value 7 at qcsubj[1]."},
      {1, 2, 3, 1, ZRV_RES_ERR_QCON_UPPER_TRIANGLE, "q[2,3] is in the upper triangle of 1th constraint"},
      {0, 2, 2, std::nan(""), ZRV_RES_ERR_INV_QCON_VAL, "at qcval[1]."},
  };
  for (const ConCase& c : con_cases) {
    int32_t k[] = {0, c.k}, i[] = {0, c.i}, j[] = {0, c.j};
    double v[] = {1, c.v};
    EXPECT_EQ(ZRV_putqcon(task, 2, k, i, j, v), c.code);
    last_error_has(c.text);
  }
  EXPECT_EQ(ZRV_getnumqconknz(task, 0, &i0), ZRV_RES_OK);
  EXPECT_EQ(i0, 0);
}

TEST_F(QuadTest, SurplusConvention) {
  std::vector<int32_t> i{0, 1, 2}, j{0, 0, 1};
  std::vector<double> v{1, 2, 3};
  ASSERT_EQ(ZRV_putqconk(task, 1, 3, i.data(), j.data(), v.data()), ZRV_RES_OK);
  std::vector<int32_t> si(6, -7), sj(6, -7);
  std::vector<double> sv(6, -7);
  int32_t surp = 7, num = -1;
  EXPECT_EQ(ZRV_getqconk(task, 1, 6, &surp, &num, si.data(), sj.data(), sv.data()), ZRV_RES_ERR_INVALID_SURPLUS);
  surp = 2;
  EXPECT_EQ(ZRV_getqconk(task, 1, 6, &surp, &num, si.data(), sj.data(), sv.data()), ZRV_RES_ERR_NEGATIVE_SURPLUS);
  EXPECT_EQ(surp, 2);
  surp = 4;  // written from position 6 - 4 = 2
  ASSERT_EQ(ZRV_getqconk(task, 1, 6, &surp, &num, si.data(), sj.data(), sv.data()), ZRV_RES_OK);
  EXPECT_EQ(surp, 1);
  EXPECT_EQ(num, 3);
  EXPECT_EQ(si, (std::vector<int32_t>{-7, -7, 0, 1, 2, -7}));
  EXPECT_EQ(sv, (std::vector<double>{-7, -7, 1, 2, 3, -7}));
  EXPECT_EQ(ZRV_getqconk(task, 1, 6, nullptr, &num, si.data(), sj.data(), sv.data()), ZRV_RES_ERR_NULL_POINTER);
  int32_t osurp = 0;
  EXPECT_EQ(ZRV_getqobj(task, 0, &osurp, &num, nullptr, nullptr, nullptr), ZRV_RES_OK);  // empty term
  EXPECT_EQ(num, 0);
}

TEST_F(QuadTest, PoolSizeAndClone) {
  std::vector<int32_t> i{0, 3, 4, 4}, j{0, 1, 3, 2};
  std::vector<double> v{1, 2, 3, 4};
  ASSERT_EQ(ZRV_putqobj(task, 4, i.data(), j.data(), v.data()), ZRV_RES_OK);
  int32_t k[] = {0, 2, 2}, ci[] = {1, 3, 4}, cj[] = {1, 3, 1};
  double cv[] = {5, 6, 7};
  ASSERT_EQ(ZRV_putqcon(task, 3, k, ci, cj, cv), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putmaxnumqnz(task, 6), ZRV_RES_ERR_MAXNUMQNZ);
  ASSERT_EQ(ZRV_putmaxnumqnz(task, 7), ZRV_RES_OK);
  int32_t maxq = 0;
  EXPECT_EQ(ZRV_getmaxnumqnz(task, &maxq), ZRV_RES_OK);
  EXPECT_EQ(maxq, 7);

  ZRVtask_t copy = nullptr;
  ASSERT_EQ(ZRV_clonetask(task, &copy), ZRV_RES_OK);
  for (int32_t k = -1; k < 3; ++k) EXPECT_EQ(as_map(read(copy, k)), as_map(read(task, k))) << k;
  ASSERT_EQ(ZRV_putqobjij(copy, 4, 2, 8.0), ZRV_RES_OK);  // the copy owns its pool
  double q = 0;
  ASSERT_EQ(ZRV_getqobjij(task, 4, 2, &q), ZRV_RES_OK);
  EXPECT_EQ(q, 4.0);
  ZRVproblemtypee pt;
  ASSERT_EQ(ZRV_getprobtype(copy, &pt), ZRV_RES_OK);
  EXPECT_EQ(pt, ZRV_PROBTYPE_QCQO);
  ZRV_deletetask(&copy);
}

// Random puts, removals, appends and pool resizes against a dense model of every term.
TEST_F(QuadTest, RandomSequenceMatchesReference) {
  std::mt19937 rng(12345);
  auto uni = [&](int n) { return static_cast<int32_t>(rng() % static_cast<unsigned>(n)); };
  int32_t nv = 5, nc = 3;
  std::vector<Terms> ref(nc + 1);  // ref[0] objective, ref[k+1] constraint k
  auto random_entries = [&](int n, std::vector<int32_t>& i, std::vector<int32_t>& j, std::vector<double>& v) {
    for (int p = 0; p < n; ++p) {
      int32_t a = uni(nv), b = uni(nv);
      i.push_back(std::max(a, b)), j.push_back(std::min(a, b)), v.push_back(uni(5) == 0 ? 0.0 : uni(9) - 4.0);
    }
  };
  auto as_terms = [](const std::vector<int32_t>& i, const std::vector<int32_t>& j, const std::vector<double>& v) {
    Terms m;
    for (size_t p = 0; p < i.size(); ++p) m[{i[p], j[p]}] += v[p];
    for (auto it = m.begin(); it != m.end();) it = it->second == 0 ? m.erase(it) : std::next(it);
    return m;
  };
  for (int step = 0; step < 1500; ++step) {
    int op = uni(9);
    std::vector<int32_t> i, j, k;
    std::vector<double> v;
    if (op <= 2) {
      int32_t a = uni(nv), b = uni(nv), x = uni(3) == 0 ? 0 : uni(7) - 3;
      ASSERT_EQ(ZRV_putqobjij(task, std::max(a, b), std::min(a, b), x), ZRV_RES_OK);
      if (x == 0)
        ref[0].erase({std::max(a, b), std::min(a, b)});
      else
        ref[0][{std::max(a, b), std::min(a, b)}] = x;
    } else if (op == 3) {
      random_entries(uni(12), i, j, v);
      ASSERT_EQ(ZRV_putqobj(task, static_cast<int32_t>(i.size()), i.data(), j.data(), v.data()), ZRV_RES_OK);
      ref[0] = as_terms(i, j, v);
    } else if (op == 4 && nc > 0) {
      int32_t c = uni(nc);
      random_entries(uni(10), i, j, v);
      ASSERT_EQ(ZRV_putqconk(task, c, static_cast<int32_t>(i.size()), i.data(), j.data(), v.data()), ZRV_RES_OK);
      ref[c + 1] = as_terms(i, j, v);
    } else if (op == 5 && nc > 0) {
      random_entries(uni(15), i, j, v);
      for (size_t p = 0; p < i.size(); ++p) k.push_back(uni(nc));
      ASSERT_EQ(ZRV_putqcon(task, static_cast<int32_t>(i.size()), k.data(), i.data(), j.data(), v.data()), ZRV_RES_OK);
      for (int32_t c = 0; c < nc; ++c) {
        std::vector<int32_t> ci, cj;
        std::vector<double> cv;
        for (size_t p = 0; p < i.size(); ++p)
          if (k[p] == c) ci.push_back(i[p]), cj.push_back(j[p]), cv.push_back(v[p]);
        ref[c + 1] = as_terms(ci, cj, cv);
      }
    } else if (op == 6 && nv > 2) {
      int32_t gone = uni(nv);
      ASSERT_EQ(ZRV_removevars(task, 1, &gone), ZRV_RES_OK);
      for (Terms& t : ref) {
        Terms n;
        for (auto& [ij, x] : t)
          if (ij.first != gone && ij.second != gone)
            n[{ij.first - (ij.first > gone), ij.second - (ij.second > gone)}] = x;
        t = n;
      }
      --nv;
    } else if (op == 7 && nc > 1) {
      int32_t gone = uni(nc);
      ASSERT_EQ(ZRV_removecons(task, 1, &gone), ZRV_RES_OK);
      ref.erase(ref.begin() + gone + 1);
      --nc;
    } else if (op == 8) {
      if (uni(2)) {
        ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK);
        ++nv;
      } else {
        ASSERT_EQ(ZRV_appendcons(task, 1), ZRV_RES_OK);
        ref.emplace_back();
        ++nc;
      }
      int64_t used = 0, n = 0;
      for (int32_t c = -1; c < nc; ++c) {
        c < 0 ? ZRV_getnumqobjnz64(task, &n) : ZRV_getnumqconknz64(task, c, &n);
        used += n;
      }
      ASSERT_EQ(ZRV_putmaxnumqnz(task, used + uni(3)), ZRV_RES_OK);
    }
    for (int32_t c = -1; c < nc; ++c)
      ASSERT_EQ(as_map(read(task, c)), ref[c + 1]) << "step " << step << " term " << c;
  }
}

}  // namespace
