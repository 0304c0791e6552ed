// zirva: the library from a shell. Reads a problem file, optimizes it, prints the log and the solution summary
// and writes the solution files; it also converts between file formats and applies parameter files.
//
// Uses nothing but the public header: everything it does, a caller of the library can do the same way.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "zirva.h"

namespace {

const char* const kUsage =
    "usage: zirva [options] FILE\n"
    "\n"
    "Reads FILE, optimizes it, prints the log and the solution summary and writes the solution files.\n"
    "The format comes from the extension: .mps (also any unknown extension), .fmps (free MPS), .lp, .opf,\n"
    ".task; a further .gz means gzip (model.mps.gz).\n"
    "\n"
    "options:\n"
    "  -p, --paramfile FILE     read parameters from FILE (lines 'NAME VALUE')\n"
    "  -d NAME VALUE            set one parameter; applied after the parameter file, in the order given.\n"
    "                           VALUE may be a symbolic constant: -d ZRV_IPAR_OPTIMIZER ZRV_OPTIMIZER_INTPNT\n"
    "  -o, --write FILE         write the problem to FILE (format from its extension, .xml and .gz too)\n"
    "  -n, --no-optimize        read (and write with -o) only\n"
    "  -s, --solution PREFIX    solution files PREFIX.sol (interior-point), PREFIX.bas (basic) and PREFIX.int\n"
    "                           (integer); default: FILE's name without folder and extensions\n"
    "      --no-solution        write no solution files\n"
    "      --write-params FILE  write every parameter value to FILE (after -p and -d)\n"
    "  -q, --quiet              print errors only\n"
    "  -V, --version            print the library version\n"
    "  -h, --help               print this text\n"
    "\n"
    "The solution-file parameters ZRV_SPAR_ITR_SOL_FILE_NAME, ZRV_SPAR_BAS_SOL_FILE_NAME and\n"
    "ZRV_SPAR_INT_SOL_FILE_NAME, when set, name the files instead. Parameters stored in a .task file replace\n"
    "those of the parameter file; -d options are applied again after reading and so always win.\n"
    "Ctrl-C stops the optimizer, which then reports what it has.\n"
    "\n"
    "exit status: 0 done (whatever the problem's status), 1 an error from the library, 2 a bad command line,\n"
    "3 the optimizer stopped early (time or iteration limit, Ctrl-C).\n";

enum Exit { kOk = 0, kLibraryError = 1, kUsageError = 2, kStoppedEarly = 3 };

struct Options {
  std::string file;
  std::string paramfile;
  std::vector<std::pair<std::string, std::string>> params;
  std::string write;
  std::string write_params;
  std::string solution_prefix;
  bool optimize = true;
  bool solutions = true;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// Returns an empty string when the command line is good, else the complaint.
std::string parse(int argc, char** argv, Options& o) {
  auto value = [&](int& i, const char* opt, std::string& out) -> std::string {
    if (i + 1 >= argc) return std::string("option ") + opt + " needs a value";
    out = argv[++i];
    return "";
  };
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string err;
    if (options_done || a.empty() || a[0] != '-' || a == "-") {
      if (!o.file.empty()) return "more than one problem file given ('" + o.file + "' and '" + a + "')";
      o.file = a;
    } else if (a == "--") {
      options_done = true;
    } else if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "-V" || a == "--version") {
      o.version = true;
    } else if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (a == "-n" || a == "--no-optimize") {
      o.optimize = false;
    } else if (a == "--no-solution") {
      o.solutions = false;
    } else if (a == "-p" || a == "--paramfile") {
      err = value(i, a.c_str(), o.paramfile);
    } else if (a == "-o" || a == "--write") {
      err = value(i, a.c_str(), o.write);
    } else if (a == "-s" || a == "--solution") {
      err = value(i, a.c_str(), o.solution_prefix);
    } else if (a == "--write-params") {
      err = value(i, a.c_str(), o.write_params);
    } else if (a == "-d") {
      if (i + 2 >= argc) return "option -d needs a parameter name and a value";
      o.params.emplace_back(argv[i + 1], argv[i + 2]);
      i += 2;
    } else {
      return "unknown option '" + a + "'";
    }
    if (!err.empty()) return err;
  }
  if (o.file.empty() && !o.help && !o.version) return "no problem file given";
  return "";
}

