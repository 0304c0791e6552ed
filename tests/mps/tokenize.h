// Runs the MPS tokenizer over lines held in memory and records what every call returned, so that two runs (the
// same text cut two ways) can be compared, and checks number fields against the C library's conversion.
#pragma once
#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory_resource>
#include <string>
#include <vector>

#include "zirva/readmps.h"

namespace mpstest {

struct Lines {
  const std::vector<std::string>* lines;
  size_t next = 0;
  // The tokenizer's read-line contract over the vector.
  static int read(void* data, char* out, size_t cap, size_t* len) {
    auto* s = static_cast<Lines*>(data);
    if (!out) {  // rest of a long line: lines are handed out whole, nothing is left
      return 0;
    }
    if (s->next == s->lines->size()) {
      *len = 0;
      return 1;
    }
    const std::string& l = (*s->lines)[s->next];
    if (l.size() > cap - 1) {
      std::memcpy(out, l.data(), cap - 1);
      *len = cap - 1;
      ++s->next;
      return 3;
    }
    std::memcpy(out, l.data(), l.size());
    *len = l.size();
    ++s->next;
    return 0;
  }
};

// What one tokenizer call gave: its status, the section of a header, and the field texts and numbers.
struct Event {
  int32_t status = 0, section = -1;
  std::string text[6];
  double num[6] = {};
  bool operator==(const Event& o) const {
    if (status != o.status || section != o.section) return false;
    for (int k = 0; k < 6; ++k)
      if (text[k] != o.text[k] || std::bit_cast<uint64_t>(num[k]) != std::bit_cast<uint64_t>(o.num[k])) return false;
    return true;
  }
};

inline Event event_of(int32_t status, int32_t section, const zrv::MpsFields& f) {
  Event e;
  e.status = status;
  e.section = section;
  if (status != zrv::MPS_ST_DATA) return e;
  for (int k = 0; k < 6; ++k) {
    e.text[k] = std::string(f.text[k]);
    e.num[k] = (k == 3 || k == 5) && f.has(k) ? f.num[k] : 0.0;
  }
  return e;
}

// The value that strtod gives for a number field (blanks dropped, "D" read as "E"); false when strtod does not
// take the whole text.
inline bool strtod_value(std::string_view text, double* v) {
  std::string s;
  for (char c : text) {
    if (c == ' ') continue;
    s.push_back(c == 'D' || c == 'd' ? 'E' : c);
  }
  char* end = nullptr;
  *v = std::strtod(s.c_str(), &end);
  return !s.empty() && *end == '\0';
}

// Every number field of a data line (and of a QSECTION/CSECTION header) that the tokenizer took must have the
// value that strtod gives, to the last bit. Returns the number of fields checked.
inline int64_t check_numbers(const zrv::MpsFields& f, const std::string& where) {
  int64_t n = 0;
  for (int k = 3; k < 6; k += 2) {
    if (!f.has(k)) continue;
    double want = 0.0;
    if (!strtod_value(f.text[k], &want)) continue;  // e.g. "inf": refused by the tokenizer, so never here
    ++n;
    if (std::bit_cast<uint64_t>(want) != std::bit_cast<uint64_t>(f.num[k]))
      ADD_FAILURE() << where << ": '" << f.text[k] << "' read as " << f.num[k] << ", strtod gives " << want;
  }
  return n;
}

// Runs the tokenizer over the lines: a header, then data lines until the next header, and so on, to the end of
// the text or a failing header. Data-line failures do not stop the run. `numbers` counts the number fields that
// were checked against strtod.
inline std::vector<Event> tokenize(const std::vector<std::string>& lines, int32_t flavour, int64_t* numbers = nullptr) {
  std::vector<Event> out;
  Lines src{&lines};
  zrv::MpsTokenizer tok(std::pmr::new_delete_resource(), flavour, false, 1 << 16, Lines::read, &src);
  zrv::MpsFields f;
  for (;;) {
    int32_t sec = -1;
    int32_t st = tok.next_header(&sec);
    Event h = event_of(st == zrv::MPS_ST_DATA ? tok.header_status() : st, sec, tok.header_fields());
    out.push_back(h);
    if (st != zrv::MPS_ST_DATA || sec == zrv::MPS_SEC_ENDATA) return out;
    if (numbers && tok.header_status() == zrv::MPS_ST_DATA)
      *numbers += check_numbers(tok.header_fields(), "line " + std::to_string(tok.line_number()));
    for (;;) {
      st = tok.next_data(&f);
      out.push_back(event_of(st, -1, f));
      if (st == zrv::MPS_ST_DATA && numbers)
        *numbers += check_numbers(f, "line " + std::to_string(tok.line_number()));
      if (st == zrv::MPS_ST_HEADER) break;
      if (st == zrv::MPS_ST_EOF || st == zrv::MPS_ST_READ) return out;
    }
  }
}

// The lines with blanks appended to at least `width` characters: past the last field these change no field,
// but a line longer than 64 characters takes the tokenizer's general cutter.
inline std::vector<std::string> padded(std::vector<std::string> lines, size_t width = 70) {
  for (std::string& l : lines)
    if (l.size() < width) l.append(width - l.size(), ' ');
  return lines;
}

}  // namespace mpstest
