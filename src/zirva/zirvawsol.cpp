// Solution files: a fixed-width report of one solution (header, constraints, variables, matrix variables) that
// the reader in zirvarsol.cpp takes back.
#include <cstdarg>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cpub/sysfile.h"
#include "zirva.h"
#include "zirva/conedata.h"
#include "zirva/env.h"
#include "zirva/params.h"
#include "zirva/report.h"
#include "zirva/solstore.h"

using namespace zrv;

namespace {

bool log_file_lines(const ZRVtask_s* t) { return t->ipar[ZRV_IPAR_LOG] > 0 && t->ipar[ZRV_IPAR_LOG_FILE] > 0; }

struct Filter {
  bool active = false, relative = false;
  double value = 0.0;
};

// Parses one filter text: empty is no filter; a leading sign char ('+' for LOW, '-' for UPR) makes it relative.
int32_t parse_filter(ZRVtask_s* t, const char* text, char relative_sign, Filter* f) {
  const char* p = text;
  while (*p == ' ') ++p;
  if (!*p) return ZRV_RES_OK;
  const char* num = p;
  bool relative = false;
  if (*p == relative_sign) {
    relative = true;
    ++num;
  }
  char* end = nullptr;
  double v = std::strtod(num, &end);
  while (end && *end == ' ') ++end;
  if (end == num || !end || *end || std::isnan(v)) return ZRV_REPORT(t, ZRV_RES_WRN_SOL_FILTER, text);
  f->active = true;
  f->relative = relative;
  f->value = v;
  return ZRV_RES_OK;
}

// True when the activity passes the item's two filters.
bool passes(const Filter& lo, const Filter& up, int32_t bk, double bl, double bu, double activity) {
  if (lo.active) {
    if (!lo.relative && activity < lo.value) return false;
    if (lo.relative && bk_has_lower(bk) && activity < bl + lo.value) return false;
  }
  if (up.active) {
    if (!up.relative && activity > up.value) return false;
    if (up.relative && bk_has_upper(bk) && activity > bu - up.value) return false;
  }
  return true;
}

class LineWriter {
 public:
  explicit LineWriter(SysFile* f) : f_(f) {}
  void put(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    char buf[4096];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof buf) {
      sysfile_write(f_, buf, static_cast<size_t>(n), &status);
      return;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    va_start(ap, fmt);
    std::vsnprintf(big.data(), big.size(), fmt, ap);
    va_end(ap);
    sysfile_write(f_, big.data(), static_cast<size_t>(n), &status);
  }
  int32_t status = SYSFILE_OK;

 private:
  SysFile* f_;
};

const char* sk_text(int32_t sk) {
  static const char* const words[] = {"UN", "BS", "SB", "LL", "UL", "EQ", "**"};
  return sk >= 0 && sk <= 6 ? words[sk] : "**";
}

int32_t write_solution(ZRVtask_s* t, int32_t whichsol, const char* filename) {
  auto t0 = std::chrono::steady_clock::now();
  if (int32_t r = sol_check_whichsol(t, whichsol)) return r;
  static const int32_t name_params[3] = {ZRV_SPAR_ITR_SOL_FILE_NAME, ZRV_SPAR_BAS_SOL_FILE_NAME,
                                         ZRV_SPAR_INT_SOL_FILE_NAME};
  std::string name = filename && *filename ? filename : spar_value(t, name_params[whichsol]);
  if (name.empty()) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_SOL_FILE_NAME, "");
  // Names: as they are, generic, or checked with a fall-back to generic names.
  bool generic = false;
  if (!t->ipar[ZRV_IPAR_WRITE_SOL_IGNORE_INVALID_NAMES]) {
    if (t->ipar[ZRV_IPAR_WRITE_GENERIC_NAMES]) {
      generic = true;
    } else if (t->names->analyze(NameRule::Gen).code != ZRV_RES_OK) {
      generic = true;
      if (int32_t r = ZRV_REPORT(t, ZRV_RES_WRN_USING_GENERIC_NAMES)) return r;
    }
  }
  if (int32_t r = sol_check_defined(t, whichsol)) return r;
  Filter xclo, xcup, xxlo, xxup;
  if (int32_t r = parse_filter(t, spar_value(t, ZRV_SPAR_SOL_FILTER_XC_LOW), '+', &xclo)) return r;
  if (int32_t r = parse_filter(t, spar_value(t, ZRV_SPAR_SOL_FILTER_XC_UPR), '-', &xcup)) return r;
  if (int32_t r = parse_filter(t, spar_value(t, ZRV_SPAR_SOL_FILTER_XX_LOW), '+', &xxlo)) return r;
  if (int32_t r = parse_filter(t, spar_value(t, ZRV_SPAR_SOL_FILTER_XX_UPR), '-', &xxup)) return r;
  const bool keep_basic = t->ipar[ZRV_IPAR_SOL_FILTER_KEEP_BASIC] != 0;

