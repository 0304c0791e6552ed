// Parameter files: every parameter of a task by name, read from and written to a plain text file.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <stdio.h>
#include <sys/types.h>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/params.h"
#include "zirva/report.h"

using namespace zrv;

namespace {

bool begins_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

bool log_file_lines(const ZRVtask_s* t) { return t->ipar[ZRV_IPAR_LOG] != 0 && t->ipar[ZRV_IPAR_LOG_FILE] != 0; }

// Lines of a file, read a block at a time rather than a character at a time. Lines are taken whole, however long:
// the writer pads names to 48 columns, so a long string value makes a line longer than any fixed limit, and
// cutting it would change the value.
class LineReader {
 public:
  explicit LineReader(FILE* f) : f_(f) {}
  ~LineReader() { std::free(buf_); }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  // False at the end of the file.
  bool next(std::string* line) {
    ssize_t got = ::getline(&buf_, &cap_, f_);
    if (got < 0) return false;
    size_t n = static_cast<size_t>(got);
    if (n > 0 && buf_[n - 1] == '\n') --n;
    // A NUL byte ends the text of its line: names and values are C strings.
    if (const void* nul = std::memchr(buf_, '\0', n)) n = static_cast<size_t>(static_cast<const char*>(nul) - buf_);
    line->assign(buf_, n);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
  }

 private:
  FILE* f_;
  char* buf_ = nullptr;
  size_t cap_ = 0;
};

// Applies one parameter line. Returns the line's result; a line without a name is 0.
int32_t apply_line(ZRVtask_s* t, const std::string& line, char comment) {
  size_t p = 0;
  while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
  size_t start = p;
  while (p < line.size() && line[p] != ' ' && line[p] != '\t' && line[p] != comment) ++p;
  std::string name = line.substr(start, p - start);
  if (name.empty()) return ZRV_RES_OK;
  while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
  size_t vstart = p;
  if (p < line.size() && line[p] == '"') {
    // A quoted value runs to its closing quote, so it may hold the comment character.
    for (++p; p < line.size() && line[p] != '"'; ++p)
      if (line[p] == '\\' && p + 1 < line.size() && line[p + 1] == '"') ++p;
    if (p < line.size()) ++p;
  }
  while (p < line.size() && line[p] != comment) ++p;
  std::string value = line.substr(vstart, p - vstart);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  if (t->ipar[ZRV_IPAR_PARAM_READ_CASE_NAME] == 0)
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  if (t->ipar[ZRV_IPAR_LOG_PARAM] != 0) task_printf(t, ZRV_STREAM_MSG, "%s %s\n", {name.c_str(), value.c_str()});
  ZRVparametertypee type = ZRV_PAR_INVALID_TYPE;
  int32_t id = -1;
  ZRV_whichparam(t, name.c_str(), &type, &id);
  switch (type) {
    case ZRV_PAR_DOU_TYPE: {
      double v;
      if (!parse_param_double(value.c_str(), &v))
        return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_VALUE_STR, value.c_str(), name.c_str());
      return ZRV_putdouparam(t, id, v);
    }
    case ZRV_PAR_INT_TYPE: {
      int32_t v;
      if (!parse_param_int(value.c_str(), &v))
        return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_VALUE_STR, value.c_str(), name.c_str());
      return ZRV_putintparam(t, id, v);
    }
    case ZRV_PAR_STR_TYPE: return ZRV_putstrparam(t, id, value.c_str());
    default: {
      int32_t r = ZRV_REPORT(t, ZRV_RES_ERR_PARAM_NAME, name.c_str());
      task_printf(t, ZRV_STREAM_MSG, "The error occurred  in line:\n");
      task_printf(t, ZRV_STREAM_MSG, "%s\n", {line.c_str()});
      return r;
    }
  }
}

