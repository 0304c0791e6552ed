// Parameter values of a task: access by identifier and by name, the bound rules, text values, defaults.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/params.h"
#include "zirva/report.h"

using namespace zrv;

namespace zrv {

const char* spar_value(const ZRVtask_s* t, int32_t id) { return t->spar[id] ? t->spar[id] : ""; }

int32_t copy_default_parameters(ZRVtask_s* t) {
  for (int32_t i = 0; i < NUM_IPAR; ++i) t->ipar[i] = IPAR_DEFS[i].def;
  for (int32_t i = 0; i < NUM_DPAR; ++i) t->dpar[i] = DPAR_DEFS[i].def;
  int32_t first = ZRV_RES_OK;
  for (int32_t i = 0; i < NUM_SPAR; ++i) {
    const char* def = t->env->default_strings[i] ? t->env->default_strings[i] : SPAR_DEFS[i].def;
    char* copy = mem(t).strdup(def, __FILE__, __LINE__);
    if (!copy) {
      int32_t r = ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
      if (!first) first = r;
      continue;
    }
    mem(t).free(t->spar[i], __FILE__, __LINE__);
    t->spar[i] = copy;
  }
  return first;
}

bool parse_param_double(const char* text, double* value) {
  size_t n = std::strlen(text);
  if (n == 1) {
    if (text[0] < '0' || text[0] > '9') return false;
    *value = text[0] - '0';
    return true;
  }
  if (n == 0) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (end == text || (*end != 0 && *end != ' ')) return false;
  if (std::isnan(v)) return false;
  *value = v;
  return true;
}

bool parse_param_int(const char* text, int32_t* value) {
  // A decimal integer that stops at the end of the text or at a blank; an empty text reads as 0.
  const char* p = text;
  bool neg = false;
  if (*p == '+' || *p == '-') neg = *p++ == '-';
  int64_t v = 0;
  bool digits = false, overflow = false;
  while (*p >= '0' && *p <= '9') {
    digits = true;
    v = v * 10 + (*p++ - '0');
    if (v > static_cast<int64_t>(INT32_MAX) + 1) overflow = true, v = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if ((*p == 0 || *p == ' ') && (digits || p == text)) {
    if (neg) v = -v;
    if (!overflow && v >= INT32_MIN && v <= INT32_MAX) {
      *value = static_cast<int32_t>(v);
      return true;
    }
    return false;
  }
  if (const SymCon* c = symcon_find(text)) {
    *value = c->value;
    return true;
  }
  return false;
}

}  // namespace zrv

namespace {

// Applies the bound rule and stores. Returns the reporter's code on a violation (nothing stored).
template <class T>
int32_t put_numeric(ZRVtask_s* t, T* slot, T value, int32_t bound, T lo, T hi, const char* name) {
  if (*slot == value) return ZRV_RES_OK;
  // A NaN is never a parameter value, whatever the bound rule.
  if constexpr (std::is_same_v<T, double>)
    if (std::isnan(value)) return ZRV_REPORT(t, ZRV_RES_ERR_NAN_IN_DOUBLE_DATA, name);
  if (bound == BOUND_ANY) {
    *slot = value;
    return ZRV_RES_OK;
  }
  char text[64];
  if constexpr (std::is_same_v<T, double>)
    std::snprintf(text, sizeof text, "%g", value);
  else
    std::snprintf(text, sizeof text, "%d", value);
  if (bound != BOUND_AT_MOST) {
    if (value < lo)
      return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_IS_TOO_SMALL, text, name);
    if (bound == BOUND_AT_LEAST) {
      *slot = value;
      return ZRV_RES_OK;
    }
  }
  if (value > hi)
    return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_IS_TOO_LARGE, text, name);
  *slot = value;
  return ZRV_RES_OK;
}

