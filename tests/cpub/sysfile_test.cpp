#include "cpub/sysfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory_resource>
#include <string>
#include <vector>

#include "test_files.h"
#include "zirva.h"

using namespace zrv;
using zrv_test::slurp;
using zrv_test::spit;
using zrv_test::TempDir;

namespace {

// Counts live blocks and bytes, and can be told to refuse allocations after a number of successes.
class CountingResource : public std::pmr::memory_resource {
 public:
  long live = 0;
  long fail_after = -1;  // -1: never fail
 private:
  void* do_allocate(size_t n, size_t a) override {
    if (fail_after == 0) throw std::bad_alloc();
    if (fail_after > 0) --fail_after;
    ++live;
    return std::pmr::new_delete_resource()->allocate(n, a);
  }
  void do_deallocate(void* p, size_t n, size_t a) override {
    --live;
    std::pmr::new_delete_resource()->deallocate(p, n, a);
  }
  bool do_is_equal(const memory_resource& o) const noexcept override { return this == &o; }
};

SysFile* open_write(std::pmr::memory_resource* mem, const std::string& path, bool gzip, bool append = false) {
  SysFile* f = nullptr;
  int32_t st = 0;
  sysfile_open(mem, path.c_str(), false, true, append, gzip, 6, &f, &st);
  EXPECT_EQ(st, 0) << path;
  return f;
}

SysFile* open_read(std::pmr::memory_resource* mem, const std::string& path, bool gzip) {
  SysFile* f = nullptr;
  int32_t st = 0;
  sysfile_open(mem, path.c_str(), true, false, false, gzip, -1, &f, &st);
  EXPECT_EQ(st, 0) << path;
  return f;
}

// Reads every line; returns the final status in *st.
std::vector<std::string> read_lines(std::pmr::memory_resource* mem, SysFile* f, int32_t* st) {
  std::vector<std::string> out;
  char* line = nullptr;
  size_t cap = 0, len = 0;
  for (;;) {
    sysfile_readline(f, &line, &cap, &len, st);
    if (*st != 0) break;
    EXPECT_EQ(line[len], '\0');
    out.emplace_back(line, len);
  }
  sysfile_line_free(mem, &line, &cap);
  return out;
}

// Lines whose lengths straddle the buffer size in many ways.
std::vector<std::string> sample_lines() {
  std::vector<std::string> v;
  uint32_t seed = 12345;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    size_t len = (seed >> 8) % 50;
    std::string s;
    for (size_t k = 0; k < len; ++k) s += static_cast<char>('a' + (k + i) % 26);
    v.push_back(s);
  }
  v.push_back("");
  v.push_back("carriage\r");
  for (size_t len : {SYSFILE_BUFFER_SIZE - 1, SYSFILE_BUFFER_SIZE, SYSFILE_BUFFER_SIZE + 1, 5 * SYSFILE_BUFFER_SIZE + 7})
    v.push_back(std::string(len, 'x'));
  v.push_back("tail");
  return v;
}

class SysFileRoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(SysFileRoundTrip, LinesSurviveBufferBoundariesAndAppend) {
  bool gzip = GetParam();
  TempDir dir;
  CountingResource mem;
  std::string path = dir.file(gzip ? "lines.txt.gz" : "lines.txt");
  std::vector<std::string> lines = sample_lines();
  std::string expect;
  for (const std::string& l : lines) expect += l + "\n";
  expect.pop_back();  // the last line has no line feed

  SysFile* f = open_write(&mem, path, gzip);
  ASSERT_NE(f, nullptr);
  int32_t st = 0;
  for (size_t pos = 0, k = 1; pos < expect.size(); pos += k, k = k * 3 % 40000 + 1) {  // small and huge pieces
    if (k > expect.size() - pos) k = expect.size() - pos;
    if (k % 2) sysfile_write(f, expect.data() + pos, k, &st);
    else sysfile_puts(f, expect.substr(pos, k).c_str(), &st);
  }
  EXPECT_EQ(sysfile_close(&f, &st), 0);
  EXPECT_EQ(st, 0);
  std::string raw = slurp(path);
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(raw[0] == '\x1f' && raw[1] == '\x8b', gzip);

