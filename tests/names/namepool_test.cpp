#include "cpub/namepool.h"

#include <gtest/gtest.h>

#include <string>

#include "zirva.h"

using namespace zrv;

namespace {

constexpr NameClass V = NameClass::Var;
constexpr NameClass C = NameClass::Con;
constexpr NameClass K = NameClass::Cone;

struct Names : ::testing::Test {
  NameTable t{std::pmr::new_delete_resource()};
  // Index of the item named s, or -1; checks the "not found" convention (index = count) on the way.
  int32_t find(NameClass c, std::string_view s) {
    bool found = false;
    int32_t idx = -7;
    EXPECT_EQ(t.lookup(c, s, &found, &idx), ZRV_RES_OK) << s;
    EXPECT_EQ(idx, found ? idx : t.count(c)) << s;
    return found ? idx : -1;
  }
};

}  // namespace

TEST(NameHash, ValuesWorkedOutByHand) {
  EXPECT_EQ(name_hash(""), 0u);
  EXPECT_EQ(name_hash("a"), 483899823u);
  // "b": 98*17=1666, ^26 -> 1688; *9=15192, ^7 -> 15199; *32769.
  EXPECT_EQ(name_hash("b"), 498056031u);
  // "ab": from 1640, (1640+98)*17=29546, ^461 -> 29351; *9=264159, ^128 -> 264031; *32769 mod 2^32.
  EXPECT_EQ(name_hash("ab"), 62097247u);
  // 0xff counts as -1: h=0xFFFFFFEF, ^0x3FFFFFF -> 0xFC000010; *9 -> 0xDC000090, ^0x1B8000 -> 0xDC1B8090; *32769.
  EXPECT_EQ(name_hash("\xff"), 0x9C638090u);
  EXPECT_EQ(hash_bucket_count(0), 2u);
  EXPECT_EQ(hash_bucket_count(5), 32u);
}

