// Stream buffering, chunk delivery and linking. In a thread-safe block every operation on a stream holds that
// stream's mutex; the copy to the log stream takes the log stream's mutex on its own afterwards, so no thread
// ever holds two stream mutexes at once.
#include "cpub/stream.h"

#include <cstring>
#include <ctime>

#include "cpub/utf8bld.h"
#include "zirva.h"

namespace zrv {

namespace {

// Holds a stream's mutex when the block is thread-safe. `ok` is false when the lock could not be taken.
class SlotGuard {
 public:
  SlotGuard(const StreamSlot& slot, bool thread_safe) {
    if (!thread_safe) return;
    try {
      slot.mutex.lock();
      m_ = &slot.mutex;
    } catch (...) {
      ok = false;
    }
  }
  ~SlotGuard() {
    if (m_) m_->unlock();
  }
  SlotGuard(const SlotGuard&) = delete;
  SlotGuard& operator=(const SlotGuard&) = delete;
  bool ok = true;

 private:
  std::recursive_mutex* m_ = nullptr;
};

// Bytes of the character a UTF-8 lead byte starts.
size_t utf8_length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Current local time in the C runtime's ctime form (ends in a line feed).
void local_time_text(char* out, size_t cap) {
  std::time_t t = std::time(nullptr);
  char buf[64];
  if (ctime_r(&t, buf) == nullptr) std::strcpy(buf, "unknown time\n");
  std::strncpy(out, buf, cap - 1);
  out[cap - 1] = '\0';
}

}  // namespace

// Sink that feeds the formatter's output into one stream's writer (its mutex is already held).
class StreamSink : public TextSink {
 public:
  StreamSink(StreamBlock* b, int32_t s, void (StreamBlock::*f)(int32_t, const char*, size_t)) : b_(b), s_(s), f_(f) {}
  void put(const char* s, size_t n) override { (b_->*f_)(s_, s, n); }

