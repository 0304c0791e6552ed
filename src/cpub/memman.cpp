#include "cpub/memman.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

namespace zrv {

// Block layout in bookkeeping mode: [Block record][guard 32][user bytes][guard 32]. The record is 64 bytes so
// the user block keeps the 16-byte alignment of the underlying allocator.
struct MemMan::Block {
  Block* prev;
  Block* next;
  uint64_t seq;
  size_t size;
  const char* file;
  int32_t line;
  int32_t pad_;
  uint64_t reserved_[2];
};

namespace {

constexpr size_t HEAD = 64;
constexpr size_t GUARD = MemMan::GUARD;

inline unsigned char guard_byte(size_t k) { return static_cast<unsigned char>(32 + k); }

void fill_guards(unsigned char* user, size_t n) {
  for (size_t k = 0; k < GUARD; ++k) {
    user[-static_cast<ptrdiff_t>(GUARD) + static_cast<ptrdiff_t>(k)] = guard_byte(k);
    user[n + k] = guard_byte(k);
  }
}

const char* safe(const char* s) { return s ? s : "(NULL)"; }

}  // namespace

void memman_size_units(size_t n, char* out, size_t cap) {
  std::snprintf(out, cap, "%zu:%zu:%zu:%zu", static_cast<size_t>(static_cast<uint64_t>(n) >> 30), (n >> 20) & 1023u,
                (n >> 10) & 1023u, n & 1023u);
}

void memman_size_text(size_t n, char* out, size_t cap) {
  char units[64];
  memman_size_units(n, units, sizeof units);
  std::snprintf(out, cap, "%zu (%s)", n, units);
}

MemMan::MemMan(const Allocators& a, bool bookkeeping, const char* name) : alloc_(a), bookkeeping_(bookkeeping) {
  if (!alloc_.user()) alloc_ = Allocators{};
  std::snprintf(name_, sizeof name_, "%s", name ? name : "");
}

MemMan* MemMan::create(const Allocators& a, bool bookkeeping, const char* name) {
  void* p = a.user() ? a.malloc_fn(a.handle, sizeof(MemMan)) : std::malloc(sizeof(MemMan));
  if (!p) return nullptr;
  return new (p) MemMan(a, bookkeeping, name);
}

bool MemMan::destroy(MemMan* m) {
  if (!m) return false;
  bool leaking = false;
  if (m->bookkeeping_) {
    m->message("Deleting mem manager. Scanning memory\n");
    m->check(nullptr, 0);
    m->message("Checking leaks\n");
    if (m->head_) {
      leaking = true;
      m->message("**** ALLOCATED  BLOCKS LEFT\n");
      for (Block* b = m->head_; b; b = b->next)
        m->message("#%-llu at %p is allocated\n", static_cast<unsigned long long>(b->seq),
                   static_cast<void*>(reinterpret_cast<unsigned char*>(b) + HEAD + GUARD));
    }
    m->message("Done checking leaks\n");
    // Leaked blocks are released so that the process does not lose them.
    while (m->head_) {
      Block* b = m->head_;
      m->head_ = b->next;
      m->raw_free(b);
    }
  }
  m->close_echo();
  Allocators a = m->alloc_;
  m->~MemMan();
  if (a.user())
    a.free_fn(a.handle, m);
  else
    std::free(m);
  return leaking;
}

void* MemMan::raw_malloc(size_t n) { return alloc_.user() ? alloc_.malloc_fn(alloc_.handle, n) : std::malloc(n); }
void* MemMan::raw_realloc(void* p, size_t n) {
  return alloc_.user() ? alloc_.realloc_fn(alloc_.handle, p, n) : std::realloc(p, n);
}
void MemMan::raw_free(void* p) {
  if (alloc_.user())
    alloc_.free_fn(alloc_.handle, p);
  else
    std::free(p);
}

void MemMan::message(const char* fmt, ...) {
  char buf[2048];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (echo_) {
    std::fputs(buf, echo_);
    std::fflush(echo_);
  }
  if (msg_func_) msg_func_(msg_handle_, buf);
}

void MemMan::event(const char* what, const char* gap, uint64_t seq, const void* user, size_t n, const char* file,
                   int line, const char* end) {
  if (!echo_ && !msg_func_) return;
  char bytes[32], units[64];
  std::snprintf(bytes, sizeof bytes, "%zu", n);
  memman_size_units(n, units, sizeof units);
  message("%s(%s)%s#%-6llu at %-10p of size %-s (%-s) in file '%s(%d)'%s", what, name_, gap,
          static_cast<unsigned long long>(seq), user, bytes, units, safe(file), line, end);
}

void MemMan::echo_only(const char* text) {
  if (echo_) {
    std::fputs(text, echo_);
    std::fflush(echo_);
  }
}

bool MemMan::open_echo(const char* filename, const char* title) {
  close_echo();
  if (!filename || !*filename) return false;
  echo_ = std::fopen(filename, "w");
  if (!echo_) return false;
  std::snprintf(echo_name_, sizeof echo_name_, "%s", filename);
  std::fprintf(echo_, "\nFile opened: %s\n", filename);
  std::fprintf(echo_, "Header: %s\n", title ? title : "");
  std::fflush(echo_);
  return true;
}

void MemMan::close_echo() {
  if (!echo_) return;
  std::fprintf(echo_, "\nFile closed: %s\n", echo_name_);
  std::fclose(echo_);
  echo_ = nullptr;
}

void* MemMan::RawResource::do_allocate(size_t bytes, size_t) {
  void* p = m_->raw_malloc(bytes ? bytes : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

bool MemMan::link(Block* b) {
  static_assert(sizeof(void*) != 8 || sizeof(Block) == HEAD, "block record must keep 16-byte alignment");
  try {
    live_.insert(reinterpret_cast<unsigned char*>(b) + HEAD + GUARD);
  } catch (...) {
    return false;
  }
  b->prev = nullptr;
  b->next = head_;
  if (head_) head_->prev = b;
  head_ = b;
  ++nblocks_;
  in_use_ += static_cast<int64_t>(b->size);
  if (in_use_ > max_use_) max_use_ = in_use_;
  return true;
}

void MemMan::unlink(Block* b) {
  live_.erase(reinterpret_cast<unsigned char*>(b) + HEAD + GUARD);
  if (b->prev)
    b->prev->next = b->next;
  else
    head_ = b->next;
  if (b->next) b->next->prev = b->prev;
  --nblocks_;
  in_use_ -= static_cast<int64_t>(b->size);
}

MemMan::Block* MemMan::find(void* user) {
  // The index is consulted before the pointer is trusted, so a foreign or freed block is refused safely.
  if (!live_.count(user)) return nullptr;
  return reinterpret_cast<Block*>(static_cast<unsigned char*>(user) - HEAD - GUARD);
}

void* MemMan::alloc(size_t n, const char* file, int line) {
  if (!bookkeeping_) {
    void* p = raw_malloc(n ? n : 1);
    if (!p) message("Out of space while trying to allocate a block of size %llu in file '%s(%d)'\n",
                    static_cast<unsigned long long>(n), safe(file), line);
    return p;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (n == 0) message("Allocted (%s)   a zero block in file '%s(%d)'.\n", name_, safe(file), line);
  if (n > SIZE_MAX - HEAD - 2 * GUARD) {
    message("Out of space while trying to allocate a block of size %llu in file '%s(%d)'\n",
            static_cast<unsigned long long>(n), safe(file), line);
    return nullptr;
  }
  auto* raw = static_cast<unsigned char*>(raw_malloc(HEAD + 2 * GUARD + n));
  if (!raw) {
    message("Out of space while trying to allocate a block of size %llu in file '%s(%d)'\n",
            static_cast<unsigned long long>(n), safe(file), line);
    return nullptr;
  }
  auto* b = reinterpret_cast<Block*>(raw);
  b->seq = next_seq_++;
  b->size = n;
  b->file = file;
  b->line = line;
  unsigned char* user = raw + HEAD + GUARD;
  fill_guards(user, n);
  if (!link(b)) {
    raw_free(raw);
    message("Out of space while trying to allocate a block of size %llu in file '%s(%d)'\n",
            static_cast<unsigned long long>(n), safe(file), line);
    return nullptr;
  }
  event("Allocated", "   ", b->seq, user, n, file, line, ".\n");
  return user;
}

void* MemMan::calloc(size_t num, size_t size, const char* file, int line) {
  if (size != 0 && num > SIZE_MAX / size) {
    message("Out of space while trying to allocate a block of size %llu in file '%s(%d)'\n",
            static_cast<unsigned long long>(SIZE_MAX), safe(file), line);
    return nullptr;
  }
  size_t n = num * size;
  void* p = alloc(n, file, line);
  if (p && n) std::memset(p, 0, n);
  return p;
}

void* MemMan::realloc(void* p, size_t n, const char* file, int line) {
  if (!p) return alloc(n, file, line);
  if (!bookkeeping_) {
    void* q = raw_realloc(p, n ? n : 1);
    if (!q) message("Out of space while trying to reallocate a block of size %llu in file '%s(%d)'\n",
                    static_cast<unsigned long long>(n), safe(file), line);
    return q;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  Block* b = find(p);
  if (!b) {
    message("Block at adr. %p is not allocated.\n", p);
    return nullptr;
  }
  if (n > SIZE_MAX - HEAD - 2 * GUARD) {
    message("Out of space while trying to reallocate a block of size %llu in file '%s(%d)'\n",
            static_cast<unsigned long long>(n), safe(file), line);
    return nullptr;
  }
  unlink(b);
  auto* raw = static_cast<unsigned char*>(raw_realloc(b, HEAD + 2 * GUARD + n));
  if (!raw) {
    link(b);  // the old block stays valid and its index entry was just released, so this cannot fail
    message("Out of space while trying to reallocate a block of size %llu in file '%s(%d)'\n",
            static_cast<unsigned long long>(n), safe(file), line);
    return nullptr;
  }
  b = reinterpret_cast<Block*>(raw);
  b->size = n;
  b->file = file;
  b->line = line;
  unsigned char* user = raw + HEAD + GUARD;
  fill_guards(user, n);
  if (!link(b)) {  // cannot keep track of the block: give it back rather than lose it
    raw_free(raw);
    message("Out of space while trying to reallocate a block of size %llu in file '%s(%d)'\n",
            static_cast<unsigned long long>(n), safe(file), line);
    return nullptr;
  }
  event("Rellocated", "   ", b->seq, user, n, file, line, ".\n");
  return user;
}

void MemMan::free(void* p, const char* file, int line) {
  if (!p) return;
  if (!bookkeeping_) {
    raw_free(p);
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  Block* b = find(p);
  if (!b) {
    message("Block %p cannot be deallocated because it is not in the allocation list.\n", p);
    return;
  }
  event("Deallocated", " ", b->seq, p, b->size, file, line, "\n");
  unlink(b);
  raw_free(b);
}

char* MemMan::strdup(const char* s, const char* file, int line) {
  if (!s) return nullptr;
  size_t n = std::strlen(s);
  auto* p = static_cast<char*>(alloc(n + 1, file, line));
  if (p) std::memcpy(p, s, n + 1);
  return p;
}

bool MemMan::check_block(const Block* b) {
  const unsigned char* user = reinterpret_cast<const unsigned char*>(b) + HEAD + GUARD;
  bool ok = true;
  for (size_t k = 0; k < GUARD; ++k) {
    unsigned char got = user[-static_cast<ptrdiff_t>(GUARD) + static_cast<ptrdiff_t>(k)];
    if (got != guard_byte(k)) {
      message("*** Block begin guard violation. #%llu at %p. pos: %u expected: %u got %u\n",
              static_cast<unsigned long long>(b->seq), static_cast<const void*>(user), static_cast<unsigned>(k),
              static_cast<unsigned>(guard_byte(k)), static_cast<unsigned>(got));
      ok = false;
      break;
    }
  }
  for (size_t k = 0; k < GUARD; ++k) {
    unsigned char got = user[b->size + k];
    if (got != guard_byte(k)) {
      message("*** Block end guard violation. #%llu at %p. pos: %u expected: %u got %u\n",
              static_cast<unsigned long long>(b->seq), static_cast<const void*>(user), static_cast<unsigned>(k),
              static_cast<unsigned>(guard_byte(k)), static_cast<unsigned>(got));
      ok = false;
      break;
    }
  }
  return ok;
}

int64_t MemMan::check(const char* file, int line) {
  if (!bookkeeping_) return 0;
  std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
  if (file) lock.lock();  // destroy() calls without a file and already owns the manager alone
  message("Scanning memory at '%s'(%d)\n", safe(file), line);
  int64_t bad = 0;
  int64_t count = 0;
  for (Block* b = head_; b; b = b->next) {
    ++count;
    if (b->next && b->next->prev != b) {
      message("*** Block list damaged after #%llu\n", static_cast<unsigned long long>(b->seq));
      ++bad;
      break;
    }
    if (!check_block(b)) ++bad;
  }
  char s1[96], s2[96], s3[96];
  std::snprintf(s1, sizeof s1, "%lld", static_cast<long long>(count));
  memman_size_text(static_cast<size_t>(in_use_), s2, sizeof s2);
  memman_size_text(static_cast<size_t>(max_use_), s3, sizeof s3);
  message("Space usage. Number of blocks: %s  Current usage: %s Maximum usage: %s\n", s1, s2, s3);
  return bad;
}

// pmr interface: alignments up to 16 come straight from the manager; larger ones are over-allocated and the
// offset is kept in front of the aligned address.
void* MemMan::do_allocate(size_t bytes, size_t alignment) {
  if (alignment <= 16) {
    void* p = alloc(bytes, "pmr", 0);
    if (!p) throw std::bad_alloc();
    return p;
  }
  size_t extra = alignment + sizeof(void*);
  if (bytes > SIZE_MAX - extra) throw std::bad_alloc();
  auto* base = static_cast<unsigned char*>(alloc(bytes + extra, "pmr", 0));
  if (!base) throw std::bad_alloc();
  uintptr_t a = reinterpret_cast<uintptr_t>(base + sizeof(void*));
  a = (a + alignment - 1) & ~(static_cast<uintptr_t>(alignment) - 1);
  reinterpret_cast<void**>(a)[-1] = base;
  return reinterpret_cast<void*>(a);
}

void MemMan::do_deallocate(void* p, size_t bytes, size_t alignment) {
  if (alignment <= 16)
    free(p, "pmr", 0);
  else
    free(reinterpret_cast<void**>(p)[-1], "pmr", 0);
}

}  // namespace zrv
