#include "cpub/namepool.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "zirva.h"

namespace zrv {

namespace {

// Runs f and turns any exception (out of memory, a size beyond what a container can hold, or whatever the
// memory resource throws) into ZRV_RES_ERR_SPACE.
template <class F>
int32_t guarded(F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return ZRV_RES_ERR_SPACE;
  }
}

// A name ends at its first NUL byte.
std::string_view up_to_nul(std::string_view s) {
  size_t z = s.find('\0');
  return z == std::string_view::npos ? s : s.substr(0, z);
}

constexpr const char* NUMBERED_PREFIX[NAME_CLASS_COUNT] = {"C", "X", "K", "BARX"};
constexpr const char* OFFSET_PREFIX[NAME_CLASS_COUNT] = {"c", "x", "k", "barx"};

bool in_range(NameClass c) {
  auto k = static_cast<int32_t>(c);
  return k >= 0 && k < NAME_CLASS_COUNT;
}

}  // namespace

GenericName generic_name(NameClass cls, int32_t index, GenericStyle style, int32_t offset) {
  GenericName g;
  int k = in_range(cls) ? static_cast<int>(cls) : 0;
  const char* prefix;
  long long number;
  if (style == GenericStyle::Numbered) {
    prefix = NUMBERED_PREFIX[k];
    number = static_cast<long long>(index) + 1;
  } else {
    prefix = OFFSET_PREFIX[k];
    number = static_cast<long long>(index) + offset;
  }
  int n = std::snprintf(g.buf, sizeof g.buf, "%s%lld", prefix, number);
  g.len = n > 0 ? std::min(static_cast<size_t>(n), sizeof g.buf - 1) : 0;
  return g;
}

int32_t duplicate_names_error(NameClass cls) {
  switch (cls) {
    case NameClass::Con: return ZRV_RES_ERR_DUPLICATE_CONSTRAINT_NAMES;
    case NameClass::Var: return ZRV_RES_ERR_DUPLICATE_VARIABLE_NAMES;
    case NameClass::Cone: return ZRV_RES_ERR_DUPLICATE_CONE_NAMES;
    case NameClass::BarVar: return ZRV_RES_ERR_DUPLICATE_BARVARIABLE_NAMES;
  }
  return ZRV_RES_ERR_DUPLICATE_CONSTRAINT_NAMES;
}

int32_t duplicate_names_warning(NameClass cls) {
  switch (cls) {
    case NameClass::Con: return ZRV_RES_WRN_DUPLICATE_CONSTRAINT_NAMES;
    case NameClass::Var: return ZRV_RES_WRN_DUPLICATE_VARIABLE_NAMES;
    case NameClass::Cone: return ZRV_RES_WRN_DUPLICATE_CONE_NAMES;
    case NameClass::BarVar: return ZRV_RES_WRN_DUPLICATE_BARVARIABLE_NAMES;
  }
  return ZRV_RES_WRN_DUPLICATE_CONSTRAINT_NAMES;
}

