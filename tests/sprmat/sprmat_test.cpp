#include "cpub/sprmat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "helpers.h"

using namespace zrv;
using sptest::FailingResource;

namespace {

using Entries = std::vector<std::pair<int32_t, double>>;

Entries read_vec(SprMat& m, SpDim d, int32_t k) {
  int64_t nz = -1;
  EXPECT_EQ(m.vector_nnz(d, k, &nz), SpStatus::Ok);
  std::vector<int32_t> sub(static_cast<size_t>(nz));
  std::vector<double> val(static_cast<size_t>(nz));
  int64_t nz2 = -1;
  EXPECT_EQ(m.get_vector(d, k, &nz2, sub.data(), val.data()), SpStatus::Ok);
  EXPECT_EQ(nz, nz2);
  Entries out;
  for (int64_t t = 0; t < nz; ++t) out.push_back({sub[t], val[t]});
  std::sort(out.begin(), out.end());
  return out;
}

// A matrix with the given shape, capacities equal to the shape.
void make(SprMat& m, int32_t rows, int32_t cols, int64_t pool, SpDim orient = SpDim::Cols) {
  ASSERT_EQ(m.init(rows, cols, pool, orient), SpStatus::Ok);
  ASSERT_EQ(m.append(SpDim::Rows, rows), SpStatus::Ok);
  ASSERT_EQ(m.append(SpDim::Cols, cols), SpStatus::Ok);
}

void expect_sound(const SprMat& m) {
  const SpCheck c = m.self_test();
  EXPECT_TRUE(c.ok()) << c.text();
}

}  // namespace

// Single-element puts: the newest value of an entry wins, 0.0 removes it, whether the older value is stored
// or still pending, and whether the merge can reuse the vector's range, place it at ffree or must rebuild.
TEST(SprMatPending, OverwritesAndZeroRemoval) {
  for (int64_t pool : {0, 4, 64}) {
    SCOPED_TRACE(pool);
    SprMat m(std::pmr::new_delete_resource());
    make(m, 6, 5, pool);
    m.put_element(1, 2, 5.0);
    m.put_element(1, 2, 7.0);
    EXPECT_EQ(m.get_element(1, 2), 7.0);
    int64_t nz = -1;
    ASSERT_EQ(m.num_nonzeros(&nz), SpStatus::Ok);
    EXPECT_EQ(nz, 1);
    EXPECT_EQ(m.pending(), 0);

    // Stored entry overwritten by a pending one, then removed by a newer pending zero.
    m.put_element(1, 2, 3.0);
    m.put_element(1, 2, 0.0);
    m.put_element(4, 2, 8.0);
    m.put_element(0, 2, 1.0);
    m.put_element(0, 2, 0.0);
    m.put_element(0, 2, 2.0);  // zero in the middle of the list: the newest value still wins
    m.put_element(5, 2, 9.0);
    m.put_element(5, 2, 0.0);  // never stored, only pending
    EXPECT_EQ(m.get_element(1, 2), 0.0);
    EXPECT_EQ(m.get_element(0, 2), 2.0);
    EXPECT_EQ(m.get_element(5, 2), 0.0);
    expect_sound(m);
    EXPECT_EQ(read_vec(m, SpDim::Cols, 2), (Entries{{0, 2.0}, {4, 8.0}}));
    EXPECT_EQ(m.pending(), 0);
    expect_sound(m);

    // Many columns at once, more updates than the pool holds: merges happen while putting.
    for (int r = 0; r < 3; ++r) {
      for (int32_t j = 0; j < 5; ++j) {
        for (int32_t i = 0; i < 6; ++i) m.put_element(i, j, (i + j) % 3 == 0 ? 0.0 : r * 10.0 + i + j);
      }
    }
    for (int32_t j = 0; j < 5; ++j) {
      Entries want;
      for (int32_t i = 0; i < 6; ++i) {
        if ((i + j) % 3 != 0) want.push_back({i, 20.0 + i + j});
      }
      EXPECT_EQ(read_vec(m, SpDim::Cols, j), want) << j;
    }
    expect_sound(m);
  }
}

