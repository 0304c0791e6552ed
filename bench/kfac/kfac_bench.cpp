// Factorization engine bench: ZIRVA's kfac against CHOLMOD (SuiteSparse) on the same matrices in the same run.
//   A D A' of the Netlib LPs (D random positive), 2-D 5-point Laplacian, 3-D 7-point Laplacian, and augmented
//   quasi-definite systems [[-(Q + D), A'], [A, R]] of Maros-Meszaros QPs.
// Reports nnz(L) of both (our best ordering vs CHOLMOD's choice), analyze (ordering + symbolic) times, numeric
// factorization times with 1 and 2 threads, and GFlop/s next to the machine's dgemm rate.
// usage: kfac_bench [--netlib] [--grids] [--qp] [--quick] [--only NAME[,NAME...]] [--analyze | --analyze-free]
//                   [--reps N] [--cpu] [--leafsize N] [--imbalance X]
//   --analyze: orderings only (ours: AMD and nested dissection both evaluated; CHOLMOD analyze), no factorization
//   --analyze-free: orderings only, ours with the free choice (as in the full run)
//   --reps N: analyze times are the minimum of N runs of each analysis, ours and CHOLMOD's alternating (default 1)
//   --leafsize N, --imbalance X: dissection leaf size and balance limit of our analysis (experiments; default as in
//   the library)
#include <cblas.h>
#include <cholmod.h>
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "kfac/sfactor.h"
#include "math/dense.h"
#include "mpsread.h"

using namespace zrv;

namespace {
double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
// process CPU time: the analyses are single-threaded, so this is robust on a shared machine
double cpu() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}

struct Sym {  // lower triangle CSC, sorted, diagonal present
  int32_t n = 0;
  std::vector<int64_t> p;
  std::vector<int32_t> i;
  std::vector<double> x;
  std::vector<int8_t> sign;  // empty: SPD
};

Sym ada(const BenchLp& lp, uint32_t seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(-2, 2);
  std::vector<double> d(lp.n);
  for (auto& v : d) v = std::exp(u(g));
  const int32_t m = lp.m;
  std::vector<int64_t> rp(m + 1, 0);
  for (int32_t j = 0; j < lp.n; j++)
    for (int64_t p = lp.ap[j]; p < lp.ap[j + 1]; p++) rp[lp.ai[p] + 1]++;
  for (int32_t i = 0; i < m; i++) rp[i + 1] += rp[i];
  std::vector<int32_t> rc(rp[m]);
  std::vector<double> rv(rp[m]);
  std::vector<int64_t> pos(rp.begin(), rp.end() - 1);
  for (int32_t j = 0; j < lp.n; j++)
    for (int64_t p = lp.ap[j]; p < lp.ap[j + 1]; p++) { rc[pos[lp.ai[p]]] = j; rv[pos[lp.ai[p]]++] = lp.ax[p]; }
  Sym K;
  K.n = m;
  K.p.assign(m + 1, 0);
  std::vector<double> w(m, 0.0);
  std::vector<int32_t> mark(m, -1), list;
  double maxd = 0;
  for (int32_t i = 0; i < m; i++) {
    list.clear();
    list.push_back(i);
    mark[i] = i;
    for (int64_t q = rp[i]; q < rp[i + 1]; q++) {
      int32_t j = rc[q];
      double v = rv[q] * d[j];
      for (int64_t p = lp.ap[j]; p < lp.ap[j + 1]; p++) {
        int32_t k = lp.ai[p];
        if (k < i) continue;
        if (mark[k] != i) { mark[k] = i; list.push_back(k); }
        w[k] += v * lp.ax[p];
      }
    }
    std::sort(list.begin() + 1, list.end());
    for (int32_t k : list) { K.i.push_back(k); K.x.push_back(w[k]); w[k] = 0; }
    maxd = std::max(maxd, std::fabs(K.x[K.p[i]]));
    K.p[i + 1] = (int64_t)K.i.size();
  }
  double reg = 1e-9 * std::max(maxd, 1.0);
  for (int32_t i = 0; i < m; i++) K.x[K.p[i]] += reg;
  return K;
}

