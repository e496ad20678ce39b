#include "geometry/alignment.h"

namespace pw {

// Baerwald's null radii with the program's stored constants.  Products and
// the sum are carried in extended precision, one division last; no sorting:
// the names follow the formula, not the size of the result.
NullRadii ComputeNullRadii(GrooveSpan span) {
  const long double r1 = span.inner;
  const long double r2 = span.outer;
  const long double kMajor = 1.7071068;  // the nearest double, widened
  const long double kMinor = 0.2928932;
  const long double numerator = r1 * 2 * r2;
  NullRadii n;
  n.outer = static_cast<double>(numerator / (r1 * kMajor + r2 * kMinor));
  n.inner = static_cast<double>(numerator / (r2 * kMajor + r1 * kMinor));
  return n;
}

}  // namespace pw
