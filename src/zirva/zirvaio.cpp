// The data file layer: format and compression from the file name or the parameters, opening the file, emptying
// the task, handing the file to the format's reader or writer, and the read information items and summary.
#include <chrono>
#include <cstring>
#include <string>

#include "cpub/sysfile.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/modules.h"
#include "zirva/params.h"
#include "zirva/problem.h"
#include "zirva/report.h"

using namespace zrv;

namespace zrv {

void format_from_name(const char* name, int32_t* format, bool* gzip) {
  std::string n = name ? name : "";
  auto extension = [](const std::string& s) -> std::string {
    size_t slash = s.find_last_of("/\\");
    size_t dot = s.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return s.substr(dot);
  };
  std::string ext = extension(n);
  *gzip = false;
  if (ext == ".gz") {
    *gzip = true;
    n.resize(n.size() - 3);
    ext = extension(n);
  }
  if (ext == ".lp")
    *format = ZRV_DATA_FORMAT_LP;
  else if (ext == ".opf")
    *format = ZRV_DATA_FORMAT_OP;
  else if (ext == ".xml")
    *format = ZRV_DATA_FORMAT_XML;
  else if (ext == ".fmps")
    *format = ZRV_DATA_FORMAT_FREE_MPS;
  else if (ext == ".task")
    *format = ZRV_DATA_FORMAT_TASK;
  else
    *format = ZRV_DATA_FORMAT_MPS;
}

int32_t clear_problem(ZRVtask_s* t) {
  // A fresh problem with fresh modules: nothing of the old one survives, the capacities start at zero.
  destroy_problem(t);
  return create_problem(t);
}

}  // namespace zrv

