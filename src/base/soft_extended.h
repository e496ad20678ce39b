// A software extended-precision number with exactly the results of the x87
// unit at 64-bit precision: a 64-bit significand with an explicit integer
// bit, a 15-bit exponent (bias 16383), subnormals, infinities, NaN, and
// rounding to nearest with halves to even for every operation.
//
// The value is kept in the x87's own memory layout (significand, then sign
// and exponent), so that a long double on x86 and a SoftExtended with the
// same bits are the same number.  Every operation unpacks to a normalised
// significand and a plain exponent, works on 128-bit integers and rounds
// once.
//
// NaN results follow the x87 too: an invalid operation gives the
// "indefinite" NaN (negative, significand C000000000000000); a NaN operand
// comes back quietened, and of two NaN operands a quiet one beats a
// signalling one, then the larger significand, then the positive sign.
// Only IsNaN is part of the contract; the NaN bits matched the hardware in
// every comparison made, but nothing relies on them.
//
// Only the encodings the x87 produces itself are meaningful operands:
// unnormals and pseudo-infinities give the indefinite NaN, and
// pseudo-denormals (exponent 0 with the integer bit set) are read by value.
#pragma once

#include <cfloat>
#include <concepts>
#include <cstdint>
#include <cstring>

#include "base/bit_cast.h"

namespace pw {

__extension__ using UInt128 = unsigned __int128;
__extension__ using Int128 = __int128;

// Rounding to nearest, halves to even: whether the kept part goes up one
// unit, given the part dropped (`rest`), half a unit, and whether the kept
// part is odd.
constexpr bool RoundsUpToEven(uint64_t rest, uint64_t half, bool odd) {
  return rest > half || (rest == half && odd);
}

class SoftExtended {
 public:
  static constexpr uint64_t kIntegerBit = 0x8000000000000000u;
  static constexpr uint64_t kQuietBit = 0x4000000000000000u;
  static constexpr uint16_t kSignBit = 0x8000;
  static constexpr uint16_t kExponentMask = 0x7FFF;
  static constexpr int kBias = 16383;

  constexpr SoftExtended() = default;  // +0

  // Exact: every double and every 64-bit integer fits.
  SoftExtended(double d) {  // NOLINT(google-explicit-constructor): used as a number
    const auto bits = BitCast<uint64_t>(d);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0 || biased == 0x7FF) [[unlikely]] {
      *this = FromDoubleSpecial(bits);
      return;
    }
    sig_ = ((bits << 11) | kIntegerBit);
    se_ = static_cast<uint16_t>(((bits >> 48) & kSignBit) | (biased - 1023 + kBias));
  }
  SoftExtended(float f) : SoftExtended(static_cast<double>(f)) {}
  template <std::integral T>
    requires(sizeof(T) <= 8)
  SoftExtended(T v) {  // NOLINT(google-explicit-constructor)
    if constexpr (std::is_signed_v<T>) {
      const bool negative = v < 0;
      const uint64_t magnitude =
          negative ? 0 - static_cast<uint64_t>(static_cast<int64_t>(v)) : static_cast<uint64_t>(v);
      *this = FromMagnitude(magnitude, negative);
    } else {
      *this = FromMagnitude(static_cast<uint64_t>(v), false);
    }
  }

  // The number with these bits: the significand (integer bit included) and
  // the sign bit with the biased exponent.
  static constexpr SoftExtended FromBits(uint64_t significand, uint16_t sign_exponent) {
    SoftExtended r;
    r.sig_ = significand;
    r.se_ = sign_exponent;
    return r;
  }
  constexpr uint64_t Significand() const { return sig_; }
  constexpr uint16_t SignExponent() const { return se_; }
  constexpr bool Negative() const { return (se_ & kSignBit) != 0; }
  constexpr int BiasedExponent() const { return se_ & kExponentMask; }

  static constexpr SoftExtended Infinity(bool negative = false) {
    return FromBits(kIntegerBit, static_cast<uint16_t>(negative ? 0xFFFF : 0x7FFF));
  }
  // The x87's default NaN for invalid operations.
  static constexpr SoftExtended Indefinite() { return FromBits(0xC000000000000000u, 0xFFFF); }

  explicit operator double() const;

