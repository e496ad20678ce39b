// How numbers become text: the default number text, rounding to a number of
// decimal places, and formatting with a mask.  Digit generation works in
// extended precision (base/extended.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/extended.h"

namespace pw {

// 10^k in extended precision, formed from the exact integer 10^(k mod 8)
// and the stored powers 10^8, 10^16, 10^32, ... for the bits of k div 8;
// negative k divides (1 / 10^-k).  Shared by the number text and the
// text-to-number conversion.  Beyond the extended range it gives
// infinity or zero.
Extended PowerOfTen(int k);

// x * 10^k for k >= 0 and x / 10^-k for k < 0, so that scaling rounds only
// once after the power is formed.
Extended ScaleByPowerOfTen(Extended x, int k);

// The magnitude of x as an 18-digit integer M (10^17 <= M < 10^18) times
// 10^(exponent - 18): x = 0.d1d2...d18 * 10^exponent.  Zero, denormals and
// NaN give M = 0 and exponent 1; infinities give 999999999999999999 and 999.
// A value below the smallest normal double in magnitude counts as a
// denormal.  Finite values beyond the double range keep their own exponent.
struct EighteenDigits {
  uint64_t digits = 0;
  int exponent = 1;
  bool negative = false;
  bool infinite = false;
};
EighteenDigits EighteenDigitForm(Extended x);

enum class NumberForm {
  Printed,  // sign position, digits, trailing blank (screen and print files)
  Text,     // sign position, digits
  Comma,    // "-" only for negative numbers, no trailing blank
};
std::string NumberText(Extended x, NumberForm form);
// The same text from the digits of x made already, for a value written more
// than once.
std::string NumberText(const EighteenDigits& f, NumberForm form);

// x rounded to n decimal places (n above 18 counts as 18), halves to even.
// A negative n rounds to tens (-1), hundreds (-2), ...; below -18 it counts
// as -18.  NaN and infinities come back unchanged.
Extended RoundTo(Extended x, int n);

// x formatted with a mask of "0", ".", "E+"/"E-" and "#" (see
// number_mask.cpp for what the mask reader supports).
std::string FormatWithMask(Extended x, std::string_view mask);
std::string FormatWithMask(const EighteenDigits& f, std::string_view mask);

}  // namespace pw
