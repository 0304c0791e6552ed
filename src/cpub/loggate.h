// The rule that decides whether a log line of an area is printed. An area with its own level parameter (interior
// point, simplex, presolve, ...) prints when the smaller of that level and the general log level exceeds the cut:
// 0 normally, the second-optimization cut while an optimization runs inside another one (nesting 2 or more).
// Output written directly through the echo functions is not gated.
#pragma once
#include <cstdint>

namespace zrv {

inline bool log_gate(int area_level, int log_level, int nesting, int cut_second_opt) {
  int level = area_level < log_level ? area_level : log_level;
  int cut = nesting >= 2 ? cut_second_opt : 0;
  return level > cut;
}

}  // namespace zrv
