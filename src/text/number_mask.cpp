// Formatting a number with a mask.
//
// The mask reader knows one section made of:
//   "0"  a digit place that shows 0 where the number has no digit;
//   "#"  an optional digit place: in the integer part it shows nothing where
//        the number has no digit, in the decimal part trailing zeros in "#"
//        places are left out, in the exponent it shows digits only where
//        |exponent| has them ("0" there pads the exponent with zeros);
//   "."  the decimal point (the first one; later ones are ignored);
//   "E+" / "E-" (or "e+" / "e-")  the start of the exponent part, when a
//        digit place came before and more mask text follows; "+" always
//        shows the exponent's sign, "-" only a minus.
// Not supported: sections separated by ";", quoted or backslash-escaped
// text, literal characters, thousands separators, per cent and fill
// characters.  Other characters are ignored.  A mask without any digit
// place gives the default number text without blanks around it.
//
// Chosen behaviour beyond the common cases:
//   - a negative number that rounds to zero at the mask's precision shows
//     no "-" ("00.0" of -0.01 gives "00.0");
//   - an infinity fills every digit place with 9 ("-99.9" for "00.0"), and
//     with an exponent part shows the exponent 998 as the default text does
//     ("9.9999E+998"), so the text stays as short as the mask;
//   - NaN formats like zero.
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/decimal.h"
#include "base/extended.h"
#include "text/number_text.h"

