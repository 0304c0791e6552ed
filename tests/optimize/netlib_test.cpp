// Netlib problems through ZRV_optimize, each solution checked from the data against the published optimum, and
// bit-identical results for one and two threads.
#include <fstream>
#include <sstream>

#include "optimize/fixture.h"

namespace opttest {
namespace {

const std::string NETLIB = std::string(ZIRVA_DATA_DIR) + "/netlib/";

double published_optimum(const std::string& name) {
  std::ifstream in(NETLIB + "optimal_values.csv");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(name + ",", 0) == 0) return std::stod(line.substr(name.size() + 1));
  ADD_FAILURE() << "no optimum for " << name;
  return 0;
}

struct NetlibTest : OptTest, ::testing::WithParamInterface<const char*> {};

TEST_P(NetlibTest, OptimalAndCheckedFromTheData) {
  const std::string name = GetParam();
  ASSERT_EQ(ZRV_readdata(task, (NETLIB + name + ".mps.gz").c_str()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  const Sol s = get_sol(task, ZRV_SOL_ITR);
  EXPECT_EQ(s.prosta, ZRV_PRO_STA_PRIM_AND_DUAL_FEAS);
  EXPECT_EQ(s.solsta, ZRV_SOL_STA_OPTIMAL);
  const Measures m = measure(task, s);
  const double opt = published_optimum(name), scale = 1.0 + std::fabs(opt);
  EXPECT_LT(m.pviol, 1e-5);
  EXPECT_LT(m.dviol, 1e-5);
  EXPECT_NEAR(m.pobj, opt, 1e-6 * scale);
  EXPECT_NEAR(m.dobj, opt, 1e-6 * scale);
}

INSTANTIATE_TEST_SUITE_P(Small, NetlibTest,
                         ::testing::Values("afiro", "sc50a", "adlittle", "blend", "share2b", "kb2", "stocfor1",
                                           "bandm", "scfxm1"));

TEST_F(OptTest, OneAndTwoThreadsGiveIdenticalRuns) {
  std::string logs[2];
  Sol sols[2];
  for (int k = 0; k < 2; ++k) {
    ZRVtask_t t = make_task();
    ASSERT_EQ(ZRV_readdata(t, (NETLIB + "25fv47.mps.gz").c_str()), ZRV_RES_OK);
    ZRV_putintparam(t, ZRV_IPAR_NUM_THREADS, k + 1);
    log.text.clear();
    ASSERT_EQ(ZRV_optimize(t), ZRV_RES_OK);
    sols[k] = get_sol(t, ZRV_SOL_ITR);
    logs[k] = mask_times(log.text);
    const size_t at = logs[k].find("Optimizer  - threads");
    ASSERT_NE(at, std::string::npos);
    logs[k].erase(at, logs[k].find('\n', at) - at);
    ZRV_deletetask(&t);
  }
  EXPECT_EQ(logs[0], logs[1]);
  EXPECT_EQ(sols[0].solsta, ZRV_SOL_STA_OPTIMAL);
  EXPECT_EQ(sols[0].xx, sols[1].xx);
  EXPECT_EQ(sols[0].y, sols[1].y);
  EXPECT_EQ(sols[0].slx, sols[1].slx);
  EXPECT_EQ(sols[0].sux, sols[1].sux);
  EXPECT_EQ(sols[0].skx, sols[1].skx);
}

}  // namespace
}  // namespace opttest
