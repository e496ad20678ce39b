// Float-to-integer conversion and 32-bit coordinate arithmetic as the x87
// unit does it: a value that is NaN or does not fit becomes INT32_MIN (the
// "integer indefinite"), and sums wrap like 32-bit machine integers.
#pragma once

#include <cstdint>

#include "base/extended.h"

namespace pw {

// Nearest integer, halves to the even neighbour.
inline int32_t RoundToInt32(Extended x) {
  const Extended r = RoundHalfEven(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return INT32_MIN;
  return static_cast<int32_t>(ToDouble(r));  // integral and in range: exact
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
