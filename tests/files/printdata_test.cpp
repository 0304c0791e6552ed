// The data dump: which parts each flag prints, clipping of the index ranges, the name column, and the values.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// The first line that begins with `prefix`, or "".
std::string line_starting(const std::string& text, const std::string& prefix) {
  for (const std::string& l : lines_of(text))
    if (l.rfind(prefix, 0) == 0) return l;
  return "";
}

struct PrintData : ::testing::Test {
  ZRVenv_t env = nullptr;
  ZRVtask_t task = nullptr;
  zrvtest::Capture msg;
  static constexpr const char* LONG_NAME = "a_rather_long_constraint_name";  // 29 characters

  void SetUp() override {
    ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &task), ZRV_RES_OK);
    ZRV_linkfunctotaskstream(task, ZRV_STREAM_MSG, &msg, zrvtest::Capture::func);
    ZRV_puttaskname(task, "dumped");
    ZRV_putobjname(task, "cost");
    ASSERT_EQ(ZRV_appendcons(task, 3), ZRV_RES_OK);
    ASSERT_EQ(ZRV_appendvars(task, 4), ZRV_RES_OK);
    ZRV_putconname(task, 0, "short");
    ZRV_putconname(task, 1, LONG_NAME);
    ZRV_putconname(task, 2, "eq");
    ZRV_putconbound(task, 0, ZRV_BK_RA, 1.0, 4.0);
    ZRV_putconbound(task, 1, ZRV_BK_UP, 0.0, 5.0);
    ZRV_putconbound(task, 2, ZRV_BK_FX, 2.0, 2.0);
    const char* vn[4] = {"x", "y", "z", "w"};
    for (int j = 0; j < 4; ++j) ZRV_putvarname(task, j, vn[j]);
    ZRV_putvarbound(task, 0, ZRV_BK_LO, 0.0, 0.0);
    ZRV_putvarbound(task, 1, ZRV_BK_FR, 0.0, 0.0);
    ZRV_putvarbound(task, 2, ZRV_BK_UP, 0.0, 3.0);
    ZRV_putvarbound(task, 3, ZRV_BK_RA, -1.0, 1.0);
    ZRV_putvartype(task, 2, ZRV_VAR_TYPE_INT);
    ZRV_putcj(task, 0, 1.5);
    ZRV_putcj(task, 3, -2.0);
    // Column 0 is put out of row order.
    ASSERT_EQ(ZRV_putaij(task, 2, 0, 3.0), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putaij(task, 0, 0, 1.0), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putaij(task, 1, 0, 2.0), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putaij(task, 1, 1, -1.0), ZRV_RES_OK);
    ASSERT_EQ(ZRV_putaij(task, 2, 3, 4.0), ZRV_RES_OK);
    const int32_t qi[2] = {0, 3}, qj[2] = {0, 1};
    const double qv[2] = {2.0, 0.5};
    ASSERT_EQ(ZRV_putqobj(task, 2, qi, qj, qv), ZRV_RES_OK);
    const int32_t ci[1] = {1}, cj[1] = {1};
    const double cv[1] = {1.0};
    ASSERT_EQ(ZRV_putqconk(task, 1, 1, ci, cj, cv), ZRV_RES_OK);
  }
  void TearDown() override {
    ZRV_deletetask(&task);
    ZRV_deleteenv(&env);
  }
  // Runs the dump with the given ranges and flags (c, qo, a, qc, bc, bx, vartype, cones) and returns the text.
  std::string dump(int32_t fi, int32_t li, int32_t fj, int32_t lj, int32_t fk, int32_t lk, const int (&f)[8]) {
    msg.text.clear();
    EXPECT_EQ(ZRV_printdata(task, ZRV_STREAM_MSG, fi, li, fj, lj, fk, lk, f[0], f[1], f[2], f[3], f[4], f[5], f[6],
                            f[7]),
              ZRV_RES_OK);
    task->streams.flush(ZRV_STREAM_MSG);
    return msg.text;
  }
  void add_cone() {
    // The cone needs variables that are in no other cone and have no integer type in its way: three fresh ones.
    ASSERT_EQ(ZRV_appendvars(task, 3), ZRV_RES_OK);
    const char* vn[3] = {"t", "u1", "u2"};
    for (int j = 0; j < 3; ++j) ZRV_putvarname(task, 4 + j, vn[j]);
    const int32_t members[3] = {4, 5, 6};
    ASSERT_EQ(ZRV_appendcone(task, ZRV_CT_RQUAD, 0.0, 3, members), ZRV_RES_OK);
    ZRV_putconename(task, 0, "lorentz");
  }
};

