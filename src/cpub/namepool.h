// Names of a task: the shared name pool, the per-class name index and the services built on them.
//
// Four classes of items carry names: constraints, variables, cones and matrix variables. All their names, and
// the objective name, are NUL-terminated byte strings in one character pool; an item refers to its name by a
// 64-bit offset (or to no name). Names of at most 7 bytes are kept in the item's own record instead. UTF-8 is stored byte for byte and never interpreted. A name ends at its first
// NUL byte. Within a class a non-empty name belongs to at most one item.
//
// Each class has a name index (a chained hash table from name to item number) that is built on demand and
// dropped when the class's capacity changes or its items are renumbered. Building it tests the class for
// duplicate names.
//
// Operations return response codes (ZRV_RES_...); none throws. Out of memory gives ZRV_RES_ERR_SPACE and leaves
// the table as it was. Views and pointers returned by the getters stay valid until the next non-const call.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "misc/hashtabl.h"

namespace zrv {

enum class NameClass : int32_t { Con = 0, Var = 1, Cone = 2, BarVar = 3 };
constexpr int32_t NAME_CLASS_COUNT = 4;

// Two items of one class with the same name, first < second. For ZRV_RES_ERR_DUP_NAME `first` is the item that
// holds the name and `second` the item that was to get it.
struct NameClash {
  int32_t first = -1;
  int32_t second = -1;
};

// Validity rules of names for file formats (the values of the ZRV_NAME_TYPE_ constants).
enum class NameRule : int32_t { Gen = 0, Mps = 1, Lp = 2 };

// The first name that breaks a rule. code is ZRV_RES_OK when every tested name is valid, otherwise
// ZRV_RES_ERR_INVALID_OBJ_NAME (cls -1, index -1), _CON_NAME, _VAR_NAME or _CONE_NAME.
struct InvalidName {
  int32_t code = 0;
  int32_t cls = -1;
  int32_t index = -1;
  std::string_view name;
};

// Generic names used where an item has no name.
//  Numbered: "C", "X", "K", "BARX" followed by index + 1; the objective is "OBJ".
//  Offset:   "c", "x", "k", "barx" followed by index + offset (offset is a writer parameter).
enum class GenericStyle : int32_t { Numbered = 0, Offset = 1 };

struct GenericName {
  char buf[32];
  size_t len = 0;
  std::string_view view() const { return {buf, len}; }
};

GenericName generic_name(NameClass cls, int32_t index, GenericStyle style, int32_t offset = 0);

// Response codes for duplicates found while building the index of a class.
int32_t duplicate_names_error(NameClass cls);
int32_t duplicate_names_warning(NameClass cls);

// True when `name` satisfies `rule`. `must_be_named`: an empty name breaks the MPS rule (items, not the
// objective). The LP rule always accepts the empty name, the general rule accepts everything.
bool name_is_valid(NameRule rule, std::string_view name, bool must_be_named);

class NameTable {
 public:
  explicit NameTable(std::pmr::memory_resource* mem);
  NameTable(const NameTable&) = delete;
  NameTable& operator=(const NameTable&) = delete;

  // ---- shape (kept in step with the task's counts and capacities by the caller) ----
  int32_t count(NameClass c) const { return cls(c).count; }
  int32_t capacity(NameClass c) const { return static_cast<int32_t>(cls(c).slots.size()); }

  // Sets the number of item slots. Below the count: ZRV_RES_ERR_ARG_IS_TOO_SMALL. A change drops the index.
  int32_t set_capacity(NameClass c, int32_t capacity);
  // Adds num unnamed items at the end (num < 0: ZRV_RES_ERR_NEGATIVE_APPEND). Grows the capacity to
  // max(2 x capacity, count + num) when it is too small.
  int32_t append(NameClass c, int32_t num);
  // Drops the items newcount .. count-1 (0 <= newcount <= count). Their names leave the index, which stays.
  int32_t truncate(NameClass c, int32_t newcount);
  // Removes the listed items (any order) and renumbers the rest keeping their order. Checks before any change:
  // num > count ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE; an entry < 0 ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL, >= count
  // ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE, a repeated entry ZRV_RES_ERR_NON_UNIQUE_ARRAY; `where` (may be null)
  // receives the position of the failing entry. num < 1 does nothing.
  int32_t remove(NameClass c, const int32_t* subset, int32_t num, int32_t* where = nullptr);
  // Item k gets the name of old item perm[k], for k = 0 .. count-1. perm must be a permutation of
  // 0 .. count-1 (codes as for remove).
  int32_t permute(NameClass c, const int32_t* perm, int32_t* where = nullptr);

  // ---- names of items ----
  // Sets the name of item i; an empty name removes it. Codes: ZRV_RES_ERR_INDEX_IS_TOO_SMALL / _LARGE,
  // ZRV_RES_ERR_DUP_NAME (another item holds the name; clash = {holder, i}), the class's
  // ZRV_RES_ERR_DUPLICATE_..._NAMES when the index had to be built and the class holds duplicates (clash = the
  // pair), ZRV_RES_ERR_SPACE. On failure the item keeps its old name. `clash` may be null.
  int32_t put(NameClass c, int32_t i, std::string_view name, NameClash* clash = nullptr);
  // Sets a name without consulting or building the index, which is dropped. For bulk loaders that check
  // uniqueness themselves; duplicates stored this way are found when the index is next built.
  int32_t put_unindexed(NameClass c, int32_t i, std::string_view name);

