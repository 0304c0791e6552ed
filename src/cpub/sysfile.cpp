// Buffered plain/gzip files. Reading fills the buffer from the C stream or the gz stream and hands bytes out from it;
// writing collects bytes in the buffer and passes them on when it is full, on flush and on close.
#include "cpub/sysfile.h"

#include <zlib.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "zirva.h"

namespace zrv {

struct SysFile {
  std::pmr::memory_resource* mem = nullptr;
  bool read = false;
  bool write = false;
  bool gzip = false;
  size_t cap = SYSFILE_BUFFER_SIZE;
  size_t fill = 0;  // bytes pending (writing) or held (reading)
  size_t pos = 0;   // next byte to hand out (reading)
  bool at_eof = false;        // the underlying stream has no more data
  bool error_pending = false; // the underlying stream failed after handing out its last bytes
  char* buf = nullptr;
  FILE* plain = nullptr;
  gzFile gz = nullptr;
};

int32_t sysfile_rescode(int32_t status) {
  switch (status) {
    case SYSFILE_OK: return ZRV_RES_OK;
    case SYSFILE_SPACE: return ZRV_RES_ERR_SPACE;
    case SYSFILE_OPEN: return ZRV_RES_ERR_FILE_OPEN;
    case SYSFILE_READ: return ZRV_RES_ERR_FILE_READ;
    case SYSFILE_EOF: return ZRV_RES_ERR_END_OF_FILE;
    case SYSFILE_WRITE: return ZRV_RES_ERR_FILE_WRITE;
    case SYSFILE_LEAK: return ZRV_RES_ERR_SPACE_LEAKING;
    case SYSFILE_BAD_NAME: return ZRV_RES_ERR_INVALID_FILE_NAME;
    default: return ZRV_RES_ERR_INTERNAL;
  }
}

namespace {

// A status pointer to work with: callers may pass null, then a local word is used.
struct StatusRef {
  int32_t local = 0;
  int32_t* p;
  explicit StatusRef(int32_t* s) : p(s ? s : &local) {}
  bool failed() const { return *p != 0; }
  void set(int32_t v) {
    if (*p == 0) *p = v;
  }
};

bool valid_utf8(const char* s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    unsigned c = *p;
    int more;
    uint32_t cp;
    if (c < 0x80) {
      ++p;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    ++p;
    for (int i = 0; i < more; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (*p & 0x3F);
    }
    if ((more == 2 && cp < 0x800) || (more == 3 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
  }
  return true;
}

void* allocate(std::pmr::memory_resource* mem, size_t n, size_t align = alignof(std::max_align_t)) noexcept {
  try {
    return mem->allocate(n, align);
  } catch (...) {
    return nullptr;
  }
}

void free_record(SysFile* f) {
  std::pmr::memory_resource* mem = f->mem;
  if (f->buf) mem->deallocate(f->buf, f->cap);
  f->~SysFile();
  mem->deallocate(f, sizeof(SysFile), alignof(SysFile));
}

// Hands all pending bytes of a writing file to the underlying stream.
void drain(SysFile* f, StatusRef& st) {
  if (f->fill == 0) return;
  bool ok;
  if (f->gzip) {
    int n = gzwrite(f->gz, f->buf, static_cast<unsigned>(f->fill));
    ok = n > 0 && static_cast<size_t>(n) == f->fill;
  } else {
    ok = std::fwrite(f->buf, 1, f->fill, f->plain) == f->fill;
  }
  f->fill = 0;
  if (!ok) st.set(SYSFILE_WRITE);
}

// Writes a block larger than the buffer straight through (after the pending bytes).
void write_direct(SysFile* f, const char* p, size_t n, StatusRef& st) {
  while (n > 0 && !st.failed()) {
    size_t k = n > (1u << 30) ? (1u << 30) : n;
    bool ok;
    if (f->gzip) {
      int w = gzwrite(f->gz, p, static_cast<unsigned>(k));
      ok = w > 0 && static_cast<size_t>(w) == k;
    } else {
      ok = std::fwrite(p, 1, k, f->plain) == k;
    }
    if (!ok) st.set(SYSFILE_WRITE);
    p += k;
    n -= k;
  }
}

// Refills the read buffer. Returns false (with the status set to end of file or read failure) when nothing came.
bool refill(SysFile* f, StatusRef& st) {
  f->pos = 0;
  f->fill = 0;
  if (f->error_pending) {
    st.set(SYSFILE_READ);
    return false;
  }
  if (f->at_eof) {
    st.set(SYSFILE_EOF);
    return false;
  }
  if (f->gzip) {
    int n = gzread(f->gz, f->buf, static_cast<unsigned>(f->cap));
    int err = Z_OK;
    gzerror(f->gz, &err);
    if (n < 0) {
      st.set(SYSFILE_READ);
      return false;
    }
    // A truncated or damaged stream reports an error (Z_BUF_ERROR, Z_DATA_ERROR, ...) after its last good bytes.
    if (err != Z_OK && err != Z_STREAM_END) {
      if (n == 0) {
        st.set(SYSFILE_READ);
        return false;
      }
      f->error_pending = true;
    }
    if (n == 0) {
      f->at_eof = true;
      st.set(SYSFILE_EOF);
      return false;
    }
    if (static_cast<size_t>(n) < f->cap && !f->error_pending) f->at_eof = gzeof(f->gz) != 0;
    f->fill = static_cast<size_t>(n);
  } else {
    size_t n = std::fread(f->buf, 1, f->cap, f->plain);
    if (n < f->cap) {
      if (std::ferror(f->plain)) {
        if (n == 0) {
          st.set(SYSFILE_READ);
          return false;
        }
        f->error_pending = true;
      } else {
        f->at_eof = true;
      }
    }
    if (n == 0) {
      st.set(SYSFILE_EOF);
      return false;
    }
    f->fill = n;
  }
  return true;
}

bool check_mode(SysFile* f, bool for_read, StatusRef& st) {
  if (f == nullptr || (for_read ? !f->read : !f->write)) {
    st.set(SYSFILE_MODE);
    return false;
  }
  return true;
}

}  // namespace

void sysfile_open(std::pmr::memory_resource* mem, const char* name, bool read, bool write, bool append, bool gzip,
                  int level, SysFile** out, int32_t* status) {
  StatusRef st(status);
  if (out) *out = nullptr;
  if (st.failed()) return;
  if (out == nullptr || read == write || (append && !write)) {
    st.set(SYSFILE_MODE);
    return;
  }
  if (name == nullptr || name[0] == '\0' || !valid_utf8(name)) {
    st.set(SYSFILE_BAD_NAME);
    return;
  }
  if (mem == nullptr) mem = std::pmr::get_default_resource();

  void* raw = allocate(mem, sizeof(SysFile), alignof(SysFile));
  if (raw == nullptr) {
    st.set(SYSFILE_SPACE);
    return;
  }
  SysFile* f = new (raw) SysFile();
  f->mem = mem;
  f->read = read;
  f->write = write;
  f->gzip = gzip;
  f->buf = static_cast<char*>(allocate(mem, f->cap));
  if (f->buf == nullptr) {
    free_record(f);
    st.set(SYSFILE_SPACE);
    return;
  }

  if (gzip) {
    char mode[8];
    int m = 0;
    mode[m++] = read ? 'r' : (append ? 'a' : 'w');
    mode[m++] = 'b';
    if (!read && level >= 0 && level <= 9) mode[m++] = static_cast<char>('0' + level);
    mode[m] = '\0';
    f->gz = gzopen(name, mode);
    if (f->gz == nullptr) {
      free_record(f);
      st.set(SYSFILE_OPEN);
      return;
    }
  } else {
    f->plain = std::fopen(name, read ? "rb" : (append ? "ab" : "wb"));
    if (f->plain == nullptr) {
      free_record(f);
      st.set(SYSFILE_OPEN);
      return;
    }
  }
  *out = f;
}

int32_t sysfile_close(SysFile** pf, int32_t* status) {
  if (pf == nullptr || *pf == nullptr) return 0;
  SysFile* f = *pf;
  *pf = nullptr;
  StatusRef local(nullptr);
  // The pending bytes are still written after an earlier failure of the caller's sequence: closing never loses
  // data that could be saved.
  if (f->write) drain(f, local);
  if (f->gzip) {
    int rc = gzclose(f->gz);
    if (f->write && rc != Z_OK) local.set(SYSFILE_WRITE);
  } else {
    int rc = std::fclose(f->plain);
    if (f->write && rc != 0) local.set(SYSFILE_WRITE);
  }
  free_record(f);
  if (status && *status == 0) *status = *local.p;
  return *local.p;
}

void sysfile_flush(SysFile* f, int32_t* status) {
  StatusRef st(status);
  if (st.failed() || f == nullptr || !f->write) return;
  drain(f, st);
  if (st.failed()) return;
  if (f->gzip) {
    if (gzflush(f->gz, Z_SYNC_FLUSH) != Z_OK) st.set(SYSFILE_WRITE);
  } else {
    if (std::fflush(f->plain) != 0) st.set(SYSFILE_WRITE);
  }
}

void sysfile_rewind(SysFile* f, int32_t* status) {
  StatusRef st(status);
  if (st.failed()) return;
  if (f == nullptr) {
    st.set(SYSFILE_MODE);
    return;
  }
  if (f->write) {
    drain(f, st);
    if (st.failed()) return;
  }
  f->fill = 0;
  f->pos = 0;
  f->at_eof = false;
  f->error_pending = false;
  if (f->gzip) {
    if (gzrewind(f->gz) != 0) st.set(SYSFILE_REWIND);
  } else {
    if (std::fseek(f->plain, 0, SEEK_SET) != 0) st.set(SYSFILE_REWIND);
    std::clearerr(f->plain);
  }
}

void sysfile_read(SysFile* f, void* buf, size_t n, size_t* got, int32_t* status) {
  StatusRef st(status);
  if (got) *got = 0;
  if (st.failed() || !check_mode(f, true, st)) return;
  char* out = static_cast<char*>(buf);
  size_t done = 0;
  while (done < n) {
    if (f->pos == f->fill) {
      // After some bytes, the end of the data is not an error for this call; the next call reports it.
      int32_t probe = 0;
      StatusRef pst(&probe);
      if (!refill(f, pst)) {
        if (done == 0 || probe != SYSFILE_EOF) st.set(probe);
        if (probe == SYSFILE_READ) f->error_pending = true;
        break;
      }
    }
    size_t k = f->fill - f->pos;
    if (k > n - done) k = n - done;
    std::memcpy(out + done, f->buf + f->pos, k);
    f->pos += k;
    done += k;
  }
  if (got) *got = done;
}

void sysfile_line_free(std::pmr::memory_resource* mem, char** line, size_t* cap) {
  if (line == nullptr || *line == nullptr) return;
  if (mem == nullptr) mem = std::pmr::get_default_resource();
  mem->deallocate(*line, cap ? *cap : 0);
  *line = nullptr;
  if (cap) *cap = 0;
}

void sysfile_readline(SysFile* f, char** line, size_t* cap, size_t* len, int32_t* status) {
  StatusRef st(status);
  if (len) *len = 0;
  if (st.failed() || !check_mode(f, true, st)) return;
  if (line == nullptr || cap == nullptr) {
    st.set(SYSFILE_MODE);
    return;
  }
  if (*line == nullptr) *cap = 0;
  size_t n = 0;
  bool any = false;
  // Appends k bytes to the line, keeping room for the terminator.
  auto append = [&](const char* p, size_t k) -> bool {
    if (n + k + 1 > *cap) {
      size_t want = *cap ? *cap * 2 : 128;
      while (want < n + k + 1) want *= 2;
      char* grown = static_cast<char*>(allocate(f->mem, want));
      if (grown == nullptr) {
        st.set(SYSFILE_SPACE);
        return false;
      }
      if (n) std::memcpy(grown, *line, n);
      if (*line) f->mem->deallocate(*line, *cap);
      *line = grown;
      *cap = want;
    }
    std::memcpy(*line + n, p, k);
    n += k;
    return true;
  };
  for (;;) {
    if (f->pos == f->fill) {
      int32_t probe = 0;
      StatusRef pst(&probe);
      if (!refill(f, pst)) {
        // End of data after part of a line: that part is the last line. A read failure is always reported.
        if (!any || probe != SYSFILE_EOF) st.set(probe);
        if (probe == SYSFILE_READ) f->error_pending = true;
        break;
      }
    }
    any = true;
    const char* start = f->buf + f->pos;
    size_t avail = f->fill - f->pos;
    const char* nl = static_cast<const char*>(std::memchr(start, '\n', avail));
    size_t k = nl ? static_cast<size_t>(nl - start) : avail;
    if (!append(start, k)) break;
    f->pos += k;
    if (nl) {
      ++f->pos;
      break;
    }
  }
  if (*line == nullptr) {
    if (st.failed()) return;  // nothing read and no block yet
    static const char empty_room[1] = {0};
    if (!append(empty_room, 0)) return;
  }
  (*line)[n] = '\0';
  if (len) *len = n;
}

void sysfile_write(SysFile* f, const void* buf, size_t n, int32_t* status) {
  StatusRef st(status);
  if (st.failed() || !check_mode(f, false, st)) return;
  const char* p = static_cast<const char*>(buf);
  if (n == 0) return;
  if (p == nullptr) {
    st.set(SYSFILE_MODE);
    return;
  }
  if (f->fill + n <= f->cap) {
    std::memcpy(f->buf + f->fill, p, n);
    f->fill += n;
    if (f->fill == f->cap) drain(f, st);
    return;
  }
  // Top up the buffer, pass it on, then either write the rest straight through or keep it.
  size_t k = f->cap - f->fill;
  std::memcpy(f->buf + f->fill, p, k);
  f->fill = f->cap;
  p += k;
  n -= k;
  drain(f, st);
  if (st.failed()) return;
  if (n >= f->cap) {
    write_direct(f, p, n, st);
  } else {
    std::memcpy(f->buf, p, n);
    f->fill = n;
  }
}

void sysfile_puts(SysFile* f, const char* s, int32_t* status) {
  if (s == nullptr) return;
  sysfile_write(f, s, std::strlen(s), status);
}

bool sysfile_is_gzip(const SysFile* f) { return f != nullptr && f->gzip; }

}  // namespace zrv
