// Timings of the sparse matrix object on the workloads of a task building and reading A:
//   1. 1,000,000 single-element puts in random order into a 100,000 x 100,000 matrix, then every column read;
//   2. the same pattern put column by column, then every column read;
//   3. alternating row and column reads (one transposition per switch);
//   4. 1,000,000 rows and 1,000,000 columns appended one at a time, capacities grown as a task grows them.
// Usage: bench_sprmat [n] [nnz]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory_resource>
#include <random>
#include <vector>

#include "cpub/sprmat.h"

using namespace zrv;

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

void check(SpStatus s, const char* what) {
  if (s != SpStatus::Ok) {
    std::fprintf(stderr, "%s failed with status %d\n", what, static_cast<int>(s));
    std::exit(1);
  }
}

void make(SprMat& m, int32_t n, int64_t pool) {
  check(m.init(n, n, pool), "init");
  check(m.append(SpDim::Rows, n), "append rows");
  check(m.append(SpDim::Cols, n), "append cols");
}

// Reads every column into caller buffers; returns the total count (to keep the reads alive).
int64_t read_all_columns(SprMat& m, std::vector<int32_t>& sub, std::vector<double>& val) {
  int64_t total = 0;
  for (int32_t j = 0; j < m.num_cols(); ++j) {
    int64_t nz = 0;
    check(m.get_vector(SpDim::Cols, j, &nz, sub.data(), val.data()), "get_vector");
    total += nz;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t n = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int64_t nnz = argc > 2 ? std::atoll(argv[2]) : 1000000;
  std::pmr::memory_resource* mr = std::pmr::new_delete_resource();

  // A random pattern with nnz/n entries per column, each position once, listed in random order.
  std::mt19937_64 rng(2024);
  std::vector<int32_t> ei, ej;
  std::vector<double> ev;
  {
    std::uniform_int_distribution<int32_t> row(0, n - 1);
    std::vector<int32_t> mark(n, -1);
    const int64_t per = nnz / n;
    for (int32_t j = 0; j < n; ++j) {
      for (int64_t t = 0; t < per; ++t) {
        int32_t i;
        do i = row(rng);
        while (mark[i] == j);
        mark[i] = j;
        ei.push_back(i);
        ej.push_back(j);
        ev.push_back(1.0 + static_cast<double>(ei.size() % 97));
      }
    }
  }
  const int64_t total = static_cast<int64_t>(ei.size());
  std::vector<int64_t> perm(total);
  for (int64_t t = 0; t < total; ++t) perm[t] = t;
  std::shuffle(perm.begin(), perm.end(), rng);
  std::vector<int32_t> sub(n);
  std::vector<double> val(n);

  std::printf("matrix %d x %d, %lld nonzeros\n", n, n, static_cast<long long>(total));

  // 1. Element puts in random order, then every column.
  {
    SprMat m(mr);
    make(m, n, n);  // pool as a task sizes it at creation: maxnumanz 0 + maxnumcon
    double c0 = cpu();
    double t0 = now();
    for (int64_t t = 0; t < total; ++t) {
      const int64_t k = perm[t];
      check(m.put_element(ei[k], ej[k], ev[k]), "put_element");
    }
    double t1 = now();
    const int64_t got = read_all_columns(m, sub, val);
    double t2 = now();
    double c2 = cpu();
    std::printf("element puts (random order)       %8.3f s\n", t1 - t0);
    std::printf("  then read every column          %8.3f s   (total %.3f s wall, %.3f s cpu; %lld read, pool %lld, "
                "%lld reallocs)\n",
                t2 - t1, t2 - t0, c2 - c0, static_cast<long long>(got), static_cast<long long>(m.pool_size()),
                static_cast<long long>(m.pool_reallocs()));
    if (got != total) return 1;

    // 3. Alternating row and column reads.
    const int64_t tr0 = m.transpositions();
    const int switches = 20;
    double c3 = cpu();
    double t3 = now();
    for (int r = 0; r < switches / 2; ++r) {
      int64_t nz;
      check(m.get_vector(SpDim::Rows, r, &nz, sub.data(), val.data()), "row read");
      check(m.get_vector(SpDim::Cols, r, &nz, sub.data(), val.data()), "col read");
    }
    double t4 = now();
    double c4 = cpu();
    const int64_t ntr = std::max<int64_t>(1, m.transpositions() - tr0);
    std::printf("alternating row/col reads         %8.3f s   (%d reads, %lld transpositions, %.1f ms each wall, "
                "%.1f ms cpu)\n",
                t4 - t3, switches, static_cast<long long>(m.transpositions() - tr0), 1e3 * (t4 - t3) / ntr,
                1e3 * (c4 - c3) / ntr);
  }

  // 2. Column puts column by column, then every column.
  {
    SprMat m(mr);
    make(m, n, n);
    std::vector<std::vector<int32_t>> colsub(n);
    std::vector<std::vector<double>> colval(n);
    for (int64_t t = 0; t < total; ++t) {
      colsub[ej[t]].push_back(ei[t]);
      colval[ej[t]].push_back(ev[t]);
    }
    double c0 = cpu();
    double t0 = now();
    for (int32_t j = 0; j < n; ++j) {
      check(m.put_vector(SpDim::Cols, j, static_cast<int64_t>(colsub[j].size()), colsub[j].data(), colval[j].data()),
            "put_vector");
    }
    double t1 = now();
    const int64_t got = read_all_columns(m, sub, val);
    double t2 = now();
    double c2 = cpu();
    std::printf("column puts, column by column     %8.3f s\n", t1 - t0);
    std::printf("  then read every column          %8.3f s   (total %.3f s wall, %.3f s cpu)\n", t2 - t1, t2 - t0,
                c2 - c0);
    if (got != total) return 1;
  }

  // 4. Appends one at a time, the capacity grown to max(2 x capacity, needed) when full.
  for (SpDim d : {SpDim::Rows, SpDim::Cols}) {
    for (int32_t count : {100000, 1000000}) {
      SprMat m(mr);
      check(m.init(1, 1, 1), "init");
      double t0 = now();
      for (int32_t k = 0; k < count; ++k) {
        if (m.count(d) == m.capacity(d)) {
          check(m.set_capacity(d, std::max(2 * m.capacity(d), m.count(d) + 1)), "set_capacity");
        }
        check(m.append(d, 1), "append");
      }
      double t1 = now();
      std::printf("append %7d %s one at a time    %8.3f s   (%.1f ns each)\n", count,
                  d == SpDim::Rows ? "rows" : "cols", t1 - t0, 1e9 * (t1 - t0) / count);
    }
  }
  return 0;
}
