// Typed arguments for the library's own formatter. Reporters and log printers pass their values as an array of
// FmtArg, so a mismatch between a conversion letter and a value can never read the wrong type.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace zrv {

struct FmtArg {
  enum class Kind : uint8_t { I32, U32, I64, U64, F64, Ptr, Str, WStr };
  Kind kind;
  union {
    int32_t i32;
    uint32_t u32;
    int64_t i64;
    uint64_t u64;
    double f64;
    const void* ptr;
    const char* str;
    const uint16_t* wstr;
  };
  FmtArg(int32_t v) : kind(Kind::I32), i32(v) {}
  FmtArg(uint32_t v) : kind(Kind::U32), u32(v) {}
  FmtArg(long v) : kind(Kind::I64), i64(v) {}
  FmtArg(long long v) : kind(Kind::I64), i64(v) {}
  FmtArg(unsigned long v) : kind(Kind::U64), u64(v) {}
  FmtArg(unsigned long long v) : kind(Kind::U64), u64(v) {}
  FmtArg(double v) : kind(Kind::F64), f64(v) {}
  FmtArg(const char* v) : kind(Kind::Str), str(v) {}
  FmtArg(char* v) : kind(Kind::Str), str(v) {}
  FmtArg(const uint16_t* v) : kind(Kind::WStr), wstr(v) {}
  FmtArg(const void* v) : kind(Kind::Ptr), ptr(v) {}

  // Value as a signed 64-bit integer whatever the stored kind (doubles truncated, pointers as addresses).
  int64_t as_i64() const;
  // Value as a double whatever the stored kind.
  double as_f64() const;
};

// A view of an argument list. Built from a braced list only inside a call expression
// (`f(..., {a, b})`): the list's array lives until the end of that full expression, never store the view.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winit-list-lifetime"
struct FmtArgs {
  const FmtArg* data = nullptr;
  size_t size = 0;
  FmtArgs() = default;
  FmtArgs(const FmtArg* d, size_t n) : data(d), size(n) {}
  FmtArgs(std::initializer_list<FmtArg> l) : data(l.begin()), size(l.size()) {}
};
#pragma GCC diagnostic pop

}  // namespace zrv
