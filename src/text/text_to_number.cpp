// The number a typed text stands for.
//
// Decimal texts: up to 18 significant digits make an exact integer, which
// is multiplied or divided once by a power of ten in extended precision; the result
// is then rounded to double.  Rounding twice (to extended, then to double)
// is deliberate: it is how typed values have always been read, and it can
// differ from a correctly rounded conversion in the last bit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/extended.h"
#include "text/line_entry.h"
#include "text/number_text.h"

namespace pw {

namespace {

constexpr int kMaxSignificant = 18;
constexpr int kMaxExponent = 9999;
// From this power of ten on, the value is 2^127; from its negative on, 0.
constexpr int kPowerLimit = 4933;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of c as a digit of the given base, or -1.
int DigitValue(char c, int base) {
  int v;
  if (c >= '0' && c <= '9') {
    v = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    v = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    v = c - 'A' + 10;
  } else {
    return -1;
  }
  return v < base ? v : -1;
}

// "&H...", "&B...", "&O..."/"&Q..." or "&<octal digits>": an unsigned whole
// number of at most 64 bits; no digit or more bits give 0.  `p` is just
// after the "&".
double ReadBasedNumber(std::string_view t, std::size_t p) {
  if (p >= t.size()) return 0.0;
  int base;
  switch (t[p]) {
    case 'H': case 'h': base = 16; ++p; break;
    case 'B': case 'b': base = 2; ++p; break;
    case 'O': case 'o': case 'Q': case 'q': base = 8; ++p; break;
    default:
      if (!IsDigit(t[p])) return 0.0;
      base = 8;
      break;
  }
  const uint64_t limit = UINT64_MAX / static_cast<uint64_t>(base);
  uint64_t value = 0;
  bool any = false;
  for (; p < t.size(); ++p) {
    int d = DigitValue(t[p], base);
    if (d < 0) break;
    if (value > limit) return 0.0;  // more than 64 bits
    uint64_t shifted = value * static_cast<uint64_t>(base);
    if (shifted > UINT64_MAX - static_cast<uint64_t>(d)) return 0.0;
    value = shifted + static_cast<uint64_t>(d);
    any = true;
  }
  if (!any) return 0.0;
  return ToDouble(static_cast<Extended>(value));
}

// What the scan of a decimal text found.
struct DecimalScan {
  bool negative = false;
  bool any_digit = false;
  uint64_t significand = 0;  // the first 18 significant digits as an integer
  long power = 0;            // the power of ten that puts the point in place
  std::size_t end = 0;       // where the number's text ends
};

// Digits with at most one point, from t[p]: leading zeros are skipped, the
// first 18 significant digits kept, and later whole-number digits still
// move the point.  A second point ends the number.
void ScanDigits(std::string_view t, DecimalScan& d) {
  int significant = 0;
  bool point = false;
  std::size_t p = d.end;
  for (; p < t.size(); ++p) {
    const char c = t[p];
    if (c == '.') {
      if (point) break;
      point = true;
      continue;
    }
    if (!IsDigit(c)) break;
    d.any_digit = true;
    if (significant == 0 && c == '0') {
      if (point) --d.power;  // a leading zero after the point moves it
    } else if (significant < kMaxSignificant) {
      d.significand = d.significand * 10 + static_cast<uint64_t>(c - '0');
      ++significant;
      if (point) --d.power;
    } else if (!point) {
      ++d.power;  // an unused whole-number digit still counts for the point
    }
  }
  d.end = p;
}

// "E", "e", "D" or "d", an optional sign and digits (capped at 9999; none
// means 0), after at least one digit.
void ScanExponent(std::string_view t, DecimalScan& d) {
  std::size_t p = d.end;
  if (!d.any_digit || p >= t.size()) return;
  const char letter = t[p];
  if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') return;
  ++p;
  bool negative = false;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
    negative = t[p] == '-';
    ++p;
  }
  long exponent = 0;
  for (; p < t.size() && IsDigit(t[p]); ++p) {
    exponent = std::min<long>(exponent * 10 + (t[p] - '0'), kMaxExponent);
  }
  d.power += negative ? -exponent : exponent;
  d.end = p;
}

DecimalScan ScanDecimal(std::string_view t, std::size_t p) {
  DecimalScan d;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
    d.negative = t[p] == '-';
    ++p;
  }
  d.end = p;
  ScanDigits(t, d);
  ScanExponent(t, d);
  return d;
}

// The significand times the power of ten, once, in extended precision; then
// the sign and the rounding to double.
double DecimalValue(const DecimalScan& d) {
  if (d.significand == 0) return d.negative ? -0.0 : 0.0;
  Extended value;
  if (d.power >= kPowerLimit) {
    value = 0x1p127;
  } else if (d.power <= -kPowerLimit) {
    value = 0;
  } else {
    value = ScaleByPowerOfTen(static_cast<Extended>(d.significand), static_cast<int>(d.power));
  }
  return ToDouble(d.negative ? -value : value);
}

}  // namespace

double TextToNumber(std::string_view t) {
  std::size_t p = 0;
  while (p < t.size() && (t[p] == ' ' || t[p] == '\t' || t[p] == '\n')) ++p;
  if (p < t.size() && t[p] == '&') return ReadBasedNumber(t, p + 1);
  return DecimalValue(ScanDecimal(t, p));
}

}  // namespace pw