  f = open_read(&mem, path, gzip);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(read_lines(&mem, f, &st), lines);
  EXPECT_EQ(st, SYSFILE_EOF);

  // Rewind and read the same bytes again in odd-sized blocks.
  sysfile_rewind(f, &(st = 0));
  ASSERT_EQ(st, 0);
  std::string all;
  std::vector<char> block(7001);
  while (st == 0) {
    size_t got = 0;
    sysfile_read(f, block.data(), block.size(), &got, &st);
    all.append(block.data(), got);
  }
  EXPECT_EQ(st, SYSFILE_EOF);
  EXPECT_EQ(all, expect);
  sysfile_close(&f, nullptr);

  // Appending continues the last line.
  f = open_write(&mem, path, gzip, true);
  sysfile_puts(f, "+more\n", &(st = 0));
  sysfile_close(&f, &st);
  f = open_read(&mem, path, gzip);
  std::vector<std::string> back = read_lines(&mem, f, &(st = 0));
  sysfile_close(&f, nullptr);
  ASSERT_EQ(back.size(), lines.size());
  EXPECT_EQ(back.back(), lines.back() + "+more");
  EXPECT_EQ(mem.live, 0);
}

INSTANTIATE_TEST_SUITE_P(PlainAndGzip, SysFileRoundTrip, ::testing::Values(false, true));

// Incompressible bytes, so that the compressed file is long enough to cut in many places.
std::string noise(size_t n) {
  std::string s(n, '\0');
  uint64_t x = 88172645463325252ull;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    s[i] = static_cast<char>(x);
  }
  return s;
}

TEST(SysFile, DamagedGzipGivesReadStatus) {
  TempDir dir;
  CountingResource mem;
  std::string path = dir.file("d.gz");
  std::string data = noise(100000);
  SysFile* f = open_write(&mem, path, true);
  int32_t st = 0;
  sysfile_write(f, data.data(), data.size(), &st);
  sysfile_close(&f, &st);
  ASSERT_EQ(st, 0);
  std::string whole = slurp(path);

  std::string flipped = whole;
  flipped[whole.size() / 2] ^= 0x55;
  std::string bad_crc = whole;
  bad_crc[whole.size() - 6] ^= 0x01;
  for (const std::string& bytes : {whole.substr(0, whole.size() / 2), whole.substr(0, whole.size() - 4),
                                   whole.substr(0, 10), flipped, bad_crc}) {
    spit(path, bytes);
    SCOPED_TRACE(bytes.size());
    // Byte reads.
    f = open_read(&mem, path, true);
    ASSERT_NE(f, nullptr);
    std::vector<char> block(4096);
    size_t total = 0;
    for (int guard = 0; guard < 1000 && st == 0; ++guard) {
      size_t got = 0;
      sysfile_read(f, block.data(), block.size(), &got, &st);
      total += got;
    }
    EXPECT_EQ(st, SYSFILE_READ);
    EXPECT_LE(total, data.size());
    EXPECT_EQ(sysfile_rescode(st), ZRV_RES_ERR_FILE_READ);
    sysfile_close(&f, nullptr);
    // Line reads end the same way.
    f = open_read(&mem, path, true);
    st = 0;
    read_lines(&mem, f, &st);
    EXPECT_EQ(st, SYSFILE_READ);
    sysfile_close(&f, nullptr);
  }
  EXPECT_EQ(mem.live, 0);
}

