// Names of constraints, variables, cones and matrix variables, the objective and task names, name lookup and
// the validity test of names for the file formats. The storage and the index are zrv::NameTable (cpub/namepool);
// this file checks the arguments and reports.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/report.h"

using namespace zrv;

namespace {

// The kind of item printed when a name is already taken within a class.
const char* kind_text(NameClass c) {
  switch (c) {
    case NameClass::Con: return "constraint";
    case NameClass::Var: return "variable";
    case NameClass::Cone: return "cone";
    case NameClass::BarVar: return "matrix variable";
  }
  return "item";
}

// Number of items of a class. Constraints and variables are counted by the problem; the name table follows
// every change of its shape, so both counts agree. Cones and matrix variables are counted by the table.
int32_t item_count(ZRVtask_s* t, NameClass c) {
  int32_t n = t->names->count(c);
  if (c == NameClass::Con) ZRV_ASSERT(t, n == t->prob->numcon);
  if (c == NameClass::Var) ZRV_ASSERT(t, n == t->prob->numvar);
  return n;
}

int32_t check_index(ZRVtask_s* t, NameClass c, int32_t i) {
  if (i < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(i), "i");
  if (i >= item_count(t, c)) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(i), "i");
  return ZRV_RES_OK;
}

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, std::numeric_limits<int32_t>::max())); }

// Reports what a put or a lookup of the name table returned. `name` is the name that was to be put.
int32_t report_table_code(ZRVtask_s* t, NameClass c, int32_t r, const NameClash& clash, const char* name) {
  switch (r) {
    case ZRV_RES_OK:
      return ZRV_RES_OK;
    case ZRV_RES_ERR_DUP_NAME:
      return ZRV_REPORT(t, ZRV_RES_ERR_DUP_NAME, name, kind_text(c));
    case ZRV_RES_ERR_DUPLICATE_CONSTRAINT_NAMES:
    case ZRV_RES_ERR_DUPLICATE_VARIABLE_NAMES:
    case ZRV_RES_ERR_DUPLICATE_CONE_NAMES:
    case ZRV_RES_ERR_DUPLICATE_BARVARIABLE_NAMES: {
      // The clash is read before anything else may change the table.
      std::string dup(t->names->name(c, clash.first));
      return ZRV_REPORT(t, r, clash.first, clash.second, dup.c_str());
    }
    default:
      return ZRV_REPORT(t, r);
  }
}

// Copies a stored name into a caller's buffer of maxlen bytes (NUL included).
int32_t copy_out(ZRVtask_s* t, std::string_view stored, int32_t maxlen, char* out) {
  const int64_t len = static_cast<int64_t>(stored.size());
  if (len + 1 > int64_t{maxlen}) {
    std::string shown(stored);
    return ZRV_REPORT(t, ZRV_RES_ERR_NAME_MAX_LEN, shown.c_str(), len, static_cast<int64_t>(maxlen));
  }
  if (out) {
    std::memcpy(out, stored.data(), stored.size());
    out[stored.size()] = '\0';
  }
  return ZRV_RES_OK;
}

int32_t put_name(ZRVtask_s* t, NameClass c, int32_t i, const char* name) {
  if (int32_t r = check_task(t)) return r;
  return guarded(t, [&]() -> int32_t {
    if (int32_t r = check_index(t, c, i)) return r;
    if (!name) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "name");
    NameClash clash;
    int32_t r = t->names->put(c, i, name, &clash);
    return report_table_code(t, c, r, clash, name);
  });
}

int32_t get_name_len(ZRVtask_s* t, NameClass c, int32_t i, int32_t* len) {
  if (int32_t r = check_task(t)) return r;
  return guarded(t, [&]() -> int32_t {
    if (int32_t r = check_index(t, c, i)) return r;
    if (len) *len = clamp32(t->names->name_length(c, i));
    return ZRV_RES_OK;
  });
}

int32_t get_name(ZRVtask_s* t, NameClass c, int32_t i, int32_t maxlen, char* name) {
  if (int32_t r = check_task(t)) return r;
  return guarded(t, [&]() -> int32_t {
    if (int32_t r = check_index(t, c, i)) return r;
    return copy_out(t, t->names->name(c, i), maxlen, name);
  });
}

