// The default number text, its forms, RoundTo and the 18-digit form.
#include "text/number_text.h"

#include <stdint.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "text/line_entry.h"

namespace {

using pw::NumberForm;
using pw::NumberText;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct TextCase {
  pw::Extended x;
  const char* printed;
};

TEST(NumberText, DefaultTextAsPrinted) {
  const TextCase cases[] = {
      {0.0, " 0 "},
      {5.0, " 5 "},
      {-2.0, "-2 "},
      {0.5, " .5 "},
      {-0.25, "-.25 "},
      {12.5, " 12.5 "},
      {66.04, " 66.04 "},
      {2.0 / 3.0, " .666666666666667 "},
      {123456789012345.0, " 123456789012345 "},
      {1e15, " 1E+15 "},
      {1234567890123456.0, " 1.23456789012346E+15 "},
      {0.001, " .001 "},
      {1e-15, " .000000000000001 "},
      {1e-16, " 1E-16 "},
      {1.25e-14, " 1.25E-14 "},
      {1.5e-14, " .000000000000015 "},
      {1e100, " 1E+100 "},
      {kInf, " 9.99999999999999E+998 "},
      {-kInf, "-9.99999999999999E+998 "},
      {kNaN, " 0 "},
      // Beyond the table: negative zero, a negative NaN, denormals.
      {-0.0, " 0 "},
      {-kNaN, " 0 "},
      {std::numeric_limits<double>::denorm_min(), " 0 "},
      {-std::numeric_limits<double>::min() / 2, " 0 "},
      {std::numeric_limits<double>::min(), " 2.2250738585072E-308 "},
      {std::numeric_limits<double>::max(), " 1.79769313486232E+308 "},
      // Rounding of the 15th digit by the 16th alone, and its carry.
      {1.0 - 0x1p-51, " 1 "},         // .999999999999999556: 5 after a 9, carries
      {999999999999999.5, " 1E+15 "},
      {1.000000000000005, " 1 "},     // 16th digit 4 (stored below)
      {123456789012345.5, " 123456789012346 "},
      {123456789012344.5, " 123456789012344 "},  // 5 after an even digit
      {-1e-5, "-.00001 "},
      {100.0, " 100 "},
      {1e14, " 100000000000000 "},
      {-1e-300, "-1E-300 "},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(NumberText(c.x, NumberForm::Printed), c.printed) << pw::ToDouble(c.x);
  }
}

TEST(NumberText, LongDoubleValuesKeepTheirOwnDigits) {
  // A RoundTo result is still extended: 1/3 to 18 places has digits beyond
  // what a double holds, but the text shows 15 of them.
  EXPECT_EQ(NumberText(pw::Extended(1) / 3, NumberForm::Text), " .333333333333333");
  // Beyond the double range the exponent needs four digits.
  EXPECT_EQ(NumberText(pw::ScaleByPowerOfTen(1, 1000), NumberForm::Text), " 1E+1000");
  // Below double range: denormal.
  EXPECT_EQ(NumberText(pw::ScaleByPowerOfTen(-25, -1001), NumberForm::Text), " 0");
}

struct RoundCase {
  double x;
  int n;
  const char* text;
};

TEST(RoundTo, HalvesToEvenOnTheStoredValue) {
  const RoundCase cases[] = {
      {2.345, 2, " 2.35"},
      {0.125, 2, " .12"},
      {0.375, 2, " .38"},
      {1.005, 2, " 1"},
      {10.0 / 3.0, 2, " 3.33"},
      {2.5, 0, " 2"},
      {3.5, 0, " 4"},
      {-2.5, 0, "-2"},
      {-0.125, 2, "-.12"},
      {-0.001, 2, " 0"},                     // rounds to a negative zero
      {1.0 / 3.0, 25, " .333333333333333"},  // more than 18 places count as 18
      {1234.5, -1, " 1230"},                 // negative n: tens, halves to even
      {1250.0, -2, " 1200"},
      {1350.0, -2, " 1400"},
      {5e30, -40, " 5E+30"},                 // capped at -18: still a multiple of 10^18
      {1e300, 2, " 1E+300"},
  };
  for (const RoundCase& c : cases) {
    EXPECT_EQ(NumberText(pw::RoundTo(c.x, c.n), NumberForm::Text), c.text) << c.x << " to " << c.n;
  }
  EXPECT_EQ(pw::RoundTo(5e30, -40), pw::RoundTo(5e30, -18));
  EXPECT_EQ(pw::RoundTo(0.1, 25), pw::RoundTo(0.1, 18));
  EXPECT_TRUE(pw::IsInf(pw::RoundTo(kInf, 2)));
  EXPECT_TRUE(pw::IsNaN(pw::RoundTo(kNaN, 2)));
}

TEST(PowerOfTen, ExactWhereTheFormatHoldsTheValue) {
  pw::Extended p = 1;
  for (int k = 0; k <= 27; ++k) {  // 10^27 = 2^27 * 5^27, 5^27 < 2^64
    EXPECT_EQ(pw::PowerOfTen(k), p) << k;
    p *= 10;
  }
  EXPECT_EQ(pw::PowerOfTen(-3), pw::Extended(1) / 1000);
  EXPECT_EQ(pw::ScaleByPowerOfTen(3, -1), pw::Extended(3) / 10);
  EXPECT_FALSE(pw::IsInf(pw::PowerOfTen(4932)) || pw::IsNaN(pw::PowerOfTen(4932)));
  EXPECT_TRUE(pw::IsInf(pw::PowerOfTen(4933)));
  EXPECT_GT(pw::PowerOfTen(-4932), 0);
  EXPECT_EQ(pw::PowerOfTen(-100000), 0);
  EXPECT_TRUE(pw::IsInf(pw::PowerOfTen(100000)));
}

// The 18 digits as printf gives them for x (correctly rounded), compared
// with the 18-digit form: the exponent agrees and M is within 2 units.
void ExpectCloseToExactDigits(double x) {
  pw::EighteenDigits f = pw::EighteenDigitForm(x);
  ASSERT_GE(f.digits, 100000000000000000ULL) << x;
  ASSERT_LT(f.digits, 1000000000000000000ULL) << x;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17Le", static_cast<long double>(std::fabs(x)));
  std::string s(buf);
  std::string digits = s.substr(0, 1) + s.substr(2, 17);
  long long exact = std::stoll(digits);
  int exact_exponent = std::atoi(s.c_str() + 20) + 1;
  long long m = static_cast<long long>(f.digits);
  if (f.exponent == exact_exponent) {
    EXPECT_LE(std::llabs(m - exact), 2) << x << " " << buf;
  } else if (f.exponent + 1 == exact_exponent) {
    EXPECT_EQ(exact, 100000000000000000LL) << buf;
    EXPECT_GE(m, 999999999999999998LL) << x;
  } else {
    ASSERT_EQ(f.exponent, exact_exponent + 1) << x << " " << buf;
    EXPECT_EQ(m, 100000000000000000LL) << x;
    EXPECT_GE(exact, 999999999999999998LL) << buf;
  }
  EXPECT_EQ(f.negative, x < 0);
}

TEST(EighteenDigitForm, AlwaysEighteenDigitsAndTheRightExponent) {
  // Tiny magnitudes where the first exponent estimate is one too high.
  ExpectCloseToExactDigits(std::ldexp(1.0, -877));
  ExpectCloseToExactDigits(std::ldexp(1.0, -681));
  ExpectCloseToExactDigits(9.95e-265);
  EXPECT_EQ(pw::EighteenDigitForm(std::ldexp(1.0, -877)).exponent, -264);

  // Around every power of ten and every power of two of the double range.
  for (int k = -307; k <= 308; ++k) {
    double p = std::pow(10.0, k);
    ExpectCloseToExactDigits(p);
    ExpectCloseToExactDigits(std::nextafter(p, 0.0));
    ExpectCloseToExactDigits(-std::nextafter(p, kInf));
  }
  for (int e = -1022; e <= 1023; ++e) {
    ExpectCloseToExactDigits(std::ldexp(1.0, e));
    if (e > -1022) ExpectCloseToExactDigits(std::nextafter(std::ldexp(1.0, e), 0.0));
  }
  // Random bit patterns over the whole normal range.
  std::mt19937_64 rng(12345);
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = rng();
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isnormal(x)) continue;
    ExpectCloseToExactDigits(x);
  }
}

