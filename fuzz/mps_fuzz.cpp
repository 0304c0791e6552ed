// libFuzzer target of the MPS reader: the input is an MPS file, read in the flavour given by its length modulo 3;
// a problem that reads is written back and read again, which must succeed.
#include <cstdint>
#include <cstring>

#include "cpub/sysfile.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/mpsio.h"

namespace {

struct Memory {
  const char* p;
  size_t n, pos = 0;
};

// Lines of a memory block with the tokenizer's read-line contract.
int memory_read(void* data, char* out, size_t cap, size_t* len) {
  auto* m = static_cast<Memory*>(data);
  const char* nl = static_cast<const char*>(std::memchr(m->p + m->pos, '\n', m->n - m->pos));
  size_t end = nl ? static_cast<size_t>(nl - m->p) : m->n;
  if (!out) {
    m->pos = nl ? end + 1 : m->n;
    return 0;
  }
  if (m->pos >= m->n) {
    *len = 0;
    return 1;
  }
  size_t k = end - m->pos;
  if (k > cap - 1) {
    std::memcpy(out, m->p + m->pos, cap - 1);
    m->pos += cap - 1;
    *len = cap - 1;
    return 3;
  }
  std::memcpy(out, m->p + m->pos, k);
  *len = k;
  m->pos = nl ? end + 1 : m->n;
  return 0;
}

void quiet(ZRVuserhandle_t, const char*) {}

ZRVenv_t env = nullptr;
ZRVtask_t task = nullptr;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!env) {
    ZRV_makeenv(&env, nullptr);
    ZRV_maketask(env, 0, 0, &task);
    for (int s = ZRV_STREAM_LOG; s <= ZRV_STREAM_WRN; ++s)
      ZRV_linkfunctotaskstream(task, static_cast<ZRVstreamtypee>(s), nullptr, quiet);
    ZRV_putintparam(task, ZRV_IPAR_READ_MPS_WIDTH, 256);
  }
  int32_t flavour = static_cast<int32_t>(size % 3);
  zrv::clear_problem(task);
  Memory m{reinterpret_cast<const char*>(data), size};
  if (zrv::mps_read_lines(task, memory_read, &m, flavour) != ZRV_RES_OK) return 0;
  // What was read must write and read back.
  const char* out = "/dev/shm/zirva_mps_fuzz.mps";
  if (ZRV_writedata(task, out) != ZRV_RES_OK) return 0;
  ZRVint32t numvar = 0, back = 0;
  ZRV_getnumvar(task, &numvar);
  ZRV_putintparam(task, ZRV_IPAR_READ_MPS_WIDTH, 1 << 20);
  int32_t r = ZRV_readdataformat(task, out, ZRV_DATA_FORMAT_MPS, ZRV_COMPRESS_NONE);
  ZRV_putintparam(task, ZRV_IPAR_READ_MPS_WIDTH, 256);
  ZRV_getnumvar(task, &back);
  if (r != ZRV_RES_OK || back != numvar) __builtin_trap();
  return 0;
}
