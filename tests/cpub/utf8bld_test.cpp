#include "cpub/utf8bld.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "cpub/loggate.h"

using zrv::FmtArg;
using zrv::FmtArgs;
using zrv::utf8_format;
using zrv::utf8_format_string;

namespace {

std::string fmt(const char* f, FmtArgs a = {}) { return utf8_format_string(f, a); }

TEST(Utf8Format, WidthAndJustification) {
  EXPECT_EQ(fmt("%{w}i", {5, 42}), "42   ");          // no j: left
  EXPECT_EQ(fmt("%{wj}i", {5, 0, 42}), "   42");      // right
  EXPECT_EQ(fmt("%{wj}i", {6, 1, 42}), "  42  ");     // centred
  EXPECT_EQ(fmt("%{wj}i", {7, 1, 42}), "  42   ");    // odd fill character goes after
  EXPECT_EQ(fmt("%{wj}i", {2, 0, 12345}), "12345");   // never cut
  EXPECT_EQ(fmt("%{jw}i", {0, 5, -42}), "  -42");     // arguments follow the order of the letters; sign counts
  EXPECT_EQ(fmt("%{w}i", {-3, 42}), "42");            // negative width: no field
  // Width counts characters, not bytes.
  EXPECT_EQ(fmt("[%{wj}s]", {4, 0, "\xC3\xA9t\xC3\xA9"}), "[ \xC3\xA9t\xC3\xA9]");
  EXPECT_EQ(fmt("|%{wj}s|%{w}s|", {5, 1, "ab", 3, "x"}), "| ab  |x  |");
}

TEST(Utf8Format, IntegerBasesAndSigns) {
  EXPECT_EQ(fmt("%{f}i", {1, 255}), "ff");
  EXPECT_EQ(fmt("%{f}i", {2, 8}), "10");
  EXPECT_EQ(fmt("%{f}i", {3, 5}), "101");
  EXPECT_EQ(fmt("%{f}i", {1, -255}), "-ff");
  EXPECT_EQ(fmt("%{f}U", {1, static_cast<unsigned long long>(UINT64_MAX)}), "ffffffffffffffff");
  EXPECT_EQ(fmt("%{+}i", {7}), "+7");
  EXPECT_EQ(fmt("%{+}i", {0}), "+0");
  EXPECT_EQ(fmt("%{w+j}i", {4, 0, 7}), "  +7");
  EXPECT_EQ(fmt("%l", {static_cast<long long>(INT64_MIN)}), "-9223372036854775808");
  EXPECT_EQ(fmt("%i", {INT32_MIN}), "-2147483648");
  // Unsigned conversions print the stored bits of a negative integer as C would.
  EXPECT_EQ(fmt("%u", {-1}), "4294967295");
  EXPECT_EQ(fmt("%U", {-1LL}), "18446744073709551615");
  EXPECT_EQ(fmt("%L", {static_cast<unsigned long long>(UINT64_MAX)}), "18446744073709551615");
}

TEST(Utf8Format, DoublesAndPrecision) {
  EXPECT_EQ(fmt("%e", {1.5}), "1.500000000000000e+00");  // e default 15
  EXPECT_EQ(fmt("%f", {3.14159265}), "3.14159");          // f default 5
  EXPECT_EQ(fmt("%{p}f", {2, -2.5}), "-2.50");
  EXPECT_EQ(fmt("%{p}e", {0, 25000.0}), "2e+04");
  EXPECT_EQ(fmt("%{p}f", {20, 0.1}), "0.100000000000000");   // 16 and more: 15
  EXPECT_EQ(fmt("%{p}f", {-4, 1.0}), "1.00000");             // negative: the default
  EXPECT_EQ(fmt("%{+p}f", {1, 2.25}), "+2.2");
  EXPECT_EQ(fmt("%{+p}e", {1, -2.0}), "-2.0e+00");
  // The reporters' form: width 8, left, one digit.
  EXPECT_EQ(fmt("%{wjp}e", {8, 2, 1, 12345.0}), "1.2e+04 ");
  EXPECT_EQ(fmt("%{wjp}e", {8, 2, 1, -0.5}), "-5.0e-01");
  EXPECT_EQ(fmt("%{wjp}f", {9, 0, 2, -3.14159}), "    -3.14");
  EXPECT_EQ(fmt("%{wjpg}f", {7, 0, 1, '0', 1.25}), "00001.2");
  // Extremes stay whole and sane.
  std::string big = fmt("%f", {1e300});
  EXPECT_EQ(big.size(), 301u + 1u + 5u);
  EXPECT_EQ(big.substr(0, 2), "10");
  EXPECT_EQ(fmt("%{p}f", {3, -std::numeric_limits<double>::infinity()}), "-inf");
  EXPECT_EQ(fmt("%{p}e", {3, std::numeric_limits<double>::quiet_NaN()}), "nan");
}

TEST(Utf8Format, FillCharacters) {
  EXPECT_EQ(fmt("%{wjg}i", {5, 0, '*', 42}), "***42");
  EXPECT_EQ(fmt("%{wg}s", {3, 0xE9, "a"}), "a\xC3\xA9\xC3\xA9");              // two-byte fill
  EXPECT_EQ(fmt("%{wjg}i", {3, 0, 0x2500, 7}), "\xE2\x94\x80\xE2\x94\x80" "7");  // three-byte fill
  EXPECT_EQ(fmt("%{wjg}i", {3, 0, 0, 7}), "  7");                               // code 0: blank
  std::string wide = fmt("%{wg}s", {1000, 0x2500, ""});
  EXPECT_EQ(wide.size(), 3000u);
}

TEST(Utf8Format, DirectivesAndUnknownLetters) {
  EXPECT_EQ(fmt("100%% sure"), "100% sure");
  EXPECT_EQ(fmt("%s and %s", {"this", "that"}), "this and that");

  struct Case {
    const char* f;
    const char* kept;
  } cases[] = {{"ab%qcd", "ab"}, {"x%w", "x"}, {"x%wi", "x"}, {"a%{w", "a"}, {"a%{z}i", "a"}, {"end%", "end"},
               {"%i then %y", "5 then "}};
  for (const Case& c : cases) {
    zrv::StringSink s;
    EXPECT_EQ(utf8_format(s, c.f, {5, 6}), -2) << c.f;
    EXPECT_EQ(s.text, c.kept) << c.f;
  }
  // G and / are accepted; G takes an argument, / none.
  EXPECT_EQ(fmt("%{G/w}i|", {'x', 4, 42}), "42  |");
}

TEST(Utf8Format, TextAndWideText) {
  const uint16_t hello[] = {'h', 0xE9, 'l', 0x20AC, 0};
  EXPECT_EQ(fmt("%ws", {hello}), "h\xC3\xA9l\xE2\x82\xAC");
  const uint16_t pair[] = {0xD83D, 0xDE00, '!', 0};  // U+1F600
  EXPECT_EQ(fmt("%ws", {pair}), "\xF0\x9F\x98\x80!");
  const uint16_t lone[] = {'a', 0xD800, 'b', 0xDC00, 0};
  EXPECT_EQ(fmt("%ws", {lone}), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
  EXPECT_EQ(fmt("[%{wj}ws]", {4, 0, pair}), "[  \xF0\x9F\x98\x80!]");  // the pair is one character
  EXPECT_EQ(fmt("[%{wj}ws]", {5, 1, hello}), "[h\xC3\xA9l\xE2\x82\xAC ]");
  EXPECT_EQ(fmt("%s|%ws", {static_cast<const char*>(nullptr), static_cast<const uint16_t*>(nullptr)}),
            "(null)|(null)");
}

TEST(Utf8Format, MissingAndMismatchedArguments) {
  EXPECT_EQ(fmt("%i|%s|%f|%{w}i|"), "0||0.00000|0|");
  EXPECT_EQ(fmt("%i", {3.9}), "3");          // converted, not reinterpreted
  EXPECT_EQ(fmt("%f", {2}), "2.00000");
  EXPECT_EQ(fmt("[%s]", {17}), "[]");
  EXPECT_EQ(fmt("%i", {"text"}), "0");
  int x = 0;
  char expect[64];
  std::snprintf(expect, sizeof(expect), "%p", static_cast<void*>(&x));
  EXPECT_EQ(fmt("%p", {static_cast<const void*>(&x)}), expect);
  EXPECT_EQ(fmt("%p", {static_cast<const void*>(nullptr)}), "0x0");
}

TEST(LogGate, LevelsCutAndNesting) {
  EXPECT_TRUE(zrv::log_gate(1, 10, 0, 0));
  EXPECT_FALSE(zrv::log_gate(0, 10, 1, 0));   // area off
  EXPECT_FALSE(zrv::log_gate(10, 0, 1, 0));   // log off
  EXPECT_TRUE(zrv::log_gate(4, 10, 1, 9));    // cut of inner runs does not apply at nesting 1
  EXPECT_FALSE(zrv::log_gate(4, 10, 2, 4));   // inner run: min must exceed the cut
  EXPECT_TRUE(zrv::log_gate(5, 10, 2, 4));
  EXPECT_FALSE(zrv::log_gate(10, 3, 3, 3));
}

}  // namespace