int32_t put_dpar(ZRVtask_s* t, int32_t id, double v) {
  if (id < 0 || id >= NUM_DPAR) return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_INDEX, id, "double");
  const DparDef& d = DPAR_DEFS[id];
  return put_numeric<double>(t, &t->dpar[id], v, d.bound, d.lo, d.hi, d.name);
}

int32_t put_ipar(ZRVtask_s* t, int32_t id, int32_t v) {
  if (id < 0 || id >= NUM_IPAR) return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_INDEX, id, "int");
  const IparDef& d = IPAR_DEFS[id];
  return put_numeric<int32_t>(t, &t->ipar[id], v, d.bound, d.lo, d.hi, d.name);
}

// Stores a string value; a value beginning with a double quote is unquoted (backslash-quote becomes a quote).
int32_t put_spar(ZRVtask_s* t, int32_t id, const char* value, const char* index_word) {
  if (id < 0 || id >= NUM_SPAR) return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_INDEX, id, index_word);
  std::string v;
  if (value && value[0] == '"') {
    for (const char* p = value + 1; *p && *p != '"'; ++p) {
      if (p[0] == '\\' && p[1] == '"') {
        v.push_back('"');
        ++p;
      } else {
        v.push_back(*p);
      }
    }
  } else if (value) {
    v = value;
  }
  char* copy = mem(t).strdup(v.c_str(), __FILE__, __LINE__);
  mem(t).free(t->spar[id], __FILE__, __LINE__);
  t->spar[id] = copy;
  if (!copy) {
    t->spar[id] = mem(t).strdup("", __FILE__, __LINE__);
    return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  }
  return ZRV_RES_OK;
}

int32_t get_spar(ZRVtask_s* t, int32_t id, int32_t maxlen, int32_t* len, char* out) {
  if (id < 0 || id >= NUM_SPAR) return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_INDEX, id, "string");
  const char* v = spar_value(t, id);
  size_t n = std::strlen(v);
  if (len) *len = static_cast<int32_t>(n);
  if (out && maxlen > 0) {
    size_t k = n < static_cast<size_t>(maxlen) - 1 ? n : static_cast<size_t>(maxlen) - 1;
    std::memcpy(out, v, k);
    out[k] = 0;
  }
  if (out && n >= static_cast<size_t>(maxlen > 0 ? maxlen : 0)) return ZRV_REPORT(t, ZRV_RES_WRN_SPAR_MAX_LEN);
  return ZRV_RES_OK;
}

int32_t get_spar_al(ZRVtask_s* t, int32_t id, int32_t numaddchr, ZRVstring_t* value) {
  if (id < 0 || id >= NUM_SPAR) return ZRV_REPORT(t, ZRV_RES_ERR_PARAM_INDEX, id, "str");
  if (!value) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "value");
  const char* v = spar_value(t, id);
  size_t n = std::strlen(v);
  size_t extra = numaddchr > 0 ? static_cast<size_t>(numaddchr) : 0;
  auto* p = static_cast<char*>(mem(t).calloc(n + extra + 1, 1, __FILE__, __LINE__));
  if (!p) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  std::memcpy(p, v, n + 1);
  *value = p;
  return ZRV_RES_OK;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_getdouparam(ZRVtask_t task, ZRVdparame param, ZRVrealt* parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (param < 0 || param >= NUM_DPAR) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_INDEX, param, "double");
  if (parvalue) *parvalue = task->dpar[param];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getintparam(ZRVtask_t task, ZRViparame param, ZRVint32t* parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (param < 0 || param >= NUM_IPAR) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_INDEX, param, "int");
  if (parvalue) *parvalue = task->ipar[param];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getstrparam(ZRVtask_t task, ZRVsparame param, ZRVint32t maxlen, ZRVint32t* len, char* parvalue) {
  if (int32_t r = check_task(task)) return r;
  return get_spar(task, param, maxlen, len, parvalue);
}

