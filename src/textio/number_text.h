// How numbers become text: the default number text, rounding to a number of
// decimal places, and formatting with a mask.  Digit generation works in
// x86-64 extended precision (long double, 64-bit significand).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "textio/console_screen.h"

namespace pw {

// 10^k in extended precision, formed from the exact integer 10^(k mod 8)
// and the stored powers 10^8, 10^16, 10^32, ... for the bits of k div 8;
// negative k divides.  Shared by the number text and the text-to-number
// conversion.
long double PowerOfTen(int k);

// The magnitude of x as an 18-digit integer M (10^17 <= M < 10^18) times
// 10^(exponent - 18): x = 0.d1d2...d18 * 10^exponent.  Zero, denormals and
// NaN give M = 0 and exponent 1; infinities give 999999999999999999 and 999.
struct EighteenDigits {
  uint64_t digits = 0;
  int exponent = 1;
  bool negative = false;
};
EighteenDigits EighteenDigitForm(long double x);

enum class NumberForm {
  Printed,  // sign position, digits, trailing blank (screen and print files)
  Text,     // sign position, digits
  Comma,    // "-" only for negative numbers, no trailing blank
};
std::string NumberText(long double x, NumberForm form);

// x rounded to n decimal places (n above 18 counts as 18), halves to even.
long double RoundTo(long double x, int n);

// x formatted with a mask of "0", ".", "E+"/"E-" and "#".
std::string FormatWithMask(long double x, std::string_view mask);

// Prints the default text of x (Printed form) at the cursor.
void PrintNumber(ConsoleScreen& s, long double x);

}  // namespace pw
