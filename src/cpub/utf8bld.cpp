// The library's own formatter. Text between directives is copied in runs; each directive is expanded into a small
// local buffer and padded to its field. Integers are converted here digit by digit; doubles go through snprintf
// for the digits of their absolute value only, the sign is written by us.
#include "cpub/utf8bld.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace zrv {

namespace {

// Longest field text produced by a numeric conversion: "%.15f" of the largest double has 309 integer digits.
constexpr size_t NUM_BUF = 400;

// Widths beyond this are clamped so that a stray argument cannot make one directive write gigabytes of fill.
constexpr int64_t MAX_WIDTH = 1 << 20;

struct Options {
  int64_t width = 0;
  int64_t just = -1;  // -1: not given (left)
  int64_t prec = -1;  // -1: not given
  bool has_prec = false;
  uint32_t fill = ' ';
  int64_t base = 0;
  bool plus = false;
  uint32_t second_char = 0;  // option G: parsed and kept, no effect on the output
  bool slash = false;        // option /: parsed and kept, no effect on the output
};

class ArgReader {
 public:
  explicit ArgReader(FmtArgs a) : args_(a) {}
  const FmtArg* next() { return pos_ < args_.size ? &args_.data[pos_++] : nullptr; }
  int64_t next_int() {
    const FmtArg* a = next();
    return a ? a->as_i64() : 0;
  }