ZRVrescodee ZRV_getstrparamlen(ZRVtask_t task, ZRVsparame param, ZRVint32t* len) {
  if (int32_t r = check_task(task)) return r;
  if (param < 0 || param >= NUM_SPAR) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_INDEX, param, "string");
  if (len) *len = static_cast<int32_t>(std::strlen(spar_value(task, param)));
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getstrparamal(ZRVtask_t task, ZRVsparame param, ZRVint32t numaddchr, ZRVstring_t* value) {
  if (int32_t r = check_task(task)) return r;
  return get_spar_al(task, param, numaddchr, value);
}

ZRVrescodee ZRV_putdouparam(ZRVtask_t task, ZRVdparame param, ZRVrealt parvalue) {
  if (int32_t r = check_task(task)) return r;
  return put_dpar(task, param, parvalue);
}

ZRVrescodee ZRV_putintparam(ZRVtask_t task, ZRViparame param, ZRVint32t parvalue) {
  if (int32_t r = check_task(task)) return r;
  return put_ipar(task, param, parvalue);
}

ZRVrescodee ZRV_putstrparam(ZRVtask_t task, ZRVsparame param, const char* parvalue) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_spar(task, param, parvalue, "string"); });
}

ZRVrescodee ZRV_getnadouparam(ZRVtask_t task, const char* paramname, ZRVrealt* parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (!paramname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "paramname");
  int32_t id = dpar_find(paramname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME_DOU, paramname);
  return ZRV_getdouparam(task, id, parvalue);
}

ZRVrescodee ZRV_getnaintparam(ZRVtask_t task, const char* paramname, ZRVint32t* parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (!paramname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "paramname");
  int32_t id = ipar_find(paramname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME_INT, paramname);
  return ZRV_getintparam(task, id, parvalue);
}

ZRVrescodee ZRV_getnastrparam(ZRVtask_t task, const char* paramname, ZRVint32t maxlen, ZRVint32t* len,
                              char* parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (!paramname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "paramname");
  int32_t id = spar_find(paramname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME_STR, paramname);
  return get_spar(task, id, maxlen, len, parvalue);
}

ZRVrescodee ZRV_getnastrparamal(ZRVtask_t task, const char* paramname, ZRVint32t numaddchr, ZRVstring_t* value) {
  if (int32_t r = check_task(task)) return r;
  if (!paramname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "paramname");
  int32_t id = spar_find(paramname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME_STR, paramname);
  return get_spar_al(task, id, numaddchr, value);
}

ZRVrescodee ZRV_putnadouparam(ZRVtask_t task, const char* paramname, ZRVrealt parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (!paramname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "paramname");
  int32_t id = dpar_find(paramname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME_DOU, paramname);
  return put_dpar(task, id, parvalue);
}

ZRVrescodee ZRV_putnaintparam(ZRVtask_t task, const char* paramname, ZRVint32t parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (!paramname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "paramname");
  int32_t id = ipar_find(paramname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME_INT, paramname);
  return put_ipar(task, id, parvalue);
}

ZRVrescodee ZRV_putnastrparam(ZRVtask_t task, const char* paramname, const char* parvalue) {
  if (int32_t r = check_task(task)) return r;
  if (!paramname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "paramname");
  int32_t id = spar_find(paramname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME_STR, paramname);
  return guarded(task, [&] { return put_spar(task, id, parvalue, "string"); });
}

ZRVrescodee ZRV_putparam(ZRVtask_t task, const char* parname, const char* parvalue) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    if (!parname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "parname");
    const char* value = parvalue ? parvalue : "";
    char name[ZRV_MAX_STR_LEN + 1];
    size_t k = 0;
    for (const char* p = parname; *p && k < ZRV_MAX_STR_LEN; ++p)
      if (*p != ' ') name[k++] = *p;
    name[k] = 0;
    if (int32_t id = dpar_find(name); id >= 0) {
      double v;
      if (!parse_param_double(value, &v)) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_VALUE_STR, value, name);
      return put_dpar(task, id, v);
    }
    if (int32_t id = ipar_find(name); id >= 0) {
      int32_t v;
      if (!parse_param_int(value, &v)) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_VALUE_STR, value, name);
      return put_ipar(task, id, v);
    }
    if (int32_t id = spar_find(name); id >= 0) return put_spar(task, id, value, "string");
    return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_NAME, name);
  });
}

