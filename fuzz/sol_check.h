// One input of the solution-file reader's fuzz target, shared by the target and by the test that replays the
// corpus. The first input byte picks the solution (interior-point, basic, integer), the name layout
// (blank-delimited tokens or fixed widths 0, 3, 8) and the line width; the rest is the file. It is read into a
// fresh task of three named constraints, four named variables and a cone. A finding is a leak reported by the
// task's memory manager, an internal error, or a read that succeeds but leaves a constraint's dual y different
// from its dual lower minus dual upper (crashes and sanitizer reports speak for themselves).
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zirva.h"

namespace solfuzz {

inline void quiet(ZRVuserhandle_t, const char*) {}

inline ZRVtask_t new_task(ZRVenv_t env) {
  ZRVtask_t t = nullptr;
  if (ZRV_maketask(env, 0, 0, &t) != ZRV_RES_OK) return nullptr;
  for (int s = ZRV_STREAM_LOG; s <= ZRV_STREAM_WRN; ++s)
    ZRV_linkfunctotaskstream(t, static_cast<ZRVstreamtypee>(s), nullptr, quiet);
  ZRV_putintparam(t, ZRV_IPAR_LOG, 10);
  ZRV_appendcons(t, 3);
  ZRV_appendvars(t, 4);
  ZRV_putconbound(t, 0, ZRV_BK_RA, -1.0, 2.0);
  ZRV_putconbound(t, 1, ZRV_BK_FX, 1.0, 1.0);
  ZRV_putvarbound(t, 0, ZRV_BK_FR, 0.0, 0.0);
  ZRV_putvarbound(t, 1, ZRV_BK_UP, 0.0, 3.0);
  const char* cn[3] = {"c1", "row two", "obj"};
  const char* vn[4] = {"x1", "x2", "x3", "y"};
  for (int i = 0; i < 3; ++i) ZRV_putconname(t, i, cn[i]);
  for (int j = 0; j < 4; ++j) ZRV_putvarname(t, j, vn[j]);
  ZRV_putobjname(t, "obj");
  const int32_t members[3] = {1, 2, 3};
  ZRV_appendcone(t, ZRV_CT_QUAD, 0.0, 3, members);
  return t;
}

// Runs one input through a file of the given name. Returns "" or what went wrong; *result gets the reader's
// response code.
inline std::string run(ZRVenv_t env, const uint8_t* data, size_t size, const std::string& file, int32_t* result) {
  *result = ZRV_RES_OK;
  if (size < 1) return "";
  const uint8_t mode = data[0];
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return "cannot write " + file;
  bool written = size == 1 || std::fwrite(data + 1, 1, size - 1, f) == size - 1;
  std::fclose(f);
  if (!written) return "cannot write " + file;

  ZRVtask_t t = new_task(env);
  if (!t) return "no task";
  const ZRVsoltypee which = static_cast<ZRVsoltypee>(mode % 3);
  static const int32_t name_widths[4] = {-1, 0, 3, 8};
  static const int32_t line_widths[4] = {1024, 1, 17, 80};
  ZRV_putintparam(t, ZRV_IPAR_SOL_READ_NAME_WIDTH, name_widths[(mode >> 2) & 3]);
  ZRV_putintparam(t, ZRV_IPAR_SOL_READ_WIDTH, line_widths[(mode >> 4) & 3]);
  const int32_t r = ZRV_readsolution(t, which, file.c_str());
  *result = r;
  std::string problem;
  if (r == ZRV_RES_ERR_INTERNAL) problem = "internal error";
  if (r == ZRV_RES_OK && which != ZRV_SOL_ITG) {
    double y[3], slc[3], suc[3];
    if (ZRV_gety(t, which, y) || ZRV_getslc(t, which, slc) || ZRV_getsuc(t, which, suc)) {
      problem = "duals cannot be read";
    } else {
      for (int i = 0; i < 3; ++i)
        if (!(y[i] == slc[i] - suc[i]) && y[i] == y[i]) problem = "y is not slc - suc";
    }
  }
  if (ZRV_deletetask(&t) != ZRV_RES_OK && problem.empty()) problem = "task deletion failed (leak?)";
  return problem;
}

}  // namespace solfuzz