  friend SoftExtended operator-(SoftExtended a) {
    return FromBits(a.sig_, static_cast<uint16_t>(a.se_ ^ kSignBit));
  }
  friend SoftExtended operator+(SoftExtended a) { return a; }
  friend SoftExtended operator+(SoftExtended a, SoftExtended b) { return Add(a, b, false); }
  friend SoftExtended operator-(SoftExtended a, SoftExtended b) { return Add(a, b, true); }
  friend SoftExtended operator*(SoftExtended a, SoftExtended b) { return Multiply(a, b); }
  friend SoftExtended operator/(SoftExtended a, SoftExtended b) { return Divide(a, b); }
  SoftExtended& operator+=(SoftExtended b) { return *this = Add(*this, b, false); }
  SoftExtended& operator-=(SoftExtended b) { return *this = Add(*this, b, true); }
  SoftExtended& operator*=(SoftExtended b) { return *this = Multiply(*this, b); }
  SoftExtended& operator/=(SoftExtended b) { return *this = Divide(*this, b); }

  // Ordered comparisons are false when either side is NaN; -0 == +0.
  friend bool operator==(SoftExtended a, SoftExtended b) {
    if (a.IsNaN() || b.IsNaN()) return false;
    if (a.IsZero() && b.IsZero()) return true;
    return a.sig_ == b.sig_ && a.se_ == b.se_;
  }
  friend bool operator!=(SoftExtended a, SoftExtended b) { return !(a == b); }
  friend bool operator<(SoftExtended a, SoftExtended b) { return Less(a, b); }
  friend bool operator>(SoftExtended a, SoftExtended b) { return Less(b, a); }
  friend bool operator<=(SoftExtended a, SoftExtended b) { return LessOrEqual(a, b); }
  friend bool operator>=(SoftExtended a, SoftExtended b) { return LessOrEqual(b, a); }

  constexpr bool IsNaN() const {
    return (se_ & kExponentMask) == kExponentMask && (sig_ << 1) != 0;
  }
  constexpr bool IsInf() const {
    return (se_ & kExponentMask) == kExponentMask && (sig_ << 1) == 0;
  }
  constexpr bool IsZero() const { return (se_ & kExponentMask) == 0 && sig_ == 0; }

  // The nearest number to m * 2^(exponent - 127), where m has its top bit
  // (bit 127) set: subnormal, zero or infinite when out of range.
  static SoftExtended Round(bool negative, int32_t exponent, UInt128 m) {
    const int32_t biased = exponent + kBias;
    if (biased < 1) [[unlikely]] return RoundTiny(negative, biased, m);
    uint64_t hi = static_cast<uint64_t>(m >> 64);
    const uint64_t lo = static_cast<uint64_t>(m);
    int32_t e = biased;
    if (RoundsUpToEven(lo, kIntegerBit, (hi & 1) != 0)) {
      if (++hi == 0) {
        hi = kIntegerBit;
        ++e;
      }
    }
    if (e >= kExponentMask) return Infinity(negative);
    return FromBits(hi, static_cast<uint16_t>(e | (negative ? kSignBit : 0)));
  }

  // A finite, nonzero value as significand (top bit set) * 2^(exponent - 63);
  // subnormals come out normalised.
  struct Unpacked {
    uint64_t sig;
    int32_t exponent;
  };
  constexpr Unpacked Unpack() const {
    const int biased = se_ & kExponentMask;
    if (biased != 0 && (sig_ & kIntegerBit) != 0) [[likely]] return {sig_, biased - kBias};
    // Subnormal (exponent field 0 counts as 1).
    const int shift = __builtin_clzll(sig_);
    return {sig_ << shift, 1 - kBias - shift};
  }

