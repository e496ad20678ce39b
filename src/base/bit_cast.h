// The bits of a value as another type of the same size: std::bit_cast where
// the C++ library has it, else the compiler's builtin that it is made of
// (emscripten 3.1.6's library predates it).
#pragma once

#include <bit>  // IWYU pragma: keep (std::bit_cast, __cpp_lib_bit_cast)

namespace pw {

template <class To, class From>
constexpr To BitCast(const From& from) noexcept {
#if defined(__cpp_lib_bit_cast)
  return std::bit_cast<To>(from);
#else
  return __builtin_bit_cast(To, from);
#endif
}

}  // namespace pw
