#include "mpsread.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <unordered_map>

namespace {
// fields of a fixed MPS line (columns 2-3, 5-12, 15-22, 25-36, 40-47, 50-61); falls back to whitespace splitting
std::vector<std::string> fields(const std::string& line, bool fixed) {
  std::vector<std::string> f;
  if (fixed) {
    auto cut = [&](size_t a, size_t b) {
      if (a >= line.size()) return std::string();
      std::string s = line.substr(a, std::min(b, line.size()) - a);
      size_t x = s.find_first_not_of(' '), y = s.find_last_not_of(' ');
      return x == std::string::npos ? std::string() : s.substr(x, y - x + 1);
    };
    f = {cut(1, 3), cut(4, 12), cut(14, 22), cut(24, 36), cut(39, 47), cut(49, 61)};
    return f;
  }
  std::istringstream is(line);
  std::string w;
  while (is >> w) f.push_back(w);
  return f;
}
}  // namespace

bool read_mps(const std::string& path, BenchLp& lp, std::string* err) {
  gzFile gz = gzopen(path.c_str(), "rb");
  if (!gz) { if (err) *err = "cannot open"; return false; }
  char buf[4096];
  std::string section;
  std::unordered_map<std::string, int32_t> rows, cols;
  std::string objname;
  std::vector<std::vector<std::pair<int32_t, double>>> colent;
  std::vector<std::tuple<int32_t, int32_t, double>> qent;
  std::string curcol;
  int32_t curidx = -1;
  bool fixed = path.find("forplan") != std::string::npos || path.find("QFORPLAN") != std::string::npos;
  while (gzgets(gz, buf, sizeof buf)) {
    std::string line(buf);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.empty() || line[0] == '*') continue;
    if (line[0] != ' ') {
      std::istringstream is(line);
      is >> section;
      continue;
    }
    std::vector<std::string> f = fields(line, fixed);
    if (fixed) {
      // drop empty trailing fields
      while (!f.empty() && f.back().empty()) f.pop_back();
      if (!f.empty() && f[0].empty()) f.erase(f.begin());
    }
    if (section == "ROWS") {
      if (f.size() < 2) continue;
      if (f[0] == "N" || f[0] == "n") { if (objname.empty()) objname = f[1]; else rows[f[1]] = -2; continue; }
      int32_t id = (int32_t)rows.size();
      rows[f[1]] = id;
    } else if (section == "COLUMNS") {
      if (line.find("MARKER") != std::string::npos) continue;
      if (f.size() < 3) continue;
      if (f[0] != curcol) {
        curcol = f[0];
        auto it = cols.find(curcol);
        if (it == cols.end()) { curidx = (int32_t)colent.size(); cols[curcol] = curidx; colent.emplace_back(); }
        else curidx = it->second;
      }
      for (size_t k = 1; k + 1 < f.size(); k += 2) {
        if (f[k] == objname) continue;
        auto it = rows.find(f[k]);
        if (it == rows.end() || it->second < 0) continue;
        colent[curidx].push_back({it->second, std::strtod(f[k + 1].c_str(), nullptr)});
      }
    } else if (section == "QUADOBJ" || section == "QMATRIX") {
      if (f.size() < 3) continue;
      auto a = cols.find(f[0]), b = cols.find(f[1]);
      if (a == cols.end() || b == cols.end()) continue;
      int32_t i = std::max(a->second, b->second), j = std::min(a->second, b->second);
      if (section == "QMATRIX" && a->second < b->second) continue;
      qent.emplace_back(i, j, std::strtod(f[2].c_str(), nullptr));
    } else if (section == "ENDATA") {
      break;
    }
  }
  gzclose(gz);
  int32_t m = 0;
  for (auto& r : rows) if (r.second >= 0) m = std::max(m, r.second + 1);
  lp.m = m;
  lp.n = (int32_t)colent.size();
  lp.ap.assign(lp.n + 1, 0);
  lp.ai.clear(); lp.ax.clear();
  for (int32_t j = 0; j < lp.n; j++) {
    auto& c = colent[j];
    std::sort(c.begin(), c.end());
    for (size_t k = 0; k < c.size(); k++) {
      if (k > 0 && c[k].first == c[k - 1].first) { lp.ax.back() += c[k].second; continue; }
      lp.ai.push_back(c[k].first);
      lp.ax.push_back(c[k].second);
    }
    lp.ap[j + 1] = (int64_t)lp.ai.size();
  }
  lp.qp.clear(); lp.qi.clear(); lp.qx.clear();
  if (!qent.empty()) {
    std::sort(qent.begin(), qent.end(), [](auto& a, auto& b) {
      return std::get<1>(a) != std::get<1>(b) ? std::get<1>(a) < std::get<1>(b) : std::get<0>(a) < std::get<0>(b);
    });
    lp.qp.assign(lp.n + 1, 0);
    for (auto& e : qent) {
      if (!lp.qi.empty() && lp.qp[std::get<1>(e) + 1] > 0 && lp.qi.back() == std::get<0>(e) &&
          (int64_t)lp.qi.size() > 0) {
        // duplicate inside the same column
      }
      lp.qi.push_back(std::get<0>(e));
      lp.qx.push_back(std::get<2>(e));
      lp.qp[std::get<1>(e) + 1]++;
    }
    for (int32_t j = 0; j < lp.n; j++) lp.qp[j + 1] += lp.qp[j];
  }
  if (lp.n == 0) { if (err) *err = "no columns"; return false; }
  return true;
}
