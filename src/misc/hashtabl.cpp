#include "misc/hashtabl.h"

#include <algorithm>
#include <new>

namespace zrv {

uint32_t name_hash(const char* s, size_t n) noexcept {
  uint32_t h = 0;
  for (size_t k = 0; k < n; ++k) {
    h = (h + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(s[k])))) * 17u;
    h ^= h >> 6;
  }
  h *= 9u;
  h ^= h >> 11;
  h *= 32769u;
  return h;
}

uint64_t hash_bucket_count(int64_t capacity) noexcept {
  uint64_t want = capacity > 0 ? 4u * static_cast<uint64_t>(capacity) : 0u;
  uint64_t n = 2;
  while (n < want) n <<= 1;
  return n;
}

void HashIndex::reset(int32_t capacity) {
  uint64_t nb = hash_bucket_count(capacity < 0 ? 0 : capacity);
  // Bucket numbers come from a 32-bit hash, so buckets beyond 2^32 would never be used.
  nb = std::min<uint64_t>(nb, uint64_t{1} << 32);
  std::pmr::vector<int32_t> heads(heads_.get_allocator());
  std::pmr::vector<int32_t> links(links_.get_allocator());
  heads.assign(static_cast<size_t>(nb), NONE);
  links.assign(static_cast<size_t>(std::max(capacity, 0)), NONE);
  heads_.swap(heads);
  links_.swap(links);
  mask_ = static_cast<uint32_t>(nb - 1);
}

void HashIndex::release() noexcept {
  std::pmr::vector<int32_t>(heads_.get_allocator()).swap(heads_);
  std::pmr::vector<int32_t>(links_.get_allocator()).swap(links_);
  mask_ = 0;
}

bool HashIndex::unlink(int32_t item, uint32_t hash) noexcept {
  if (heads_.empty() || item < 0 || item >= capacity()) return false;
  int32_t* at = &heads_[hash & mask_];
  while (*at != NONE) {
    if (*at == item) {
      *at = links_[item];
      links_[item] = NONE;
      return true;
    }
    at = &links_[*at];
  }
  return false;
}

}  // namespace zrv
