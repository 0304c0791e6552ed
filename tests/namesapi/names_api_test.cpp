// Names through the exported functions: putting, finding and renaming, the reported errors with their texts,
// names following removals, the validity test, and long names against small buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "zirva.h"
#include "zirva/env.h"  // only to store duplicate names the way a file reader may

namespace {

struct Names : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  int32_t code = 0;
  std::string msg;
  static ZRVrescodee ZRVAPI response(ZRVuserhandle_t h, ZRVrescodee r, const char* m) {
    auto* self = static_cast<Names*>(h);
    self->code = r;
    self->msg = m;
    return ZRV_RES_OK;
  }
  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ZRV_putresponsefunc(task, response, this);
    ASSERT_EQ(ZRV_appendcons(task, 3), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(task, 10), ZRV_RES_OK);
  }
  void TearDown() override {
    ZRV_deletetask(&task);
    ZRV_deleteenv(&env);
  }
  // Index of a variable name, -1 when absent.
  int32_t var(const char* name) {
    int32_t asgn = -1, index = -1;
    EXPECT_EQ(ZRV_getvarnameindex(task, name, &asgn, &index), ZRV_RES_OK);
    return asgn ? index : -1;
  }
  std::string varname(int32_t j) {
    char buf[64] = "?";
    EXPECT_EQ(ZRV_getvarname(task, j, sizeof buf, buf), ZRV_RES_OK);
    return buf;
  }
};

TEST_F(Names, PutFindRenameAndRemove) {
  int32_t asgn = -1, index = -1;
  EXPECT_EQ(ZRV_getvarnameindex(task, "x", &asgn, &index), ZRV_RES_OK);
  EXPECT_EQ(asgn, 0);
  EXPECT_EQ(index, 10);  // not found: the number of variables

  ASSERT_EQ(ZRV_putvarname(task, 0, "x"), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putconname(task, 2, "x"), ZRV_RES_OK);  // classes do not share names
  ASSERT_EQ(ZRV_putvarname(task, 1, "w"), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putvarname(task, 1, "x"), ZRV_RES_ERR_DUP_NAME);
  EXPECT_EQ(msg, "Name 'x' is already assigned for an item variable.");
  EXPECT_EQ(varname(1), "w");  // a refused rename keeps the old name, and it stays findable
  EXPECT_EQ(var("w"), 1);
  EXPECT_EQ(ZRV_putvarname(task, 0, "x"), ZRV_RES_OK);
  EXPECT_EQ(var("x"), 0);
  EXPECT_EQ(ZRV_getconnameindex(task, "x", &asgn, &index), ZRV_RES_OK);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(ZRV_putconname(task, 0, "x"), ZRV_RES_ERR_DUP_NAME);
  EXPECT_EQ(msg, "Name 'x' is already assigned for an item constraint.");

  // Renaming frees the old name; an empty name removes it.
  ASSERT_EQ(ZRV_putvarname(task, 0, "a_much_longer_name"), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarname(task, 1, "x"), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putvarname(task, 0, "y"), ZRV_RES_OK);
  EXPECT_EQ(var("a_much_longer_name"), -1);
  EXPECT_EQ(var("x"), 1);
  EXPECT_EQ(var("y"), 0);
  ASSERT_EQ(ZRV_putconname(task, 2, ""), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getconnameindex(task, "x", &asgn, &index), ZRV_RES_OK);
  EXPECT_EQ(asgn, 0);
  EXPECT_EQ(ZRV_getconnameindex(task, "", &asgn, &index), ZRV_RES_ERR_BLANK_NAME);
  EXPECT_EQ(msg, "An all blank name has been specified.");

  // Names follow the renumbering of a removal; removed names are gone.
  for (int32_t j = 2; j < 10; ++j) ZRV_putvarname(task, j, ("v" + std::to_string(j)).c_str());
  const int32_t subset[] = {7, 0, 4};
  ASSERT_EQ(ZRV_removevars(task, 3, subset), ZRV_RES_OK);
  const char* expect[] = {"x", "v2", "v3", "v5", "v6", "v8", "v9"};
  for (int32_t j = 0; j < 7; ++j) {
    EXPECT_EQ(varname(j), expect[j]);
    EXPECT_EQ(var(expect[j]), j);
  }
  EXPECT_EQ(var("v7"), -1);
  EXPECT_EQ(var("y"), -1);
  ASSERT_EQ(ZRV_putvarname(task, 6, "v4"), ZRV_RES_OK);  // a removed item's name is free again
  ASSERT_EQ(ZRV_appendvars(task, 1), ZRV_RES_OK);
  EXPECT_EQ(varname(7), "");
}

