// Writes the public header: the template with its @CONSTANTS@ line replaced by the enumerations made from the
// tables in src/zirva/tables. Usage: zirva_genheader TEMPLATE OUTPUT
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

std::string constants() {
  std::ostringstream o;
  o << "/* Symbolic constants */\n";
#define ZRV_SYMGROUP(tag, tname) o << "enum ZRV" #tname "_enum {\n";
#define ZRV_SYMCON(tag, name, value) o << "  " #name " = " #value ",\n";
#define ZRV_SYMGROUP_END(tag) o << "};\n";
#include "zirva/tables/symconst.def"
#undef ZRV_SYMGROUP
#undef ZRV_SYMCON
#undef ZRV_SYMGROUP_END
#define ZRV_SYMGROUP(tag, tname) o << "typedef int32_t ZRV" #tname "e;\n";
#define ZRV_SYMCON(tag, name, value)
#define ZRV_SYMGROUP_END(tag)
#include "zirva/tables/symconst.def"
#undef ZRV_SYMGROUP
#undef ZRV_SYMCON
#undef ZRV_SYMGROUP_END

  o << "\n/* Response codes */\nenum ZRVrescode_enum {\n";
#define ZRV_RESCODE(name, value, desc, rep) o << "  " #name " = " #value ",\n";
#include "zirva/tables/rescodes.def"
#undef ZRV_RESCODE
  o << "};\n";

  o << "\n/* Callback codes */\nenum ZRVcallbackcode_enum {\n";
#define ZRV_CALLBACK_CODE(name, value) o << "  " #name " = " #value ",\n";
#include "zirva/tables/callbacks.def"
#undef ZRV_CALLBACK_CODE
  o << "};\ntypedef int32_t ZRVcallbackcodee;\n";

  o << "\n/* Double parameters */\nenum ZRVdparam_enum {\n";
#define ZRV_DPAR(id, name, def, kind, lo, hi) o << "  " #name " = " #id ",\n";
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp)
#define ZRV_IPAR_RESERVED(id)
#define ZRV_SPAR(id, name, def)
#include "zirva/tables/params.def"
#undef ZRV_DPAR
  o << "};\ntypedef int32_t ZRVdparame;\n\n/* Integer parameters (identifiers 10 and 37 to 42 are reserved) */\nenum ZRViparam_enum {\n";
#define ZRV_DPAR(id, name, def, kind, lo, hi)
#undef ZRV_IPAR
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp) o << "  " #name " = " #id ",\n";
#include "zirva/tables/params.def"
#undef ZRV_IPAR
#define ZRV_IPAR(id, name, def, kind, lo, hi, grp)
  o << "};\ntypedef int32_t ZRViparame;\n\n/* String parameters */\nenum ZRVsparam_enum {\n";
#undef ZRV_SPAR
#define ZRV_SPAR(id, name, def) o << "  " #name " = " #id ",\n";
#include "zirva/tables/params.def"
#undef ZRV_DPAR
#undef ZRV_IPAR
#undef ZRV_IPAR_RESERVED
#undef ZRV_SPAR
  o << "};\ntypedef int32_t ZRVsparame;\n";

  int k = 0;
  o << "\n/* Double information items */\nenum ZRVdinfitem_enum {\n";
#define ZRV_DINF_ITEM(name) o << "  ZRV_DINF_" #name " = " << k++ << ",\n";
#include "zirva/tables/infitems.def"
#undef ZRV_DINF_ITEM
  o << "};\ntypedef int32_t ZRVdinfiteme;\n\n/* Integer information items */\nenum ZRViinfitem_enum {\n";
  k = 0;
#define ZRV_IINF_ITEM(name) o << "  ZRV_IINF_" #name " = " << k++ << ",\n";
#include "zirva/tables/infitems.def"
#undef ZRV_IINF_ITEM
  o << "};\ntypedef int32_t ZRViinfiteme;\n\n/* Long integer information items */\nenum ZRVliinfitem_enum {\n";
  k = 0;
#define ZRV_LIINF_ITEM(name) o << "  ZRV_LIINF_" #name " = " << k++ << ",\n";
#include "zirva/tables/infitems.def"
#undef ZRV_LIINF_ITEM
  o << "};\ntypedef int32_t ZRVliinfiteme;\n";
  return o.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: zirva_genheader TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream text;
  std::string line;
  bool replaced = false;
  while (std::getline(in, line)) {
    if (line == "@CONSTANTS@") {
      text << constants();
      replaced = true;
    } else {
      text << line << "\n";
    }
  }
  if (!replaced) {
    std::cerr << "template has no @CONSTANTS@ line\n";
    return 1;
  }
  std::ofstream out(argv[2]);
  out << text.str();
  return out ? 0 : 1;
}
