// ipm_bench end to end on a small folder: what counts as solved, and that failures cost one row, not the run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run.h"
#include "common/capture.h"

using clitest::quote;
using clitest::run;

namespace {

std::string bench() { return std::string(ZIRVA_BINARY_DIR) + "/bench/ipm/ipm_bench"; }

void write(const std::string& name, const std::string& text) {
  std::FILE* f = std::fopen(name.c_str(), "w");
  ASSERT_TRUE(f) << name;
  std::fputs(text.c_str(), f);
  std::fclose(f);
}

struct Folder {
  std::string path;
  explicit Folder(const std::string& base) {
    path = zrvtest::TempFile::unique(base) + ".XXXXXX";
    if (!mkdtemp(path.data())) ADD_FAILURE() << "mkdtemp";
  }
  ~Folder() { std::system(("rm -rf " + quote(path)).c_str()); }
};

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  std::istringstream in(s);
  while (std::getline(in, cur, sep)) out.push_back(cur);
  if (!s.empty() && s.back() == sep) out.push_back("");
  return out;
}

// Rows of the CSV by instance name, each as column name -> value; the summary line separately.
struct Table {
  std::map<std::string, std::map<std::string, std::string>> rows;
  std::string summary;
};

Table parse(const std::string& out) {
  Table t;
  std::vector<std::string> lines = split(out, '\n');
  if (lines.empty()) return t;
  std::vector<std::string> head = split(lines[0], ',');
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    if (lines[i][0] == '#') {
      t.summary = lines[i];
      continue;
    }
    std::vector<std::string> f = split(lines[i], ',');
    EXPECT_EQ(f.size(), head.size()) << lines[i];
    for (size_t k = 0; k < head.size() && k < f.size(); ++k) t.rows[f[0]][head[k]] = f[k];
  }
  return t;
}

TEST(Bench, SolvedMeansTheExpectedOutcomeCheckedFromTheData) {
  struct stat st;
  if (stat(bench().c_str(), &st) != 0) GTEST_SKIP() << "benchmarks not built (ZIRVA_BENCH=OFF)";
  Folder dir("bench");
  std::string model = zrvtest::read_file(clitest::model());
  write(dir.path + "/prodplan.lp", model);
  write(dir.path + "/wrongvalue.lp", model);  // solves fine, but the table claims another optimum
  write(dir.path + "/infeas.lp",
        "minimize\n obj: x + y\nsubject to\n c1: x + y >= 3\n c2: x - y <= 5\nbounds\n x <= 1\n y <= 1\nend\n");
  write(dir.path + "/broken.lp", "minimize\n obj: x +\nsubject to\nend\n");
  write(dir.path + "/notes.txt", "not an instance\n");
  char opt[64];
  std::snprintf(opt, sizeof opt, "%.17g", clitest::model_optimum());
  write(dir.path + "/values.csv", std::string("name,objective,status\nprodplan,") + opt + ",\nwrongvalue," +
                                      std::to_string(clitest::model_optimum() * 1.001) +
                                      ",\ninfeas,,infeasible\nbroken,1,\n");

  clitest::Run r = run(quote(bench()) + " -T 120 -v " + quote(dir.path + "/values.csv") + " " + quote(dir.path));
  ASSERT_EQ(r.code, 0) << r.err;
  Table t = parse(r.out);
  ASSERT_EQ(t.rows.size(), 4u) << r.out;

  auto& pp = t.rows["prodplan"];
  EXPECT_EQ(pp["status"], "OPTIMAL");
  EXPECT_EQ(pp["solved"], "1") << r.out;
  EXPECT_EQ(pp["rows"], "320");
  EXPECT_EQ(pp["cols"], "928");
  EXPECT_LE(std::strtod(pp["rel_error"].c_str(), nullptr), 1e-6);
  EXPECT_LE(std::strtod(pp["pviol"].c_str(), nullptr), 1e-6);
  EXPECT_LE(std::strtod(pp["dviol"].c_str(), nullptr), 1e-6);
  EXPECT_GT(std::strtol(pp["iterations"].c_str(), nullptr, 10), 0);

  EXPECT_EQ(t.rows["wrongvalue"]["status"], "OPTIMAL");
  EXPECT_EQ(t.rows["wrongvalue"]["solved"], "0");
  EXPECT_EQ(t.rows["wrongvalue"]["note"], "objective_off");

  EXPECT_EQ(t.rows["infeas"]["status"], "PRIMAL_INFEASIBLE_CER");
  EXPECT_EQ(t.rows["infeas"]["solved"], "1") << r.out;

  EXPECT_EQ(t.rows["broken"]["status"], "ZRV_RES_ERR_LP_FILE_FORMAT");
  EXPECT_EQ(t.rows["broken"]["solved"], "0");

  EXPECT_EQ(t.summary.rfind("# summary: solved 2/4, shifted geometric mean of seconds (shift 1 s) ", 0), 0u)
      << t.summary;

  // The filter picks instances by name.
  r = run(quote(bench()) + " -f '^inf' -v " + quote(dir.path + "/values.csv") + " " + quote(dir.path));
  ASSERT_EQ(r.code, 0) << r.err;
  t = parse(r.out);
  EXPECT_EQ(t.rows.size(), 1u);
  EXPECT_EQ(t.rows.count("infeas"), 1u);
  EXPECT_EQ(t.summary.rfind("# summary: solved 1/1", 0), 0u) << t.summary;
}

TEST(Bench, BadCommandLines) {
  struct stat st;
  if (stat(bench().c_str(), &st) != 0) GTEST_SKIP() << "benchmarks not built (ZIRVA_BENCH=OFF)";
  clitest::Run r = run(quote(bench()) + " /no/such/folder");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("/no/such/folder"), std::string::npos) << r.err;
  r = run(quote(bench()) + " --time-limit soon .");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--time-limit"), std::string::npos) << r.err;
  r = run(quote(bench()));
  EXPECT_EQ(r.code, 2);
}

}  // namespace
