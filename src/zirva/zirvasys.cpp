// Version and build information, the introduction, the fatal-error path, the exported stream operations and the
// UTF-8 / 16-bit character conversions.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/params.h"
#include "zirva/report.h"

using namespace zrv;

namespace zrv {

const char* version_text() { return "7.0.0.106"; }

const char* build_date() {
  // "Dec  6 2026" and "23:10:53" become "2026-12-6 23:10:53".
  static char text[64] = {0};
  if (!text[0]) {
    static const char* months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char* d = __DATE__;
    int month = 1;
    for (int m = 0; m < 12; ++m)
      if (std::strncmp(d, months + 3 * m, 3) == 0) month = m + 1;
    int day = std::atoi(d + 4), year = std::atoi(d + 7);
    std::snprintf(text, sizeof text, "%d-%d-%d %s", year, month, day, __TIME__);
  }
  return text;
}

namespace {

const char* SUPPORT_LINE = "Please report this error with the lines above to the ZIRVA support.\n";

void put_line(StreamBlock& s, int32_t stream, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
void put_line(StreamBlock& s, int32_t stream, const char* fmt, ...) {
  char buf[4096];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  s.write(stream, buf);
}

}  // namespace

void fatal_env(ZRVenv_s* env, const char* file, int line, const char* msg) {
  StreamBlock& s = env->streams;
  put_line(s, ZRV_STREAM_ERR, "ZIRVA fatal error stopenv.\n");
  put_line(s, ZRV_STREAM_ERR, "Version : %d.%d.%d.%d\n", VERSION_MAJOR, VERSION_MINOR, VERSION_BUILD,
           VERSION_REVISION);
  put_line(s, ZRV_STREAM_ERR, "Platform: %s\n", env->sysenv.platform);
  put_line(s, ZRV_STREAM_ERR, "File    : %s\n", file ? file : "(NULL)");
  put_line(s, ZRV_STREAM_ERR, "Line    : %d\n", line);
  put_line(s, ZRV_STREAM_ERR, "Msg.    : %s\n", msg ? msg : "");
  s.write(ZRV_STREAM_ERR, SUPPORT_LINE);
  s.close_all();
  if (env->exit_func) throw FatalExit{env->exit_func(env->exit_handle, file, line, msg)};
  std::abort();
}

void fatal_task(ZRVtask_s* t, const char* file, int line, const char* fmt, ...) {
  char msg[2049];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(msg, sizeof msg, fmt, ap);
  va_end(ap);
  StreamBlock& s = t->streams;
  put_line(s, ZRV_STREAM_ERR, "\n\nZIRVA fatal error (stoptask)\n");
  put_line(s, ZRV_STREAM_ERR, "Version : %d.%d.%d.%d\n", VERSION_MAJOR, VERSION_MINOR, VERSION_BUILD,
           VERSION_REVISION);
  put_line(s, ZRV_STREAM_ERR, "Platform: %s\n", t->sysenv.platform);
  put_line(s, ZRV_STREAM_ERR, "File    : %s\n", file ? file : "(NULL)");
  put_line(s, ZRV_STREAM_ERR, "Line    : %d\n", line);
  put_line(s, ZRV_STREAM_ERR, "Msg.    : %s\n", msg);
  s.write(ZRV_STREAM_ERR, SUPPORT_LINE);
  const char* dbg = spar_value(t, ZRV_SPAR_DEBUG_FILE_NAME);
  if (*dbg) {
    if (FILE* f = std::fopen(dbg, "wt")) {
      std::fprintf(f, "ZIRVA fatal error\n");
      std::fprintf(f, "File : %s\n", file ? file : "(NULL)");
      std::fprintf(f, "Line : %d\n", line);
      std::fprintf(f, "Msg. : %s\n", msg);
      std::fclose(f);
    }
  }
  s.close_all();
  fatal_env(t->env, file, line, msg);
}

}  // namespace zrv

extern "C" {

ZRVrescodee ZRV_getversion(ZRVint32t* major, ZRVint32t* minor, ZRVint32t* build, ZRVint32t* revision) {
  if (major) *major = VERSION_MAJOR;
  if (minor) *minor = VERSION_MINOR;
  if (build) *build = VERSION_BUILD;
  if (revision) *revision = VERSION_REVISION;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_checkversion(ZRVenv_t env, ZRVint32t major, ZRVint32t minor, ZRVint32t build,
                             ZRVint32t revision) {
  if (int32_t r = check_env(env)) return r;
  const int32_t mine[4] = {VERSION_MAJOR, VERSION_MINOR, VERSION_BUILD, VERSION_REVISION};
  const int32_t asked[4] = {major, minor, build, revision};
  for (int i = 0; i < 4; ++i) {
    if (asked[i] > mine[i]) return ZRV_RES_ERR_OLDER_DLL;
    if (asked[i] < mine[i]) return ZRV_RES_ERR_NEWER_DLL;
  }
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getbuildinfo(char* buildstate, char* builddate, char* buildlapack) {
  if (buildstate) buildstate[0] = 0;
  if (builddate) std::snprintf(builddate, ZRV_MAX_STR_LEN, "%s", build_date());
  if (buildlapack) buildlapack[0] = 0;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_echointro(ZRVenv_t env, ZRVint32t longver) {
  if (int32_t r = check_env(env)) return r;
  StreamBlock& s = env->streams;
  s.write(ZRV_STREAM_MSG, "\n");
  put_line(s, ZRV_STREAM_MSG, "%s Version %d.%d.%d.%d (Build date: %s)\n", PRODUCT, VERSION_MAJOR, VERSION_MINOR,
           VERSION_BUILD, VERSION_REVISION, build_date());
  if (longver) {
    // No global optimizer library is loaded by this build.
    put_line(s, ZRV_STREAM_MSG, "Global optimizer version: %s. Global optimizer build date: %s.\n", "none", "none");
    put_line(s, ZRV_STREAM_ERR, "Platform: %s\n", env->sysenv.platform);
  }
  s.write(ZRV_STREAM_MSG, "\n");
  if (longver) {
    s.write(ZRV_STREAM_MSG, "\nOperating system variables\n");
    put_line(s, ZRV_STREAM_MSG, " %-25s:\n", env->sysenv.libpath_variable);
    const char* value = std::getenv(env->sysenv.libpath_variable);
    s.write(ZRV_STREAM_MSG, "   ");
    if (value) {
      for (const char* p = value; *p; ++p) {
        if (*p == env->sysenv.libpath_separator[0])
          s.write(ZRV_STREAM_MSG, "\n   ");
        else
          s.write(ZRV_STREAM_MSG, p, 1);
      }
    }
    s.write(ZRV_STREAM_MSG, "\n");
  }
  return ZRV_RES_OK;
}

// ---- streams

ZRVrescodee ZRV_linkfunctoenvstream(ZRVenv_t env, ZRVstreamtypee whichstream, ZRVuserhandle_t handle,
                                    ZRVstreamfunc func) {
  if (int32_t r = check_env(env)) return r;
  return env->streams.link_func(whichstream, handle, func);
}

ZRVrescodee ZRV_linkfunctotaskstream(ZRVtask_t task, ZRVstreamtypee whichstream, ZRVuserhandle_t handle,
                                     ZRVstreamfunc func) {
  if (int32_t r = check_task(task)) return r;
  return task->streams.link_func(whichstream, handle, func);
}

ZRVrescodee ZRV_unlinkfuncfromenvstream(ZRVenv_t env, ZRVstreamtypee whichstream) {
  if (int32_t r = check_env(env)) return r;
  return env->streams.unlink_func(whichstream);
}

ZRVrescodee ZRV_unlinkfuncfromtaskstream(ZRVtask_t task, ZRVstreamtypee whichstream) {
  if (int32_t r = check_task(task)) return r;
  return task->streams.unlink_func(whichstream);
}

ZRVrescodee ZRV_linkfiletoenvstream(ZRVenv_t env, ZRVstreamtypee whichstream, const char* filename,
                                    ZRVint32t append) {
  if (int32_t r = check_env(env)) return r;
  return guarded(nullptr, [&] { return env->streams.link_file(whichstream, filename, append != 0); });
}

ZRVrescodee ZRV_linkfiletotaskstream(ZRVtask_t task, ZRVstreamtypee whichstream, const char* filename,
                                     ZRVint32t append) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return task->streams.link_file(whichstream, filename, append != 0); });
}

static ZRVrescodee echo(StreamBlock& s, int32_t stream, const char* format, va_list ap) {
  if (!StreamBlock::valid_stream(stream)) return ZRV_RES_ERR_INVALID_STREAM;
  if (!format || !s.wanted(stream)) return ZRV_RES_OK;
  char buf[4048];
  int n = std::vsnprintf(buf, sizeof buf, format, ap);
  if (n < 0) return ZRV_RES_OK;
  s.write(stream, buf);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_echoenv(ZRVenv_t env, ZRVstreamtypee whichstream, const char* format, ...) {
  if (int32_t r = check_env(env)) return r;
  va_list ap;
  va_start(ap, format);
  ZRVrescodee r = echo(env->streams, whichstream, format, ap);
  va_end(ap);
  return r;
}

ZRVrescodee ZRV_echotask(ZRVtask_t task, ZRVstreamtypee whichstream, const char* format, ...) {
  if (int32_t r = check_task(task)) return r;
  if (!format && StreamBlock::valid_stream(whichstream)) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "format");
  va_list ap;
  va_start(ap, format);
  ZRVrescodee r = echo(task->streams, whichstream, format, ap);
  va_end(ap);
  return r;
}

// ---- character conversions

ZRVrescodee ZRV_utf8towchar(size_t outputlen, size_t* len, size_t* conv, uint16_t* output, const char* input) {
  size_t written = 0, consumed = 0;
  ZRVrescodee r = ZRV_RES_OK;
  const auto* in = reinterpret_cast<const unsigned char*>(input ? input : "");
  while (in[consumed]) {
    unsigned char c = in[consumed];
    uint32_t cp;
    size_t extra;
    if (c < 0x80) cp = c, extra = 0;
    else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, extra = 1;
    else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, extra = 2;
    else if ((c & 0xF8) == 0xF0) cp = c & 0x07, extra = 3;
    else if ((c & 0xFC) == 0xF8) cp = c & 0x03, extra = 4;
    else if ((c & 0xFE) == 0xFC) cp = c & 0x01, extra = 5;
    else {
      r = ZRV_RES_ERR_INVALID_UTF8;
      break;
    }
    bool ok = true;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char d = in[consumed + k];
      if ((d & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (d & 0x3F);
    }
    if (!ok) {
      r = ZRV_RES_ERR_INVALID_UTF8;
      break;
    }
    // Characters beyond the 16-bit range take a surrogate pair; those beyond U+10FFFF cannot be represented.
    uint16_t units[2];
    size_t nunits = 1;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      units[0] = static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10));
      units[1] = static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      nunits = 2;
    } else {
      units[0] = static_cast<uint16_t>(cp > 0x10FFFF ? 0xFFFD : cp);
    }
    if (outputlen == 0 || written + nunits > outputlen - 1) break;
    if (output)
      for (size_t k = 0; k < nunits; ++k) output[written + k] = units[k];
    written += nunits;
    consumed += extra + 1;
  }
  if (output && outputlen > 0) output[written] = 0;
  if (len) *len = written;
  if (conv) *conv = consumed;
  return r;
}

