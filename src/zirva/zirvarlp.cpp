// LP files.
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/report.h"

namespace zrv {

// The LP reader and writer are not part of this build yet: reading and writing refuse the format.
int32_t lp_read(ZRVtask_s* t, SysFile*, const char*) {
  return ZRV_REPORT(t, ZRV_RES_ERR_READ_FORMAT, int32_t{ZRV_DATA_FORMAT_LP});
}
int32_t lp_write(ZRVtask_s* t, SysFile*, bool) {
  return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_FORMAT_TYPE, int32_t{ZRV_DATA_FORMAT_LP});
}

}  // namespace zrv
