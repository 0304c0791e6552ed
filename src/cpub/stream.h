// Message streams: four per environment and four per task (log, message, error, warning). Each stream buffers
// 1024 bytes and hands the text to its linked function and/or file in chunks that never end inside a UTF-8
// character. Everything written to streams 1 to 3 is copied to the log stream 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <mutex>

#include "cpub/fmtarg.h"
#include "cpub/sysfile.h"

namespace zrv {

using StreamFunc = void (*)(void* handle, const char* text);

constexpr int STREAM_COUNT = 4;
constexpr size_t STREAM_BUFFER_SIZE = 1024;
constexpr size_t STREAM_OWNER_MAX = 1023;

struct StreamSlot {
  SysFile* file = nullptr;
  int32_t file_status = 0;           // sticky file-layer status of the linked file
  StreamFunc func = nullptr;
  void* handle = nullptr;
  // Recursive so that a linked function may write to its own stream while a chunk is being delivered.
  mutable std::recursive_mutex mutex;
  size_t fill = 0;                   // bytes in buf
  char buf[STREAM_BUFFER_SIZE];
};

class StreamBlock {
 public:
  StreamBlock() = default;
  StreamBlock(const StreamBlock&) = delete;
  StreamBlock& operator=(const StreamBlock&) = delete;
  // Closes files still linked, without delivering buffered text or writing "File closed" lines (call close_all
  // for an orderly shut-down while the memory resource and the linked functions are still alive).
  ~StreamBlock();

  // `mem` supplies the file records; `owner` is the name written in the "File opened" lines (cut at 1023 bytes,
  // never inside a UTF-8 character). Any file still linked is closed without a line; the slots start empty.
  void init(std::pmr::memory_resource* mem, const char* owner, bool thread_safe);

  static bool valid_stream(int32_t s) { return s >= 0 && s < STREAM_COUNT; }
  // Active: a function or a file is linked.
  bool active(int32_t s) const;
  // True when the stream or (for 1 to 3) the log stream is active: the test before formatting any text.
  bool wanted(int32_t s) const;

  // Public link operations; return response codes (ZRV_RES_ERR_INVALID_STREAM, file-layer codes, ZRV_RES_OK).
  // A failed lock is ignored (ZRV_RES_OK, nothing changed).
  int32_t link_func(int32_t s, void* handle, StreamFunc f);
  int32_t unlink_func(int32_t s);
  // name null: only close the linked file. Writes the "File closed"/"File opened at"/"File reopened at" lines.
  // Text still buffered is delivered to the old targets before the file link changes.
  int32_t link_file(int32_t s, const char* name, bool append);

  // Appends finished text to the stream and, for streams 1 to 3, to the log stream; streams that are not active
  // take nothing. Returns ZRV_RES_OK, ZRV_RES_ERR_INVALID_STREAM or ZRV_RES_ERR_THREAD_MUTEX_LOCK.
  int32_t write(int32_t s, const char* text, size_t n);
  int32_t write(int32_t s, const char* text);
  // Formats with utf8_format into the stream (and a second time into the log stream for 1 to 3) when wanted.
  // Returns the formatter's result (0 or -2), ZRV_RES_ERR_INVALID_STREAM or ZRV_RES_ERR_THREAD_MUTEX_LOCK.
  int format(int32_t s, const char* fmt, FmtArgs args);
  // Flushes the stream's buffer and then its linked file. ZRV_RES_ERR_INVALID_STREAM for a bad stream,
  // ZRV_RES_ERR_FILE_WRITE once writing to the linked file has failed.
  int32_t flush(int32_t s);
  // Flushes all four streams and closes their files (each gets its "File closed" line); functions stay linked.
  void close_all();

  const char* owner() const { return owner_; }

 private:
  enum class Cut { Full, Flush, Final };
  void append(int32_t s, const char* text, size_t n);
  bool deliver(int32_t s, Cut mode);  // the chunk delivery: hands out whole UTF-8 characters, keeps the rest
  void close_file(int32_t s, bool closed_line);

  std::pmr::memory_resource* mem_ = nullptr;
  bool thread_safe_ = false;
  char owner_[STREAM_OWNER_MAX + 1] = {0};
  StreamSlot slots_[STREAM_COUNT];
};

}  // namespace zrv
