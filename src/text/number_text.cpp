// The default number text, rounding to decimal places and the power-of-ten
// routine shared with the text-to-number conversion.  All digit generation
// runs in extended precision (base/extended.h).
#include "text/number_text.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <iterator>

#include "base/decimal.h"

namespace pw {

namespace {

// 10^0 .. 10^7: exact in any binary format with a 64-bit significand.
constexpr int32_t kSmallPowers[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

// 10^(8 * 2^i) rounded to 64 bits (10^8 and 10^16 are exact), as significand
// and binary exponent so that every platform has the same bits.
struct ExtendedParts {
  uint64_t significand;
  int exponent;
};
constexpr ExtendedParts kBinaryPowers[10] = {
    {0xBEBC200000000000u, -37},   // 10^8
    {0x8E1BC9BF04000000u, -10},   // 10^16
    {0x9DC5ADA82B70B59Eu, 43},    // 10^32
    {0xC2781F49FFCFA6D5u, 149},   // 10^64
    {0x93BA47C980E98CE0u, 362},   // 10^128
    {0xAA7EEBFB9DF9DE8Eu, 787},   // 10^256
    {0xE319A0AEA60E91C7u, 1637},  // 10^512
    {0xC976758681750C17u, 3338},  // 10^1024
    {0x9E8B3B5DC53D5DE5u, 6740},  // 10^2048
    {0xC46052028A20979Bu, 13543}, // 10^4096
};

// The same powers as extended values, made once when the program starts.
const std::array<Extended, std::size(kBinaryPowers)> kBinaryPowerValues = [] {
  std::array<Extended, std::size(kBinaryPowers)> values{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = ExtendedFromParts(kBinaryPowers[i].significand, kBinaryPowers[i].exponent);
  }
  return values;
}();

// Above this, 10^k overflows the extended range; below its negative, 10^-k
// underflows to zero.
constexpr int kMaxPower = 4951;

constexpr uint64_t kTenTo17 = 100000000000000000ULL;
constexpr uint64_t kTenTo18 = 1000000000000000000ULL;

// Smallest normal double: anything smaller in magnitude renders as zero.
constexpr double kSmallestNormal = 0x1p-1022;

// Rounds a non-negative value to an integer, halves to even.  From 2^63 on
// every extended value is an integer already; below it, adding 2^63 leaves no
// fraction bits, so the addition itself rounds (in the default rounding
// mode) and the subtraction is exact.  Much cheaper than nearbyintl, which
// saves and restores the floating-point environment on every call.
Extended RoundNonNegative(Extended x) {
  constexpr double kTwoTo63 = 0x1p63;
  if (!(x < kTwoTo63)) return x;
  return (x + kTwoTo63) - kTwoTo63;
}

}  // namespace

Extended PowerOfTen(int k) {
  if (k < 0) {
    if (k < -kMaxPower) return 0;
    return 1 / PowerOfTen(-k);
  }
  if (k > kMaxPower) return ExtendedInfinity();
  Extended p = kSmallPowers[k % 8];
  int bits = k / 8;
  for (int i = 0; bits != 0; ++i, bits >>= 1) {
    if (bits & 1) p *= kBinaryPowerValues[i];
  }
  return p;
}

Extended ScaleByPowerOfTen(Extended x, int k) {
  if (k >= 0) return x * PowerOfTen(k);
  if (k < -kMaxPower) return x / ExtendedInfinity();
  return x / PowerOfTen(-k);
}

EighteenDigits EighteenDigitForm(Extended x) {
  EighteenDigits r;
  if (IsNaN(x)) return r;
  if (IsInf(x)) {
    r.digits = kTenTo18 - 1;
    r.exponent = 999;
    r.negative = x < 0;
    r.infinite = true;
    return r;
  }
  const Extended mag = Fabs(x);
  if (mag < kSmallestNormal) return r;  // zero and denormals: no sign either
  r.negative = x < 0;

  // First estimate of the decimal exponent from the binary one; 19728/65536
  // is just below log10(2), so the estimate is at most one too low for
  // large numbers and at most one too high for tiny ones.
  int e = BinaryExponent(mag);
  int d = static_cast<int>(std::floor(static_cast<double>(e) * 19728.0 / 65536.0));
  Extended m = RoundNonNegative(ScaleByPowerOfTen(mag, 17 - d));
  if (m < static_cast<Extended>(kTenTo17)) {
    // The estimate was one too high (only far below 1e-200): scale again
    // from the value itself with one more power of ten.
    --d;
    m = RoundNonNegative(ScaleByPowerOfTen(mag, 17 - d));
  }
  // The estimate one too low gives 19 digits: drop the last one, rounding
  // again.  (A loop, so that M can never keep 19 digits.)
  while (m >= static_cast<Extended>(kTenTo18)) {
    m = RoundNonNegative(m / 10);
    ++d;
  }
  r.digits = ToUInt64(m);
  r.exponent = d + 1;
  return r;
}

namespace {

// The significant digits of a default text: at most 15, without trailing
// zeros (none for zero), and the decimal exponent E with x = 0.d1d2... x 10^E.
struct Significant {
  char digits[15];
  int count = 0;
  int exponent = 1;
  bool negative = false;
};

constexpr uint64_t kTenTo15 = 1000000000000000ULL;

// The first 15 of the 18 digits, rounded by the 16th: above 5 up, below 5
// kept, exactly 5 up only when the 15th is odd (later digits are not looked
// at).  An infinity keeps fifteen nines, which must not carry into 1E+999.
Significant FifteenDigits(const EighteenDigits& f) {
  Significant s;
  s.exponent = f.exponent;
  uint64_t kept = f.digits / 1000;
  if (!f.infinite) {
    const uint64_t sixteen = f.digits / 100;
    kept = sixteen / 10;
    const auto decider = static_cast<unsigned>(sixteen % 10);
    if (decider > 5 || (decider == 5 && (kept & 1) != 0)) ++kept;
    if (kept >= kTenTo15) {  // a carry out of the first digit
      kept /= 10;
      ++s.exponent;
    }
  }
  s.negative = f.negative && kept != 0;
  if (kept == 0) return s;
  s.count = 15;
  while (kept % 10 == 0) {
    kept /= 10;
    --s.count;
  }
  for (int i = s.count - 1; i >= 0; --i) {
    s.digits[i] = static_cast<char>('0' + kept % 10);
    kept /= 10;
  }
  return s;
}

// Beyond 15 digits before the point, or more than 15 places after it, the
// plain form would need digits that are not there.
bool NeedsExponentForm(const Significant& s) {
  return s.exponent > 15 || s.count - s.exponent > 15;
}

void AppendDigits(std::string& out, const Significant& s, int from, int to) {
  out.append(s.digits + from, static_cast<std::size_t>(to - from));
}

// 1234 x 10^-3 -> 1.234E-3, 5 x 10^20 -> 5E+20.
void AppendExponentForm(std::string& out, const Significant& s) {
  out.push_back(s.digits[0]);
  if (s.count > 1) {
    out.push_back('.');
    AppendDigits(out, s, 1, s.count);
  }
  const int shown = s.exponent - 1;
  out.push_back('E');
  out.push_back(shown >= 0 ? '+' : '-');
  AppendDecimal(out, static_cast<unsigned>(shown >= 0 ? shown : -shown));
}

void AppendPlainForm(std::string& out, const Significant& s) {
  if (s.exponent <= 0) {
    // 1234e-6 -> .001234: no 0 before the point.
    out.push_back('.');
    out.append(static_cast<std::size_t>(-s.exponent), '0');
    AppendDigits(out, s, 0, s.count);
  } else if (s.count <= s.exponent) {
    // 12e4 -> 120000: a whole number, no point.
    AppendDigits(out, s, 0, s.count);
    out.append(static_cast<std::size_t>(s.exponent - s.count), '0');
  } else {
    // 125e2 -> 12.5
    AppendDigits(out, s, 0, s.exponent);
    out.push_back('.');
    AppendDigits(out, s, s.exponent, s.count);
  }
}

}  // namespace

std::string NumberText(Extended x, NumberForm form) {
  return NumberText(EighteenDigitForm(x), form);
}

std::string NumberText(const EighteenDigits& f, NumberForm form) {
  const Significant s = FifteenDigits(f);
  std::string out;
  if (s.negative) {
    out.push_back('-');
  } else if (form != NumberForm::Comma) {
    out.push_back(' ');  // the sign position
  }
  if (s.count == 0) {
    out.push_back('0');
  } else if (NeedsExponentForm(s)) {
    AppendExponentForm(out, s);
  } else {
    AppendPlainForm(out, s);
  }
  if (form == NumberForm::Printed) out.push_back(' ');
  return out;
}

Extended RoundTo(Extended x, int n) {
  if (n > 18) n = 18;
  if (n < -18) n = -18;
  return ScaleByPowerOfTen(RoundHalfEven(ScaleByPowerOfTen(x, n)), -n);
}

}  // namespace pw