TEST_F(Names, PutGetLookupAndRefusals) {
  ASSERT_EQ(t.append(V, 3), ZRV_RES_OK);
  EXPECT_EQ(find(V, "nobody"), -1);
  bool found;
  int32_t idx;
  EXPECT_EQ(t.lookup(V, "", &found, &idx), ZRV_RES_ERR_BLANK_NAME);

  EXPECT_EQ(t.put(V, 0, "x"), ZRV_RES_OK);
  EXPECT_EQ(t.put(V, 1, "y"), ZRV_RES_OK);
  NameClash clash;
  EXPECT_EQ(t.put(V, 1, "x", &clash), ZRV_RES_ERR_DUP_NAME);
  EXPECT_EQ(clash.first, 0);
  EXPECT_EQ(clash.second, 1);
  EXPECT_EQ(find(V, "y"), 1) << "a refused item keeps its name in the index";
  EXPECT_EQ(t.put(V, 0, "x"), ZRV_RES_OK);
  EXPECT_EQ(t.put(V, -1, "z"), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(t.put(V, 3, "z"), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);

  ASSERT_EQ(t.append(C, 1), ZRV_RES_OK);
  EXPECT_EQ(t.put(C, 0, "x"), ZRV_RES_OK) << "classes have separate names";
  EXPECT_EQ(t.put(V, 0, ""), ZRV_RES_OK);
  EXPECT_EQ(find(V, "x"), -1);
  EXPECT_EQ(find(C, "x"), 0);
  EXPECT_EQ(t.put(V, 2, "x"), ZRV_RES_OK);
  EXPECT_EQ(find(V, "x"), 2);

  char buf[4] = "##";
  EXPECT_EQ(t.copy_name(V, 2, 1, buf), ZRV_RES_ERR_NAME_MAX_LEN) << "the NUL needs a byte";
  EXPECT_STREQ(buf, "##");
  EXPECT_EQ(t.copy_name(V, 2, 2, buf), ZRV_RES_OK);
  EXPECT_STREQ(buf, "x");
  EXPECT_EQ(t.copy_name(V, 0, 1, buf), ZRV_RES_OK);
  EXPECT_STREQ(buf, "");
}

TEST_F(Names, RenamingReusesOrTakesBytes) {
  ASSERT_EQ(t.append(V, 20), ZRV_RES_OK);
  ASSERT_EQ(t.put(V, 0, "alphabetical"), ZRV_RES_OK);
  ASSERT_EQ(t.put(V, 1, "betamaxes"), ZRV_RES_OK);
  const int64_t surplus = t.pool_surplus();
  EXPECT_EQ(t.put(V, 0, "alphabet"), ZRV_RES_OK);
  EXPECT_EQ(t.pool_surplus(), surplus) << "a shorter name is written in place";
  EXPECT_EQ(t.put(V, 0, "alphabeticals"), ZRV_RES_OK);
  EXPECT_EQ(t.pool_surplus(), surplus - 14);
  // Up to 7 bytes a name lives in the item record; moves between the two kinds of storage.
  EXPECT_EQ(t.put(V, 1, "sevenby"), ZRV_RES_OK);
  EXPECT_EQ(t.put(V, 1, "eightbyt"), ZRV_RES_OK);
  EXPECT_EQ(t.pool_surplus(), surplus - 23);
  for (const char* old : {"alphabet", "alphabetical", "betamaxes", "sevenby"}) EXPECT_EQ(find(V, old), -1);
  EXPECT_EQ(find(V, "alphabeticals"), 0);
  EXPECT_EQ(find(V, "eightbyt"), 1);

  // Names taken from the store itself: pool to record, within a record, in place, across a pool rebuild.
  EXPECT_EQ(t.put(V, 1, t.name(V, 1).substr(1)), ZRV_RES_OK);
  EXPECT_EQ(t.put(V, 1, t.name(V, 1).substr(2)), ZRV_RES_OK);
  EXPECT_EQ(t.name(V, 1), "htbyt");
  EXPECT_EQ(t.put(V, 0, t.name(V, 0).substr(2)), ZRV_RES_OK);
  EXPECT_EQ(t.name(V, 0), "phabeticals");
  const std::string huge(100000, 'q');
  ASSERT_EQ(t.put(V, 1, huge), ZRV_RES_OK);
  const int64_t rebuilds = t.pool_rebuilds();
  EXPECT_EQ(t.put(V, 0, t.name(V, 1).substr(1)), ZRV_RES_OK);
  EXPECT_GT(t.pool_rebuilds(), rebuilds);
  EXPECT_EQ(t.name(V, 1), huge);
  EXPECT_EQ(find(V, huge), 1);
  EXPECT_EQ(find(V, huge.substr(1)), 0);
  EXPECT_EQ(find(V, "htbyt"), -1);
}

TEST_F(Names, LongOddAndTaskNames) {
  ASSERT_EQ(t.append(C, 4), ZRV_RES_OK);
  std::string big(1 << 20, 'n');
  big[12345] = '\xC3';
  ASSERT_EQ(t.put(C, 0, big), ZRV_RES_OK);
  ASSERT_EQ(t.put(C, 1, std::string(1025, 'n')), ZRV_RES_OK);
  ASSERT_EQ(t.put(C, 2, "\xCE\xB1\xCE\xB2"), ZRV_RES_OK);
  EXPECT_EQ(t.name(C, 0), big);
  EXPECT_EQ(find(C, big), 0);
  EXPECT_EQ(find(C, std::string(1025, 'n')), 1);
  EXPECT_EQ(find(C, std::string(1024, 'n')), -1);
  EXPECT_EQ(find(C, "\xCE\xB1\xCE\xB2"), 2);

  // A name ends at its first NUL.
  ASSERT_EQ(t.put(C, 3, std::string_view("ab\0cd", 5)), ZRV_RES_OK);
  EXPECT_EQ(t.name(C, 3), "ab");
  EXPECT_EQ(find(C, "ab"), 3);

  EXPECT_EQ(t.max_name_length(), int64_t{1} << 20);
  EXPECT_EQ(t.put_task_name(std::string(2000000, 't')), ZRV_RES_OK);
  EXPECT_EQ(t.max_name_length(), 2000000);
  EXPECT_EQ(t.put_task_name(""), ZRV_RES_OK);
  EXPECT_EQ(t.max_name_length(), int64_t{1} << 20);
}

TEST_F(Names, GrowthAndCapacityChanges) {
  ASSERT_EQ(t.set_capacity(V, 10), ZRV_RES_OK);
  ASSERT_EQ(t.append(V, 10), ZRV_RES_OK);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(t.put(V, i, "v" + std::to_string(i)), ZRV_RES_OK);
  ASSERT_EQ(t.append(V, 1), ZRV_RES_OK);
  EXPECT_EQ(t.capacity(V), 20);
  EXPECT_FALSE(t.has_index(V));
  ASSERT_EQ(t.append(V, 30), ZRV_RES_OK);
  EXPECT_EQ(t.capacity(V), 41);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(find(V, "v" + std::to_string(i)), i);
  EXPECT_EQ(t.name(V, 40), "");
  ASSERT_EQ(t.set_capacity(V, 50), ZRV_RES_OK);
  EXPECT_EQ(find(V, "v9"), 9);
  ASSERT_EQ(t.append(V, 5), ZRV_RES_OK);
  EXPECT_TRUE(t.has_index(V)) << "an append within the capacity keeps the index";
  EXPECT_EQ(t.put(V, 45, "v3"), ZRV_RES_ERR_DUP_NAME);
  EXPECT_EQ(t.put(V, 45, "last"), ZRV_RES_OK);
  EXPECT_EQ(t.set_capacity(V, 45), ZRV_RES_ERR_ARG_IS_TOO_SMALL);
  EXPECT_EQ(t.set_capacity(V, 46), ZRV_RES_OK);
  EXPECT_EQ(find(V, "last"), 45);
}

TEST_F(Names, RemovalRenumbersAndFreesNames) {
  ASSERT_EQ(t.append(V, 5), ZRV_RES_OK);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(t.put(V, i, "v" + std::to_string(i)), ZRV_RES_OK);
  int32_t where = -1;
  const int32_t repeated[] = {1, 1}, outside[] = {0, 5}, negative[] = {2, -1};
  EXPECT_EQ(t.remove(V, repeated, 2, &where), ZRV_RES_ERR_NON_UNIQUE_ARRAY);
  EXPECT_EQ(where, 1);
  EXPECT_EQ(t.remove(V, outside, 2), ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE);
  EXPECT_EQ(t.remove(V, negative, 2), ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL);
  EXPECT_EQ(t.remove(V, negative, 6), ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE);
  EXPECT_EQ(find(V, "v1"), 1);

  const int32_t gone[] = {3, 1};
  ASSERT_EQ(t.remove(V, gone, 2), ZRV_RES_OK);
  ASSERT_EQ(t.count(V), 3);
  EXPECT_EQ(t.name(V, 1), "v2");
  EXPECT_EQ(find(V, "v4"), 2);
  EXPECT_EQ(find(V, "v3"), -1);
  EXPECT_EQ(t.put(V, 0, "v1"), ZRV_RES_OK) << "names of removed items are free";

  const int32_t last[] = {2};
  ASSERT_EQ(t.remove(V, last, 1), ZRV_RES_OK);
  EXPECT_TRUE(t.has_index(V)) << "dropping the last item needs no rebuild";
  EXPECT_EQ(find(V, "v4"), -1);
  ASSERT_EQ(t.append(V, 1), ZRV_RES_OK);
  EXPECT_EQ(t.name(V, 2), "");

  const int32_t rev[] = {2, 1, 0}, notperm[] = {0, 0, 1};
  ASSERT_EQ(t.permute(V, rev), ZRV_RES_OK);
  EXPECT_EQ(t.name(V, 2), "v1");
  EXPECT_EQ(find(V, "v2"), 1);
  EXPECT_EQ(t.permute(V, notperm), ZRV_RES_ERR_NON_UNIQUE_ARRAY);
  EXPECT_EQ(t.name(V, 2), "v1");
}

TEST_F(Names, DuplicatesFoundWhenTheIndexIsBuilt) {
  ASSERT_EQ(t.append(K, 6), ZRV_RES_OK);
  const char* names[] = {"k", "m", "", "m", "k", "m"};
  for (int i = 0; i < 6; ++i) ASSERT_EQ(t.put_unindexed(K, i, names[i]), ZRV_RES_OK);
  bool found;
  int32_t idx;
  NameClash clash;
  EXPECT_EQ(t.lookup(K, "k", &found, &idx, &clash), ZRV_RES_ERR_DUPLICATE_CONE_NAMES);
  EXPECT_EQ(clash.first, 1);
  EXPECT_EQ(clash.second, 3);
  EXPECT_FALSE(t.has_index(K));
  EXPECT_EQ(t.put(K, 2, "new"), ZRV_RES_ERR_DUPLICATE_CONE_NAMES);

  std::pmr::vector<NameClash> all;
  ASSERT_EQ(t.find_duplicates(K, &all), ZRV_RES_OK);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].first, 0);
  EXPECT_EQ(all[1].second, 4);
  EXPECT_EQ(all[2].first, 1);
  EXPECT_EQ(all[2].second, 5);

  ASSERT_EQ(t.put_unindexed(K, 3, ""), ZRV_RES_OK);
  ASSERT_EQ(t.put_unindexed(K, 4, "k4"), ZRV_RES_OK);
  ASSERT_EQ(t.put_unindexed(K, 5, "m5"), ZRV_RES_OK);
  EXPECT_EQ(find(K, "m"), 1);
}

