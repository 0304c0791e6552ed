// The progress log of an optimize call: layout line for line, the gates, the once-per-call and once-per-run
// blocks, and the count text of the factor block.
#include <gmock/gmock.h>

#include <cstdio>

#include "optimize/fixture.h"
#include "zirva/env.h"
#include "zirva/zirvalog.h"

namespace opttest {
namespace {

using ::testing::MatchesRegex;

using LogTest = OptTest;

// Every field of an iteration row is right-justified in its column: widths 3 8 8 8 10 17 17 8 6, one blank between.
void expect_row_layout(const std::string& row) {
  static const int widths[] = {3, 8, 8, 8, 10, 17, 17, 8, 6};
  ASSERT_EQ(row.size(), 93u) << row;
  size_t at = 0;
  for (int w : widths) {
    EXPECT_NE(row[at + w - 1], ' ') << "field ending at " << at + w << ": " << row;
    if (at > 0) {
      EXPECT_EQ(row[at - 1], ' ') << row;
    }
    at += w + 1;
  }
}

TEST_F(LogTest, SmallLpLineForLine) {
  small_lp(task);
  ZRV_puttaskname(task, "demo");
  ZRV_putintparam(task, ZRV_IPAR_NUM_THREADS, 1);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  ASSERT_EQ(ZRV_optimizersummary(task, ZRV_STREAM_MSG), ZRV_RES_OK);
  const std::vector<std::string> got = lines_of(log.text);
  const int32_t iters = iinf(ZRV_IINF_INTPNT_ITER);
  ASSERT_GT(iters, 0);

  // Up to the column header: fixed text or patterns of exact width (labels 22 wide, values 16 wide).
  const std::vector<std::string> head = {
      "Computer",
      "  Platform               : Linux/64-X86    ",
      "  Cores                  : [0-9]{1,3} {13,15}",
      "",
      "Problem",
      "  Name                   : demo            ",
      "  Objective sense        : min             ",
      "  Type                   : LO \\(linear optimization problem\\)",
      "  Constraints            : 2               ",
      "  Cones                  : 0               ",
      "  Scalar variables       : 2               ",
      "  Matrix variables       : 0               ",
      "  Integer variables      : 0               ",
      "",
      "Optimizer started.",
      "Interior-point optimizer started.",
      "Optimizer  - threads                : 1               ",
      "Optimizer  - solved problem         : ( {6}the primal| {8}the dual)",
      "Optimizer  - Constraints            : [0-9] {15}",
      "Optimizer  - Cones                  : 0               ",
      "Optimizer  - Scalar variables       : [0-9] {15}  conic                  : 0               ",
      "Optimizer  - Semi-definite variables: 0                 scalarized             : 0               ",
      "Factor     - setup time             : [0-9]\\.[0-9]{2} {12}  dense det\\. time        : [0-9]\\.[0-9]{2} {12}",
      "Factor     - ML order time          : [0-9]\\.[0-9]{2} {12}  GP order time          : [0-9]\\.[0-9]{2} {12}",
      "Factor     - nonzeros before factor : [0-9]+ +  after factor           : [0-9]+ +",
      "Factor     - dense dim\\.             : 0                 flops                  : [0-9]\\.[0-9]{2}e[+-][0-9]{2} {8}",
      "ITE    PFEAS    DFEAS    GFEAS   PRSTATUS              POBJ              DOBJ       MU   TIME",
  };
  ASSERT_GE(got.size(), head.size() + iters + 1);
  for (size_t k = 0; k < head.size(); ++k) EXPECT_THAT(got[k], MatchesRegex(head[k])) << "line " << k;
  EXPECT_EQ(got[24].size(), 97u);  // the two-value factor lines have their full width

  // One row per iteration, 0 .. iters, in the column layout; the last one shows the final information items.
  for (int32_t k = 0; k <= iters; ++k) {
    const std::string& row = got[head.size() + k];
    expect_row_layout(row);
    EXPECT_EQ(std::stoi(row.substr(0, 3)), k);
  }
  const std::string last = got[head.size() + iters];
  double pobj = 0, dobj = 0;
  ASSERT_EQ(std::sscanf(last.c_str() + 41, "%lf %lf", &pobj, &dobj), 2);
  EXPECT_NEAR(pobj, dinf(ZRV_DINF_INTPNT_PRIMAL_OBJ), 1e-9);
  EXPECT_NEAR(dobj, dinf(ZRV_DINF_INTPNT_DUAL_OBJ), 1e-9);
  EXPECT_NEAR(pobj, 1.25, 1e-7);

  // The end of the run and of the call, then the summary, times masked.
  const std::vector<std::string> tail = lines_of(mask_times(log.text.substr(log.text.find("Interior-point optimizer terminated"))));
  char itline[128];
  std::snprintf(itline, sizeof itline, "    Interior-point          - iterations : %8d  time:     T", iters);
  const std::vector<std::string> want = {
      "Interior-point optimizer terminated. Time: T. ",
      "",
      "Basis identification is not available; the interior-point solution stands.",
      "Optimizer terminated. Time: T",
      "Optimizer summary",
      "  Optimizer                 -                        time:     T",
      itline,
      "      Basis identification  -                        time:     T",
      "        Primal              - iterations :        0  time:     T",
      "        Dual                - iterations :        0  time:     T",
      "        Clean primal        - iterations :        0  time:     T",
      "        Clean dual          - iterations :        0  time:     T",
      "        Clean primal-dual   - iterations :        0  time:     T",
      "    Simplex                 -                        time:     T",
      "      Primal simplex        - iterations :        0  time:     T",
      "      Dual simplex          - iterations :        0  time:     T",
      "      Primal-dual simplex   - iterations :        0  time:     T",
      "    Mixed integer           - relaxations:        0  time:     T",
      "",
  };
  EXPECT_EQ(tail, want);
}

struct Gate {
  ZRViparame param;
  int32_t value;
  std::vector<std::string> present, absent;
};

TEST_F(LogTest, GatesSilenceTheirAreas) {
  const Gate gates[] = {
      {ZRV_IPAR_LOG, 0, {}, {"Computer", "Optimizer", "ITE", "Interior-point", "summary"}},
      {ZRV_IPAR_LOG_HEAD, 0, {"Optimizer started.", "ITE"}, {"Computer", "Problem"}},
      {ZRV_IPAR_LOG_OPTIMIZER, 0, {"Computer", "ITE", "Factor     -"}, {"Optimizer started.", "Optimizer  -"}},
      {ZRV_IPAR_LOG_FACTOR, 0, {"Optimizer  - threads", "ITE"}, {"Factor"}},
      {ZRV_IPAR_LOG_INTPNT, 0, {"Computer", "Optimizer started."}, {"Interior-point optimizer", "ITE", "Factor"}},
      {ZRV_IPAR_LOG_BI, 0, {"ITE"}, {"Basis identification is"}},
      {ZRV_IPAR_INTPNT_BASIS, ZRV_BI_NEVER, {"ITE"}, {"Basis identification is"}},
  };
  for (const Gate& g : gates) {
    ZRVtask_t t = make_task();
    small_lp(t);
    ZRV_putintparam(t, g.param, g.value);
    log.text.clear();
    EXPECT_EQ(ZRV_optimize(t), ZRV_RES_OK);
    ZRV_optimizersummary(t, ZRV_STREAM_MSG);
    if (g.param == ZRV_IPAR_LOG) {
      EXPECT_EQ(log.text, "");
    }
    for (const auto& s : g.present) EXPECT_NE(log.text.find(s), std::string::npos) << g.param << ": " << s;
    for (const auto& s : g.absent) EXPECT_EQ(log.text.find(s), std::string::npos) << g.param << ": " << s;
    ZRV_deletetask(&t);
  }
}

TEST_F(LogTest, HeaderOncePerCallAndCutFromTheSecondCall) {
  small_lp(task);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_EQ(zrvtest::count_occurrences(log.text, "Computer\n"), 1u);
  EXPECT_EQ(zrvtest::count_occurrences(log.text, "\nITE "), 1u);
  // Second call: min(LOG_HEAD 1, LOG 10) does not exceed the cut ZRV_IPAR_LOG_CUT_SECOND_OPT = 1.
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_EQ(zrvtest::count_occurrences(log.text, "Computer\n"), 1u);
  EXPECT_EQ(zrvtest::count_occurrences(log.text, "Optimizer started.\n"), 2u);
  EXPECT_EQ(zrvtest::count_occurrences(log.text, "\nITE "), 2u);  // the iteration header once per run
  ZRV_putintparam(task, ZRV_IPAR_LOG_HEAD, 2);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_EQ(zrvtest::count_occurrences(log.text, "Computer\n"), 2u);
  ZRV_putintparam(task, ZRV_IPAR_LOG_CUT_SECOND_OPT, 2);
  ASSERT_EQ(ZRV_optimize(task), ZRV_RES_OK);
  EXPECT_EQ(zrvtest::count_occurrences(log.text, "Computer\n"), 2u);
}

// The printer works from the information items alone, so the rarer lines are driven through them directly.
TEST_F(LogTest, FactorCountsAndHalfGates) {
  zrv::InfoItems& f = task->info;
  f.lint_priv[zrv::LIINF_PRIV_INTPNT_FACTOR_NUM_NZ_BEFORE] = 9999;
  f.lint[ZRV_LIINF_INTPNT_FACTOR_NUM_NZ] = 10001;
  f.int_priv[zrv::IINF_PRIV_INTPNT_GP_ORDER_EMPLOYED] = 1;
  f.lint_priv[zrv::LIINF_PRIV_INTPNT_FACTOR_ML_ORDER_SPARSE_L_NZ] = 30000;
  f.lint_priv[zrv::LIINF_PRIV_INTPNT_FACTOR_GP_ORDER_SPARSE_L_NZ] = 50000;
  zrv::log_event(task, zrv::EVT_INTPNT_ITER);
  task->streams.flush(ZRV_STREAM_MSG);
  EXPECT_NE(log.text.find("nonzeros before factor : 9999              after factor           : 1.00e+04        \n"),
            std::string::npos)
      << log.text;
  EXPECT_NE(log.text.find("GP saved nzs           : -2.00e+04       "), std::string::npos) << log.text;
  EXPECT_EQ(zrv::count_text(10000), "10000");
  EXPECT_EQ(zrv::count_text(-10000), "-10000");
  EXPECT_EQ(zrv::count_text(-10001), "-1.00e+04");
  // A second iteration event of the same run prints only its row.
  log.text.clear();
  zrv::log_event(task, zrv::EVT_INTPNT_ITER);
  task->streams.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(lines_of(log.text).size(), 1u) << log.text;

  // Basis identification at level 1: start and end lines, not the phase lines (half of 1 is 0).
  ZRV_putintparam(task, ZRV_IPAR_LOG_BI, 1);
  log.text.clear();
  for (int32_t e : {zrv::EVT_BI_START, zrv::EVT_BI_PRIMAL_START, zrv::EVT_BI_PRIMAL_END, zrv::EVT_BI_END})
    zrv::log_event(task, e);
  task->streams.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(mask_times(log.text), "Basis identification started.\nBasis identification terminated. Time: T\n");
  ZRV_putintparam(task, ZRV_IPAR_LOG_BI, 2);
  log.text.clear();
  zrv::log_event(task, zrv::EVT_BI_PRIMAL_START);
  task->streams.flush(ZRV_STREAM_MSG);
  EXPECT_EQ(log.text, "Primal basis identification phase started.\nITER      PFEAS       POBJ                  TIME\n");
}

}  // namespace
}  // namespace opttest