TEST_F(Names, BadArgumentsAreReportedAndChangeNothing) {
  ASSERT_EQ(ZRV_putconname(task, 0, "r"), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putvarname(task, -1, "z"), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);
  EXPECT_EQ(msg, "The index value -1 occurring in argument 'i' is too small.");
  EXPECT_EQ(ZRV_getconnamelen(task, 3, nullptr), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(msg, "The index value 3 occurring in argument 'i' is too large.");
  EXPECT_EQ(ZRV_putconename(task, 0, "k"), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);  // no cones yet
  EXPECT_EQ(ZRV_putconname(task, 0, nullptr), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_getvarnameindex(task, nullptr, nullptr, nullptr), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_getname(task, 3, 0, 10, nullptr), ZRV_RES_ERR_PRO_ITEM);
  EXPECT_EQ(msg, "'3' is an invalid problem item.");
  char buf[8] = "?";
  EXPECT_EQ(ZRV_getname(task, ZRV_PI_CON, 0, sizeof buf, buf), ZRV_RES_OK);
  EXPECT_STREQ(buf, "r");
  EXPECT_EQ(ZRV_putvarname(nullptr, 0, "z"), ZRV_RES_ERR_NULL_TASK);
}

TEST_F(Names, LongNamesAndSmallBuffers) {
  const std::string lng(3000, 'q');
  ASSERT_EQ(ZRV_putconname(task, 1, lng.c_str()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_putobjname(task, "cost"), ZRV_RES_OK);
  ASSERT_EQ(ZRV_puttaskname(task, "model"), ZRV_RES_OK);
  int32_t len = -1;
  EXPECT_EQ(ZRV_getconnamelen(task, 1, &len), ZRV_RES_OK);
  EXPECT_EQ(len, 3000);
  EXPECT_EQ(ZRV_getmaxnamelen(task, &len), ZRV_RES_OK);
  EXPECT_EQ(len, 3000);
  std::vector<char> buf(3001, '#');
  EXPECT_EQ(ZRV_getconname(task, 1, 3000, buf.data()), ZRV_RES_ERR_NAME_MAX_LEN);  // no room for the NUL
  EXPECT_EQ(buf[0], '#');
  EXPECT_EQ(ZRV_getconname(task, 1, 3001, buf.data()), ZRV_RES_OK);
  EXPECT_EQ(std::string(buf.data()), lng);

  char small[5] = "????";
  EXPECT_EQ(ZRV_getobjname(task, 4, small), ZRV_RES_ERR_NAME_MAX_LEN);
  EXPECT_EQ(msg, "A name('cost') of length 4 is longer than the buffer of length 4 that is supposed to hold it.");
  EXPECT_EQ(ZRV_getobjname(task, 5, small), ZRV_RES_OK);
  EXPECT_STREQ(small, "cost");
  EXPECT_EQ(ZRV_gettaskname(task, 5, small), ZRV_RES_ERR_NAME_MAX_LEN);
  ASSERT_EQ(ZRV_puttaskname(task, nullptr), ZRV_RES_OK);  // unnamed again
  EXPECT_EQ(ZRV_gettasknamelen(task, &len), ZRV_RES_OK);
  EXPECT_EQ(len, 0);
}

TEST_F(Names, DuplicatesStoredBehindTheIndexAreFoundWhenItIsBuilt) {
  ASSERT_EQ(task->names->put_unindexed(zrv::NameClass::Var, 5, "dup"), ZRV_RES_OK);
  ASSERT_EQ(task->names->put_unindexed(zrv::NameClass::Var, 2, "dup"), ZRV_RES_OK);
  int32_t asgn = -1;
  EXPECT_EQ(ZRV_getvarnameindex(task, "dup", &asgn, nullptr), ZRV_RES_ERR_DUPLICATE_VARIABLE_NAMES);
  EXPECT_EQ(msg, "Variable number 2 and 5 is given the same name 'dup'.");
  EXPECT_EQ(asgn, -1);
  EXPECT_EQ(ZRV_putvarname(task, 0, "fresh"), ZRV_RES_ERR_DUPLICATE_VARIABLE_NAMES);
  EXPECT_EQ(varname(0), "");
  EXPECT_EQ(ZRV_putconname(task, 0, "dup"), ZRV_RES_OK);  // other classes are unaffected
  const int32_t gone[] = {5};
  ASSERT_EQ(ZRV_removevars(task, 1, gone), ZRV_RES_OK);
  EXPECT_EQ(var("dup"), 2);
}

// A random sequence of puts, removals and appends against a plain list of names.
TEST_F(Names, RandomSequenceAgainstAPlainList) {
  std::mt19937 rng(7);
  std::vector<std::string> ref(10);
  auto pick = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
  for (int step = 0; step < 3000; ++step) {
    int32_t n = static_cast<int32_t>(ref.size());
    int op = pick(10);
    if (op < 7 && n > 0) {
      int32_t j = pick(n);
      std::string name = pick(8) == 0 ? "" : "n" + std::string(static_cast<size_t>(pick(12)), 'z') +
                                                 std::to_string(pick(40));
      bool taken = false;
      for (int32_t k = 0; k < n; ++k) taken |= k != j && !name.empty() && ref[k] == name;
      ASSERT_EQ(ZRV_putvarname(task, j, name.c_str()), taken ? ZRV_RES_ERR_DUP_NAME : ZRV_RES_OK);
      if (!taken) ref[j] = name;
    } else if (op < 9 && n > 0) {
      std::vector<int32_t> subset;
      for (int32_t k = 0; k < n; ++k)
        if (pick(6) == 0) subset.push_back(k);
      std::shuffle(subset.begin(), subset.end(), rng);
      ASSERT_EQ(ZRV_removevars(task, static_cast<int32_t>(subset.size()), subset.data()), ZRV_RES_OK);
      std::vector<bool> drop(ref.size());
      for (int32_t k : subset) drop[k] = true;
      std::vector<std::string> kept;
      for (int32_t k = 0; k < n; ++k)
        if (!drop[k]) kept.push_back(ref[k]);
      ref.swap(kept);
    } else {
      int32_t add = pick(4);
      ASSERT_EQ(ZRV_appendvars(task, add), ZRV_RES_OK);
      ref.resize(ref.size() + add);
    }
    if (step % 50 != 0) continue;
    for (int32_t k = 0; k < static_cast<int32_t>(ref.size()); ++k) {
      ASSERT_EQ(varname(k), ref[k]);
      if (!ref[k].empty()) {
        ASSERT_EQ(var(ref[k].c_str()), k);
      }
    }
  }
}

TEST_F(Names, ValidityForFileFormats) {
  ZRV_putvarname(task, 0, "x2");
  ZRV_putvarname(task, 1, "2x");
  EXPECT_EQ(ZRV_analyzenames(task, ZRV_STREAM_LOG, ZRV_NAME_TYPE_GEN), ZRV_RES_OK);
  EXPECT_EQ(ZRV_analyzenames(task, ZRV_STREAM_LOG, ZRV_NAME_TYPE_LP), ZRV_RES_ERR_INVALID_VAR_NAME);
  EXPECT_EQ(msg, "'2x' is an invalid name for variable number 1.");
  // MPS: every constraint and variable must be named; the first unnamed item is reported.
  EXPECT_EQ(ZRV_analyzenames(task, ZRV_STREAM_MSG, ZRV_NAME_TYPE_MPS), ZRV_RES_ERR_INVALID_CON_NAME);
  EXPECT_EQ(msg, "'' is an invalid name for constraint number 0.");
  ZRV_putobjname(task, "a b");
  EXPECT_EQ(ZRV_analyzenames(task, ZRV_STREAM_MSG, ZRV_NAME_TYPE_MPS), ZRV_RES_ERR_INVALID_OBJ_NAME);
  EXPECT_EQ(msg, "'a b' is an invalid objective name is specified.");
  EXPECT_EQ(ZRV_analyzenames(task, 4, ZRV_NAME_TYPE_LP), ZRV_RES_ERR_INVALID_STREAM);
  EXPECT_EQ(ZRV_analyzenames(task, ZRV_STREAM_LOG, 3), ZRV_RES_ERR_INV_NAME_ITEM);
}

}  // namespace
