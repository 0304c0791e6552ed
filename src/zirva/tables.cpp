#include "zirva/tables.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "zirva.h"

namespace zrv {

// ---- response codes (the table is in ascending code order)
namespace {
const ResCodeDef RESCODES[] = {
#define ZRV_RESCODE(name, value, desc, rep) {value, #name, desc, rep},
#include "zirva/tables/rescodes.def"
#undef ZRV_RESCODE
};
constexpr size_t NUM_RESCODES = sizeof RESCODES / sizeof RESCODES[0];
}  // namespace

const ResCodeDef* rescode_find(int32_t code) {
  const ResCodeDef* end = RESCODES + NUM_RESCODES;
  const ResCodeDef* it =
      std::lower_bound(RESCODES, end, code, [](const ResCodeDef& d, int32_t c) { return d.code < c; });
  return it != end && it->code == code ? it : nullptr;
}
size_t rescode_count() { return NUM_RESCODES; }
const ResCodeDef& rescode_at(size_t i) { return RESCODES[i]; }

// ---- symbolic-constant groups: indexes used by the integer parameter table
namespace {
enum SymGroupIndex : int32_t {
#define ZRV_SYMGROUP(tag, tname) GROUP_##tag,
#define ZRV_SYMCON(tag, name, value)
#define ZRV_SYMGROUP_END(tag)
#include "zirva/tables/symconst.def"
#undef ZRV_SYMGROUP
#undef ZRV_SYMCON
#undef ZRV_SYMGROUP_END
  NUM_GROUPS,
  GROUP_NONE = -1
};
}  // namespace

// ---- parameters
const DparDef DPAR_DEFS[] = {
#define ZRV_DPAR(id, name, def, kind, lo, hi) {#name, def, lo, hi, kind},
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp)
#define ZRV_IPAR_RESERVED(id)
#define ZRV_SPAR(id, name, def)
#include "zirva/tables/params.def"
#undef ZRV_DPAR
#undef ZRV_IPAR
#undef ZRV_IPAR_RESERVED
#undef ZRV_SPAR
};
const IparDef IPAR_DEFS[] = {
#define ZRV_DPAR(id, name, def, kind, lo, hi)
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp) {#name, def, lo, hi, kind, GROUP_##grp},
#define ZRV_IPAR_RESERVED(id) {"", 0, 0, 0, BOUND_ANY, GROUP_NONE},
#define ZRV_SPAR(id, name, def)
#include "zirva/tables/params.def"
#undef ZRV_DPAR
#undef ZRV_IPAR
#undef ZRV_IPAR_RESERVED
#undef ZRV_SPAR
};
const SparDef SPAR_DEFS[] = {
#define ZRV_DPAR(id, name, def, kind, lo, hi)
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp)
#define ZRV_IPAR_RESERVED(id)
#define ZRV_SPAR(id, name, def) {#name, def},
#include "zirva/tables/params.def"
#undef ZRV_DPAR
#undef ZRV_IPAR
#undef ZRV_IPAR_RESERVED
#undef ZRV_SPAR
};
static_assert(sizeof DPAR_DEFS / sizeof DPAR_DEFS[0] == NUM_DPAR);
static_assert(sizeof IPAR_DEFS / sizeof IPAR_DEFS[0] == NUM_IPAR);
static_assert(sizeof SPAR_DEFS / sizeof SPAR_DEFS[0] == NUM_SPAR);

namespace {

// Sorted name index over a table, built once.
struct NameIndex {
  std::vector<std::pair<std::string_view, int32_t>> entries;
  template <class Get>
  NameIndex(int32_t n, Get get) {
    entries.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      const char* s = get(i);
      if (s && *s) entries.emplace_back(s, i);
    }
    std::sort(entries.begin(), entries.end());
  }
  int32_t find(const char* name) const {
    if (!name) return -1;
    std::string_view key(name);
    auto it = std::lower_bound(entries.begin(), entries.end(), key,
                               [](const std::pair<std::string_view, int32_t>& e, std::string_view k) {
                                 return e.first < k;
                               });
    return it != entries.end() && it->first == key ? it->second : -1;
  }
};

}  // namespace

