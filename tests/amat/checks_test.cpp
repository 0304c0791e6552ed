// The matrix and objective operations: argument and coefficient checks with their codes and texts, zero and
// near-zero handling, the surplus convention of the slice getters, the objective, the pool capacity.
#include <cmath>
#include <limits>

#include "amat/fixture.h"

using amattest::TaskTest;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

double aij(ZRVtask_t task, int32_t i, int32_t j) {
  double v = -1.0;
  EXPECT_EQ(ZRV_getaij(task, i, j, &v), ZRV_RES_OK);
  return v;
}

}  // namespace

TEST_F(TaskTest, SingleEntriesOverwriteAndZerosRemove) {
  shape(3, 4);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, 5.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, 7.0), ZRV_RES_OK);
  EXPECT_EQ(aij(task, 1, 2), 7.0);
  EXPECT_EQ(numanz(), 1);
  EXPECT_EQ(dense_col(2), (std::vector<double>{0, 7, 0}));
  // Below DATA_TOL_AIJ (1e-12) counts as zero and removes the entry; so does 0 itself.
  EXPECT_EQ(ZRV_putaij(task, 1, 2, 1.0e-13), ZRV_RES_OK);
  EXPECT_EQ(aij(task, 1, 2), 0.0);
  EXPECT_EQ(numanz(), 0);
  EXPECT_EQ(ZRV_putaij(task, 0, 0, 3.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putaij(task, 0, 0, 0.0), ZRV_RES_OK);
  EXPECT_EQ(numanz(), 0);
  // The tolerance is a parameter.
  EXPECT_EQ(ZRV_putdouparam(task, ZRV_DPAR_DATA_TOL_AIJ, 1.0e-8), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putaij(task, 2, 3, 1.0e-9), ZRV_RES_OK);
  EXPECT_EQ(numanz(), 0);
  EXPECT_EQ(ZRV_putaijlist(task, 2, std::vector<int32_t>{0, 2}.data(), std::vector<int32_t>{1, 1}.data(),
                           std::vector<double>{4.0, -2.0}.data()),
            ZRV_RES_OK);
  EXPECT_EQ(dense_row(0), (std::vector<double>{0, 4, 0, 0}));
  EXPECT_EQ(dense_col(1), (std::vector<double>{4, 0, -2}));
  EXPECT_TRUE(errors().empty());
  EXPECT_TRUE(warnings().empty());
}

