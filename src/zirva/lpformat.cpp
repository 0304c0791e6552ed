// Lexical rules of LP files.
#include "zirva/lpformat.h"

#include <array>


namespace zrv {

namespace {

constexpr std::array<bool, 256> make_name_table() {
  std::array<bool, 256> t{};
  for (int c = 'a'; c <= 'z'; ++c) t[static_cast<size_t>(c)] = true;
  for (int c = 'A'; c <= 'Z'; ++c) t[static_cast<size_t>(c)] = true;
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = true;
  for (char c : std::string_view("!\"#$%&/(),.;?@_`'{}|~")) t[static_cast<unsigned char>(c)] = true;
  return t;
}
constexpr std::array<bool, 256> NAME_CHAR = make_name_table();

bool equal_nocase(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

struct KeywordSpelling {
  std::string_view text;
  LpKeyword kw;
};
constexpr KeywordSpelling KEYWORDS[] = {
    {"bound", LpKeyword::Bounds},      {"bounds", LpKeyword::Bounds},     {"s.t.", LpKeyword::SuchThat},
    {"st", LpKeyword::SuchThat},       {"subject", LpKeyword::Subject},   {"subj", LpKeyword::Subject},
    {"infinity", LpKeyword::Infinity}, {"inf", LpKeyword::Infinity},      {"bin", LpKeyword::Binary},
    {"binary", LpKeyword::Binary},     {"binaries", LpKeyword::Binary},   {"gen", LpKeyword::General},
    {"general", LpKeyword::General},   {"generals", LpKeyword::General},  {"integer", LpKeyword::General},
    {"integers", LpKeyword::General},  {"min", LpKeyword::Minimize},      {"minimize", LpKeyword::Minimize},
    {"minimum", LpKeyword::Minimize},  {"max", LpKeyword::Maximize},      {"maximize", LpKeyword::Maximize},
    {"maximum", LpKeyword::Maximize},  {"end", LpKeyword::End},           {"free", LpKeyword::Free},
};

}  // namespace

bool lp_name_char(unsigned char c) { return NAME_CHAR[c]; }

LpKeyword lp_keyword(std::string_view s) {
  if (s.size() < 2 || s.size() > 8) return LpKeyword::None;
  for (const KeywordSpelling& k : KEYWORDS)
    if (equal_nocase(s, k.text)) return k.kw;
  return LpKeyword::None;
}

bool lp_name_writable(std::string_view name, bool variable) {
  if (name.empty()) return false;
  char first = name[0];
  if ((first >= '0' && first <= '9') || first == '.' || first == '"') return false;
  for (char c : name)
    if (!NAME_CHAR[static_cast<unsigned char>(c)]) return false;
  return !variable || lp_keyword(name) == LpKeyword::None;
}

}  // namespace zrv
