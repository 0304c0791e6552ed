// LP read and write speed in MB/s (of the LP text), through the public interface. Problems: the largest Netlib
// files (read from MPS, written as LP) and a generated problem with about a million nonzeros. When `clp` is on the
// PATH, its time to import the same LP file is measured as the process's wall time less that of an empty run; its
// LP reader knows neither "+infinity" nor the "::" label of ranges, so it gets a copy with "1e30" and ":" there.
//
//   bench_lp [netlib files...]     (default: the seven largest Netlib files)
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "zirva.h"

namespace {

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double file_mb(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 ? st.st_size / 1e6 : 0.0;
}

// Wall time of a shell command (best of `reps`); negative when it fails.
double run_time(const std::string& cmd, int reps) {
  double best = 1e30;
  for (int r = 0; r < reps; ++r) {
    double t0 = now();
    if (std::system(cmd.c_str()) != 0) return -1.0;
    best = std::min(best, now() - t0);
  }
  return best;
}

void replace_all(std::string& s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) s.replace(p, from.size(), to);
}

// The copy of an LP file for clp.
void clp_copy(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ostringstream o;
  o << in.rdbuf();
  std::string text = o.str();
  replace_all(text, "+infinity", "1e30");
  replace_all(text, ":: ", ": ");
  std::ofstream(to, std::ios::binary) << text;
}

bool have_clp() { return std::system("command -v clp > /dev/null 2>&1") == 0; }

void generated(ZRVtask_t t, int32_t m, int32_t n, int per_row) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> u(-100, 100);
  ZRV_appendvars(t, n);
  ZRV_appendcons(t, m);
  for (int32_t j = 0; j < n; ++j) {
    ZRV_putcj(t, j, u(rng));
    ZRV_putvarbound(t, j, ZRV_BK_RA, 0, 1 + (rng() % 100));
    std::string name = "x" + std::to_string(j);
    ZRV_putvarname(t, j, name.c_str());
  }
  std::vector<int32_t> sub(per_row);
  std::vector<double> val(per_row);
  for (int32_t i = 0; i < m; ++i) {
    for (int k = 0; k < per_row; ++k) sub[k] = static_cast<int32_t>(rng() % n), val[k] = u(rng);
    std::sort(sub.begin(), sub.end());
    sub.erase(std::unique(sub.begin(), sub.end()), sub.end());
    ZRV_putarow(t, i, static_cast<int32_t>(sub.size()), sub.data(), val.data());
    ZRV_putconbound(t, i, i % 2 ? ZRV_BK_UP : ZRV_BK_LO, -u(rng), u(rng) + 200);
    std::string name = "row" + std::to_string(i);
    ZRV_putconname(t, i, name.c_str());
    sub.resize(per_row);
  }
}

void measure(ZRVenv_t env, ZRVtask_t t, const std::string& label, bool clp, double clp_base) {
  const std::string lp = "/tmp/bench_lp_" + label + ".lp";
  const int reps = 3;
  double wbest = 1e30, rbest = 1e30;
  int32_t r = ZRV_RES_OK;
  for (int k = 0; k < reps && r == ZRV_RES_OK; ++k) {
    double t0 = now();
    r = ZRV_writedata(t, lp.c_str());
    wbest = std::min(wbest, now() - t0);
  }
  if (r != ZRV_RES_OK) {
    std::printf("| %s | write failed: %d |\n", label.c_str(), r);
    return;
  }
  int32_t numcon = 0, numvar = 0, anz = 0;
  for (int k = 0; k < reps && r == ZRV_RES_OK; ++k) {
    ZRVtask_t back = nullptr;
    ZRV_maketask(env, 0, 0, &back);
    double t0 = now();
    r = ZRV_readdata(back, lp.c_str());
    rbest = std::min(rbest, now() - t0);
    ZRV_getnumcon(back, &numcon);
    ZRV_getnumvar(back, &numvar);
    ZRV_getnumanz(back, &anz);
    ZRV_deletetask(&back);
  }
  double mb = file_mb(lp);
  std::string clpcol = "-";
  if (clp && r == ZRV_RES_OK) {
    const std::string copy = lp + ".clp.lp";
    clp_copy(lp, copy);
    double c = run_time("clp -import " + copy + " -quit > /dev/null 2>&1", reps);
    std::remove(copy.c_str());
    if (c < 0) {
      clpcol = "refused";
    } else {
      char b[64];
      std::snprintf(b, sizeof b, "%.3f (%.1f MB/s)", c - clp_base, mb / std::max(c - clp_base, 1e-6));
      clpcol = b;
    }
  }
  std::printf("| %s | %d | %d | %d | %.2f | %.3f | %.1f | %.3f | %.1f | %s |%s\n", label.c_str(), numcon, numvar,
              anz, mb, wbest, mb / wbest, rbest, mb / rbest, clpcol.c_str(), r == ZRV_RES_OK ? "" : " read failed");
  std::remove(lp.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int k = 1; k < argc; ++k) files.push_back(argv[k]);
  if (files.empty())
    for (const char* f : {"maros-r7", "qap15", "pilot87", "fit2d", "dfl001", "fit2p", "wood1p"})
      files.push_back(std::string(ZIRVA_DATA_DIR) + "/netlib/" + f + ".mps.gz");
  ZRVenv_t env = nullptr;
  if (ZRV_makeenv(&env, nullptr) != ZRV_RES_OK) return 1;
  bool clp = have_clp();
  double clp_base = clp ? run_time("clp -quit > /dev/null 2>&1", 5) : 0.0;
  std::printf("| problem | constraints | variables | nonzeros | LP MB | write s | write MB/s | read s | read MB/s | "
              "clp import s |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
  for (const std::string& f : files) {
    ZRVtask_t t = nullptr;
    ZRV_maketask(env, 0, 0, &t);
    std::string label = f.substr(f.find_last_of('/') + 1);
    label = label.substr(0, label.find('.'));
    if (ZRV_readdata(t, f.c_str()) == ZRV_RES_OK)
      measure(env, t, label, clp, clp_base);
    else
      std::printf("| %s | not read (MPS) |\n", label.c_str());
    ZRV_deletetask(&t);
  }
  ZRVtask_t t = nullptr;
  ZRV_maketask(env, 0, 0, &t);
  generated(t, 200000, 200000, 6);
  measure(env, t, "generated", clp, clp_base);
  ZRV_deletetask(&t);
  ZRV_deleteenv(&env);
  return 0;
}