 private:
  StreamBlock* b_;
  int32_t s_;
  void (StreamBlock::*f_)(int32_t, const char*, size_t);
};

StreamBlock::~StreamBlock() {
  for (int s = 0; s < STREAM_COUNT; ++s)
    if (slots_[s].file) sysfile_close(&slots_[s].file, nullptr);
}

void StreamBlock::init(std::pmr::memory_resource* mem, const char* owner, bool thread_safe) {
  for (int s = 0; s < STREAM_COUNT; ++s) {
    StreamSlot& sl = slots_[s];
    if (sl.file) sysfile_close(&sl.file, nullptr);
    sl.file_status = 0;
    sl.func = nullptr;
    sl.handle = nullptr;
    sl.fill = 0;
  }
  mem_ = mem ? mem : std::pmr::get_default_resource();
  thread_safe_ = thread_safe;
  size_t n = owner ? std::strlen(owner) : 0;
  if (n > STREAM_OWNER_MAX) {
    n = STREAM_OWNER_MAX;
    // Do not keep the first bytes of a character that did not fit.
    size_t i = n;
    while (i > 0 && (static_cast<unsigned char>(owner[i - 1]) & 0xC0) == 0x80) --i;
    if (i > 0 && static_cast<unsigned char>(owner[i - 1]) >= 0xC0 &&
        (n - (i - 1)) < utf8_length(static_cast<unsigned char>(owner[i - 1])))
      n = i - 1;
  }
  if (n) std::memcpy(owner_, owner, n);
  owner_[n] = '\0';
}

bool StreamBlock::active(int32_t s) const {
  if (!valid_stream(s)) return false;
  const StreamSlot& sl = slots_[s];
  SlotGuard g(sl, thread_safe_);
  return sl.func != nullptr || sl.file != nullptr;
}

bool StreamBlock::wanted(int32_t s) const {
  if (!valid_stream(s)) return false;
  if (active(s)) return true;
  return s != ZRV_STREAM_LOG && active(ZRV_STREAM_LOG);
}

bool StreamBlock::deliver(int32_t s, Cut mode) {
  StreamSlot& sl = slots_[s];
  size_t n = sl.fill;
  if (n == 0) return true;
  char work[STREAM_BUFFER_SIZE + 1];
  std::memcpy(work, sl.buf, n);
  const unsigned char* u = reinterpret_cast<const unsigned char*>(work);

  size_t cut = n;
  if (mode != Cut::Final && u[n - 1] != 0) {
    // Walk back over continuation bytes (a character has at most three), then over the lead byte.
    size_t i = n;
    size_t cont = 0;
    while (i > 0 && cont < 3 && (u[i - 1] & 0xC0) == 0x80) {
      --i;
      ++cont;
    }
    bool lead = i > 0 && u[i - 1] >= 0x80;
    if (mode == Cut::Full) {
      // A full buffer holds back the last character whole, complete or not.
      cut = lead ? i - 1 : i;
    } else {
      // An explicit flush hands out everything except a character that is still incomplete.
      bool incomplete = lead && u[i - 1] >= 0xC0 && cont + 1 < utf8_length(u[i - 1]);
      cut = incomplete ? i - 1 : n;
    }
  }
  // The buffer is settled before anything is called, so a linked function may write to this stream again.
  size_t keep = n - cut;
  if (keep) std::memmove(sl.buf, sl.buf + cut, keep);
  sl.fill = keep;
  if (cut == 0) return true;
  work[cut] = '\0';

  if (sl.func) sl.func(sl.handle, work);
  bool ok = true;
  if (sl.file) {  // read again: the function may have changed the link
    sysfile_write(sl.file, work, cut, &sl.file_status);
    sysfile_flush(sl.file, &sl.file_status);
    // A file that failed keeps its sticky status and takes no more text; the chunk is dropped rather than kept,
    // so a broken file can never stall the stream.
    ok = sl.file_status == 0;
  }
  return ok;
}

void StreamBlock::append(int32_t s, const char* text, size_t n) {
  StreamSlot& sl = slots_[s];
  while (n > 0) {
    size_t room = STREAM_BUFFER_SIZE - sl.fill;
    size_t k = n < room ? n : room;
    std::memcpy(sl.buf + sl.fill, text, k);
    sl.fill += k;
    text += k;
    n -= k;
    if (sl.fill == STREAM_BUFFER_SIZE) deliver(s, Cut::Full);
  }
}

int32_t StreamBlock::write(int32_t s, const char* text, size_t n) {
  if (!valid_stream(s)) return ZRV_RES_ERR_INVALID_STREAM;
  if (text == nullptr || n == 0) return ZRV_RES_OK;
  {
    StreamSlot& sl = slots_[s];
    SlotGuard g(sl, thread_safe_);
    if (!g.ok) return ZRV_RES_ERR_THREAD_MUTEX_LOCK;
    if (sl.func || sl.file) append(s, text, n);
  }
  if (s != ZRV_STREAM_LOG) {
    StreamSlot& lg = slots_[ZRV_STREAM_LOG];
    SlotGuard g(lg, thread_safe_);
    if (!g.ok) return ZRV_RES_ERR_THREAD_MUTEX_LOCK;
    if (lg.func || lg.file) append(ZRV_STREAM_LOG, text, n);
  }
  return ZRV_RES_OK;
}

int32_t StreamBlock::write(int32_t s, const char* text) { return write(s, text, text ? std::strlen(text) : 0); }

int StreamBlock::format(int32_t s, const char* fmt, FmtArgs args) {
  if (!valid_stream(s)) return ZRV_RES_ERR_INVALID_STREAM;
  int rc = 0;
  {
    StreamSlot& sl = slots_[s];
    SlotGuard g(sl, thread_safe_);
    if (!g.ok) return ZRV_RES_ERR_THREAD_MUTEX_LOCK;
    if (sl.func || sl.file) {
      StreamSink sink(this, s, &StreamBlock::append);
      rc = utf8_format(sink, fmt, args);
    }
  }
  if (s != ZRV_STREAM_LOG) {
    StreamSlot& lg = slots_[ZRV_STREAM_LOG];
    SlotGuard g(lg, thread_safe_);
    if (!g.ok) return ZRV_RES_ERR_THREAD_MUTEX_LOCK;
    if (lg.func || lg.file) {
      StreamSink sink(this, ZRV_STREAM_LOG, &StreamBlock::append);
      rc = utf8_format(sink, fmt, args);
    }
  }
  return rc;
}

int32_t StreamBlock::flush(int32_t s) {
  if (!valid_stream(s)) return ZRV_RES_ERR_INVALID_STREAM;
  StreamSlot& sl = slots_[s];
  SlotGuard g(sl, thread_safe_);
  if (!g.ok) return ZRV_RES_ERR_THREAD_MUTEX_LOCK;
  deliver(s, Cut::Flush);
  if (sl.file) sysfile_flush(sl.file, &sl.file_status);
  return sl.file ? sysfile_rescode(sl.file_status) : ZRV_RES_OK;
}

int32_t StreamBlock::link_func(int32_t s, void* handle, StreamFunc f) {
  if (!valid_stream(s)) return ZRV_RES_ERR_INVALID_STREAM;
  StreamSlot& sl = slots_[s];
  SlotGuard g(sl, thread_safe_);
  if (!g.ok) return ZRV_RES_OK;
  if (sl.func) {
    deliver(s, Cut::Flush);
    if (sl.file) sysfile_flush(sl.file, &sl.file_status);
  }
  sl.func = f;
  sl.handle = f ? handle : nullptr;
  return ZRV_RES_OK;
}

int32_t StreamBlock::unlink_func(int32_t s) {
  if (!valid_stream(s)) return ZRV_RES_ERR_INVALID_STREAM;
  StreamSlot& sl = slots_[s];
  SlotGuard g(sl, thread_safe_);
  if (!g.ok) return ZRV_RES_OK;
  if (sl.func) {
    deliver(s, Cut::Flush);
    if (sl.file) sysfile_flush(sl.file, &sl.file_status);
  }
  sl.func = nullptr;
  sl.handle = nullptr;
  return ZRV_RES_OK;
}

void StreamBlock::close_file(int32_t s, bool closed_line) {
  StreamSlot& sl = slots_[s];
  if (sl.file == nullptr) return;
  if (closed_line) {
    char when[64];
    local_time_text(when, sizeof(when));
    sysfile_puts(sl.file, "\nFile closed: ", &sl.file_status);
    sysfile_puts(sl.file, when, &sl.file_status);
    sysfile_puts(sl.file, "\n", &sl.file_status);
  }
  sysfile_close(&sl.file, nullptr);
  sl.file_status = 0;
}

int32_t StreamBlock::link_file(int32_t s, const char* name, bool append) {
  if (!valid_stream(s)) return ZRV_RES_ERR_INVALID_STREAM;
  SysFile* nf = nullptr;
  if (name) {
    int32_t st = 0;
    sysfile_open(mem_, name, false, true, append, false, -1, &nf, &st);
    if (st != 0) return sysfile_rescode(st);
  }
  StreamSlot& sl = slots_[s];
  SlotGuard g(sl, thread_safe_);
  if (!g.ok) {
    sysfile_close(&nf, nullptr);
    return ZRV_RES_OK;
  }
  // Text written before this call belongs to the targets linked before it.
  deliver(s, Cut::Flush);
  close_file(s, !append);
  if (nf) {
    sl.file = nf;
    sl.file_status = 0;
    char when[64];
    local_time_text(when, sizeof(when));
    char* nl = std::strchr(when, '\n');
    if (nl) *nl = '\0';
    sysfile_puts(nf, append ? "\nFile reopened at " : "\nFile opened at ", &sl.file_status);
    sysfile_puts(nf, when, &sl.file_status);
    if (owner_[0] != '\0') {
      sysfile_puts(nf, " by ", &sl.file_status);
      sysfile_puts(nf, owner_, &sl.file_status);
    }
    sysfile_puts(nf, ".\n", &sl.file_status);
    sysfile_flush(nf, &sl.file_status);
  }
  return ZRV_RES_OK;
}

void StreamBlock::close_all() {
  for (int32_t s = 0; s < STREAM_COUNT; ++s) {
    StreamSlot& sl = slots_[s];
    SlotGuard g(sl, thread_safe_);
    // Nothing more will be written: an incomplete character at the end is handed out as it is.
    deliver(s, Cut::Final);
    if (sl.file) sysfile_flush(sl.file, &sl.file_status);
    close_file(s, true);
  }
}

}  // namespace zrv