int32_t get_name_index(ZRVtask_s* t, NameClass c, const char* somename, int32_t* asgn, int32_t* index) {
  if (int32_t r = check_task(t)) return r;
  return guarded(t, [&]() -> int32_t {
    if (!somename) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "somename");
    if (!*somename) return ZRV_REPORT(t, ZRV_RES_ERR_BLANK_NAME);
    bool found = false;
    int32_t at = 0;
    NameClash clash;
    int32_t r = t->names->lookup(c, somename, &found, &at, &clash);
    if (r != ZRV_RES_OK) return report_table_code(t, c, r, clash, somename);
    if (asgn) *asgn = found ? 1 : 0;
    if (index) *index = at;
    return ZRV_RES_OK;
  });
}

// Class of a problem item (ZRV_PI_ constants); false for an unknown item.
bool class_of_item(int32_t whichitem, NameClass* c) {
  switch (whichitem) {
    case ZRV_PI_VAR: *c = NameClass::Var; return true;
    case ZRV_PI_CON: *c = NameClass::Con; return true;
    case ZRV_PI_CONE: *c = NameClass::Cone; return true;
    default: return false;
  }
}

int32_t report_item(ZRVtask_s* t, int32_t whichitem) {
  return guarded(t, [&] { return ZRV_REPORT(t, ZRV_RES_ERR_PRO_ITEM, whichitem); });
}

}  // namespace

// ---- items of a class ------------------------------------------------------------------------------------------

ZRVrescodee ZRV_putconname(ZRVtask_t task, ZRVint32t i, const char* name) {
  return put_name(task, NameClass::Con, i, name);
}
ZRVrescodee ZRV_putvarname(ZRVtask_t task, ZRVint32t i, const char* name) {
  return put_name(task, NameClass::Var, i, name);
}
ZRVrescodee ZRV_putconename(ZRVtask_t task, ZRVint32t i, const char* name) {
  return put_name(task, NameClass::Cone, i, name);
}
ZRVrescodee ZRV_putbarvarname(ZRVtask_t task, ZRVint32t i, const char* name) {
  return put_name(task, NameClass::BarVar, i, name);
}

ZRVrescodee ZRV_getconnamelen(ZRVtask_t task, ZRVint32t i, ZRVint32t* len) {
  return get_name_len(task, NameClass::Con, i, len);
}
ZRVrescodee ZRV_getvarnamelen(ZRVtask_t task, ZRVint32t i, ZRVint32t* len) {
  return get_name_len(task, NameClass::Var, i, len);
}
ZRVrescodee ZRV_getconenamelen(ZRVtask_t task, ZRVint32t i, ZRVint32t* len) {
  return get_name_len(task, NameClass::Cone, i, len);
}
ZRVrescodee ZRV_getbarvarnamelen(ZRVtask_t task, ZRVint32t i, ZRVint32t* len) {
  return get_name_len(task, NameClass::BarVar, i, len);
}

ZRVrescodee ZRV_getconname(ZRVtask_t task, ZRVint32t i, ZRVint32t maxlen, char* name) {
  return get_name(task, NameClass::Con, i, maxlen, name);
}
ZRVrescodee ZRV_getvarname(ZRVtask_t task, ZRVint32t i, ZRVint32t maxlen, char* name) {
  return get_name(task, NameClass::Var, i, maxlen, name);
}
ZRVrescodee ZRV_getconename(ZRVtask_t task, ZRVint32t i, ZRVint32t maxlen, char* name) {
  return get_name(task, NameClass::Cone, i, maxlen, name);
}
ZRVrescodee ZRV_getbarvarname(ZRVtask_t task, ZRVint32t i, ZRVint32t maxlen, char* name) {
  return get_name(task, NameClass::BarVar, i, maxlen, name);
}

ZRVrescodee ZRV_getconnameindex(ZRVtask_t task, const char* somename, ZRVint32t* asgn, ZRVint32t* index) {
  return get_name_index(task, NameClass::Con, somename, asgn, index);
}
ZRVrescodee ZRV_getvarnameindex(ZRVtask_t task, const char* somename, ZRVint32t* asgn, ZRVint32t* index) {
  return get_name_index(task, NameClass::Var, somename, asgn, index);
}
ZRVrescodee ZRV_getconenameindex(ZRVtask_t task, const char* somename, ZRVint32t* asgn, ZRVint32t* index) {
  return get_name_index(task, NameClass::Cone, somename, asgn, index);
}
ZRVrescodee ZRV_getbarvarnameindex(ZRVtask_t task, const char* somename, ZRVint32t* asgn, ZRVint32t* index) {
  return get_name_index(task, NameClass::BarVar, somename, asgn, index);
}