  // (hi * 2^64 + lo) / d for hi < d: the quotient fits 64 bits.
  static uint64_t DivideWide(uint64_t hi, uint64_t lo, uint64_t d, uint64_t* remainder) {
#if defined(__x86_64__)
    uint64_t q, r;
    __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(lo), "d"(hi), "rm"(d));
    *remainder = r;
    return q;
#else
    const UInt128 n = (static_cast<UInt128>(hi) << 64) | lo;
    *remainder = static_cast<uint64_t>(n % d);
    return static_cast<uint64_t>(n / d);
#endif
  }

 private:
  // Finite and not zero: the arithmetic's fast path.
  constexpr bool IsFiniteNonZero() const {
    const unsigned e = se_ & kExponentMask;
    if (e - 1 < kExponentMask - 1u) return (sig_ & kIntegerBit) != 0;  // normal
    return e == 0 && sig_ != 0;  // subnormal
  }

  static SoftExtended FromMagnitude(uint64_t magnitude, bool negative) {
    if (magnitude == 0) return FromBits(0, static_cast<uint16_t>(negative ? kSignBit : 0));
    const int shift = __builtin_clzll(magnitude);
    return FromBits(magnitude << shift,
                    static_cast<uint16_t>((kBias + 63 - shift) | (negative ? kSignBit : 0)));
  }

  static int LeadingZeros(UInt128 x) {
    const uint64_t hi = static_cast<uint64_t>(x >> 64);
    return hi != 0 ? __builtin_clzll(hi) : 64 + __builtin_clzll(static_cast<uint64_t>(x));
  }

  static SoftExtended FromDoubleSpecial(uint64_t bits);  // zeros, subnormals, infinities, NaN
  static SoftExtended RoundTiny(bool negative, int32_t biased, UInt128 m);
  static SoftExtended AddSpecial(SoftExtended a, SoftExtended b, bool subtract);
  static SoftExtended MultiplySpecial(SoftExtended a, SoftExtended b);
  static SoftExtended DivideSpecial(SoftExtended a, SoftExtended b);

  static SoftExtended Add(SoftExtended a, SoftExtended b, bool subtract) {
    if (!a.IsFiniteNonZero() || !b.IsFiniteNonZero()) [[unlikely]] return AddSpecial(a, b, subtract);
    const bool a_neg = a.Negative();
    const bool b_neg = b.Negative() != subtract;
    Unpacked x = a.Unpack();
    Unpacked y = b.Unpack();
    bool negative = a_neg;
    if (x.exponent < y.exponent || (x.exponent == y.exponent && x.sig < y.sig)) {
      const Unpacked t = x;
      x = y;
      y = t;
      negative = b_neg;
    }
    // Both significands with bit 126 as the units place of x; y shifted
    // right by the exponent difference, lost bits kept as a sticky bit.
    const UInt128 big = static_cast<UInt128>(x.sig) << 63;
    const UInt128 full = static_cast<UInt128>(y.sig) << 63;
    const uint32_t d = static_cast<uint32_t>(x.exponent - y.exponent);
    UInt128 small;
    if (d == 0) {
      small = full;
    } else if (d < 128) {
      small = (full >> d) | static_cast<UInt128>((full << (128 - d)) != 0);
    } else {
      small = 1;
    }
    UInt128 m;
    if (a_neg == b_neg) {
      m = big + small;
    } else {
      m = big - small;
      if (m == 0) return SoftExtended();  // exact cancellation: +0
    }
    const int s = LeadingZeros(m);
    return Round(negative, x.exponent + 1 - s, m << s);
  }

  static SoftExtended Multiply(SoftExtended a, SoftExtended b) {
    if (!a.IsFiniteNonZero() || !b.IsFiniteNonZero()) [[unlikely]] return MultiplySpecial(a, b);
    const Unpacked x = a.Unpack();
    const Unpacked y = b.Unpack();
    const UInt128 p = static_cast<UInt128>(x.sig) * y.sig;  // in [2^126, 2^128)
    const bool negative = a.Negative() != b.Negative();
    if ((p >> 127) != 0) return Round(negative, x.exponent + y.exponent + 1, p);
    return Round(negative, x.exponent + y.exponent, p << 1);
  }

  static SoftExtended Divide(SoftExtended a, SoftExtended b) {
    if (!a.IsFiniteNonZero() || !b.IsFiniteNonZero()) [[unlikely]] return DivideSpecial(a, b);
    const Unpacked x = a.Unpack();
    const Unpacked y = b.Unpack();
    // q = floor(x.sig * 2^65 / y.sig), between 2^64 and 2^66, and a sticky
    // bit for a remainder that is not zero.
    uint64_t top = 0;
    uint64_t hi = x.sig;
    if (hi >= y.sig) {
      top = 1;
      hi -= y.sig;
    }
    uint64_t r;
    const uint64_t q0 = DivideWide(hi, 0, y.sig, &r);
    UInt128 q = (static_cast<UInt128>(top) << 64) | q0;
    // One more quotient bit from the remainder.
    const bool carry = (r >> 63) != 0;
    const uint64_t r2 = r << 1;
    const bool bit = carry || r2 >= y.sig;
    const uint64_t rest = bit ? r2 - y.sig : r2;
    q = (q << 1) | static_cast<UInt128>(bit);
    const int s = LeadingZeros(q);
    const UInt128 m = (q << s) | static_cast<UInt128>(rest != 0);
    return Round(a.Negative() != b.Negative(), x.exponent - y.exponent + 62 - s, m);
  }

  static bool Less(SoftExtended a, SoftExtended b) {
    if (a.IsNaN() || b.IsNaN()) return false;
    const bool a_neg = a.Negative() && !a.IsZero();
    const bool b_neg = b.Negative() && !b.IsZero();
    if (a_neg != b_neg) return a_neg;
    const UInt128 ma = (static_cast<UInt128>(a.se_ & kExponentMask) << 64) | a.sig_;
    const UInt128 mb = (static_cast<UInt128>(b.se_ & kExponentMask) << 64) | b.sig_;
    return a_neg ? mb < ma : ma < mb;
  }
  static bool LessOrEqual(SoftExtended a, SoftExtended b) {
    if (a.IsNaN() || b.IsNaN()) return false;
    return !Less(b, a);
  }

  uint64_t sig_ = 0;
  uint16_t se_ = 0;
};

