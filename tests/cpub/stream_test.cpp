#include "cpub/stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory_resource>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "test_files.h"
#include "zirva.h"

using namespace zrv;
using zrv_test::slurp;
using zrv_test::spit;
using zrv_test::TempDir;

namespace {

struct Capture {
  std::vector<std::string> chunks;
  std::string all() const {
    std::string s;
    for (const std::string& c : chunks) s += c;
    return s;
  }
  static void fn(void* h, const char* text) { static_cast<Capture*>(h)->chunks.emplace_back(text); }
};

// True when s is a sequence of whole UTF-8 characters.
bool whole_utf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

const char* const OWNER = "ZIRVA version 7.0.0.106";
const std::string TIME = R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4})";
const std::string OPENED = "\nFile opened at " + TIME + " by ZIRVA version 7\\.0\\.0\\.106\\.\n";
const std::string REOPENED = "\nFile reopened at " + TIME + " by ZIRVA version 7\\.0\\.0\\.106\\.\n";
const std::string CLOSED = "\nFile closed: " + TIME + "\n\n";

bool matches(const std::string& text, const std::string& pattern) {
  return std::regex_match(text, std::regex(pattern));
}

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override { block.init(std::pmr::new_delete_resource(), OWNER, false); }
  StreamBlock block;
  Capture cap;
};

TEST_F(StreamTest, CharacterStraddlingTheBufferEndArrivesWholeInTheNextChunk) {
  // 2-, 3- and 4-byte characters cut by the end of the buffer, or ending exactly on it (held back whole too).
  const std::string chars[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
  for (const std::string& ch : chars) {
    for (size_t before = 1; before <= ch.size(); ++before) {
      Capture c;
      block.init(std::pmr::new_delete_resource(), OWNER, false);
      block.link_func(ZRV_STREAM_MSG, &c, Capture::fn);
      std::string head(STREAM_BUFFER_SIZE - before, 'a');
      block.write(ZRV_STREAM_MSG, head.c_str());
      block.write(ZRV_STREAM_MSG, ch.c_str());
      block.write(ZRV_STREAM_MSG, "tail");
      ASSERT_EQ(c.chunks.size(), 1u);  // nothing is handed out character by character
      EXPECT_EQ(c.chunks[0], head);
      EXPECT_EQ(block.flush(ZRV_STREAM_MSG), ZRV_RES_OK);
      ASSERT_EQ(c.chunks.size(), 2u);
      EXPECT_EQ(c.chunks[1], ch + "tail");
    }
  }
}

TEST_F(StreamTest, ChunksNeverSplitCharactersUnderAnyWritePattern) {
  block.link_func(ZRV_STREAM_WRN, &cap, Capture::fn);
  const std::string pool[] = {"a", "\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "xyz"};
  std::string input;
  uint32_t seed = 7;
  auto rnd = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 10) % n;
  };
  for (int i = 0; i < 20000; ++i) input += pool[rnd(6)];
  // Written in pieces that cut characters anywhere, with occasional explicit flushes.
  size_t pos = 0;
  while (pos < input.size()) {
    size_t k = 1 + rnd(700);
    if (k > input.size() - pos) k = input.size() - pos;
    block.write(ZRV_STREAM_WRN, input.data() + pos, k);
    pos += k;
    if (rnd(10) == 0) block.flush(ZRV_STREAM_WRN);
  }
  block.flush(ZRV_STREAM_WRN);
  EXPECT_EQ(cap.all(), input);
  for (const std::string& c : cap.chunks) {
    EXPECT_TRUE(whole_utf8(c));
    EXPECT_LE(c.size(), STREAM_BUFFER_SIZE);
    EXPECT_FALSE(c.empty());
  }
}

TEST_F(StreamTest, IncompleteAndInvalidBytes) {
  block.link_func(ZRV_STREAM_MSG, &cap, Capture::fn);
  // A flush keeps an incomplete character back until its last byte comes.
  block.write(ZRV_STREAM_MSG, "abc\xE2\x82");
  block.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(cap.all(), "abc");
  block.write(ZRV_STREAM_MSG, "\xAC!");
  block.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(cap.all(), "abc\xE2\x82\xAC!");
  // A complete character at the end of a flush is not held back.
  block.write(ZRV_STREAM_MSG, "\xC3\xA9");
  block.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(cap.chunks.back(), "\xC3\xA9");
  // Continuation bytes without a lead byte cannot stall the buffer.
  cap.chunks.clear();
  std::string junk(3 * STREAM_BUFFER_SIZE, '\x80');
  block.write(ZRV_STREAM_MSG, junk.c_str());
  block.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(cap.all(), junk);
  // Closing hands out a trailing incomplete character: nothing more can complete it.
  cap.chunks.clear();
  block.write(ZRV_STREAM_MSG, "end\xF0\x9F");
  block.close_all();
  EXPECT_EQ(cap.all(), "end\xF0\x9F");
}