TEST_F(Names, GenericNamesAndValidity) {
  ASSERT_EQ(t.append(C, 2), ZRV_RES_OK);
  ASSERT_EQ(t.append(V, 2), ZRV_RES_OK);
  ASSERT_EQ(t.append(K, 1), ZRV_RES_OK);
  ASSERT_EQ(t.put(C, 0, "row"), ZRV_RES_OK);
  GenericName g;
  EXPECT_EQ(t.name_or_generic(C, 0, GenericStyle::Numbered, 0, g), "row");
  EXPECT_EQ(t.name_or_generic(C, 1, GenericStyle::Numbered, 0, g), "C2");
  EXPECT_EQ(t.name_or_generic(V, 1, GenericStyle::Offset, 1, g), "x2");
  EXPECT_EQ(generic_name(NameClass::BarVar, 0, GenericStyle::Numbered).view(), "BARX1");
  EXPECT_EQ(generic_name(K, 2147483647, GenericStyle::Offset, 2147483647).view(), "k4294967294");

  ASSERT_EQ(t.put(C, 1, "c_1.x"), ZRV_RES_OK);
  EXPECT_EQ(t.analyze(NameRule::Lp).code, ZRV_RES_OK) << "LP accepts unnamed items";
  InvalidName bad = t.analyze(NameRule::Mps);
  EXPECT_EQ(bad.code, ZRV_RES_ERR_INVALID_VAR_NAME);
  EXPECT_EQ(bad.index, 0);
  ASSERT_EQ(t.put(V, 0, "x2"), ZRV_RES_OK);
  ASSERT_EQ(t.put(V, 1, "2x"), ZRV_RES_OK);
  bad = t.analyze(NameRule::Lp);
  EXPECT_EQ(bad.code, ZRV_RES_ERR_INVALID_VAR_NAME);
  EXPECT_EQ(bad.index, 1);
  EXPECT_EQ(bad.name, "2x");
  EXPECT_EQ(t.analyze(NameRule::Mps).code, ZRV_RES_ERR_INVALID_CONE_NAME) << "MPS tests cones, LP does not";
  ASSERT_EQ(t.put(K, 0, "a b"), ZRV_RES_OK);
  EXPECT_EQ(t.analyze(NameRule::Mps).name, "a b");
  ASSERT_EQ(t.put_objective_name("o bj"), ZRV_RES_OK);
  EXPECT_EQ(t.analyze(NameRule::Lp).code, ZRV_RES_ERR_INVALID_OBJ_NAME) << "the objective is tested first";
  EXPECT_EQ(t.analyze(NameRule::Gen).code, ZRV_RES_OK);

  EXPECT_TRUE(name_is_valid(NameRule::Lp, "a!\"#$%&'(),./;?_`{}~@|9", true));
  EXPECT_FALSE(name_is_valid(NameRule::Lp, "a-b", true));
  EXPECT_FALSE(name_is_valid(NameRule::Mps, "a\xCE\xB1", true));
  EXPECT_TRUE(name_is_valid(NameRule::Mps, "", false));
}
