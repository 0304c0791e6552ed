// Every netlib problem through ZRV_optimizetrm, its solution checked from the data against the published optimum,
// and every infeasible netlib problem with its certificate checked.
#include <fstream>

#include "optimize/fixture.h"

namespace opttest {
namespace {

const std::string DATA = std::string(ZIRVA_DATA_DIR) + "/";

// Reads each problem of a values file (header skipped), optimizes it with a time limit and hands the task, the
// rest of its line and the call's codes to `check`, which says whether the answer is right.
template <class Check>
void run_set(OptTest& f, const std::string& folder, const std::string& values, Check check) {
  int good = 0, total = 0;
  std::ifstream in(DATA + folder + values);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const std::string name = line.substr(0, line.find(','));
    ZRVtask_t t = f.make_task();
    ZRV_putintparam(t, ZRV_IPAR_LOG, 0);
    ZRV_putdouparam(t, ZRV_DPAR_OPTIMIZER_MAX_TIME, 120.0);
    ASSERT_EQ(ZRV_readdata(t, (DATA + folder + name + ".mps.gz").c_str()), ZRV_RES_OK) << name;
    ZRVrescodee trm = 0;
    const ZRVrescodee r = ZRV_optimizetrm(t, &trm);
    ++total;
    good += check(t, name, line.substr(name.size() + 1), r == ZRV_RES_OK ? trm : r);
    ZRV_deletetask(&t);
  }
  std::printf("%s: %d of %d right\n", folder.c_str(), good, total);
}

TEST_F(OptTest, AllNetlibProblems) {
  run_set(*this, "netlib/", "optimal_values.csv", [](ZRVtask_t t, const std::string& name, std::string rest, int r) {
    const double objective = std::stod(rest);
    for (int k = 0; k < 2; ++k) rest = rest.substr(rest.find(',') + 1);
    const double opt = objective + std::stod(rest), tol = 1e-6 * (1.0 + std::fabs(opt));  // + objective constant
    int32_t solsta = -1;
    ZRV_getsolsta(t, ZRV_SOL_ITR, &solsta);
    const Measures m = solsta >= 0 ? measure(t, get_sol(t, ZRV_SOL_ITR)) : Measures{};
    const bool ok = r == ZRV_RES_OK && solsta == ZRV_SOL_STA_OPTIMAL && std::fabs(m.pobj - opt) <= tol &&
                    std::fabs(m.dobj - opt) <= tol && m.pviol <= 1e-6 * (1 + m.bnorm) &&
                    m.dviol <= 1e-6 * (1 + m.cnorm);
    EXPECT_TRUE(ok) << name << ": response " << r << " solsta " << solsta << " pobj " << m.pobj << " dobj "
                    << m.dobj << " optimum " << opt << " pviol " << m.pviol << " dviol " << m.dviol;
    return ok;
  });
}

TEST_F(OptTest, InfeasibleNetlibProblemsGiveCheckedCertificates) {
  run_set(*this, "netlib-infeas/", "status.csv", [](ZRVtask_t t, const std::string& name, const std::string&, int r) {
    int32_t solsta = -1, prosta = -1;
    ZRV_getsolsta(t, ZRV_SOL_ITR, &solsta);
    ZRV_getprosta(t, ZRV_SOL_ITR, &prosta);
    const bool cert = solsta == ZRV_SOL_STA_PRIM_INFEAS_CER || solsta == ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER;
    const Measures m = cert ? measure(t, get_sol(t, ZRV_SOL_ITR), {}, true) : Measures{};
    // A'y + slx - sux = 0 and a positive bound term, relative to the size of the certificate.
    const bool ok = r == ZRV_RES_OK && prosta == ZRV_PRO_STA_PRIM_INFEAS && m.dobj > 0 && m.dviol <= 1e-6 * m.dobj;
    EXPECT_TRUE(ok) << name << ": response " << r << " prosta " << prosta << " solsta " << solsta
                    << " bound term " << m.dobj << " residual " << m.dviol;
    return ok;
  });
}

}  // namespace
}  // namespace opttest
