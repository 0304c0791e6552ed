// libFuzzer target of the parameter-file reader; what one input does is in par_check.h.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "par_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ZRVenv_t env = [] {
    ZRVenv_t e = nullptr;
    if (ZRV_makeenv(&e, nullptr) != ZRV_RES_OK) std::abort();
    return e;
  }();
  static const std::string in = "/dev/shm/par_fuzz_" + std::to_string(getpid()) + ".par";
  static const std::string out = "/dev/shm/par_fuzz_" + std::to_string(getpid()) + "_w.par";
  int32_t r = 0;
  std::string problem = parfuzz::run(env, data, size, in, out, &r);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
