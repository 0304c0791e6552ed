#include <gtest/gtest.h>

#include <algorithm>
#include <memory_resource>
#include <numeric>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "cpub/namepool.h"
#include "zirva.h"

using namespace zrv;

namespace {

// Refuses allocations once the bytes held would pass the budget.
class BudgetResource : public std::pmr::memory_resource {
 public:
  size_t budget = SIZE_MAX;
  size_t held = 0;

 private:
  void* do_allocate(size_t n, size_t align) override {
    if (n > budget || held > budget - n) throw std::bad_alloc();
    held += n;
    return std::pmr::new_delete_resource()->allocate(n, align);
  }
  void do_deallocate(void* p, size_t n, size_t align) override {
    held -= n;
    std::pmr::new_delete_resource()->deallocate(p, n, align);
  }
  bool do_is_equal(const memory_resource& o) const noexcept override { return this == &o; }
};

// The reference: names by item, and name -> item for the non-empty ones.
struct Model {
  std::vector<std::string> names;
  std::unordered_map<std::string, int32_t> where;
  void reindex() {
    where.clear();
    for (size_t j = 0; j < names.size(); ++j)
      if (!names[j].empty()) where[names[j]] = static_cast<int32_t>(j);
  }
};

void expect_same(NameTable& t, NameClass c, const Model& m, std::mt19937& rng, const std::vector<std::string>& pool) {
  ASSERT_EQ(t.count(c), static_cast<int32_t>(m.names.size()));
  for (size_t i = 0; i < m.names.size(); ++i) ASSERT_EQ(t.name(c, static_cast<int32_t>(i)), m.names[i]) << i;
  for (int k = 0; k < 8; ++k) {
    const std::string& s = pool[rng() % pool.size()];
    bool found = false;
    int32_t idx = -1;
    if (s.empty()) {
      ASSERT_EQ(t.lookup(c, s, &found, &idx), ZRV_RES_ERR_BLANK_NAME);
      continue;
    }
    ASSERT_EQ(t.lookup(c, s, &found, &idx), ZRV_RES_OK);
    auto it = m.where.find(s);
    ASSERT_EQ(found, it != m.where.end()) << s;
    ASSERT_EQ(idx, found ? it->second : t.count(c)) << s;
  }
}

}  // namespace

TEST(NamesRandom, AgreesWithAHashMapThroughPutsRemovalsAndGrowth) {
  std::mt19937 rng(20240611);
  // Few distinct names so that clashes, reuse and renaming happen all the time; some are long.
  std::vector<std::string> pool;
  for (int k = 0; k < 300; ++k) pool.push_back("n" + std::string(k % 11, '_') + std::to_string(k));
  for (int k = 0; k < 20; ++k) pool.push_back(std::string(500 + 97 * k, static_cast<char>('A' + k)));
  pool.push_back("\xE2\x82\xAC");
  pool.push_back("");

  NameTable t(std::pmr::new_delete_resource());
  const NameClass c = NameClass::Con;
  Model m;
  for (int step = 0; step < 20000; ++step) {
    int op = static_cast<int>(rng() % 100);
    int32_t n = static_cast<int32_t>(m.names.size());
    if (op < 55 && n > 0) {
      int32_t i = static_cast<int32_t>(rng() % n);
      const std::string& s = pool[rng() % pool.size()];
      NameClash clash;
      int32_t r = t.put(c, i, s, &clash);
      auto it = s.empty() ? m.where.end() : m.where.find(s);
      if (it != m.where.end() && it->second != i) {
        ASSERT_EQ(r, ZRV_RES_ERR_DUP_NAME);
        ASSERT_EQ(clash.first, it->second);
      } else {
        ASSERT_EQ(r, ZRV_RES_OK);
        if (!m.names[i].empty()) m.where.erase(m.names[i]);
        m.names[i] = s;
        if (!s.empty()) m.where[s] = i;
      }
    } else if (op < 70) {
      int32_t num = static_cast<int32_t>(rng() % 6);
      ASSERT_EQ(t.append(c, num), ZRV_RES_OK);
      m.names.resize(m.names.size() + num);
    } else if (op < 82 && n > 0) {
      std::vector<int32_t> all(n);
      std::iota(all.begin(), all.end(), 0);
      std::shuffle(all.begin(), all.end(), rng);
      all.resize(1 + rng() % std::min(n, 5));
      ASSERT_EQ(t.remove(c, all.data(), static_cast<int32_t>(all.size())), ZRV_RES_OK);
      std::sort(all.rbegin(), all.rend());
      for (int32_t j : all) m.names.erase(m.names.begin() + j);
      m.reindex();
    } else if (op < 86 && n > 0) {
      std::vector<int32_t> perm(n);
      std::iota(perm.begin(), perm.end(), 0);
      std::shuffle(perm.begin(), perm.end(), rng);
      ASSERT_EQ(t.permute(c, perm.data()), ZRV_RES_OK);
      std::vector<std::string> next(n);
      for (int32_t j = 0; j < n; ++j) next[j] = m.names[perm[j]];
      m.names = std::move(next);
      m.reindex();
    } else if (op < 90 && n > 0) {
      int32_t keep = static_cast<int32_t>(rng() % (n + 1));
      ASSERT_EQ(t.truncate(c, keep), ZRV_RES_OK);
      m.names.resize(keep);
      m.reindex();
    } else if (op < 93) {
      ASSERT_EQ(t.set_capacity(c, n + static_cast<int32_t>(rng() % 8)), ZRV_RES_OK);
    } else if (op < 96) {
      ASSERT_EQ(t.put_objective_name(pool[rng() % pool.size()]), ZRV_RES_OK);
    }
    ASSERT_NO_FATAL_FAILURE(expect_same(t, c, m, rng, pool)) << "step " << step;
  }
  EXPECT_GT(t.pool_rebuilds(), 0);
}

