// MPS reading and writing speed on the largest Netlib and MIPLIB files, next to the read time that the clp
// command reports for the same files in the same run (its write time is the wall time of import + export less
// that of import alone). Files are decompressed first so that gzip does not take part. The time clp reports is
// processor time, so reading is timed both ways here: wall clock and processor time of this process; on a busy
// machine the two differ and the processor times are the ones to compare.
// usage: bench_mps [repeats]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "zirva.h"

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Runs a shell command; returns its wall time and, when `key` occurs in the output, the number after "in".
double run(const std::string& cmd, const char* key, double* reported) {
  double t0 = now();
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char line[4096];
  while (std::fgets(line, sizeof line, p)) {
    const char* k = key ? std::strstr(line, key) : nullptr;
    if (k && reported) {
      const char* in = std::strstr(k, " in ");
      if (in) *reported = std::atof(in + 4);
    }
  }
  pclose(p);
  return now() - t0;
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const char* sets[][2] = {{"netlib", "maros-r7"}, {"netlib", "fit2d"}, {"miplib", "nw04"}, {"miplib", "fast0507"}};
  std::string tmp = "/tmp/zirva_bench_mps";
  std::system(("mkdir -p " + tmp).c_str());
  bool have_clp = std::system("command -v clp > /dev/null 2>&1") == 0;
  ZRVenv_t env = nullptr;
  ZRV_makeenv(&env, nullptr);
  std::printf("%-10s %8s | %9s %9s %8s %9s | %9s %8s %9s | %9s %9s %9s\n", "file", "MB", "read s", "rd cpu s",
              "MB/s", "clp rd s", "write s", "MB/s", "clp wr s", "rd ratio", "cpu ratio", "wr ratio");
  for (auto& s : sets) {
    std::string gz = std::string(ZIRVA_DATA_DIR) + "/" + s[0] + "/" + s[1] + ".mps.gz";
    std::string plain = tmp + "/" + s[1] + ".mps", out = tmp + "/" + s[1] + "_out.mps";
    if (std::system(("zcat " + gz + " > " + plain).c_str()) != 0) continue;
    FILE* f = std::fopen(plain.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    double mb = static_cast<double>(std::ftell(f)) / 1e6;
    std::fclose(f);
    double rd = 1e9, rd_cpu = 1e9, wr = 1e9, clp_rd = 1e9, clp_wr = 1e9, out_mb = 0;
    for (int r = 0; r < repeats; ++r) {
      ZRVtask_t task = nullptr;
      ZRV_maketask(env, 0, 0, &task);
      double t0 = now();
      std::clock_t c0 = std::clock();
      if (ZRV_readdata(task, plain.c_str()) != ZRV_RES_OK) std::printf("read failed: %s\n", plain.c_str());
      rd = std::min(rd, now() - t0);
      rd_cpu = std::min(rd_cpu, static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
      t0 = now();
      ZRV_writedata(task, out.c_str());
      wr = std::min(wr, now() - t0);
      ZRV_deletetask(&task);
      FILE* o = std::fopen(out.c_str(), "rb");
      std::fseek(o, 0, SEEK_END);
      out_mb = static_cast<double>(std::ftell(o)) / 1e6;
      std::fclose(o);
      if (have_clp) {
        double reported = -1;
        double import_only = run("clp " + plain + " -import", "imported from", &reported);
        if (reported >= 0) clp_rd = std::min(clp_rd, reported);
        double both = run("clp " + plain + " -presolve off -export " + tmp + "/clp_out.mps", nullptr, nullptr);
        clp_wr = std::min(clp_wr, std::max(0.0, both - import_only));
      }
    }
    std::printf("%-10s %8.1f | %9.3f %9.3f %8.1f %9.3f | %9.3f %8.1f %9.3f | %9.2f %9.2f %9.2f\n", s[1], mb, rd,
                rd_cpu, mb / rd, have_clp ? clp_rd : -1, wr, out_mb / wr, have_clp ? clp_wr : -1,
                have_clp ? clp_rd / rd : -1, have_clp ? clp_rd / rd_cpu : -1, have_clp ? clp_wr / wr : -1);
    std::remove(plain.c_str());
    std::remove(out.c_str());
  }
  ZRV_deleteenv(&env);
  return 0;
}
