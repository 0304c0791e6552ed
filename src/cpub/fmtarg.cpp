#include "cpub/fmtarg.h"

#include <cstdint>

namespace zrv {

int64_t FmtArg::as_i64() const {
  switch (kind) {
    case Kind::I32: return i32;
    case Kind::U32: return u32;
    case Kind::I64: return i64;
    case Kind::U64: return static_cast<int64_t>(u64);
    case Kind::F64: {
      // Truncate toward zero, saturating outside the 64-bit range (and 0 for NaN).
      if (!(f64 == f64)) return 0;
      if (f64 >= 9.2233720368547758e18) return INT64_MAX;
      if (f64 <= -9.2233720368547758e18) return INT64_MIN;
      return static_cast<int64_t>(f64);
    }
    case Kind::Ptr: return static_cast<int64_t>(reinterpret_cast<uintptr_t>(ptr));
    case Kind::Str:
    case Kind::WStr: return 0;
  }
  return 0;
}

double FmtArg::as_f64() const {
  switch (kind) {
    case Kind::I32: return i32;
    case Kind::U32: return u32;
    case Kind::I64: return static_cast<double>(i64);
    case Kind::U64: return static_cast<double>(u64);
    case Kind::F64: return f64;
    default: return 0.0;
  }
}

}  // namespace zrv