namespace {

bool log_file_lines(const ZRVtask_s* t) { return t->ipar[ZRV_IPAR_LOG] >= 1 && t->ipar[ZRV_IPAR_LOG_FILE] >= 1; }

// The file name of ZRV_readdata / ZRV_writedata: the argument, or the data-file parameter.
int32_t data_file_name(ZRVtask_s* t, const char* filename, std::string* out) {
  if (filename && *filename) {
    *out = filename;
    return ZRV_RES_OK;
  }
  const char* p = spar_value(t, ZRV_SPAR_DATA_FILE_NAME);
  if (!*p) return ZRV_REPORT(t, ZRV_RES_ERR_FILE_OPEN, filename ? "" : "NULL");
  *out = p;
  return ZRV_RES_OK;
}

int32_t open_file(ZRVtask_s* t, const std::string& name, bool write, bool gzip, SysFile** f) {
  if (log_file_lines(t)) task_printf(t, ZRV_STREAM_MSG, "Open file '%s'\n", {name.c_str()});
  int32_t st = SYSFILE_OK;
  sysfile_open(&mem(t), name.c_str(), !write, write, false, gzip, write && gzip ? 9 : -1, f, &st);
  if (st == SYSFILE_OK) return ZRV_RES_OK;
  int32_t code = sysfile_rescode(st);
  if (code == ZRV_RES_ERR_FILE_OPEN || code == ZRV_RES_ERR_INVALID_FILE_NAME)
    return ZRV_REPORT(t, code, name.c_str());
  return ZRV_REPORT(t, code);
}

void fill_read_information(ZRVtask_s* t) {
  const Problem& p = *t->prob;
  inf_setint(t, ZRV_IINF_RD_NUMCON, p.numcon);
  inf_setint(t, ZRV_IINF_RD_NUMVAR, p.numvar);
  inf_setint(t, ZRV_IINF_RD_NUMINTVAR, p.numintvar);
  int32_t ncone = t->names->count(NameClass::Cone), nbar = t->names->count(NameClass::BarVar);
  inf_setint(t, ZRV_IINF_RD_NUMCONE, ncone);
  inf_setint(t, ZRV_IINF_RD_NUMBARVAR, nbar);
  int64_t anz = 0;
  t->prob->A.num_nonzeros(&anz);
  inf_setlint(t, ZRV_LIINF_RD_NUMANZ, anz);
  int64_t qnz = 0;
  int32_t numq = 0;
  quad_counts(t, &qnz, &numq);
  inf_setlint(t, ZRV_LIINF_RD_NUMQNZ, qnz);
  inf_setint(t, ZRV_IINF_RD_NUMQ, numq);
  ZRVproblemtypee type = ZRV_PROBTYPE_LO;
  ZRV_getprobtype(t, &type);
  inf_setint(t, ZRV_IINF_RD_PROTYPE, type);
}

int32_t read_by_format(ZRVtask_s* t, SysFile* f, const std::string& name, int32_t format) {
  auto t0 = std::chrono::steady_clock::now();
  if (format == ZRV_DATA_FORMAT_EXTENSION) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FORMAT_TYPE, format);
  int32_t r;
  if (format == ZRV_DATA_FORMAT_XML || format < 0 || format > ZRV_DATA_FORMAT_TASK) {
    r = ZRV_REPORT(t, ZRV_RES_ERR_READ_FORMAT, format);
  } else if (int32_t c = clear_problem(t)) {
    r = ZRV_REPORT(t, c);
  } else if (format == ZRV_DATA_FORMAT_MPS) {
    r = mps_read(t, f, name.c_str(), t->ipar[ZRV_IPAR_READ_MPS_FORMAT]);
  } else if (format == ZRV_DATA_FORMAT_FREE_MPS) {
    r = mps_read(t, f, name.c_str(), ZRV_MPS_FORMAT_FREE);
  } else if (format == ZRV_DATA_FORMAT_LP) {
    r = lp_read(t, f, name.c_str());
  } else {
    // OPF and task files have no reader in this build.
    r = ZRV_REPORT(t, ZRV_RES_ERR_READ_FORMAT, format);
  }
  inf_setdou(t, ZRV_DINF_RD_TIME, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  if (r == ZRV_RES_OK) fill_read_information(t);
  return r;
}

int32_t read_file(ZRVtask_s* t, const std::string& name, int32_t format, bool gzip) {
  SysFile* f = nullptr;
  if (int32_t r = open_file(t, name, false, gzip, &f)) return r;
  int32_t r = read_by_format(t, f, name, format);
  sysfile_close(&f, nullptr);
  return r;
}

int32_t write_by_format(ZRVtask_s* t, SysFile* f, int32_t format) {
  auto t0 = std::chrono::steady_clock::now();
  if (format == ZRV_DATA_FORMAT_EXTENSION) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FORMAT_TYPE, format);
  if (!t->ipar[ZRV_IPAR_WRITE_IGNORE_INCOMPATIBLE_ITEMS]) {
    bool barvars = t->names->count(NameClass::BarVar) > 0;
    bool cones = t->names->count(NameClass::Cone) > 0;
    if (barvars && format >= ZRV_DATA_FORMAT_MPS && format <= ZRV_DATA_FORMAT_XML &&
        !t->ipar[ZRV_IPAR_WRITE_IGNORE_INCOMPATIBLE_PSD_ITEMS])
      return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FILE_FORMAT_FOR_SYM_MAT);
    if (cones && (format == ZRV_DATA_FORMAT_LP || format == ZRV_DATA_FORMAT_XML) &&
        !t->ipar[ZRV_IPAR_WRITE_IGNORE_INCOMPATIBLE_CONIC_ITEMS])
      return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FILE_FORMAT_FOR_CONES);
    if (t->prob->has_nl && !t->ipar[ZRV_IPAR_WRITE_IGNORE_INCOMPATIBLE_NL_ITEMS])
      return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FILE_FORMAT_FOR_GENERAL_NL);
  }
  bool generic = t->ipar[ZRV_IPAR_WRITE_GENERIC_NAMES] != 0;
  if (format == ZRV_DATA_FORMAT_MPS && !generic && t->names->analyze(NameRule::Mps).code != ZRV_RES_OK) {
    generic = true;
    if (int32_t r = ZRV_REPORT(t, ZRV_RES_WRN_USING_GENERIC_NAMES)) return r;
  }
  if (log_file_lines(t)) t->streams.write(ZRV_STREAM_MSG, "Start writing.\n");
  int32_t r;
  switch (format) {
    case ZRV_DATA_FORMAT_LP: r = lp_write(t, f, generic); break;
    case ZRV_DATA_FORMAT_OP:
    case ZRV_DATA_FORMAT_XML:
    case ZRV_DATA_FORMAT_TASK:
      // No writer for these formats in this build.
      r = ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FORMAT_TYPE, format);
      break;
    default: r = mps_write(t, f, generic, format == ZRV_DATA_FORMAT_FREE_MPS);
  }
  if (log_file_lines(t)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "done writing. Time: %.2f\n\n",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    t->streams.write(ZRV_STREAM_MSG, buf);
  }
  return r;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_readdata(ZRVtask_t task, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    std::string name;
    if (int32_t r = data_file_name(task, filename, &name)) return r;
    int32_t format;
    bool gzip;
    format_from_name(name.c_str(), &format, &gzip);
    if (task->ipar[ZRV_IPAR_READ_DATA_FORMAT] != ZRV_DATA_FORMAT_EXTENSION) format = task->ipar[ZRV_IPAR_READ_DATA_FORMAT];
    if (task->ipar[ZRV_IPAR_READ_DATA_COMPRESSED] != ZRV_COMPRESS_FREE)
      gzip = task->ipar[ZRV_IPAR_READ_DATA_COMPRESSED] == ZRV_COMPRESS_GZIP;
    return read_file(task, name, format, gzip);
  });
}

