// Cones: the checks of a cone, replacement, capacity growth, removal of cones and of member variables, cloning,
// and a random sequence of cone and variable operations against a plain model.
#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "cone/fixture.h"

using conetest::TaskTest;
using V = std::vector<int32_t>;

namespace {

struct Cones : TaskTest {
  void SetUp() override {
    TaskTest::SetUp();
    ASSERT_EQ(ZRV_appendvars(task, 10), ZRV_RES_OK);
  }
};

TEST_F(Cones, SizeAndTypeRulesAppendNothing) {
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 0, nullptr), ZRV_RES_ERR_CONE_SIZE);
  EXPECT_EQ(last_error(), "A cone with too few member is specified. At least 1 members are required for cones of type QUAD.");
  V one{0};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_RQUAD, 0.0, 1, one.data()), ZRV_RES_ERR_CONE_SIZE);
  EXPECT_EQ(last_error(), "A cone with too few member is specified. At least 2 members are required for cones of type RQUAD.");
  EXPECT_EQ(ZRV_appendcone(task, 7, 0.0, 1, one.data()), ZRV_RES_ERR_CONE_TYPE);
  EXPECT_EQ(last_error(), "7 is an invalid cone type specified.");
  V bad{0, 10};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 2, bad.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  bad[1] = -1;
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 2, bad.data()), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_appendconeseq(task, ZRV_CT_QUAD, 0.0, 3, 8), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_appendconeseq(task, ZRV_CT_QUAD, 0.0, 2, 2147483647), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, NAN, 1, one.data()), ZRV_RES_ERR_NAN_IN_DOUBLE_DATA);
  EXPECT_EQ(numcone(task), 0);
  // None of the failures left a variable marked as a member.
  EXPECT_EQ(ZRV_appendconeseq(task, ZRV_CT_RQUAD, 0.5, 10, 0), ZRV_RES_OK);
}

TEST_F(Cones, OverlapAndRepetition) {
  put_name(zrv::NameClass::Var, 2, "y");
  V a{0, 1, 2};
  ASSERT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 3, a.data()), ZRV_RES_OK);
  put_name(zrv::NameClass::Cone, 0, "first");
  V b{3, 2};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 2, b.data()), ZRV_RES_ERR_CONE_OVERLAP);
  EXPECT_EQ(last_error(), "Variable 'y' (2) is a member of cone 'first' (0) and cone 'K2' (1).");
  V rep{4, 5, 4, 6};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 4, rep.data()), ZRV_RES_ERR_CONE_REP_VAR);
  EXPECT_EQ(last_error(), "Variable 'X5' (4) are included multiple times in cone 'K2' (1).");
  // A failed repetition check leaves no trace: the same variables form a cone afterwards.
  V ok{4, 5, 6};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 3, ok.data()), ZRV_RES_OK);
  EXPECT_EQ(members(task, 1), ok);
  // Replacing a cone may reuse its own members; other cones' members stay off limits.
  V re{2, 0, 7};
  EXPECT_EQ(ZRV_putcone(task, 0, ZRV_CT_RQUAD, 1.0, 3, re.data()), ZRV_RES_OK);
  EXPECT_EQ(members(task, 0), re);
  V clash{1, 5};
  EXPECT_EQ(ZRV_putcone(task, 0, ZRV_CT_QUAD, 0.0, 2, clash.data()), ZRV_RES_ERR_CONE_OVERLAP);
  EXPECT_EQ(members(task, 0), re);
  EXPECT_EQ(ZRV_putcone(task, 2, ZRV_CT_QUAD, 0.0, 2, clash.data()), ZRV_RES_ERR_CONE_INDEX);
  EXPECT_EQ(last_error(), "No cone has index '2'.");
  // Variable 1 left cone 0 with the replacement.
  V freed{1};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 1, freed.data()), ZRV_RES_OK);
}