TEST_F(StreamTest, LogStreamGetsACopyOfStreamsOneToThree) {
  Capture log;
  EXPECT_FALSE(block.wanted(ZRV_STREAM_MSG));
  block.link_func(ZRV_STREAM_LOG, &log, Capture::fn);
  EXPECT_TRUE(block.wanted(ZRV_STREAM_MSG));
  EXPECT_FALSE(block.active(ZRV_STREAM_MSG));
  block.write(ZRV_STREAM_MSG, "msg;");
  EXPECT_EQ(block.format(ZRV_STREAM_ERR, "%{w}i|", {3, 7}), 0);
  block.write(ZRV_STREAM_WRN, "wrn;");
  block.write(ZRV_STREAM_LOG, "log;");
  block.flush(ZRV_STREAM_LOG);
  EXPECT_EQ(log.all(), "msg;7  |wrn;log;");

  // With its own function, the message stream gets the text once and the log once more.
  block.link_func(ZRV_STREAM_MSG, &cap, Capture::fn);
  log.chunks.clear();
  block.write(ZRV_STREAM_MSG, "both");
  EXPECT_EQ(block.format(ZRV_STREAM_MSG, "%q", {}), -2);
  for (int s = 0; s < STREAM_COUNT; ++s) block.flush(s);
  EXPECT_EQ(cap.all(), "both");
  EXPECT_EQ(log.all(), "both");

  // Streams that are not active keep nothing for later.
  block.unlink_func(ZRV_STREAM_LOG);
  block.write(ZRV_STREAM_WRN, "lost");
  block.link_func(ZRV_STREAM_WRN, &log, Capture::fn);
  block.flush(ZRV_STREAM_WRN);
  EXPECT_EQ(log.all(), "both");
}

TEST_F(StreamTest, RelinkingFunctionsDeliversPendingTextAndBadStreamsAreRefused) {
  Capture second;
  block.link_func(ZRV_STREAM_MSG, &cap, Capture::fn);
  block.write(ZRV_STREAM_MSG, "abc");
  block.link_func(ZRV_STREAM_MSG, &second, Capture::fn);
  block.write(ZRV_STREAM_MSG, "def");
  block.unlink_func(ZRV_STREAM_MSG);
  EXPECT_EQ(block.write(ZRV_STREAM_MSG, "ghi"), ZRV_RES_OK);
  EXPECT_EQ(cap.all() + "|" + second.all(), "abc|def");
  EXPECT_FALSE(block.wanted(ZRV_STREAM_MSG));
  for (int32_t s : {-1, 4}) {
    EXPECT_EQ(block.link_func(s, &cap, Capture::fn), ZRV_RES_ERR_INVALID_STREAM);
    EXPECT_EQ(block.unlink_func(s), ZRV_RES_ERR_INVALID_STREAM);
    EXPECT_EQ(block.link_file(s, nullptr, false), ZRV_RES_ERR_INVALID_STREAM);
    EXPECT_EQ(block.write(s, "x"), ZRV_RES_ERR_INVALID_STREAM);
    EXPECT_EQ(block.format(s, "x", {}), ZRV_RES_ERR_INVALID_STREAM);
    EXPECT_EQ(block.flush(s), ZRV_RES_ERR_INVALID_STREAM);
  }
}

TEST_F(StreamTest, LinkingASecondFileClosesTheFirst) {
  TempDir dir;
  std::string a = dir.file("a.log"), b = dir.file("b.log");
  ASSERT_EQ(block.link_file(ZRV_STREAM_MSG, a.c_str(), false), ZRV_RES_OK);
  EXPECT_TRUE(block.active(ZRV_STREAM_MSG));
  block.write(ZRV_STREAM_MSG, "hello\n");  // still buffered when the link changes
  ASSERT_EQ(block.link_file(ZRV_STREAM_MSG, b.c_str(), false), ZRV_RES_OK);
  block.write(ZRV_STREAM_MSG, "to b\n");
  EXPECT_TRUE(matches(slurp(a), OPENED + "hello\n" + CLOSED)) << slurp(a);
  EXPECT_TRUE(matches(slurp(b), OPENED)) << slurp(b);  // "to b" is still in the buffer

  // A file that cannot be opened leaves the link as it was.
  EXPECT_EQ(block.link_file(ZRV_STREAM_MSG, dir.file("no/dir/c.log").c_str(), false), ZRV_RES_ERR_FILE_OPEN);
  EXPECT_EQ(block.link_file(ZRV_STREAM_MSG, "", false), ZRV_RES_ERR_INVALID_FILE_NAME);
  block.write(ZRV_STREAM_MSG, "still b\n");
  block.close_all();  // flushes, then closes with the closing line
  EXPECT_TRUE(matches(slurp(b), OPENED + "to b\nstill b\n" + CLOSED)) << slurp(b);
  EXPECT_FALSE(block.active(ZRV_STREAM_MSG));
}