// Element puts never change the orientation; vector puts and reads bring the matrix over, one transposition
// per switch, and the pending updates of either orientation survive it.
TEST(SprMatOrientation, MixedWritesAndOneTranspositionPerSwitch) {
  SprMat m(std::pmr::new_delete_resource());
  make(m, 4, 3, 8);
  const int32_t c0[] = {0, 2, 3};
  const double v0[] = {1, 2, 3};
  ASSERT_EQ(m.put_vector(SpDim::Cols, 0, 3, c0, v0), SpStatus::Ok);
  m.put_element(2, 1, 4.0);  // pending in column orientation
  m.put_element(0, 0, 0.0);  // removes (0,0)
  const int32_t r1[] = {1, 2, 1};
  const double w1[] = {5, 6, -5};  // the two 1s cancel
  ASSERT_EQ(m.put_vector(SpDim::Rows, 1, 3, r1, w1), SpStatus::Ok);
  EXPECT_EQ(m.orientation(), SpDim::Rows);
  EXPECT_EQ(m.transpositions(), 1);
  m.put_element(3, 1, 7.0);  // pending in row orientation
  m.put_element(2, 0, -1.0);
  EXPECT_EQ(m.transpositions(), 1);

  const double want[4][3] = {{0, 0, 0}, {0, 0, 6}, {-1, 4, 0}, {3, 7, 0}};
  for (int32_t i = 0; i < 4; ++i) {
    for (int32_t j = 0; j < 3; ++j) EXPECT_EQ(m.get_element(i, j), want[i][j]) << i << "," << j;
  }
  for (int round = 0; round < 3; ++round) {
    for (int32_t j = 0; j < 3; ++j) {
      Entries col;
      for (int32_t i = 0; i < 4; ++i) {
        if (want[i][j] != 0) col.push_back({i, want[i][j]});
      }
      EXPECT_EQ(read_vec(m, SpDim::Cols, j), col);
    }
    for (int32_t i = 0; i < 4; ++i) {
      Entries row;
      for (int32_t j = 0; j < 3; ++j) {
        if (want[i][j] != 0) row.push_back({j, want[i][j]});
      }
      EXPECT_EQ(read_vec(m, SpDim::Rows, i), row);
    }
    expect_sound(m);
  }
  // Started by rows after the first put; each round switched to columns and back.
  EXPECT_EQ(m.transpositions(), 1 + 3 * 2);
  int64_t nz = 0;
  m.num_nonzeros(&nz);
  EXPECT_EQ(nz, 5);
}

// Without memory for the scratch arrays the transposition falls back to the in-place method, with the same
// contents.
TEST(SprMatOrientation, InPlaceTranspositionWhenScratchIsShort) {
  FailingResource res;
  SprMat m(&res);
  make(m, 30, 40, 8);
  sptest::RefMat ref;
  std::mt19937 rng(7);
  for (int t = 0; t < 400; ++t) {
    const int32_t i = rng() % 30, j = rng() % 40;
    const double v = static_cast<double>(rng() % 5);
    m.put_element(i, j, v);
    ref.put(i, j, v);
  }
  ASSERT_EQ(m.commit(), SpStatus::Ok);
  int64_t nz = 0;
  m.num_nonzeros(&nz);
  ASSERT_GT(nz, 250);
  res.max_bytes = static_cast<size_t>(nz) * 8 - 1;  // the value scratch array cannot be had
  for (SpDim d : {SpDim::Rows, SpDim::Cols, SpDim::Rows}) {
    ASSERT_EQ(m.orient(d), SpStatus::Ok);
    expect_sound(m);
    for (int32_t i = 0; i < 30; ++i) {
      for (int32_t j = 0; j < 40; ++j) ASSERT_EQ(m.get_element(i, j), ref.get(i, j));
    }
  }
  EXPECT_EQ(SprMatAccess::store(m).slow_transposes(), 3);
  res.max_bytes = SIZE_MAX;
  ASSERT_EQ(m.orient(SpDim::Cols), SpStatus::Ok);
  EXPECT_EQ(SprMatAccess::store(m).slow_transposes(), 3);
  EXPECT_EQ(m.transpositions(), 4);
}