int32_t read_param_file(ZRVtask_s* t) {
  auto t0 = std::chrono::steady_clock::now();
  // The comment character: the first non-blank character of the comment-sign parameter.
  char comment = 0;
  for (const char* s = spar_value(t, ZRV_SPAR_PARAM_COMMENT_SIGN); *s; ++s)
    if (*s != ' ') {
      comment = *s;
      break;
    }
  std::string filename = spar_value(t, ZRV_SPAR_PARAM_READ_FILE_NAME);
  int32_t result = ZRV_RES_OK;
  if (filename.empty()) return ZRV_RES_OK;
  if (log_file_lines(t)) task_printf(t, ZRV_STREAM_MSG, "Reading %s file - %s\n", {"par", filename.c_str()});
  FILE* f = std::fopen(filename.c_str(), "r");
  if (!f) {
    result = ZRV_REPORT(t, ZRV_RES_WRN_OPEN_PARAM_FILE, filename.c_str());
  } else {
    std::string line;
    bool section = false;
    LineReader lines(f);
    while (lines.next(&line)) {
      if (begins_with(line, "BEGIN ZIRVA")) {
        section = true;
        break;
      }
    }
    if (!section) std::rewind(f);
    const bool ignore_errors = t->ipar[ZRV_IPAR_PARAM_READ_IGN_ERROR] != 0;
    while (lines.next(&line)) {
      if (section && begins_with(line, "END ZIRVA")) break;
      int32_t r = apply_line(t, line, comment);
      if (!ignore_errors) {
        result = r;
        if (r != ZRV_RES_OK) break;
      }
    }
    std::fclose(f);
  }
  if (log_file_lines(t)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "done reading. Time: %.2f\n\n", seconds_since(t0));
    t->streams.write(ZRV_STREAM_MSG, buf);
  }
  return result;
}

int32_t write_param_file(ZRVtask_s* t, const char* filename) {
  auto t0 = std::chrono::steady_clock::now();
  std::string name = filename && *filename ? filename : spar_value(t, ZRV_SPAR_PARAM_WRITE_FILE_NAME);
  if (name.empty()) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FILE_NAME, "");
  if (log_file_lines(t)) task_printf(t, ZRV_STREAM_MSG, "Writing %s file:  %s\n", {"par", name.c_str()});
  FILE* f = std::fopen(name.c_str(), "w");
  if (!f) return ZRV_REPORT(t, ZRV_RES_ERR_FILE_OPEN, name.c_str());
  std::fputs("BEGIN ZIRVA\n\n", f);
  // Reserved identifiers have no name and are neither written nor read.
  for (int32_t i = 0; i < NUM_IPAR; ++i)
    if (*IPAR_DEFS[i].name) std::fprintf(f, "%-48s %-18d\n", IPAR_DEFS[i].name, t->ipar[i]);
  std::fputs("\n", f);
  for (int32_t i = 0; i < NUM_DPAR; ++i) std::fprintf(f, "%-48s %-18.8e\n", DPAR_DEFS[i].name, t->dpar[i]);
  std::fputs("\n", f);
  for (int32_t i = 0; i < NUM_SPAR; ++i) {
    // A value that would not read back as written is quoted: one that begins or ends with a character that the
    // reader strips there (blank, tab, a carriage return before the newline), begins with a quote, or holds the
    // comment character.
    const char* v = spar_value(t, i);
    size_t n = std::strlen(v);
    auto edge = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    bool quote = n > 0 && (edge(v[0]) || edge(v[n - 1]) || v[0] == '"' || std::strchr(v, '%'));
    if (!quote) {
      std::fprintf(f, "%-48s %-s\n", SPAR_DEFS[i].name, v);
    } else {
      std::string q = "\"";
      for (const char* c = v; *c; ++c) {
        if (*c == '"') q.push_back('\\');
        q.push_back(*c);
      }
      // A backslash before the closing quote would read as an escaped quote. Such a value is written without
      // the closing quote: the value then runs to the end of the line, and its last character is not stripped.
      if (v[n - 1] != '\\') q.push_back('"');
      std::fprintf(f, "%-48s %-s\n", SPAR_DEFS[i].name, q.c_str());
    }
  }
  std::fputs("\nEND ZIRVA\n", f);
  bool ok = std::fflush(f) == 0 && !std::ferror(f);
  ok = std::fclose(f) == 0 && ok;
  if (!ok) return ZRV_REPORT(t, ZRV_RES_ERR_FILE_WRITE, name.c_str());
  if (log_file_lines(t)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "done writing. Time: %.2f\n\n", seconds_since(t0));
    t->streams.write(ZRV_STREAM_MSG, buf);
  }
  return ZRV_RES_OK;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_readparamfile(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return read_param_file(task); });
}

ZRVrescodee ZRV_writeparamfile(ZRVtask_t task, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return write_param_file(task, filename); });
}

}  // extern "C"