ZRVrescodee ZRV_wchartoutf8(size_t outputlen, size_t* len, size_t* conv, char* output, const uint16_t* input) {
  static const uint16_t empty = 0;
  const uint16_t* in = input ? input : &empty;
  size_t written = 0, consumed = 0;
  ZRVrescodee r = ZRV_RES_OK;
  while (in[consumed]) {
    uint32_t cp = in[consumed];
    size_t used = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      uint32_t lo = in[consumed + 1];
      if (lo < 0xDC00 || lo > 0xDFFF) {
        r = ZRV_RES_ERR_INVALID_WCHAR;
        break;
      }
      cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
      used = 2;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      r = ZRV_RES_ERR_INVALID_WCHAR;
      break;
    }
    char bytes[4];
    size_t nb;
    if (cp < 0x80) bytes[0] = static_cast<char>(cp), nb = 1;
    else if (cp < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
      bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
      nb = 2;
    } else if (cp < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
      bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
      nb = 3;
    } else {
      bytes[0] = static_cast<char>(0xF0 | (cp >> 18));
      bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
      nb = 4;
    }
    if (outputlen == 0 || written + nb > outputlen - 1) break;
    if (output) std::memcpy(output + written, bytes, nb);
    written += nb;
    consumed += used;
  }
  if (output && outputlen > 0) output[written] = 0;
  if (len) *len = written;
  if (conv) *conv = consumed;
  return r;
}

}  // extern "C"