int32_t dpar_find(const char* name) {
  static const NameIndex idx(NUM_DPAR, [](int32_t i) { return DPAR_DEFS[i].name; });
  return idx.find(name);
}
int32_t ipar_find(const char* name) {
  static const NameIndex idx(NUM_IPAR, [](int32_t i) { return IPAR_DEFS[i].name; });
  return idx.find(name);
}
int32_t spar_find(const char* name) {
  static const NameIndex idx(NUM_SPAR, [](int32_t i) { return SPAR_DEFS[i].name; });
  return idx.find(name);
}

// ---- information item names
const char* const DINF_NAMES[] = {
#define ZRV_DINF_ITEM(n) #n,
#include "zirva/tables/infitems.def"
};
const char* const IINF_NAMES[] = {
#define ZRV_IINF_ITEM(n) #n,
#include "zirva/tables/infitems.def"
};
const char* const LIINF_NAMES[] = {
#define ZRV_LIINF_ITEM(n) #n,
#include "zirva/tables/infitems.def"
};
const char* const DINF_PRIV_NAMES[] = {
#define ZRV_DINF_PRIV(n) #n,
#include "zirva/tables/infitems.def"
};
const char* const IINF_PRIV_NAMES[] = {
#define ZRV_IINF_PRIV(n) #n,
#include "zirva/tables/infitems.def"
};
const char* const LIINF_PRIV_NAMES[] = {
#define ZRV_LIINF_PRIV(n) #n,
#include "zirva/tables/infitems.def"
};

// ---- callback codes
namespace {
struct CallbackDef {
  int32_t code;
  const char* name;
};
const CallbackDef CALLBACKS[] = {
#define ZRV_CALLBACK_CODE(name, value) {value, #name},
#include "zirva/tables/callbacks.def"
#undef ZRV_CALLBACK_CODE
};
}  // namespace

const char* callback_name(int32_t code) {
  for (const CallbackDef& c : CALLBACKS)
    if (c.code == code) return c.name;
  return nullptr;
}

// ---- the table of symbolic constants
namespace {

const SymCon GROUP_CONSTANTS[] = {
#define ZRV_SYMGROUP(tag, tname)
#define ZRV_SYMCON(tag, name, value) {#name, value, GROUP_##tag},
#define ZRV_SYMGROUP_END(tag)
#include "zirva/tables/symconst.def"
#undef ZRV_SYMGROUP
#undef ZRV_SYMCON
#undef ZRV_SYMGROUP_END
};

// Full names of the information items ("ZRV_DINF_..."), kept alive for the table.
struct SymTable {
  std::vector<std::string> owned_names;
  std::vector<SymCon> entries;
  std::vector<std::pair<std::string_view, size_t>> by_name;
  size_t max_len = 0;

