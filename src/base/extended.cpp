#include "base/extended.h"

#include <cmath>

#include "base/tangent.h"

// How the tangent and arctangent are settled on this platform:
//   - the x87 with the GNU C library: its tanl (a software evaluation) and
//     atanl (the fpatan instruction) widened by a bound on their error give
//     the range;
//   - a binary128 tangent and arctangent (long double on aarch64,
//     libquadmath on other x86 builds): the 113-bit result decides the
//     64-bit rounding unless it lies within its error bound of a rounding
//     boundary;
//   - otherwise the multiple-precision reference alone.
// Tan and Atan themselves take the binary128 result where there is one and
// it decides, else the reference.
#if PW_HARDWARE_EXTENDED && defined(__GLIBC__)
#define PW_TANGENT_WIDENED 1
#else
#define PW_TANGENT_WIDENED 0
#endif

namespace pw {

namespace {

#if PW_TANGENT_WIDENED
// Largest distance, in representable numbers, between the library's tanl or
// atanl and the correctly rounded value that the range allows for.  Measured
// against a 256-bit evaluation over 30 million arguments (wide ranges, huge
// arguments, the tracking angles near pi and 0, near pi/2;
// bench/tangent_error.cpp): at most 1.61 units in the last place for tanl
// and 0.63 for atanl, so at most 2 steps from the correctly rounded value.
// The bound allows twice that.
constexpr int kLibraryErrorSteps = 4;

// The numbers kLibraryErrorSteps representable numbers below and above t.
ExtendedRange Widened(long double t) {
  const SoftRange r = WidenedRange(SoftFromX87(t), kLibraryErrorSteps);
  return {X87FromSoft(r.low), X87FromSoft(r.high)};
}
#endif

#if PW_BINARY128
bool OneValue(SoftRange r) {
  return r.low.SignExponent() == r.high.SignExponent() && r.low.Significand() == r.high.Significand();
}
#endif

#if !PW_TANGENT_WIDENED && PW_BINARY128
ExtendedRange FromSoftRange(SoftRange r) { return {FromSoftExtended(r.low), FromSoftExtended(r.high)}; }
#endif

}  // namespace

#if PW_HARDWARE_EXTENDED

Extended ExtendedFromParts(uint64_t significand, int exponent) {
  return std::ldexp(static_cast<long double>(significand), exponent);
}

#else

Extended ExtendedFromParts(uint64_t significand, int exponent) {
  if (significand == 0) return SoftExtended();
  const int shift = __builtin_clzll(significand);
  return SoftExtended::Round(false, exponent + 63 - shift,
                             static_cast<UInt128>(significand << shift) << 64);
}

#endif

Extended Tan(Extended x) {
#if PW_BINARY128
  const SoftRange r = Binary128TanRange(ToSoftExtended(x));
  if (OneValue(r)) return FromSoftExtended(r.low);
#endif
  return FromSoftExtended(CorrectlyRoundedTan(ToSoftExtended(x)));
}

Extended Atan(Extended x) {
#if PW_BINARY128
  const SoftRange r = Binary128AtanRange(ToSoftExtended(x));
  if (OneValue(r)) return FromSoftExtended(r.low);
#endif
  return FromSoftExtended(CorrectlyRoundedAtan(ToSoftExtended(x)));
}

ExtendedRange TanRange(Extended x) {
#if PW_TANGENT_WIDENED
  if (x == 0) return {x, x};
  return Widened(tanl(x));
#elif PW_BINARY128
  return FromSoftRange(Binary128TanRange(ToSoftExtended(x)));
#else
  const Extended t = Tan(x);
  return {t, t};
#endif
}

ExtendedRange AtanRange(Extended x) {
#if PW_TANGENT_WIDENED
  if (x == 0) return {x, x};
  return Widened(atanl(x));
#elif PW_BINARY128
  return FromSoftRange(Binary128AtanRange(ToSoftExtended(x)));
#else
  const Extended t = Atan(x);
  return {t, t};
#endif
}

#if PW_HARDWARE_EXTENDED && defined(__GNUC__)

void UseExtendedPrecision() {
  // Precision control is bits 8 and 9 of the control word; 11 is 64 bits.
  uint16_t word;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  const auto wanted = static_cast<uint16_t>(word | 0x0300);
  if (wanted != word) __asm__ volatile("fldcw %0" : : "m"(wanted));
}

#else

void UseExtendedPrecision() {}

#endif

}  // namespace pw
