// Every netlib problem through ZRV_optimize with its solution checked from the data against the published
// optimum, and the infeasible netlib problems with their certificates checked.
#include <fstream>

#include "optimize/fixture.h"

namespace opttest {
namespace {

const std::string DATA = std::string(ZIRVA_DATA_DIR) + "/";

// Rows of a values file after its header: name and the rest of the line.
std::vector<std::pair<std::string, std::string>> rows_of(const std::string& file) {
  std::vector<std::pair<std::string, std::string>> out;
  std::ifstream in(DATA + file);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const size_t comma = line.find(',');
    if (comma != std::string::npos) out.push_back({line.substr(0, comma), line.substr(comma + 1)});
  }
  return out;
}

TEST_F(OptTest, AllNetlibProblems) {
  int solved = 0, total = 0;
  for (const auto& [name, rest] : rows_of("netlib/optimal_values.csv")) {
    ++total;
    ZRVtask_t t = make_task();
    ZRV_putintparam(t, ZRV_IPAR_LOG, 0);
    ZRV_putdouparam(t, ZRV_DPAR_OPTIMIZER_MAX_TIME, 120.0);
    ASSERT_EQ(ZRV_readdata(t, (DATA + "netlib/" + name + ".mps.gz").c_str()), ZRV_RES_OK) << name;
    ZRVrescodee trm = 0;
    const ZRVrescodee r = ZRV_optimizetrm(t, &trm);
    std::vector<std::string> f;
    for (size_t p = 0, e; p <= rest.size(); p = e + 1) {
      e = rest.find(',', p);
      if (e == std::string::npos) e = rest.size();
      f.push_back(rest.substr(p, e - p));
    }
    const double opt = std::stod(f[0]) + std::stod(f[2]);  // published objective + objective constant
    int32_t solsta = -1;
    ZRV_getsolsta(t, ZRV_SOL_ITR, &solsta);
    const Measures m = solsta >= 0 ? measure(t, get_sol(t, ZRV_SOL_ITR)) : Measures{};
    const double tol = 1e-6 * (1.0 + std::fabs(opt));
    const bool ok = r == ZRV_RES_OK && trm == ZRV_RES_OK && solsta == ZRV_SOL_STA_OPTIMAL &&
                    std::fabs(m.pobj - opt) <= tol && std::fabs(m.dobj - opt) <= tol &&
                    m.pviol <= 1e-6 * (1 + m.bnorm) && m.dviol <= 1e-6 * (1 + m.cnorm);
    EXPECT_TRUE(ok) << name << ": r " << r << " trm " << trm << " solsta " << solsta << " pobj " << m.pobj
                    << " dobj " << m.dobj << " opt " << opt << " pviol " << m.pviol << " dviol " << m.dviol;
    solved += ok;
    ZRV_deletetask(&t);
  }
  std::printf("netlib: %d of %d solved and checked\n", solved, total);
}

TEST_F(OptTest, InfeasibleNetlibProblemsGiveCheckedCertificates) {
  int certified = 0, total = 0;
  for (const auto& [name, status] : rows_of("netlib-infeas/status.csv")) {
    ++total;
    ZRVtask_t t = make_task();
    ZRV_putintparam(t, ZRV_IPAR_LOG, 0);
    ZRV_putdouparam(t, ZRV_DPAR_OPTIMIZER_MAX_TIME, 120.0);
    ASSERT_EQ(ZRV_readdata(t, (DATA + "netlib-infeas/" + name + ".mps.gz").c_str()), ZRV_RES_OK) << name;
    const ZRVrescodee r = ZRV_optimize(t);
    int32_t solsta = -1, prosta = -1;
    ZRV_getsolsta(t, ZRV_SOL_ITR, &solsta);
    ZRV_getprosta(t, ZRV_SOL_ITR, &prosta);
    const bool cert = solsta == ZRV_SOL_STA_PRIM_INFEAS_CER || solsta == ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER;
    const Measures m = cert ? measure(t, get_sol(t, ZRV_SOL_ITR), {}, true) : Measures{};
    // The certificate: A'y + slx - sux = 0 and a positive bound term, relative to the size of the duals.
    const bool ok = r == ZRV_RES_OK && prosta == ZRV_PRO_STA_PRIM_INFEAS && cert && m.dobj > 0 &&
                    m.dviol <= 1e-6 * m.dobj;
    EXPECT_TRUE(ok) << name << ": r " << r << " prosta " << prosta << " solsta " << solsta << " bound term "
                    << m.dobj << " residual " << m.dviol;
    certified += ok;
    ZRV_deletetask(&t);
  }
  std::printf("netlib-infeas: %d of %d certified and checked\n", certified, total);
}

}  // namespace
}  // namespace opttest
