// The MPS line tokenizer.
#include "zirva/readmps.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zrv {

namespace {

constexpr const char* SECTION_NAMES[MPS_SEC_COUNT] = {"NAME", "OBJSENSE", "OBJNAME", "ROWS", "COLUMNS",
                                                      "RHS", "RANGES", "BOUNDS", "SETS", "QUADOBJ",
                                                      "QSECTION", "CSECTION", "ENDATA"};

// Fixed columns of fields 1..6, 0-based, end exclusive.
constexpr size_t FIXED_START[6] = {1, 4, 14, 24, 39, 49};
constexpr size_t FIXED_END[6] = {3, 12, 22, 36, 47, 61};
constexpr size_t NOWHERE = static_cast<size_t>(-1) / 4;

inline bool is_blank(char c) { return c == ' '; }
inline bool is_space(char c) { return c == ' ' || c == '\t'; }

inline std::string_view trim_right(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && is_space(s[n - 1])) --n;
  return s.substr(0, n);
}
inline std::string_view trim(std::string_view s) {
  size_t b = 0, n = s.size();
  while (b < n && is_space(s[b])) ++b;
  while (n > b && is_space(s[n - 1])) --n;
  return s.substr(b, n - b);
}
// Blank runs are skipped eight bytes at a time (right-aligned numbers and padded names are mostly blanks).
constexpr uint64_t EIGHT_BLANKS = 0x2020202020202020ull;
inline uint64_t load8(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline size_t skip_blanks(const char* line, size_t b, size_t n) {
  while (n - b >= 8 && load8(line + b) == EIGHT_BLANKS) b += 8;
  while (b < n && is_space(line[b])) ++b;
  return b;
}
inline size_t skip_blanks_back(const char* line, size_t b, size_t n) {
  while (n - b >= 8 && load8(line + n - 8) == EIGHT_BLANKS) n -= 8;
  while (n > b && is_space(line[n - 1])) --n;
  return n;
}

// True when the line holds nothing but blanks and tabs.
inline bool all_space(const char* p, size_t n) {
  for (size_t k = 0; k < n; ++k)
    if (!is_space(p[k])) return false;
  return true;
}

int32_t field_status(size_t k) { return MPS_ST_FIELD1 + static_cast<int32_t>(k); }

// Bits a .. b-1 of a word (a <= b <= 64).
constexpr uint64_t bit_range(size_t a, size_t b) {
  if (a >= b) return 0;
  uint64_t below_b = b >= 64 ? ~uint64_t{0} : (uint64_t{1} << b) - 1;
  return below_b & ~((uint64_t{1} << a) - 1);
}

// Masks of the blanks and of the tabs among the first 64 bytes at p (64 bytes must be readable).
inline void blank_tab_masks(const char* p, uint64_t* blanks, uint64_t* tabs) {
#if defined(__SSE2__)
  const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
  uint64_t b = 0, t = 0;
  for (int q = 0; q < 4; ++q) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q));
    b |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blank)))) << (16 * q);
    t |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, tab)))) << (16 * q);
  }
  *blanks = b, *tabs = t;
#else
  uint64_t b = 0, t = 0;
  for (int q = 0; q < 64; ++q) {
    b |= static_cast<uint64_t>(p[q] == ' ') << q;
    t |= static_cast<uint64_t>(p[q] == '\t') << q;
  }
  *blanks = b, *tabs = t;
#endif
}

}  // namespace

const char* mps_section_name(int32_t section) {
  return section >= 0 && section < MPS_SEC_COUNT ? SECTION_NAMES[section] : "";
}

