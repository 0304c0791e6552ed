// The table of symbolic constants and the conversions between constants and their texts.
#include <cstdio>
#include <cstring>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/report.h"

using namespace zrv;

namespace {

void copy_text(char* out, const char* s) {
  if (out) std::snprintf(out, ZRV_MAX_STR_LEN, "%s", s);
}

}  // namespace

extern "C" {

ZRVint32t ZRV_symnamtovalue(const char* name, char* value) {
  const SymCon* c = symcon_find(name);
  if (!c) {
    if (value) value[0] = 0;
    return 0;
  }
  if (value) std::snprintf(value, ZRV_MAX_STR_LEN, "%d", c->value);
  return 1;
}

ZRVrescodee ZRV_iparvaltosymnam(ZRVenv_t env, ZRViparame whichparam, ZRVint32t whichvalue, char* symbolicname) {
  const char* name = nullptr;
  if (whichparam >= 0 && whichparam < NUM_IPAR) name = symgroup_name_of(IPAR_DEFS[whichparam].group, whichvalue);
  copy_text(symbolicname, name ? name : "");
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getsymbcondim(ZRVenv_t env, ZRVint32t* num, size_t* maxlen) {
  if (int32_t r = check_env(env)) return r;
  if (num) *num = static_cast<ZRVint32t>(symcon_count());
  if (maxlen) *maxlen = symcon_max_name_length();
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getsymbcon(ZRVtask_t task, ZRVint32t i, ZRVint32t sizevalue, char* name, ZRVint32t* value) {
  if (int32_t r = check_task(task)) return r;
  if (i < 0) return ZRV_REPORT(task, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(i), "i");
  if (static_cast<size_t>(i) >= symcon_count())
    return ZRV_REPORT(task, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(i), "i");
  const SymCon& c = symcon_at(static_cast<size_t>(i));
  if (value) *value = c.value;
  size_t n = std::strlen(c.name);
  if (name && sizevalue > 0) {
    size_t k = n < static_cast<size_t>(sizevalue) - 1 ? n : static_cast<size_t>(sizevalue) - 1;
    std::memcpy(name, c.name, k);
    name[k] = 0;
  }
  if (static_cast<int64_t>(n) >= sizevalue)
    return ZRV_REPORT(task, ZRV_RES_WRN_NAME_MAX_LEN, static_cast<int64_t>(n), static_cast<int64_t>(sizevalue));
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_bktostr(ZRVtask_t task, ZRVboundkeye bk, char* str) {
  if (int32_t r = check_task(task)) return r;
  static const char* const words[] = {"LO", "UP", "FX", "FR", "RA"};
  if (bk < 0 || bk > 4) {
    copy_text(str, "");
    return ZRV_REPORT(task, ZRV_RES_ERR_INV_BK, bk);
  }
  copy_text(str, words[bk]);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_sktostr(ZRVtask_t task, ZRVstakeye sk, char* str) {
  if (int32_t r = check_task(task)) return r;
  static const char* const words[] = {"UN", "BS", "SB", "LL", "UL", "EQ"};
  if (sk < 0 || sk > 5) {
    copy_text(str, "");
    return ZRV_REPORT(task, ZRV_RES_ERR_INV_SK, sk);
  }
  copy_text(str, words[sk]);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_strtosk(ZRVtask_t task, const char* str, ZRVstakeye* sk) {
  if (int32_t r = check_task(task)) return r;
  static const char* const words[] = {"UN", "BS", "SB", "LL", "UL", "EQ", "**"};
  if (!str) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "str");
  for (int32_t k = 0; k < 7; ++k) {
    if (std::strcmp(str, words[k]) == 0) {
      if (sk) *sk = k;
      return ZRV_RES_OK;
    }
  }
  return ZRV_RES_ERR_INV_SK_STR;
}

ZRVrescodee ZRV_conetypetostr(ZRVtask_t task, ZRVconetypee ct, char* str) {
  if (int32_t r = check_task(task)) return r;
  if (ct == ZRV_CT_QUAD) {
    copy_text(str, "ZRV_CT_QUAD");
    return ZRV_RES_OK;
  }
  if (ct == ZRV_CT_RQUAD) {
    copy_text(str, "ZRV_CT_RQUAD");
    return ZRV_RES_OK;
  }
  return ZRV_RES_ERR_CONE_TYPE;
}

ZRVrescodee ZRV_strtoconetype(ZRVtask_t task, const char* str, ZRVconetypee* conetype) {
  if (int32_t r = check_task(task)) return r;
  return ZRV_RES_ERR_CONE_TYPE_STR;
}

ZRVrescodee ZRV_prostatostr(ZRVtask_t task, ZRVprostae prosta, char* str) {
  if (int32_t r = check_task(task)) return r;
  if (const char* w = prosta_text(prosta))
    copy_text(str, w);
  else if (str)
    std::snprintf(str, ZRV_MAX_STR_LEN, "INVALID CODE(%d)", prosta);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_solstatostr(ZRVtask_t task, ZRVsolstae solsta, char* str) {
  if (int32_t r = check_task(task)) return r;
  if (const char* w = solsta_text(solsta))
    copy_text(str, w);
  else if (str)
    std::snprintf(str, ZRV_MAX_STR_LEN, "INVALID code(%d)", solsta);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_probtypetostr(ZRVtask_t task, ZRVproblemtypee probtype, char* str) {
  if (int32_t r = check_task(task)) return r;
  static const char* const words[] = {"LO (linear optimization problem)",
                                      "QO (quadratic optimization problem)",
                                      "QCQO (quadratically constrained optimization problem)",
                                      "GECO (general convex optimization problem)",
                                      "CONIC (conic optimization problem)",
                                      "MIXED (mixed nonlinear and conic optimization problem)"};
  copy_text(str, probtype >= 0 && probtype <= 5 ? words[probtype] : "INVALID");
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_callbackcodetostr(ZRVcallbackcodee code, char* callbackcodestr) {
  if (!callbackcodestr) return ZRV_RES_OK;
  const char* name = callback_name(code);
  copy_text(callbackcodestr, name ? name : "[UNDEFINED CODE]");
  return ZRV_RES_OK;
}

}  // extern "C"