TEST_F(TaskTest, SingleEntryChecksReportAndChangeNothing) {
  shape(3, 4);
  ASSERT_EQ(ZRV_putaij(task, 1, 2, 5.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putaij(task, -1, 2, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putaij(task, 3, 2, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putaij(task, 1, 4, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(errors(),
            "ZIRVA error 1203: The index value -1 occurring in argument 'i' is too small.\n"
            "ZIRVA error 1204: The index value 3 occurring in argument 'i' is too large.\n"
            "ZIRVA error 1204: The index value 4 occurring in argument 'j' is too large.\n");
  EXPECT_EQ(ZRV_putaij(task, 1, 2, NaN), ZRV_RES_ERR_NAN_IN_AIJ);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, 1.0e20), ZRV_RES_ERR_HUGE_AIJ);
  EXPECT_EQ(ZRV_putaij(task, 1, 2, -Inf), ZRV_RES_ERR_HUGE_AIJ);
  EXPECT_EQ(errors(),
            "ZIRVA error 1473: The specified A matrix element in constraint 'C2' (1) for variable 'X3' (2) is a NAN.\n"
            "ZIRVA error 1380: The A matrix contains a huge value of 1.0e+20  in constraint 'C2' (1) at variable "
            "'X3' (2).\n"
            "ZIRVA error 1380: The A matrix contains a huge value of -inf     in constraint 'C2' (1) at variable "
            "'X3' (2).\n");
  EXPECT_EQ(aij(task, 1, 2), 5.0);
  EXPECT_EQ(numanz(), 1);
  // Large values are stored with a warning.
  EXPECT_EQ(ZRV_putaij(task, 0, 3, -2.5e10), ZRV_RES_OK);
  EXPECT_EQ(aij(task, 0, 3), -2.5e10);
  EXPECT_EQ(warnings(),
            "ZIRVA warning 62: The A matrix contains a large value of -2.5e+10 in constraint 'C1' (0) at variable "
            "'X4' (3).\n");
  // The list form stops at the first failing triple; the ones before it stay.
  int32_t subi[] = {0, 2, 1}, subj[] = {0, 9, 1};
  double val[] = {1.0, 2.0, 3.0};
  EXPECT_EQ(ZRV_putaijlist64(task, 3, subi, subj, val), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(aij(task, 0, 0), 1.0);
  EXPECT_EQ(aij(task, 1, 1), 0.0);
  EXPECT_EQ(ZRV_putaijlist(task, 1, subi, nullptr, val), ZRV_RES_ERR_NULL_POINTER);
  errors();
  // The getter clears its output first, also when it fails.
  double v = 99.0;
  EXPECT_EQ(ZRV_getaij(task, 0, 4, &v), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(v, 0.0);
  EXPECT_EQ(errors(), "ZIRVA error 1204: The index value 4 occurring in argument 'j' is too large.\n");
}

TEST_F(TaskTest, SingleVectorsSumDuplicatesAndDropNearZeros) {
  shape(5, 3);
  int32_t twice[] = {2, 2};
  EXPECT_EQ(ZRV_putacol(task, 1, 2, twice, std::vector<double>{1.0, 2.0}.data()), ZRV_RES_OK);
  EXPECT_EQ(dense_col(1), (std::vector<double>{0, 0, 3, 0, 0}));
  int32_t nz = -1;
  EXPECT_EQ(ZRV_getacolnumnz(task, 1, &nz), ZRV_RES_OK);
  EXPECT_EQ(nz, 1);
  int32_t four[] = {4, 4};
  EXPECT_EQ(ZRV_putacol(task, 1, 2, four, std::vector<double>{1.0, -1.0}.data()), ZRV_RES_OK);
  EXPECT_EQ(numanz(), 0);
  // Near-zero entries (at most DATA_TOL_AIJ) are dropped silently by the single-vector forms.
  int32_t rows[] = {0, 3, 4};
  EXPECT_EQ(ZRV_putacol(task, 2, 3, rows, std::vector<double>{1.0e-13, 2.0, 1.0e-12}.data()), ZRV_RES_OK);
  EXPECT_EQ(dense_col(2), (std::vector<double>{0, 0, 0, 2, 0}));
  // A row put after column puts replaces exactly that row.
  int32_t cols[] = {0, 2, 0};
  EXPECT_EQ(ZRV_putarow(task, 3, 3, cols, std::vector<double>{1.0, 6.0, 1.5}.data()), ZRV_RES_OK);
  EXPECT_EQ(dense_row(3), (std::vector<double>{2.5, 0, 6}));
  EXPECT_EQ(dense_col(2), (std::vector<double>{0, 0, 0, 6, 0}));
  EXPECT_EQ(ZRV_getarownumnz(task, 3, &nz), ZRV_RES_OK);
  EXPECT_EQ(nz, 2);
  EXPECT_EQ(ZRV_putarow(task, 3, 0, nullptr, nullptr), ZRV_RES_OK);
  EXPECT_EQ(numanz(), 0);
  EXPECT_TRUE(errors().empty());
  EXPECT_TRUE(warnings().empty());
}

TEST_F(TaskTest, SingleVectorChecksLeaveTheVectorUnchanged) {
  shape(5, 3);
  int32_t sub[] = {0, 7};
  double val[] = {1.0, 2.0};
  ASSERT_EQ(ZRV_putacol(task, 0, 1, sub, val), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putacol(task, -1, 1, sub, val), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putacol(task, 3, 1, sub, val), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putacol(task, 0, 2, sub, val), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putacol(task, 0, -1, sub, val), ZRV_RES_ERR_ARG_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putacol(task, 0, 1, nullptr, val), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_putarow(task, 5, 1, sub, val), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putarow(task, 0, 2, sub, val), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(errors(),
            "ZIRVA error 1203: The index value -1 occurring in argument 'j' is too small.\n"
            "ZIRVA error 1204: The index value 3 occurring in argument 'j' is too large.\n"
            "ZIRVA error 1204: The index value 7 occurring in argument 'subj' is too large.\n"
            "ZIRVA error 1226: The value -1 of argument nzj is too small.\n"
            "ZIRVA error 1065: Argument 'subj' is unexpectedly a NULL pointer.\n"
            "ZIRVA error 1204: The index value 5 occurring in argument 'i' is too large.\n"
            "ZIRVA error 1204: The index value 7 occurring in argument 'subi' is too large.\n");
  // NaN and huge values never enter A, whichever put brings them; large ones pass without a warning here.
  int32_t rows[] = {1, 2};
  EXPECT_EQ(ZRV_putacol(task, 0, 2, rows, std::vector<double>{3.0, NaN}.data()), ZRV_RES_ERR_NAN_IN_AIJ);
  EXPECT_EQ(ZRV_putarow(task, 0, 2, rows, std::vector<double>{Inf, 1.0}.data()), ZRV_RES_ERR_HUGE_AIJ);
  EXPECT_EQ(errors(),
            "ZIRVA error 1473: The specified A matrix element in constraint 'C3' (2) for variable 'X1' (0) is a NAN.\n"
            "ZIRVA error 1380: The A matrix contains a huge value of inf      in constraint 'C1' (0) at variable "
            "'X2' (1).\n");
  EXPECT_EQ(dense_col(0), (std::vector<double>{1, 0, 0, 0, 0}));
  EXPECT_EQ(numanz(), 1);
  EXPECT_EQ(ZRV_putacol(task, 0, 2, rows, std::vector<double>{3.0, 1.0e15}.data()), ZRV_RES_OK);
  EXPECT_EQ(dense_col(0), (std::vector<double>{0, 3, 1.0e15, 0, 0}));
  EXPECT_TRUE(warnings().empty());
}

TEST_F(TaskTest, ListAndSliceFormsCheckEachEntryAndStopAtTheFirstFailure) {
  shape(4, 3);
  // Column 0 is fine, column 2 has an entry 9 at its second place, column 1 would come after it.
  int32_t sub[] = {0, 2, 1};
  int32_t ptrb[] = {0, 2, 4}, ptre[] = {2, 4, 5};
  int32_t asub[] = {0, 3, 1, 9, 2};
  double aval[] = {1.0, 2.0, 3.0, 4.0, 5.0};
  EXPECT_EQ(ZRV_putacollist(task, 3, sub, ptrb, ptre, asub, aval), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(errors(), "ZIRVA error 1204: The index value 9 occurring in argument '(asub+aptrb[1])[1]' is too large.\n");
  EXPECT_EQ(dense_col(0), (std::vector<double>{1, 0, 0, 2}));
  EXPECT_EQ(numanz(), 2);
  // Vector indexes, pointer pairs.
  int32_t badsub[] = {3};
  EXPECT_EQ(ZRV_putacollist(task, 1, badsub, ptrb, ptre, asub, aval), ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE);
  int32_t back[] = {2};
  EXPECT_EQ(ZRV_putarowlist(task, 1, sub, back, ptrb, asub, aval), ZRV_RES_ERR_INV_APTRE);
  EXPECT_EQ(ZRV_putacolslice(task, 0, 4, ptrb, ptre, asub, aval), ZRV_RES_ERR_LAST);
  EXPECT_EQ(ZRV_putacolslice(task, 0, 2, ptrb, ptre, nullptr, aval), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(errors(),
            "ZIRVA error 1222: The index value 3 occurring in argument 'sub[0]' is too large(<3).\n"
            "ZIRVA error 1253: aptre is strictly smaller than aptrb at position 0.\n"
            "ZIRVA error 1262: Invalid index last. A given index was out of expected range, last was 4.\n"
            "ZIRVA error 1065: Argument 'asub' is unexpectedly a NULL pointer.\n");
  // Near-zero entries are counted per vector and reported after it is stored; large ones warn.
  int64_t pb[] = {0, 3}, pe[] = {3, 4};
  int32_t rsub[] = {0, 1, 2, 0};
  double rval[] = {1.0e-13, 4.0, -1.0e-12, 2.0e10};
  EXPECT_EQ(ZRV_putarowslice64(task, 1, 3, pb, pe, rsub, rval), ZRV_RES_OK);
  EXPECT_EQ(dense_row(1), (std::vector<double>{0, 4, 0}));
  EXPECT_EQ(dense_row(2), (std::vector<double>{2.0e10, 0, 0}));
  EXPECT_EQ(warnings(),
            "ZIRVA warning 705: 2 near zero elements are specified in sparse row 'C2'(1) of matrix 'A'.\n"
            "ZIRVA warning 62: The A matrix contains a large value of 2.0e+10  in constraint 'C3' (2) at variable "
            "'X1' (0).\n");
  int32_t one[] = {1};
  int64_t b1[] = {0}, e1[] = {2};
  int32_t csub[] = {3, 0};
  double cval[] = {-5.0, 1.0e-13};
  EXPECT_EQ(ZRV_putacollist64(task, 1, one, b1, e1, csub, cval), ZRV_RES_OK);
  EXPECT_EQ(dense_col(1), (std::vector<double>{0, 0, 0, -5}));
  EXPECT_EQ(warnings(), "ZIRVA warning 710: 1 near zero elements are specified in sparse col 'X2' (1) of matrix 'A'.\n");
  // A NaN in the third vector of a slice: the first two stay replaced, the third keeps its old entries.
  int32_t sb[] = {0, 1, 2}, se[] = {1, 2, 3};
  int32_t ssub[] = {0, 1, 3};
  double sval[] = {7.0, 8.0, NaN};
  ASSERT_EQ(ZRV_putaij(task, 0, 2, 6.0), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putacolslice(task, 0, 3, sb, se, ssub, sval), ZRV_RES_ERR_NAN_IN_AIJ);
  EXPECT_EQ(dense_col(0), (std::vector<double>{7, 0, 0, 0}));
  EXPECT_EQ(dense_col(1), (std::vector<double>{0, 8, 0, 0}));
  EXPECT_EQ(dense_col(2), (std::vector<double>{6, 0, 0, 0}));
  // Empty slices and lists change nothing.
  EXPECT_EQ(ZRV_putarowslice(task, 2, 2, nullptr, nullptr, nullptr, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putarowlist(task, 0, nullptr, nullptr, nullptr, nullptr, nullptr), ZRV_RES_OK);
}

TEST_F(TaskTest, SliceGettersFollowTheSurplusConvention) {
  shape(4, 3);
  int32_t ptrb[] = {0, 2, 2}, ptre[] = {2, 2, 5};
  int32_t asub[] = {3, 0, 1, 2, 3};
  double aval[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(ZRV_putacolslice(task, 0, 3, ptrb, ptre, asub, aval), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putaij(task, 2, 1, 6.0), ZRV_RES_OK);  // pending when the slice is read
  // Columns 0..2 (6 entries) into arrays of 9 with 7 free places at the end: they start at position 2.
  std::vector<int32_t> b(3, -1), e(3, -1), sub(9, -1);
  std::vector<double> val(9, -1.0);
  int32_t surp = 7;
  ASSERT_EQ(ZRV_getaslice(task, ZRV_ACC_VAR, 0, 3, 9, &surp, b.data(), e.data(), sub.data(), val.data()),
            ZRV_RES_OK);
  EXPECT_EQ(surp, 1);
  EXPECT_EQ(b[0], 2);
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      EXPECT_EQ(b[k], e[k - 1]);
    }
    std::vector<double> d(4, 0.0);
    for (int32_t t = b[k]; t < e[k]; ++t) d[static_cast<size_t>(sub[t])] += val[t];
    EXPECT_EQ(d, dense_col(k)) << k;
  }
  EXPECT_EQ(e[2], 8);
  EXPECT_EQ(sub[0], -1);
  EXPECT_EQ(sub[8], -1);
  // Rows 1..3 as triplets, against the single-entry getter.
  int64_t rownz = 0;
  ASSERT_EQ(ZRV_getaslicenumnz64(task, ZRV_ACC_CON, 1, 4, &rownz), ZRV_RES_OK);
  EXPECT_EQ(rownz, 5);
  std::vector<int32_t> ti(5), tj(5);
  std::vector<double> tv(5);
  surp = 5;
  ASSERT_EQ(ZRV_getarowslicetrip(task, 1, 4, 5, &surp, ti.data(), tj.data(), tv.data()), ZRV_RES_OK);
  EXPECT_EQ(surp, 0);
  for (int t = 0; t < 5; ++t) {
    EXPECT_GE(ti[t], 1);
    EXPECT_EQ(tv[t], aij(task, ti[t], tj[t]));
  }
  int32_t colnz = 0;
  ASSERT_EQ(ZRV_getaslicenumnz(task, ZRV_ACC_VAR, 1, 3, &colnz), ZRV_RES_OK);
  EXPECT_EQ(colnz, 4);
  int32_t piece = -1;
  ASSERT_EQ(ZRV_getapiecenumnz(task, 1, 3, 1, 3, &piece), ZRV_RES_OK);
  EXPECT_EQ(piece, 3);  // (1,2), (2,1), (2,2)
  // Too little room: nothing is written, the surplus stays.
  std::vector<int64_t> b64(3, -1), e64(3, -1);
  int64_t surp64 = 5;
  EXPECT_EQ(ZRV_getaslice64(task, ZRV_ACC_VAR, 0, 3, 9, &surp64, b64.data(), e64.data(), nullptr, nullptr),
            ZRV_RES_ERR_NEGATIVE_SURPLUS);
  EXPECT_EQ(surp64, 5);
  EXPECT_EQ(b64[0], -1);
  surp64 = 10;  // beyond the arrays
  EXPECT_EQ(ZRV_getaslice64(task, ZRV_ACC_VAR, 0, 3, 9, &surp64, nullptr, nullptr, nullptr, nullptr),
            ZRV_RES_ERR_ARG_IS_TOO_LARGE);
  surp64 = -1;
  EXPECT_EQ(ZRV_getaslice64(task, ZRV_ACC_VAR, 0, 3, 9, &surp64, nullptr, nullptr, nullptr, nullptr),
            ZRV_RES_ERR_NEGATIVE_SURPLUS);
  EXPECT_EQ(ZRV_getaslice(task, ZRV_ACC_VAR, 0, 3, 9, nullptr, nullptr, nullptr, nullptr, nullptr),
            ZRV_RES_ERR_NULL_POINTER);
  surp = 4;
  EXPECT_EQ(ZRV_getacolslicetrip(task, 0, 4, 4, &surp, nullptr, nullptr, nullptr), ZRV_RES_ERR_LAST);
  EXPECT_EQ(ZRV_getacolslicetrip(task, -1, 2, 4, &surp, nullptr, nullptr, nullptr), ZRV_RES_ERR_FIRST);
  EXPECT_EQ(ZRV_getapiecenumnz(task, -1, 2, 0, 1, &piece), ZRV_RES_ERR_FIRSTI);
  EXPECT_EQ(ZRV_getapiecenumnz(task, 0, 5, 0, 1, &piece), ZRV_RES_ERR_LASTI);
  EXPECT_EQ(ZRV_getapiecenumnz(task, 0, 2, -2, 1, &piece), ZRV_RES_ERR_FIRSTJ);
  EXPECT_EQ(ZRV_getapiecenumnz(task, 0, 2, 0, 4, &piece), ZRV_RES_ERR_LASTJ);
  EXPECT_EQ(errors(),
            "ZIRVA error 1263: Negative surplus.\n"
            "ZIRVA error 1227: The value 10 of argument surp is too large.\n"
            "ZIRVA error 1263: Negative surplus.\n"
            "ZIRVA error 1065: Argument 'surp' is unexpectedly a NULL pointer.\n"
            "ZIRVA error 1262: Invalid index last. A given index was out of expected range, last was 4.\n"
            "ZIRVA error 1261: Invalid index first. A given index as out of expected range, first was -1.\n"
            "ZIRVA error 1285: '-1' is an invalid value for firsti.\n"
            "ZIRVA error 1286: '5' is an invalid value for lasti.\n"
            "ZIRVA error 1287: '-2' is an invalid value for firstj.\n"
            "ZIRVA error 1288: '4' is an invalid value for lastj.\n");
  // An empty slice writes nothing and keeps the surplus.
  surp = 2;
  EXPECT_EQ(ZRV_getacolslicetrip(task, 2, 2, 4, &surp, nullptr, nullptr, nullptr), ZRV_RES_OK);
  EXPECT_EQ(surp, 2);
}

TEST_F(TaskTest, ObjectiveCoefficientsConstantAndSense) {
  shape(0, 3);
  EXPECT_EQ(ZRV_putcj(task, 1, 2.5), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putcj(task, 3, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putcj(task, 0, NaN), ZRV_RES_ERR_NAN_IN_C);
  EXPECT_EQ(ZRV_putcj(task, 0, -2.0e16), ZRV_RES_ERR_HUGE_C);
  EXPECT_EQ(errors(),
            "ZIRVA error 1204: The index value 3 occurring in argument 'j' is too large.\n"
            "ZIRVA error 1470: The objective vector c contains an invalid value for variable 'X1' (0).\n"
            "ZIRVA error 1375: A large value of -2.0e+16 has been specified in cx for variable 'X1' (0).\n");
  // At the huge limit itself only the large-value warning.
  EXPECT_EQ(ZRV_putcj(task, 2, 1.0e16), ZRV_RES_OK);
  EXPECT_EQ(warnings(), "ZIRVA warning 57: A large value of 1.0e+16  has been specified in cx for variable 'X3' (2).\n");
  std::vector<double> c(3, -1.0);
  EXPECT_EQ(ZRV_getc(task, c.data()), ZRV_RES_OK);
  EXPECT_EQ(c, (std::vector<double>{0.0, 2.5, 1.0e16}));
  // The list form stops at the first failure; the slice form writes c[first..last-1] from slice[0..].
  int32_t subj[] = {0, 5, 2};
  double val[] = {4.0, 1.0, 6.0};
  EXPECT_EQ(ZRV_putclist(task, 3, subj, val), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putcslice(task, 1, 3, std::vector<double>{-1.0, -2.0}.data()), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putcslice(task, 1, 4, val), ZRV_RES_ERR_LAST);
  std::vector<double> s(2, 0.0);
  EXPECT_EQ(ZRV_getcslice(task, 0, 2, s.data()), ZRV_RES_OK);
  EXPECT_EQ(s, (std::vector<double>{4.0, -1.0}));
  double cj = 0.0;
  EXPECT_EQ(ZRV_getcj(task, 2, &cj), ZRV_RES_OK);
  EXPECT_EQ(cj, -2.0);
  EXPECT_EQ(ZRV_getcj(task, -1, &cj), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_getcslice(task, -1, 2, s.data()), ZRV_RES_ERR_FIRST);
  // Constant term and sense.
  double cfix = 0.0;
  EXPECT_EQ(ZRV_putcfix(task, -7.25), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getcfix(task, &cfix), ZRV_RES_OK);
  EXPECT_EQ(cfix, -7.25);
  ZRVobjsensee sense = -1;
  EXPECT_EQ(ZRV_getobjsense(task, &sense), ZRV_RES_OK);
  EXPECT_EQ(sense, ZRV_OBJECTIVE_SENSE_MINIMIZE);
  EXPECT_EQ(ZRV_putobjsense(task, ZRV_OBJECTIVE_SENSE_MAXIMIZE), ZRV_RES_OK);
  errors();
  EXPECT_EQ(ZRV_putobjsense(task, 2), ZRV_RES_ERR_INVALID_OBJECTIVE_SENSE);
  EXPECT_EQ(errors(), "ZIRVA error 1445: 2 is an invalid objective sense code.\n");
  EXPECT_EQ(ZRV_getobjsense(task, &sense), ZRV_RES_OK);
  EXPECT_EQ(sense, ZRV_OBJECTIVE_SENSE_MAXIMIZE);
}

TEST_F(TaskTest, PoolCapacityAndItsReallocationCount) {
  int64_t pool = -1;
  ASSERT_EQ(ZRV_getmaxnumanz64(task, &pool), ZRV_RES_OK);
  // No room for constraints or variables yet: nothing to size.
  EXPECT_EQ(ZRV_putmaxnumanz(task, 1000), ZRV_RES_OK);
  int64_t same = -1;
  EXPECT_EQ(ZRV_getmaxnumanz64(task, &same), ZRV_RES_OK);
  EXPECT_EQ(same, pool);
  EXPECT_EQ(ZRV_putmaxnumanz(task, -1), ZRV_RES_ERR_TOO_SMALL_MAXNUMANZ);
  EXPECT_EQ(errors(), "ZIRVA error 1252: Too small maximum number of non-zeros for -1 A is specified.\n");
  shape(3, 4);
  int32_t maxcon = 0, before = -1, after = -1;
  ZRV_getmaxnumcon(task, &maxcon);
  ASSERT_EQ(ZRV_getintinf(task, ZRV_IINF_STO_NUM_A_REALLOC, &before), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putmaxnumanz(task, 100), ZRV_RES_OK);
  int32_t pool32 = -1;
  EXPECT_EQ(ZRV_getmaxnumanz(task, &pool32), ZRV_RES_OK);
  EXPECT_EQ(pool32, 100 + maxcon);
  ASSERT_EQ(ZRV_getintinf(task, ZRV_IINF_STO_NUM_A_REALLOC, &after), ZRV_RES_OK);
  EXPECT_EQ(after, before + 1);
  // Filling beyond a small pool grows it; the entries survive.
  EXPECT_EQ(ZRV_putmaxnumanz(task, 5), ZRV_RES_OK);
  ASSERT_EQ(ZRV_getintinf(task, ZRV_IINF_STO_NUM_A_REALLOC, &before), ZRV_RES_OK);
  for (int32_t k = 0; k < 12; ++k) ASSERT_EQ(ZRV_putaij(task, k % 3, k % 4, k + 1.0), ZRV_RES_OK);
  for (int32_t j = 0; j < 4; ++j) {
    int32_t sub[3] = {0, 1, 2};
    double val[3] = {1.0 + j, 2.0 + j, 3.0 + j};
    ASSERT_EQ(ZRV_putacol(task, j, 3, sub, val), ZRV_RES_OK);
  }
  ASSERT_EQ(ZRV_getintinf(task, ZRV_IINF_STO_NUM_A_REALLOC, &after), ZRV_RES_OK);
  EXPECT_GT(after, before);
  EXPECT_EQ(ZRV_putmaxnumanz(task, 0), ZRV_RES_OK);  // never below the stored entries
  EXPECT_EQ(numanz(), 12);
  EXPECT_EQ(dense_row(2), (std::vector<double>{3, 4, 5, 6}));
}

TEST_F(TaskTest, RowsAndColumnsFollowRemovalAndAppends) {
  shape(4, 5);
  for (int32_t i = 0; i < 4; ++i)
    for (int32_t j = 0; j < 5; ++j)
      if ((i + j) % 3 != 0) {
        ASSERT_EQ(ZRV_putaij(task, i, j, 10.0 * i + j), ZRV_RES_OK);
      }
  int32_t cons[] = {3, 1}, vars[] = {0};
  ASSERT_EQ(ZRV_removecons(task, 2, cons), ZRV_RES_OK);
  ASSERT_EQ(ZRV_removevars(task, 1, vars), ZRV_RES_OK);
  const int32_t keptrow[] = {0, 2}, keptcol[] = {1, 2, 3, 4};
  for (int32_t r = 0; r < 2; ++r)
    for (int32_t c = 0; c < 4; ++c) {
      const int32_t i = keptrow[r], j = keptcol[c];
      EXPECT_EQ(aij(task, r, c), (i + j) % 3 != 0 ? 10.0 * i + j : 0.0) << r << "," << c;
    }
  EXPECT_EQ(ZRV_putaij(task, 2, 0, 1.0), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  ASSERT_EQ(ZRV_appendcons(task, 1), ZRV_RES_OK);
  EXPECT_EQ(dense_row(2), (std::vector<double>{0, 0, 0, 0}));
  ASSERT_EQ(ZRV_putaij(task, 2, 0, 1.0), ZRV_RES_OK);
  ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK);
  EXPECT_EQ(dense_col(4), (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(dense_col(0), (std::vector<double>{1, 0, 1}));
}