TEST(NamesRandom, RenamingEveryItemLongerKeepsRebuildsRare) {
  // Every slot named and no capacity to spare: only the growth share of the pool avoids a rebuild per call.
  NameTable t(std::pmr::new_delete_resource());
  const int32_t n = 2000;
  ASSERT_EQ(t.append(NameClass::Var, n), ZRV_RES_OK);
  ASSERT_EQ(t.capacity(NameClass::Var), n);
  for (int round = 1; round <= 20; ++round)
    for (int32_t i = 0; i < n; ++i)
      ASSERT_EQ(t.put(NameClass::Var, i, std::string(round, 'r') + std::to_string(i)), ZRV_RES_OK);
  EXPECT_LT(t.pool_rebuilds(), 200) << "rebuilds must not grow with the number of renames";
  bool found = false;
  int32_t idx = -1;
  ASSERT_EQ(t.lookup(NameClass::Var, std::string(20, 'r') + "1999", &found, &idx), ZRV_RES_OK);
  EXPECT_EQ(idx, 1999);
}

TEST(NamesRandom, OutOfMemoryLeavesEverythingAsItWas) {
  BudgetResource mem;
  NameTable t(&mem);
  const NameClass v = NameClass::Var;
  ASSERT_EQ(t.append(v, 100), ZRV_RES_OK);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(t.put(v, i, "v" + std::to_string(i)), ZRV_RES_OK);
  mem.budget = mem.held;  // nothing more can be had

  EXPECT_EQ(t.put(v, 7, std::string(100000, 'z')), ZRV_RES_ERR_SPACE);
  EXPECT_EQ(t.name(v, 7), "v7");
  EXPECT_EQ(t.put_task_name("a task name too long for any small-string buffer"), ZRV_RES_ERR_SPACE);
  EXPECT_EQ(t.set_capacity(v, 1000), ZRV_RES_ERR_SPACE);
  EXPECT_EQ(t.capacity(v), 100);
  EXPECT_EQ(t.append(v, 1), ZRV_RES_ERR_SPACE);
  EXPECT_EQ(t.count(v), 100);
  const int32_t two[] = {3, 5};
  EXPECT_EQ(t.remove(v, two, 2), ZRV_RES_ERR_SPACE);
  EXPECT_EQ(t.name(v, 5), "v5");
  bool found = false;
  int32_t idx = -1;
  EXPECT_EQ(t.lookup(v, "v7", &found, &idx), ZRV_RES_OK) << "the index survived";
  EXPECT_EQ(idx, 7);
  EXPECT_EQ(t.put(v, 7, "w"), ZRV_RES_OK) << "a short name needs no memory";

  // A capacity change drops the index; rebuilding it needs memory.
  mem.budget = SIZE_MAX;
  ASSERT_EQ(t.set_capacity(v, 150), ZRV_RES_OK);
  mem.budget = mem.held;
  EXPECT_EQ(t.lookup(v, "w", &found, &idx), ZRV_RES_ERR_SPACE);
  EXPECT_FALSE(t.has_index(v));
  mem.budget = SIZE_MAX;
  EXPECT_EQ(t.lookup(v, "w", &found, &idx), ZRV_RES_OK);
  EXPECT_EQ(idx, 7);
}
