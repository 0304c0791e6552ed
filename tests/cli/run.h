// Runs a program of the build as a shell command and collects its exit code, standard output and error.
#pragma once
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "common/capture.h"

namespace clitest {

struct Run {
  int code = -1;
  std::string out, err;
};

inline std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline Run run(const std::string& cmd) {
  zrvtest::TempFile out("run.out"), err("run.err");
  Run r;
  int st = std::system((cmd + " >" + quote(out.name) + " 2>" + quote(err.name) + " </dev/null").c_str());
  r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.out = zrvtest::read_file(out.name);
  r.err = zrvtest::read_file(err.name);
  return r;
}

// Removes the solution files that a run writes for a prefix.
struct SolutionFiles {
  std::string prefix;
  explicit SolutionFiles(const std::string& p) : prefix(p) { clear(); }
  std::string sol() const { return prefix + ".sol"; }
  void clear() const {
    for (const char* ext : {".sol", ".bas", ".int"}) std::remove((prefix + ext).c_str());
  }
  ~SolutionFiles() { clear(); }
};

inline std::string zirva() { return quote(std::string(ZIRVA_BINARY_DIR) + "/tools/zirva/zirva"); }
inline std::string model() { return std::string(ZIRVA_SOURCE_DIR) + "/models/prodplan.lp"; }

// The optimal value that the model's generator proved and wrote into the file's header comment.
inline double model_optimum() {
  std::ifstream in(model());
  std::string line;
  const std::string key = "\\ optimal objective value: ";
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + key.size(), nullptr);
  ADD_FAILURE() << "no optimal value in the model's header";
  return 0;
}

}  // namespace clitest
