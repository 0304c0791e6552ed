// ipm_bench: runs a folder of problem files through the optimizer and prints one CSV row per instance and a
// summary line. Every instance runs in a process of its own (this program started again with --run-one), so a
// crash or a hang costs that instance only and counts as unsolved with its time. The optimizer's answer is
// re-checked from the problem data (solcheck.h), never taken from its own information items.
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/known_values.h"
#include "solcheck.h"
#include "zirva.h"

namespace {

const char* const kUsage =
    "usage: ipm_bench [options] FOLDER\n"
    "\n"
    "Optimizes every problem file in FOLDER (.mps, .qps, .lp, .fmps, .opf, .task, each also .gz) and prints one\n"
    "CSV row per instance, then a summary line beginning with '#'.\n"
    "\n"
    "options:\n"
    "  -O, --optimizer NAME    free, intpnt, conic, primal_simplex, dual_simplex, ... or ZRV_OPTIMIZER_...\n"
    "  -d NAME VALUE           set a parameter (after the parameter file)\n"
    "  -p, --paramfile FILE    read parameters from FILE\n"
    "  -t, --threads N         ZRV_IPAR_NUM_THREADS (BLAS threads follow OPENBLAS_NUM_THREADS)\n"
    "  -T, --time-limit S      seconds per instance, read + optimize (default 600); the process is killed at\n"
    "                          S + 30 s if the optimizer does not stop by itself\n"
    "  -f, --filter REGEX      only instances whose name matches\n"
    "  -v, --values FILE       known optima (name,objective,... or name,status); default: optimal_values.csv or\n"
    "                          status.csv in FOLDER\n"
    "      --rel-tol X         relative objective error that counts as solved (default 1e-6)\n"
    "      --viol-tol X        largest recomputed relative violation that counts as solved (default 1e-6)\n"
    "      --solution itr|bas  the solution to check (default: itr, or bas when only that one exists)\n"
    "      --log-dir DIR       keep each instance's optimizer log as DIR/NAME.log\n"
    "  -h, --help\n"
    "\n"
    "A row is solved when the instance ends as expected: OPTIMAL with the recomputed objective within rel-tol\n"
    "of the known optimum and the recomputed violations within viol-tol, or for an infeasible instance a\n"
    "primal infeasibility certificate that checks out from the data. For a certificate, pviol holds the parts of\n"
    "the ray that meet infinite bounds (relative) and the note its infeasibility measure.\n";

struct Options {
  std::string folder, optimizer, paramfile, values, log_dir, solution;
  std::vector<std::pair<std::string, std::string>> params;
  int threads = -1;
  double time_limit = 600, rel_tol = 1e-6, viol_tol = 1e-6;
  std::string filter;
  std::string run_one;  // child mode: the file to run
};

bool parse(int argc, char** argv, Options& o, std::string& err) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& out) {
      if (i + 1 >= argc) {
        err = "option " + a + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto number = [&](double& out) {
      std::string s;
      if (!next(s)) return false;
      char* end = nullptr;
      out = std::strtod(s.c_str(), &end);
      if (s.empty() || *end || !(out >= 0)) {
        err = "option " + a + " needs a nonnegative number, not '" + s + "'";
        return false;
      }
      return true;
    };
    double x = 0;
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (a == "-O" || a == "--optimizer") {
      if (!next(o.optimizer)) return false;
    } else if (a == "-p" || a == "--paramfile") {
      if (!next(o.paramfile)) return false;
    } else if (a == "-v" || a == "--values") {
      if (!next(o.values)) return false;
    } else if (a == "-f" || a == "--filter") {
      if (!next(o.filter)) return false;
    } else if (a == "--log-dir") {
      if (!next(o.log_dir)) return false;
    } else if (a == "--solution") {
      if (!next(o.solution)) return false;
      if (o.solution != "itr" && o.solution != "bas") {
        err = "--solution takes itr or bas";
        return false;
      }
    } else if (a == "--run-one") {
      if (!next(o.run_one)) return false;
    } else if (a == "-t" || a == "--threads") {
      if (!number(x)) return false;
      o.threads = (int)x;
    } else if (a == "-T" || a == "--time-limit") {
      if (!number(o.time_limit)) return false;
    } else if (a == "--rel-tol") {
      if (!number(o.rel_tol)) return false;
    } else if (a == "--viol-tol") {
      if (!number(o.viol_tol)) return false;
    } else if (a == "-d") {
      if (i + 2 >= argc) {
        err = "option -d needs a parameter name and a value";
        return false;
      }
      o.params.emplace_back(argv[i + 1], argv[i + 2]);
      i += 2;
    } else if (!a.empty() && a[0] == '-') {
      err = "unknown option '" + a + "'";
      return false;
    } else if (o.folder.empty()) {
      o.folder = a;
    } else {
      err = "more than one folder given";
      return false;
    }
  }
  if (o.folder.empty() && o.run_one.empty()) {
    err = "no folder given";
    return false;
  }
  return true;
}

