// Minimal MPS/QPS reader for the factorization bench: constraint matrix pattern and values, QUADOBJ entries.
// Bench code only (the library has its own MPS reader).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct BenchLp {
  int32_t m = 0, n = 0;
  std::vector<int64_t> ap;   // CSC of A (m x n), objective row excluded
  std::vector<int32_t> ai;
  std::vector<double> ax;
  std::vector<int64_t> qp;   // CSC lower triangle of Q (n x n), may be empty
  std::vector<int32_t> qi;
  std::vector<double> qx;
};

// Reads a gzip-compressed (or plain) fixed/free MPS or QPS file.  Returns false on failure.
bool read_mps(const std::string& path, BenchLp& lp, std::string* err);