Sym augmented(const BenchLp& lp) {
  const int32_t n = lp.n, m = lp.m, N = n + m;
  Sym K;
  K.n = N;
  K.p.assign(N + 1, 0);
  for (int32_t j = 0; j < n; j++) {
    double diag = -1.0;
    std::vector<std::pair<int32_t, double>> e;
    if (!lp.qp.empty())
      for (int64_t p = lp.qp[j]; p < lp.qp[j + 1]; p++) {
        if (lp.qi[p] == j) diag -= lp.qx[p];
        else e.push_back({lp.qi[p], -lp.qx[p]});
      }
    for (int64_t p = lp.ap[j]; p < lp.ap[j + 1]; p++) e.push_back({n + lp.ai[p], lp.ax[p]});
    std::sort(e.begin(), e.end());
    K.i.push_back(j); K.x.push_back(diag);
    for (size_t k = 0; k < e.size(); k++) {
      if (k > 0 && e[k].first == e[k - 1].first) { K.x.back() += e[k].second; continue; }
      K.i.push_back(e[k].first); K.x.push_back(e[k].second);
    }
    K.p[j + 1] = (int64_t)K.i.size();
  }
  for (int32_t j = n; j < N; j++) { K.i.push_back(j); K.x.push_back(1e-6); K.p[j + 1] = (int64_t)K.i.size(); }
  K.sign.assign(N, 1);
  for (int32_t j = 0; j < n; j++) K.sign[j] = -1;
  return K;
}

Sym grid(int32_t nx, int32_t ny, int32_t nz) {
  Sym c;
  int32_t n = nx * ny * nz;
  c.n = n;
  c.p.assign(n + 1, 0);
  for (int32_t j = 0; j < n; j++) {
    int32_t x = j % nx, y = (j / nx) % ny, z = j / (nx * ny);
    c.i.push_back(j); c.x.push_back(nz > 1 ? 6.0 : 4.0);
    if (x + 1 < nx) { c.i.push_back(j + 1); c.x.push_back(-1); }
    if (y + 1 < ny) { c.i.push_back(j + nx); c.x.push_back(-1); }
    if (z + 1 < nz) { c.i.push_back(j + nx * ny); c.x.push_back(-1); }
    c.p[j + 1] = (int64_t)c.i.size();
  }
  return c;
}

struct Row {
  std::string name, kind;
  int32_t n = 0;
  int64_t nnzA = 0;
  int64_t lnz_z = 0, lnz_c = 0;
  double fl_z = 0, fl_c = 0;
  double ord_z = 0, an_z = 0, an_c = 0, anc_z = 0, anc_c = 0;
  double f1_z = 0, f2_z = 0, f1_c = 0, f2_c = 0;
  double s_z = 0, s_c = 0;  // one solve with the factor (1 thread), minimum over repetitions
  std::string ord_name_z, ord_name_c;
  double res = 0;
  bool ok = true;
  std::string note;
};

// --cpu: factor and solve times in process CPU time (robust against time slicing on a shared machine; meaningful for
// the one-thread columns only) and at least 5 repetitions
bool g_cpu_times = false;

double timed_min(int reps, const std::function<int()>& f, int* rc) {
  double best = 1e300;
  auto clock = g_cpu_times ? cpu : now;
  if (g_cpu_times) reps = std::max(reps, 5);
  for (int r = 0; r < reps; r++) {
    double t = clock();
    *rc = f();
    best = std::min(best, clock() - t);
    if (*rc) break;
  }
  return best;
}

bool g_analyze_only = false;
bool g_analyze_free = false;
int g_analyze_reps = 1;
int g_leafsize = 0;  // 0: default
double g_imbalance = 0;  // 0: default

