// The fixed-column cutter takes short lines (up to 64 characters) in one word-wise pass and everything else
// byte by byte. Both must cut every line the same way: random and mangled data lines are cut as they are and
// padded past 64 characters, in the strict and the relaxed flavour, and the two runs must agree call by call.
// Every number that is taken must be exactly what strtod makes of it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mps/tokenize.h"

namespace {

using mpstest::Event;

// A well-formed line in the fixed columns with names of random length (long names run past their columns).
std::string fixed_line(std::mt19937& rng) {
  auto name = [&](int maxlen) {
    std::uniform_int_distribution<int> len(1, maxlen), ch(0, 35);
    std::string s;
    for (int n = len(rng); n > 0; --n) {
      int c = ch(rng);
      s.push_back(static_cast<char>(c < 26 ? 'A' + c : '0' + c - 26));
    }
    return s;
  };
  auto number = [&] {
    static const char* const forms[] = {"1",     "-1.",     "2.5",      "1e30",   "-0",          ".5",
                                        "1D-3",  "12345.6", "3.0e+05",  "1e-320", "0.1000000001", "-7.25E2",
                                        "1e400", "1x",      "9007199254740993"};
    std::uniform_int_distribution<int> pick(0, sizeof forms / sizeof *forms - 1);
    return std::string(forms[pick(rng)]);
  };
  std::string l(4, ' ');
  std::string a = name(10), b = name(10);
  l += a;
  l.resize(std::max<size_t>(l.size(), 14), ' ');
  l += b;
  std::string v = number();
  size_t end = std::max<size_t>(l.size() + 2, 36);
  l.append(end - l.size() - v.size() > 0 && end > l.size() + v.size() ? end - l.size() - v.size() : 1, ' ');
  l += v;
  if (rng() % 2) {
    l.resize(std::max<size_t>(l.size() + 3, 39), ' ');
    l += name(10);
    std::string w = number();
    size_t end2 = std::max<size_t>(l.size() + 2, 61);
    l.append(end2 > l.size() + w.size() ? end2 - l.size() - w.size() : 1, ' ');
    l += w;
  }
  return l;
}

// A line of random bytes that starts with a blank (so it stays a data line), at most 64 long.
std::string random_line(std::mt19937& rng) {
  static const char alphabet[] = "          ab1234567890.-+eED\t'";
  std::uniform_int_distribution<int> len(0, 64), ch(0, sizeof alphabet - 2);
  std::string l(" ");
  for (int n = len(rng); n > 1; --n) l.push_back(alphabet[ch(rng)]);
  return l;
}

// Some bytes of a well-formed line replaced (blank, letter, digit or tab), so that fields touch and gaps fill.
std::string mangled_line(std::mt19937& rng) {
  std::string l = fixed_line(rng);
  static const char repl[] = " x7\t.";
  for (int k = static_cast<int>(rng() % 3); k >= 0; --k) {
    size_t at = 1 + rng() % (l.size() > 1 ? l.size() - 1 : 1);
    if (at < l.size()) l[at] = repl[rng() % 5];
  }
  if (l.size() > 64) l.resize(64);
  return l;
}

TEST(MpsTokenizer, ShortLinesCutLikeLongOnesAndNumbersMatchStrtod) {
  std::mt19937 rng(20261207);
  std::vector<std::string> lines = {"NAME          T", "COLUMNS"};
  for (int i = 0; i < 30000; ++i) {
    switch (i % 3) {
      case 0: lines.push_back(fixed_line(rng)); break;
      case 1: lines.push_back(random_line(rng)); break;
      default: lines.push_back(mangled_line(rng)); break;
    }
    if (i % 1000 == 0) lines.push_back("");
  }
  lines.push_back("ENDATA");
  int64_t short_lines = 0;
  for (const std::string& l : lines) short_lines += l.size() <= 64;
  ASSERT_GT(short_lines, 25000);
  const std::vector<std::string> longer = mpstest::padded(lines);
  for (int32_t flavour : {zrv::MPS_STRICT, zrv::MPS_RELAXED}) {
    SCOPED_TRACE(flavour);
    int64_t numbers = 0;
    std::vector<Event> a = mpstest::tokenize(lines, flavour, &numbers);
    std::vector<Event> b = mpstest::tokenize(longer, flavour);
    ASSERT_EQ(a.size(), b.size());
    // One event per line, and one more where a section ends (the data read that meets the next header).
    ASSERT_EQ(a.size(), lines.size() + 2);
    int64_t data = 0, failures = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      data += a[i].status == zrv::MPS_ST_DATA;
      failures += a[i].status >= zrv::MPS_ST_FIELD1 && a[i].status <= zrv::MPS_ST_TAB5;
      if (!(a[i] == b[i])) {
        // Event i >= 2 is line i - 1 (the NAME section's end adds one event before COLUMNS).
        ADD_FAILURE() << "line '" << (i >= 2 ? lines[i - 1] : lines[0]) << "': status " << a[i].status << " vs " << b[i].status
                      << ", fields '" << a[i].text[1] << "' '" << a[i].text[2] << "' '" << a[i].text[3] << "' vs '"
                      << b[i].text[1] << "' '" << b[i].text[2] << "' '" << b[i].text[3] << "'";
        break;
      }
    }
    // Both outcomes are well represented, and many numbers were compared.
    EXPECT_GT(data, 5000);
    EXPECT_GT(failures, 5000);
    EXPECT_GT(numbers, 5000);
  }
}

TEST(MpsTokenizer, RelaxedLongNamesPushTheFieldsAlong) {
  // Names of 9 and 10 characters in a line shorter than 64: the relaxed flavour moves the following fields by
  // three columns.
  const std::vector<std::string> lines = {"COLUMNS", "    LONGNAME9  ROWNAME_10           1.5   R2        2", "ENDATA"};
  std::vector<Event> relaxed = mpstest::tokenize(lines, zrv::MPS_RELAXED);
  ASSERT_EQ(relaxed.size(), 4u);
  EXPECT_EQ(relaxed[1].status, zrv::MPS_ST_DATA);
  EXPECT_EQ(relaxed[1].text[1], "LONGNAME9");
  EXPECT_EQ(relaxed[1].text[2], "ROWNAME_10");
  EXPECT_EQ(relaxed[1].num[3], 1.5);
  EXPECT_EQ(relaxed[1].text[4], "R2");
  EXPECT_EQ(relaxed[1].num[5], 2.0);
  // Strict columns: the ninth character of the first name stands in the gap after field 2.
  std::vector<Event> strict = mpstest::tokenize(lines, zrv::MPS_STRICT);
  EXPECT_EQ(strict[1].status, zrv::MPS_ST_FIELD2);
}

}  // namespace
