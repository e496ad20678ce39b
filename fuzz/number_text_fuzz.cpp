// NumberText, RoundTo and FormatWithMask on arbitrary doubles (and on the
// extended-precision results of RoundTo), with the program's three masks and
// an arbitrary mask taken from the input.
//
// Input: 8 bytes of a double, 1 byte for the decimal places of RoundTo, and
// the rest as a mask.  Properties checked (besides no crash and no undefined
// behaviour): the shape and length of every default text, the rule that
// picks plain or exponent notation, the three forms' relation to each other,
// that the texts read back to the number they stand for, what RoundTo may
// change, and the shape, length and value of the mask outputs.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/line_entry.h"
#include "text/number_text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Magnitudes below the smallest normal double render as 0.
bool Renders(pw::Extended v) { return !pw::IsNaN(v) && pw::Fabs(v) >= DBL_MIN; }

// Checks the default text (Text form) of v and returns it.
std::string CheckDefaultText(pw::Extended v) {
  const std::string t = pw::NumberText(v, pw::NumberForm::Text);
  FUZZ_CHECK(t.size() >= 2);
  FUZZ_CHECK(t[0] == (Renders(v) && v < 0 ? '-' : ' '));

  // Mantissa: digits with at most one point.
  std::size_t p = 1;
  std::string digits;  // all mantissa digits in order
  int int_digits = 0;
  int frac_digits = 0;
  bool point = false;
  for (; p < t.size() && t[p] != 'E'; ++p) {
    if (t[p] == '.') {
      FUZZ_CHECK(!point);
      point = true;
      continue;
    }
    FUZZ_CHECK(IsDigit(t[p]));
    digits.push_back(t[p]);
    (point ? frac_digits : int_digits) += 1;
  }
  FUZZ_CHECK(!digits.empty());
  if (point) {
    FUZZ_CHECK(frac_digits > 0 && t[p - 1] != '0');  // no "5." and no trailing zeros
  }
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    FUZZ_CHECK(t.substr(1) == "0");  // zero is " 0" and nothing else
    FUZZ_CHECK(!Renders(v) || v == 0);
    return t;
  }
  FUZZ_CHECK(Renders(v) && v != 0);
  // No 0 before the point, at most 15 significant digits.
  FUZZ_CHECK(int_digits == 0 || t[1] != '0');
  const std::size_t last = digits.find_last_not_of('0');
  const int k = static_cast<int>(last - first + 1);
  FUZZ_CHECK(k <= 15);

  if (p == t.size()) {
    // Plain notation: used only while it needs at most 15 integer places
    // and at most 15 decimal places.
    FUZZ_CHECK(int_digits <= 15 && frac_digits <= 15);
    FUZZ_CHECK(t.size() <= 17);
  } else {
    // Exponent notation: one digit before the point, then E, a sign and
    // 1 to 3 digits without leading zeros (998 is the infinity's).
    FUZZ_CHECK(int_digits == 1 && t[1] != '0');
    FUZZ_CHECK(!point || t[p - 1] != '0');
    FUZZ_CHECK(p + 2 < t.size());
    FUZZ_CHECK(t[p + 1] == '+' || t[p + 1] == '-');
    const std::string exp = t.substr(p + 2);
    FUZZ_CHECK(exp.size() <= 3 && exp[0] != '0');
    int e = 0;
    for (char c : exp) {
      FUZZ_CHECK(IsDigit(c));
      e = e * 10 + (c - '0');
    }
    if (t[p + 1] == '-') e = -e;
    FUZZ_CHECK(pw::IsInf(v) ? e == 998 : e <= 308 && e >= -308);
    // The decimal exponent E = e + 1 of 0.d1d2... must be what forced this
    // notation: more than 15 integer places or more than 15 decimal places.
    const int E = e + 1;
    FUZZ_CHECK(E > 15 || k - E > 15);
    FUZZ_CHECK(t.size() <= 22);
  }

  // The text reads back to the number it stands for.  The 15 digits are
  // rounded on the 16th digit alone (a 5 there rounds to even whatever
  // follows), so they are off by less than 6 units of the 16th digit; add
  // the conversions' own rounding.
  if (!pw::IsNaN(v) && !pw::IsInf(v) && pw::Fabs(v) < 1e307) {
    const pw::Extended back = pw::TextToNumber(t);
    FUZZ_CHECK(pw::Fabs(back - v) <= pw::Fabs(v) * 6.2e-15);
  }
  return t;
}