  // Name of item i (empty if none). i must be in 0 .. count-1.
  std::string_view name(NameClass c, int32_t i) const;
  const char* c_name(NameClass c, int32_t i) const;
  int64_t name_length(NameClass c, int32_t i) const { return static_cast<int64_t>(cls(c).slots[i].len); }
  // Copies the name with its NUL into out[0 .. maxlen-1]. Codes: ZRV_RES_ERR_INDEX_IS_TOO_SMALL / _LARGE,
  // ZRV_RES_ERR_NAME_MAX_LEN when length + 1 > maxlen (nothing is written). out may be null when maxlen is 0.
  int32_t copy_name(NameClass c, int32_t i, int64_t maxlen, char* out) const;
  // The stored name or, if the item has none, its generic name.
  std::string_view name_or_generic(NameClass c, int32_t i, GenericStyle style, int32_t offset,
                                   GenericName& scratch) const;

  // ---- lookup ----
  // Finds the item named `name`: *found = true and *index = the item, or *found = false and *index = count.
  // Codes: ZRV_RES_ERR_BLANK_NAME for an empty name, and those of build_index.
  int32_t lookup(NameClass c, std::string_view name, bool* found, int32_t* index, NameClash* clash = nullptr);
  // Builds the index of class c if absent. Codes: the class's ZRV_RES_ERR_DUPLICATE_..._NAMES with the first
  // clash in item order (the later item of the pair is the smallest possible; the index stays absent),
  // ZRV_RES_ERR_SPACE.
  int32_t build_index(NameClass c, NameClash* clash = nullptr);
  bool has_index(NameClass c) const { return cls(c).index.built(); }
  void drop_index(NameClass c) { cls(c).index.release(); }
  // Every item whose non-empty name an earlier item already carries, paired with the first holder, in item
  // order; at most max_pairs pairs (<= 0: all). Does not touch the index.
  int32_t find_duplicates(NameClass c, std::pmr::vector<NameClash>* out, int64_t max_pairs = 0) const;

  // ---- objective and task names ----
  int32_t put_objective_name(std::string_view name);
  std::string_view objective_name() const;
  int32_t put_task_name(std::string_view name);
  std::string_view task_name() const { return task_name_; }

  // Length of the longest name: objective, task, and every item of every class.
  int64_t max_name_length() const;

  // Tests the names against `rule` in the order objective, constraints, variables, cones (the LP rule skips
  // cones; the general rule tests nothing) and returns the first invalid one.
  InvalidName analyze(NameRule rule) const;

  // ---- pool figures ----
  int64_t pool_size() const { return static_cast<int64_t>(pool_.size()); }
  int64_t pool_surplus() const { return pool_size() - used_; }
  // Bytes of the used part that belong to no current name (renamed, removed or shortened names). Pool figures
  // count only the names longer than 7 bytes.
  int64_t pool_dead() const { return dead_; }
  int64_t pool_rebuilds() const { return rebuilds_; }

 private:
  // A name of up to INLINE_MAX bytes is kept in its slot (with its NUL) and takes no pool bytes; a longer one
  // lives in the pool and the slot holds its offset. A lookup of a short name then touches the bucket and the
  // slot only. len 0 means no name.
  static constexpr uint32_t INLINE_MAX = 7;
  struct Slot {
    char raw[8] = {};   // the short name, or the 64-bit pool offset of a long one
    uint32_t len = 0;   // bytes without the NUL
    uint32_t hash = 0;  // name_hash of the name
    bool named() const { return len > 0; }
    bool pooled() const { return len > INLINE_MAX; }
    int64_t off() const {
      int64_t v;
      std::memcpy(&v, raw, sizeof v);
      return v;
    }
    void set_off(int64_t v) { std::memcpy(raw, &v, sizeof v); }
  };
  struct Class {
    int32_t count = 0;
    std::pmr::vector<Slot> slots;  // one per item slot (capacity)
    HashIndex index;
    explicit Class(std::pmr::memory_resource* mem) : slots(mem), index(mem) {}
  };

  Class& cls(NameClass c) { return classes_[static_cast<int32_t>(c)]; }
  const Class& cls(NameClass c) const { return classes_[static_cast<int32_t>(c)]; }
  const char* text(const Slot& s) const { return s.pooled() ? pool_.data() + s.off() : s.raw; }
  bool same(const Slot& s, std::string_view name, uint32_t hash) const;

  int32_t set_capacity_impl(Class& k, int32_t capacity);
  int32_t build_index_impl(NameClass c, NameClash* clash);
  int32_t check_list(const Class& k, const int32_t* list, int32_t num, std::pmr::vector<uint8_t>& mark,
                     int32_t* where) const;
  // Stores `name` as the text of `slot`, reusing its bytes when it fits, else taking bytes from the surplus,
  // else rebuilding the pool. The slot is not in any index while this runs.
  void store(Slot& slot, std::string_view name, uint32_t hash);
  void release_text(Slot& slot);
  // Packs the names into a new pool with at least `need` free bytes. The text of `replaced` (may be null) is
  // about to be overwritten and is left out; that slot is then unnamed.
  void rebuild_pool(int64_t need, Slot* replaced);

  std::pmr::memory_resource* mem_;
  Class classes_[NAME_CLASS_COUNT];
  std::pmr::vector<char> pool_;
  int64_t used_ = 0;
  int64_t dead_ = 0;
  int64_t rebuilds_ = 0;
  Slot objective_;
  std::pmr::string task_name_;
};

}  // namespace zrv