// A pool that is too small grows to at least twice its size; dead space left by vector replacements is
// reclaimed by compaction when that makes enough room, without changing the pool size.
TEST(SprMatPool, GrowthAndCompaction) {
  FailingResource res;
  SprMat m(&res);
  make(m, 50, 4, 10);
  std::vector<int32_t> sub(50);
  std::vector<double> val(50);
  for (int32_t i = 0; i < 50; ++i) {
    sub[i] = 49 - i;
    val[i] = i + 1.0;
  }
  ASSERT_EQ(m.put_vector(SpDim::Cols, 0, 8, sub.data(), val.data()), SpStatus::Ok);
  EXPECT_EQ(m.pool_size(), 10);
  ASSERT_EQ(m.put_vector(SpDim::Cols, 1, 5, sub.data(), val.data()), SpStatus::Ok);  // 13 > 10
  EXPECT_GE(m.pool_size(), 20);
  EXPECT_EQ(m.pool_reallocs(), 1);
  expect_sound(m);

  // Fill exactly, then shrink and regrow vectors so that only compaction can make room.
  ASSERT_EQ(m.set_pool_size(40), SpStatus::Ok);
  EXPECT_EQ(m.pool_size(), 40);
  ASSERT_EQ(m.put_vector(SpDim::Cols, 2, 20, sub.data(), val.data()), SpStatus::Ok);  // 33 used
  ASSERT_EQ(m.put_vector(SpDim::Cols, 0, 0, sub.data(), val.data()), SpStatus::Ok);   // 8 dead
  ASSERT_EQ(m.put_vector(SpDim::Cols, 1, 1, sub.data(), val.data()), SpStatus::Ok);   // in place, 4 dead
  const int64_t reallocs = m.pool_reallocs();
  ASSERT_EQ(m.put_vector(SpDim::Cols, 3, 9, sub.data() + 10, val.data() + 10), SpStatus::Ok);
  EXPECT_EQ(m.pool_size(), 40);
  EXPECT_EQ(m.pool_reallocs(), reallocs);
  expect_sound(m);
  Entries c3;
  for (int32_t t = 10; t < 19; ++t) c3.push_back({sub[t], val[t]});
  std::sort(c3.begin(), c3.end());
  EXPECT_EQ(read_vec(m, SpDim::Cols, 3), c3);
  EXPECT_EQ(read_vec(m, SpDim::Cols, 1), (Entries{{49, 1.0}}));
  EXPECT_EQ(read_vec(m, SpDim::Cols, 2).size(), 20u);

  // A pool size below the stored entries keeps every entry.
  ASSERT_EQ(m.set_pool_size(3), SpStatus::Ok);
  int64_t nz = 0;
  m.num_nonzeros(&nz);
  EXPECT_EQ(nz, 30);
  EXPECT_EQ(m.pool_size(), 30);
  expect_sound(m);
  EXPECT_EQ(read_vec(m, SpDim::Cols, 3), c3);
}

// Entries below the drop tolerance and exact cancellations are not stored; repeated indices are summed.
TEST(SprMatVectors, DuplicatesSummedAndSmallDropped) {
  SprMat m(std::pmr::new_delete_resource());
  make(m, 6, 3, 16);
  const int32_t s1[] = {2, 2};
  const double v1[] = {1, 2};
  ASSERT_EQ(m.put_vector(SpDim::Cols, 0, 2, s1, v1), SpStatus::Ok);
  EXPECT_EQ(read_vec(m, SpDim::Cols, 0), (Entries{{2, 3.0}}));
  const int32_t s2[] = {4, 4, 1};
  const double v2[] = {1, -1, 1e-13};
  ASSERT_EQ(m.put_vector(SpDim::Cols, 1, 3, s2, v2, 1e-12), SpStatus::Ok);
  EXPECT_EQ(read_vec(m, SpDim::Cols, 1), Entries{});
  // Storage order keeps the first occurrence of each index.
  const int32_t s3[] = {5, 0, 3, 0};
  const double v3[] = {1, 2, 3, 4};
  ASSERT_EQ(m.put_vector(SpDim::Cols, 2, 4, s3, v3), SpStatus::Ok);
  int64_t nz = 0;
  int32_t sub[3];
  double val[3];
  ASSERT_EQ(m.get_vector(SpDim::Cols, 2, &nz, sub, val), SpStatus::Ok);
  ASSERT_EQ(nz, 3);
  EXPECT_EQ(std::vector<int32_t>(sub, sub + 3), (std::vector<int32_t>{5, 0, 3}));
  EXPECT_EQ(std::vector<double>(val, val + 3), (std::vector<double>{1, 6, 3}));
}