// The masks "00.0" and "000.0": a "-" only for a negative value that does
// not round to zero, at least `places` integer digits, one decimal.
void CheckFixedMask(pw::Extended v, const char* mask, int places) {
  const std::string s = pw::FormatWithMask(v, mask);
  std::size_t p = 0;
  const bool minus = !s.empty() && s[0] == '-';
  if (minus) ++p;
  const std::size_t dot = s.find('.');
  FUZZ_CHECK(dot != std::string::npos && dot + 2 == s.size() && IsDigit(s[dot + 1]));
  const std::size_t ints = dot - p;
  FUZZ_CHECK(ints >= static_cast<std::size_t>(places));
  for (std::size_t i = p; i < dot; ++i) FUZZ_CHECK(IsDigit(s[i]));
  if (ints > static_cast<std::size_t>(places)) FUZZ_CHECK(s[p] != '0');
  // A finite double has at most 309 integer digits, one more after a carry.
  FUZZ_CHECK(ints <= 310);
  if (pw::IsInf(v)) {
    FUZZ_CHECK(minus == (v < 0));
    FUZZ_CHECK(ints == static_cast<std::size_t>(places));
    return;
  }
  if (pw::IsNaN(v) || !Renders(v)) {
    FUZZ_CHECK(s == std::string(mask));
    return;
  }
  if (minus) FUZZ_CHECK(v < 0);
  if (v < -0.0500001) FUZZ_CHECK(minus);
  if (pw::Fabs(v) < 1e307) {
    const pw::Extended back = pw::TextToNumber(s);
    FUZZ_CHECK(pw::Fabs(back - v) <= 0.0500001 + pw::Fabs(v) * 1e-15);
  }
}

// "0.0000E+##": d.ddddE, a sign and 1 to 3 exponent digits without leading
// zeros; the value within half a unit of the fourth decimal.
void CheckExponentMask(pw::Extended v) {
  const std::string s = pw::FormatWithMask(v, "0.0000E+##");
  std::size_t p = 0;
  const bool minus = !s.empty() && s[0] == '-';
  if (minus) ++p;
  FUZZ_CHECK(s.size() >= p + 9 && s.size() <= p + 11);
  FUZZ_CHECK(IsDigit(s[p]) && s[p + 1] == '.');
  for (std::size_t i = p + 2; i < p + 6; ++i) FUZZ_CHECK(IsDigit(s[i]));
  FUZZ_CHECK(s[p + 6] == 'E' && (s[p + 7] == '+' || s[p + 7] == '-'));
  int x = 0;
  for (std::size_t i = p + 8; i < s.size(); ++i) {
    FUZZ_CHECK(IsDigit(s[i]));
    x = x * 10 + (s[i] - '0');
  }
  FUZZ_CHECK(s[p + 8] != '0' || s.size() == p + 9);
  if (s[p + 7] == '-') x = -x;
  if (pw::IsNaN(v) || !Renders(v)) {
    FUZZ_CHECK(s == "0.0000E+0");
    return;
  }
  FUZZ_CHECK(minus == (v < 0));
  FUZZ_CHECK(s[p] != '0');
  if (pw::IsInf(v)) {
    FUZZ_CHECK(s.substr(p) == "9.9999E+998");
    return;
  }
  FUZZ_CHECK(x >= -308 && x <= 308);
  if (pw::Fabs(v) < 1e307) {
    const pw::Extended back = pw::TextToNumber(s);
    const pw::Extended unit = pw::ScaleByPowerOfTen(1.0, x - 4);
    FUZZ_CHECK(pw::Fabs(back - v) <= unit * 0.5000001 + pw::Fabs(v) * 1e-15);
  }
}

// Any mask: only digits, signs, points and exponent letters, and no more
// characters than the mask's places plus the digits a double can have.
void CheckAnyMask(pw::Extended v, std::string_view mask) {
  const std::string s = pw::FormatWithMask(v, mask);
  for (char c : s) {
    FUZZ_CHECK(IsDigit(c) || c == '-' || c == '+' || c == '.' || c == 'E' || c == 'e');
  }
  // Every mask character gives at most one output character; on top come
  // a sign, up to 310 integer digits and up to 3 exponent digits, or the
  // default text for a mask without digit places.
  FUZZ_CHECK(s.size() <= mask.size() + 320);
}

void CheckAll(pw::Extended v, std::string_view mask) {
  const std::string text = CheckDefaultText(v);
  FUZZ_CHECK(pw::NumberText(v, pw::NumberForm::Printed) == text + " ");
  FUZZ_CHECK(pw::NumberText(v, pw::NumberForm::Comma) == (text[0] == ' ' ? text.substr(1) : text));
  CheckFixedMask(v, "00.0", 2);
  CheckFixedMask(v, "000.0", 3);
  CheckExponentMask(v);
  CheckAnyMask(v, mask);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  double x;
  std::memcpy(&x, data, sizeof x);
  const int n = static_cast<int8_t>(data[8]);
  std::string_view mask(reinterpret_cast<const char*>(data + 9), size - 9);
  if (mask.size() > 256) mask = mask.substr(0, 256);

  CheckAll(x, mask);

  // RoundTo: NaN and infinities unchanged; otherwise within half a unit of
  // the last kept place (plus the rounding of one multiply and one divide);
  // places beyond 18 either way count as 18.
  const pw::Extended r = pw::RoundTo(x, n);
  if (std::isnan(x)) {
    FUZZ_CHECK(pw::IsNaN(r));
  } else if (std::isinf(x)) {
    FUZZ_CHECK(r == x);
  } else {
    const int places = n > 18 ? 18 : n < -18 ? -18 : n;
    const pw::Extended half = pw::ScaleByPowerOfTen(0.5, -places);
    FUZZ_CHECK(pw::Fabs(r - x) <= half * (1 + 0x1p-60) + pw::Fabs(x) * 0x1p-61);
    const pw::Extended clamped = pw::RoundTo(x, places);
    FUZZ_CHECK(r == clamped);
  }
  CheckAll(r, mask);
  return 0;
}
