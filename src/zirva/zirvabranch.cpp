// Branch priority files: per variable a branching direction and a priority, in a fixed-column text layout read
// with the MPS line tokenizer.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/mpsio.h"
#include "zirva/problem.h"
#include "zirva/readmps.h"
#include "zirva/report.h"

using namespace zrv;

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void print_time(ZRVtask_s* t, const char* what, std::chrono::steady_clock::time_point t0) {
  if (!mps_log_lines(t)) return;
  char buf[64];
  std::snprintf(buf, sizeof buf, "done %s. Time: %.2f\n\n", what, seconds_since(t0));
  t->streams.write(ZRV_STREAM_MSG, buf);
}

// Width of the name field: room for the longest variable name (own or generic) and two blanks, at least 8.
int32_t name_width(ZRVtask_s* t, bool generic) {
  int64_t longest = 0;
  GenericName scratch;
  for (int32_t j = 0; j < t->prob->numvar; ++j) {
    size_t n = generic ? generic_name(NameClass::Var, j, GenericStyle::Numbered).len
                       : t->names->name_or_generic(NameClass::Var, j, GenericStyle::Numbered, 0, scratch).size();
    longest = std::max<int64_t>(longest, static_cast<int64_t>(n));
  }
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(8, longest + 2), INT32_MAX / 2));
}

int32_t open_for(ZRVtask_s* t, const char* filename, bool write, SysFile** f) {
  int32_t format;
  bool gzip;
  format_from_name(filename, &format, &gzip);
  int32_t st = SYSFILE_OK;
  sysfile_open(&mem(t), filename, !write, write, false, gzip, write && gzip ? 9 : -1, f, &st);
  if (st == SYSFILE_OK) return ZRV_RES_OK;
  int32_t code = sysfile_rescode(st);
  if (code == ZRV_RES_ERR_FILE_OPEN || code == ZRV_RES_ERR_INVALID_FILE_NAME) return ZRV_REPORT(t, code, filename);
  return ZRV_REPORT(t, code);
}

bool parse_priority(std::string_view s, int32_t* v) {
  if (s.empty()) return false;
  const char* b = s.data();
  const char* e = b + s.size();
  if (*b == '+') ++b;
  auto r = std::from_chars(b, e, *v);
  return r.ec == std::errc() && r.ptr == e;
}

int32_t read_priorities(ZRVtask_s* t, MpsTokenizer& tok) {
  int32_t sec = MPS_SEC_NONE;
  int32_t st = tok.next_header(&sec);
  if (st != MPS_ST_DATA) return st == MPS_ST_SECTION ? ZRV_REPORT(t, ZRV_RES_ERR_ORD_INVALID) : mps_tokenizer_failure(t, tok, st);
  if (sec != MPS_SEC_NAME) return ZRV_REPORT(t, ZRV_RES_ERR_ORD_INVALID);
  MpsFields f;
  for (;;) {
    st = tok.next_data(&f);
    if (st == MPS_ST_EMPTY) continue;
    if (st == MPS_ST_HEADER) {
      st = tok.next_header(&sec);
      if (st == MPS_ST_DATA && sec == MPS_SEC_ENDATA) return ZRV_RES_OK;
      if (st == MPS_ST_DATA || st == MPS_ST_SECTION) return ZRV_REPORT(t, ZRV_RES_ERR_ORD_INVALID);
      return mps_tokenizer_failure(t, tok, st);
    }
    if (st != MPS_ST_DATA) return mps_tokenizer_failure(t, tok, st);
    int32_t dir;
    if (f.text[0].empty())
      dir = ZRV_BRANCH_DIR_FREE;
    else if (f.text[0] == "UP")
      dir = ZRV_BRANCH_DIR_UP;
    else if (f.text[0] == "DN")
      dir = ZRV_BRANCH_DIR_DOWN;
    else
      return ZRV_REPORT(t, ZRV_RES_ERR_ORD_INVALID_BRANCH_DIR, std::string(f.text[0]).c_str());
    std::string_view name = f.text[1], pri = f.text[2];
    if (pri.empty()) {
      // Written with a narrower name field than this task's: the priority is the last word of the name field.
      size_t cut = name.find_last_of(' ');
      if (cut != std::string_view::npos) {
        pri = name.substr(cut + 1);
        name = name.substr(0, cut);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
      }
    }
    int32_t priority = 0;
    if (name.empty() || !parse_priority(pri, &priority)) return ZRV_REPORT(t, ZRV_RES_ERR_ORD_INVALID);
    bool found = false;
    int32_t j = -1;
    if (t->prob->numvar == 0) continue;
    int32_t r = t->names->lookup(NameClass::Var, name, &found, &j);
    if (r != ZRV_RES_OK) return ZRV_REPORT(t, r == ZRV_RES_ERR_SPACE ? r : ZRV_RES_ERR_INTERNAL, "name index");
    if (!found) continue;  // names that are not variables of the task are skipped
    if (int32_t e = ZRV_putvarbranchorder(t, j, priority, dir)) return e;
  }
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_readbranchpriorities(ZRVtask_t task, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  if (!filename) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_FILE_NAME, "NULL");
  return guarded(task, [&]() -> int32_t {
    SysFile* f = nullptr;
    if (int32_t r = open_for(task, filename, false, &f)) return r;
    auto t0 = std::chrono::steady_clock::now();
    if (mps_log_lines(task)) task->streams.write(ZRV_STREAM_MSG, "Start reading.\n");
    int32_t r;
    {
      MpsLineSource src;
      src.file = f;
      MpsTokenizer tok(&mem(task), MPS_RELAXED, false, task->ipar[ZRV_IPAR_READ_MPS_WIDTH], mps_source_read, &src);
      tok.set_branch_layout(name_width(task, false));
      r = read_priorities(task, tok);
      if (r != ZRV_RES_OK) mps_error_position(task, tok);
    }
    sysfile_close(&f, nullptr);
    print_time(task, "reading", t0);
    return r;
  });
}

