// The program's name, version and the texts that say who made it.
#pragma once

#include <string_view>

// The version comes from the build: project(... VERSION ...) in
// CMakeLists.txt.
#ifndef PW_VERSION
#error "PW_VERSION is not defined: build with CMake"
#endif

namespace pw {

constexpr std::string_view kVersion = PW_VERSION;
constexpr std::string_view kTitleLine = "   Pivotwright v" PW_VERSION;
constexpr std::string_view kNoticeLine = "   Tone arm geometry tool";  // 3 blanks + 22
constexpr std::string_view kWebAddress = "www.pivotwright.local";      // 21 characters
constexpr std::string_view kWebLine = "   www.pivotwright.local";     // 3 blanks + the address

}  // namespace pw