 private:
  FmtArgs args_;
  size_t pos_ = 0;
};

// Encodes one code point as UTF-8 into out (4 bytes room); returns the byte count.
size_t encode_utf8(uint32_t cp, char* out) {
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
  if (cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// Characters (not bytes) in a UTF-8 text: every byte that is not a continuation byte starts one.
int64_t count_chars(const char* s, size_t n) {
  int64_t c = 0;
  for (size_t i = 0; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++c;
  return c;
}

void put_fill(TextSink& out, uint32_t fill, int64_t count) {
  if (count <= 0) return;
  char one[4];
  size_t len = encode_utf8(fill, one);
  char block[256];
  size_t per = sizeof(block) / len;
  for (size_t i = 0; i < per; ++i) std::memcpy(block + i * len, one, len);
  while (count > 0) {
    size_t k = count < static_cast<int64_t>(per) ? static_cast<size_t>(count) : per;
    out.put(block, k * len);
    count -= static_cast<int64_t>(k);
  }
}

// Writes the field text padded to the width with the justification of the options.
void put_field(TextSink& out, const Options& o, const char* s, size_t n) {
  int64_t width = o.width > MAX_WIDTH ? MAX_WIDTH : o.width;
  int64_t pad = width - count_chars(s, n);
  if (pad <= 0) {
    out.put(s, n);
    return;
  }
  int64_t before = 0;
  int64_t after = pad;
  if (o.just == 0) {
    before = pad;
    after = 0;
  } else if (o.just == 1) {
    before = pad / 2;
    after = pad - before;
  }
  put_fill(out, o.fill, before);
  out.put(s, n);
  put_fill(out, o.fill, after);
}

// Digits of v in the base of the option (0 decimal, 1 hexadecimal, 2 octal, 3 binary; others decimal), written
// backwards from end; returns the start.
char* unsigned_digits(uint64_t v, int64_t base_opt, char* end) {
  unsigned base = 10;
  if (base_opt == 1) base = 16;
  else if (base_opt == 2) base = 8;
  else if (base_opt == 3) base = 2;
  static const char digits[] = "0123456789abcdef";
  char* p = end;
  do {
    *--p = digits[v % base];
    v /= base;
  } while (v != 0);
  return p;
}

void put_integer(TextSink& out, const Options& o, bool negative, uint64_t magnitude) {
  char buf[80];
  char* end = buf + sizeof(buf);
  char* p = unsigned_digits(magnitude, o.base, end);
  if (negative) *--p = '-';
  else if (o.plus) *--p = '+';
  put_field(out, o, p, static_cast<size_t>(end - p));
}

void put_signed(TextSink& out, const Options& o, int64_t v) {
  // Magnitude computed in unsigned arithmetic so that INT64_MIN is handled.
  uint64_t m = v < 0 ? (~static_cast<uint64_t>(v) + 1) : static_cast<uint64_t>(v);
  put_integer(out, o, v < 0, m);
}

void put_double(TextSink& out, const Options& o, double v, char conv) {
  int prec;
  if (o.has_prec && o.prec >= 0) prec = o.prec > 15 ? 15 : static_cast<int>(o.prec);
  else prec = conv == 'e' ? 15 : 5;  // no or negative precision: the conversion's default
  char buf[NUM_BUF];
  size_t n = 0;
  if (std::signbit(v) && !std::isnan(v)) buf[n++] = '-';
  else if (o.plus && !std::isnan(v)) buf[n++] = '+';
  const char* f = conv == 'e' ? "%.*e" : "%.*f";
  int k = std::snprintf(buf + n, sizeof(buf) - n, f, prec, std::fabs(v));
  if (k < 0) k = 0;
  n += static_cast<size_t>(k) < sizeof(buf) - n ? static_cast<size_t>(k) : sizeof(buf) - n - 1;
  put_field(out, o, buf, n);
}

void put_pointer(TextSink& out, const Options& o, uint64_t addr) {
  char buf[40];
  char* end = buf + sizeof(buf);
  char* p = unsigned_digits(addr, 1, end);
  *--p = 'x';
  *--p = '0';
  put_field(out, o, p, static_cast<size_t>(end - p));
}

void put_wide(TextSink& out, const Options& o, const uint16_t* w) {
  if (w == nullptr) {
    put_field(out, o, "(null)", 6);
    return;
  }
  // Converted in pieces when the text needs no padding; a padded field is measured first.
  int64_t chars = 0;
  for (const uint16_t* q = w; *q; ++q)
    if (!(*q >= 0xDC00 && *q <= 0xDFFF && q > w && q[-1] >= 0xD800 && q[-1] <= 0xDBFF)) ++chars;
  int64_t width = o.width > MAX_WIDTH ? MAX_WIDTH : o.width;
  int64_t pad = width - chars;
  int64_t before = 0, after = 0;
  if (pad > 0) {
    if (o.just == 0) before = pad;
    else if (o.just == 1) {
      before = pad / 2;
      after = pad - before;
    } else after = pad;
  }
  put_fill(out, o.fill, before);
  char piece[256];
  size_t n = 0;
  for (const uint16_t* q = w; *q; ++q) {
    uint32_t cp = *q;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (q[1] >= 0xDC00 && q[1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (q[1] - 0xDC00);
        ++q;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (n + 4 > sizeof(piece)) {
      out.put(piece, n);
      n = 0;
    }
    n += encode_utf8(cp, piece + n);
  }
  if (n) out.put(piece, n);
  put_fill(out, o.fill, after);
}

// Fill and second-character options: a 16-bit character code; 0 leaves the blank.
uint32_t char_code(int64_t v) {
  uint32_t c = static_cast<uint16_t>(v);
  return c == 0 ? ' ' : c;
}

}  // namespace

int utf8_format(TextSink& out, const char* fmt, FmtArgs args) {
  if (fmt == nullptr) return 0;
  ArgReader ar(args);
  const char* p = fmt;
  while (*p) {
    const char* run = p;
    while (*p && *p != '%') ++p;
    if (p > run) out.put(run, static_cast<size_t>(p - run));
    if (!*p) break;
    ++p;  // past '%'
    if (*p == '%') {
      out.put("%", 1);
      ++p;
      continue;
    }
    Options o;
    if (*p == '{') {
      ++p;
      for (; *p && *p != '}'; ++p) {
        switch (*p) {
          case 'w': o.width = ar.next_int(); if (o.width < 0) o.width = 0; break;
          case 'j': o.just = ar.next_int(); break;
          case 'p': o.prec = ar.next_int(); o.has_prec = true; break;
          case 'g': o.fill = char_code(ar.next_int()); break;
          case 'f': o.base = ar.next_int(); break;
          case 'G': o.second_char = char_code(ar.next_int()); break;
          case '+': o.plus = true; break;
          case '/': o.slash = true; break;
          default: return -2;  // unknown option letter
        }
      }
      if (*p != '}') return -2;  // option list not closed
      ++p;
    }
    char conv = *p;
    if (conv == '\0') return -2;
    ++p;
    switch (conv) {
      case 'i':
      case 'l':
      case 'I': {
        const FmtArg* a = ar.next();
        put_signed(out, o, a ? a->as_i64() : 0);
        break;
      }
      case 'u': {
        const FmtArg* a = ar.next();
        uint64_t v = 0;
        if (a) {
          if (a->kind == FmtArg::Kind::U64) v = a->u64;
          else if (a->kind == FmtArg::Kind::I32) v = static_cast<uint32_t>(a->i32);
          else v = static_cast<uint64_t>(a->as_i64());
        }
        put_integer(out, o, false, v);
        break;
      }
      case 'L':
      case 'U': {
        const FmtArg* a = ar.next();
        uint64_t v = 0;
        if (a) v = a->kind == FmtArg::Kind::U64 ? a->u64 : static_cast<uint64_t>(a->as_i64());
        put_integer(out, o, false, v);
        break;
      }
      case 'e':
      case 'f': {
        const FmtArg* a = ar.next();
        put_double(out, o, a ? a->as_f64() : 0.0, conv);
        break;
      }
      case 'p': {
        const FmtArg* a = ar.next();
        uint64_t v = 0;
        if (a && a->kind != FmtArg::Kind::F64) {
          if (a->kind == FmtArg::Kind::Str) v = reinterpret_cast<uintptr_t>(a->str);
          else if (a->kind == FmtArg::Kind::WStr) v = reinterpret_cast<uintptr_t>(a->wstr);
          else v = static_cast<uint64_t>(a->as_i64());
        }
        put_pointer(out, o, v);
        break;
      }
      case 's': {
        const FmtArg* a = ar.next();
        if (a && a->kind == FmtArg::Kind::Str) {
          const char* s = a->str ? a->str : "(null)";
          put_field(out, o, s, std::strlen(s));
        } else if (a && a->kind == FmtArg::Kind::WStr) {
          put_wide(out, o, a->wstr);
        } else {
          put_field(out, o, "", 0);  // missing or not a text
        }
        break;
      }
      case 'w': {
        if (*p != 's') return -2;
        ++p;
        const FmtArg* a = ar.next();
        if (a && a->kind == FmtArg::Kind::WStr) put_wide(out, o, a->wstr);
        else if (a && a->kind == FmtArg::Kind::Str) put_field(out, o, a->str ? a->str : "(null)", a->str ? std::strlen(a->str) : 6);
        else put_field(out, o, "", 0);
        break;
      }
      default:
        return -2;
    }
  }
  return 0;
}

std::string utf8_format_string(const char* fmt, FmtArgs args) {
  StringSink s;
  try {
    utf8_format(s, fmt, args);
  } catch (...) {
    // Out of memory while growing the text: hand back what fitted.
  }
  return std::move(s.text);
}

}  // namespace zrv
