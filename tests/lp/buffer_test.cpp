// Reading parser buffer: blocks filled on demand from a source that hands out little at a time, look-ahead and
// saved positions across block boundaries, line and column counts, and a failing source.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory_resource>
#include <string>

#include "cpub/ioutils.h"

namespace {

struct Source {
  std::string data;
  size_t pos = 0;
  size_t step = 7;        // bytes per call at most
  size_t fail_at = ~size_t{0};
  int32_t fail_status = 3;
  int calls = 0;
  static size_t read(void* h, char* buf, size_t cap, int32_t* status) {
    auto* s = static_cast<Source*>(h);
    ++s->calls;
    if (s->pos >= s->fail_at) {
      *status = s->fail_status;
      return 0;
    }
    size_t n = std::min({cap, s->step, s->data.size() - s->pos, s->fail_at - s->pos});
    std::copy(s->data.begin() + static_cast<std::ptrdiff_t>(s->pos),
              s->data.begin() + static_cast<std::ptrdiff_t>(s->pos + n), buf);
    s->pos += n;
    return n;
  }
};

std::string sample(size_t n) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = i % 61 == 60 ? '\n' : static_cast<char>('a' + i % 26);
  return s;
}

}  // namespace

TEST(FileBuffer, WalksBlocksWithLookAheadAndSavedPositions) {
  Source src;
  src.data = sample(3 * zrv::FileBuffer::BLOCK_SIZE + 123);
  zrv::FileBuffer fb(std::pmr::new_delete_resource(), Source::read, &src);
  zrv::FileBufferCursor cur(&fb);
  // Blocks are read only when the cursor needs them, and filled completely from a trickling source.
  EXPECT_EQ(fb.blocks_read(), 1u);
  ASSERT_NE(fb.block(0), nullptr);
  EXPECT_EQ(fb.block(0)->fill, zrv::FileBuffer::BLOCK_SIZE);
  // Look-ahead reaches into later blocks without moving the cursor.
  const size_t far = zrv::FileBuffer::BLOCK_SIZE * 2 + 5;
  EXPECT_EQ(cur.peek(far), static_cast<unsigned char>(src.data[far]));
  EXPECT_EQ(cur.chars(), 0);
  EXPECT_EQ(cur.peek(src.data.size()), zrv::FileBufferCursor::END);
  // Walk to just before a block boundary, save, walk over it, go back.
  for (size_t i = 0; i < zrv::FileBuffer::BLOCK_SIZE - 2; ++i) cur.skip();
  zrv::FileBufferCursor saved = cur;
  std::string over;
  for (int k = 0; k < 5; ++k) over.push_back(static_cast<char>(cur.get()));
  EXPECT_EQ(over, src.data.substr(zrv::FileBuffer::BLOCK_SIZE - 2, 5));
  cur = saved;
  EXPECT_EQ(cur.get(), static_cast<unsigned char>(src.data[zrv::FileBuffer::BLOCK_SIZE - 2]));
  // Every byte in order, with the line and column of the last one.
  zrv::FileBufferCursor all(&fb);
  std::string back;
  for (int c = all.get(); c != zrv::FileBufferCursor::END; c = all.get()) back.push_back(static_cast<char>(c));
  EXPECT_EQ(back, src.data);
  EXPECT_EQ(all.chars(), static_cast<int64_t>(src.data.size()));
  size_t lines = std::count(src.data.begin(), src.data.end(), '\n');
  EXPECT_EQ(all.line(), static_cast<int64_t>(lines) + 1);
  EXPECT_EQ(all.column(), static_cast<int64_t>(src.data.size() - src.data.rfind('\n') - 1));
  EXPECT_EQ(all.get(), zrv::FileBufferCursor::END);
  EXPECT_EQ(all.chars(), static_cast<int64_t>(src.data.size()));
  EXPECT_EQ(fb.status(), 0);
  EXPECT_EQ(fb.bytes(), static_cast<int64_t>(src.data.size()));
}

TEST(FileBuffer, EmptyInputAndFailingSource) {
  Source empty;
  zrv::FileBuffer fb0(std::pmr::new_delete_resource(), Source::read, &empty);
  zrv::FileBufferCursor c0(&fb0);
  EXPECT_TRUE(c0.at_end());
  EXPECT_EQ(c0.get(), zrv::FileBufferCursor::END);
  EXPECT_EQ(c0.line(), 1);

  // A failure ends the input where it happens and is kept; the bytes before it are there.
  Source bad;
  bad.data = sample(20000);
  bad.fail_at = 17000;
  zrv::FileBuffer fb(std::pmr::new_delete_resource(), Source::read, &bad);
  zrv::FileBufferCursor cur(&fb);
  int64_t n = 0;
  while (cur.get() != zrv::FileBufferCursor::END) ++n;
  EXPECT_EQ(n, 17000);
  EXPECT_EQ(fb.status(), 3);
  int calls = bad.calls;
  EXPECT_EQ(cur.peek(), zrv::FileBufferCursor::END);
  EXPECT_EQ(bad.calls, calls);  // the source is not asked again after the end
}
