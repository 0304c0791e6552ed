// Test helpers: capture what a stream delivers, and temporary files.
#pragma once
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zirva.h"

namespace zrvtest {

// Collects every chunk a linked stream function receives.
struct Capture {
  std::string text;
  std::vector<std::string> chunks;
  static void ZRVAPI func(ZRVuserhandle_t h, const char* s) {
    auto* c = static_cast<Capture*>(h);
    c->text += s;
    c->chunks.emplace_back(s);
  }
};

inline std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream o;
  o << in.rdbuf();
  return o.str();
}

// A file name in the build's test folder, removed when the object dies.
struct TempFile {
  std::string name;
  explicit TempFile(const std::string& base) : name(base) { std::remove(name.c_str()); }
  ~TempFile() { std::remove(name.c_str()); }
  const char* c_str() const { return name.c_str(); }
};

inline size_t count_occurrences(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + what.size())) ++n;
  return n;
}

}  // namespace zrvtest
