// Memory manager: the allocator of everything an environment or a task owns. It allocates through the caller's
// allocator functions (with the caller's handle) or the C runtime, and in bookkeeping mode records every block
// (sequence number, size, source file and line), surrounds it with guard zones, keeps usage counters and can report
// damaged guards and leaks. It is also a std::pmr::memory_resource, so pmr containers allocate through it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory_resource>
#include <mutex>
#include <unordered_set>

namespace zrv {

struct Allocators {
  void* handle = nullptr;
  void* (*malloc_fn)(void*, size_t) = nullptr;
  void* (*calloc_fn)(void*, size_t, size_t) = nullptr;
  void* (*realloc_fn)(void*, void*, size_t) = nullptr;
  void (*free_fn)(void*, void*) = nullptr;
  // All four given: the caller's functions are used; otherwise the C runtime's for all four.
  bool user() const { return malloc_fn && calloc_fn && realloc_fn && free_fn; }
};

using MemMessageFunc = void (*)(void* handle, const char* text);

class MemMan final : public std::pmr::memory_resource {
 public:
  static constexpr size_t GUARD = 32;

  // Creates a manager (its own record comes from the allocator functions). Null when out of memory.
  static MemMan* create(const Allocators& a, bool bookkeeping, const char* name);
  // Runs the leak check (bookkeeping mode), frees the manager. Returns true when blocks were left allocated.
  static bool destroy(MemMan* m);

  void* alloc(size_t n, const char* file, int line);
  void* calloc(size_t num, size_t size, const char* file, int line);
  void* realloc(void* p, size_t n, const char* file, int line);
  void free(void* p, const char* file, int line);
  char* strdup(const char* s, const char* file, int line);

  bool bookkeeping() const { return bookkeeping_; }
  const Allocators& allocators() const { return alloc_; }
  int64_t bytes_in_use() const { return in_use_; }
  int64_t max_bytes_in_use() const { return max_use_; }
  int64_t blocks_in_use() const { return nblocks_; }

  // Verifies both guard zones of every live block; prints the scan lines. Returns the number of damaged zones.
  int64_t check(const char* file, int line);

  // Echo of the bookkeeping to a file ("File opened"/"Header"/"File closed" lines). False when it cannot be opened.
  bool open_echo(const char* filename, const char* title);
  void close_echo();
  // Writes a line to the echo file when one is open.
  void echo_only(const char* text);
  // Where the manager's messages go besides the echo file.
  void set_message_func(MemMessageFunc f, void* handle) {
    msg_func_ = f;
    msg_handle_ = handle;
  }

 protected:
  void* do_allocate(size_t bytes, size_t alignment) override;
  void do_deallocate(void* p, size_t bytes, size_t alignment) override;
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

 private:
  struct Block;
  // Memory of the manager's own index, taken from the allocator functions without bookkeeping.
  class RawResource final : public std::pmr::memory_resource {
   public:
    explicit RawResource(MemMan* m) : m_(m) {}
   private:
    void* do_allocate(size_t bytes, size_t) override;
    void do_deallocate(void* p, size_t, size_t) override { m_->raw_free(p); }
    bool do_is_equal(const std::pmr::memory_resource& o) const noexcept override { return this == &o; }
    MemMan* m_;
  };
  MemMan(const Allocators& a, bool bookkeeping, const char* name);
  ~MemMan() override = default;

  void* raw_malloc(size_t n);
  void* raw_realloc(void* p, size_t n);
  void raw_free(void* p);
  void message(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // One allocation event of the echo: "<what>(<name>)<gap>#seq at address of size bytes (units) in file ...".
  void event(const char* what, const char* gap, uint64_t seq, const void* user, size_t n, const char* file, int line,
             const char* end);
  Block* find(void* user);
  bool link(Block* b);
  void unlink(Block* b);
  bool check_block(const Block* b);

  Allocators alloc_;
  bool bookkeeping_;
  char name_[64];
  std::mutex mutex_;        // bookkeeping state may be touched by several threads (environment manager)
  Block* head_ = nullptr;   // live blocks, newest first
  RawResource raw_{this};
  std::pmr::unordered_set<const void*> live_{&raw_};  // user addresses of the live blocks
  uint64_t next_seq_ = 0;
  int64_t in_use_ = 0, max_use_ = 0, nblocks_ = 0;
  FILE* echo_ = nullptr;
  char echo_name_[1100] = {0};
  MemMessageFunc msg_func_ = nullptr;
  void* msg_handle_ = nullptr;
};

// Size texts of the manager's messages: "a:b:c:d" (the size in units of 1024) and "decimal (a:b:c:d)".
void memman_size_units(size_t n, char* out, size_t cap);
void memman_size_text(size_t n, char* out, size_t cap);

}  // namespace zrv