ZRVrescodee ZRV_writebranchpriorities(ZRVtask_t task, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  if (!filename) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_FILE_NAME, "NULL");
  return guarded(task, [&]() -> int32_t {
    SysFile* f = nullptr;
    if (int32_t r = open_for(task, filename, true, &f)) return r;
    auto t0 = std::chrono::steady_clock::now();
    if (mps_log_lines(task)) task->streams.write(ZRV_STREAM_MSG, "Start writing.\n");
    const bool generic = task->ipar[ZRV_IPAR_WRITE_GENERIC_NAMES] != 0;
    const Problem& p = *task->prob;
    int32_t st = SYSFILE_OK;
    std::string line;
    std::string_view tname = task->names->task_name();
    if (tname.empty() || generic) {
      line = "NAME\n";
    } else {
      line = "NAME           ";
      line.append(tname);
      line += '\n';
    }
    char buf[96];
    std::snprintf(buf, sizeof buf, "* Written by ZIRVA version %d.%d.%d.%d\n", VERSION_MAJOR, VERSION_MINOR,
                  VERSION_BUILD, VERSION_REVISION);
    line += buf;
    const size_t width = static_cast<size_t>(name_width(task, generic));
    GenericName scratch;
    for (int32_t j = 0; p.has_branch && j < p.numvar; ++j) {
      int32_t pri = p.branchpri[static_cast<size_t>(j)], dir = p.branchdir[static_cast<size_t>(j)];
      if (pri == 0 && dir == 0) continue;
      line += dir == ZRV_BRANCH_DIR_UP ? " UP " : dir == ZRV_BRANCH_DIR_DOWN ? " DN " : dir == ZRV_BRANCH_DIR_FREE ? "    " : " ** ";
      std::string_view name = generic ? (scratch = generic_name(NameClass::Var, j, GenericStyle::Numbered)).view()
                                      : task->names->name_or_generic(NameClass::Var, j, GenericStyle::Numbered, 0, scratch);
      line.append(name);
      if (name.size() < width) line.append(width - name.size(), ' ');
      line += "  ";
      line += std::to_string(pri);
      line += '\n';
      if (line.size() > 60000) {
        sysfile_write(f, line.data(), line.size(), &st);
        line.clear();
      }
    }
    line += "ENDATA\n";
    sysfile_write(f, line.data(), line.size(), &st);
    sysfile_close(&f, &st);
    print_time(task, "writing", t0);
    if (st != SYSFILE_OK) return ZRV_REPORT(task, ZRV_RES_ERR_FILE_WRITE, filename);
    return ZRV_RES_OK;
  });
}

}  // extern "C"