SoftExtended Sqrt(SoftExtended x);  // NaN for negative x, -0 for -0
inline SoftExtended Fabs(SoftExtended x) {
  return SoftExtended::FromBits(x.Significand(),
                                static_cast<uint16_t>(x.SignExponent() & SoftExtended::kExponentMask));
}
SoftExtended Floor(SoftExtended x);
SoftExtended Ceil(SoftExtended x);
SoftExtended RoundHalfEven(SoftExtended x);
int BinaryExponent(SoftExtended x);  // as ilogb: FP_ILOGB0, FP_ILOGBNAN, INT_MAX for inf
inline bool IsNaN(SoftExtended x) { return x.IsNaN(); }
inline bool IsInf(SoftExtended x) { return x.IsInf(); }
// As the x87 stores a double: rounded to nearest, halves to even, with the
// double's subnormals and overflow to infinity.
double ToDoubleAnyRange(SoftExtended x);
inline double ToDouble(SoftExtended x) {
  const int e = x.BiasedExponent() - SoftExtended::kBias;
  const uint64_t sig = x.Significand();
  if (e < -1022 || e > 1023 || (sig & SoftExtended::kIntegerBit) == 0) [[unlikely]] {
    return ToDoubleAnyRange(x);
  }
  // 53 bits kept; the integer bit adds the one the biased exponent lacks,
  // and a carry out of the significand raises the exponent (to infinity
  // past the largest double).
  const uint64_t kept = sig >> 11;
  const uint64_t rest = sig & 0x7FF;
  const uint64_t up = RoundsUpToEven(rest, 0x400, (kept & 1) != 0) ? 1 : 0;
  const uint64_t sign = x.Negative() ? uint64_t{1} << 63 : 0;
  return BitCast<double>(((static_cast<uint64_t>(e + 1022) << 52) + kept + up) | sign);
}
float ToFloat(SoftExtended x);    // as the x87 stores a float
uint64_t ToUInt64(SoftExtended x);  // an integral value in [0, 2^64), else 0

inline SoftExtended::operator double() const { return ToDouble(*this); }

// The same number in a long double, where long double is the x87 format.
#if LDBL_MANT_DIG == 64 && (defined(__x86_64__) || defined(__i386__))
#define PW_X87_LONG_DOUBLE 1
inline SoftExtended SoftFromX87(long double x) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &x, sizeof x);
  uint64_t sig;
  uint16_t se;
  std::memcpy(&sig, bytes, 8);
  std::memcpy(&se, bytes + 8, 2);
  return SoftExtended::FromBits(sig, se);
}
inline long double X87FromSoft(SoftExtended x) {
  unsigned char bytes[sizeof(long double)] = {};
  const uint64_t sig = x.Significand();
  const uint16_t se = x.SignExponent();
  std::memcpy(bytes, &sig, 8);
  std::memcpy(bytes + 8, &se, 2);
  long double r;
  std::memcpy(&r, bytes, sizeof r);
  return r;
}
#else
#define PW_X87_LONG_DOUBLE 0
#endif

}  // namespace pw
