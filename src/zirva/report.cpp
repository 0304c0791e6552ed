#include "zirva/report.h"

#include <cstring>
#include <string>
#include <vector>

#include "cpub/loggate.h"
#include "cpub/utf8bld.h"
#include "zirva/env.h"

namespace zrv {

namespace {

constexpr size_t MAX_TEXT = 1024;

// Report texts print doubles with "%{wjp}e": width 8, left-justified, one digit after the point. Callers pass only
// the value; the three option values are put in front of it here.
std::vector<FmtArg> with_report_options(const char* tmpl, FmtArgs args) {
  std::vector<FmtArg> out;
  out.reserve(args.size + 6);
  size_t next = 0;
  for (const char* p = tmpl; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%' || *p == 0) {
      if (*p == 0) break;
      continue;
    }
    if (std::strncmp(p, "{wjp}e", 6) == 0) {
      out.emplace_back(int32_t{8});
      out.emplace_back(int32_t{2});
      out.emplace_back(int32_t{1});
    }
    if (next < args.size) out.push_back(args.data[next++]);
    if (*p == '{') {
      // Other option lists are passed through as the caller gave them.
      const char* close = std::strchr(p, '}');
      if (!close) break;
      p = close;
    }
  }
  while (next < args.size) out.push_back(args.data[next++]);
  return out;
}

// Formats the code's report text with the arguments ("No message for this code." when it has none).
std::string format_message(int32_t code, FmtArgs args) {
  const ResCodeDef* def = rescode_find(code);
  const char* text = def && def->report ? def->report : "No message for this code.";
  char tmpl[MAX_TEXT + 1];
  std::strncpy(tmpl, text, MAX_TEXT);
  tmpl[MAX_TEXT] = 0;
  std::vector<FmtArg> full = with_report_options(tmpl, args);
  StringSink sink;
  utf8_format(sink, tmpl, FmtArgs(full.data(), full.size()));
  return std::move(sink.text);
}

void write_report(ZRVtask_s* t, int32_t stream, const char* word, int32_t code, const std::string& msg) {
  StreamBlock& s = t->streams;
  if (!s.wanted(stream)) return;
  s.write(stream, PRODUCT);
  s.write(stream, word);
  s.format(stream, " %i: ", {code});
  s.write(stream, msg.c_str(), msg.size());
  s.write(stream, "\n");
}

}  // namespace

void set_last_error(ZRVtask_s* t, int32_t code, const char* msg) {
  if (!t->last_error) return;
  t->last_error_code = code;
  if (code == 0) {
    t->last_error[0] = 0;
    t->last_error_length = 0;
    return;
  }
  if (!msg) msg = "";
  size_t cap = static_cast<size_t>(t->last_error_capacity);
  size_t n = std::strlen(msg);
  if (n > cap - 1) n = cap - 1;
  std::memcpy(t->last_error, msg, n);
  t->last_error[n] = 0;
  t->last_error_length = static_cast<int64_t>(n) + 1;
}

int32_t report(ZRVtask_s* t, const char* file, int line, int32_t code, FmtArgs args) {
  (void)file;
  (void)line;
  if (!t) return code;
  if (code >= 1000) {
    std::string msg = format_message(code, args);
    if (!t->response_func)
      write_report(t, ZRV_STREAM_ERR, " error", code, msg);
    else
      t->response_func(t->response_handle, code, msg.c_str());
    set_last_error(t, code, msg.c_str());
    return code;
  }
  // Warnings: each code is counted separately against the warning limit.
  int32_t limit = t->ipar[ZRV_IPAR_MAX_NUM_WARNINGS];
  int32_t* counter = code >= 0 && code < NUM_WARNING_CODES ? &t->warning_count[code] : nullptr;
  int32_t count = counter ? *counter : 0;
  int32_t result = 0;
  if (count < limit) {
    if (counter) ++*counter;
    std::string msg = format_message(code, args);
    if (!t->response_func)
      write_report(t, ZRV_STREAM_WRN, " warning", code, msg);
    else if (t->response_func(t->response_handle, code, msg.c_str()) != 0)
      result = code;
    set_last_error(t, result, msg.c_str());
    return result;
  }
  if (count == limit && t->ipar[ZRV_IPAR_LOG] >= 1)
    t->streams.format(ZRV_STREAM_MSG, "Warning number %i is disabled.\n", {code});
  if (counter && *counter < INT32_MAX) ++*counter;
  set_last_error(t, 0, nullptr);
  return 0;
}

bool task_log_on(const ZRVtask_s* t, int32_t area_ipar) {
  return log_gate(t->ipar[area_ipar], t->ipar[ZRV_IPAR_LOG], t->optimizer_nesting,
                  t->ipar[ZRV_IPAR_LOG_CUT_SECOND_OPT]);
}

void task_printf(ZRVtask_s* t, int32_t stream, const char* fmt, FmtArgs args) {
  t->streams.format(stream, fmt, args);
}

}  // namespace zrv