namespace {

// Plain decimals of at most 19 digits (leading zeros count) whose value and power of ten are exact doubles
// (mantissa at most 2^53, |exponent| <= 22) come out exactly from one multiplication or division, the result that
// a correctly rounding conversion gives. Anything else (blanks, more digits, larger exponents) returns false.
inline bool fast_decimal(const char* p, const char* end, double* value) {
  static constexpr double pow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  bool neg = false;
  if (p < end && (*p == '-' || *p == '+')) neg = *p++ == '-';
  uint64_t mant = 0;
  const char* digits_from = p;
  while (p < end && static_cast<unsigned>(*p - '0') < 10) mant = mant * 10 + static_cast<uint64_t>(*p++ - '0');
  ptrdiff_t ndigits = p - digits_from;
  int exp10 = 0;
  if (p < end && *p == '.') {
    const char* frac_from = ++p;
    while (p < end && static_cast<unsigned>(*p - '0') < 10) mant = mant * 10 + static_cast<uint64_t>(*p++ - '0');
    exp10 = -static_cast<int>(p - frac_from);
    ndigits += p - frac_from;
  }
  if (ndigits == 0 || ndigits > 19) return false;
  if (p < end) {
    if (*p != 'e' && *p != 'E' && *p != 'd' && *p != 'D') return false;
    ++p;
    bool eneg = false;
    if (p < end && (*p == '-' || *p == '+')) eneg = *p++ == '-';
    if (p == end) return false;
    int e = 0;
    while (p < end && static_cast<unsigned>(*p - '0') < 10) {
      if (e > 10000) return false;
      e = e * 10 + (*p++ - '0');
    }
    if (p != end) return false;
    exp10 += eneg ? -e : e;
  }
  if (mant > (uint64_t{1} << 53)) return false;
  double v = static_cast<double>(mant);
  if (mant == 0)
    v = 0.0;
  else if (exp10 < 0 && exp10 >= -22)
    v /= pow10[-exp10];
  else if (exp10 > 0 && exp10 <= 22)
    v *= pow10[exp10];
  else if (exp10 != 0)
    return false;
  *value = neg ? -v : v;
  return true;
}

}  // namespace

bool mps_parse_number(std::string_view text, char* scratch, double* value) {
  if (fast_decimal(text.data(), text.data() + text.size(), value)) return true;
  size_t n = 0;
  for (char c : text) {
    if (c == ' ') continue;
    scratch[n++] = (c == 'D' || c == 'd') ? 'E' : c;
  }
  scratch[n] = '\0';
  const char* p = scratch;
  const char* end = scratch + n;
  // Only decimal numbers: one sign, then a digit or a point (no inf, nan, hex).
  const char* q = p < end && (*p == '-' || *p == '+') ? p + 1 : p;
  if (p < end && *p == '+') ++p;
  if (q == end || !((*q >= '0' && *q <= '9') || *q == '.')) return false;
  double v = 0.0;
  auto r = std::from_chars(p, end, v, std::chars_format::general);
  if (r.ptr != end) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Underflow reads as the nearest representable value; overflow is refused.
    char* e = nullptr;
    v = std::strtod(p, &e);
    if (e != end || v == HUGE_VAL || v == -HUGE_VAL) return false;
  } else if (r.ec != std::errc()) {
    return false;
  }
  *value = v;
  return true;
}

MpsTokenizer::MpsTokenizer(std::pmr::memory_resource* mem, int32_t flavour, bool quoted_names, int64_t width,
                           MpsReadLine read, void* data)
    : mem_(mem),
      flavour_(flavour < MPS_STRICT || flavour > MPS_FREE ? MPS_RELAXED : flavour),
      quoted_(quoted_names && flavour == MPS_FREE),
      width_(width < 0 ? 0 : static_cast<size_t>(width)),
      read_(read),
      data_(data) {
  for (int k = 0; k < 6; ++k) start_[k] = FIXED_START[k], end_[k] = FIXED_END[k];
}

MpsTokenizer::~MpsTokenizer() {
  if (line_) mem_->deallocate(line_, cap_ + LINE_PAD, 1);
  if (scratch_) mem_->deallocate(scratch_, scratch_cap_, 1);
}

void MpsTokenizer::set_branch_layout(int32_t name_width) {
  size_t w = name_width < 1 ? 1 : static_cast<size_t>(name_width);
  branch_ = true;
  start_[0] = 1, end_[0] = 3;
  start_[1] = 4, end_[1] = 4 + w;
  start_[2] = 6 + w, end_[2] = NOWHERE;
  for (int k = 3; k < 6; ++k) start_[k] = end_[k] = NOWHERE;
}

