// The rare cases of the software extended type (zeros, infinities, NaN,
// subnormal results) and the operations that are not on the hot path.
#include "base/soft_extended.h"

#include <bit>
#include <climits>
#include <cmath>

namespace pw {

namespace {

using S = SoftExtended;

constexpr uint64_t kIntegerBit = S::kIntegerBit;

S Quiet(S x) { return S::FromBits(x.Significand() | S::kQuietBit, x.SignExponent()); }

S SignedZero(bool negative) { return S::FromBits(0, negative ? S::kSignBit : 0); }

// An encoding the x87 refuses as an operand: an exponent that is not zero
// with the integer bit clear (unnormals, pseudo-infinities, pseudo-NaNs).
bool Unsupported(S x) {
  return x.BiasedExponent() != 0 && (x.Significand() & kIntegerBit) == 0;
}

// The NaN an operation with a NaN operand gives: a quiet NaN beats a
// signalling one, and of two NaNs of the same kind the larger significand
// wins (the positive one on a tie).
S PropagateNaN(S a, S b) {
  if (!b.IsNaN()) return Quiet(a);
  if (!a.IsNaN()) return Quiet(b);
  const bool a_quiet = (a.Significand() & S::kQuietBit) != 0;
  const bool b_quiet = (b.Significand() & S::kQuietBit) != 0;
  if (a_quiet != b_quiet) return a_quiet ? a : Quiet(b);
  const uint64_t ma = a.Significand() & ~S::kQuietBit;
  const uint64_t mb = b.Significand() & ~S::kQuietBit;
  if (ma != mb) return Quiet(mb > ma ? b : a);
  return Quiet(a.Negative() ? b : a);
}

bool AnyNaN(S a, S b) { return a.IsNaN() || b.IsNaN(); }
bool AnyUnsupported(S a, S b) { return Unsupported(a) || Unsupported(b); }

// Which way RoundIntegral rounds.
enum class Toward { Down, Up, NearestEven };

// 0 < |x| < 1 rounded to an integral value: 0 or 1 with x's sign.
S RoundFraction(S x, Toward mode, int e, uint64_t sig) {
  const bool negative = x.Negative();
  const S one = S::FromBits(kIntegerBit, static_cast<uint16_t>((negative ? S::kSignBit : 0) | S::kBias));
  switch (mode) {
    case Toward::Down: return negative ? one : SignedZero(false);
    case Toward::Up: return negative ? SignedZero(true) : one;
    case Toward::NearestEven: break;
  }
  return (e == -1 && sig > kIntegerBit) ? one : SignedZero(negative);
}

// Whether the whole part goes up one unit, given the dropped fraction.
bool RoundsUp(Toward mode, bool negative, uint64_t whole, uint64_t frac, uint64_t unit) {
  switch (mode) {
    case Toward::Down: return negative;
    case Toward::Up: return !negative;
    case Toward::NearestEven: break;
  }
  return RoundsUpToEven(frac, unit >> 1, (whole & unit) != 0);
}

S RoundIntegral(S x, Toward mode) {
  if (x.IsNaN()) return Quiet(x);
  if (Unsupported(x)) return S::Indefinite();
  if (x.IsInf() || x.IsZero()) return x;
  const bool negative = x.Negative();
  const int e = BinaryExponent(x);
  if (e >= 63) return x;  // no fraction bits
  uint64_t sig = x.Significand();
  if (x.BiasedExponent() == 0) sig <<= __builtin_clzll(sig);
  if (e < 0) return RoundFraction(x, mode, e, sig);
  const int f = 63 - e;  // fraction bits, 1 to 63
  const uint64_t unit = uint64_t{1} << f;
  const uint64_t frac = sig & (unit - 1);
  if (frac == 0) return x;
  uint64_t whole = sig & ~(unit - 1);
  int biased = e + S::kBias;
  if (RoundsUp(mode, negative, whole, frac, unit)) {
    whole += unit;
    if (whole == 0) {
      whole = kIntegerBit;
      ++biased;
    }
  }
  return S::FromBits(whole, static_cast<uint16_t>((negative ? S::kSignBit : 0) | biased));
}

// floor(sqrt(m)) for m in [2^126, 2^128).
uint64_t IntegerSquareRoot(UInt128 m) {
  // A 53-bit estimate from the top half, then one Newton step.
  const auto hi = static_cast<uint64_t>(m >> 64);
  const double estimate = std::sqrt(static_cast<double>(hi)) * 0x1p32;
  uint64_t r = estimate >= 0x1p64 ? UINT64_MAX : static_cast<uint64_t>(estimate);
  UInt128 quotient;
  if (hi < r) {
    uint64_t rest;
    quotient = SoftExtended::DivideWide(hi, static_cast<uint64_t>(m), r, &rest);
  } else {
    quotient = m / r;
  }
  const UInt128 next = (static_cast<UInt128>(r) + quotient) >> 1;
  r = next > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(next);
  while (static_cast<UInt128>(r) * r > m) --r;
  while (r != UINT64_MAX && static_cast<UInt128>(r + 1) * (r + 1) <= m) ++r;
  return r;
}

}  // namespace

SoftExtended SoftExtended::FromDoubleSpecial(uint64_t bits) {
  const uint16_t sign = (bits >> 63) != 0 ? kSignBit : 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t frac = bits & ((uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) {
    // Infinity, or a NaN with its payload in the top bits, made quiet.
    return FromBits(frac == 0 ? kIntegerBit : (kIntegerBit | kQuietBit | (frac << 11)),
                    static_cast<uint16_t>(sign | kExponentMask));
  }
  if (frac == 0) return FromBits(0, sign);  // zero
  // A double subnormal is a normal extended number.
  const int shift = __builtin_clzll(frac);
  return FromBits(frac << shift, static_cast<uint16_t>(sign | (63 - shift - 1074 + kBias)));
}

SoftExtended SoftExtended::RoundTiny(bool negative, int32_t biased, UInt128 m) {
  const uint16_t sign = negative ? kSignBit : 0;
  const int32_t shift = 1 - biased;  // at least 1
  if (shift > 64) return FromBits(0, sign);  // below half the smallest subnormal
  const UInt128 t = (m >> shift) | static_cast<UInt128>((m << (128 - shift)) != 0);
  uint64_t hi = static_cast<uint64_t>(t >> 64);
  const uint64_t lo = static_cast<uint64_t>(t);
  if (RoundsUpToEven(lo, kIntegerBit, (hi & 1) != 0)) ++hi;
  // Rounding up to 2^63 gives the smallest normal number.
  return FromBits(hi, static_cast<uint16_t>(sign | ((hi & kIntegerBit) != 0 ? 1 : 0)));
}

SoftExtended SoftExtended::AddSpecial(SoftExtended a, SoftExtended b, bool subtract) {
  if (AnyNaN(a, b)) return PropagateNaN(a, b);
  if (AnyUnsupported(a, b)) return Indefinite();
  const SoftExtended c = subtract ? -b : b;
  if (a.IsInf()) {
    if (c.IsInf() && c.Negative() != a.Negative()) return Indefinite();
    return a;
  }
  if (c.IsInf()) return c;
  if (a.IsZero()) {
    if (c.IsZero()) return SignedZero(a.Negative() && c.Negative());
    return c;
  }
  return a;  // c is zero
}

SoftExtended SoftExtended::MultiplySpecial(SoftExtended a, SoftExtended b) {
  if (AnyNaN(a, b)) return PropagateNaN(a, b);
  if (AnyUnsupported(a, b)) return Indefinite();
  const bool negative = a.Negative() != b.Negative();
  if (a.IsInf() || b.IsInf()) {
    if (a.IsZero() || b.IsZero()) return Indefinite();
    return Infinity(negative);
  }
  return SignedZero(negative);
}

SoftExtended SoftExtended::DivideSpecial(SoftExtended a, SoftExtended b) {
  if (AnyNaN(a, b)) return PropagateNaN(a, b);
  if (AnyUnsupported(a, b)) return Indefinite();
  const bool negative = a.Negative() != b.Negative();
  if (a.IsInf()) return b.IsInf() ? Indefinite() : Infinity(negative);
  if (b.IsInf()) return SignedZero(negative);
  if (b.IsZero()) return a.IsZero() ? Indefinite() : Infinity(negative);
  return SignedZero(negative);  // a is zero
}

SoftExtended Sqrt(SoftExtended x) {
  if (x.IsNaN()) return Quiet(x);
  if (Unsupported(x)) return S::Indefinite();
  if (x.IsZero()) return x;
  if (x.Negative()) return S::Indefinite();
  if (x.IsInf()) return x;
  const S::Unpacked u = x.Unpack();
  // sqrt(sig * 2^(e - 63)) = sqrt(m) * 2^(result exponent - 63) with m in
  // [2^126, 2^128).
  const bool odd = (u.exponent & 1) != 0;
  const UInt128 m = static_cast<UInt128>(u.sig) << (odd ? 64 : 63);
  int exponent = odd ? (u.exponent - 1) / 2 : u.exponent / 2;
  uint64_t r = IntegerSquareRoot(m);
  // No square root lies exactly halfway, so compare with the midpoint:
  // round up when m - r^2 > r.
  if (m - static_cast<UInt128>(r) * r > r) {
    if (++r == 0) {
      r = kIntegerBit;
      ++exponent;
    }
  }
  return S::FromBits(r, static_cast<uint16_t>(exponent + S::kBias));
}

SoftExtended Floor(SoftExtended x) { return RoundIntegral(x, Toward::Down); }
SoftExtended Ceil(SoftExtended x) { return RoundIntegral(x, Toward::Up); }
SoftExtended RoundHalfEven(SoftExtended x) { return RoundIntegral(x, Toward::NearestEven); }

int BinaryExponent(SoftExtended x) {
  if (x.IsNaN() || Unsupported(x)) return FP_ILOGBNAN;
  if (x.IsInf()) return INT_MAX;
  if (x.IsZero()) return FP_ILOGB0;
  return x.Unpack().exponent;
}

namespace {

// The bits of x in a binary interchange format with a `precision`-bit
// significand and exponents up to `emax` (double: 53 and 1023; float: 24
// and 127), rounded as the x87 stores to memory: to nearest, halves to
// even, with the format's subnormals and overflow to infinity.
uint64_t BinaryBits(SoftExtended x, int precision, int emax) {
  const int fraction_bits = precision - 1;
  const int emin = 1 - emax;
  const uint64_t exponent_field = (static_cast<uint64_t>(emax) << 1) | 1;  // all ones
  const uint64_t sign = x.Negative() ? uint64_t{1} << (fraction_bits + std::bit_width(exponent_field)) : 0;
  const uint64_t infinity = sign | (exponent_field << fraction_bits);
  if (x.BiasedExponent() == S::kExponentMask && (x.Significand() & kIntegerBit) != 0) {
    if (x.IsInf()) return infinity;
    // NaN: the top of the payload, quiet.
    const uint64_t fraction_mask = (uint64_t{1} << fraction_bits) - 1;
    return infinity | (uint64_t{1} << (fraction_bits - 1)) |
           ((x.Significand() >> (64 - precision)) & fraction_mask);
  }
  if (Unsupported(x)) {  // the format's indefinite
    return (exponent_field << fraction_bits) | (uint64_t{1} << (fraction_bits - 1)) |
           (uint64_t{1} << (fraction_bits + std::bit_width(exponent_field)));
  }
  if (x.IsZero()) return sign;
  const S::Unpacked u = x.Unpack();
  if (u.exponent > emax) return infinity;
  // Keep `precision` bits, fewer for a subnormal result; the rest decide.
  const int shift = (64 - precision) + (u.exponent >= emin ? 0 : emin - u.exponent);
  uint64_t kept;
  bool up;
  if (shift > 64) {
    kept = 0;
    up = false;
  } else if (shift == 64) {
    kept = 0;
    up = u.sig > kIntegerBit;
  } else {
    kept = u.sig >> shift;
    const uint64_t rest = u.sig & ((uint64_t{1} << shift) - 1);
    up = RoundsUpToEven(rest, uint64_t{1} << (shift - 1), (kept & 1) != 0);
  }
  // For a normal result the integer bit in `kept` adds the one that the
  // biased exponent lacks; a carry out of the significand goes into the
  // exponent and may give infinity.
  uint64_t bits = u.exponent >= emin
                      ? (static_cast<uint64_t>(u.exponent + emax - 1) << fraction_bits) + kept
                      : kept;
  bits += up ? 1 : 0;
  return bits | sign;
}

}  // namespace

double ToDoubleAnyRange(SoftExtended x) {
  const uint64_t bits = BinaryBits(x, 53, 1023);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

float ToFloat(SoftExtended x) {
  const auto bits = static_cast<uint32_t>(BinaryBits(x, 24, 127));
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

uint64_t ToUInt64(SoftExtended x) {
  if (x.IsZero()) return 0;
  if (x.IsNaN() || x.IsInf() || Unsupported(x) || x.Negative()) return 0;
  const int e = BinaryExponent(x);
  if (e < 0 || e > 63) return 0;
  const int f = 63 - e;
  const uint64_t sig = x.Significand();
  if (f != 0 && (sig & ((uint64_t{1} << f) - 1)) != 0) return 0;
  return sig >> f;
}

}  // namespace pw
