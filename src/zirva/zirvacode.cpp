// Response classes, code descriptions, the response function and the last-error record.
#include <cstdio>
#include <cstring>

#include "zirva.h"
#include "zirva/env.h"

using namespace zrv;

extern "C" {

ZRVrescodee ZRV_getresponseclass(ZRVrescodee r, ZRVresponsetypee* rc) {
  if (rc) {
    if (r == 0)
      *rc = ZRV_RESPONSE_OK;
    else if (r < 1000)
      *rc = ZRV_RESPONSE_WRN;
    else if (r > 9999)
      *rc = ZRV_RESPONSE_TRM;
    else
      *rc = ZRV_RESPONSE_ERR;
  }
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getcodedesc(ZRVrescodee code, char* symname, char* str) {
  const ResCodeDef* d = rescode_find(code);
  if (symname) std::snprintf(symname, ZRV_MAX_STR_LEN, "%s", d ? d->name : "");
  if (str) {
    if (d)
      std::snprintf(str, ZRV_MAX_STR_LEN, "%s", d->description);
    else
      std::snprintf(str, ZRV_MAX_STR_LEN, "No description for the code %d is available.", code);
  }
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putresponsefunc(ZRVtask_t task, ZRVresponsefunc responsefunc, ZRVuserhandle_t handle) {
  if (!task) return ZRV_RES_OK;
  task->response_func = responsefunc;
  task->response_handle = handle;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getlasterror64(ZRVtask_t task, ZRVrescodee* lastrescode, ZRVint64t sizelastmsg,
                               ZRVint64t* lastmsglen, char* lastmsg) {
  if (!task) {
    if (lastrescode) *lastrescode = ZRV_RES_OK;
    if (lastmsglen) *lastmsglen = 0;
    if (lastmsg && sizelastmsg > 0) lastmsg[0] = 0;
    return ZRV_RES_OK;
  }
  if (lastrescode) *lastrescode = task->last_error_code;
  if (lastmsglen) *lastmsglen = task->last_error_length;
  if (lastmsg && sizelastmsg > 0) {
    const char* msg = task->last_error ? task->last_error : "";
    size_t n = std::strlen(msg);
    size_t k = n < static_cast<uint64_t>(sizelastmsg) - 1 ? n : static_cast<size_t>(sizelastmsg - 1);
    std::memcpy(lastmsg, msg, k);
    lastmsg[k] = 0;
  }
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getlasterror(ZRVtask_t task, ZRVrescodee* lastrescode, ZRVint32t sizelastmsg, ZRVint32t* lastmsglen,
                             char* lastmsg) {
  ZRVint64t len = 0;
  ZRVrescodee r = ZRV_getlasterror64(task, lastrescode, sizelastmsg, &len, lastmsg);
  if (lastmsglen) *lastmsglen = static_cast<ZRVint32t>(len);
  return r;
}

}  // extern "C"
