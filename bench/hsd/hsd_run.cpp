// hsd_run [-t threads] [-v] [-i maxiter] FILE...  runs the homogeneous engine on each problem file and prints
// name, outcome, problem/solution status, objective, known value, relative error, primal/dual violations
// (relative, recomputed from the data), iterations, read and solve seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "homo/hsd.h"
#include "hsdcheck.h"
#include "optimize/probview.h"
#include "zirva.h"

namespace {
double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
bool verbose = false;
int log_hook(void*, int ev, const zrv::opt::IpProgress& p) {
  if (verbose && ev == zrv::opt::EV_ITER && p.iter == 0)
    std::printf("  m %d n %d nz %lld -> %lld dense %d flops %.3g setup %.2f order %.2f (ml %.2f gp %.2f)\n", p.numcon,
                p.numvar, (long long)p.nz_before, (long long)p.nz_after, p.dense_dim, p.flops, p.factor_setup_time,
                p.order_time, p.ml_order_time, p.gp_order_time);
  if (verbose && ev == zrv::opt::EV_ITER)
    std::printf("  %3d %9.2e %9.2e %9.2e %6.3f %+.10e %+.10e %9.2e %6.2f\n", p.iter, p.pfeas, p.dfeas, p.gfeas,
                p.opt_status, p.pobj, p.dobj, p.mu, p.time);
  if (verbose && ev == zrv::opt::EV_BEGIN) std::printf("  begin\n");
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  int threads = 1, maxit = 200;
  std::vector<std::string> files;
  for (int a = 1; a < argc; ++a) {
    if (!std::strcmp(argv[a], "-t") && a + 1 < argc) threads = std::atoi(argv[++a]);
    else if (!std::strcmp(argv[a], "-i") && a + 1 < argc) maxit = std::atoi(argv[++a]);
    else if (!std::strcmp(argv[a], "-v")) verbose = true;
    else files.push_back(argv[a]);
  }
  ZRVenv_t env = nullptr;
  ZRV_makeenv(&env, nullptr);
  for (const std::string& f : files) {
    std::string dir = f.substr(0, f.find_last_of('/') + 1), base = f.substr(f.find_last_of('/') + 1);
    std::string name = base.substr(0, base.find(".mps")).substr(0, base.find(".qps"));
    auto known = hsdcheck::known_values(dir + "optimal_values.csv");
    double t0 = now();
    ZRVtask_t task = nullptr;
    ZRV_maketask(env, 0, 0, &task);
    int rc = ZRV_readdata(task, f.c_str());
    zrv::opt::ProbView view;
    if (rc == 0) rc = zrv::opt::build_view(task, &view);
    double t1 = now();
    if (rc != 0) {
      std::printf("%-12s read error %d\n", name.c_str(), rc);
      ZRV_deletetask(&task);
      continue;
    }
    zrv::opt::IpControl ctl;
    ctl.nthreads = threads;
    ctl.max_iterations = maxit;
    if (view.has_q()) ctl.quadratic = 1;
    zrv::opt::IpHooks hooks;
    hooks.log = log_hook;
    zrv::opt::IpResult res;
    int out = zrv::homo::hsd_solve(view, ctl, hooks, &res);
    double t2 = now();
    double obj = 0, kv = NAN, rel = NAN, pv = NAN, dv = NAN;
    if (res.status.solsta == ZRV_SOL_STA_OPTIMAL || res.status.solsta == ZRV_SOL_STA_NEAR_OPTIMAL ||
        res.status.solsta == ZRV_SOL_STA_UNKNOWN) {
      hsdcheck::Quality q = hsdcheck::solution_quality(view, res);
      obj = q.pobj;
      pv = q.prel;
      dv = q.drel;
      if (known.count(name)) {
        kv = known[name];
        rel = std::fabs(obj - kv) / std::max(1.0, std::fabs(kv));
      }
    } else if (res.status.solsta == ZRV_SOL_STA_PRIM_INFEAS_CER || res.status.solsta == ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER) {
      obj = hsdcheck::primal_certificate(view, res, &pv);
    } else if (res.status.solsta == ZRV_SOL_STA_DUAL_INFEAS_CER || res.status.solsta == ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER) {
      obj = hsdcheck::dual_certificate(view, res, &pv);
    }
    std::printf("%-12s out=%2d pro=%d sol=%2d obj=%+.10e known=%+.10e rel=%8.1e pv=%8.1e dv=%8.1e it=%3d read=%6.2f "
                "solve=%7.2f\n",
                name.c_str(), out, res.status.prosta, res.status.solsta, obj, kv, rel, pv, dv, res.iterations, t1 - t0,
                t2 - t1);
    std::fflush(stdout);
    ZRV_deletetask(&task);
  }
  ZRV_deleteenv(&env);
  return 0;
}
