// Tangent and arctangent rounded once to extended precision, and the fast
// evaluations that settle them most of the time.  base/extended.h picks one
// of these for Tan, Atan, TanRange and AtanRange; they are all declared
// here, working on the software type, so that tests and benchmarks can hold
// each of them against the multiple-precision reference on one machine.
#pragma once

#include <cfloat>
#include <cstdint>

#include "base/soft_extended.h"

// A binary128 tangent and arctangent: long double itself (aarch64 and other
// platforms where long double has a 113-bit significand), or libquadmath's
// __float128 functions where the build found them (x86).
#if LDBL_MANT_DIG == 113
#define PW_BINARY128 1
#elif defined(PW_HAVE_QUADMATH)
#define PW_BINARY128 2
#else
#define PW_BINARY128 0
#endif

namespace pw {

struct SoftRange {
  SoftExtended low;
  SoftExtended high;
};

// The exact value rounded once to extended precision (a multiple-precision
// evaluation with the x87's exponent range and subnormals).  NaN for NaN and
// for the tangent of an infinity.
SoftExtended CorrectlyRoundedTan(SoftExtended x);
SoftExtended CorrectlyRoundedAtan(SoftExtended x);

// The value `steps` representable extended numbers above x (below for a
// negative count); x finite.
SoftExtended StepExtended(SoftExtended x, int steps);

// The range of values within `ulps` representable numbers of x.  A NaN or an
// infinity is its own range.
SoftRange WidenedRange(SoftExtended x, int ulps);

#if PW_BINARY128
#if PW_BINARY128 == 1
using Binary128 = long double;
#else
using Binary128 = __float128;
#endif

// The platform's binary128 tangent and arctangent.
Binary128 Tan128(Binary128 x);
Binary128 Atan128(Binary128 x);

// The same number in binary128: the two formats share the sign, the biased
// exponent and its range, and the 113-bit significand has the 63 fraction
// bits at its top (subnormal extended values are binary128 subnormals with
// the same exponent field).
Binary128 ToBinary128(SoftExtended x);

// Largest error of the binary128 tangent and arctangent that the ranges
// below allow for, in units in the last place of the 113-bit result: far
// above what the libraries reach, far below the 2^48 units between a
// 64-bit rounding boundary and a 64-bit number.
constexpr uint64_t kBinary128ErrorBound = uint64_t{1} << 16;

// From the binary128 result: one value when no 64-bit rounding boundary lies
// within the error bound, else the two numbers on either side of it.
SoftRange Binary128TanRange(SoftExtended x);
SoftRange Binary128AtanRange(SoftExtended x);
#endif

}  // namespace pw
