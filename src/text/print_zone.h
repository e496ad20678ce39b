// Print zones: 14 columns wide, on the screen and in files.  A zone tab
// moves to the start of the next zone (columns 1, 15, 29, 43, ...).
#pragma once

#include <cstddef>
#include <string_view>

namespace pw {

constexpr std::size_t kZoneWidth = 14;

// Blanks from a position `written` characters into a line to the start of
// the next zone: 1 to 14, a whole zone at the start of a line.
constexpr std::size_t BlanksToNextZone(std::size_t written) {
  return kZoneWidth - written % kZoneWidth;
}

// Those blanks.
constexpr std::string_view ZoneBlanks(std::size_t written) {
  constexpr std::string_view kBlanks = "              ";
  static_assert(kBlanks.size() == kZoneWidth);
  return kBlanks.substr(0, BlanksToNextZone(written));
}

}  // namespace pw
