// The zirva program end to end: the shipped model, solution files, format conversion, parameters, bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "../../bench/ipm/solcheck.h"
#include "cli/run.h"
#include "common/capture.h"

using clitest::quote;
using clitest::run;
using clitest::zirva;

namespace {

struct Task {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  Task() {
    EXPECT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    EXPECT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
  }
  ~Task() {
    ZRV_deletetask(&task);
    ZRV_deleteenv(&env);
  }
};

bool is_ok_or_warning(ZRVrescodee r) {
  ZRVresponsetypee cls = ZRV_RESPONSE_UNK;
  ZRV_getresponseclass(r, &cls);
  return cls == ZRV_RESPONSE_OK || cls == ZRV_RESPONSE_WRN;
}

// Reads the model and the interior-point solution file back and checks the solution from the data.
void expect_optimal_solution_file(const std::string& problem, const std::string& solfile) {
  std::string text = zrvtest::read_file(solfile);
  ASSERT_FALSE(text.empty()) << solfile << " missing or empty";
  EXPECT_NE(text.find("SOLUTION STATUS     : OPTIMAL"), std::string::npos) << text.substr(0, 400);
  Task t;
  ASSERT_EQ(ZRV_readdata(t.task, problem.c_str()), ZRV_RES_OK);
  ASSERT_TRUE(is_ok_or_warning(ZRV_readsolution(t.task, ZRV_SOL_ITR, solfile.c_str())));
  solcheck::Problem p;
  solcheck::Solution s;
  ASSERT_EQ(solcheck::load_problem(t.task, p), ZRV_RES_OK);
  ASSERT_EQ(solcheck::load_solution(t.task, ZRV_SOL_ITR, p, s), ZRV_RES_OK);
  double opt = clitest::model_optimum();
  EXPECT_NEAR(solcheck::objective(p, s.xx), opt, 1e-6 * std::fabs(opt));
  EXPECT_LT(solcheck::primal_violation(p, s.xx), 1e-6);
  EXPECT_LT(solcheck::dual_violation(p, s), 1e-6);
}

TEST(Cli, SolvesTheShippedModelAndWritesItsSolution) {
  zrvtest::TempFile prefix("prodplan");
  clitest::SolutionFiles files(prefix.name);
  clitest::Run r = run(zirva() + " -s " + quote(prefix.name) + " " + quote(clitest::model()));
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("Read summary"), std::string::npos);
  EXPECT_NE(r.out.find("Interior-point solution summary"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Solution status : OPTIMAL"), std::string::npos) << r.out;
  expect_optimal_solution_file(clitest::model(), files.sol());
}

TEST(Cli, QuietRunPrintsNothingButStillWritesTheSolution) {
  zrvtest::TempFile prefix("quiet");
  clitest::SolutionFiles files(prefix.name);
  clitest::Run r = run(zirva() + " -q -s " + quote(prefix.name) + " " + quote(clitest::model()));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  expect_optimal_solution_file(clitest::model(), files.sol());

  zrvtest::TempFile none("none");
  clitest::SolutionFiles nofiles(none.name);
  r = run(zirva() + " -q --no-solution -s " + quote(none.name) + " " + quote(clitest::model()));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(zrvtest::read_file(nofiles.sol()), "") << "--no-solution wrote a file";
}

// A conversion to gzip-compressed MPS is really compressed, holds the same problem and solves to the same value.
TEST(Cli, ConvertsThroughGzipAndSolvesTheCopy) {
  zrvtest::TempFile copy("prodplan.mps.gz"), prefix("copy");
  clitest::SolutionFiles files(prefix.name);
  clitest::Run r = run(zirva() + " -q -n -o " + quote(copy.name) + " " + quote(clitest::model()));
  ASSERT_EQ(r.code, 0) << r.err;
  std::string bytes = zrvtest::read_file(copy.name);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ((unsigned char)bytes[0], 0x1f);
  EXPECT_EQ((unsigned char)bytes[1], 0x8b);
  EXPECT_EQ(zrvtest::read_file(files.sol()), "") << "-n must not optimize";

  Task a, b;
  ASSERT_EQ(ZRV_readdata(a.task, clitest::model().c_str()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_readdata(b.task, copy.c_str()), ZRV_RES_OK);
  solcheck::Problem pa, pb;
  ASSERT_EQ(solcheck::load_problem(a.task, pa), ZRV_RES_OK);
  ASSERT_EQ(solcheck::load_problem(b.task, pb), ZRV_RES_OK);
  EXPECT_EQ(pa.m, pb.m);
  EXPECT_EQ(pa.n, pb.n);
  EXPECT_EQ(pa.val.size(), pb.val.size());
  EXPECT_EQ(pa.c, pb.c);

  r = run(zirva() + " -q -s " + quote(prefix.name) + " " + quote(copy.name));
  ASSERT_EQ(r.code, 0) << r.err;
  expect_optimal_solution_file(copy.name, files.sol());
}

// The parameter file comes first, -d options after it in their order; --write-params shows the result.
TEST(Cli, ParameterFileThenCommandLine) {
  zrvtest::TempFile par("in.par"), dump("out.par");
  {
    std::FILE* f = std::fopen(par.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("BEGIN ZIRVA\n  ZRV_IPAR_NUM_THREADS 2 % overridden below\n ZRV_DPAR_INTPNT_TOL_REL_GAP 3e-9\n"
               "ZRV_IPAR_OPTIMIZER ZRV_OPTIMIZER_INTPNT\nEND ZIRVA\n", f);
    std::fclose(f);
  }
  clitest::Run r = run(zirva() + " -q -n -p " + quote(par.name) + " -d ZRV_IPAR_NUM_THREADS 1 -d ZRV_IPAR_LOG 7" +
                       " --write-params " + quote(dump.name) + " " + quote(clitest::model()));
  ASSERT_EQ(r.code, 0) << r.err;
  Task t;
  ASSERT_EQ(ZRV_putstrparam(t.task, ZRV_SPAR_PARAM_READ_FILE_NAME, dump.c_str()), ZRV_RES_OK);
  ASSERT_EQ(ZRV_readparamfile(t.task), ZRV_RES_OK);
  ZRVint32t threads = 0, log = 0, optimizer = 0;
  double gap = 0;
  ZRV_getintparam(t.task, ZRV_IPAR_NUM_THREADS, &threads);
  ZRV_getintparam(t.task, ZRV_IPAR_LOG, &log);
  ZRV_getintparam(t.task, ZRV_IPAR_OPTIMIZER, &optimizer);
  ZRV_getdouparam(t.task, ZRV_DPAR_INTPNT_TOL_REL_GAP, &gap);
  EXPECT_EQ(threads, 1);
  EXPECT_EQ(log, 7);
  EXPECT_EQ(optimizer, ZRV_OPTIMIZER_INTPNT);
  EXPECT_DOUBLE_EQ(gap, 3e-9);
}

TEST(Cli, BadCommandLinesAndInputsFailWithAClearMessage) {
  zrvtest::TempFile broken("broken.lp");
  {
    std::FILE* f = std::fopen(broken.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("minimize\n obj: x + y\nsubject to\n c1: x + y >= 1 +\nend\n", f);  // dangling "+"
    std::fclose(f);
  }
  const std::string model = quote(clitest::model());
  struct Case {
    std::string args;
    int code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", 2, "no problem file given"},
      {"--bogus " + model, 2, "unknown option '--bogus'"},
      {model + " " + model, 2, "more than one problem file"},
      {"-d ZRV_IPAR_LOG", 2, "-d needs a parameter name and a value"},
      {"-p", 2, "needs a value"},
      {"-q no-such-file.mps", 1, "no-such-file.mps"},
      {"-q -d ZRV_IPAR_NO_SUCH_THING 1 " + model, 1, "ZRV_IPAR_NO_SUCH_THING"},
      {"-q -d ZRV_IPAR_LOG five " + model, 1, "ZRV_IPAR_LOG"},
      {"-q -p no-such-file.par " + model, 1, "no-such-file.par"},
      {"-q " + quote(broken.name), 1, "ZRV_RES_ERR_LP_FILE_FORMAT"},
      {"-q -n -o /no-such-folder/x.lp " + model, 1, "/no-such-folder/x.lp"},
  };
  for (const Case& c : cases) {
    clitest::Run r = run(zirva() + " " + c.args);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\nstderr: " << r.err;
    EXPECT_EQ(r.err.find("zirva:"), 0u) << c.args << "\nstderr: " << r.err;
  }

  clitest::Run help = run(zirva() + " --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.find("usage: zirva"), 0u);
}

// The committed model is exactly what its generator writes, so the optimum in its header is the proven one.
TEST(Cli, GeneratorReproducesTheShippedModel) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 not installed";
  clitest::Run r = run("python3 " + quote(std::string(ZIRVA_SOURCE_DIR) + "/models/gen_prodplan.py"));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out == zrvtest::read_file(clitest::model())) << "models/prodplan.lp differs from its generator's output";
}

}  // namespace
