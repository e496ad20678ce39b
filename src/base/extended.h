// Extended precision: a 64-bit significand, a 15-bit exponent (with
// subnormals, infinities and NaN) and rounding to nearest, halves to even.
// Every intermediate result the program carries "in extended precision" is
// an Extended; every named value is stored as a double.
//
// Where long double is exactly that format (the x87 unit on x86 and x86-64)
// Extended is long double and costs nothing.  Elsewhere, or when the build
// asks for it with PW_SOFT_EXTENDED, Extended is a software type that gives
// the same bits for every operation.
//
// Tangent and arctangent are correctly rounded: the exact value rounded once
// to 64 bits, the same on every platform (extended.cpp says how each
// platform gets there; base/tangent.h has the pieces).
#pragma once

#include <cstdint>

// The software type is compiled in every build, so that it can be checked
// against the hardware where both exist.  It also says whether long double
// is the x87 format (PW_X87_LONG_DOUBLE).
#include "base/soft_extended.h"

#if !defined(PW_SOFT_EXTENDED) && PW_X87_LONG_DOUBLE
#define PW_HARDWARE_EXTENDED 1
#else
#define PW_HARDWARE_EXTENDED 0
#endif

namespace pw {

#if PW_HARDWARE_EXTENDED
using Extended = long double;
#else
using Extended = SoftExtended;
#endif

// The exact value significand * 2^exponent (the significand has at most 64
// bits, so no rounding happens).  For constants that must be the same bits
// on every platform, whatever the compiler makes of a long double literal.
Extended ExtendedFromParts(uint64_t significand, int exponent);

Extended ExtendedInfinity();

Extended Sqrt(Extended x);            // NaN for negative x
Extended Fabs(Extended x);
Extended Floor(Extended x);
Extended Ceil(Extended x);
Extended RoundHalfEven(Extended x);   // nearest integral value, halves to even
int BinaryExponent(Extended x);       // e with 2^e <= |x| < 2^(e+1), x finite and not 0
bool IsNaN(Extended x);
bool IsInf(Extended x);
double ToDouble(Extended x);          // rounded to nearest, halves to even
float ToFloat(Extended x);            // rounded to nearest, halves to even
// An integral value in [0, 2^64) as an integer; anything else gives 0.
uint64_t ToUInt64(Extended x);

// Correctly rounded tangent and arctangent.  They can be slow (a
// multiple-precision evaluation) when the fast evaluation cannot decide the
// last bit; where only the double that a result rounds to matters, the
// ranges below settle most cases cheaply.
Extended Tan(Extended x);
Extended Atan(Extended x);

// A range [low, high] that holds the correctly rounded tan(x) or atan(x),
// from the fast evaluation alone: a few units in the last place wide, or a
// single value where the fast evaluation already decides the rounding.
// Anything computed from the result by monotone steps that gives the same
// answer at both ends gives that answer for the correctly rounded value too.
struct ExtendedRange {
  Extended low;
  Extended high;
};
ExtendedRange TanRange(Extended x);
ExtendedRange AtanRange(Extended x);

// Makes sure the x87 unit rounds to 64 bits (some start-up code sets 53).
// Does nothing where Extended is not the x87 type.
void UseExtendedPrecision();

// The same number as a SoftExtended and back (the same bits).
SoftExtended ToSoftExtended(Extended x);
Extended FromSoftExtended(SoftExtended x);

#if PW_HARDWARE_EXTENDED

inline Extended ExtendedInfinity() { return __builtin_huge_vall(); }
inline Extended Sqrt(Extended x) { return __builtin_sqrtl(x); }
inline Extended Fabs(Extended x) { return __builtin_fabsl(x); }
inline Extended Floor(Extended x) { return __builtin_floorl(x); }
inline Extended Ceil(Extended x) { return __builtin_ceill(x); }
inline Extended RoundHalfEven(Extended x) { return __builtin_nearbyintl(x); }
// The exponent and the integer are read from the number's bits: the library
// call and the x87's own conversion (which switches the rounding mode twice)
// cost more than the rest of a number's digits.
inline int BinaryExponent(Extended x) { return BinaryExponent(SoftFromX87(x)); }
inline uint64_t ToUInt64(Extended x) { return ToUInt64(SoftFromX87(x)); }
inline bool IsNaN(Extended x) { return __builtin_isnan(x); }
inline bool IsInf(Extended x) { return __builtin_isinf(x); }
inline double ToDouble(Extended x) { return static_cast<double>(x); }
inline float ToFloat(Extended x) { return static_cast<float>(x); }
inline SoftExtended ToSoftExtended(Extended x) { return SoftFromX87(x); }
inline Extended FromSoftExtended(SoftExtended x) { return X87FromSoft(x); }

#else

// Sqrt, Fabs, Floor, Ceil, RoundHalfEven, BinaryExponent, IsNaN, IsInf,
// ToDouble, ToFloat and ToUInt64 are the software type's own (soft_extended.h).
inline Extended ExtendedInfinity() { return SoftExtended::Infinity(); }
inline SoftExtended ToSoftExtended(Extended x) { return x; }
inline Extended FromSoftExtended(SoftExtended x) { return x; }

#endif

}  // namespace pw