TEST(SysFile, StatusIsStickyAndMapsToResponseCodes) {
  TempDir dir;
  std::pmr::memory_resource* mem = std::pmr::new_delete_resource();
  SysFile* f = reinterpret_cast<SysFile*>(&dir);  // must be overwritten
  int32_t st = 0;
  sysfile_open(mem, dir.file("no/such/dir/x").c_str(), true, false, false, false, -1, &f, &st);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(st, SYSFILE_OPEN);
  EXPECT_EQ(sysfile_rescode(st), ZRV_RES_ERR_FILE_OPEN);

  // With a status already set, nothing happens: not even the open.
  sysfile_open(mem, dir.file("made.txt").c_str(), false, true, false, false, -1, &f, &st);
  EXPECT_EQ(f, nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir.file("made.txt")));

  // A good file stays untouched by calls that carry an old failure.
  f = open_write(mem, dir.file("w.txt"), false);
  sysfile_puts(f, "kept\n", &(st = 0));
  int32_t old = SYSFILE_EOF;
  sysfile_puts(f, "dropped\n", &old);
  EXPECT_EQ(old, SYSFILE_EOF);
  // Reading a file opened for writing is an internal error, and it sticks.
  char c;
  size_t got;
  sysfile_read(f, &c, 1, &got, &st);
  EXPECT_EQ(st, SYSFILE_MODE);
  EXPECT_EQ(sysfile_rescode(st), ZRV_RES_ERR_INTERNAL);
  sysfile_puts(f, "also dropped\n", &st);
  EXPECT_EQ(st, SYSFILE_MODE);
  // Closing still saves what was accepted, and does not overwrite the first status.
  EXPECT_EQ(sysfile_close(&f, &st), 0);
  EXPECT_EQ(st, SYSFILE_MODE);
  EXPECT_EQ(slurp(dir.file("w.txt")), "kept\n");

  // Names: null, empty, not UTF-8.
  const char* bad[] = {nullptr, "", "bad\xff.txt", "bad\xC3(.txt", "\xED\xA0\x80.txt"};
  for (const char* n : bad) {
    st = 0;
    sysfile_open(mem, n, false, true, false, false, -1, &f, &st);
    EXPECT_EQ(st, SYSFILE_BAD_NAME);
    EXPECT_EQ(f, nullptr);
  }
  EXPECT_EQ(sysfile_rescode(SYSFILE_BAD_NAME), ZRV_RES_ERR_INVALID_FILE_NAME);
  st = 0;
  sysfile_open(mem, dir.file("\xC3\xA9t\xC3\xA9.txt").c_str(), false, true, false, false, -1, &f, &st);
  EXPECT_EQ(st, 0);
  sysfile_close(&f, nullptr);


  // Failures of the device: a full disk shows when the buffer is passed on, or at the latest at close.
  if (std::filesystem::exists("/dev/full")) {
    f = open_write(mem, "/dev/full", false);
    ASSERT_NE(f, nullptr);
    std::string block(SYSFILE_BUFFER_SIZE * 2, 'z');
    sysfile_write(f, block.data(), block.size(), &(st = 0));
    EXPECT_EQ(st, SYSFILE_WRITE);
    sysfile_close(&f, nullptr);
    f = open_write(mem, "/dev/full", false);
    sysfile_puts(f, "small", &(st = 0));
    EXPECT_EQ(st, 0);
    EXPECT_EQ(sysfile_close(&f, &st), SYSFILE_WRITE);  // the failure shows at close
    EXPECT_EQ(st, SYSFILE_WRITE);
  }
  SysFile* g = open_write(mem, dir.file("r.gz"), true);
  sysfile_rewind(g, &(st = 0));
  EXPECT_EQ(st, SYSFILE_REWIND);
  sysfile_close(&g, nullptr);
}

TEST(SysFile, MemoryComesFromTheOwnerAndFailureIsReported) {
  TempDir dir;
  CountingResource mem;
  for (long n : {0L, 1L}) {  // fail on the record, then on the buffer
    mem.fail_after = n;
    SysFile* f = nullptr;
    int32_t st = 0;
    sysfile_open(&mem, dir.file("m.txt").c_str(), false, true, false, false, -1, &f, &st);
    EXPECT_EQ(st, SYSFILE_SPACE);
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(mem.live, 0);
  }
  mem.fail_after = -1;
  spit(dir.file("long.txt"), std::string(1000, 'q') + "\n");
  SysFile* f = open_read(&mem, dir.file("long.txt"), false);
  EXPECT_EQ(mem.live, 2);  // record and buffer
  mem.fail_after = 0;      // the line block cannot grow
  char* line = nullptr;
  size_t cap = 0, len = 0;
  int32_t st = 0;
  sysfile_readline(f, &line, &cap, &len, &st);
  EXPECT_EQ(st, SYSFILE_SPACE);
  mem.fail_after = -1;
  sysfile_line_free(&mem, &line, &cap);
  sysfile_close(&f, nullptr);
  EXPECT_EQ(mem.live, 0);
}

}  // namespace