bool name_is_valid(NameRule rule, std::string_view name, bool must_be_named) {
  switch (rule) {
    case NameRule::Gen:
      return true;
    case NameRule::Mps:
      if (name.empty()) return !must_be_named;
      for (char ch : name) {
        auto b = static_cast<unsigned char>(ch);
        if (b <= 0x20 || b >= 0x7f) return false;  // control, blank, DEL and every non-ASCII byte
      }
      return true;
    case NameRule::Lp: {
      if (name.empty()) return true;
      if (name[0] >= '0' && name[0] <= '9') return false;
      static constexpr std::string_view extra = "!\"#$%&'(),./;?_`{}~@|";
      for (char ch : name) {
        bool ok = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                  (ch != '\0' && extra.find(ch) != std::string_view::npos);
        if (!ok) return false;
      }
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------------------------------

NameTable::NameTable(std::pmr::memory_resource* mem)
    : mem_(mem ? mem : std::pmr::get_default_resource()),
      classes_{Class(mem_), Class(mem_), Class(mem_), Class(mem_)},
      pool_(mem_),
      task_name_(mem_) {}

bool NameTable::same(const Slot& s, std::string_view name, uint32_t hash) const {
  return s.hash == hash && s.len == name.size() && s.named() && std::memcmp(text(s), name.data(), name.size()) == 0;
}

std::string_view NameTable::name(NameClass c, int32_t i) const {
  const Slot& s = cls(c).slots[i];
  return {text(s), s.len};
}

const char* NameTable::c_name(NameClass c, int32_t i) const { return text(cls(c).slots[i]); }

std::string_view NameTable::objective_name() const { return {text(objective_), objective_.len}; }

// ---- shape ------------------------------------------------------------------------------------------------------

int32_t NameTable::set_capacity_impl(Class& k, int32_t capacity) {
  if (capacity < k.count) return ZRV_RES_ERR_ARG_IS_TOO_SMALL;
  if (static_cast<size_t>(capacity) == k.slots.size()) return ZRV_RES_OK;
  std::pmr::vector<Slot> slots(mem_);
  slots.resize(static_cast<size_t>(capacity));
  std::copy(k.slots.begin(), k.slots.begin() + k.count, slots.begin());
  k.slots.swap(slots);
  k.index.release();
  return ZRV_RES_OK;
}

int32_t NameTable::set_capacity(NameClass c, int32_t capacity) {
  return guarded([&] { return set_capacity_impl(cls(c), capacity); });
}

int32_t NameTable::append(NameClass c, int32_t num) {
  return guarded([&] {
    Class& k = cls(c);
    if (num < 0) return static_cast<int32_t>(ZRV_RES_ERR_NEGATIVE_APPEND);
    if (num == 0) return static_cast<int32_t>(ZRV_RES_OK);
    int64_t need = int64_t{k.count} + num;
    if (need > std::numeric_limits<int32_t>::max()) return static_cast<int32_t>(ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE);
    int64_t cap = static_cast<int64_t>(k.slots.size());
    if (need > cap) {
      int64_t grown = std::min<int64_t>(std::max(2 * cap, need), std::numeric_limits<int32_t>::max());
      int32_t r = set_capacity_impl(k, static_cast<int32_t>(grown));
      if (r != ZRV_RES_OK) return r;
    }
    // Slots beyond the count never hold a name, so the new items are unnamed and outside the index.
    k.count = static_cast<int32_t>(need);
    return static_cast<int32_t>(ZRV_RES_OK);
  });
}

void NameTable::release_text(Slot& slot) {
  if (slot.pooled()) dead_ += int64_t{slot.len} + 1;
  slot = Slot{};
}

int32_t NameTable::truncate(NameClass c, int32_t newcount) {
  Class& k = cls(c);
  if (newcount < 0) return ZRV_RES_ERR_ARG_IS_TOO_SMALL;
  if (newcount > k.count) return ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE;
  // The dropped names leave the index one by one; rebuilding it instead would make "remove the last item"
  // cost as much as the whole class.
  for (int32_t i = newcount; i < k.count; ++i) {
    Slot& s = k.slots[i];
    if (s.named() && k.index.built()) k.index.unlink(i, s.hash);
    release_text(s);
  }
  k.count = newcount;
  return ZRV_RES_OK;
}

int32_t NameTable::check_list(const Class& k, const int32_t* list, int32_t num, std::pmr::vector<uint8_t>& mark,
                              int32_t* where) const {
  for (int32_t p = 0; p < num; ++p) {
    if (list[p] < 0 || list[p] >= k.count) {
      if (where) *where = p;
      return list[p] < 0 ? ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL : ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE;
    }
  }
  mark.assign(static_cast<size_t>(k.count), 0);
  for (int32_t p = 0; p < num; ++p) {
    if (mark[list[p]]) {
      if (where) *where = p;
      return ZRV_RES_ERR_NON_UNIQUE_ARRAY;
    }
    mark[list[p]] = 1;
  }
  return ZRV_RES_OK;
}

int32_t NameTable::remove(NameClass c, const int32_t* subset, int32_t num, int32_t* where) {
  return guarded([&]() -> int32_t {
    Class& k = cls(c);
    if (num < 1) return ZRV_RES_OK;
    if (num > k.count) return ZRV_RES_ERR_ARGUMENT_IS_TOO_LARGE;
    if (!subset) return ZRV_RES_ERR_NULL_POINTER;
    if (num == 1 && subset[0] == k.count - 1) return truncate(c, k.count - 1);
    std::pmr::vector<uint8_t> mark(mem_);
    int32_t r = check_list(k, subset, num, mark, where);
    if (r != ZRV_RES_OK) return r;
    int32_t w = 0;
    for (int32_t i = 0; i < k.count; ++i) {
      if (mark[i])
        release_text(k.slots[i]);
      else
        k.slots[w++] = k.slots[i];
    }
    std::fill(k.slots.begin() + w, k.slots.begin() + k.count, Slot{});
    k.count = w;
    k.index.release();
    return ZRV_RES_OK;
  });
}

int32_t NameTable::permute(NameClass c, const int32_t* perm, int32_t* where) {
  return guarded([&]() -> int32_t {
    Class& k = cls(c);
    if (k.count == 0) return ZRV_RES_OK;
    if (!perm) return ZRV_RES_ERR_NULL_POINTER;
    std::pmr::vector<uint8_t> mark(mem_);
    int32_t r = check_list(k, perm, k.count, mark, where);
    if (r != ZRV_RES_OK) return r;
    std::pmr::vector<Slot> slots(mem_);
    slots.resize(k.slots.size());
    for (int32_t i = 0; i < k.count; ++i) slots[i] = k.slots[perm[i]];
    k.slots.swap(slots);
    k.index.release();
    return ZRV_RES_OK;
  });
}

// ---- pool ---------------------------------------------------------------------------------------------------------

void NameTable::rebuild_pool(int64_t need, Slot* replaced) {
  // Figures over the four classes: N items, L bytes of item names, U slots without a name (unused capacity and
  // unnamed items). `live` is what the packed pool holds.
  int64_t n_items = 0, l_bytes = 0, unnamed = 0, live = 0;
  for (const Class& k : classes_) {
    n_items += k.count;
    unnamed += static_cast<int64_t>(k.slots.size()) - k.count;
    for (int32_t i = 0; i < k.count; ++i) {
      const Slot& s = k.slots[i];
      if (!s.named()) ++unnamed;
      l_bytes += s.len;
      if (s.pooled()) live += int64_t{s.len} + 1;
    }
  }
  if (objective_.pooled()) live += int64_t{objective_.len} + 1;

  // Room to spare: the larger of "the mean name length for every unnamed slot" and 8 bytes per unnamed slot,
  // so that naming the unnamed items rarely rebuilds. When every slot is named both are 0 and renaming to
  // longer names would rebuild the whole pool at every call; a quarter of the name bytes on top keeps the
  // cost of rebuilds proportional to the bytes written.
  using u128 = unsigned __int128;
  u128 mean_fill = n_items > 0 ? u128(uint64_t(l_bytes)) * uint64_t(unnamed) / uint64_t(n_items) : 0;
  u128 spare = std::max<u128>({mean_fill, u128(8) * uint64_t(unnamed), u128(uint64_t(l_bytes / 4))});
  const u128 limit = u128(std::numeric_limits<int64_t>::max() / 4);
  u128 want = u128(uint64_t(live)) + uint64_t(need) + spare;
  u128 least = u128(uint64_t(live)) + uint64_t(need) + uint64_t(l_bytes / 4);
  if (least > limit) throw std::bad_alloc();

  std::pmr::vector<char> fresh(mem_);
  try {
    fresh.resize(static_cast<size_t>(std::min(want, limit)));
  } catch (...) {
    // The generous size could not be had; the least size still keeps rebuilds rare.
    fresh.resize(static_cast<size_t>(least));
  }

  // No failure is possible from here on.
  int64_t at = 0;
  auto move_text = [&](Slot& s) {
    if (!s.pooled()) return;
    if (&s == replaced) {
      s = Slot{};
      return;
    }
    std::memcpy(fresh.data() + at, pool_.data() + s.off(), size_t{s.len} + 1);
    s.set_off(at);
    at += int64_t{s.len} + 1;
  };
  for (Class& k : classes_)
    for (int32_t i = 0; i < k.count; ++i) move_text(k.slots[i]);
  move_text(objective_);
  pool_.swap(fresh);
  used_ = at;
  dead_ = 0;
  ++rebuilds_;
}

void NameTable::store(Slot& slot, std::string_view name, uint32_t hash) {
  const int64_t lnew = static_cast<int64_t>(name.size());
  if (lnew == 0) {
    release_text(slot);
    return;
  }
  if (lnew <= INLINE_MAX) {
    char tmp[8] = {};
    std::memcpy(tmp, name.data(), name.size());  // the text may be this slot's own
    release_text(slot);
    std::memcpy(slot.raw, tmp, sizeof tmp);
    slot.len = static_cast<uint32_t>(lnew);
    slot.hash = hash;
    return;
  }
  if (name.size() >= std::numeric_limits<uint32_t>::max()) throw std::length_error("name too long");
  if (slot.pooled() && lnew <= int64_t{slot.len}) {
    // Shorter or equal: reuse the bytes in place. The new text may overlap the old one.
    std::memmove(pool_.data() + slot.off(), name.data(), name.size());
    pool_[slot.off() + lnew] = '\0';
    dead_ += int64_t{slot.len} - lnew;
    slot.len = static_cast<uint32_t>(lnew);
    slot.hash = hash;
    return;
  }
  std::pmr::string keep(mem_);
  if (lnew + 1 > pool_surplus()) {
    // The text may lie in the pool that is about to be replaced.
    const char* lo = pool_.data();
    if (!pool_.empty() && name.data() >= lo && name.data() < lo + pool_.size()) {
      keep.assign(name);
      name = keep;
    }
    rebuild_pool(lnew + 1, &slot);
  }
  int64_t off = used_;
  std::memcpy(pool_.data() + off, name.data(), name.size());
  pool_[off + lnew] = '\0';
  used_ += lnew + 1;
  release_text(slot);
  slot.set_off(off);
  slot.len = static_cast<uint32_t>(lnew);
  slot.hash = hash;
}

// ---- names of items -------------------------------------------------------------------------------------------

int32_t NameTable::put(NameClass c, int32_t i, std::string_view name, NameClash* clash) {
  return guarded([&]() -> int32_t {
    Class& k = cls(c);
    if (i < 0) return ZRV_RES_ERR_INDEX_IS_TOO_SMALL;
    if (i >= k.count) return ZRV_RES_ERR_INDEX_IS_TOO_LARGE;
    int32_t r = build_index_impl(c, clash);
    if (r != ZRV_RES_OK) return r;
    name = up_to_nul(name);
    const uint32_t h = name_hash(name);
    Slot& s = k.slots[i];
    if (!name.empty()) {
      // Test for a holder before the item leaves the index, so that a refused name leaves everything as it was.
      int32_t j = k.index.find(h, [&](int32_t t) { return same(k.slots[t], name, h); });
      if (j == i) return ZRV_RES_OK;
      if (j != HashIndex::NONE) {
        if (clash) *clash = NameClash{j, i};
        return ZRV_RES_ERR_DUP_NAME;
      }
    }
    const Slot before = s;
    if (before.named()) k.index.unlink(i, before.hash);
    try {
      store(s, name, h);
    } catch (...) {
      s = before;
      if (before.named()) k.index.push_front(i, before.hash);
      throw;
    }
    if (s.named()) k.index.push_front(i, s.hash);
    return ZRV_RES_OK;
  });
}

int32_t NameTable::put_unindexed(NameClass c, int32_t i, std::string_view name) {
  return guarded([&]() -> int32_t {
    Class& k = cls(c);
    if (i < 0) return ZRV_RES_ERR_INDEX_IS_TOO_SMALL;
    if (i >= k.count) return ZRV_RES_ERR_INDEX_IS_TOO_LARGE;
    name = up_to_nul(name);
    store(k.slots[i], name, name_hash(name));
    k.index.release();
    return ZRV_RES_OK;
  });
}

int32_t NameTable::copy_name(NameClass c, int32_t i, int64_t maxlen, char* out) const {
  const Class& k = cls(c);
  if (i < 0) return ZRV_RES_ERR_INDEX_IS_TOO_SMALL;
  if (i >= k.count) return ZRV_RES_ERR_INDEX_IS_TOO_LARGE;
  const Slot& s = k.slots[i];
  if (int64_t{s.len} + 1 > maxlen) return ZRV_RES_ERR_NAME_MAX_LEN;
  if (!out) return ZRV_RES_ERR_NULL_POINTER;
  std::memcpy(out, text(s), size_t{s.len} + 1);
  return ZRV_RES_OK;
}

std::string_view NameTable::name_or_generic(NameClass c, int32_t i, GenericStyle style, int32_t offset,
                                            GenericName& scratch) const {
  std::string_view n = name(c, i);
  if (!n.empty()) return n;
  scratch = generic_name(c, i, style, offset);
  return scratch.view();
}

// ---- index ----------------------------------------------------------------------------------------------------

int32_t NameTable::build_index_impl(NameClass c, NameClash* clash) {
  Class& k = cls(c);
  if (k.index.built()) return ZRV_RES_OK;
  HashIndex fresh(mem_);
  fresh.reset(static_cast<int32_t>(k.slots.size()));
  for (int32_t i = 0; i < k.count; ++i) {
    const Slot& s = k.slots[i];
    if (!s.named()) continue;
    std::string_view n{text(s), s.len};
    int32_t j = fresh.find(s.hash, [&](int32_t t) { return same(k.slots[t], n, s.hash); });
    if (j != HashIndex::NONE) {
      if (clash) *clash = NameClash{j, i};
      return duplicate_names_error(c);
    }
    fresh.push_front(i, s.hash);
  }
  k.index.swap(fresh);
  return ZRV_RES_OK;
}

int32_t NameTable::build_index(NameClass c, NameClash* clash) {
  return guarded([&] { return build_index_impl(c, clash); });
}

int32_t NameTable::lookup(NameClass c, std::string_view name, bool* found, int32_t* index, NameClash* clash) {
  return guarded([&]() -> int32_t {
    Class& k = cls(c);
    name = up_to_nul(name);
    if (name.empty()) return ZRV_RES_ERR_BLANK_NAME;
    int32_t r = build_index_impl(c, clash);
    if (r != ZRV_RES_OK) return r;
    const uint32_t h = name_hash(name);
    int32_t j = k.index.find(h, [&](int32_t t) { return same(k.slots[t], name, h); });
    if (found) *found = j != HashIndex::NONE;
    if (index) *index = j != HashIndex::NONE ? j : k.count;
    return ZRV_RES_OK;
  });
}

int32_t NameTable::find_duplicates(NameClass c, std::pmr::vector<NameClash>* out, int64_t max_pairs) const {
  return guarded([&]() -> int32_t {
    if (!out) return ZRV_RES_ERR_NULL_POINTER;
    const Class& k = cls(c);
    HashIndex seen(mem_);
    seen.reset(k.count);
    for (int32_t i = 0; i < k.count; ++i) {
      const Slot& s = k.slots[i];
      if (!s.named()) continue;
      std::string_view n{text(s), s.len};
      int32_t j = seen.find(s.hash, [&](int32_t t) { return same(k.slots[t], n, s.hash); });
      if (j == HashIndex::NONE) {
        seen.push_front(i, s.hash);
        continue;
      }
      out->push_back(NameClash{j, i});
      if (max_pairs > 0 && static_cast<int64_t>(out->size()) >= max_pairs) break;
    }
    return ZRV_RES_OK;
  });
}

// ---- objective and task names ----------------------------------------------------------------------------------

int32_t NameTable::put_objective_name(std::string_view name) {
  return guarded([&]() -> int32_t {
    name = up_to_nul(name);
    store(objective_, name, name_hash(name));
    return ZRV_RES_OK;
  });
}

int32_t NameTable::put_task_name(std::string_view name) {
  return guarded([&]() -> int32_t {
    name = up_to_nul(name);
    if (name.empty()) {
      std::pmr::string(mem_).swap(task_name_);
      return ZRV_RES_OK;
    }
    std::pmr::string fresh(name, mem_);
    task_name_.swap(fresh);
    return ZRV_RES_OK;
  });
}

int64_t NameTable::max_name_length() const {
  int64_t m = std::max<int64_t>(objective_.len, static_cast<int64_t>(task_name_.size()));
  for (const Class& k : classes_)
    for (int32_t i = 0; i < k.count; ++i) m = std::max<int64_t>(m, k.slots[i].len);
  return m;
}

InvalidName NameTable::analyze(NameRule rule) const {
  InvalidName bad;
  if (rule == NameRule::Gen) return bad;
  if (!name_is_valid(rule, objective_name(), false)) {
    bad.code = ZRV_RES_ERR_INVALID_OBJ_NAME;
    bad.name = objective_name();
    return bad;
  }
  struct Tested {
    NameClass c;
    int32_t code;
  };
  static constexpr Tested tested[] = {{NameClass::Con, ZRV_RES_ERR_INVALID_CON_NAME},
                                      {NameClass::Var, ZRV_RES_ERR_INVALID_VAR_NAME},
                                      {NameClass::Cone, ZRV_RES_ERR_INVALID_CONE_NAME}};
  for (const Tested& t : tested) {
    if (rule == NameRule::Lp && t.c == NameClass::Cone) break;
    const Class& k = cls(t.c);
    for (int32_t i = 0; i < k.count; ++i) {
      std::string_view n = name(t.c, i);
      if (!name_is_valid(rule, n, true)) {
        bad.code = t.code;
        bad.cls = static_cast<int32_t>(t.c);
        bad.index = i;
        bad.name = n;
        return bad;
      }
    }
  }
  return bad;
}

}  // namespace zrv
