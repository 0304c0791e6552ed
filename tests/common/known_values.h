// The tables of known results beside the benchmark instances (optimal_values.csv, status.csv), read the same way
// by the tests and the benchmark programs.
#pragma once
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace zrvdata {

struct Known {
  bool has_value = false;
  double value = 0;
  bool infeasible = false;
};

inline std::vector<std::string> split_csv(const std::string& line) {
  std::vector<std::string> f;
  std::string cur;
  for (char ch : line) {
    if (ch == ',') {
      f.push_back(cur);
      cur.clear();
    } else if (ch != '\r') {
      cur += ch;
    }
  }
  f.push_back(cur);
  return f;
}

// Reads name,objective[,...] or name,status tables. A check_objective column overrides a published value that
// the set's own notes call wrong; netlib's table (the one with a readme_objective column) lists optima without
// the objective constant, which the reader does apply, so the constant is added there.
inline std::map<std::string, Known> read_values(const std::string& file) {
  std::map<std::string, Known> known;
  std::ifstream in(file);
  std::string line;
  if (!std::getline(in, line)) return known;
  const std::vector<std::string> head = split_csv(line);
  auto col = [&](const char* name) {
    auto it = std::find(head.begin(), head.end(), name);
    return it == head.end() ? -1 : (int)(it - head.begin());
  };
  const int c_name = col("name"), c_obj = col("objective"), c_const = col("obj_constant"), c_status = col("status");
  const int c_check = col("check_objective");
  const bool add_constant = col("readme_objective") >= 0;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = split_csv(line);
    if (c_name < 0 || c_name >= (int)f.size() || f[c_name].empty()) continue;
    Known k;
    auto field = [&](int c) { return c >= 0 && c < (int)f.size() ? f[c] : std::string(); };
    if (!field(c_check).empty()) {
      k.has_value = true;
      k.value = std::strtod(field(c_check).c_str(), nullptr);
    } else if (!field(c_obj).empty()) {
      k.has_value = true;
      k.value = std::strtod(field(c_obj).c_str(), nullptr);
      if (add_constant && !field(c_const).empty()) k.value += std::strtod(field(c_const).c_str(), nullptr);
    }
    if (field(c_status) == "infeasible") k.infeasible = true;
    known[f[c_name]] = k;
  }
  return known;
}

}  // namespace zrvdata
