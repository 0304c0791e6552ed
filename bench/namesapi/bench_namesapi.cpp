// Timing of variable names through the library's exported functions: ZRV_putvarname on every variable, then
// ZRV_getvarnameindex of every name in random order, each result checked.
// Usage: bench_namesapi [count] [repeats] [style]   style 0: "x%d", 1: "variable_%08d"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <time.h>

#include "zirva.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// CPU time of this thread; on a shared machine the wall clock also counts the time spent descheduled.
double cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

void check(const char* what, ZRVrescodee r) {
  if (r == ZRV_RES_OK) return;
  std::fprintf(stderr, "%s failed with %d\n", what, r);
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t n = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
  const int style = argc > 3 ? std::atoi(argv[3]) : 0;
  std::vector<std::string> names(static_cast<size_t>(n));
  char buf[32];
  for (int32_t j = 0; j < n; ++j) {
    std::snprintf(buf, sizeof buf, style == 0 ? "x%d" : "variable_%08d", j);
    names[static_cast<size_t>(j)] = buf;
  }
  std::vector<int32_t> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(12345));

  ZRVenv_t env = nullptr;
  check("ZRV_makeenv", ZRV_makeenv(&env, nullptr));
  double best_put = 1e30, best_get = 1e30, best_total = 1e30, best_cpu = 1e30;
  for (int rep = 0; rep < repeats; ++rep) {
    ZRVtask_t task = nullptr;
    check("ZRV_maketask", ZRV_maketask(env, 0, n, &task));
    check("ZRV_appendvars", ZRV_appendvars(task, n));
    const double c0 = cpu_now();
    auto t0 = Clock::now();
    for (int32_t j = 0; j < n; ++j) check("ZRV_putvarname", ZRV_putvarname(task, j, names[j].c_str()));
    const double put = since(t0);
    auto t1 = Clock::now();
    for (int32_t k = 0; k < n; ++k) {
      int32_t asgn = 0, index = -1;
      check("ZRV_getvarnameindex", ZRV_getvarnameindex(task, names[order[k]].c_str(), &asgn, &index));
      if (!asgn || index != order[k]) {
        std::fprintf(stderr, "lookup of '%s' gave %d %d\n", names[order[k]].c_str(), asgn, index);
        return 1;
      }
    }
    const double get = since(t1), cpu = cpu_now() - c0;
    std::printf("run %d: %d puts %.3f s, %d lookups %.3f s, total %.3f s, cpu %.3f s\n", rep + 1, n, put, n, get,
                put + get, cpu);
    best_put = std::min(best_put, put), best_get = std::min(best_get, get);
    best_total = std::min(best_total, put + get), best_cpu = std::min(best_cpu, cpu);
    check("ZRV_deletetask", ZRV_deletetask(&task));
  }
  std::printf("best: puts %.3f s, lookups %.3f s, total %.3f s, cpu %.3f s (goal: total under 1 s)\n", best_put,
              best_get, best_total, best_cpu);
  check("ZRV_deleteenv", ZRV_deleteenv(&env));
  return 0;
}
