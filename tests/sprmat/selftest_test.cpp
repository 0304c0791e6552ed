// The self-test must notice each kind of damage to the store, with its message.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "helpers.h"

using namespace zrv;

namespace {

// A 4 x 3 matrix by columns: column 0 = {0:1, 1:2}, column 1 = {2:3}, column 2 = {0:4, 3:5}, packed, with
// two pending updates on column 1.
void build(SprMat& m) {
  ASSERT_EQ(m.init(4, 3, 16), SpStatus::Ok);
  m.append(SpDim::Rows, 4);
  m.append(SpDim::Cols, 3);
  const int32_t s0[] = {0, 1}, s1[] = {2}, s2[] = {0, 3};
  const double v0[] = {1, 2}, v1[] = {3}, v2[] = {4, 5};
  m.put_vector(SpDim::Cols, 0, 2, s0, v0);
  m.put_vector(SpDim::Cols, 1, 1, s1, v1);
  m.put_vector(SpDim::Cols, 2, 2, s2, v2);
  m.put_element(0, 1, 6.0);
  m.put_element(3, 1, 7.0);
}

std::string damage(const std::function<void(SpMat&)>& f) {
  SprMat m(std::pmr::new_delete_resource());
  build(m);
  EXPECT_TRUE(m.self_test().ok()) << m.self_test().text();
  f(SprMatAccess::store(m));
  return m.self_test().text();
}

}  // namespace

TEST(SprMatSelfTest, ReportsEachBrokenInvariant) {
  using A = SpMatAccess;
  // Column 1 (one entry at 2) overlapping column 0 ([0,2)).
  EXPECT_EQ(damage([](SpMat& s) { A::ptrb(s)[1] = 1, A::ptre(s)[1] = 2; }), "ptrb[i]<fpos");
  EXPECT_EQ(damage([](SpMat& s) { A::ptrb(s)[2] = 5, A::ptre(s)[2] = 4; }), "ptrb[i]>ptre[i]");
  // A vector reaching past ffree.
  EXPECT_EQ(damage([](SpMat& s) { A::ffree(s) = 4; }), "ptrb[i]<fpos");
  EXPECT_EQ(damage([](SpMat& s) { A::sub(s)[A::ptrb(s)[2]] = 4; }), "index error(sub[t]>=vlen)");
  EXPECT_EQ(damage([](SpMat& s) { A::sub(s)[A::ptrb(s)[2]] = -1; }), "index error(sub[t]>=vlen)");
  EXPECT_EQ(damage([](SpMat& s) { A::sub(s)[A::ptrb(s)[0] + 1] = 0; }), "duplicate elememt in 0 at 0 ptr: 0 2");
  EXPECT_EQ(damage([](SpMat& s) { A::ffree(s) = 15; }), "a->ffree>a->maxsze 17 16");
  EXPECT_EQ(damage([](SpMat& s) { A::val(s)[A::ptrb(s)[1]] = 0.0; }), "zero element in 1 at 2 ptr: 2 3");
  // Pending update with a bad index, and a pending list that loops.
  EXPECT_EQ(damage([](SpMat& s) { A::sub(s)[15] = 9; }), "index error(sub[t]>=vlen)");
  EXPECT_EQ(damage([](SpMat& s) { A::plink(s)[0] = 1; }), "pending list error in 1");
  EXPECT_EQ(damage([](SpMat& s) { A::heads(s)[2] = 0; }), "pending list error in 2");
  EXPECT_EQ(damage([](SpMat& s) { A::heads(s)[1] = 0; }), "pending list error in -1");
}

TEST(SprMatSelfTest, MessageTemplatesKeepTheirArguments) {
  SprMat m(std::pmr::new_delete_resource());
  build(m);
  SpMatAccess::sub(SprMatAccess::store(m))[1] = 0;
  const SpCheck c = m.self_test();
  EXPECT_STREQ(c.fmt, "duplicate elememt in %d at %d ptr: %I64d %I64d");
  ASSERT_EQ(c.nargs, 4);
  EXPECT_EQ(c.arg[3], 2);
}
