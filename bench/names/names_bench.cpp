// Timing of the name store: puts of variable names followed by lookups of every name, and the same with the
// variables appended one at a time. Usage: bench_names [count] [repeats]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory_resource>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <time.h>

#include "cpub/namepool.h"
#include "zirva.h"

using namespace zrv;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// CPU time of this thread: on a shared machine the wall clock also counts the time spent descheduled.
double cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

[[noreturn]] void fail(const char* what, int32_t r) {
  std::fprintf(stderr, "%s failed with %d\n", what, r);
  std::exit(1);
}

struct Times {
  double put = 0, lookup = 0;
  double cpu = 0;  // CPU seconds of both phases
};

// Appends n variables at once (or one at a time), names them in order, then looks every name up in random order.
// probe[k] is the name of variable order[k]: the lookups read their names one after the other, as a reader does.
Times run(const std::vector<std::string>& names, const std::vector<std::string>& probe,
          const std::vector<int32_t>& order, bool one_at_a_time) {
  NameTable t(std::pmr::new_delete_resource());
  const int32_t n = static_cast<int32_t>(names.size());
  Times tm;
  const double c0 = cpu_now();
  auto t0 = Clock::now();
  if (!one_at_a_time) {
    if (int32_t r = t.append(NameClass::Var, n)) fail("append", r);
  }
  for (int32_t j = 0; j < n; ++j) {
    if (one_at_a_time) {
      if (int32_t r = t.append(NameClass::Var, 1)) fail("append", r);
    }
    if (int32_t r = t.put(NameClass::Var, j, names[j])) fail("put", r);
  }
  tm.put = seconds_since(t0);
  t0 = Clock::now();
  int64_t wrong = 0;
  for (size_t k = 0; k < probe.size(); ++k) {
    bool found = false;
    int32_t idx = -1;
    if (int32_t r = t.lookup(NameClass::Var, probe[k], &found, &idx)) fail("lookup", r);
    wrong += !found || idx != order[k];
  }
  tm.lookup = seconds_since(t0);
  tm.cpu = cpu_now() - c0;
  if (wrong) fail("lookup result", static_cast<int32_t>(wrong));
  return tm;
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t n = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
  std::vector<int32_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(7));

  std::printf("names: %d variables, best of %d\n", n, repeats);
  // Short names are kept in the item records, longer ones in the pool: time both.
  for (const char* shape : {"x%d", "variable_%08d"}) {
    std::vector<std::string> names(n);
    char buf[64];
    for (int32_t j = 0; j < n; ++j) {
      std::snprintf(buf, sizeof buf, shape, j);
      names[j] = buf;
    }
    std::vector<std::string> probe(n);
    for (int32_t k = 0; k < n; ++k) probe[k] = names[order[k]];
    std::printf("names like \"%s\"\n", names[n - 1].c_str());
    for (bool single : {false, true}) {
      Times best{1e30, 1e30, 1e30};
      for (int k = 0; k < repeats; ++k) {
        Times tm = run(names, probe, order, single);
        if (tm.put + tm.lookup < best.put + best.lookup) best = tm;
      }
      std::printf("  %-32s puts %.3f s  lookups %.3f s  total %.3f s  (cpu %.3f s)\n",
                  single ? "append 1 + put, then lookups:" : "append all, puts, then lookups:", best.put,
                  best.lookup, best.put + best.lookup, best.cpu);
    }
  }
  return 0;
}