Row run_case(const std::string& name, const std::string& kind, const Sym& K, bool quick) {
  Row row;
  row.name = name;
  row.kind = kind;
  row.n = K.n;
  row.nnzA = K.p[K.n];
  const bool qd = !K.sign.empty();
  // ---- ZIRVA
  kfac::SymFactor F;
  kfac::SymOptions o;
  o.method = g_analyze_only && !g_analyze_free ? order::ORDER_TRY_ND : order::ORDER_AUTO;
  o.nthreads = 1;
  if (g_leafsize > 0) o.nd.leafsize = g_leafsize;
  if (g_imbalance > 0) o.nd.imbalance = g_imbalance;
  kfac::SymStats st;
  double t = now(), tc = cpu();
  int rc = F.analyze(K.n, K.p.data(), K.i.data(), o, &st);
  row.an_z = now() - t;
  row.anc_z = cpu() - tc;
  if (rc) { row.ok = false; row.note = "analyze failed"; return row; }
  row.ord_z = st.t_amd + st.t_nd;
  std::vector<int64_t> ip(K.i.begin(), K.i.end());
  cholmod_sparse A;
  std::memset(&A, 0, sizeof A);
  A.nrow = A.ncol = K.n; A.nzmax = K.p[K.n]; A.p = (void*)K.p.data(); A.i = ip.data();
  A.x = (void*)K.x.data(); A.stype = -1; A.itype = CHOLMOD_LONG; A.xtype = CHOLMOD_REAL; A.dtype = CHOLMOD_DOUBLE;
  A.sorted = 1; A.packed = 1;
  auto set_common = [&](cholmod_common& cc) {
    cholmod_l_start(&cc);
    cc.supernodal = qd ? CHOLMOD_SIMPLICIAL : CHOLMOD_SUPERNODAL;
    cc.final_ll = qd ? 0 : 1;
  };
  // more analyses of both, alternating, so that both see the same load; the minimum times are kept
  row.an_c = row.anc_c = 1e300;
  for (int r = 1; r < g_analyze_reps; r++) {
    kfac::SymFactor F2;
    kfac::SymStats st2;
    t = now(); tc = cpu();
    rc = F2.analyze(K.n, K.p.data(), K.i.data(), o, &st2);
    row.an_z = std::min(row.an_z, now() - t);
    row.anc_z = std::min(row.anc_z, cpu() - tc);
    row.ord_z = std::min(row.ord_z, st2.t_amd + st2.t_nd);
    cholmod_common c2;
    set_common(c2);
    t = now(); tc = cpu();
    cholmod_factor* L2 = cholmod_l_analyze(&A, &c2);
    row.an_c = std::min(row.an_c, now() - t);
    row.anc_c = std::min(row.anc_c, cpu() - tc);
    cholmod_l_free_factor(&L2, &c2);
    cholmod_l_finish(&c2);
  }
  row.lnz_z = st.nnz_l;
  row.fl_z = st.flops;
  row.ord_name_z = st.method_used == order::ORDER_ND ? (st.tried_both ? "ND(try)" : "ND") : (st.tried_both ? "AMD(try)" : "AMD");
  const int8_t* sg = qd ? K.sign.data() : nullptr;
  if (g_analyze_only) {
    char buf[512];
    const order::NdInfo& ni = st.nd_info;
    std::snprintf(buf, sizeof buf,
                  "AMD %lld (%.3f s), ND %lld (%.3f s: coarsen %.3f initial %.3f refine %.3f cmd %.3f), top sep %d parts "
                  "%d/%d, sep by depth %lld %lld %lld %lld %lld %lld",
                  (long long)st.nnz_l_amd, st.t_amd, (long long)st.nnz_l_nd, ni.t_total, ni.t_coarsen, ni.t_initial,
                  ni.t_refine, ni.t_cmd, ni.topsep, ni.topparts[0], ni.topparts[1], (long long)ni.sepweight[0],
                  (long long)ni.sepweight[1], (long long)ni.sepweight[2], (long long)ni.sepweight[3],
                  (long long)ni.sepweight[4], (long long)ni.sepweight[5]);
    row.note = buf;
  }
  // first factorization (warm-up) decides the repetition count
  kfac::NumResult nr;
  double t1 = now();
  rc = g_analyze_only ? 0 : F.factor(K.x.data(), nullptr, sg, 1e-15, 0, &nr);
  double tw = now() - t1;
  if (rc) { row.ok = false; row.note = "ZIRVA pivot failure at " + std::to_string(nr.fail_col); }
  int reps = quick ? 1 : (tw < 0.05 ? 7 : tw < 0.5 ? 3 : tw < 5 ? 2 : 1);
  if (g_analyze_only) reps = 0;
  if (g_cpu_times) tw = 1e300;
  row.f1_z = std::min(tw, timed_min(reps, [&] { return F.factor(K.x.data(), nullptr, sg, 1e-15, 0, &nr); }, &rc));
  F.set_threads(2);
  row.f2_z = timed_min(reps, [&] { return F.factor(K.x.data(), nullptr, sg, 1e-15, 0, &nr); }, &rc);
  if (g_analyze_only) row.f1_z = row.f2_z = 0;
  if (rc == 0 && !g_analyze_only) {
    std::vector<double> b(K.n), x(K.n), y(K.n, 0.0);
    for (int32_t i = 0; i < K.n; i++) b[i] = 1.0 + (i % 7) * 0.1;
    x = b;
    F.solve(x.data());
    F.multiply(K.x.data(), x.data(), y.data());
    F.set_threads(1);
    std::vector<double> xs(K.n);
    row.s_z = timed_min(std::max(reps, 1) * 3, [&] { xs = b; F.solve(xs.data()); return 0; }, &rc);
    double r = 0, bn = 0;
    for (int32_t i = 0; i < K.n; i++) { r = std::max(r, std::fabs(y[i] - b[i])); bn = std::max(bn, std::fabs(b[i])); }
    row.res = r / bn;
  }
  // ---- CHOLMOD
  cholmod_common c;
  set_common(c);
  openblas_set_num_threads(1);
  t = now();
  tc = cpu();
  cholmod_factor* L = cholmod_l_analyze(&A, &c);
  row.an_c = std::min(row.an_c, now() - t);
  row.anc_c = std::min(row.anc_c, cpu() - tc);
  if (!L) { row.note += " cholmod analyze failed"; cholmod_l_finish(&c); return row; }
  row.lnz_c = (int64_t)c.lnz;
  row.fl_c = c.fl;
  int sel = c.selected;
  int ordc = sel >= 0 ? c.method[sel].ordering : -1;
  row.ord_name_c = ordc == CHOLMOD_AMD ? "AMD" : ordc == CHOLMOD_METIS ? "METIS" : ordc == CHOLMOD_NESDIS ? "NESDIS" :
                   ordc == CHOLMOD_NATURAL ? "natural" : ordc == CHOLMOD_COLAMD ? "COLAMD" : "?";
  int crc = 0;
  if (g_analyze_only) { cholmod_l_free_factor(&L, &c); cholmod_l_finish(&c); return row; }
  t1 = now();
  cholmod_l_factorize(&A, L, &c);
  tw = now() - t1;
  if (g_cpu_times) tw = 1e300;
  row.f1_c = std::min(tw, timed_min(reps, [&] { cholmod_l_factorize(&A, L, &c); return c.status < 0 ? 1 : 0; }, &crc));
  openblas_set_num_threads(2);
  row.f2_c = timed_min(reps, [&] { cholmod_l_factorize(&A, L, &c); return c.status < 0 ? 1 : 0; }, &crc);
  openblas_set_num_threads(1);
  if (c.status != CHOLMOD_OK) row.note += " cholmod status " + std::to_string(c.status);
  if (c.status == CHOLMOD_OK) {
    cholmod_dense* B = cholmod_l_ones(K.n, 1, CHOLMOD_REAL, &c);
    row.s_c = timed_min(std::max(reps, 1) * 3, [&] {
      cholmod_dense* X = cholmod_l_solve(CHOLMOD_A, L, B, &c);
      cholmod_l_free_dense(&X, &c);
      return 0;
    }, &crc);
    cholmod_l_free_dense(&B, &c);
  }
  cholmod_l_free_factor(&L, &c);
  cholmod_l_finish(&c);
  return row;
}