// ---- the same by problem item ------------------------------------------------------------------------------------

ZRVrescodee ZRV_getnamelen(ZRVtask_t task, ZRVproblemiteme whichitem, ZRVint32t i, ZRVint32t* len) {
  if (int32_t r = check_task(task)) return r;
  NameClass c;
  if (!class_of_item(whichitem, &c)) return report_item(task, whichitem);
  return get_name_len(task, c, i, len);
}

ZRVrescodee ZRV_getname(ZRVtask_t task, ZRVproblemiteme whichitem, ZRVint32t i, ZRVint32t maxlen, char* name) {
  if (int32_t r = check_task(task)) return r;
  NameClass c;
  if (!class_of_item(whichitem, &c)) return report_item(task, whichitem);
  return get_name(task, c, i, maxlen, name);
}

ZRVrescodee ZRV_getnameindex(ZRVtask_t task, ZRVproblemiteme whichitem, const char* somename, ZRVint32t* asgn,
                             ZRVint32t* index) {
  if (int32_t r = check_task(task)) return r;
  NameClass c;
  if (!class_of_item(whichitem, &c)) return report_item(task, whichitem);
  return get_name_index(task, c, somename, asgn, index);
}

// ---- task and objective names -------------------------------------------------------------------------------------

ZRVrescodee ZRV_puttaskname(ZRVtask_t task, const char* taskname) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    // No name (null or empty) makes the task unnamed.
    int32_t r = task->names->put_task_name(taskname ? std::string_view(taskname) : std::string_view());
    return r == ZRV_RES_OK ? r : ZRV_REPORT(task, r);
  });
}

ZRVrescodee ZRV_gettasknamelen(ZRVtask_t task, ZRVint32t* len) {
  if (int32_t r = check_task(task)) return r;
  if (len) *len = clamp32(static_cast<int64_t>(task->names->task_name().size()));
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_gettaskname(ZRVtask_t task, ZRVint32t maxlen, char* taskname) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return copy_out(task, task->names->task_name(), maxlen, taskname); });
}

ZRVrescodee ZRV_putobjname(ZRVtask_t task, const char* objname) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    if (!objname) return ZRV_REPORT(task, ZRV_RES_ERR_NULL_POINTER, "objname");
    int32_t r = task->names->put_objective_name(objname);
    return r == ZRV_RES_OK ? r : ZRV_REPORT(task, r);
  });
}

ZRVrescodee ZRV_getobjnamelen(ZRVtask_t task, ZRVint32t* len) {
  if (int32_t r = check_task(task)) return r;
  if (len) *len = clamp32(static_cast<int64_t>(task->names->objective_name().size()));
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getobjname(ZRVtask_t task, ZRVint32t maxlen, char* objname) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return copy_out(task, task->names->objective_name(), maxlen, objname); });
}

ZRVrescodee ZRV_getmaxnamelen(ZRVtask_t task, ZRVint32t* len) {
  if (int32_t r = check_task(task)) return r;
  if (len) *len = clamp32(task->names->max_name_length());
  return ZRV_RES_OK;
}

// ---- validity of names for the file formats --------------------------------------------------------------------

ZRVrescodee ZRV_analyzenames(ZRVtask_t task, ZRVstreamtypee whichstream, ZRVnametypee nametype) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    if (!StreamBlock::valid_stream(whichstream)) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_STREAM, whichstream);
    if (nametype != ZRV_NAME_TYPE_GEN && nametype != ZRV_NAME_TYPE_MPS && nametype != ZRV_NAME_TYPE_LP)
      return ZRV_REPORT(task, ZRV_RES_ERR_INV_NAME_ITEM, nametype);
    InvalidName bad = task->names->analyze(static_cast<NameRule>(nametype));
    if (bad.code == ZRV_RES_OK) return ZRV_RES_OK;
    std::string shown(bad.name);
    if (bad.code == ZRV_RES_ERR_INVALID_OBJ_NAME) return ZRV_REPORT(task, bad.code, shown.c_str());
    return ZRV_REPORT(task, bad.code, shown.c_str(), bad.index);
  });
}
