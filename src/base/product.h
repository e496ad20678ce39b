// The program's name, version and the texts that say who made it.
#pragma once

#include <string_view>

namespace pw {

constexpr std::string_view kVersion = "1.01";
constexpr std::string_view kTitleLine = "   Pivotwright v1.01";
constexpr std::string_view kNoticeLine = "   Tone arm geometry tool";  // 3 blanks + 22
constexpr std::string_view kWebAddress = "www.pivotwright.local";      // 21 characters
constexpr std::string_view kWebLine = "   www.pivotwright.local";     // 3 blanks + the address

}  // namespace pw