void print_header() {
  std::printf("| matrix | kind | n | nnz(A) | ZIRVA ord | nnz(L) ZIRVA | CHOLMOD ord | nnz(L) CHOLMOD | ratio | "
              "analyze ZIRVA s (ordering s) | analyze CHOLMOD s | ratio | analyze CPU ratio | factor 1t ZIRVA s | factor 1t CHOLMOD s | "
              "ratio | factor 2t ZIRVA s | factor 2t CHOLMOD s | ZIRVA 1t/2t | GFlop/s ZIRVA 1t | solve ZIRVA ms | solve CHOLMOD ms | "
              "resid | note |\n");
  std::printf("|---|---|---:|---:|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
              "---:|---|\n");
}

void print_row(const Row& r) {
  std::printf("| %s | %s | %d | %lld | %s | %lld | %s | %lld | %.3f | %.3f (%.3f) | %.3f | %.2f | %.2f | %.4f | %.4f | "
              "%.2f | %.4f | %.4f | %.2f | %.2f | %.3f | %.3f | %.1e | %s |\n",
              r.name.c_str(), r.kind.c_str(), r.n, (long long)r.nnzA, r.ord_name_z.c_str(), (long long)r.lnz_z,
              r.ord_name_c.c_str(), (long long)r.lnz_c, r.lnz_c ? (double)r.lnz_z / r.lnz_c : 0.0, r.an_z, r.ord_z,
              r.an_c, r.an_c > 0 ? r.an_z / r.an_c : 0.0, r.anc_c > 0 ? r.anc_z / r.anc_c : 0.0, r.f1_z, r.f1_c, r.f1_c > 0 ? r.f1_z / r.f1_c : 0.0, r.f2_z,
              r.f2_c, r.f2_z > 0 ? r.f1_z / r.f2_z : 0.0, r.f1_z > 0 ? r.fl_z / r.f1_z * 1e-9 : 0.0, r.s_z * 1e3, r.s_c * 1e3, r.res,
              r.note.c_str());
  std::fflush(stdout);
}