// Removal renumbers the kept rows/columns in their old order, in either orientation.
TEST(SprMatRemove, KeptItemsRenumberedInOrder) {
  for (SpDim orient : {SpDim::Rows, SpDim::Cols}) {
    for (SpDim which : {SpDim::Rows, SpDim::Cols}) {
      SCOPED_TRACE(static_cast<int>(orient) * 10 + static_cast<int>(which));
      SprMat m(std::pmr::new_delete_resource());
      make(m, 5, 5, 4, orient);
      for (int32_t i = 0; i < 5; ++i) {
        for (int32_t j = 0; j < 5; ++j) {
          if ((i + j) % 2 == 0) m.put_element(i, j, 10.0 * i + j + 1);
        }
      }
      const int32_t subset[] = {3, 1};
      ASSERT_EQ(m.remove(which, 2, subset), SpStatus::Ok);
      EXPECT_EQ(m.orientation(), orient);
      EXPECT_EQ(m.transpositions(), 0);
      const int32_t keep[] = {0, 2, 4};
      const bool rows = which == SpDim::Rows;
      ASSERT_EQ(m.count(which), 3);
      EXPECT_EQ(m.capacity(which), 5);
      for (int32_t a = 0; a < 3; ++a) {
        for (int32_t b = 0; b < 5; ++b) {
          const int32_t i = rows ? keep[a] : b, j = rows ? b : keep[a];
          const double want = (i + j) % 2 == 0 ? 10.0 * i + j + 1 : 0.0;
          EXPECT_EQ(rows ? m.get_element(a, b) : m.get_element(b, a), want);
        }
      }
      expect_sound(m);
      // The last item alone, then everything.
      const int32_t last[] = {2};
      ASSERT_EQ(m.remove(which, 1, last), SpStatus::Ok);
      const int32_t both[] = {1, 0};
      ASSERT_EQ(m.remove(which, 2, both), SpStatus::Ok);
      int64_t nz = -1;
      m.num_nonzeros(&nz);
      EXPECT_EQ(nz, 0);
      expect_sound(m);
      ASSERT_EQ(m.append(which, 2), SpStatus::Ok);
      EXPECT_EQ(m.get_element(1, 1), 0.0);
    }
  }
}

// A repeated or out-of-range subset is refused and changes nothing.
TEST(SprMatRemove, BadSubsetLeavesMatrix) {
#ifndef NDEBUG
  GTEST_SKIP() << "invalid arguments assert in debug builds";
#endif
  SprMat m(std::pmr::new_delete_resource());
  make(m, 3, 3, 8);
  m.put_element(1, 1, 2.0);
  const int32_t dup[] = {1, 1};
  EXPECT_EQ(m.remove(SpDim::Cols, 2, dup), SpStatus::Invalid);
  EXPECT_EQ(m.remove(SpDim::Rows, 2, dup), SpStatus::Invalid);
  const int32_t big[] = {3};
  EXPECT_EQ(m.remove(SpDim::Rows, 1, big), SpStatus::Invalid);
  EXPECT_EQ(m.num_rows(), 3);
  EXPECT_EQ(m.num_cols(), 3);
  EXPECT_EQ(m.get_element(1, 1), 2.0);
  const int32_t out[] = {0, 7};
  const double v[] = {1, 1};
  EXPECT_EQ(m.put_vector(SpDim::Cols, 0, 2, out, v), SpStatus::Invalid);
  EXPECT_EQ(m.put_element(3, 0, 1.0), SpStatus::Invalid);
  EXPECT_EQ(m.get_vector(SpDim::Rows, -1, nullptr, nullptr, nullptr), SpStatus::Invalid);
  expect_sound(m);
}