// The default prefix of the solution files: the file's name without its folder, ".gz" and one more extension.
std::string solution_prefix(const std::string& file) {
  std::string base = file.substr(file.find_last_of('/') == std::string::npos ? 0 : file.find_last_of('/') + 1);
  auto strip = [&](const char* ext) {
    size_t n = std::strlen(ext);
    if (base.size() > n && base.compare(base.size() - n, n, ext) == 0) base.resize(base.size() - n);
  };
  strip(".gz");
  size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base.empty() ? "zirva" : base;
}

void ZRVAPI to_stdout(ZRVuserhandle_t, const char* text) { std::fputs(text, stdout); }
void ZRVAPI to_stderr(ZRVuserhandle_t, const char* text) {
  std::fflush(stdout);
  std::fputs(text, stderr);
}

volatile std::sig_atomic_t g_interrupted = 0;
void on_interrupt(int) { g_interrupted = 1; }
ZRVint32t ZRVAPI progress(ZRVtask_t, ZRVuserhandle_t, ZRVcallbackcodee, const ZRVrealt*, const ZRVint32t*,
                          const ZRVint64t*) {
  return g_interrupted ? 1 : 0;
}

std::string code_text(ZRVrescodee r) {
  char sym[ZRV_MAX_STR_LEN] = "", desc[ZRV_MAX_STR_LEN] = "";
  ZRV_getcodedesc(r, sym, desc);
  return std::string(sym) + " (" + std::to_string(r) + ")";
}

bool is_error(ZRVrescodee r) {
  ZRVresponsetypee cls = ZRV_RESPONSE_UNK;
  ZRV_getresponseclass(r, &cls);
  return cls == ZRV_RESPONSE_ERR || cls == ZRV_RESPONSE_UNK;
}

// The task's last error message, for the one-line report on stderr.
std::string last_message(ZRVtask_t task) {
  char msg[ZRV_MAX_STR_LEN] = "";
  ZRVrescodee last = ZRV_RES_OK;
  ZRVint32t len = 0;
  ZRV_getlasterror(task, &last, sizeof msg, &len, msg);
  return msg;
}

struct Session {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  ~Session() {
    if (task) ZRV_deletetask(&task);
    if (env) ZRV_deleteenv(&env);
  }
};

int fail(Session& s, const std::string& what, ZRVrescodee r) {
  std::string msg = s.task ? last_message(s.task) : std::string();
  std::fflush(stdout);
  std::fprintf(stderr, "zirva: %s failed: %s%s%s\n", what.c_str(), code_text(r).c_str(), msg.empty() ? "" : ": ",
               msg.c_str());
  return kLibraryError;
}

ZRVrescodee apply_params(ZRVtask_t task, const Options& o, std::string& failed) {
  for (const auto& [name, value] : o.params) {
    ZRVrescodee r = ZRV_putparam(task, name.c_str(), value.c_str());
    if (r != ZRV_RES_OK) {
      failed = "setting " + name + " to '" + value + "'";
      return r;
    }
  }
  return ZRV_RES_OK;
}

