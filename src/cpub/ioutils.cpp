// Reading parser buffer and its cursor.
#include "cpub/ioutils.h"

#include <new>

#include "cpub/sysfile.h"

namespace zrv {

FileBuffer::FileBuffer(std::pmr::memory_resource* mem, FileReadFn read, void* handle)
    : mem_(mem), read_(read), handle_(handle), chain_(mem) {}

FileBuffer::~FileBuffer() {
  for (Block* b : chain_) {
    b->~Block();
    mem_->deallocate(b, sizeof(Block), alignof(Block));
  }
}

const FileBuffer::Block* FileBuffer::block(size_t k) {
  while (chain_.size() <= k && !at_end_) {
    Block* b = nullptr;
    try {
      chain_.reserve(chain_.size() + 1);
      b = new (mem_->allocate(sizeof(Block), alignof(Block))) Block();
    } catch (const std::bad_alloc&) {
      nomem_ = true;
      at_end_ = true;
      break;
    }
    // Fill the block completely unless the input ends: a source may hand out fewer bytes than asked for.
    while (b->fill < BLOCK_SIZE) {
      int32_t st = 0;
      size_t got = read_(handle_, b->data + b->fill, BLOCK_SIZE - b->fill, &st);
      if (got > BLOCK_SIZE - b->fill) got = BLOCK_SIZE - b->fill;
      b->fill += got;
      if (st != 0 && status_ == 0) status_ = st;
      if (got == 0 || st != 0) {
        at_end_ = true;
        break;
      }
    }
    if (b->fill == 0) {
      b->~Block();
      mem_->deallocate(b, sizeof(Block), alignof(Block));
      break;
    }
    bytes_ += static_cast<int64_t>(b->fill);
    chain_.push_back(b);  // capacity reserved above
  }
  return k < chain_.size() ? chain_[k] : nullptr;
}

size_t sysfile_read_fn(void* handle, char* buf, size_t cap, int32_t* status) {
  int32_t st = SYSFILE_OK;
  size_t got = 0;
  sysfile_read(static_cast<SysFile*>(handle), buf, cap, &got, &st);
  if (st == SYSFILE_EOF) return 0;
  if (st != SYSFILE_OK) *status = st;
  return got;
}

bool FileBufferCursor::load(size_t b) {
  const FileBuffer::Block* blk = fb_->block(b);
  if (!blk) return false;
  block_ = b;
  data_ = blk->data;
  fill_ = blk->fill;
  pos_ = 0;
  return true;
}

int FileBufferCursor::peek_slow(size_t k) {
  // Step onto the next block when the current one is used up (the logical position stays the same).
  while (pos_ >= fill_) {
    if (!load(data_ ? block_ + 1 : 0)) return END;
  }
  if (pos_ + k < fill_) return static_cast<unsigned char>(data_[pos_ + k]);
  size_t rest = pos_ + k - fill_;
  for (size_t b = block_ + 1;; ++b) {
    const FileBuffer::Block* blk = fb_->block(b);
    if (!blk) return END;
    if (rest < blk->fill) return static_cast<unsigned char>(blk->data[rest]);
    rest -= blk->fill;
  }
}

}  // namespace zrv
