// Typed texts to numbers.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "text/line_entry.h"
#include "text/number_text.h"

namespace {

using pw::TextToNumber;

uint64_t BitsOf(double d) {
  uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}

struct TypedCase {
  const char* text;
  double value;
};

TEST(TextToNumber, TypedTexts) {
  const TypedCase cases[] = {
      {"  12.5", 12.5},
      {"+7", 7},
      {"-0.25", -0.25},
      {".5", 0.5},
      {"5.", 5},
      {"1.2.3", 1.2},
      {"1e3", 1000},
      {"1D3", 1000},
      {"2E-2", 0.02},
      {"1E", 1},
      {"12abc", 12},
      {"1 2", 1},
      {"", 0},
      {"abc", 0},
      {" ", 0},
      {"&H1F", 31},
      {"&B101", 5},
      {"&17", 15},
      {"1E5000", 0x1p127},
      {"1E-5000", 0},
      // Beyond the table.
      {"12,5", 12},
      {"4.5 mm", 4.5},
      {"\t\n 3", 3},           // tabs and line feeds are skipped
      {"\r3", 0},              // a carriage return is not
      {"-1E5000", -0x1p127},
      {"1e+2", 100},
      {"1d-1", 0.1},
      {"1E+", 1},              // a letter with no digits: exponent 0
      {"000123.4500", 123.45},
      {"0.000", 0},
      {"1234567890123456789", 1234567890123456780.0},     // 19th digit only counts
      {"1.234567890123456789", 1.23456789012345678},
      {"1E99999", 0x1p127},    // exponent capped at 9999
      {"1E-99999", 0},
      {"1E4932", HUGE_VAL},    // a long double, too big for a double
      {"1E400", HUGE_VAL},
      {"1E-400", 0},
      {"0.00000000001E4940", HUGE_VAL},  // the power 4929 is below the limit
      {"&h", 0},
      {"&", 0},
      {"&8", 0},               // "&" with a digit reads octal
      {"&O777", 511},
      {"&q17", 15},
      {"&b2", 0},
      {"&HFFFFFFFFFFFFFFFF", 18446744073709551615.0},  // 64 bits: unsigned
      {"&H10000000000000000", 0},                      // 65 bits
      {"&H00000000000000000001", 1},                   // leading zeros add no bits
      {"&B1111111111111111111111111111111111111111111111111111111111111111", 18446744073709551615.0},
      {"&B11111111111111111111111111111111111111111111111111111111111111111", 0},
      {"&O1777777777777777777777", 18446744073709551615.0},
      {"&O2000000000000000000000", 0},
      {" &H10", 16},
      {"-&H10", -0.0},        // a sign with no digit after it: a negative zero
      {"&H1F.5", 31},
  };
  for (const TypedCase& c : cases) {
    EXPECT_EQ(BitsOf(TextToNumber(c.text)), BitsOf(c.value)) << '"' << c.text << '"';
  }
}

TEST(TextToNumber, SignOfZero) {
  EXPECT_EQ(BitsOf(TextToNumber("-0")), BitsOf(-0.0));
  EXPECT_EQ(BitsOf(TextToNumber("-0.000")), BitsOf(-0.0));
  EXPECT_EQ(BitsOf(TextToNumber("-abc")), BitsOf(-0.0));
  EXPECT_EQ(BitsOf(TextToNumber("0")), 0u);
  EXPECT_EQ(BitsOf(TextToNumber("+0E5")), 0u);
}

TEST(TextToNumber, RoundsToExtendedBeforeDouble) {
  // The integer 2877 divided by 10^6 in long double, then rounded to
  // double, is one bit away from the correctly rounded 0.002877.
  EXPECT_EQ(BitsOf(TextToNumber("0.002877")), 0x3f6791819d2391d6u);
  EXPECT_NE(TextToNumber("0.002877"), std::strtod("0.002877", nullptr));
}

TEST(TextToNumber, VeryLongTextsStayBounded) {
  std::string ones(10000, '1');
  double v = TextToNumber(ones);  // 10000 digits: 10^9999 overflows to the cap
  EXPECT_EQ(v, 0x1p127);
  std::string tiny = "." + std::string(9990, '0') + "1";
  EXPECT_EQ(TextToNumber(tiny), 0.0);
  std::string big_exponent = "1E" + std::string(5000, '9');
  EXPECT_EQ(TextToNumber(big_exponent), 0x1p127);
}

}  // namespace
