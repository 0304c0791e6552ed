// The hash of names and a chained hash index over item numbers.
//
// The index stores no keys: it links item numbers 0 .. capacity-1 into bucket chains, and the owner compares
// the keys (names kept in its own storage) while walking a chain. This keeps the index small (one 32-bit head
// per bucket and one 32-bit link per item) and lets the owner cache each item's hash next to its name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

namespace zrv {

// Hash of a byte string, all arithmetic on unsigned 32-bit integers. Every byte is read as a signed char and
// widened, so bytes >= 128 contribute negative values:
//   h = 0; per byte b: h = (h + b) * 17; h ^= h >> 6;   then h *= 9; h ^= h >> 11; h *= 32769.
// The hash of "a" is 483899823.
uint32_t name_hash(const char* s, size_t n) noexcept;
inline uint32_t name_hash(std::string_view s) noexcept { return name_hash(s.data(), s.size()); }

// Number of buckets for an index over `capacity` item slots: the smallest power of two, at least 2, that is
// >= 4 * capacity.
uint64_t hash_bucket_count(int64_t capacity) noexcept;

class HashIndex {
 public:
  static constexpr int32_t NONE = -1;

  explicit HashIndex(std::pmr::memory_resource* mem) : heads_(mem), links_(mem) {}

  // Makes an empty index for items 0 .. capacity-1 (capacity >= 0). Throws std::bad_alloc; the index is then
  // left as it was.
  void reset(int32_t capacity);
  // Frees the index; built() is false afterwards.
  void release() noexcept;
  bool built() const noexcept { return !heads_.empty(); }
  int32_t capacity() const noexcept { return static_cast<int32_t>(links_.size()); }
  size_t bucket_count() const noexcept { return heads_.size(); }

  // Puts `item` at the front of the chain of `hash`. The item must not be in the index.
  void push_front(int32_t item, uint32_t hash) noexcept {
    uint32_t b = hash & mask_;
    links_[item] = heads_[b];
    heads_[b] = item;
  }
  // Takes `item` out of the chain of `hash`; false when it is not in that chain.
  bool unlink(int32_t item, uint32_t hash) noexcept;

  int32_t first(uint32_t hash) const noexcept { return heads_[hash & mask_]; }
  int32_t next(int32_t item) const noexcept { return links_[item]; }

  // First item of the chain of `hash` for which eq(item) holds, or NONE.
  template <class Eq>
  int32_t find(uint32_t hash, Eq&& eq) const {
    if (heads_.empty()) return NONE;
    for (int32_t k = heads_[hash & mask_]; k != NONE; k = links_[k])
      if (eq(k)) return k;
    return NONE;
  }

  void swap(HashIndex& o) noexcept {
    heads_.swap(o.heads_);
    links_.swap(o.links_);
    std::swap(mask_, o.mask_);
  }

 private:
  std::pmr::vector<int32_t> heads_;
  std::pmr::vector<int32_t> links_;
  uint32_t mask_ = 0;
};

}  // namespace zrv