// Slices follow the surplus convention; a slice that does not fit writes nothing.
TEST(SprMatSlices, SurplusConventionAndTriplets) {
  SprMat m(std::pmr::new_delete_resource());
  make(m, 4, 4, 32);
  for (int32_t i = 0; i < 4; ++i) {
    for (int32_t j = 0; j <= i; ++j) m.put_element(i, j, i * 4.0 + j + 1);
  }
  int64_t nz = 0;
  ASSERT_EQ(m.slice_nnz(SpDim::Rows, 1, 3, &nz), SpStatus::Ok);
  EXPECT_EQ(nz, 5);
  ASSERT_EQ(m.slice_nnz(SpDim::Cols, 2, 2, &nz), SpStatus::Ok);
  EXPECT_EQ(nz, 0);

  // Arrays of 9 with 7 places free at the end: the rows start at position 2.
  std::vector<int32_t> sub(9, -1);
  std::vector<double> val(9, -1);
  int32_t pb[2], pe[2];
  int64_t surp = 7;
  ASSERT_EQ(m.get_slice<int32_t>(SpDim::Rows, 1, 3, 9, &surp, pb, pe, sub.data(), val.data()), SpStatus::Ok);
  EXPECT_EQ(surp, 2);
  EXPECT_EQ(pb[0], 2);
  EXPECT_EQ(pe[0], 4);
  EXPECT_EQ(pb[1], 4);
  EXPECT_EQ(pe[1], 7);
  EXPECT_EQ(sub[0], -1);
  EXPECT_EQ(sub[7], -1);
  for (int32_t r = 0; r < 2; ++r) {
    for (int32_t p = pb[r]; p < pe[r]; ++p) EXPECT_EQ(val[p], (r + 1) * 4.0 + sub[p] + 1);
  }

  // Two places are not enough for row 3 (4 entries): nothing is written.
  std::vector<int32_t> before = sub;
  int64_t pb64[1] = {-5}, pe64[1] = {-5};
  EXPECT_EQ(m.get_slice<int64_t>(SpDim::Rows, 3, 4, 9, &surp, pb64, pe64, sub.data(), val.data()),
            SpStatus::NegativeSurplus);
  EXPECT_EQ(surp, 2);
  EXPECT_EQ(pb64[0], -5);
  EXPECT_EQ(sub, before);

  // Triplets of columns 0..1, from the start of the arrays.
  std::vector<int32_t> ti(7), tj(7);
  std::vector<double> tv(7);
  surp = 7;
  ASSERT_EQ(m.get_slice_triplets(SpDim::Cols, 0, 2, 7, &surp, ti.data(), tj.data(), tv.data()), SpStatus::Ok);
  EXPECT_EQ(surp, 0);
  for (int t = 0; t < 7; ++t) {
    EXPECT_LE(tj[t], ti[t]);
    EXPECT_EQ(tv[t], ti[t] * 4.0 + tj[t] + 1);
  }
  EXPECT_EQ(std::count(tj.begin(), tj.end(), 0), 4);

  ASSERT_EQ(m.piece_nnz(1, 4, 1, 3, &nz), SpStatus::Ok);
  EXPECT_EQ(nz, 5);  // (1,1) (2,1) (2,2) (3,1) (3,2)
  ASSERT_EQ(m.piece_nnz(0, 4, 2, 2, &nz), SpStatus::Ok);
  EXPECT_EQ(nz, 0);
}

// While locked, direct views are stable and every reorganising operation is refused.
TEST(SprMatLock, RefusesStructuralChanges) {
  SprMat m(std::pmr::new_delete_resource());
  make(m, 3, 3, 8);
  m.put_element(0, 1, 1.0);
  m.put_element(2, 1, 2.0);
  ASSERT_EQ(m.lock(SpDim::Rows), SpStatus::Ok);
  EXPECT_EQ(m.lock_count(), 1);
  EXPECT_EQ(m.pending(), 0);
  const SpVecView r2 = m.vector(2);
  ASSERT_EQ(r2.nz, 1);
  EXPECT_EQ(r2.sub[0], 1);
  EXPECT_EQ(r2.val[0], 2.0);
  EXPECT_EQ(m.put_element(1, 1, 3.0), SpStatus::Locked);
  const int32_t s[] = {0};
  const double v[] = {1};
  EXPECT_EQ(m.put_vector(SpDim::Rows, 0, 1, s, v), SpStatus::Locked);
  EXPECT_EQ(m.append(SpDim::Cols, 0), SpStatus::Locked);
  EXPECT_EQ(m.remove(SpDim::Rows, 1, s), SpStatus::Locked);
  EXPECT_EQ(m.set_pool_size(100), SpStatus::Locked);
  EXPECT_EQ(m.get_vector(SpDim::Cols, 1, nullptr, nullptr, nullptr), SpStatus::Locked);
  EXPECT_EQ(m.lock(SpDim::Cols), SpStatus::Locked);
  EXPECT_EQ(m.lock(SpDim::Rows), SpStatus::Ok);  // a second reader of the same orientation
  int64_t nz = 0;
  EXPECT_EQ(m.vector_nnz(SpDim::Rows, 0, &nz), SpStatus::Ok);
  EXPECT_EQ(nz, 1);
  EXPECT_EQ(m.get_element(2, 1), 2.0);
  m.unlock();
  m.unlock();
  EXPECT_EQ(m.put_element(1, 1, 3.0), SpStatus::Ok);
  EXPECT_EQ(m.get_vector(SpDim::Cols, 1, &nz, nullptr, nullptr), SpStatus::Ok);
  EXPECT_EQ(nz, 3);
  EXPECT_STREQ(sp_status_text(SpStatus::Locked), "Is locked already %d");
  EXPECT_STREQ(sp_status_text(SpStatus::NegativeSurplus), "Negative surplus.");
  EXPECT_STREQ(sp_status_text(static_cast<SpStatus>(42)), "sprmat: %d\n");
}