// Writes every defined solution; a file-name parameter the user set wins over the prefix.
int write_solutions(Session& s, const std::string& prefix) {
  struct Kind {
    ZRVsoltypee sol;
    ZRVsparame param;
    const char* ext;
  };
  const Kind kinds[] = {{ZRV_SOL_ITR, ZRV_SPAR_ITR_SOL_FILE_NAME, ".sol"},
                        {ZRV_SOL_BAS, ZRV_SPAR_BAS_SOL_FILE_NAME, ".bas"},
                        {ZRV_SOL_ITG, ZRV_SPAR_INT_SOL_FILE_NAME, ".int"}};
  for (const Kind& k : kinds) {
    ZRVint32t defined = 0;
    ZRV_solutiondef(s.task, k.sol, &defined);
    if (!defined) continue;
    ZRVint32t len = 0;
    ZRV_getstrparamlen(s.task, k.param, &len);
    std::string name = len > 0 ? std::string() : prefix + k.ext;
    ZRVrescodee r = ZRV_writesolution(s.task, k.sol, name.empty() ? nullptr : name.c_str());
    if (is_error(r)) return fail(s, "writing the solution file" + (name.empty() ? "" : " '" + name + "'"), r);
  }
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string complaint = parse(argc, argv, o);
  if (o.help) {
    std::fputs(kUsage, stdout);
    return kOk;
  }
  if (!complaint.empty()) {
    std::fprintf(stderr, "zirva: %s\nTry 'zirva --help'.\n", complaint.c_str());
    return kUsageError;
  }
  if (o.version) {
    ZRVint32t major = 0, minor = 0, build = 0, revision = 0;
    ZRV_getversion(&major, &minor, &build, &revision);
    std::printf("zirva %d.%d.%d.%d\n", (int)major, (int)minor, (int)build, (int)revision);
    if (o.file.empty()) return kOk;
  }

  Session s;
  ZRVrescodee r = ZRV_makeenv(&s.env, nullptr);
  if (r != ZRV_RES_OK) return fail(s, "creating the environment", r);
  ZRV_linkfunctoenvstream(s.env, ZRV_STREAM_ERR, nullptr, to_stderr);
  r = ZRV_maketask(s.env, 0, 0, &s.task);
  if (r != ZRV_RES_OK) return fail(s, "creating the task", r);
  // The log stream carries everything (messages, warnings and errors in their order). In quiet mode nothing is
  // linked: a failure ends the run with one line on stderr that carries the library's message.
  if (!o.quiet) {
    ZRV_linkfunctoenvstream(s.env, ZRV_STREAM_MSG, nullptr, to_stdout);
    ZRV_echointro(s.env, 0);
    ZRV_linkfunctoenvstream(s.env, ZRV_STREAM_MSG, nullptr, to_stdout);  // relinking flushes the intro
    ZRV_linkfunctotaskstream(s.task, ZRV_STREAM_LOG, nullptr, to_stdout);
  }

  // The library's default writes a file named x.mps.gz without compressing it, so that it cannot be read back
  // under its own name; here the name decides unless the user sets the parameter.
  ZRV_putintparam(s.task, ZRV_IPAR_WRITE_DATA_COMPRESSED, ZRV_COMPRESS_FREE);

  // A parameter file that was asked for and cannot be opened is an error, not a warning that passes unseen.
  if (!o.paramfile.empty()) {
    if (std::FILE* f = std::fopen(o.paramfile.c_str(), "r")) {
      std::fclose(f);
    } else {
      std::fflush(stdout);
      std::fprintf(stderr, "zirva: cannot open the parameter file '%s': %s\n", o.paramfile.c_str(),
                   std::strerror(errno));
      return kLibraryError;
    }
    r = ZRV_putstrparam(s.task, ZRV_SPAR_PARAM_READ_FILE_NAME, o.paramfile.c_str());
    if (r == ZRV_RES_OK) r = ZRV_readparamfile(s.task);
    if (r != ZRV_RES_OK) return fail(s, "reading the parameter file '" + o.paramfile + "'", r);
  }
  std::string failed;
  r = apply_params(s.task, o, failed);
  if (r != ZRV_RES_OK) return fail(s, failed, r);

  r = ZRV_readdata(s.task, o.file.c_str());
  if (is_error(r)) return fail(s, "reading '" + o.file + "'", r);
  if (!o.quiet) ZRV_readsummary(s.task, ZRV_STREAM_MSG);
  r = apply_params(s.task, o, failed);  // a task file may have brought its own values
  if (r != ZRV_RES_OK) return fail(s, failed, r);

  if (!o.write_params.empty()) {
    r = ZRV_writeparamfile(s.task, o.write_params.c_str());
    if (is_error(r)) return fail(s, "writing the parameter file '" + o.write_params + "'", r);
  }
  if (!o.write.empty()) {
    r = ZRV_writedata(s.task, o.write.c_str());
    if (is_error(r)) return fail(s, "writing '" + o.write + "'", r);
  }
  if (!o.optimize) return kOk;

  std::signal(SIGINT, on_interrupt);
  ZRV_putcallbackfunc(s.task, progress, nullptr);
  ZRVrescodee trm = ZRV_RES_OK;
  r = ZRV_optimizetrm(s.task, &trm);
  std::signal(SIGINT, SIG_DFL);
  if (!o.quiet) {
    ZRV_echotask(s.task, ZRV_STREAM_MSG, "\n");
    ZRV_optimizersummary(s.task, ZRV_STREAM_MSG);
    ZRV_solutionsummary(s.task, ZRV_STREAM_MSG);
  }
  if (is_error(r)) return fail(s, "optimizing", r);
  if (o.solutions) {
    int rc = write_solutions(s, o.solution_prefix.empty() ? solution_prefix(o.file) : o.solution_prefix);
    if (rc != kOk) return rc;
  }
  if (trm != ZRV_RES_OK) {
    if (!o.quiet) ZRV_echotask(s.task, ZRV_STREAM_MSG, "Optimizer stopped early: %s\n", code_text(trm).c_str());
    return kStoppedEarly;
  }
  return kOk;
}