double now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string code_symbol(ZRVrescodee r) {
  char sym[ZRV_MAX_STR_LEN] = "", desc[ZRV_MAX_STR_LEN] = "";
  ZRV_getcodedesc(r, sym, desc);
  return sym;
}

// ---------------------------------------------------------------------------------------------------------------
// Child: one instance. Prints one line of key=value fields on stdout.

void ZRVAPI to_file(ZRVuserhandle_t h, const char* s) { std::fputs(s, static_cast<std::FILE*>(h)); }

std::string optimizer_value(const std::string& name) {
  if (name.rfind("ZRV_", 0) == 0) return name;
  std::string up;
  for (char ch : name) up += (char)std::toupper((unsigned char)ch);
  return "ZRV_OPTIMIZER_" + up;
}

int run_one(const Options& o) {
  std::map<std::string, std::string> out;
  auto emit = [&]() {
    std::string line;
    for (auto& [k, v] : out) line += k + "=" + v + " ";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return 0;
  };
  auto num = [](double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.17g", v);
    return std::string(b);
  };

  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  if (ZRV_makeenv(&env, nullptr) != ZRV_RES_OK || ZRV_maketask(env, 0, 0, &task) != ZRV_RES_OK) {
    out["error"] = "ZRV_RES_ERR_SPACE";
    return emit();
  }
  std::FILE* log = nullptr;
  if (!o.log_dir.empty()) {
    std::string base = o.run_one.substr(o.run_one.find_last_of('/') + 1);
    log = std::fopen((o.log_dir + "/" + base + ".log").c_str(), "w");
    if (log) ZRV_linkfunctotaskstream(task, ZRV_STREAM_LOG, log, to_file);
  }
  ZRVrescodee r = ZRV_RES_OK;
  std::string what;
  if (!o.paramfile.empty()) {
    what = "paramfile";
    r = ZRV_putstrparam(task, ZRV_SPAR_PARAM_READ_FILE_NAME, o.paramfile.c_str());
    if (r == ZRV_RES_OK) r = ZRV_readparamfile(task);
  }
  for (size_t k = 0; r == ZRV_RES_OK && k < o.params.size(); ++k) {
    what = o.params[k].first;
    r = ZRV_putparam(task, o.params[k].first.c_str(), o.params[k].second.c_str());
  }
  if (r == ZRV_RES_OK && !o.optimizer.empty()) {
    what = "optimizer";
    r = ZRV_putparam(task, "ZRV_IPAR_OPTIMIZER", optimizer_value(o.optimizer).c_str());
  }
  if (r == ZRV_RES_OK && o.threads >= 0) r = ZRV_putintparam(task, ZRV_IPAR_NUM_THREADS, o.threads);
  if (r == ZRV_RES_OK) r = ZRV_putdouparam(task, ZRV_DPAR_OPTIMIZER_MAX_TIME, o.time_limit);
  if (r != ZRV_RES_OK) {
    out["error"] = code_symbol(r) + "(" + what + ")";
    return emit();
  }

  double t0 = now();
  r = ZRV_readdata(task, o.run_one.c_str());
  double t1 = now();
  out["read"] = num(t1 - t0);
  if (r != ZRV_RES_OK) {
    ZRVresponsetypee cls = ZRV_RESPONSE_UNK;
    ZRV_getresponseclass(r, &cls);
    if (cls != ZRV_RESPONSE_WRN) {
      out["error"] = code_symbol(r);
      return emit();
    }
  }
  solcheck::Problem p;
  r = solcheck::load_problem(task, p);
  if (r != ZRV_RES_OK) {
    out["error"] = code_symbol(r) + "(getters)";
    return emit();
  }
  out["rows"] = std::to_string(p.m);
  out["cols"] = std::to_string(p.n);
  out["nnz"] = std::to_string(p.val.size());

  ZRVrescodee trm = ZRV_RES_OK;
  double t2 = now();
  r = ZRV_optimizetrm(task, &trm);
  double t3 = now();
  out["opt"] = num(t3 - t2);
  ZRVint32t it = 0, iters = 0;
  for (ZRViinfiteme item : {ZRV_IINF_INTPNT_ITER, ZRV_IINF_SIM_PRIMAL_ITER, ZRV_IINF_SIM_DUAL_ITER,
                            ZRV_IINF_SIM_PRIMAL_DUAL_ITER}) {
    if (ZRV_getintinf(task, item, &it) == ZRV_RES_OK) iters += it;
  }
  out["iters"] = std::to_string(iters);
  if (trm != ZRV_RES_OK) out["trm"] = code_symbol(trm);
  if (r != ZRV_RES_OK) {
    out["error"] = code_symbol(r);
    return emit();
  }

  ZRVint32t itr = 0, bas = 0;
  ZRV_solutiondef(task, ZRV_SOL_ITR, &itr);
  ZRV_solutiondef(task, ZRV_SOL_BAS, &bas);
  ZRVsoltypee which = (o.solution == "bas" || (!itr && bas)) ? ZRV_SOL_BAS : ZRV_SOL_ITR;
  if (!(which == ZRV_SOL_ITR ? itr : bas)) {
    out["error"] = "no_solution";
    return emit();
  }
  solcheck::Solution s;
  r = solcheck::load_solution(task, which, p, s);
  if (r != ZRV_RES_OK) {
    out["error"] = code_symbol(r) + "(solution)";
    return emit();
  }
  char text[ZRV_MAX_STR_LEN] = "";
  ZRV_solstatostr(task, s.solsta, text);
  out["status"] = text;
  double pobj = 0, dobj = 0;
  ZRV_getprimalobj(task, which, &pobj);
  ZRV_getdualobj(task, which, &dobj);
  out["pobj"] = num(pobj);
  out["dobj"] = num(dobj);
  if (s.solsta == ZRV_SOL_STA_PRIM_INFEAS_CER || s.solsta == ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER) {
    solcheck::Farkas f = solcheck::primal_infeasibility(p, s.y);
    out["farkas"] = num(f.measure);
    out["farkas_res"] = num(f.residual);
  } else if (s.solsta == ZRV_SOL_STA_DUAL_INFEAS_CER || s.solsta == ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER) {
    solcheck::Farkas f = solcheck::dual_infeasibility(p, s.xx);
    out["farkas"] = num(f.measure);
    out["farkas_res"] = num(f.residual);
  } else {
    out["objx"] = num(solcheck::objective(p, s.xx));
    out["pviol"] = num(solcheck::primal_violation(p, s.xx));
    out["dviol"] = num(solcheck::dual_violation(p, s));
  }
  ZRV_deletetask(&task);
  ZRV_deleteenv(&env);
  if (log) std::fclose(log);
  return emit();
}

