// The library's own text formatter (UTF8Stream_format) and the text sinks it writes to.
#pragma once
#include <cstddef>
#include <string>

#include "cpub/fmtarg.h"

namespace zrv {

// Receiver of formatted text.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void put(const char* s, size_t n) = 0;
};

// A sink that appends to a std::string (used by the message builder and by tests).
class StringSink : public TextSink {
 public:
  std::string text;
  void put(const char* s, size_t n) override { text.append(s, n); }
};

// Formats `fmt` with `args` into `out`.
//   "%%" percent sign; "%{opts}X" option list then conversion; conversions i u l I L U e f p s ws;
//   options w (width) j (0 right, 1 centred, 2 left; default left) p (precision) g (fill char code)
//   f (base: 0 dec, 1 hex, 2 oct, 3 binary) + (sign) G (char code, stored) / (flag, stored);
//   every option except + and / consumes one integer argument, in the order of the letters, before the value.
// Returns 0, or -2 when an unknown conversion letter stops the formatting (text so far stays written).
// Missing arguments format as 0 / empty text; an argument of another kind is converted, never reinterpreted.
int utf8_format(TextSink& out, const char* fmt, FmtArgs args);

// Convenience: format into a std::string.
std::string utf8_format_string(const char* fmt, FmtArgs args);

}  // namespace zrv