TEST_F(Cones, CapacityGrowth) {
  EXPECT_EQ(maxnumcone(), 0);
  ASSERT_EQ(ZRV_appendconeseq(task, ZRV_CT_QUAD, 0.0, 1, 0), ZRV_RES_OK);
  EXPECT_EQ(maxnumcone(), 1);
  ASSERT_EQ(ZRV_putmaxnumcone(task, 4), ZRV_RES_OK);
  for (int32_t j = 1; j < 4; ++j) ASSERT_EQ(ZRV_appendconeseq(task, ZRV_CT_QUAD, 0.0, 1, j), ZRV_RES_OK);
  EXPECT_EQ(maxnumcone(), 4);
  ASSERT_EQ(ZRV_appendconeseq(task, ZRV_CT_QUAD, 0.0, 1, 4), ZRV_RES_OK);
  EXPECT_EQ(maxnumcone(), 8);
  EXPECT_EQ(ZRV_putmaxnumcone(task, 4), ZRV_RES_ERR_MAXNUMCONE);
  EXPECT_EQ(ZRV_resizetask(task, 0, 10, 3, 0, 0), ZRV_RES_ERR_MAXNUMCONE);
  ASSERT_EQ(ZRV_putmaxnumcone(task, 5), ZRV_RES_OK);
  // Several cones at once: max(2 x 5, 5 + 3) = 10, members consecutive from variable 5.
  std::vector<ZRVconetypee> ct{ZRV_CT_QUAD, ZRV_CT_RQUAD, ZRV_CT_QUAD};
  std::vector<double> par{0, 0, 0};
  V nm{1, 2, 1};
  ASSERT_EQ(ZRV_appendconesseq(task, 3, ct.data(), par.data(), nm.data(), 5), ZRV_RES_OK);
  EXPECT_EQ(maxnumcone(), 10);
  EXPECT_EQ(members(task, 5), V{5});
  EXPECT_EQ(members(task, 6), (V{6, 7}));
  EXPECT_EQ(members(task, 7), V{8});
  for (int32_t k = 0; k < 5; ++k) EXPECT_EQ(members(task, k)[0], k);
}

TEST_F(Cones, RemoveConesRenumbers) {
  for (int32_t k = 0; k < 4; ++k) ASSERT_EQ(ZRV_appendconeseq(task, ZRV_CT_RQUAD, k, 2, 2 * k), ZRV_RES_OK);
  V dup{1, 1};
  EXPECT_EQ(ZRV_removecones(task, 2, dup.data()), ZRV_RES_ERR_NON_UNIQUE_ARRAY);
  V out{4};
  EXPECT_EQ(ZRV_removecones(task, 1, out.data()), ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE);
  EXPECT_EQ(numcone(task), 4);
  V sub{2, 0};
  ASSERT_EQ(ZRV_removecones(task, 2, sub.data()), ZRV_RES_OK);
  ASSERT_EQ(numcone(task), 2);
  double par = -1;
  ZRV_getconeinfo(task, 1, nullptr, &par, nullptr);
  EXPECT_EQ(par, 3.0);
  EXPECT_EQ(members(task, 0), (V{2, 3}));
  EXPECT_EQ(members(task, 1), (V{6, 7}));
  // Members of removed cones are free; members of kept cones name the kept cone's new number.
  V reuse{0, 4, 1};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 3, reuse.data()), ZRV_RES_OK);
  V taken{9, 7};
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 2, taken.data()), ZRV_RES_ERR_CONE_OVERLAP);
  EXPECT_EQ(last_error(), "Variable 'X8' (7) is a member of cone 'K2' (1) and cone 'K4' (3).");
}