// ---------------------------------------------------------------------------------------------------------------
// Parent: the folder, the known values, the child processes, the table.

using zrvdata::Known;
using zrvdata::read_values;

bool is_problem_file(const std::string& f) {
  std::string s = f;
  if (s.size() > 3 && s.compare(s.size() - 3, 3, ".gz") == 0) s.resize(s.size() - 3);
  for (const char* ext : {".mps", ".qps", ".lp", ".fmps", ".opf", ".task"}) {
    size_t n = std::strlen(ext);
    if (s.size() > n && s.compare(s.size() - n, n, ext) == 0) return true;
  }
  return false;
}

std::string instance_name(const std::string& f) {
  std::string s = f;
  if (s.size() > 3 && s.compare(s.size() - 3, 3, ".gz") == 0) s.resize(s.size() - 3);
  size_t dot = s.find_last_of('.');
  return dot == std::string::npos ? s : s.substr(0, dot);
}

struct ChildResult {
  std::map<std::string, std::string> fields;
  std::string failure;  // killed, crashed, ... (empty when the child ended normally)
  double seconds = 0;   // wall time of the child process
};

ChildResult run_child(const std::string& self, const std::vector<std::string>& args, double kill_after) {
  ChildResult res;
  int fd[2];
  if (pipe(fd) != 0) {
    res.failure = "pipe_failed";
    return res;
  }
  double t0 = now();
  pid_t pid = fork();
  if (pid < 0) {
    res.failure = "fork_failed";
    return res;
  }
  if (pid == 0) {
    dup2(fd[1], 1);
    close(fd[0]);
    close(fd[1]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(self.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(self.c_str(), argv.data());
    _exit(127);
  }
  close(fd[1]);
  std::string text;
  bool killed = false;
  char buf[4096];
  for (;;) {
    double left = kill_after - (now() - t0);
    if (left <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    struct pollfd pfd = {fd[0], POLLIN, 0};
    int ready = poll(&pfd, 1, (int)std::min(left * 1000 + 1, 1000.0));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    ssize_t n = read(fd[0], buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, n);
  }
  close(fd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  res.seconds = now() - t0;
  if (killed) {
    res.failure = "killed_at_time_limit";
  } else if (WIFSIGNALED(status)) {
    res.failure = std::string("crashed_") + strsignal(WTERMSIG(status));
    for (char& ch : res.failure)
      if (ch == ' ') ch = '_';
  } else if (WEXITSTATUS(status) != 0) {
    res.failure = "exit_" + std::to_string(WEXITSTATUS(status));
  }
  std::istringstream in(text);
  std::string tok;
  while (in >> tok) {
    size_t eq = tok.find('=');
    if (eq != std::string::npos) res.fields[tok.substr(0, eq)] = tok.substr(eq + 1);
  }
  if (res.failure.empty() && res.fields.empty()) res.failure = "no_result";
  return res;
}

double shifted_geomean(const std::vector<double>& v, double shift) {
  if (v.empty()) return 0;
  double s = 0;
  for (double x : v) s += std::log(x + shift);
  return std::exp(s / v.size()) - shift;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string err;
  if (!parse(argc, argv, o, err)) {
    std::fprintf(stderr, "ipm_bench: %s\nTry 'ipm_bench --help'.\n", err.c_str());
    return 2;
  }
  if (!o.run_one.empty()) return run_one(o);

  std::regex filter;
  try {
    filter = std::regex(o.filter.empty() ? std::string(".*") : o.filter);
  } catch (const std::regex_error&) {
    std::fprintf(stderr, "ipm_bench: bad filter '%s'\n", o.filter.c_str());
    return 2;
  }
  std::vector<std::string> files;
  DIR* d = opendir(o.folder.c_str());
  if (!d) {
    std::fprintf(stderr, "ipm_bench: cannot open the folder '%s': %s\n", o.folder.c_str(), std::strerror(errno));
    return 1;
  }
  while (struct dirent* e = readdir(d)) {
    std::string f = e->d_name;
    if (is_problem_file(f) && std::regex_search(instance_name(f), filter)) files.push_back(f);
  }
  closedir(d);
  std::sort(files.begin(), files.end());

  std::string values = o.values;
  if (values.empty()) {
    for (const char* f : {"optimal_values.csv", "status.csv"}) {
      struct stat st;
      std::string path = o.folder + "/" + f;
      if (stat(path.c_str(), &st) == 0) {
        values = path;
        break;
      }
    }
  }
  std::map<std::string, Known> known = values.empty() ? std::map<std::string, Known>() : read_values(values);

  char self[4096];
  ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
  if (len <= 0) {
    std::fprintf(stderr, "ipm_bench: cannot find my own program file\n");
    return 1;
  }
  self[len] = 0;
  std::vector<std::string> pass;  // the options every child gets
  if (!o.optimizer.empty()) pass.insert(pass.end(), {"--optimizer", o.optimizer});
  if (!o.paramfile.empty()) pass.insert(pass.end(), {"--paramfile", o.paramfile});
  for (auto& [n, v] : o.params) pass.insert(pass.end(), {"-d", n, v});
  if (o.threads >= 0) pass.insert(pass.end(), {"--threads", std::to_string(o.threads)});
  if (!o.solution.empty()) pass.insert(pass.end(), {"--solution", o.solution});
  if (!o.log_dir.empty()) pass.insert(pass.end(), {"--log-dir", o.log_dir});
  char tl[64];
  std::snprintf(tl, sizeof tl, "%.17g", o.time_limit);
  pass.insert(pass.end(), {"--time-limit", tl});

  std::printf(
      "name,rows,cols,nnz,status,primal_obj,dual_obj,known,rel_error,iterations,seconds,read_seconds,"
      "optimize_seconds,pviol,dviol,solved,note\n");
  std::fflush(stdout);
  std::vector<double> times, iterations;
  int solved_count = 0;
  for (const std::string& f : files) {
    std::string name = instance_name(f);
    std::vector<std::string> args = {"--run-one", o.folder + "/" + f};
    args.insert(args.end(), pass.begin(), pass.end());
    ChildResult c = run_child(self, args, o.time_limit + 30);
    auto get = [&](const char* k) {
      auto it = c.fields.find(k);
      return it == c.fields.end() ? std::string() : it->second;
    };
    auto val = [&](const char* k) { return std::strtod(get(k).c_str(), nullptr); };
    Known k;
    auto kit = known.find(name);
    if (kit != known.end()) k = kit->second;

    std::string status = get("status"), note;
    double seconds = c.failure.empty() ? val("read") + val("opt") : c.seconds;
    if (!c.failure.empty()) {
      status = c.failure;
    } else if (!get("error").empty()) {
      status = get("error");
      if (get("opt").empty()) seconds = c.seconds;  // failed before optimizing: the process time is all we have
    }
    bool solved = false;
    std::string rel, pviol = get("pviol"), dviol = get("dviol"), known_text;
    char b[64];
    if (k.infeasible) known_text = "infeasible";
    if (k.has_value) {
      std::snprintf(b, sizeof b, "%.10e", k.value);
      known_text = b;
    }
    bool clean = c.failure.empty() && get("error").empty() && get("trm").empty() && seconds <= o.time_limit;
    if (!get("trm").empty()) note = "stopped:" + get("trm");
    if (clean && status == "OPTIMAL" && !k.infeasible) {
      bool close = true;
      if (k.has_value) {
        double e = std::fabs(val("objx") - k.value) / std::max(1.0, std::fabs(k.value));
        std::snprintf(b, sizeof b, "%.2e", e);
        rel = b;
        close = e <= o.rel_tol;
      }
      bool feasible = val("pviol") <= o.viol_tol && val("dviol") <= o.viol_tol;
      solved = close && feasible;
      if (!feasible) note = "violations_above_tolerance";
      else if (!close) note = "objective_off";
    } else if (clean && status == "PRIMAL_INFEASIBLE_CER" && k.infeasible) {
      solcheck::Farkas fk;
      fk.measure = val("farkas");
      fk.residual = val("farkas_res");
      solved = fk.holds(o.viol_tol);
      pviol = get("farkas_res");
      std::snprintf(b, sizeof b, "farkas_measure=%.2e", fk.measure);
      note = solved ? b : std::string(b) + ":certificate_fails";
    } else if (clean) {
      note = "unexpected_outcome";
      if (!get("farkas").empty()) {  // a certificate of the other kind: say whether it is one at all
        solcheck::Farkas fk;
        fk.measure = val("farkas");
        fk.residual = val("farkas_res");
        pviol = get("farkas_res");
        dviol.clear();
        std::snprintf(b, sizeof b, ":certificate_%s(measure=%.2e)", fk.holds(o.viol_tol) ? "holds" : "fails",
                      fk.measure);
        note += b;
      }
    } else if (seconds > o.time_limit && note.empty()) {
      note = "over_time_limit";
    }
    solved_count += solved;
    times.push_back(seconds);
    if (!get("iters").empty()) iterations.push_back(val("iters"));
    auto fmt = [&](const std::string& v, const char* f) {
      if (v.empty()) return std::string();
      std::snprintf(b, sizeof b, f, std::strtod(v.c_str(), nullptr));
      return std::string(b);
    };
    std::printf("%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%.3f,%s,%s,%s,%s,%d,%s\n", name.c_str(), get("rows").c_str(),
                get("cols").c_str(), get("nnz").c_str(), status.c_str(), fmt(get("pobj"), "%.10e").c_str(),
                fmt(get("dobj"), "%.10e").c_str(), known_text.c_str(), rel.c_str(), get("iters").c_str(), seconds,
                fmt(get("read"), "%.3f").c_str(), fmt(get("opt"), "%.3f").c_str(), fmt(pviol, "%.1e").c_str(),
                fmt(dviol, "%.1e").c_str(), solved ? 1 : 0, note.c_str());
    std::fflush(stdout);
  }
  std::printf("# summary: solved %d/%zu, shifted geometric mean of seconds (shift 1 s) %.3f, median iterations %g\n",
              solved_count, files.size(), shifted_geomean(times, 1.0), median(iterations));
  return 0;
}