ZRVrescodee ZRV_readdataformat(ZRVtask_t task, const char* filename, ZRVdataformate format,
                               ZRVcompresstypee compress) {
  if (int32_t r = check_task(task)) return r;
  if (!filename) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_FILE_NAME, "NULL");
  return guarded(task, [&]() -> int32_t {
    int32_t fmt;
    bool gzip;
    format_from_name(filename, &fmt, &gzip);
    if (format != ZRV_DATA_FORMAT_EXTENSION) fmt = format;
    if (compress != ZRV_COMPRESS_FREE) gzip = compress == ZRV_COMPRESS_GZIP;
    return read_file(task, filename, fmt, gzip);
  });
}

ZRVrescodee ZRV_readdataautoformat(ZRVtask_t task, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  if (!filename) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_FILE_NAME, "NULL");
  return guarded(task, [&]() -> int32_t {
    int32_t fmt;
    bool gzip;
    format_from_name(filename, &fmt, &gzip);
    return read_file(task, filename, fmt, gzip);
  });
}

ZRVrescodee ZRV_writedata(ZRVtask_t task, const char* filename) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    std::string name;
    if (int32_t r = data_file_name(task, filename, &name)) return r;
    int32_t format;
    bool gzip;
    format_from_name(name.c_str(), &format, &gzip);
    if (task->ipar[ZRV_IPAR_WRITE_DATA_FORMAT] != ZRV_DATA_FORMAT_EXTENSION)
      format = task->ipar[ZRV_IPAR_WRITE_DATA_FORMAT];
    if (task->ipar[ZRV_IPAR_WRITE_DATA_COMPRESSED] != ZRV_COMPRESS_FREE)
      gzip = task->ipar[ZRV_IPAR_WRITE_DATA_COMPRESSED] == ZRV_COMPRESS_GZIP;
    SysFile* f = nullptr;
    if (int32_t r = open_file(task, name, true, gzip, &f)) return r;
    int32_t r = write_by_format(task, f, format);
    int32_t st = SYSFILE_OK;
    sysfile_close(&f, &st);
    if (r == ZRV_RES_OK && st != SYSFILE_OK) r = ZRV_REPORT(task, ZRV_RES_ERR_FILE_WRITE, name.c_str());
    return r;
  });
}

ZRVrescodee ZRV_readsummary(ZRVtask_t task, ZRVstreamtypee whichstream) {
  if (int32_t r = check_task(task)) return r;
  if (!StreamBlock::valid_stream(whichstream)) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_STREAM, whichstream);
  if (task->ipar[ZRV_IPAR_LOG] < 1) return ZRV_RES_OK;
  const InfoItems& in = task->info;
  const char* pt = "";
  switch (in.int32[ZRV_IINF_RD_PROTYPE]) {
    case ZRV_PROBTYPE_LO: pt = "ZRV_PROBTYPE_LO"; break;
    case ZRV_PROBTYPE_QO: pt = "ZRV_PROBTYPE_QO"; break;
    case ZRV_PROBTYPE_QCQO: pt = "ZRV_PROBTYPE_QCQO"; break;
    case ZRV_PROBTYPE_GECO: pt = "ZRV_PROBTYPE_GECO"; break;
    case ZRV_PROBTYPE_CONIC: pt = "ZRV_PROBTYPE_CONIC"; break;
    case ZRV_PROBTYPE_MIXED: pt = "ZRV_PROBTYPE_MIXED"; break;
  }
  char buf[256];
  StreamBlock& s = task->streams;
  s.write(whichstream, "\nRead summary\n");
  std::snprintf(buf, sizeof buf, "  Type             : %s\n", pt);
  s.write(whichstream, buf);
  std::snprintf(buf, sizeof buf, "  Objective sense  : %s\n",
                task->prob->sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE ? "max" : "min");
  s.write(whichstream, buf);
  std::snprintf(buf, sizeof buf, "  Constraints      : %-12d\n", in.int32[ZRV_IINF_RD_NUMCON]);
  s.write(whichstream, buf);
  std::snprintf(buf, sizeof buf, "  Scalar variables : %-12d\n", in.int32[ZRV_IINF_RD_NUMVAR]);
  s.write(whichstream, buf);
  std::snprintf(buf, sizeof buf, "  Matrix variables : %-12d\n", in.int32[ZRV_IINF_RD_NUMBARVAR]);
  s.write(whichstream, buf);
  std::snprintf(buf, sizeof buf, "  Time             : %-8.1f\n", in.dou[ZRV_DINF_RD_TIME]);
  s.write(whichstream, buf);
  s.write(whichstream, "\n");
  return ZRV_RES_OK;
}

}  // extern "C"
