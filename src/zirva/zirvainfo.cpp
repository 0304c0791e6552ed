// Information items: access by identifier and by name, internal get/set, and the statistics files.
#include <cstdio>
#include <cstring>

#include "cpub/sysfile.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/params.h"
#include "zirva/report.h"

using namespace zrv;

namespace zrv {

#define ZRV_INF_ACCESS(getter, setter, type, array, count)                        \
  type getter(ZRVtask_s* t, int32_t id) {                                        \
    ZRV_ASSERT(t, id >= 0 && id < (count));                                      \
    return t->info.array[id];                                                    \
  }                                                                              \
  void setter(ZRVtask_s* t, int32_t id, type v) {                                \
    ZRV_ASSERT(t, id >= 0 && id < (count));                                      \
    t->info.array[id] = v;                                                       \
  }
ZRV_INF_ACCESS(inf_getdou, inf_setdou, double, dou, NUM_DINF)
ZRV_INF_ACCESS(inf_getint, inf_setint, int32_t, int32, NUM_IINF)
ZRV_INF_ACCESS(inf_getlint, inf_setlint, int64_t, lint, NUM_LIINF)
ZRV_INF_ACCESS(inf_getdoupriv, inf_setdoupriv, double, dou_priv, NUM_DINF_PRIV)
ZRV_INF_ACCESS(inf_getintpriv, inf_setintpriv, int32_t, int_priv, NUM_IINF_PRIV)
ZRV_INF_ACCESS(inf_getlintpriv, inf_setlintpriv, int64_t, lint_priv, NUM_LIINF_PRIV)
#undef ZRV_INF_ACCESS

void inf_copy(ZRVtask_s* dst, const ZRVtask_s* src) { dst->info = src->info; }

}  // namespace zrv

namespace {

struct InfKind {
  const char* prefix;  // "DINF_", "IINF_", "LIINF_"
  const char* const* names;
  int32_t count;
  int32_t index_error, name_error;
};

const InfKind* inf_kind(int32_t inftype) {
  static const InfKind kinds[3] = {
      {"DINF_", DINF_NAMES, NUM_DINF, ZRV_RES_ERR_INF_DOU_INDEX, ZRV_RES_ERR_INF_DOU_NAME},
      {"IINF_", IINF_NAMES, NUM_IINF, ZRV_RES_ERR_INF_INT_INDEX, ZRV_RES_ERR_INF_INT_NAME},
      {"LIINF_", LIINF_NAMES, NUM_LIINF, ZRV_RES_ERR_INF_LINT_INDEX, ZRV_RES_ERR_INF_LINT_NAME}};
  return inftype >= 0 && inftype < 3 ? &kinds[inftype] : nullptr;
}

// Identifier of a full item name "ZRV_<prefix><item>", or -1.
int32_t find_item(const InfKind& k, const char* name) {
  if (!name || std::strncmp(name, "ZRV_", 4) != 0) return -1;
  size_t plen = std::strlen(k.prefix);
  if (std::strncmp(name + 4, k.prefix, plen) != 0) return -1;
  const char* item = name + 4 + plen;
  for (int32_t i = 0; i < k.count; ++i)
    if (std::strcmp(item, k.names[i]) == 0) return i;
  return -1;
}

bool is_xml_stat(const char* name) {
  size_t n = std::strlen(name);
  return n >= 9 && std::strcmp(name + n - 9, ".xml.stat") == 0;
}

}  // namespace

