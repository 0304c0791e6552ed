// libFuzzer target of the solution-file reader; what one input does is in sol_check.h.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "sol_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ZRVenv_t env = [] {
    ZRVenv_t e = nullptr;
    if (ZRV_makeenv(&e, nullptr) != ZRV_RES_OK) std::abort();
    return e;
  }();
  static const std::string file = "/dev/shm/sol_fuzz_" + std::to_string(getpid()) + ".sol";
  int32_t r = 0;
  std::string problem = solfuzz::run(env, data, size, file, &r);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