// Reads the next physical line into line_. Returns MPS_ST_DATA for a line (possibly empty), MPS_ST_EOF,
// MPS_ST_READ, MPS_ST_LONG or MPS_ST_LINE (a NUL byte in the line).
int32_t MpsTokenizer::read_line() {
  size_t n = 0;
  for (;;) {
    if (cap_ - n < 2 || !line_) {
      size_t limit = width_ + 2;  // the line, a "\r" that is dropped, and the NUL
      if (cap_ >= limit) {
        read_(data_, nullptr, 0, nullptr);  // discard the rest of the line
        ++lineno_;
        len_ = n;
        line_[n] = '\0';
        return MPS_ST_LONG;
      }
      size_t want = cap_ ? cap_ * 2 : 256;
      if (want > limit) want = limit;
      char* grown;
      try {
        grown = static_cast<char*>(mem_->allocate(want + LINE_PAD, 1));
      } catch (...) {
        oom_ = true;
        return MPS_ST_READ;
      }
      // Zeroed, so that word loads past the end of a line never see unset bytes.
      std::memset(grown + n, 0, want + LINE_PAD - n);
      if (n) std::memcpy(grown, line_, n);
      if (line_) mem_->deallocate(line_, cap_ + LINE_PAD, 1);
      line_ = grown;
      cap_ = want;
    }
    size_t got = 0;
    int r = read_(data_, line_ + n, cap_ - n, &got);
    n += got;
    if (r == 3) continue;
    if (r == 1 && n == 0) {
      line_[0] = '\0';
      len_ = 0;
      return MPS_ST_EOF;
    }
    if (r == 2) {
      line_[n] = '\0';
      len_ = n;
      return MPS_ST_READ;
    }
    break;
  }
  ++lineno_;
  if (n > 0 && line_[n - 1] == '\r') --n;
  line_[n] = '\0';
  len_ = n;
  if (n > width_) return MPS_ST_LONG;
  if (std::memchr(line_, '\0', n)) return MPS_ST_LINE;
  return MPS_ST_DATA;
}

int32_t MpsTokenizer::classify_header(int32_t* section) {
  size_t k = 0;
  while (k < len_ && !is_space(line_[k])) ++k;
  std::string_view word(line_, k);
  int32_t sec = MPS_SEC_NONE;
  for (int32_t s = 0; s < MPS_SEC_COUNT; ++s)
    if (word == SECTION_NAMES[s]) {
      sec = s;
      break;
    }
  if (sec == MPS_SEC_NONE) return MPS_ST_SECTION;
  section_ = sec;
  *section = sec;
  header_ = MpsFields{};
  header_status_ = MPS_ST_DATA;
  header_text_ = trim(std::string_view(line_ + k, len_ - k));
  if (sec == MPS_SEC_QSECTION || sec == MPS_SEC_CSECTION) {
    bool words = flavour_ == MPS_FREE;
    if (!words) {
      // Arguments stand in fields 3 to 5; text between the keyword and field 3 is misplaced.
      for (size_t p = k; p < start_[2] && p < len_; ++p)
        if (!is_blank(line_[p])) {
          if (flavour_ == MPS_STRICT) {
            header_status_ = field_status(2);
            return MPS_ST_DATA;
          }
          words = true;  // relaxed: take the arguments as blank-separated words
          break;
        }
    }
    header_status_ = words ? cut_free(&header_, true) : cut_fixed(2, &header_);
    if (header_status_ == MPS_ST_DATA) header_status_ = parse_numbers(&header_, 3);
  }
  return MPS_ST_DATA;
}

int32_t MpsTokenizer::next_header(int32_t* section, bool skip_data) {
  *section = MPS_SEC_NONE;
  if (pending_) {
    pending_ = false;
    return classify_header(section);
  }
  for (;;) {
    int32_t st = read_line();
    if (st != MPS_ST_DATA) {
      if (st == MPS_ST_LINE && skip_data && len_ > 0 && is_space(line_[0])) continue;
      if (st == MPS_ST_LONG && skip_data) continue;
      return st;
    }
    if (len_ == 0 || line_[0] == '*') continue;
    if (is_space(line_[0])) {
      if (skip_data) continue;
      if (all_space(line_, len_)) continue;
      return MPS_ST_LINE;
    }
    return classify_header(section);
  }
}

int32_t MpsTokenizer::next_data(MpsFields* f) {
  if (pending_) return MPS_ST_HEADER;
  for (;;) {
    int32_t st = read_line();
    if (st != MPS_ST_DATA) return st;
    if (len_ > 0 && line_[0] == '*') continue;
    if (len_ <= 64 && flavour_ != MPS_FREE && !branch_ && section_ != MPS_SEC_OBJSENSE &&
        section_ != MPS_SEC_OBJNAME) {
      st = cut_fixed_short(f);
      if (st == MPS_ST_DATA) return parse_numbers(f, 3);
      if (st != MPS_ST_LINE_GENERAL) return st;
    } else if (all_space(line_, len_)) {
      return MPS_ST_EMPTY;
    }
    if (!is_space(line_[0])) {
      pending_ = true;
      return MPS_ST_HEADER;
    }
    *f = MpsFields{};
    if (section_ == MPS_SEC_OBJSENSE || section_ == MPS_SEC_OBJNAME) return cut_words(f);
    if (flavour_ == MPS_FREE) {
      st = cut_free(f, false);
    } else {
      st = cut_fixed(0, f);
    }
    if (st != MPS_ST_DATA || branch_) return st;
    return parse_numbers(f, 3);
  }
}