  int32_t st = SYSFILE_OK;
  SysFile* f = nullptr;
  sysfile_open(&mem(t), name.c_str(), false, true, false, false, -1, &f, &st);
  if (st != SYSFILE_OK) return ZRV_REPORT(t, ZRV_RES_ERR_FILE_OPEN, name.c_str());
  if (log_file_lines(t)) t->streams.write(ZRV_STREAM_MSG, "Start writing.\n");

  static const int32_t head_params[3][3] = {
      {ZRV_IPAR_WRITE_SOL_HEAD, ZRV_IPAR_WRITE_SOL_CONSTRAINTS, ZRV_IPAR_WRITE_SOL_VARIABLES},
      {ZRV_IPAR_WRITE_BAS_HEAD, ZRV_IPAR_WRITE_BAS_CONSTRAINTS, ZRV_IPAR_WRITE_BAS_VARIABLES},
      {ZRV_IPAR_WRITE_INT_HEAD, ZRV_IPAR_WRITE_INT_CONSTRAINTS, ZRV_IPAR_WRITE_INT_VARIABLES}};
  const Solution& s = sol_of(t, whichsol);
  const Problem& p = *t->prob;
  const bool integer = whichsol == ZRV_SOL_ITG;
  const bool conic = whichsol == ZRV_SOL_ITR && t->cones->numcone > 0;
  auto item_name = [&](NameClass c, int32_t i) -> std::string {
    if (generic) return std::string(generic_name(c, i, GenericStyle::Numbered).view());
    return std::string(t->names->name(c, i));
  };
  int width = 0;
  for (int32_t i = 0; i < p.numcon; ++i) width = std::max<int>(width, static_cast<int>(item_name(NameClass::Con, i).size()));
  for (int32_t j = 0; j < p.numvar; ++j) width = std::max<int>(width, static_cast<int>(item_name(NameClass::Var, j).size()));
  width = std::max(width, 4);  // at least the width of the heading "NAME"