namespace pw {

namespace {

struct MaskLayout {
  int int_places = 0;     // digit places before the point
  int int_required = 0;   // integer places that show 0 where there is no digit
  bool point = false;
  int frac_places = 0;    // digit places after the point
  int frac_required = 0;  // decimal places up to the last "0"
  bool exponent = false;
  char exp_letter = 'E';
  bool exp_always_sign = false;
  int exp_required = 1;   // exponent digits always shown
};

// "E+" or "E-" (either case) at mask[i] starts the exponent part when a
// digit place came before and more mask text follows.
bool StartsExponent(std::string_view mask, std::size_t i, const MaskLayout& m) {
  const char c = mask[i];
  return (c == 'E' || c == 'e') && i + 2 < mask.size() && (mask[i + 1] == '+' || mask[i + 1] == '-') &&
         m.int_places + m.frac_places > 0;
}

// A digit place ("0" or "#") before the exponent part.
void AddDigitPlace(MaskLayout& m, char c, int& first_int_zero) {
  if (m.point) {
    ++m.frac_places;
    if (c == '0') m.frac_required = m.frac_places;
    return;
  }
  if (c == '0' && first_int_zero < 0) first_int_zero = m.int_places;
  ++m.int_places;
}

MaskLayout ReadMask(std::string_view mask) {
  MaskLayout m;
  int first_int_zero = -1;
  int exp_zeros = 0;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const char c = mask[i];
    if (m.exponent) {
      if (c == '0') ++exp_zeros;
    } else if (c == '0' || c == '#') {
      AddDigitPlace(m, c, first_int_zero);
    } else if (c == '.') {
      m.point = true;
    } else if (StartsExponent(mask, i, m)) {
      m.exponent = true;
      m.exp_letter = c;
      m.exp_always_sign = mask[i + 1] == '+';
      ++i;
    }
  }
  if (first_int_zero >= 0) m.int_required = m.int_places - first_int_zero;
  if (exp_zeros > 1) m.exp_required = exp_zeros;
  return m;
}

// Rounds the digit string s to its first p digits by the mask rule: the
// first dropped digit decides, a 5 rounds up when any later digit is not 0
// and otherwise only when the last kept digit is odd.  Returns true when the
// carry ran out of the first digit (s is then all zeros and the caller adds
// the leading 1 or raises the exponent).
bool RoundDigits(std::string& s, std::size_t p) {
  if (p >= s.size()) {
    s.append(p - s.size(), '0');
    return false;
  }
  char dropped = s[p];
  bool up = dropped > '5';
  if (dropped == '5') {
    bool later = s.find_first_not_of('0', p + 1) != std::string::npos;
    char last = p > 0 ? s[p - 1] : '0';
    up = later || ((last - '0') & 1) != 0;
  }
  s.resize(p);
  if (!up) return false;
  for (std::size_t i = p; i > 0; --i) {
    if (s[i - 1] != '9') {
      ++s[i - 1];
      return false;
    }
    s[i - 1] = '0';
  }
  return true;
}

void AppendExponent(std::string& out, const MaskLayout& m, int x) {
  out.push_back(m.exp_letter);
  if (x < 0) {
    out.push_back('-');
  } else if (m.exp_always_sign) {
    out.push_back('+');
  }
  AppendDecimal(out, static_cast<unsigned>(x < 0 ? -x : x), m.exp_required);
}

std::string InfinityText(const MaskLayout& m, bool negative) {
  std::string out;
  if (negative) out.push_back('-');
  out.append(static_cast<std::size_t>(m.int_places), '9');
  if (m.point) out.push_back('.');
  out.append(static_cast<std::size_t>(m.frac_places), '9');
  if (m.exponent) AppendExponent(out, m, 999 - m.int_places);
  return out;
}

std::string ExponentText(const EighteenDigits& f, const MaskLayout& m) {
  const bool zero = f.digits == 0;
  std::string s = std::to_string(f.digits);
  if (zero) s.assign(18, '0');
  int x = zero ? 0 : f.exponent - m.int_places;
  const std::size_t shown = static_cast<std::size_t>(m.int_places) + static_cast<std::size_t>(m.frac_places);
  if (RoundDigits(s, shown)) {
    s[0] = '1';
    ++x;
  }
  std::string out;
  out.reserve(shown + 8);
  if (f.negative && !zero) out.push_back('-');
  out.append(s, 0, static_cast<std::size_t>(m.int_places));
  if (m.point) out.push_back('.');
  out.append(s, static_cast<std::size_t>(m.int_places), std::string::npos);
  AppendExponent(out, m, x);
  return out;
}

std::string FixedText(const EighteenDigits& f, const MaskLayout& m) {
  // The digits in fixed point: n_int integer digits, then the fraction.
  std::string s;
  const int e = f.exponent;
  if (f.digits == 0) {
    s.assign(18, '0');
  } else {
    if (e < 0) s.assign(static_cast<std::size_t>(-e), '0');
    s += std::to_string(f.digits);
    if (e > 18) s.append(static_cast<std::size_t>(e - 18), '0');
  }
  std::size_t n_int = e > 0 ? static_cast<std::size_t>(e) : 0;
  if (RoundDigits(s, n_int + static_cast<std::size_t>(m.frac_places))) {
    s.insert(s.begin(), '1');
    ++n_int;
  }
  const bool all_zero = s.find_first_not_of('0') == std::string::npos;

  // Integer digits without leading zeros, then padded to the required places.
  std::size_t lead = 0;
  while (lead < n_int && s[lead] == '0') ++lead;
  std::size_t int_digits = n_int - lead;
  std::size_t frac_shown = static_cast<std::size_t>(m.frac_places);
  while (frac_shown > static_cast<std::size_t>(m.frac_required) && s[n_int + frac_shown - 1] == '0') {
    --frac_shown;
  }

  std::string out;
  out.reserve(int_digits + frac_shown + static_cast<std::size_t>(m.int_required) + 2);
  if (f.negative && !all_zero) out.push_back('-');
  if (int_digits < static_cast<std::size_t>(m.int_required)) {
    out.append(static_cast<std::size_t>(m.int_required) - int_digits, '0');
  }
  out.append(s, lead, int_digits);
  if (m.point) out.push_back('.');
  out.append(s, n_int, frac_shown);
  return out;
}

}  // namespace

std::string FormatWithMask(Extended x, std::string_view mask) {
  return FormatWithMask(EighteenDigitForm(x), mask);
}

std::string FormatWithMask(const EighteenDigits& f, std::string_view mask) {
  const MaskLayout m = ReadMask(mask);
  if (m.int_places + m.frac_places == 0) return NumberText(f, NumberForm::Comma);
  if (f.infinite) return InfinityText(m, f.negative);
  return m.exponent ? ExponentText(f, m) : FixedText(f, m);
}

}  // namespace pw
