#include "base/extended.h"
#include "geometry/alignment.h"

namespace pw {

// Baerwald's null radii with the program's stored constants.  Products and
// the sum are carried in extended precision, one division last; no sorting:
// the names follow the formula, not the size of the result.
NullRadii ComputeNullRadii(GrooveSpan span) {
  const Extended r1 = span.inner;
  const Extended r2 = span.outer;
  constexpr double kMajor = 1.7071068;  // 1 + 1/sqrt 2 as stored
  constexpr double kMinor = 0.2928932;  // 1 - 1/sqrt 2 as stored
  const Extended numerator = r1 * 2 * r2;
  NullRadii n;
  n.outer = ToDouble(numerator / (r1 * kMajor + r2 * kMinor));
  n.inner = ToDouble(numerator / (r2 * kMajor + r1 * kMinor));
  return n;
}

}  // namespace pw
