// Reading a solution file written by ZRV_writesolution back into one of the task's solutions, by item name.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "cpub/sysfile.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/report.h"
#include "zirva/solstore.h"

using namespace zrv;

namespace {

struct Fields {
  std::string name, key;
  double num[6] = {0, 0, 0, 0, 0, 0};  // activity, lower, upper, dual lower, dual upper, dual conic
};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits a table line. False when a number field that is used is not a number (the line is then ignored).
bool split_line(std::string_view line, int32_t name_width, Fields* f) {
  size_t p = 0, n = line.size();
  auto skip = [&] {
    while (p < n && blank(line[p])) ++p;
  };
  auto token = [&]() -> std::string_view {
    skip();
    size_t b = p;
    while (p < n && !blank(line[p])) ++p;
    return line.substr(b, p - b);
  };
  token();  // index
  skip();
  if (name_width >= 0) {
    size_t w = std::min(static_cast<size_t>(name_width), n - p);
    std::string_view nm = line.substr(p, w);
    while (!nm.empty() && blank(nm.back())) nm.remove_suffix(1);
    f->name.assign(nm);
    p += w;
  } else {
    f->name.assign(token());
  }
  f->key.assign(token());
  for (int k = 0; k < 6; ++k) {
    std::string_view tk = token();
    f->num[k] = 0.0;
    if (tk.empty()) continue;  // a missing field counts as 0
    if (k == 1 || k == 2) continue;  // the limits are not read (they may be "NONE")
    std::string s(tk);
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end) return false;
    f->num[k] = v;
  }
  return true;
}

int32_t read_solution(ZRVtask_s* t, int32_t whichsol, const char* filename) {
  auto t0 = std::chrono::steady_clock::now();
  if (int32_t r = sol_check_whichsol(t, whichsol)) return r;
  if (!filename || !*filename) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_SOL_FILE_NAME, filename ? "" : "NULL");
  bool logging = t->ipar[ZRV_IPAR_LOG] > 0 && t->ipar[ZRV_IPAR_LOG_FILE] > 0;
  task_printf(t, ZRV_STREAM_MSG, "Reading solution file - %s\n", {filename});
  int32_t st = SYSFILE_OK;
  SysFile* f = nullptr;
  sysfile_open(&mem(t), filename, true, false, false, false, -1, &f, &st);
  if (st != SYSFILE_OK) return ZRV_REPORT(t, sysfile_rescode(st), filename);
  if (logging) t->streams.write(ZRV_STREAM_MSG, "Start reading.\n");
  if (int32_t r = sol_define(t, whichsol)) {
    sysfile_close(&f, nullptr);
    return r;
  }
  Solution& s = sol_of(t, whichsol);
  const bool duals = whichsol != ZRV_SOL_ITG;
  const size_t width = static_cast<size_t>(std::max(t->ipar[ZRV_IPAR_SOL_READ_WIDTH], 1));
  const int32_t name_width = t->ipar[ZRV_IPAR_SOL_READ_NAME_WIDTH];
  std::string objname(t->names->objective_name());
  char* buf = nullptr;
  size_t cap = 0, len = 0;
  enum { BEFORE, CON_HEADING, CONS, VAR_HEADING, VARS } state = BEFORE;
  int32_t ignored = 0, result = ZRV_RES_OK;
  Fields fl;
  auto finish_section = [&](bool cons) -> int32_t {
    int32_t r = ZRV_RES_OK;
    if (ignored > 0)
      r = ZRV_REPORT(t, cons ? ZRV_RES_WRN_SOL_FILE_IGNORED_CON : ZRV_RES_WRN_SOL_FILE_IGNORED_VAR, ignored);
    ignored = 0;
    return r;
  };
  while (result == ZRV_RES_OK) {
    int32_t rs = SYSFILE_OK;
    sysfile_readline(f, &buf, &cap, &len, &rs);
    if (rs == SYSFILE_EOF) break;
    if (rs != SYSFILE_OK) {
      result = ZRV_REPORT(t, sysfile_rescode(rs), filename);
      break;
    }
    std::string_view line(buf, std::min(len, width));
    if (state == BEFORE) {
      if (line.rfind("CONSTRAINTS", 0) == 0) state = CON_HEADING;
      continue;
    }
    if (state == CON_HEADING || state == VAR_HEADING) {
      state = state == CON_HEADING ? CONS : VARS;
      continue;
    }
    if (state == CONS && line.rfind("VARIABLES", 0) == 0) {
      result = finish_section(true);
      state = VAR_HEADING;
      continue;
    }
    size_t q = 0;
    while (q < line.size() && blank(line[q])) ++q;
    if (q == line.size() || line[q] == '*') continue;
    if (!split_line(line, name_width, &fl)) {
      ++ignored;
      continue;
    }
    bool con = state == CONS;
    if (con && !objname.empty() && fl.name == objname) continue;
    bool found = false;
    int32_t idx = -1;
    t->names->lookup(con ? NameClass::Con : NameClass::Var, fl.name, &found, &idx);
    if (!found) {
      if (int32_t r = ZRV_REPORT(t, ZRV_RES_WRN_UNDEF_SOL_FILE_NAME, fl.name.c_str(), con ? "constraint" : "variable"))
        result = r;
      continue;
    }
    // Every key the writer writes reads back, "UN" for unknown included; any other text stops the read.
    ZRVstakeye sk = 0;
    if (ZRV_strtosk(t, fl.key.c_str(), &sk) != ZRV_RES_OK) {
      result = ZRV_REPORT(t, ZRV_RES_ERR_INV_SK_STR, fl.key.c_str());
      break;
    }
    size_t k = static_cast<size_t>(idx);
    if (con) {
      s.skc[k] = sk;
      s.xc[k] = fl.num[0];
      if (duals) {
        s.slc[k] = fl.num[3];
        s.suc[k] = fl.num[4];
        s.y[k] = fl.num[3] - fl.num[4];
      }
    } else {
      s.skx[k] = sk;
      s.xx[k] = fl.num[0];
      if (duals) {
        s.slx[k] = fl.num[3];
        s.sux[k] = fl.num[4];
        if (whichsol == ZRV_SOL_ITR) s.snx[k] = fl.num[5];
      }
    }
  }
  if (result == ZRV_RES_OK && state == CONS) result = finish_section(true);
  if (result == ZRV_RES_OK && state == VARS) result = finish_section(false);
  sysfile_line_free(&mem(t), &buf, &cap);
  sysfile_close(&f, nullptr);
  if (logging) {
    char line[64];
    std::snprintf(line, sizeof line, "done reading. Time: %.2f\n\n",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    t->streams.write(ZRV_STREAM_MSG, line);
  }
  if (result == ZRV_RES_OK) ZRV_solutionsummary(t, ZRV_STREAM_MSG);
  return result;
}

}  // namespace

extern "C" ZRVrescodee ZRV_readsolution(ZRVtask_t task, ZRVsoltypee whichsol, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return read_solution(task, whichsol, filename); });
}