// Fixed columns of a data line of at most 64 bytes in one pass: a mask of its non-blank bytes gives the text
// between fields (must be blank), and the first and last non-blank byte of every field, without a loop over the
// bytes. Lines with a tab, and relaxed lines where a field runs past its last column, return MPS_ST_LINE_GENERAL
// for cut_fixed, which gives the same fields for every other line. Empty lines and headers are recognised here
// too.
int32_t MpsTokenizer::cut_fixed_short(MpsFields* f) {
  // Bits of the gap before each field, of each field, and of the last column of each field. Bits past the end of
  // the line are clear in the non-blank mask, so the masks need no clipping to the line's length.
  static constexpr uint64_t GAP[6] = {bit_range(0, 1),   bit_range(3, 4),   bit_range(12, 14),
                                      bit_range(22, 24), bit_range(36, 39), bit_range(47, 49)};
  static constexpr uint64_t FIELD[6] = {bit_range(1, 3),   bit_range(4, 12),  bit_range(14, 22),
                                        bit_range(24, 36), bit_range(39, 47), bit_range(49, 61)};
  static constexpr uint64_t LAST_COLUMN_AFTER = (uint64_t{1} << 3) | (uint64_t{1} << 12) | (uint64_t{1} << 22) |
                                                (uint64_t{1} << 36) | (uint64_t{1} << 47) | (uint64_t{1} << 61);
  const char* const line = line_;
  const size_t len = len_;
  uint64_t blanks, tabs;
  blank_tab_masks(line, &blanks, &tabs);
  const uint64_t in_line = bit_range(0, len);
  if (tabs & in_line) return all_space(line, len) ? MPS_ST_EMPTY : MPS_ST_LINE_GENERAL;
  const uint64_t nb = ~blanks & in_line;
  if (nb == 0) return MPS_ST_EMPTY;
  if (nb & 1) {
    pending_ = true;
    return MPS_ST_HEADER;
  }
  // Relaxed: a field whose text reaches its last column and goes on pushes the fields after it along.
  if (flavour_ == MPS_RELAXED && (nb & (nb << 1) & LAST_COLUMN_AFTER)) return MPS_ST_LINE_GENERAL;
  for (size_t k = 1; k < 6; ++k)
    if (nb & GAP[k]) return field_status(k - 1);
  for (size_t k = 0; k < 6; ++k) {
    const uint64_t fb = nb & FIELD[k];
    if (fb) {
      const size_t last = 63 - static_cast<size_t>(__builtin_clzll(fb));
      const size_t first = (k == 0 || k == 3 || k == 5) ? static_cast<size_t>(__builtin_ctzll(fb)) : FIXED_START[k];
      f->text[k] = std::string_view(line + first, last + 1 - first);
    } else {
      f->text[k] = std::string_view();
    }
    f->num[k] = 0.0;
  }
  return MPS_ST_DATA;
}

// Blank-separated words into fields 2, 3, ... (OBJSENSE and OBJNAME lines in every flavour).
int32_t MpsTokenizer::cut_words(MpsFields* f) {
  size_t p = 0, k = 1;
  while (p < len_) {
    while (p < len_ && is_space(line_[p])) ++p;
    if (p == len_) break;
    size_t s = p;
    while (p < len_ && !is_space(line_[p])) ++p;
    if (k > 5) return MPS_ST_LINE;
    f->text[k++] = std::string_view(line_ + s, p - s);
  }
  return MPS_ST_DATA;
}

