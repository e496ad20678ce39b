// TextToNumber on arbitrary bytes.
//
// Properties:
//   - it returns for every text (no crash, no undefined behaviour) and never
//     gives NaN;
//   - leading blanks, tabs and line feeds do not change the value;
//   - the number ends at the first character that does not fit, so anything
//     after a character that can never continue a number ("x") is ignored:
//     TextToNumber(t + "x" + rest) == TextToNumber(t) for every split;
//   - a plain decimal text of at most 18 significant digits and a moderate
//     exponent agrees with the C library's conversion to within two units in
//     the last place (the conversion rounds twice, so it may differ in the
//     last bit, never more).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/line_entry.h"

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when t is exactly [+-]digits[.digits][(e|E)[+-]digits] with at least
// one mantissa digit, at most 18 significant digits and an exponent of at
// most three digits: a text both conversions read in full.
bool PlainDecimal(std::string_view t) {
  std::size_t p = 0;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
  int digits = 0;
  int significant = 0;
  bool point = false;
  for (; p < t.size(); ++p) {
    if (t[p] == '.' && !point) {
      point = true;
      continue;
    }
    if (!IsDigit(t[p])) break;
    ++digits;
    if (significant > 0 || t[p] != '0') ++significant;
  }
  if (digits == 0 || significant > 18) return false;
  if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
    ++p;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
    int exp_digits = 0;
    for (; p < t.size() && IsDigit(t[p]); ++p) ++exp_digits;
    if (exp_digits == 0 || exp_digits > 3) return false;
  }
  return p == t.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the split point and the leading white space; the
  // rest is the text.
  const unsigned char control = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const double value = pw::TextToNumber(text);
  FUZZ_CHECK(!std::isnan(value));

  static constexpr char kBlanks[] = {' ', '\t', '\n'};
  std::string padded;
  for (int i = 0; i < (control & 7); ++i) padded.push_back(kBlanks[(control >> (3 + i % 3)) % 3]);
  padded.append(text);
  FUZZ_CHECK(SameBits(pw::TextToNumber(padded), value));

  const std::size_t split = text.empty() ? 0 : (control * 131u) % (text.size() + 1);
  const std::string_view head = text.substr(0, split);
  std::string garbage(head);
  garbage.push_back('x');
  garbage.append(text.substr(split));
  FUZZ_CHECK(SameBits(pw::TextToNumber(garbage), pw::TextToNumber(head)));

  if (PlainDecimal(text)) {
    const std::string z(text);
    const double expected = std::strtod(z.c_str(), nullptr);
    if (std::isnormal(expected) && std::fabs(expected) < 1e300 && std::fabs(expected) > 1e-300) {
      const double ulp = std::nextafter(std::fabs(expected), INFINITY) - std::fabs(expected);
      FUZZ_CHECK(std::fabs(value - expected) <= 2 * ulp);
    }
  }
  return 0;
}