extern "C" {

ZRVrescodee ZRV_getdouinf(ZRVtask_t task, ZRVdinfiteme whichdinf, ZRVrealt* dvalue) {
  if (int32_t r = check_task(task)) return r;
  if (whichdinf < 0 || whichdinf >= NUM_DINF) return ZRV_REPORT(task, ZRV_RES_ERR_INF_DOU_INDEX, whichdinf);
  if (dvalue) *dvalue = task->info.dou[whichdinf];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getintinf(ZRVtask_t task, ZRViinfiteme whichiinf, ZRVint32t* ivalue) {
  if (int32_t r = check_task(task)) return r;
  if (whichiinf < 0 || whichiinf >= NUM_IINF) return ZRV_REPORT(task, ZRV_RES_ERR_INF_INT_INDEX, whichiinf);
  if (ivalue) *ivalue = task->info.int32[whichiinf];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getlintinf(ZRVtask_t task, ZRVliinfiteme whichliinf, ZRVint64t* ivalue) {
  if (int32_t r = check_task(task)) return r;
  if (whichliinf < 0 || whichliinf >= NUM_LIINF) return ZRV_REPORT(task, ZRV_RES_ERR_INF_LINT_INDEX, whichliinf);
  if (ivalue) *ivalue = task->info.lint[whichliinf];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnadouinf(ZRVtask_t task, const char* infitemname, ZRVrealt* dvalue) {
  if (int32_t r = check_task(task)) return r;
  if (!infitemname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "infitemname");
  int32_t id = find_item(*inf_kind(ZRV_INF_DOU_TYPE), infitemname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_INF_DOU_NAME, infitemname);
  if (dvalue) *dvalue = task->info.dou[id];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getnaintinf(ZRVtask_t task, const char* infitemname, ZRVint32t* ivalue) {
  if (int32_t r = check_task(task)) return r;
  if (!infitemname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "infitemname");
  int32_t id = find_item(*inf_kind(ZRV_INF_INT_TYPE), infitemname);
  if (id < 0) return ZRV_REPORT(task, ZRV_RES_ERR_INF_INT_NAME, infitemname);
  if (ivalue) *ivalue = task->info.int32[id];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getinfindex(ZRVtask_t task, ZRVinftypee inftype, const char* infname, ZRVint32t* infindex) {
  if (int32_t r = check_task(task)) return r;
  const InfKind* k = inf_kind(inftype);
  if (!k) return ZRV_REPORT(task, ZRV_RES_ERR_INF_TYPE, inftype);
  if (!infname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "infname");
  int32_t id = find_item(*k, infname);
  if (id < 0) return ZRV_REPORT(task, k->name_error, infname);
  if (infindex) *infindex = id;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getinfname(ZRVtask_t task, ZRVinftypee inftype, ZRVint32t whichinf, char* infname) {
  if (int32_t r = check_task(task)) return r;
  const InfKind* k = inf_kind(inftype);
  if (!k) return ZRV_REPORT(task, ZRV_RES_ERR_INF_TYPE, inftype);
  if (whichinf < 0 || whichinf >= k->count) return ZRV_REPORT(task, k->index_error, whichinf);
  if (infname) std::snprintf(infname, ZRV_MAX_STR_LEN, "ZRV_%s%s", k->prefix, k->names[whichinf]);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getinfmax(ZRVtask_t task, ZRVinftypee inftype, ZRVint32t* infmax) {
  if (int32_t r = check_task(task)) return r;
  const InfKind* k = inf_kind(inftype);
  if (!k) {
    if (infmax) *infmax = 0;
    return ZRV_REPORT(task, ZRV_RES_ERR_INF_TYPE, inftype);
  }
  if (infmax) *infmax = k->count;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_startstat(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    const char* name = spar_value(task, ZRV_SPAR_STAT_FILE_NAME);
    if (!*name) return ZRV_RES_OK;
    if (is_xml_stat(name)) {
      if (FILE* f = std::fopen(name, "wt")) {
        std::fputs("<?xml version=\"1.0\" ?>\n", f);
        std::fputs("<zirva-statistics>\n", f);
        std::fclose(f);
      }
      return ZRV_RES_OK;
    }
    int32_t st = SYSFILE_OK;
    SysFile* f = nullptr;
    bool gz = task->ipar[ZRV_IPAR_COMPRESS_STATFILE] == ZRV_ON;
    sysfile_open(&mem(task), name, false, true, false, gz, -1, &f, &st);
    sysfile_close(&f, &st);
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_appendstat(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    const char* name = spar_value(task, ZRV_SPAR_STAT_FILE_NAME);
    const char* sname = spar_value(task, ZRV_SPAR_STAT_NAME);
    const char* skey = spar_value(task, ZRV_SPAR_STAT_KEY);
    // The XML form is a text file; its records are appended uncompressed so the file stays readable.
    bool gz = task->ipar[ZRV_IPAR_COMPRESS_STATFILE] == ZRV_ON && !is_xml_stat(name);
    int32_t st = SYSFILE_OK;
    SysFile* f = nullptr;
    sysfile_open(&mem(task), name, false, true, true, gz, -1, &f, &st);
    if (st != SYSFILE_OK) return sysfile_rescode(st);
    char line[2 * ZRV_MAX_STR_LEN + 256];
    const InfoItems& in = task->info;
    auto put = [&](int n) {
      if (n > 0) sysfile_write(f, line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1, &st);
    };
    for (int32_t i = 0; i < NUM_DINF; ++i)
      put(std::snprintf(line, sizeof line, "%s,%s,ZRV_%s%s,%-24.16e\n", sname, skey, "DINF_", DINF_NAMES[i],
                        in.dou[i]));
    for (int32_t i = 0; i < NUM_DINF_PRIV; ++i)
      put(std::snprintf(line, sizeof line, "%s,%s,ZRV_%s%s,%-24.16e\n", sname, skey, "DINF_PRIVATE_",
                        DINF_PRIV_NAMES[i], in.dou_priv[i]));
    for (int32_t i = 0; i < NUM_IINF; ++i)
      put(std::snprintf(line, sizeof line, "%s,%s,ZRV_%s%s,%d\n", sname, skey, "IINF_", IINF_NAMES[i],
                        in.int32[i]));
    for (int32_t i = 0; i < NUM_IINF_PRIV; ++i)
      put(std::snprintf(line, sizeof line, "%s,%s,ZRV_%s%s,%d\n", sname, skey, "IINF_PRIVATE_",
                        IINF_PRIV_NAMES[i], in.int_priv[i]));
    for (int32_t i = 0; i < NUM_LIINF; ++i)
      put(std::snprintf(line, sizeof line, "%s,%s,ZRV_%s%s,%lld\n", sname, skey, "LIINF_", LIINF_NAMES[i],
                        static_cast<long long>(in.lint[i])));
    for (int32_t i = 0; i < NUM_LIINF_PRIV; ++i)
      put(std::snprintf(line, sizeof line, "%s,%s,ZRV_%s%s,%lld\n", sname, skey, "LIINF_PRIVATE_",
                        LIINF_PRIV_NAMES[i], static_cast<long long>(in.lint_priv[i])));
    sysfile_close(&f, &st);
    return sysfile_rescode(st);
  });
}

ZRVrescodee ZRV_stopstat(ZRVtask_t task) {
  if (int32_t r = check_task(task)) return r;
  const char* name = spar_value(task, ZRV_SPAR_STAT_FILE_NAME);
  if (is_xml_stat(name)) {
    if (FILE* f = std::fopen(name, "at")) {
      std::fputs("</zirva-statistics>\n", f);
      std::fclose(f);
    }
  }
  return ZRV_RES_OK;
}

}  // extern "C"