int32_t MpsTokenizer::cut_fixed(size_t from, MpsFields* f) {
  static const int32_t tab_status[6] = {0, MPS_ST_TAB2, MPS_ST_TAB3, 0, MPS_ST_TAB5, 0};
  // Locals: the stores into *f could otherwise alias the members and force reloads in every loop.
  const char* const line = line_;
  const size_t len = len_;
  const bool relaxed = flavour_ == MPS_RELAXED, branch = branch_;
  size_t start[6], end[6];
  std::memcpy(start, start_, sizeof start);
  std::memcpy(end, end_, sizeof end);
  std::string_view text[6];
  size_t shift = 0;
  size_t prev_end = from == 0 ? 0 : start[from];
  const bool has_tab = std::memchr(line, '\t', len) != nullptr;
  for (size_t k = from; k < 6; ++k) {
    if (start[k] >= NOWHERE) break;
    size_t s = start[k] + shift;
    size_t e = end[k] >= NOWHERE ? len : end[k] + shift;
    // Text between fields belongs to no field: it is a malformed field before it.
    for (size_t p = prev_end; p < s && p < len; ++p)
      if (line[p] != ' ') return k == 0 ? MPS_ST_FIELD1 : field_status(k - 1);
    if (s >= len) break;
    size_t ee = e < len ? e : len;
    if (has_tab && tab_status[k] && std::memchr(line + s, '\t', ee - s)) return tab_status[k];
    if (relaxed && ee == e && e < len && !is_space(line[e]) && !is_space(line[e - 1])) {
      // The field runs on to the next blank and pushes the following fields along.
      while (ee < len && !is_space(line[ee])) ++ee;
      if (has_tab && tab_status[k] && ee < len && line[ee] == '\t') return tab_status[k];
      shift += ee - e;
    }
    size_t b = s, n = skip_blanks_back(line, s, ee);
    if (k == 0 || k == 3 || k == 5 || (branch && k == 2)) b = skip_blanks(line, b, n);
    text[k] = std::string_view(line + b, n - b);
    if (has_tab && k == 0 && std::memchr(line + b, '\t', n - b)) return MPS_ST_FIELD1;
    prev_end = ee;
  }
  for (size_t k = from; k < 6; ++k) f->text[k] = text[k];
  return MPS_ST_DATA;
}

int32_t MpsTokenizer::cut_free(MpsFields* f, bool header_args) {
  std::string_view tok[8];
  size_t ntok = 0;
  size_t p = 0;
  if (header_args) {
    while (p < len_ && !is_space(line_[p])) ++p;  // the keyword
  }
  while (p < len_) {
    while (p < len_ && is_space(line_[p])) ++p;
    if (p == len_) break;
    size_t s = p, e;
    if (quoted_ && line_[p] == '"') {
      const char* close = static_cast<const char*>(std::memchr(line_ + p + 1, '"', len_ - p - 1));
      if (!close) return MPS_ST_LINE;
      s = p + 1;
      e = static_cast<size_t>(close - line_);
      p = e + 1;
      if (p < len_ && !is_space(line_[p])) return MPS_ST_LINE;
    } else {
      while (p < len_ && !is_space(line_[p])) ++p;
      e = p;
    }
    if (ntok == 8) return MPS_ST_LINE;
    tok[ntok++] = std::string_view(line_ + s, e - s);
  }
  size_t first;
  if (header_args)
    first = 2;
  else if (branch_ || section_ == MPS_SEC_ROWS || section_ == MPS_SEC_BOUNDS)
    first = 0;
  else
    first = 1;
  if (!header_args && !branch_ && section_ == MPS_SEC_COLUMNS && ntok >= 2 && tok[1] == "'MARKER'") {
    if (ntok > 3) return MPS_ST_LINE;
    f->text[1] = tok[0];
    f->text[2] = tok[1];
    if (ntok == 3) f->text[4] = tok[2];
    return MPS_ST_DATA;
  }
  size_t last = header_args ? 5 : branch_ ? 3 : 6;
  if (first + ntok > last) return MPS_ST_LINE;
  for (size_t t = 0; t < ntok; ++t) f->text[first + t] = tok[t];
  return MPS_ST_DATA;
}

int32_t MpsTokenizer::parse_numbers(MpsFields* f, size_t first_field) {
  for (size_t k = first_field; k < 6; k += 2) {
    const std::string_view text = f->text[k];
    if (text.empty()) continue;
    if (fast_decimal(text.data(), text.data() + text.size(), &f->num[k])) continue;
    size_t need = text.size() + 1;
    if (need > scratch_cap_) {
      size_t want = need < 64 ? 64 : need;
      char* grown;
      try {
        grown = static_cast<char*>(mem_->allocate(want, 1));
      } catch (...) {
        oom_ = true;
        return MPS_ST_READ;
      }
      if (scratch_) mem_->deallocate(scratch_, scratch_cap_, 1);
      scratch_ = grown;
      scratch_cap_ = want;
    }
    if (!mps_parse_number(text, scratch_, &f->num[k])) return field_status(k);
  }
  return MPS_ST_DATA;
}

}  // namespace zrv
