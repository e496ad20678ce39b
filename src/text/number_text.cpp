// The default number text, rounding to decimal places and the power-of-ten
// routine shared with the text-to-number conversion.  All digit generation
// runs in extended precision (base/extended.h).
#include "text/number_text.h"

#include <cfloat>
#include <cmath>

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
    if (bits & 1) p *= ExtendedFromParts(kBinaryPowers[i].significand, kBinaryPowers[i].exponent);
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

std::string NumberText(Extended x, NumberForm form) {
  EighteenDigits f = EighteenDigitForm(x);
  int exponent = f.exponent;
  uint64_t digits;  // the 15 significant digits, possibly with trailing zeros
  if (IsInf(x)) {
    // Fifteen nines as they stand: the remaining nines must not carry them
    // into 1E+999.
    digits = f.digits / 1000;
  } else {
    uint64_t sixteen = f.digits / 100;
    digits = sixteen / 10;
    unsigned decider = static_cast<unsigned>(sixteen % 10);
    if (decider > 5 || (decider == 5 && (digits & 1) != 0)) ++digits;
    if (digits >= 1000000000000000ULL) {  // carry out of the first digit
      digits /= 10;
      ++exponent;
    }
  }

  std::string out;
  out.reserve(26);
  if (f.negative && digits != 0) {
    out.push_back('-');
  } else if (form != NumberForm::Comma) {
    out.push_back(' ');
  }

  if (digits == 0) {
    out.push_back('0');
  } else {
    char buf[16];
    int k = 15;
    while (digits % 10 == 0) {
      digits /= 10;
      --k;
    }
    for (int i = k - 1; i >= 0; --i) {
      buf[i] = static_cast<char>('0' + digits % 10);
      digits /= 10;
    }
    if (exponent > 15 || k - exponent > 15) {
      out.push_back(buf[0]);
      if (k > 1) {
        out.push_back('.');
        out.append(buf + 1, static_cast<std::size_t>(k - 1));
      }
      out.push_back('E');
      int shown = exponent - 1;
      out.push_back(shown >= 0 ? '+' : '-');
      AppendDecimal(out, static_cast<unsigned>(shown >= 0 ? shown : -shown), 1);
    } else if (exponent <= 0) {
      out.push_back('.');
      out.append(static_cast<std::size_t>(-exponent), '0');
      out.append(buf, static_cast<std::size_t>(k));
    } else if (k <= exponent) {
      out.append(buf, static_cast<std::size_t>(k));
      out.append(static_cast<std::size_t>(exponent - k), '0');
    } else {
      out.append(buf, static_cast<std::size_t>(exponent));
      out.push_back('.');
      out.append(buf + exponent, static_cast<std::size_t>(k - exponent));
    }
  }
  if (form == NumberForm::Printed) out.push_back(' ');
  return out;
}

Extended RoundTo(Extended x, int n) {
  if (n > 18) n = 18;
  if (n < -18) n = -18;
  return ScaleByPowerOfTen(RoundHalfEven(ScaleByPowerOfTen(x, n)), -n);
}

void PrintNumber(ConsoleScreen& s, Extended x) {
  PrintText(s, NumberText(x, NumberForm::Printed));
}

}  // namespace pw
