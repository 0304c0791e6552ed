// The library's tables (response codes, parameters, information items, symbolic constants, callback codes) as
// data. Each is written once in src/zirva/tables/*.def; everything here is derived from those files.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zrv {

// ---- response codes
struct ResCodeDef {
  int32_t code;
  const char* name;
  const char* description;
  const char* report;  // null: the code has no report text
};
// Entry for a code, or null when the code is not in the table.
const ResCodeDef* rescode_find(int32_t code);
size_t rescode_count();
const ResCodeDef& rescode_at(size_t i);

// ---- parameters
enum ParKind : int32_t { PAR_DOU = 1, PAR_INT = 2, PAR_STR = 3 };
enum BoundKind : int32_t { BOUND_AT_LEAST = 0, BOUND_AT_MOST = 1, BOUND_ANY = 3, BOUND_RANGE = 4 };

struct DparDef {
  const char* name;
  double def, lo, hi;
  int32_t bound;
};
struct IparDef {
  const char* name;  // "" for a reserved identifier
  int32_t def, lo, hi;
  int32_t bound;
  int32_t group;  // index of the symbolic-constant group of its values, or -1
};
struct SparDef {
  const char* name;
  const char* def;
};

constexpr int32_t NUM_DPAR = 0
#define ZRV_DPAR(id, name, def, kind, lo, hi) +1
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp)
#define ZRV_IPAR_RESERVED(id)
#define ZRV_SPAR(id, name, def)
#include "zirva/tables/params.def"
#undef ZRV_DPAR
#undef ZRV_IPAR
#undef ZRV_IPAR_RESERVED
#undef ZRV_SPAR
    ;
constexpr int32_t NUM_IPAR = 0
#define ZRV_DPAR(id, name, def, kind, lo, hi)
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp) +1
#define ZRV_IPAR_RESERVED(id) +1
#define ZRV_SPAR(id, name, def)
#include "zirva/tables/params.def"
#undef ZRV_DPAR
#undef ZRV_IPAR
#undef ZRV_IPAR_RESERVED
#undef ZRV_SPAR
    ;
constexpr int32_t NUM_SPAR = 0
#define ZRV_DPAR(id, name, def, kind, lo, hi)
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp)
#define ZRV_IPAR_RESERVED(id)
#define ZRV_SPAR(id, name, def) +1
#include "zirva/tables/params.def"
#undef ZRV_DPAR
#undef ZRV_IPAR
#undef ZRV_IPAR_RESERVED
#undef ZRV_SPAR
    ;

extern const DparDef DPAR_DEFS[];
extern const IparDef IPAR_DEFS[];
extern const SparDef SPAR_DEFS[];

// Identifier of a parameter by its exact name, or -1.
int32_t dpar_find(const char* name);
int32_t ipar_find(const char* name);
int32_t spar_find(const char* name);

// ---- symbolic constants (every group, then callback codes, parameters, information items, response codes)
struct SymCon {
  const char* name;
  int32_t value;
  int32_t group;  // group index for the enumeration groups, -1 for the other entries
};
size_t symcon_count();
const SymCon& symcon_at(size_t i);
// Entry with this exact name, or null.
const SymCon* symcon_find(const char* name);
// Name of the member of `group` with this value, or null.
const char* symgroup_name_of(int32_t group, int32_t value);
// Longest name in the table.
size_t symcon_max_name_length();

// ---- callback codes
const char* callback_name(int32_t code);  // null when not a callback code

// ---- information items
constexpr int32_t NUM_DINF = 0
#define ZRV_DINF_ITEM(n) +1
#include "zirva/tables/infitems.def"
    ;
constexpr int32_t NUM_IINF = 0
#define ZRV_IINF_ITEM(n) +1
#include "zirva/tables/infitems.def"
    ;
constexpr int32_t NUM_LIINF = 0
#define ZRV_LIINF_ITEM(n) +1
#include "zirva/tables/infitems.def"
    ;
constexpr int32_t NUM_DINF_PRIV = 0
#define ZRV_DINF_PRIV(n) +1
#include "zirva/tables/infitems.def"
    ;
constexpr int32_t NUM_IINF_PRIV = 0
#define ZRV_IINF_PRIV(n) +1
#include "zirva/tables/infitems.def"
    ;
constexpr int32_t NUM_LIINF_PRIV = 0
#define ZRV_LIINF_PRIV(n) +1
#include "zirva/tables/infitems.def"
    ;

// Item names without the ZRV_<kind>INF_ prefix, by kind (0 double, 1 integer, 2 long) and identifier.
extern const char* const DINF_NAMES[];
extern const char* const IINF_NAMES[];
extern const char* const LIINF_NAMES[];
extern const char* const DINF_PRIV_NAMES[];
extern const char* const IINF_PRIV_NAMES[];
extern const char* const LIINF_PRIV_NAMES[];

}  // namespace zrv

namespace zrv {
// Status words of the summaries and of prostatostr/solstatostr; null for a value without a word.
const char* prosta_text(int32_t prosta);
const char* solsta_text(int32_t solsta);
}  // namespace zrv