std::vector<std::string> list_dir(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> out;
  DIR* d = opendir(dir.c_str());
  if (!d) return out;
  while (dirent* e = readdir(d)) {
    std::string s = e->d_name;
    if (s.size() > suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0) out.push_back(s);
  }
  closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

// --only takes one name or a comma-separated list
bool selected(const std::string& only, const std::string& name) {
  if (only.empty()) return true;
  size_t a = 0;
  while (a <= only.size()) {
    size_t b = only.find(',', a);
    if (b == std::string::npos) b = only.size();
    if (only.compare(a, b - a, name) == 0) return true;
    a = b + 1;
  }
  return false;
}

double gmean(const std::vector<double>& v) {
  if (v.empty()) return 0;
  double s = 0;
  for (double x : v) s += std::log(x);
  return std::exp(s / v.size());
}

}  // namespace

int main(int argc, char** argv) {
  bool netlib = false, grids = false, qp = false, quick = false;
  std::string only;
  for (int a = 1; a < argc; a++) {
    std::string s = argv[a];
    if (s == "--netlib") netlib = true;
    else if (s == "--grids") grids = true;
    else if (s == "--qp") qp = true;
    else if (s == "--quick") quick = true;
    else if (s == "--only" && a + 1 < argc) only = argv[++a];
    else if (s == "--analyze") g_analyze_only = true;
    else if (s == "--cpu") g_cpu_times = true;
    else if (s == "--analyze-free") g_analyze_only = g_analyze_free = true;
    else if (s == "--reps" && a + 1 < argc) g_analyze_reps = std::max(1, std::atoi(argv[++a]));
    else if (s == "--leafsize" && a + 1 < argc) g_leafsize = std::atoi(argv[++a]);
    else if (s == "--imbalance" && a + 1 < argc) g_imbalance = std::atof(argv[++a]);
  }
  if (!netlib && !grids && !qp) netlib = grids = qp = true;
  std::string data = ZIRVA_DATA_DIR;
  openblas_set_num_threads(1);
  if (!g_analyze_only) {
    double g1 = math::dense_dgemm_gflops(2000, 3);
    openblas_set_num_threads(2);
    double g2 = math::dense_dgemm_gflops(2000, 3);
    openblas_set_num_threads(1);
    std::printf("dgemm GFlop/s (n=2000): 1 thread %.1f, 2 threads %.1f\n\n", g1, g2);
  }
  print_header();
  std::vector<Row> rows;
  if (netlib) {
    for (const std::string& f : list_dir(data + "/netlib", ".mps.gz")) {
      std::string name = f.substr(0, f.size() - 7);
      if (!selected(only, name)) continue;
      BenchLp lp;
      std::string err;
      if (!read_mps(data + "/netlib/" + f, lp, &err) || lp.m == 0) continue;
      Row r = run_case(name, "ADA'", ada(lp, 17), quick);
      print_row(r);
      rows.push_back(r);
    }
  }
  if (grids) {
    if (selected(only, "grid2d")) {
      Row r = run_case("grid2d-1000x1000", "5-pt", grid(quick ? 300 : 1000, quick ? 300 : 1000, 1), quick);
      print_row(r);
      rows.push_back(r);
    }
    if (selected(only, "grid3d")) {
      Row r = run_case("grid3d-60x60x60", "7-pt", grid(quick ? 30 : 60, quick ? 30 : 60, quick ? 30 : 60), quick);
      print_row(r);
      rows.push_back(r);
    }
  }
  if (qp) {
    const char* qps[] = {"AUG3DCQP", "CONT-050", "CVXQP1_L", "DTOC3", "LISWET1", "QSHIP12L", "CVXQP3_M"};
    for (const char* q : qps) {
      if (!selected(only, q)) continue;
      BenchLp lp;
      std::string err;
      if (!read_mps(data + "/maros-meszaros/" + q + ".qps.gz", lp, &err)) continue;
      Row r = run_case(q, "aug QD", augmented(lp), quick);
      print_row(r);
      rows.push_back(r);
    }
  }
  // summary (geometric means over the cases where both succeeded)
  std::vector<double> rl, rf1, rf2, ra, rac, rs;
  for (const Row& r : rows) {
    if (!r.ok || r.lnz_c == 0) continue;
    rl.push_back((double)r.lnz_z / r.lnz_c);
    if (r.f1_c > 0 && r.f1_z > 0) rf1.push_back(r.f1_z / r.f1_c);
    if (r.f2_c > 0 && r.f2_z > 0) rf2.push_back(r.f2_z / r.f2_c);
    if (r.an_c > 0 && r.an_z > 0) ra.push_back(r.an_z / r.an_c);
    if (r.anc_c > 0 && r.anc_z > 0) rac.push_back(r.anc_z / r.anc_c);
  }
  std::printf("\nsummary over %zu matrices (geometric means, ZIRVA/CHOLMOD): nnz(L) %.3f, analyze %.3f "
              "(CPU %.3f), factor 1t %.3f, factor 2t %.3f\n", rl.size(), gmean(rl), gmean(ra), gmean(rac), gmean(rf1),
              gmean(rf2));
  return 0;
}
