// Reading parser buffer: the whole input kept in a chain of 16384-byte blocks that are filled on demand from a
// read function, and a cursor that walks the chain counting characters, lines and columns. A parser looks ahead
// through the cursor and goes back by keeping a copy of it (a cursor is a small value); no block is dropped
// before the buffer dies, so every saved position stays valid.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

namespace zrv {

struct SysFile;

// Reads up to `cap` bytes into `buf` and returns the count; 0 means end of input. A failure is written to
// *status (non-zero) and also ends the input.
using FileReadFn = size_t (*)(void* handle, char* buf, size_t cap, int32_t* status);

class FileBuffer {
 public:
  static constexpr size_t BLOCK_SIZE = 16384;
  struct Block {
    size_t fill = 0;
    char data[BLOCK_SIZE];
  };

  FileBuffer(std::pmr::memory_resource* mem, FileReadFn read, void* handle);
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;
  ~FileBuffer();

  // Block k, read from the source when it is the first block not yet read; null past the end of the input.
  // Every block but the last is full.
  const Block* block(size_t k);
  size_t blocks_read() const { return chain_.size(); }
  // First failure of the read function or of the memory (0 when none). Both end the input.
  int32_t status() const { return status_; }
  bool out_of_memory() const { return nomem_; }
  // Bytes read so far.
  int64_t bytes() const { return bytes_; }

 private:
  std::pmr::memory_resource* mem_;
  FileReadFn read_;
  void* handle_;
  std::pmr::vector<Block*> chain_;
  bool at_end_ = false;
  bool nomem_ = false;
  int32_t status_ = 0;
  int64_t bytes_ = 0;
};

// A read function over an open file of the file layer (handle: the SysFile). End of file is not a failure.
size_t sysfile_read_fn(void* handle, char* buf, size_t cap, int32_t* status);

class FileBufferCursor {
 public:
  static constexpr int END = -1;

  explicit FileBufferCursor(FileBuffer* fb) : fb_(fb) { load(0); }

  // The next byte (0 .. 255) without consuming it, or END.
  int peek() {
    if (pos_ < fill_) return static_cast<unsigned char>(data_[pos_]);
    return peek_slow(0);
  }
  // The byte k places ahead (peek(0) == peek()), or END.
  int peek(size_t k) {
    if (pos_ + k < fill_) return static_cast<unsigned char>(data_[pos_ + k]);
    return peek_slow(k);
  }
  // Consumes and returns the next byte, or END (then nothing moves).
  int get() {
    int c = peek();
    if (c != END) advance(c);
    return c;
  }
  // Consumes the next byte, which the caller has seen through peek().
  void skip() {
    int c = peek();
    if (c != END) advance(c);
  }

  bool at_end() { return peek() == END; }
  // Characters consumed, the current line (from 1) and the column in it (from 0).
  int64_t chars() const { return chars_; }
  int64_t line() const { return line_; }
  int64_t column() const { return column_; }

 private:
  void advance(int c) {
    ++pos_;
    ++chars_;
    if (c == '\n') {
      ++line_;
      column_ = 0;
    } else {
      ++column_;
    }
  }
  int peek_slow(size_t k);
  // Makes block b current (position 0), or leaves an empty window past the end.
  bool load(size_t b);

  FileBuffer* fb_;
  size_t block_ = 0;
  size_t pos_ = 0;
  size_t fill_ = 0;
  const char* data_ = nullptr;
  int64_t chars_ = 0;
  int64_t line_ = 1;
  int64_t column_ = 0;
};

}  // namespace zrv
