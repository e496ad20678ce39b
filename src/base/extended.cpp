#include "base/extended.h"

#include <cmath>

namespace pw {

#if PW_HARDWARE_EXTENDED

Extended ExtendedFromParts(uint64_t significand, int exponent) {
  return std::ldexp(static_cast<long double>(significand), exponent);
}

Extended Tan(Extended x) { return tanl(x); }
Extended Atan(Extended x) { return atanl(x); }
ExtendedRange TanRange(Extended x) {
  const Extended t = tanl(x);
  return {t, t};
}
ExtendedRange AtanRange(Extended x) {
  const Extended t = atanl(x);
  return {t, t};
}

void UseExtendedPrecision() {}

#endif

}  // namespace pw
