// MPS files (fixed, relaxed and free fields).
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/report.h"

namespace zrv {

// The MPS reader and writer are not part of this build yet: reading and writing refuse the format.
int32_t mps_read(ZRVtask_s* t, SysFile*, const char*, int32_t) {
  return ZRV_REPORT(t, ZRV_RES_ERR_READ_FORMAT, int32_t{ZRV_DATA_FORMAT_MPS});
}
int32_t mps_write(ZRVtask_s* t, SysFile*, bool, bool) {
  return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FORMAT_TYPE, int32_t{ZRV_DATA_FORMAT_MPS});
}

}  // namespace zrv
