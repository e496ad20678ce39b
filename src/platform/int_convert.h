// Float-to-integer conversion and 32-bit coordinate arithmetic as the x87
// unit does it: a value that is NaN or does not fit becomes INT32_MIN (the
// "integer indefinite"), and sums wrap like 32-bit machine integers.
#pragma once

#include <cmath>
#include <cstdint>

namespace pw {

// Nearest integer, halves to the even neighbour.
inline int32_t RoundToInt32(long double x) {
  if (!(x >= -2147483648.5L && x <= 2147483647.5L)) return INT32_MIN;
  long double r = nearbyintl(x);  // default rounding mode: halves to even
  if (r < -2147483648.0L || r > 2147483647.0L) return INT32_MIN;
  return static_cast<int32_t>(r);
}

// Largest integer not above x, INT32_MIN when it does not fit.
inline int32_t FloorToInt32(long double x) {
  long double r = floorl(x);
  if (!(r >= -2147483648.0L && r <= 2147483647.0L)) return INT32_MIN;
  return static_cast<int32_t>(r);
}

inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace pw