TEST_F(Cones, RemovingVariablesKeepsRootsAndRenumbersMembers) {
  V q{3, 5, 7};
  V r{0, 1, 2, 8};
  ASSERT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 3, q.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcone(task, ZRV_CT_RQUAD, 0.0, 4, r.data()), ZRV_RES_OK);
  put_name(zrv::NameClass::Cone, 1, "rq");
  V root{4, 1};
  EXPECT_EQ(ZRV_removevars(task, 2, root.data()), ZRV_RES_ERR_REMOVE_CONE_VARIABLE);
  EXPECT_EQ(last_error(), "If variable 1 ('X2') is removed, then cone 1 ('rq') will be invalid.");
  V qroot{3};
  EXPECT_EQ(ZRV_removevars(task, 1, qroot.data()), ZRV_RES_ERR_REMOVE_CONE_VARIABLE);
  int32_t numvar = 0;
  ZRV_getnumvar(task, &numvar);
  EXPECT_EQ(numvar, 10);
  EXPECT_EQ(members(task, 0), q);
  // Non-root members go: 5 leaves cone 0, 2 leaves cone 1; the rest are renumbered.
  V ok{5, 2, 6};
  ASSERT_EQ(ZRV_removevars(task, 3, ok.data()), ZRV_RES_OK);
  EXPECT_EQ(members(task, 0), (V{2, 4}));
  EXPECT_EQ(members(task, 1), (V{0, 1, 5}));
  // Removing the last variable takes the short path; it must still leave its cone.
  ASSERT_EQ(ZRV_removevars(task, 1, V{6}.data()), ZRV_RES_OK);
  EXPECT_EQ(members(task, 1), (V{0, 1, 5}));
  ASSERT_EQ(ZRV_removevars(task, 1, V{5}.data()), ZRV_RES_OK);
  EXPECT_EQ(members(task, 1), (V{0, 1}));
  // Freed and appended variables are not members of anything.
  ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK);
  EXPECT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 0.0, 2, V{3, 5}.data()), ZRV_RES_OK);
}