  SymTable() {
    for (const SymCon& c : GROUP_CONSTANTS) entries.push_back(c);
    for (const CallbackDef& c : CALLBACKS) entries.push_back({c.name, c.code, -1});
    for (int32_t i = 0; i < NUM_DPAR; ++i) entries.push_back({DPAR_DEFS[i].name, i, -1});
    for (int32_t i = 0; i < NUM_IPAR; ++i)
      if (*IPAR_DEFS[i].name) entries.push_back({IPAR_DEFS[i].name, i, -1});
    for (int32_t i = 0; i < NUM_SPAR; ++i) entries.push_back({SPAR_DEFS[i].name, i, -1});
    owned_names.reserve(static_cast<size_t>(NUM_DINF + NUM_IINF + NUM_LIINF));
    for (int32_t i = 0; i < NUM_DINF; ++i) owned_names.push_back(std::string("ZRV_DINF_") + DINF_NAMES[i]);
    for (int32_t i = 0; i < NUM_IINF; ++i) owned_names.push_back(std::string("ZRV_IINF_") + IINF_NAMES[i]);
    for (int32_t i = 0; i < NUM_LIINF; ++i) owned_names.push_back(std::string("ZRV_LIINF_") + LIINF_NAMES[i]);
    size_t k = 0;
    for (int32_t i = 0; i < NUM_DINF; ++i) entries.push_back({owned_names[k++].c_str(), i, -1});
    for (int32_t i = 0; i < NUM_IINF; ++i) entries.push_back({owned_names[k++].c_str(), i, -1});
    for (int32_t i = 0; i < NUM_LIINF; ++i) entries.push_back({owned_names[k++].c_str(), i, -1});
    for (size_t i = 0; i < NUM_RESCODES; ++i) entries.push_back({RESCODES[i].name, RESCODES[i].code, -1});
    by_name.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      by_name.emplace_back(entries[i].name, i);
      max_len = std::max(max_len, std::strlen(entries[i].name));
    }
    std::sort(by_name.begin(), by_name.end());
  }
};

const SymTable& symtable() {
  static const SymTable t;
  return t;
}

}  // namespace

size_t symcon_count() { return symtable().entries.size(); }
const SymCon& symcon_at(size_t i) { return symtable().entries[i]; }
size_t symcon_max_name_length() { return symtable().max_len; }

const SymCon* symcon_find(const char* name) {
  if (!name) return nullptr;
  const SymTable& t = symtable();
  std::string_view key(name);
  auto it = std::lower_bound(t.by_name.begin(), t.by_name.end(), key,
                             [](const std::pair<std::string_view, size_t>& e, std::string_view k) {
                               return e.first < k;
                             });
  return it != t.by_name.end() && it->first == key ? &t.entries[it->second] : nullptr;
}

const char* symgroup_name_of(int32_t group, int32_t value) {
  if (group < 0) return nullptr;
  for (const SymCon& c : GROUP_CONSTANTS)
    if (c.group == group && c.value == value) return c.name;
  return nullptr;
}

}  // namespace zrv

namespace zrv {

const char* prosta_text(int32_t v) {
  static const char* const words[] = {"UNKNOWN",
                                      "PRIMAL_AND_DUAL_FEASIBLE",
                                      "PRIMAL_FEASIBLE",
                                      "DUAL_FEASIBLE",
                                      "PRIMAL_INFEASIBLE",
                                      "DUAL_INFEASIBLE",
                                      "PRIMAL_AND_DUAL_INFEASIBLE",
                                      "ILL_POSED",
                                      "NEAR_PRIMAL_AND_DUAL_FEASIBLE",
                                      "NEAR_PRIMAL_FEASIBLE",
                                      "NEAR_DUAL_FEASIBLE",
                                      "PRIMAL_INFEASIBLE_OR_UNBOUNDED"};
  return v >= 0 && v < 12 ? words[v] : nullptr;
}

const char* solsta_text(int32_t v) {
  static const char* const words[] = {"UNKNOWN",
                                      "OPTIMAL",
                                      "PRIMAL_FEASIBLE",
                                      "DUAL_FEASIBLE",
                                      "PRIMAL_AND_DUAL_FEASIBLE",
                                      "PRIMAL_INFEASIBLE_CER",
                                      "DUAL_INFEASIBLE_CER",
                                      nullptr,
                                      "NEAR_OPTIMAL",
                                      "NEAR_PRIMAL_FEASIBLE",
                                      "NEAR_DUAL_FEASIBLE",
                                      "NEAR_PRIMAL_AND_DUAL_FEASIBLE",
                                      "NEAR_PRIMAL_INFEASIBLE_CER",
                                      "NEAR_DUAL_INFEASIBLE_CER",
                                      "INTEGER_OPTIMAL",
                                      "NEAR_INTEGER_OPTIMAL"};
  return v >= 0 && v < 16 ? words[v] : nullptr;
}

}  // namespace zrv
