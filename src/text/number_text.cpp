// The default number text, rounding to decimal places and the power-of-ten
// routine shared with the text-to-number conversion.  All digit generation
// runs in long double (x86-64 extended precision, 64-bit significand).
#include "text/number_text.h"

#include <cfloat>
#include <cmath>

namespace pw {

namespace {

// 10^0 .. 10^7: exact in any binary format with a 64-bit significand.
constexpr long double kSmallPowers[8] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L};

// 10^(8 * 2^i), rounded to long double (10^8 and 10^16 are exact).
constexpr long double kBinaryPowers[10] = {1e8L,   1e16L,  1e32L,   1e64L,   1e128L,
                                           1e256L, 1e512L, 1e1024L, 1e2048L, 1e4096L};

// Above this, 10^k overflows long double; below its negative, 10^-k
// underflows to zero.
constexpr int kMaxPower = 4951;

constexpr uint64_t kTenTo17 = 100000000000000000ULL;
constexpr uint64_t kTenTo18 = 1000000000000000000ULL;

// Smallest normal double: anything smaller in magnitude renders as zero.
constexpr long double kSmallestNormal = 0x1p-1022L;

// Rounds a non-negative value to an integer, halves to even.  From 2^63 on
// every long double is an integer already; below it, adding 2^63 leaves no
// fraction bits, so the addition itself rounds (in the default rounding
// mode) and the subtraction is exact.  Much cheaper than nearbyintl, which
// saves and restores the floating-point environment on every call.
long double RoundNonNegative(long double x) {
  constexpr long double kTwoTo63 = 0x1p63L;
  if (!(x < kTwoTo63)) return x;
  return (x + kTwoTo63) - kTwoTo63;
}

}  // namespace

void AppendDecimal(std::string& out, unsigned v, int min_digits) {
  char buf[12];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = n; i < min_digits; ++i) out.push_back('0');
  while (n > 0) out.push_back(buf[--n]);
}

long double PowerOfTen(int k) {
  if (k < 0) {
    if (k < -kMaxPower) return 0.0L;
    return 1.0L / PowerOfTen(-k);
  }
  if (k > kMaxPower) return HUGE_VALL;
  long double p = kSmallPowers[k % 8];
  int bits = k / 8;
  for (int i = 0; bits != 0; ++i, bits >>= 1) {
    if (bits & 1) p *= kBinaryPowers[i];
  }
  return p;
}

long double ScaleByPowerOfTen(long double x, int k) {
  if (k >= 0) return x * PowerOfTen(k);
  if (k < -kMaxPower) return x / HUGE_VALL;
  return x / PowerOfTen(-k);
}

EighteenDigits EighteenDigitForm(long double x) {
  EighteenDigits r;
  if (std::isnan(x)) return r;
  if (std::isinf(x)) {
    r.digits = kTenTo18 - 1;
    r.exponent = 999;
    r.negative = x < 0;
    return r;
  }
  long double mag = fabsl(x);
  if (mag < kSmallestNormal) return r;  // zero and denormals: no sign either
  r.negative = x < 0;

  // First estimate of the decimal exponent from the binary one; 19728/65536
  // is just below log10(2), so the estimate is at most one too low for
  // large numbers and at most one too high for tiny ones.
  int e = ilogbl(mag);
  int d = static_cast<int>(std::floor(static_cast<double>(e) * 19728.0 / 65536.0));
  long double m = RoundNonNegative(ScaleByPowerOfTen(mag, 17 - d));
  if (m < static_cast<long double>(kTenTo17)) {
    // The estimate was one too high (only far below 1e-200): scale again
    // from the value itself with one more power of ten.
    --d;
    m = RoundNonNegative(ScaleByPowerOfTen(mag, 17 - d));
  }
  // The estimate one too low gives 19 digits: drop the last one, rounding
  // again.  (A loop, so that M can never keep 19 digits.)
  while (m >= static_cast<long double>(kTenTo18)) {
    m = RoundNonNegative(m / 10.0L);
    ++d;
  }
  r.digits = static_cast<uint64_t>(m);
  r.exponent = d + 1;
  return r;
}

std::string NumberText(long double x, NumberForm form) {
  EighteenDigits f = EighteenDigitForm(x);
  int exponent = f.exponent;
  uint64_t digits;  // the 15 significant digits, possibly with trailing zeros
  if (std::isinf(x)) {
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

long double RoundTo(long double x, int n) {
  if (n > 18) n = 18;
  if (n < -18) n = -18;
  return ScaleByPowerOfTen(rintl(ScaleByPowerOfTen(x, n)), -n);
}

void PrintNumber(ConsoleScreen& s, long double x) {
  PrintText(s, NumberText(x, NumberForm::Printed));
}

}  // namespace pw