TEST_F(PrintData, EachPartAppearsOnlyWithItsFlag) {
  add_cone();
  struct Part {
    int flag;
    const char* marker;
  } parts[] = {
      {0, " c "},          {1, "Q - Objective"}, {2, "A(columnwise)"}, {3, "Q in constraint 1"},
      {4, "Constraints"},  {5, " bk "},          {6, " vartype"},      {7, "\nCones\n"},
  };
  const int none[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  std::string bare = dump(0, 3, 0, 7, 0, 1, none);
  // The header is always there.
  EXPECT_NE(bare.find("\nName: dumped  numcon: 3  numvar: 7  numcone: 1\n"), std::string::npos) << bare;
  EXPECT_NE(bare.find("Objective name: cost\n"), std::string::npos) << bare;
  for (const Part& p : parts) EXPECT_EQ(bare.find(p.marker), std::string::npos) << p.marker;
  EXPECT_EQ(bare.find("Variables"), std::string::npos);
  for (const Part& p : parts) {
    int f[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    f[p.flag] = 1;
    std::string text = dump(0, 3, 0, 7, 0, 1, f);
    EXPECT_NE(text.find(p.marker), std::string::npos) << "flag " << p.flag << ":\n" << text;
    for (const Part& other : parts) {
      if (other.flag != p.flag) {
        EXPECT_EQ(text.find(other.marker), std::string::npos) << p.flag << " " << other.marker;
      }
    }
    // The variable table comes with any of its three column flags.
    bool var_table = p.flag == 0 || p.flag == 5 || p.flag == 6;
    EXPECT_EQ(text.find("\nVariables\n") != std::string::npos, var_table) << p.flag;
  }
}

TEST_F(PrintData, RangesAreClippedToTheProblem) {
  const int all[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  // Ranges reaching past both ends print every item once; the A part names the clipped row range.
  std::string text = dump(-5, 100, -2, 99, -1, 50, all);
  EXPECT_NE(text.find("A(columnwise) firsti: 0 lasti: 3\n"), std::string::npos) << text;
  for (const char* row : {"0      'short", "1      'a_rather", "2      'eq"})
    EXPECT_EQ(zrvtest::count_occurrences(text, std::string("\n") + row), 1u) << row;
  EXPECT_EQ(zrvtest::count_occurrences(text, "\n3      '"), 1u);  // variable 3, no constraint 3
  EXPECT_EQ(zrvtest::count_occurrences(text, "\n4      '"), 0u);

  // A slice: constraints [1, 2) and variables [0, 2). Only entries inside both ranges are listed, but the column
  // length is the whole column's.
  text = dump(1, 2, 0, 2, 0, 0, all);
  EXPECT_NE(text.find("A(columnwise) firsti: 1 lasti: 2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n0   [3]: 2.000000e+00[1]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n1   [1]: -1.000000e+00[1]\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\n3   ["), std::string::npos);
  EXPECT_EQ(text.find("'short"), std::string::npos);
  EXPECT_EQ(text.find("'z"), std::string::npos);
  // Q entries need both indexes in the variable range: (0,0) is, (3,1) is not. The quadratic constraint 1 is in
  // the constraint range, its entry (1,1) in the variable range.
  EXPECT_NE(text.find("\nQ - Objective\n 2.000000e+00[0,0]\n\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("[3,1]"), std::string::npos);
  EXPECT_NE(text.find("\nQ in constraint 1\n 1.000000e+00[1,1]\n"), std::string::npos) << text;

  // Inverted and empty ranges print the headings and no rows.
  text = dump(2, 1, 3, 0, 1, 0, all);
  EXPECT_NE(text.find("A(columnwise) firsti: 2 lasti: 2\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\n0      '"), std::string::npos) << text;
  EXPECT_EQ(text.find("Q in constraint"), std::string::npos);
  EXPECT_EQ(text.find("Cone: "), std::string::npos);
}

TEST_F(PrintData, NameColumnFitsTheLongestNameAndAtLeastSixteen) {
  const int bounds[8] = {0, 0, 0, 0, 1, 1, 0, 0};
  // Without the long name in range the column is 16 wide: quote, 16 characters, quote.
  std::string text = dump(2, 3, 0, 1, 0, 0, bounds);
  EXPECT_NE(text.find("\n2      '" + std::string("eq") + std::string(14, ' ') + "' "), std::string::npos) << text;
  EXPECT_NE(text.find("\n0      'x" + std::string(15, ' ') + "' "), std::string::npos) << text;
  // With it, every row and heading of both tables is padded to its 29 characters, so the columns line up.
  text = dump(0, 3, 0, 4, 0, 0, bounds);
  const size_t width = std::string(LONG_NAME).size();
  EXPECT_NE(text.find("\n0      'short" + std::string(width - 5, ' ') + "' "), std::string::npos) << text;
  EXPECT_NE(text.find("\n1      '" + std::string(LONG_NAME) + "' "), std::string::npos) << text;
  EXPECT_NE(text.find("\n3      'w" + std::string(width - 1, ' ') + "' "), std::string::npos) << text;
  const size_t blc_at = line_starting(text, "Index").find("blc");
  ASSERT_NE(blc_at, std::string::npos) << text;
  EXPECT_EQ(blc_at, 6 + 1 + width + 2 + 1);
  EXPECT_EQ(line_starting(text, "Index ").size(), line_starting(text, "0      'short").size());
  EXPECT_EQ(line_starting(text, "1      ").find("NONE"), blc_at);
}

TEST_F(PrintData, BoundsObjectiveTypesAndCones) {
  add_cone();
  const int all[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  std::string text = dump(0, 3, 0, 7, 0, 1, all);
  auto row = [&](const std::string& start) { return line_starting(text, start); };
  const std::string pad16(16, ' ');
  auto num = [](double v) {
    char b[64];
    std::snprintf(b, sizeof b, " %-16.6e", v);
    return std::string(b);
  };
  const std::string none = " NONE            ";
  // Constraints: ranged, upper only, fixed.
  EXPECT_NE(row("0      'short").find(num(1.0) + num(4.0)), std::string::npos) << text;
  EXPECT_NE(row("1      'a_rather").find(none + num(5.0)), std::string::npos) << text;
  EXPECT_NE(row("2      'eq").find(num(2.0) + num(2.0)), std::string::npos) << text;
  // Variables: objective coefficient, key, bounds, type.
  EXPECT_NE(row("0      'x ").find(num(1.5) + " LO" + num(0.0) + none + " CONT"), std::string::npos) << text;
  EXPECT_NE(row("1      'y ").find(num(0.0) + " FR" + none + none + " CONT"), std::string::npos) << text;
  EXPECT_NE(row("2      'z ").find(" UP" + none + num(3.0) + " INT"), std::string::npos) << text;
  EXPECT_NE(row("3      'w ").find(num(-2.0) + " RA" + num(-1.0) + num(1.0)), std::string::npos) << text;
  // A in row order within a column whatever the order of the puts.
  EXPECT_NE(text.find("\n0   [3]: 1.000000e+00[0] 2.000000e+00[1] 3.000000e+00[2]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n2   [0]:\n"), std::string::npos) << text;
  // The cone with its members by index and name.
  EXPECT_NE(text.find("\nCones\nCone: 'lorentz' (0) Type: RQUAD Parameter: 0.000000e+00 Dimension: 3\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\nIndex  Name            \n4      t\n5      u1\n6      u2\n"), std::string::npos) << text;
}

TEST_F(PrintData, RefusesABadStreamAndEchoesOnTheLog) {
  const int all[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(ZRV_printdata(task, static_cast<ZRVstreamtypee>(7), 0, 3, 0, 4, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1),
            ZRV_RES_ERR_INVALID_STREAM);
  EXPECT_EQ(ZRV_printdata(nullptr, ZRV_STREAM_MSG, 0, 3, 0, 4, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1), ZRV_RES_ERR_NULL_TASK);
  // The log stream echoes the message stream; with the message stream unlinked nothing arrives anywhere.
  zrvtest::Capture log;
  ZRV_linkfunctotaskstream(task, ZRV_STREAM_LOG, &log, zrvtest::Capture::func);
  std::string text = dump(0, 3, 0, 4, 0, 0, all);
  task->streams.flush(ZRV_STREAM_LOG);
  EXPECT_NE(log.text.find("Objective name: cost"), std::string::npos);
  EXPECT_FALSE(text.empty());
}

}  // namespace
