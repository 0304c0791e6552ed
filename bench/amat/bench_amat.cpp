// Timings of the matrix operations of a task through the public interface:
//   1. 1,000,000 ZRV_putaij in random order into a 100,000 x 100,000 problem, then every column by ZRV_getacol;
//   2. the same pattern by ZRV_putacol, column by column;
//   3. alternating row and column reads: each switch costs one transposition;
//   4. 1,000,000 constraints and 1,000,000 variables appended one at a time.
// Usage: bench_amat [n] [nnz]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "zirva.h"

namespace {

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of this thread: less disturbed than wall time when other work shares the machine.
double cpu() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

void ok(ZRVrescodee r, const char* what) {
  if (r != ZRV_RES_OK) {
    std::fprintf(stderr, "%s failed with code %d\n", what, r);
    std::exit(1);
  }
}

struct Clock {
  double w0 = now(), c0 = cpu();
  void print(const char* what) const {
    std::printf("%-58s %8.3f s wall %8.3f s cpu\n", what, now() - w0, cpu() - c0);
  }
};

ZRVtask_t make_task(ZRVenv_t env, int32_t n) {
  ZRVtask_t task = nullptr;
  ok(ZRV_maketask(env, 0, 0, &task), "maketask");
  ok(ZRV_appendcons(task, n), "appendcons");
  ok(ZRV_appendvars(task, n), "appendvars");
  return task;
}

// Reads every column; returns the sum of the values (keeps the reads alive and checks the contents).
double read_columns(ZRVtask_t task, int32_t n, std::vector<int32_t>& sub, std::vector<double>& val) {
  double s = 0.0;
  for (int32_t j = 0; j < n; ++j) {
    int32_t nz = 0;
    ok(ZRV_getacol(task, j, &nz, sub.data(), val.data()), "getacol");
    for (int32_t t = 0; t < nz; ++t) s += val[t];
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t n = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int64_t nnz = argc > 2 ? std::atoll(argv[2]) : 1000000;
  const int32_t per = static_cast<int32_t>(std::max<int64_t>(1, nnz / n));
  std::mt19937_64 rng(7);
  ZRVenv_t env = nullptr;
  ok(ZRV_makeenv(&env, nullptr), "makeenv");

  // A random pattern: `per` distinct rows in every column, values 1 .. 9.
  std::vector<int32_t> ti, tj;
  std::vector<double> tv;
  std::vector<int32_t> colptr(static_cast<size_t>(n) + 1, 0);
  {
    std::uniform_int_distribution<int32_t> row(0, n - 1);
    std::vector<int32_t> picked;
    for (int32_t j = 0; j < n; ++j) {
      picked.clear();
      while (static_cast<int32_t>(picked.size()) < per) {
        const int32_t i = row(rng);
        if (std::find(picked.begin(), picked.end(), i) == picked.end()) picked.push_back(i);
      }
      for (int32_t i : picked) ti.push_back(i), tj.push_back(j), tv.push_back(static_cast<double>(1 + (i + j) % 9));
      colptr[static_cast<size_t>(j) + 1] = static_cast<int32_t>(ti.size());
    }
  }
  double expected = 0.0;
  for (double v : tv) expected += v;
  std::vector<size_t> order(ti.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::shuffle(order.begin(), order.end(), rng);
  // The triplets in the order of the puts, so that the timed loop reads its input sequentially.
  std::vector<int32_t> si(order.size()), sj(order.size());
  std::vector<double> sv(order.size());
  for (size_t k = 0; k < order.size(); ++k) si[k] = ti[order[k]], sj[k] = tj[order[k]], sv[k] = tv[order[k]];
  std::vector<int32_t> sub(static_cast<size_t>(n));
  std::vector<double> val(static_cast<size_t>(n));
  std::printf("problem %d x %d, %zu nonzeros\n", n, n, ti.size());

  // 1. Random single puts, then every column.
  {
    ZRVtask_t task = make_task(env, n);
    Clock all;
    Clock put;
    for (size_t k = 0; k < si.size(); ++k) ok(ZRV_putaij(task, si[k], sj[k], sv[k]), "putaij");
    put.print("ZRV_putaij, random order");
    Clock get;
    const double s = read_columns(task, n, sub, val);
    get.print("ZRV_getacol, every column (merges the pending puts)");
    all.print("putaij + getacol (goal < 1 s)");
    ZRVint64t count = 0;
    ok(ZRV_getnumanz64(task, &count), "getnumanz64");
    if (s != expected || count != static_cast<ZRVint64t>(ti.size())) {
      std::fprintf(stderr, "wrong contents: sum %g (expected %g), %lld nonzeros\n", s, expected,
                   static_cast<long long>(count));
      return 1;
    }

    // 3. Alternating reads: every row, then every column, then single alternating reads.
    Clock rows;
    for (int32_t i = 0; i < n; ++i) {
      int32_t nz = 0;
      ok(ZRV_getarow(task, i, &nz, sub.data(), val.data()), "getarow");
    }
    rows.print("ZRV_getarow, every row (one transposition)");
    Clock cols;
    read_columns(task, n, sub, val);
    cols.print("ZRV_getacol, every column (one transposition)");
    const int rounds = 10;
    Clock alt;
    for (int r = 0; r < rounds; ++r) {
      int32_t nz = 0;
      ok(ZRV_getarow(task, r, &nz, sub.data(), val.data()), "getarow");
      ok(ZRV_getacol(task, r, &nz, sub.data(), val.data()), "getacol");
    }
    alt.print("10 x (one ZRV_getarow + one ZRV_getacol): 20 transpositions");
    ZRV_deletetask(&task);
  }

  // 2. Column by column.
  {
    ZRVtask_t task = make_task(env, n);
    Clock put;
    for (int32_t j = 0; j < n; ++j) {
      const int32_t b = colptr[static_cast<size_t>(j)], e = colptr[static_cast<size_t>(j) + 1];
      ok(ZRV_putacol(task, j, e - b, ti.data() + b, tv.data() + b), "putacol");
    }
    put.print("ZRV_putacol, column by column (goal < 0.3 s)");
    if (read_columns(task, n, sub, val) != expected) {
      std::fprintf(stderr, "wrong contents after putacol\n");
      return 1;
    }
    ZRV_deletetask(&task);
  }

  // 4. One at a time appends; the time per append must not grow with the count.
  for (int kind = 0; kind < 2; ++kind) {
    ZRVtask_t task = nullptr;
    ok(ZRV_maketask(env, 0, 0, &task), "maketask");
    const int64_t total = 1000000;
    Clock c;
    double first = 0.0;
    for (int64_t k = 0; k < total; ++k) {
      ok(kind == 0 ? ZRV_appendcons(task, 1) : ZRV_appendvars(task, 1), "append");
      if (k + 1 == total / 10) first = cpu() - c.c0;
    }
    c.print(kind == 0 ? "ZRV_appendcons(1) x 1,000,000" : "ZRV_appendvars(1) x 1,000,000");
    const double all = cpu() - c.c0;
    std::printf("  cpu per append: %.1f ns over the first 100,000, %.1f ns over all 1,000,000\n",
                1e9 * first / static_cast<double>(total / 10), 1e9 * all / static_cast<double>(total));
    ZRV_deletetask(&task);
  }
  ZRV_deleteenv(&env);
  return 0;
}
