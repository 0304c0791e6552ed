// Reading parser buffer: blocks filled on demand from a source that hands out a few bytes per call, look-ahead and
// saved positions across block boundaries, line and column counts, and a source that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory_resource>
#include <string>

#include "cpub/ioutils.h"

namespace {

struct Source {
  std::string data;
  size_t pos = 0, fail_at = std::string::npos;
  static size_t read(void* h, char* buf, size_t cap, int32_t* status) {
    auto* s = static_cast<Source*>(h);
    if (s->pos >= s->fail_at) return *status = 3, 0;
    size_t n = std::min({cap, size_t{7}, s->data.size() - s->pos, s->fail_at - s->pos});
    s->data.copy(buf, n, s->pos);
    s->pos += n;
    return n;
  }
};

}  // namespace

TEST(FileBuffer, LookAheadSavedPositionsAndCounts) {
  constexpr size_t B = zrv::FileBuffer::BLOCK_SIZE;
  Source src;
  for (size_t i = 0; i < 3 * B + 123; ++i) src.data.push_back(i % 61 == 60 ? '\n' : static_cast<char>('a' + i % 26));
  zrv::FileBuffer fb(std::pmr::new_delete_resource(), Source::read, &src);
  zrv::FileBufferCursor cur(&fb);
  EXPECT_EQ(fb.blocks_read(), 1u);  // read on demand, each block filled completely
  EXPECT_EQ(fb.block(0)->fill, B);
  EXPECT_EQ(cur.peek(2 * B + 5), static_cast<unsigned char>(src.data[2 * B + 5]));
  EXPECT_EQ(cur.peek(src.data.size()), zrv::FileBufferCursor::END);
  EXPECT_EQ(cur.chars(), 0);
  for (size_t i = 0; i < B - 2; ++i) cur.skip();
  zrv::FileBufferCursor saved = cur;
  std::string over;
  for (int k = 0; k < 5; ++k) over.push_back(static_cast<char>(cur.get()));
  EXPECT_EQ(over, src.data.substr(B - 2, 5));
  cur = saved;
  EXPECT_EQ(cur.get(), static_cast<unsigned char>(src.data[B - 2]));
  zrv::FileBufferCursor all(&fb);
  std::string back;
  for (int c = all.get(); c != zrv::FileBufferCursor::END; c = all.get()) back.push_back(static_cast<char>(c));
  EXPECT_EQ(back, src.data);
  EXPECT_EQ(all.line(), static_cast<int64_t>(std::count(src.data.begin(), src.data.end(), '\n')) + 1);
  EXPECT_EQ(all.column(), static_cast<int64_t>(src.data.size() - src.data.rfind('\n') - 1));
  EXPECT_EQ(all.chars(), static_cast<int64_t>(src.data.size()));
  // A failing source ends the input where it fails and the failure is kept.
  Source bad{src.data, 0, 17000};
  zrv::FileBuffer fb2(std::pmr::new_delete_resource(), Source::read, &bad);
  zrv::FileBufferCursor c2(&fb2);
  while (c2.get() != zrv::FileBufferCursor::END) {
  }
  EXPECT_EQ(c2.chars(), 17000);
  EXPECT_EQ(fb2.status(), 3);
}