TEST_F(StreamTest, AppendReopensWithoutClosingLine) {
  TempDir dir;
  std::string a = dir.file("a.log"), b = dir.file("b.log");
  spit(a, "previous run\n");
  ASSERT_EQ(block.link_file(ZRV_STREAM_LOG, a.c_str(), true), ZRV_RES_OK);
  block.write(ZRV_STREAM_ERR, "error text\n");  // reaches the log file as a copy
  ASSERT_EQ(block.link_file(ZRV_STREAM_LOG, b.c_str(), true), ZRV_RES_OK);
  EXPECT_TRUE(matches(slurp(a), "previous run\n" + REOPENED + "error text\n")) << slurp(a);
  block.link_file(ZRV_STREAM_LOG, nullptr, false);
  EXPECT_TRUE(matches(slurp(b), REOPENED + CLOSED)) << slurp(b);

  // Without an owner name the opening line has no " by " part.
  StreamBlock anon;
  anon.init(std::pmr::new_delete_resource(), "", false);
  ASSERT_EQ(anon.link_file(ZRV_STREAM_MSG, a.c_str(), false), ZRV_RES_OK);
  anon.close_all();
  EXPECT_TRUE(matches(slurp(a), "\nFile opened at " + TIME + "\\.\n" + CLOSED)) << slurp(a);
}

TEST_F(StreamTest, FunctionAndFileTogetherAndFileFailure) {
  TempDir dir;
  std::string a = dir.file("both.log");
  block.link_func(ZRV_STREAM_MSG, &cap, Capture::fn);
  block.link_file(ZRV_STREAM_MSG, a.c_str(), false);
  std::string big;
  for (int i = 0; i < 300; ++i) big += "line " + std::to_string(i) + " \xE2\x82\xAC\n";
  block.write(ZRV_STREAM_MSG, big.c_str());
  block.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(cap.all(), big);
  std::string content = slurp(a);
  size_t head = content.find(".\n");
  ASSERT_NE(head, std::string::npos);
  EXPECT_TRUE(matches(content.substr(0, head + 2), OPENED));
  EXPECT_EQ(content.substr(head + 2), big);

  if (std::filesystem::exists("/dev/full")) {
    cap.chunks.clear();
    ASSERT_EQ(block.link_file(ZRV_STREAM_MSG, "/dev/full", false), ZRV_RES_OK);
    block.write(ZRV_STREAM_MSG, big.c_str());
    EXPECT_EQ(block.flush(ZRV_STREAM_MSG), ZRV_RES_ERR_FILE_WRITE);
    EXPECT_EQ(cap.all(), big);  // the function still gets everything
  }
}

// Writes back into its own stream the first time it is called.
struct Echo {
  StreamBlock* block;
  std::string seen;
  bool done = false;
  static void fn(void* h, const char* text) {
    Echo* e = static_cast<Echo*>(h);
    e->seen += text;
    if (!e->done) {
      e->done = true;
      e->block->write(ZRV_STREAM_MSG, "[echo]");
    }
  }
};

TEST(StreamThreads, ConcurrentWritersKeepLinesWholeAndReentryDoesNotDeadlock) {
  StreamBlock block;
  block.init(std::pmr::new_delete_resource(), OWNER, true);
  Capture msg, log;
  block.link_func(ZRV_STREAM_MSG, &msg, Capture::fn);
  block.link_func(ZRV_STREAM_LOG, &log, Capture::fn);
  const int threads = 4, lines = 400;
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&block, t] {
      for (int k = 0; k < lines; ++k) {
        std::string l = "<" + std::to_string(t) + ":" + std::to_string(k) + " \xC3\xA9\xC3\xA9>\n";
        if (k % 2) block.write(ZRV_STREAM_MSG, l.c_str());
        else block.format(ZRV_STREAM_MSG, "<%i:%i \xC3\xA9\xC3\xA9>\n", {t, k});
        if (k % 50 == 0) block.flush(ZRV_STREAM_LOG);
      }
    });
  for (std::thread& th : pool) th.join();
  block.flush(ZRV_STREAM_MSG);
  block.flush(ZRV_STREAM_LOG);
  std::string m = msg.all(), l = log.all();
  EXPECT_EQ(m.size(), l.size());
  for (int t = 0; t < threads; ++t)
    for (int k = 0; k < lines; ++k) {
      std::string line = "<" + std::to_string(t) + ":" + std::to_string(k) + " \xC3\xA9\xC3\xA9>\n";
      ASSERT_TRUE(m.find(line) != std::string::npos && l.find(line) != std::string::npos) << line;
    }
  for (const std::string& c : msg.chunks) EXPECT_TRUE(whole_utf8(c));

  Echo e{&block, "", false};
  block.link_func(ZRV_STREAM_MSG, &e, Echo::fn);
  block.write(ZRV_STREAM_MSG, "first");
  block.flush(ZRV_STREAM_MSG);
  block.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(e.seen, "first[echo]");
}

}  // namespace