// Appends fill the table up to its capacity and no further; capacities never drop below the count.
TEST(SprMatShape, AppendAndCapacity) {
  SprMat m(std::pmr::new_delete_resource());
  ASSERT_EQ(m.init(2, 1, 0), SpStatus::Ok);
  EXPECT_EQ(m.append(SpDim::Rows, 2), SpStatus::Ok);
  EXPECT_EQ(m.append(SpDim::Rows, 1), SpStatus::AppendRows);
  EXPECT_EQ(m.append(SpDim::Cols, 2), SpStatus::AppendRows);
  EXPECT_EQ(m.append(SpDim::Cols, 1), SpStatus::Ok);
  EXPECT_EQ(m.set_capacity(SpDim::Rows, 1), SpStatus::MaxsizeTooSmall);
  ASSERT_EQ(m.set_capacity(SpDim::Cols, 3), SpStatus::Ok);
  ASSERT_EQ(m.append(SpDim::Cols, 2), SpStatus::Ok);
  m.put_element(1, 2, 4.0);
  ASSERT_EQ(m.set_capacity(SpDim::Rows, 5), SpStatus::Ok);
  ASSERT_EQ(m.append(SpDim::Rows, 3), SpStatus::Ok);
  m.put_element(4, 2, 5.0);
  EXPECT_EQ(read_vec(m, SpDim::Cols, 2), (Entries{{1, 4.0}, {4, 5.0}}));
  EXPECT_EQ(read_vec(m, SpDim::Rows, 4), (Entries{{2, 5.0}}));
  // Capacity of the stored orientation follows the transposition.
  ASSERT_EQ(m.set_capacity(SpDim::Rows, 5), SpStatus::Ok);
  ASSERT_EQ(m.set_capacity(SpDim::Cols, 3), SpStatus::Ok);
  expect_sound(m);
  EXPECT_EQ(read_vec(m, SpDim::Cols, 2), (Entries{{1, 4.0}, {4, 5.0}}));
  expect_sound(m);
}

// Every container of the object draws from the resource it was given, and running out of it is reported,
// not thrown, with the contents unchanged.
TEST(SprMatMemory, OwnResourceAndSpaceStatus) {
  FailingResource res;
  std::pmr::memory_resource* old = std::pmr::set_default_resource(std::pmr::null_memory_resource());
  {
    SprMat m(&res);
    make(m, 100, 100, 4);
    for (int32_t k = 0; k < 1000; ++k) m.put_element((k * 37) % 100, (k * 11) % 100, k + 1.0);
    int64_t nz = 0;
    EXPECT_EQ(m.get_vector(SpDim::Rows, 3, &nz, nullptr, nullptr), SpStatus::Ok);
    const int32_t subset[] = {5, 6};
    EXPECT_EQ(m.remove(SpDim::Cols, 2, subset), SpStatus::Ok);
    expect_sound(m);
    EXPECT_GT(res.allocations, 0);

    ASSERT_EQ(m.set_pool_size(0), SpStatus::Ok);  // tight: the next longer vector needs a bigger pool
    const double before = m.get_element(3, 3);
    const int64_t poolsize = m.pool_size();
    res.budget = 0;
    std::vector<int32_t> sub(100);
    std::vector<double> val(100, 1.0);
    for (int32_t i = 0; i < 100; ++i) sub[i] = i;
    EXPECT_EQ(m.put_vector(SpDim::Rows, 3, 98, sub.data(), val.data()), SpStatus::Space);
    EXPECT_EQ(m.set_pool_size(poolsize * 4), SpStatus::Space);
    EXPECT_EQ(m.get_vector(SpDim::Cols, 3, &nz, nullptr, nullptr), SpStatus::Space);
    EXPECT_EQ(m.orientation(), SpDim::Rows);
    EXPECT_EQ(m.get_element(3, 3), before);
    EXPECT_EQ(m.pool_size(), poolsize);
    res.budget = -1;
    expect_sound(m);
  }
  std::pmr::set_default_resource(old);
  EXPECT_EQ(res.live_bytes, 0);
}
