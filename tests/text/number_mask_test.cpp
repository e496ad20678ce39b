// Formatting with a mask: the program's three masks and the mask reader.
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "text/number_text.h"

namespace {

using pw::FormatWithMask;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct FixedCase {
  double x;
  const char* two;    // "00.0"
  const char* three;  // "000.0"
};

TEST(FormatWithMask, RadiusMasks) {
  const FixedCase cases[] = {
      {66.04, "66.0", "066.0"},
      {5.25, "05.2", "005.2"},       // exact half: the even digit stays
      {5.35, "05.3", "005.3"},       // stored slightly below
      {0.05, "00.1", "000.1"},       // stored slightly above
      {0.96, "01.0", "001.0"},
      {99.96, "100.0", "100.0"},     // carry into a new leading digit
      {123.45, "123.5", "123.5"},    // stored slightly above
      {1234.5, "1234.5", "1234.5"},  // more integer digits than places
      {0.0, "00.0", "000.0"},
      {kNaN, "00.0", "000.0"},
      {-5.25, "-05.2", "-005.2"},
      // Beyond the table.
      {5.15, "05.2", "005.2"},       // stored above 5.15 (a later digit decides)
      {0.25, "00.2", "000.2"},
      {0.35, "00.3", "000.3"},       // stored below .35
      {999.95, "1000.0", "1000.0"},  // stored above: carries through three nines
      {-0.01, "00.0", "000.0"},      // rounds to zero: no "-"
      {-0.04, "00.0", "000.0"},
      {-0.05, "-00.1", "-000.1"},
      {-0.0, "00.0", "000.0"},
      {1e-300, "00.0", "000.0"},
      {kInf, "99.9", "999.9"},       // an infinity fills the places with nines
      {-kInf, "-99.9", "-999.9"},
  };
  for (const FixedCase& c : cases) {
    EXPECT_EQ(FormatWithMask(c.x, "00.0"), c.two) << c.x;
    EXPECT_EQ(FormatWithMask(c.x, "000.0"), c.three) << c.x;
  }
}

TEST(FormatWithMask, HugeValuesShowEveryIntegerDigit) {
  // 1e300 is stored as 1.00000000000000005250...e300: 18 digits, then zeros.
  std::string t = FormatWithMask(1e300, "00.0");
  ASSERT_EQ(t.size(), 303u);
  EXPECT_EQ(t.substr(0, 18), "100000000000000005");
  EXPECT_EQ(t.find_first_not_of('0', 18), 301u);
  EXPECT_EQ(t.substr(301), ".0");
  EXPECT_EQ(FormatWithMask(-1e20, "0.0"), "-100000000000000000000.0");
}

struct ExponentCase {
  double x;
  const char* text;
};

TEST(FormatWithMask, ExponentMask) {
  const ExponentCase cases[] = {
      {0.0123, "1.2300E-2"},
      {0.0345, "3.4500E-2"},
      {1.5, "1.5000E+0"},
      {123.456, "1.2346E+2"},
      {12345678, "1.2346E+7"},
      {1e-10, "1.0000E-10"},
      {9.99995, "1.0000E+1"},
      {0.999996, "1.0000E+0"},       // the carry turns the sign of the exponent
      {-0.5, "-5.0000E-1"},
      {-0.0123, "-1.2300E-2"},
      {0.0, "0.0000E+0"},
      {kNaN, "0.0000E+0"},
      // Beyond the table.
      {2.00005, "2.0000E+0"},        // stored below the half
      {1.00005, "1.0001E+0"},        // stored above the half
      {12.5, "1.2500E+1"},
      {1e300, "1.0000E+300"},        // "#" places never cut digits off
      {-2.5e-308, "-2.5000E-308"},
      {kInf, "9.9999E+998"},
      {-kInf, "-9.9999E+998"},
  };
  for (const ExponentCase& c : cases) {
    EXPECT_EQ(FormatWithMask(c.x, "0.0000E+##"), c.text) << c.x;
  }
}

TEST(FormatWithMask, ExactHalvesGoToTheEvenDigit) {
  // Exactly representable halves: only the last kept digit decides.
  EXPECT_EQ(FormatWithMask(0.125, "0.00"), "0.12");
  EXPECT_EQ(FormatWithMask(0.375, "0.00"), "0.38");
  EXPECT_EQ(FormatWithMask(2.5, "0"), "2");
  EXPECT_EQ(FormatWithMask(3.5, "0"), "4");
  EXPECT_EQ(FormatWithMask(0.5, "0"), "0");     // no integer digit: an even 0 before it
  EXPECT_EQ(FormatWithMask(0.5000001, "0"), "1");
  EXPECT_EQ(FormatWithMask(1.125, "0.00E+0"), "1.12E+0");
  EXPECT_EQ(FormatWithMask(1.375, "0.00E+0"), "1.38E+0");
}

struct MaskCase {
  const char* mask;
  double x;
  const char* text;
};

TEST(FormatWithMask, MaskReader) {
  const MaskCase cases[] = {
      // "#" places: optional integer digits, trailing zeros dropped.
      {"#.##", 0.5, ".5"},
      {"#.##", 3.14159, "3.14"},
      {"#.##", 0.0, "."},
      {"##0.0#", 1234.5, "1234.5"},
      {"##0.0#", 2.0, "2.0"},
      {"#0.0#", 0.125, "0.12"},
      // Integer-only and fraction-only masks.
      {"000", 7.5, "008"},
      {"0", -0.4, "0"},
      {".00", 0.456, ".46"},
      {".00", 12.345, "12.35"},  // 12.345 is stored slightly above
      // Exponent variants: "-" shows only a minus, "0" pads the exponent.
      {"0.00E-00", 123.456, "1.23E02"},
      {"0.00E-00", 0.0123, "1.23E-02"},
      {"0.00e+0", 5e-7, "5.00e-7"},
      {"00.0E+0", 12345.0, "12.3E+3"},
      {"00.0E+0", 0.0, "00.0E+0"},
      {".00E+0", 12.5, ".12E+2"},  // exact half after an even digit
      // "E+" without a digit place before it or without text after it is
      // not an exponent part and is ignored like other characters.
      {"0E+", 12.5, "12"},
      {"E+0", 12.5, "12"},
      {"$0.0 mm", 3.25, "3.2"},
      // No digit place at all: the default text without blanks.
      {"", -2.5, "-2.5"},
      {"", 0.5, ".5"},
      {"abc", 1e20, "1E+20"},
  };
  for (const MaskCase& c : cases) {
    EXPECT_EQ(FormatWithMask(c.x, c.mask), c.text) << c.mask << " " << c.x;
  }
}

}  // namespace
