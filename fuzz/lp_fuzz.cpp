// libFuzzer target of the LP reader. Every input is read into an emptied task; an input that reads without
// error is written as LP, read back and written again, and the two written texts must be the same (the writer's
// output is a fixed point of read-then-write). Any crash, sanitizer report or difference is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/lpformat.h"

namespace {

struct Memory {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  static size_t read(void* h, char* buf, size_t cap, int32_t*) {
    auto* m = static_cast<Memory*>(h);
    size_t n = std::min(cap, m->size - m->pos);
    std::memcpy(buf, m->data + m->pos, n);
    m->pos += n;
    return n;
  }
};

ZRVenv_t environment() {
  static ZRVenv_t env = [] {
    ZRVenv_t e = nullptr;
    if (ZRV_makeenv(&e, nullptr) != ZRV_RES_OK) std::abort();
    return e;
  }();
  return env;
}

ZRVtask_t new_task() {
  ZRVtask_t t = nullptr;
  if (ZRV_maketask(environment(), 0, 0, &t) != ZRV_RES_OK) std::abort();
  // Small initial capacities: every input exercises the growth of the task.
  ZRV_putintparam(t, ZRV_IPAR_READ_CON, 1);
  ZRV_putintparam(t, ZRV_IPAR_READ_VAR, 1);
  ZRV_putintparam(t, ZRV_IPAR_READ_ANZ, 1);
  ZRV_putintparam(t, ZRV_IPAR_READ_QNZ, 1);
  return t;
}

std::string slurp(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream o;
  o << in.rdbuf();
  return o.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string w1 = "/tmp/lp_fuzz_" + std::to_string(getpid()) + "_1.lp";
  static const std::string w2 = "/tmp/lp_fuzz_" + std::to_string(getpid()) + "_2.lp";
  ZRVtask_t t = new_task();
  Memory src{data, size};
  int32_t r = zrv::clear_problem(t);
  if (r == ZRV_RES_OK) r = zrv::lp_read_source(t, Memory::read, &src, "fuzz");
  int32_t numvar = 0, numcon = 0;
  ZRV_getnumvar(t, &numvar);
  ZRV_getnumcon(t, &numcon);
  if (r == ZRV_RES_OK && (numvar > 0 || numcon > 0)) {
    if (ZRV_writedata(t, w1.c_str()) != ZRV_RES_OK) std::abort();
    ZRVtask_t back = new_task();
    if (ZRV_readdata(back, w1.c_str()) != ZRV_RES_OK) std::abort();
    int32_t nv = -1, nc = -1;
    ZRV_getnumvar(back, &nv);
    ZRV_getnumcon(back, &nc);
    if (nv != numvar || nc != numcon) std::abort();
    if (ZRV_writedata(back, w2.c_str()) != ZRV_RES_OK) std::abort();
    if (slurp(w1) != slurp(w2)) std::abort();
    ZRV_deletetask(&back);
  }
  ZRV_deletetask(&t);
  return 0;
}
