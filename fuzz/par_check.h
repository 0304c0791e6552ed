// One input of the parameter-file reader's fuzz target, shared by the target and by the test that replays the
// corpus. The first input byte picks the reading options (case-folded names, errors ignored, parameter echo, the
// comment sign); the rest is the file, named by ZRV_SPAR_PARAM_READ_FILE_NAME of a fresh task. A finding is a
// leak reported by the task's memory manager or an internal error (crashes and sanitizer reports speak for
// themselves), or a value that does not survive a round trip (inputs whose mode byte has its high bit set): the
// task's parameters are written with ZRV_writeparamfile, the written lines of the changed ones are read into another
// fresh task, and every integer and string value must come back equal and every double to the nine digits that are
// written.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "zirva.h"

namespace parfuzz {

inline void quiet(ZRVuserhandle_t, const char*) {}

inline ZRVtask_t new_task(ZRVenv_t env, const std::string& file) {
  ZRVtask_t t = nullptr;
  if (ZRV_maketask(env, 0, 0, &t) != ZRV_RES_OK) return nullptr;
  for (int s = ZRV_STREAM_LOG; s <= ZRV_STREAM_WRN; ++s)
    ZRV_linkfunctotaskstream(t, static_cast<ZRVstreamtypee>(s), nullptr, quiet);
  ZRV_putstrparam(t, ZRV_SPAR_PARAM_READ_FILE_NAME, file.c_str());
  return t;
}

inline std::string str_value(ZRVtask_t t, int32_t id) {
  int32_t len = 0;
  ZRV_getstrparamlen(t, static_cast<ZRVsparame>(id), &len);
  std::vector<char> buf(static_cast<size_t>(len) + 1);
  ZRV_getstrparam(t, static_cast<ZRVsparame>(id), len + 1, nullptr, buf.data());
  return std::string(buf.data());
}

// Runs one input through files `in` and `out`. Returns "" or what went wrong; *result gets the reader's response
// code for the input.
inline std::string run(ZRVenv_t env, const uint8_t* data, size_t size, const std::string& in, const std::string& out,
                       int32_t* result) {
  *result = ZRV_RES_OK;
  if (size < 1) return "";
  const uint8_t mode = data[0];
  FILE* f = std::fopen(in.c_str(), "wb");
  if (!f) return "cannot write " + in;
  bool written = size == 1 || std::fwrite(data + 1, 1, size - 1, f) == size - 1;
  std::fclose(f);
  if (!written) return "cannot write " + in;

  ZRVtask_t t = new_task(env, in);
  if (!t) return "no task";
  static const char* const comments[4] = {"%%", "#", "  ;", ""};
  ZRV_putintparam(t, ZRV_IPAR_PARAM_READ_CASE_NAME, mode & 1 ? 0 : 1);
  ZRV_putintparam(t, ZRV_IPAR_PARAM_READ_IGN_ERROR, mode & 2 ? 1 : 0);
  ZRV_putintparam(t, ZRV_IPAR_LOG_PARAM, mode & 4 ? 1 : 0);
  ZRV_putstrparam(t, ZRV_SPAR_PARAM_COMMENT_SIGN, comments[(mode >> 3) & 3]);
  const int32_t r = ZRV_readparamfile(t);
  *result = r;
  std::string problem;
  if (r == ZRV_RES_ERR_INTERNAL) problem = "internal error";

  // Round trip of everything the file set. The whole file is written; the lines of the parameters whose values
  // differ from the defaults are read into a fresh task (reading all of them for every input would cost more than
  // the rest of the run), which must then agree with this one on every parameter.
  ZRVtask_t back = nullptr;
  // Round trips for the inputs whose mode byte has its high bit set: half of the runs, at twice the cost.
  if (!(mode & 0x80)) {
    if (ZRV_deletetask(&t) != ZRV_RES_OK && problem.empty()) problem = "task deletion failed (leak?)";
    return problem;
  }
  int32_t ni = 0, nd = 0, ns = 0;
  ZRV_getnumparam(t, ZRV_PAR_INT_TYPE, &ni);
  ZRV_getnumparam(t, ZRV_PAR_DOU_TYPE, &nd);
  ZRV_getnumparam(t, ZRV_PAR_STR_TYPE, &ns);
  auto int_of = [](ZRVtask_t k, int32_t i) {
    int32_t v = 0;
    ZRV_getintparam(k, static_cast<ZRViparame>(i), &v);
    return v;
  };
  auto dou_of = [](ZRVtask_t k, int32_t i) {
    double v = 0;
    ZRV_getdouparam(k, static_cast<ZRVdparame>(i), &v);
    return v;
  };
  auto name_of = [&](ZRVparametertypee type, int32_t i) {
    char name[ZRV_MAX_STR_LEN + 1] = {};
    ZRV_getparamname(t, type, i, name);
    return std::string(name);
  };
  // The defaults, taken once from a fresh task.
  struct Defaults {
    std::vector<int32_t> i;
    std::vector<double> d;
    std::vector<std::string> s;
  };
  static const Defaults defaults = [&] {
    Defaults d;
    ZRVtask_t k = new_task(env, out);
    for (int32_t q = 0; q < ni; ++q) d.i.push_back(int_of(k, q));
    for (int32_t q = 0; q < nd; ++q) d.d.push_back(dou_of(k, q));
    for (int32_t q = 0; q < ns; ++q) d.s.push_back(str_value(k, q));
    ZRV_deletetask(&k);
    return d;
  }();
  std::set<std::string> changed;
  if (problem.empty()) {
    for (int32_t i = 0; i < ni; ++i)
      if (int_of(t, i) != defaults.i[static_cast<size_t>(i)]) changed.insert(name_of(ZRV_PAR_INT_TYPE, i));
    for (int32_t i = 0; i < nd; ++i)
      if (!(dou_of(t, i) == defaults.d[static_cast<size_t>(i)])) changed.insert(name_of(ZRV_PAR_DOU_TYPE, i));
    for (int32_t i = 0; i < ns; ++i)
      if (i != ZRV_SPAR_PARAM_READ_FILE_NAME && str_value(t, i) != defaults.s[static_cast<size_t>(i)])
        changed.insert(name_of(ZRV_PAR_STR_TYPE, i));
    if (ZRV_writeparamfile(t, out.c_str()) != ZRV_RES_OK) problem = "write failed";
  }
  if (problem.empty()) {
    std::ifstream written(out, std::ios::binary);
    std::string kept = "BEGIN ZIRVA\n", line;
    while (std::getline(written, line)) {
      std::string name = line.substr(0, line.find(' '));
      if (changed.count(name)) kept += line + "\n";
    }
    kept += "END ZIRVA\n";
    written.close();
    std::ofstream(out, std::ios::binary | std::ios::trunc) << kept;
    back = new_task(env, out);
    if (!back) return "no task";
    int32_t rb = ZRV_readparamfile(back);
    if (rb != ZRV_RES_OK) problem = "written file reads with " + std::to_string(rb);
  }
  for (int32_t i = 0; i < ni && problem.empty(); ++i)
    if (int_of(t, i) != int_of(back, i)) problem = "integer parameter " + std::to_string(i) + " changed";
  for (int32_t i = 0; i < nd && problem.empty(); ++i) {
    double a = dou_of(t, i), b = dou_of(back, i);
    if (!(a == b || std::fabs(a - b) <= 1e-8 * std::fabs(a))) problem = "double parameter " + std::to_string(i) + " changed";
  }
  for (int32_t i = 0; i < ns && problem.empty(); ++i) {
    if (i == ZRV_SPAR_PARAM_READ_FILE_NAME) continue;  // differs by construction
    if (str_value(t, i) != str_value(back, i))
      problem = "string parameter " + std::to_string(i) + " changed: '" + str_value(t, i) + "' became '" +
                str_value(back, i) + "'";
  }
  if (back && ZRV_deletetask(&back) != ZRV_RES_OK && problem.empty()) problem = "task deletion failed (leak?)";
  if (ZRV_deletetask(&t) != ZRV_RES_OK && problem.empty()) problem = "task deletion failed (leak?)";
  return problem;
}

}  // namespace parfuzz