ZRVrescodee ZRV_isdouparname(ZRVtask_t task, const char* parname, ZRVdparame* param) {
  if (int32_t r = check_task(task)) return r;
  int32_t id = dpar_find(parname);
  if (param) *param = id >= 0 ? id : NUM_DPAR;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_isintparname(ZRVtask_t task, const char* parname, ZRViparame* param) {
  if (int32_t r = check_task(task)) return r;
  int32_t id = ipar_find(parname);
  if (param) *param = id >= 0 ? id : NUM_IPAR;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_isstrparname(ZRVtask_t task, const char* parname, ZRVsparame* param) {
  if (int32_t r = check_task(task)) return r;
  int32_t id = spar_find(parname);
  if (param) *param = id >= 0 ? id : NUM_SPAR;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_whichparam(ZRVtask_t task, const char* parname, ZRVparametertypee* partype, ZRVint32t* param) {
  if (int32_t r = check_task(task)) return r;
  int32_t type = ZRV_PAR_INVALID_TYPE, id = -1;
  if ((id = dpar_find(parname)) >= 0)
    type = ZRV_PAR_DOU_TYPE;
  else if ((id = ipar_find(parname)) >= 0)
    type = ZRV_PAR_INT_TYPE;
  else if ((id = spar_find(parname)) >= 0)
    type = ZRV_PAR_STR_TYPE;
  if (partype) *partype = type;
  if (param && type != ZRV_PAR_INVALID_TYPE) *param = id;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getparamname(ZRVtask_t task, ZRVparametertypee partype, ZRVint32t param, char* parname) {
  if (int32_t r = check_task(task)) return r;
  const char* name = nullptr;
  switch (partype) {
    case ZRV_PAR_DOU_TYPE:
      if (param < 0 || param >= NUM_DPAR) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_INDEX, param, "double");
      name = DPAR_DEFS[param].name;
      break;
    case ZRV_PAR_INT_TYPE:
      if (param < 0 || param >= NUM_IPAR) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_INDEX, param, "int");
      name = IPAR_DEFS[param].name;
      break;
    case ZRV_PAR_STR_TYPE:
      if (param < 0 || param >= NUM_SPAR) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_INDEX, param, "string");
      name = SPAR_DEFS[param].name;
      break;
    default: return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_TYPE, partype);
  }
  if (parname) std::strcpy(parname, name);
  return ZRV_RES_OK;
}

static int32_t param_count(ZRVparametertypee partype) {
  switch (partype) {
    case ZRV_PAR_DOU_TYPE: return NUM_DPAR;
    case ZRV_PAR_INT_TYPE: return NUM_IPAR;
    case ZRV_PAR_STR_TYPE: return NUM_SPAR;
    default: return -1;
  }
}

ZRVrescodee ZRV_getparammax(ZRVtask_t task, ZRVparametertypee partype, ZRVint32t* parammax) {
  if (int32_t r = check_task(task)) return r;
  int32_t n = param_count(partype);
  if (parammax) *parammax = n;
  if (n < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_TYPE, partype);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnumparam(ZRVtask_t task, ZRVparametertypee partype, ZRVint32t* numparam) {
  if (int32_t r = check_task(task)) return r;
  int32_t n = param_count(partype);
  if (n < 0) return ZRV_REPORT(task, ZRV_RES_ERR_PARAM_TYPE, partype);
  if (numparam) *numparam = n;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_setdefaults(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return copy_default_parameters(task); });
}

}  // extern "C"
