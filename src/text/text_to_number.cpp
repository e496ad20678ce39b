// The number a typed text stands for.
//
// Decimal texts: up to 18 significant digits make an exact integer, which
// is multiplied or divided once by a power of ten in extended precision; the result
// is then rounded to double.  Rounding twice (to extended, then to double)
// is deliberate: it is how typed values have always been read, and it can
// differ from a correctly rounded conversion in the last bit.
#include <cstdint>

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

}  // namespace

double TextToNumber(std::string_view t) {
  std::size_t p = 0;
  const std::size_t n = t.size();
  while (p < n && (t[p] == ' ' || t[p] == '\t' || t[p] == '\n')) ++p;
  if (p < n && t[p] == '&') return ReadBasedNumber(t, p + 1);

  bool negative = false;
  if (p < n && (t[p] == '+' || t[p] == '-')) {
    negative = t[p] == '-';
    ++p;
  }

  // The significant digits as an integer and the power of ten that puts
  // the decimal point in place.
  uint64_t mantissa = 0;
  int significant = 0;
  long power = 0;
  bool any_digit = false;
  bool point = false;
  for (; p < n; ++p) {
    char c = t[p];
    if (c == '.') {
      if (point) break;
      point = true;
      continue;
    }
    if (!IsDigit(c)) break;
    any_digit = true;
    if (significant == 0 && c == '0') {
      if (point) --power;  // a leading zero after the point moves it
      continue;
    }
    if (significant < kMaxSignificant) {
      mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
      ++significant;
      if (point) --power;
    } else if (!point) {
      ++power;  // an unused whole-number digit still counts for the point
    }
  }

  if (any_digit && p < n && (t[p] == 'E' || t[p] == 'e' || t[p] == 'D' || t[p] == 'd')) {
    ++p;
    bool exp_negative = false;
    if (p < n && (t[p] == '+' || t[p] == '-')) {
      exp_negative = t[p] == '-';
      ++p;
    }
    long exponent = 0;
    for (; p < n && IsDigit(t[p]); ++p) {
      exponent = exponent * 10 + (t[p] - '0');
      if (exponent > kMaxExponent) exponent = kMaxExponent;
    }
    power += exp_negative ? -exponent : exponent;
  }

  if (mantissa == 0) return negative ? -0.0 : 0.0;
  Extended value;
  if (power >= kPowerLimit) {
    value = 0x1p127;
  } else if (power <= -kPowerLimit) {
    value = 0;
  } else {
    value = ScaleByPowerOfTen(static_cast<Extended>(mantissa), static_cast<int>(power));
  }
  return ToDouble(negative ? -value : value);
}

}  // namespace pw
