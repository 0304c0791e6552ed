// Small matrices and checks shared by the factorization tests.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

namespace zrv::kfactest {

// symmetric matrix by the entries of one triangle (or both; duplicates are summed where it matters), CSC
struct Csc {
  int32_t n = 0;
  std::vector<int64_t> p;
  std::vector<int32_t> i;
  std::vector<double> x;
};

// 5-point (nz = 1) or 7-point Laplacian-like grid, lower triangle, diagonally dominant
inline Csc grid(int32_t nx, int32_t ny, int32_t nz) {
  Csc c;
  c.n = nx * ny * nz;
  c.p.assign(1, 0);
  for (int32_t j = 0; j < c.n; j++) {
    const int32_t x = j % nx, y = (j / nx) % ny, z = j / (nx * ny);
    c.i.push_back(j); c.x.push_back(nz > 1 ? 6.0 : 4.0);
    if (x + 1 < nx) { c.i.push_back(j + 1); c.x.push_back(-1); }
    if (y + 1 < ny) { c.i.push_back(j + nx); c.x.push_back(-1); }
    if (z + 1 < nz) { c.i.push_back(j + nx * ny); c.x.push_back(-1); }
    c.p.push_back((int64_t)c.i.size());
  }
  return c;
}

// right-hand side with entries uniform in [-1, 1]
inline std::vector<double> rhs(int32_t n, uint32_t seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  std::vector<double> b(n);
  for (auto& v : b) v = u(g);
  return b;
}

inline bool is_permutation(const std::vector<int32_t>& p) {
  std::vector<char> seen(p.size(), 0);
  for (int32_t v : p) {
    if (v < 0 || v >= (int32_t)p.size() || seen[v]) return false;
    seen[v] = 1;
  }
  return true;
}

}  // namespace zrv::kfactest