TEST(EighteenDigitForm, SpecialValues) {
  const pw::Extended zeros[] = {0.0, -0.0, kNaN, -kNaN, std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::min() * 0.5};
  for (pw::Extended x : zeros) {
    pw::EighteenDigits f = pw::EighteenDigitForm(x);
    EXPECT_EQ(f.digits, 0u);
    EXPECT_EQ(f.exponent, 1);
    EXPECT_FALSE(f.negative);
  }
  pw::EighteenDigits inf = pw::EighteenDigitForm(-kInf);
  EXPECT_EQ(inf.digits, 999999999999999999ULL);
  EXPECT_EQ(inf.exponent, 999);
  EXPECT_TRUE(inf.negative);
}

// Integers below 10^15 and decimals with few digits: the default text is
// the plain shortest text.
TEST(NumberText, ShortDecimalsGiveTheirPlainText) {
  std::mt19937_64 rng(777);
  for (int i = 0; i < 100000; ++i) {
    long long n = static_cast<long long>(rng() % 1000000000000000ULL);
    if (i % 3 == 0) n = static_cast<long long>(rng() % 100000);
    bool negative = (rng() & 1) != 0;
    std::string want = (negative && n != 0 ? "-" : " ") + std::to_string(n);
    double x = static_cast<double>(negative ? -n : n);
    ASSERT_EQ(NumberText(x, NumberForm::Text), want);
  }
  for (int i = 0; i < 100000; ++i) {
    // a / 10^places with a of up to 7 digits and up to 8 places.
    long long a = static_cast<long long>(rng() % 10000000ULL) + 1;
    int places = static_cast<int>(rng() % 9);
    std::string digits = std::to_string(a);
    std::string text;
    if (static_cast<int>(digits.size()) > places) {
      text = digits.substr(0, digits.size() - static_cast<std::size_t>(places)) + "." +
             digits.substr(digits.size() - static_cast<std::size_t>(places));
    } else {
      text = "." + std::string(static_cast<std::size_t>(places) - digits.size(), '0') + digits;
    }
    double x = std::strtod(text.c_str(), nullptr);
    // The expected text: no trailing zeros after the point, no lone point.
    while (text.find('.') != std::string::npos && text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    ASSERT_EQ(NumberText(x, NumberForm::Comma), text) << a << " / 10^" << places;
  }
}

// A value's default text read back gives the value to 15 significant digits:
// within 0.6 units of the 15th digit, since the 16th digit alone decides the
// rounding (a 5 followed by more digits may round down), plus the spacing of
// doubles where the text is read back.
TEST(NumberText, ReadsBackWithinFifteenDigits) {
  std::mt19937_64 rng(4242);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  for (int i = 0; i < 100000; ++i) {
    int exponent = static_cast<int>(rng() % 600) - 300;
    double x = mantissa(rng) * std::pow(10.0, exponent);
    if (rng() & 1) x = -x;
    double back = pw::TextToNumber(NumberText(x, NumberForm::Text));
    double unit = std::pow(10.0, pw::EighteenDigitForm(x).exponent - 15);
    double spacing = std::nextafter(std::fabs(x), kInf) - std::fabs(x);
    ASSERT_LE(std::fabs(back - x), 0.6 * unit + spacing) << NumberText(x, NumberForm::Text);
  }
}

}  // namespace
