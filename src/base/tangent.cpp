#include "base/tangent.h"

#include <cstdint>  // before mpfr.h, for its intmax_t functions
#include <mpfr.h>

#include <cmath>
#include <cstring>

#if PW_BINARY128 == 2
#include <quadmath.h>
#endif

namespace pw {

namespace {

using S = SoftExtended;

// The x87 range in MPFR's terms (a significand in [1/2, 1)): the smallest
// subnormal 2^-16445 and the largest finite value just below 2^16384.
constexpr mpfr_exp_t kMpfrEmin = -16444;
constexpr mpfr_exp_t kMpfrEmax = 16384;
constexpr mpfr_prec_t kPrecision = 64;

void SetExact(mpfr_t m, S x) {
  const int sign = x.Negative() ? -1 : 1;
  if (x.IsNaN()) {
    mpfr_set_nan(m);
  } else if (x.IsInf()) {
    mpfr_set_inf(m, sign);
  } else if (x.IsZero()) {
    mpfr_set_zero(m, sign);
  } else {
    const int biased = x.BiasedExponent() == 0 ? 1 : x.BiasedExponent();
    mpfr_set_uj_2exp(m, x.Significand(), biased - S::kBias - 63, MPFR_RNDN);  // exact
    if (sign < 0) mpfr_neg(m, m, MPFR_RNDN);
  }
}

// m holds a value that an extended number represents exactly.
S GetExact(const mpfr_t m) {
  if (mpfr_nan_p(m)) return S::Indefinite();
  const bool negative = mpfr_signbit(m) != 0;
  if (mpfr_inf_p(m)) return S::Infinity(negative);
  if (mpfr_zero_p(m)) return S::FromBits(0, negative ? S::kSignBit : 0);
  const mpfr_exp_t e = mpfr_get_exp(m);  // |m| in [2^(e-1), 2^e)
  mpfr_t t;
  mpfr_init2(t, kPrecision);
  mpfr_abs(t, m, MPFR_RNDN);
  mpfr_set_exp(t, 64);  // now in [2^63, 2^64), an integer
  const uint64_t sig = static_cast<uint64_t>(mpfr_get_uj(t, MPFR_RNDN));
  mpfr_clear(t);
  return S::Round(negative, static_cast<int32_t>(e - 1), static_cast<UInt128>(sig) << 64);
}

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

// f(x) rounded once to 64 bits within the x87 range, subnormals included.
S Reference(MpfrFunction f, S x) {
  mpfr_t in, out;
  mpfr_init2(in, kPrecision);
  mpfr_init2(out, kPrecision);
  SetExact(in, x);
  const mpfr_exp_t emin = mpfr_get_emin();
  const mpfr_exp_t emax = mpfr_get_emax();
  mpfr_set_emin(kMpfrEmin);
  mpfr_set_emax(kMpfrEmax);
  int ternary = f(out, in, MPFR_RNDN);
  ternary = mpfr_check_range(out, ternary, MPFR_RNDN);
  mpfr_subnormalize(out, ternary, MPFR_RNDN);
  mpfr_set_emin(emin);
  mpfr_set_emax(emax);
  const S r = GetExact(out);
  mpfr_clear(in);
  mpfr_clear(out);
  return r;
}

// The order of representable magnitudes: the biased exponent above the 63
// fraction bits, so that the next number up is the next integer.
UInt128 MagnitudeKey(S x) {
  return (static_cast<UInt128>(x.BiasedExponent()) << 63) | (x.Significand() & ~S::kIntegerBit);
}
S FromMagnitudeKey(UInt128 key, bool negative) {
  const auto biased = static_cast<uint16_t>(key >> 63);
  uint64_t sig = static_cast<uint64_t>(key) & ~S::kIntegerBit;
  if (biased != 0) sig |= S::kIntegerBit;
  return S::FromBits(sig, static_cast<uint16_t>(biased | (negative ? S::kSignBit : 0)));
}

#if PW_BINARY128

static_assert(sizeof(Binary128) == 16);

SoftRange RangeFromBinary128(Binary128 q) {
  UInt128 bits;
  std::memcpy(&bits, &q, sizeof bits);
  const bool negative = (bits >> 127) != 0;
  const UInt128 magnitude = bits & ~(static_cast<UInt128>(1) << 127);
  if ((magnitude >> 112) == 0x7FFF) {  // infinity or NaN
    const S r = (magnitude << 16) != 0 ? S::Indefinite() : S::Infinity(negative);
    return {r, r};
  }
  // The 49 bits below the 64-bit significand against the rounding
  // boundary halfway between two 64-bit numbers.
  constexpr UInt128 kHalf = static_cast<UInt128>(1) << 48;
  const UInt128 low = magnitude & ((static_cast<UInt128>(1) << 49) - 1);
  const UInt128 below = magnitude >> 49;  // the 64-bit magnitude just below
  const UInt128 distance = low > kHalf ? low - kHalf : kHalf - low;
  if (distance > kBinary128ErrorBound) {
    const S r = FromMagnitudeKey(below + (low > kHalf ? 1 : 0), negative);
    return {r, r};
  }
  const S smaller = FromMagnitudeKey(below, negative);
  const S larger = FromMagnitudeKey(below + 1, negative);
  if (negative) return {larger, smaller};
  return {smaller, larger};
}

#endif

}  // namespace

SoftExtended CorrectlyRoundedTan(SoftExtended x) {
  if (x.IsNaN()) return x + x;  // quietened
  if (x.IsInf()) return S::Indefinite();
  return Reference(mpfr_tan, x);
}

SoftExtended CorrectlyRoundedAtan(SoftExtended x) {
  if (x.IsNaN()) return x + x;
  return Reference(mpfr_atan, x);
}

SoftExtended StepExtended(SoftExtended x, int steps) {
  // Signed keys: negative numbers below zero in the same order.
  const auto key = static_cast<Int128>(MagnitudeKey(x));
  const Int128 v = (x.Negative() ? -key : key) + steps;
  if (v < 0) return FromMagnitudeKey(static_cast<UInt128>(-v), true);
  if (v == 0) return x.Negative() && steps == 0 ? x : S();
  return FromMagnitudeKey(static_cast<UInt128>(v), false);
}

SoftRange WidenedRange(SoftExtended x, int ulps) {
  if (x.IsNaN() || x.IsInf()) return {x, x};
  return {StepExtended(x, -ulps), StepExtended(x, ulps)};
}

#if PW_BINARY128

#if PW_BINARY128 == 1
Binary128 Tan128(Binary128 x) { return tanl(x); }
Binary128 Atan128(Binary128 x) { return atanl(x); }
#else
Binary128 Tan128(Binary128 x) { return tanq(x); }
Binary128 Atan128(Binary128 x) { return atanq(x); }
#endif

Binary128 ToBinary128(SoftExtended x) {
  const UInt128 bits = (static_cast<UInt128>(x.SignExponent()) << 112) |
                       (static_cast<UInt128>(x.Significand() & ~S::kIntegerBit) << 49);
  Binary128 q;
  std::memcpy(&q, &bits, sizeof q);
  return q;
}

SoftRange Binary128TanRange(SoftExtended x) {
  if (x.IsNaN() || x.IsInf()) {
    const S r = CorrectlyRoundedTan(x);  // NaN
    return {r, r};
  }
  if (x.IsZero()) return {x, x};  // tan(+-0) = +-0
  return RangeFromBinary128(Tan128(ToBinary128(x)));
}

SoftRange Binary128AtanRange(SoftExtended x) {
  if (x.IsNaN() || x.IsZero()) {
    const S r = x.IsNaN() ? x + x : x;
    return {r, r};
  }
  return RangeFromBinary128(Atan128(ToBinary128(x)));
}

#endif

}  // namespace pw