  LineWriter w(f);
  if (t->ipar[head_params[whichsol][0]]) {
    double pobj = 0.0, dobj = 0.0;
    ZRV_getprimalobj(t, whichsol, &pobj);
    if (!integer) ZRV_getdualobj(t, whichsol, &dobj);
    std::string task_name(t->names->task_name());
    const char* ps = prosta_text(s.prosta);
    const char* ss = solsta_text(s.solsta);
    w.put("%-20s: %s\n", "NAME", task_name.c_str());
    w.put("%-20s: %s\n", "PROBLEM STATUS", ps ? ps : "UNKNOWN");
    w.put("%-20s: %s\n", "SOLUTION STATUS", ss ? ss : "UNKNOWN");
    std::string objname(generic ? "OBJ" : std::string(t->names->objective_name()));
    w.put("%-20s: %-s\n", "OBJECTIVE NAME", objname.c_str());
    w.put("%-20s: %-18.8e\n", "PRIMAL OBJECTIVE", pobj);
    if (!integer) w.put("%-20s: %-18.8e\n", "DUAL OBJECTIVE", dobj);
  }
  auto limits = [&](int32_t bk, double bl, double bu) {
    if (bk_has_lower(bk))
      w.put(" %-18.8e", bl);
    else
      w.put(" %-18s", "NONE");
    if (bk_has_upper(bk))
      w.put(" %-18.8e", bk == ZRV_BK_FX ? bl : bu);
    else
      w.put(" %-18s", "NONE");
  };
  if (t->ipar[head_params[whichsol][1]]) {
    w.put("\nCONSTRAINTS\n");
    w.put("%-10s %-*s %-2s %-24s %-18s %-18s", "INDEX", width, "NAME", "AT", "ACTIVITY", "LOWER LIMIT", "UPPER LIMIT");
    if (!integer) w.put(" %-24.14s %-24.14s", "DUAL LOWER", "DUAL UPPER");
    w.put("\n");
    for (int32_t i = 0; i < p.numcon; ++i) {
      size_t k = static_cast<size_t>(i);
      int32_t bk = p.bkc[k];
      bool basic = s.skc[k] == ZRV_SK_BAS;
      if (!(keep_basic && basic) && !passes(xclo, xcup, bk, p.blc[k], p.buc[k], s.xc[k])) continue;
      w.put("%-10d %-*s %-2s %-24.14e", i, width, item_name(NameClass::Con, i).c_str(), sk_text(s.skc[k]), s.xc[k]);
      limits(bk, p.blc[k], p.buc[k]);
      if (!integer) w.put(" %-24.14e %-24.14e", s.slc[k], s.suc[k]);
      w.put("\n");
    }
  }
  if (t->ipar[head_params[whichsol][2]]) {
    w.put("\nVARIABLES\n");
    w.put("%-10s %-*s %-2s %-24s %-18s %-18s", "INDEX", width, "NAME", "AT", "ACTIVITY", "LOWER LIMIT", "UPPER LIMIT");
    if (!integer) w.put(" %-24s %-24s", "DUAL LOWER", "DUAL UPPER");
    if (conic) w.put(" %-24s", "DUAL CONIC");
    w.put("\n");
    for (int32_t j = 0; j < p.numvar; ++j) {
      size_t k = static_cast<size_t>(j);
      int32_t bk = p.bkx[k];
      bool basic = s.skx[k] == ZRV_SK_BAS;
      if (!(keep_basic && basic) && !passes(xxlo, xxup, bk, p.blx[k], p.bux[k], s.xx[k])) continue;
      w.put("%-10d %-*s %-2s %-24.14e", j, width, item_name(NameClass::Var, j).c_str(), sk_text(s.skx[k]), s.xx[k]);
      limits(bk, p.blx[k], p.bux[k]);
      if (!integer) w.put(" %-24.14e %-24.14e", s.slx[k], s.sux[k]);
      if (conic) w.put(" %-24.14e", s.snx[k]);
      w.put("\n");
    }
  }
  const ConeData& c = *t->cones;
  if (whichsol == ZRV_SOL_ITR && c.numbarvar > 0 && t->ipar[ZRV_IPAR_WRITE_SOL_BARVARIABLES]) {
    int bwidth = 4;
    for (int32_t j = 0; j < c.numbarvar; ++j)
      bwidth = std::max<int>(bwidth, static_cast<int>(item_name(NameClass::BarVar, j).size()));
    w.put("\nSYMMETRIC MATRIX VARIABLES\n");
    w.put("%-10s %-*s %-9s %-9s %-24s %-24s\n", "INDEX", bwidth, "NAME", "I", "J", "PRIMAL", "DUAL");
    long long element = 0;
    int64_t off = 0;
    for (int32_t j = 0; j < c.numbarvar; ++j) {
      int32_t d = c.bardim[static_cast<size_t>(j)];
      std::string bname = item_name(NameClass::BarVar, j);
      // Packed lower triangle, column by column.
      int64_t pos = off;
      for (int32_t col = 0; col < d; ++col)
        for (int32_t row = col; row < d; ++row, ++pos)
          w.put("%-10lld %-*s %-9d %-9d %-24.12e %-24.12e\n", element++, bwidth, bname.c_str(), row, col,
                s.barx[static_cast<size_t>(pos)], s.bars[static_cast<size_t>(pos)]);
      off = pos;
    }
  }
  st = w.status;
  sysfile_close(&f, &st);
  if (st != SYSFILE_OK) return ZRV_REPORT(t, ZRV_RES_ERR_FILE_WRITE, name.c_str());
  if (log_file_lines(t)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "done writing. Time: %.2f\n\n",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    t->streams.write(ZRV_STREAM_MSG, buf);
  }
  return ZRV_RES_OK;
}

}  // namespace

extern "C" ZRVrescodee ZRV_writesolution(ZRVtask_t task, ZRVsoltypee whichsol, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return write_solution(task, whichsol, filename); });
}
