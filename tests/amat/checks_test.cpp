// The matrix and objective operations: argument and coefficient checks with their codes and texts, zero and
// near-zero handling, the surplus convention of the slice getters, the objective and the pool capacity.
#include <cmath>
#include <limits>

#include "amat/fixture.h"

using amattest::TaskTest;
using amattest::Vec;
using I = std::vector<int32_t>;

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
}  // namespace

TEST_F(TaskTest, SingleEntries) {
  shape(3, 4);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, 5.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, 7.0), ZRV_RES_OK);
  EXPECT_EQ(aij(1, 2), 7.0);
  EXPECT_EQ(numanz(), 1);
  EXPECT_EQ(ZRV_putaij(task, 0, 0, 3.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putaij(task, 0, 0, 1.0e-13), ZRV_RES_OK);  // below DATA_TOL_AIJ: removes the entry
  EXPECT_EQ(numanz(), 1);
  // Failed puts report and change nothing.
  EXPECT_EQ(ZRV_putaij(task, -1, 2, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putaij(task, 1, 4, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, NaN), ZRV_RES_ERR_NAN_IN_AIJ);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, 1.0e20), ZRV_RES_ERR_HUGE_AIJ);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, -Inf), ZRV_RES_ERR_HUGE_AIJ);
  EXPECT_EQ(
      errors(),
      "ZIRVA error 1203: The index value -1 occurring in argument 'i' is too small.\n"
      "ZIRVA error 1204: The index value 4 occurring in argument 'j' is too large.\n"
      "ZIRVA error 1473: The specified A matrix element in constraint 'C2' (1) for variable 'X3' (2) is a NAN.\n"
      "ZIRVA error 1380: The A matrix contains a huge value of 1.0e+20  in constraint 'C2' (1) at variable 'X3' (2).\n"
      "ZIRVA error 1380: The A matrix contains a huge value of -inf     in constraint 'C2' (1) at variable 'X3' "
      "(2).\n");
  EXPECT_EQ(col(2), (Vec{0, 7, 0}));
  EXPECT_EQ(ZRV_putaij(task, 0, 3, -2.5e10), ZRV_RES_OK);  // large: stored with a warning
  EXPECT_EQ(aij(0, 3), -2.5e10);
  EXPECT_EQ(warnings(),
            "ZIRVA warning 62: The A matrix contains a large value of -2.5e+10 in constraint 'C1' (0) at variable 'X4' "
            "(3).\n");
  // The list form stops at the first failing triple; the getter clears its output also when it fails.
  EXPECT_EQ(ZRV_putaijlist64(task, 3, I{0, 2, 1}.data(), I{0, 9, 1}.data(), Vec{1, 2, 3}.data()),
            ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(row(0), (Vec{1, 0, 0, -2.5e10}));
  EXPECT_EQ(aij(1, 1), 0.0);
  double v = 99.0;
  EXPECT_EQ(ZRV_getaij(task, 3, 0, &v), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(v, 0.0);
}

TEST_F(TaskTest, SingleVectors) {
  shape(5, 3);
  EXPECT_EQ(ZRV_putacol(task, 1, 2, I{2, 2}.data(), Vec{1, 2}.data()), ZRV_RES_OK);  // duplicates are summed
  EXPECT_EQ(col(1), (Vec{0, 0, 3, 0, 0}));
  EXPECT_EQ(ZRV_putacol(task, 1, 2, I{4, 4}.data(), Vec{1, -1}.data()), ZRV_RES_OK);  // and may cancel
  EXPECT_EQ(numanz(), 0);
  // Near zeros (at most DATA_TOL_AIJ) are dropped without a warning in the single-vector forms.
  EXPECT_EQ(ZRV_putacol(task, 2, 3, I{0, 3, 4}.data(), Vec{1e-13, 2, 1e-12}.data()), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putarow(task, 3, 3, I{0, 2, 0}.data(), Vec{1, 6, 1.5}.data()), ZRV_RES_OK);
  EXPECT_EQ(row(3), (Vec{2.5, 0, 6}));
  EXPECT_EQ(col(2), (Vec{0, 0, 0, 6, 0}));
  EXPECT_EQ(warnings(), "");
  // Checks: the vector index, the entry indexes, and NaN or huge values, which no put may store.
  EXPECT_EQ(ZRV_putacol(task, 3, 1, I{0}.data(), Vec{1}.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putacol(task, 0, 2, I{0, 7}.data(), Vec{1, 2}.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putarow(task, 0, 2, I{0, -7}.data(), Vec{1, 2}.data()), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putacol(task, 0, -1, I{0}.data(), Vec{1}.data()), ZRV_RES_ERR_ARG_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putacol(task, 0, 1, nullptr, Vec{1}.data()), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_putacol(task, 2, 2, I{1, 2}.data(), Vec{3, NaN}.data()), ZRV_RES_ERR_NAN_IN_AIJ);
  EXPECT_EQ(ZRV_putarow(task, 3, 2, I{1, 2}.data(), Vec{Inf, 1}.data()), ZRV_RES_ERR_HUGE_AIJ);
  EXPECT_EQ(errors(),
            "ZIRVA error 1204: The index value 3 occurring in argument 'j' is too large.\n"
            "ZIRVA error 1204: The index value 7 occurring in argument 'subj' is too large.\n"
            "ZIRVA error 1203: The index value -7 occurring in argument 'subi' is too small.\n"
            "ZIRVA error 1226: The value -1 of argument nzj is too small.\n"
            "ZIRVA error 1065: Argument 'subj' is unexpectedly a NULL pointer.\n"
            "ZIRVA error 1473: The specified A matrix element in constraint 'C3' (2) for variable 'X3' (2) is a NAN.\n"
            "ZIRVA error 1380: The A matrix contains a huge value of inf      in constraint 'C4' (3) at variable 'X2' "
            "(1).\n");
  EXPECT_EQ(row(3), (Vec{2.5, 0, 6}));
  EXPECT_EQ(numanz(), 2);
}

TEST_F(TaskTest, ListAndSliceForms) {
  shape(4, 3);
  // Column 0 is fine, column 2 has row 9 at its second place, column 1 would come after it.
  const I asub{0, 3, 1, 9, 2};
  const Vec aval{1, 2, 3, 4, 5};
  EXPECT_EQ(ZRV_putacollist(task, 3, I{0, 2, 1}.data(), I{0, 2, 4}.data(), I{2, 4, 5}.data(), asub.data(), aval.data()),
            ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putacollist(task, 1, I{3}.data(), I{0}.data(), I{1}.data(), asub.data(), aval.data()),
            ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putarowlist(task, 1, I{0}.data(), I{2}.data(), I{0}.data(), asub.data(), aval.data()),
            ZRV_RES_ERR_INV_APTRE);
  EXPECT_EQ(ZRV_putacolslice(task, 0, 4, I{0}.data(), I{0}.data(), asub.data(), aval.data()), ZRV_RES_ERR_LAST);
  EXPECT_EQ(errors(),
            "ZIRVA error 1204: The index value 9 occurring in argument '(asub+aptrb[1])[1]' is too large.\n"
            "ZIRVA error 1222: The index value 3 occurring in argument 'sub[0]' is too large(<3).\n"
            "ZIRVA error 1253: aptre is strictly smaller than aptrb at position 0.\n"
            "ZIRVA error 1262: Invalid index last. A given index was out of expected range, last was 4.\n");
  EXPECT_EQ(col(0), (Vec{1, 0, 0, 2}));
  EXPECT_EQ(numanz(), 2);
  // Near zeros are counted per vector and reported after it is stored; large values warn.
  const std::vector<int64_t> pb{0, 3}, pe{3, 4};
  EXPECT_EQ(
      ZRV_putarowslice64(task, 1, 3, pb.data(), pe.data(), I{0, 1, 2, 0}.data(), Vec{1e-13, 4, -1e-12, 2e10}.data()),
      ZRV_RES_OK);
  EXPECT_EQ(row(1), (Vec{0, 4, 0}));
  EXPECT_EQ(row(2), (Vec{2e10, 0, 0}));
  EXPECT_EQ(ZRV_putacollist64(task, 1, I{1}.data(), pb.data(), pe.data(), I{3, 0, 3}.data(), Vec{-5, 1e-13, 1}.data()),
            ZRV_RES_OK);
  EXPECT_EQ(col(1), (Vec{0, 0, 0, -4}));
  EXPECT_EQ(
      warnings(),
      "ZIRVA warning 705: 2 near zero elements are specified in sparse row 'C2'(1) of matrix 'A'.\n"
      "ZIRVA warning 62: The A matrix contains a large value of 2.0e+10  in constraint 'C3' (2) at variable 'X1' (0).\n"
      "ZIRVA warning 710: 1 near zero elements are specified in sparse col 'X2' (1) of matrix 'A'.\n");
  // A NaN in the third vector of a slice: the first two stay replaced, the third keeps its entries.
  ASSERT_EQ(ZRV_putaij(task, 0, 2, 6.0), ZRV_RES_OK);
  EXPECT_EQ(
      ZRV_putacolslice(task, 0, 3, I{0, 1, 2}.data(), I{1, 2, 3}.data(), I{0, 1, 3}.data(), Vec{7, 8, NaN}.data()),
      ZRV_RES_ERR_NAN_IN_AIJ);
  EXPECT_EQ(col(0), (Vec{7, 0, 0, 0}));
  EXPECT_EQ(col(1), (Vec{0, 8, 0, 0}));
  EXPECT_EQ(col(2), (Vec{6, 0, 0, 0}));
}

TEST_F(TaskTest, SliceGettersAndTheSurplus) {
  shape(4, 3);
  ASSERT_EQ(ZRV_putacolslice(task, 0, 3, I{0, 2, 2}.data(), I{2, 2, 5}.data(), I{3, 0, 1, 2, 3}.data(),
                             Vec{1, 2, 3, 4, 5}.data()),
            ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(task, 2, 1, 6.0), ZRV_RES_OK);  // still pending when the slice is read
  // 6 entries into arrays of 9 with 7 free places at the end: they start at position 2.
  I b(3), e(3), sub(9, -1);
  Vec val(9);
  int32_t surp = 7;
  ASSERT_EQ(ZRV_getaslice(task, ZRV_ACC_VAR, 0, 3, 9, &surp, b.data(), e.data(), sub.data(), val.data()), ZRV_RES_OK);
  EXPECT_EQ(surp, 1);
  EXPECT_EQ(b[0], 2);
  EXPECT_EQ(e[2], 8);
  for (int k = 0; k < 3; ++k) {
    Vec d(4, 0.0);
    for (int32_t t = b[k]; t < e[k]; ++t) d[static_cast<size_t>(sub[t])] += val[t];
    EXPECT_EQ(d, col(k)) << k;
    if (k > 0) {
      EXPECT_EQ(b[k], e[k - 1]) << k;
    }
  }
  // Rows 1..3 (5 entries) as triplets, against the single entries.
  I ti(5), tj(5);
  Vec tv(5);
  surp = 5;
  ASSERT_EQ(ZRV_getarowslicetrip(task, 1, 4, 5, &surp, ti.data(), tj.data(), tv.data()), ZRV_RES_OK);
  for (int t = 0; t < 5; ++t) EXPECT_TRUE(ti[t] >= 1 && tv[t] == aij(ti[t], tj[t])) << t;
  int32_t n32 = -1;
  EXPECT_EQ(ZRV_getaslicenumnz(task, ZRV_ACC_CON, 1, 4, &n32), ZRV_RES_OK);
  EXPECT_EQ(n32, 5);
  EXPECT_EQ(ZRV_getapiecenumnz(task, 1, 3, 1, 3, &n32), ZRV_RES_OK);
  EXPECT_EQ(n32, 3);  // (1,2), (2,1), (2,2)
  // Too little room writes nothing and keeps the surplus; a surplus beyond the arrays is refused.
  int64_t surp64 = 5, b64 = -1;
  EXPECT_EQ(ZRV_getaslice64(task, ZRV_ACC_VAR, 0, 3, 9, &surp64, &b64, nullptr, nullptr, nullptr),
            ZRV_RES_ERR_NEGATIVE_SURPLUS);
  EXPECT_EQ(surp64, 5);
  EXPECT_EQ(b64, -1);
  surp64 = 10;
  EXPECT_EQ(ZRV_getaslice64(task, ZRV_ACC_VAR, 0, 3, 9, &surp64, nullptr, nullptr, nullptr, nullptr),
            ZRV_RES_ERR_ARG_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_getacolslicetrip(task, 0, 4, 4, &surp, nullptr, nullptr, nullptr), ZRV_RES_ERR_LAST);
  EXPECT_EQ(ZRV_getacolslicetrip(task, -1, 2, 4, &surp, nullptr, nullptr, nullptr), ZRV_RES_ERR_FIRST);
  EXPECT_EQ(ZRV_getapiecenumnz(task, 0, 5, 0, 1, &n32), ZRV_RES_ERR_LASTI);
  EXPECT_EQ(ZRV_getapiecenumnz(task, 0, 2, -2, 1, &n32), ZRV_RES_ERR_FIRSTJ);
  EXPECT_EQ(errors(),
            "ZIRVA error 1263: Negative surplus.\n"
            "ZIRVA error 1227: The value 10 of argument surp is too large.\n"
            "ZIRVA error 1262: Invalid index last. A given index was out of expected range, last was 4.\n"
            "ZIRVA error 1261: Invalid index first. A given index as out of expected range, first was -1.\n"
            "ZIRVA error 1286: '5' is an invalid value for lasti.\n"
            "ZIRVA error 1287: '-2' is an invalid value for firstj.\n");
}

TEST_F(TaskTest, Objective) {
  shape(0, 3);
  EXPECT_EQ(ZRV_putcj(task, 1, 2.5), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putcj(task, 0, NaN), ZRV_RES_ERR_NAN_IN_C);
  EXPECT_EQ(ZRV_putcj(task, 0, -2.0e16), ZRV_RES_ERR_HUGE_C);
  EXPECT_EQ(errors(),
            "ZIRVA error 1470: The objective vector c contains an invalid value for variable 'X1' (0).\n"
            "ZIRVA error 1375: A large value of -2.0e+16 has been specified in cx for variable 'X1' (0).\n");
  EXPECT_EQ(ZRV_putcj(task, 2, 1.0e16), ZRV_RES_OK);  // at the huge limit: only the warning
  EXPECT_EQ(warnings(),
            "ZIRVA warning 57: A large value of 1.0e+16  has been specified in cx for variable 'X3' (2).\n");
  // The list form stops at the first failure; the slice form reads slice[0..] for c[first..last-1].
  EXPECT_EQ(ZRV_putclist(task, 3, I{0, 5, 2}.data(), Vec{4, 1, 6}.data()), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putcslice(task, 1, 3, Vec{-1, -2}.data()), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putcslice(task, 1, 4, Vec{0, 0, 0}.data()), ZRV_RES_ERR_LAST);
  Vec c(3);
  EXPECT_EQ(ZRV_getc(task, c.data()), ZRV_RES_OK);
  EXPECT_EQ(c, (Vec{4, -1, -2}));
  // The sense takes 0 and 1 only.
  ZRVobjsensee sense = -1;
  EXPECT_EQ(ZRV_putobjsense(task, ZRV_OBJECTIVE_SENSE_MAXIMIZE), ZRV_RES_OK);
  errors();
  EXPECT_EQ(ZRV_putobjsense(task, 2), ZRV_RES_ERR_INVALID_OBJECTIVE_SENSE);
  EXPECT_EQ(errors(), "ZIRVA error 1445: 2 is an invalid objective sense code.\n");
  EXPECT_EQ(ZRV_getobjsense(task, &sense), ZRV_RES_OK);
  EXPECT_EQ(sense, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
}

TEST_F(TaskTest, PoolCapacity) {
  EXPECT_EQ(ZRV_putmaxnumanz(task, -1), ZRV_RES_ERR_TOO_SMALL_MAXNUMANZ);
  EXPECT_EQ(errors(), "ZIRVA error 1252: Too small maximum number of non-zeros for -1 A is specified.\n");
  shape(3, 4);
  int32_t maxcon = 0, pool32 = -1, before = -1, after = -1;
  ZRV_getmaxnumcon(task, &maxcon);
  EXPECT_EQ(ZRV_putmaxnumanz(task, 100), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getmaxnumanz(task, &pool32), ZRV_RES_OK);
  EXPECT_EQ(pool32, 100 + maxcon);
  // Filling a small pool grows it, and each reallocation is counted.
  EXPECT_EQ(ZRV_putmaxnumanz(task, 2), ZRV_RES_OK);
  ZRV_getintinf(task, ZRV_IINF_STO_NUM_A_REALLOC, &before);
  for (int32_t k = 0; k < 12; ++k) ASSERT_EQ(ZRV_putaij(task, k % 3, k % 4, k + 1.0), ZRV_RES_OK);
  for (int32_t j = 0; j < 4; ++j)
    ASSERT_EQ(ZRV_putacol(task, j, 3, I{0, 1, 2}.data(), Vec{1.0 + j, 2.0 + j, 3.0 + j}.data()), ZRV_RES_OK);
  ZRV_getintinf(task, ZRV_IINF_STO_NUM_A_REALLOC, &after);
  EXPECT_GT(after, before);
  EXPECT_EQ(ZRV_putmaxnumanz(task, 0), ZRV_RES_OK);  // never below the stored entries
  EXPECT_EQ(numanz(), 12);
  EXPECT_EQ(row(2), (Vec{3, 4, 5, 6}));
}
