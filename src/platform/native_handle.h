// How the operating system names an open file, terminal or console.
#pragma once

#include <cstdint>

namespace pw {

#if defined(_WIN32)
using NativeHandle = std::intptr_t;  // the value of a HANDLE
#else
using NativeHandle = int;            // a file descriptor
#endif
constexpr NativeHandle kNoHandle = -1;

}  // namespace pw