TEST_F(Cones, CloneCopiesConesAndMatrixData) {
  ASSERT_EQ(ZRV_appendcone(task, ZRV_CT_QUAD, 2.5, 3, V{4, 1, 2}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcone(task, ZRV_CT_RQUAD, 0.0, 2, V{7, 8}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putcone(task, 0, ZRV_CT_QUAD, 2.5, 4, V{4, 1, 2, 9}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendcons(task, 2), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendbarvars(task, 2, V{2, 3}.data()), ZRV_RES_OK);
  int64_t e = -1;
  ASSERT_EQ(ZRV_appendsparsesymmat(task, 3, 2, V{0, 2}.data(), V{0, 1}.data(), std::vector<double>{1, 2}.data(), &e),
            ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbarcj(task, 1, 1, &e, std::vector<double>{3}.data()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putbaraij(task, 1, 1, 1, &e, std::vector<double>{-1}.data()), ZRV_RES_OK);

  ZRVtask_t c = nullptr;
  ASSERT_EQ(ZRV_clonetask(task, &c), ZRV_RES_OK);
  EXPECT_EQ(numcone(c), 2);
  EXPECT_EQ(members(c, 0), (V{4, 1, 2, 9}));
  EXPECT_EQ(members(c, 1), (V{7, 8}));
  // The clone knows which variables are taken, and its cones are its own.
  EXPECT_EQ(ZRV_appendcone(c, ZRV_CT_QUAD, 0.0, 1, V{9}.data()), ZRV_RES_ERR_CONE_OVERLAP);
  EXPECT_EQ(ZRV_appendcone(c, ZRV_CT_QUAD, 0.0, 2, V{0, 3}.data()), ZRV_RES_OK);
  EXPECT_EQ(numcone(task), 2);
  int64_t n = 0;
  ASSERT_EQ(ZRV_getnumbarablocktriplets(c, &n), ZRV_RES_OK);
  EXPECT_EQ(n, 2);
  ASSERT_EQ(ZRV_putbarcj(c, 1, 0, nullptr, nullptr), ZRV_RES_OK);
  ZRV_getnumbarcnz(task, &n);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(ZRV_deletetask(&c), ZRV_RES_OK);
}

// A random sequence of cone and variable operations, compared after every step with a plain list of cones.
TEST_F(TaskTest, RandomConeOperationsMatchModel) {
  struct Cone {
    int32_t type;
    V mem;
  };
  std::vector<Cone> model;
  int32_t numvar = 0;
  std::mt19937 rng(12345);
  auto rnd = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
  auto owner = [&](int32_t v) {
    for (size_t k = 0; k < model.size(); ++k)
      if (std::count(model[k].mem.begin(), model[k].mem.end(), v)) return static_cast<int32_t>(k);
    return -1;
  };
  auto valid = [&](int32_t type, V m, int32_t self) {
    for (int32_t v : m)
      if (owner(v) >= 0 && owner(v) != self) return false;
    std::sort(m.begin(), m.end());
    return m.size() >= (type == ZRV_CT_QUAD ? 1u : 2u) && std::adjacent_find(m.begin(), m.end()) == m.end();
  };
  for (int step = 0; step < 1500; ++step) {
    int op = rnd(10);
    int32_t k = model.empty() ? -1 : rnd(static_cast<int32_t>(model.size())), type = rnd(2);
    V m(static_cast<size_t>(1 + rnd(7)));
    for (int32_t& v : m) v = numvar ? rnd(numvar) : 0;
    if (op == 0 || numvar < 4) {
      ASSERT_EQ(ZRV_appendvars(task, 3), ZRV_RES_OK);
      numvar += 3;
    } else if (op <= 5) {  // append (k < 0) or replace a cone
      if (op <= 3) k = -1;
      int32_t n = static_cast<int32_t>(m.size());
      int32_t r = k < 0 ? ZRV_appendcone(task, type, 0.0, n, m.data()) : ZRV_putcone(task, k, type, 0.0, n, m.data());
      bool ok = valid(type, m, k);
      ASSERT_EQ(r == ZRV_RES_OK, ok) << "step " << step;
      if (ok && k < 0) model.push_back({type, m});
      if (ok && k >= 0) model[static_cast<size_t>(k)] = {type, m};
    } else if (op == 6) {
      V sub;
      std::vector<Cone> kept;
      for (size_t q = 0; q < model.size(); ++q)
        (rnd(3) ? kept.push_back(model[q]) : sub.push_back(static_cast<int32_t>(q)));
      std::shuffle(sub.begin(), sub.end(), rng);
      ASSERT_EQ(ZRV_removecones(task, static_cast<int32_t>(sub.size()), sub.data()), ZRV_RES_OK);
      model.swap(kept);
    } else {
      V sub, newidx(static_cast<size_t>(numvar));
      int32_t w = 0;
      for (int32_t v = 0; v < numvar; ++v) newidx[static_cast<size_t>(v)] = rnd(6) ? w++ : (sub.push_back(v), -1);
      bool ok = true;
      for (const Cone& c : model)
        for (size_t q = 0; q < (c.type == ZRV_CT_QUAD ? 1u : 2u); ++q) ok = ok && newidx[static_cast<size_t>(c.mem[q])] >= 0;
      ASSERT_EQ(ZRV_removevars(task, static_cast<int32_t>(sub.size()), sub.data()) == ZRV_RES_OK, ok) << step;
      for (Cone& c : model) {
        if (!ok) break;
        V kept;
        for (int32_t v : c.mem)
          if (newidx[static_cast<size_t>(v)] >= 0) kept.push_back(newidx[static_cast<size_t>(v)]);
        c.mem = kept;
      }
      if (ok) numvar = w;
    }
    ASSERT_EQ(numcone(task), static_cast<int32_t>(model.size())) << "step " << step;
    for (size_t q = 0; q < model.size(); ++q) {
      ZRVconetypee ct = -1;
      ZRV_getconeinfo(task, static_cast<int32_t>(q), &ct, nullptr, nullptr);
      ASSERT_EQ(ct, model[q].type);
      ASSERT_EQ(members(task, static_cast<int32_t>(q)), model[q].mem) << "step " << step << " cone " << q;
    }
  }
}

}  // namespace
