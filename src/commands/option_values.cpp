#include "commands/option_values.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/showable_text.h"
#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

namespace {

// The range of every length, speed and velocity: wider than any record
// player needs, and narrow enough that no square or product of them leaves
// the range of a double.
constexpr double kSmallest = 1e-3;
constexpr double kLargest = 1e6;

// Texts longer than this are cut short in messages.
constexpr std::size_t kShownTextLimit = 60;

bool IsAllThrees(std::string_view s) { return s.find_first_not_of('3') == std::string_view::npos; }

// The text before and after the first `mark`, or nothing when it has none.
bool SplitAt(std::string_view text, char mark, std::string_view& before, std::string_view& after) {
  const std::size_t at = text.find(mark);
  if (at == std::string_view::npos) return false;
  before = text.substr(0, at);
  after = text.substr(at + 1);
  return true;
}

AlignmentChoice ReadOneAlignment(std::string_view option, std::string_view whole, std::string_view item) {
  if (item == "baerwald" || item == "lofgren-a") return {AlignmentKind::Baerwald, {}};
  if (item == "lofgren-b") return {AlignmentKind::LofgrenB, {}};
  if (item == "stevenson") return {AlignmentKind::Stevenson, {}};
  std::string_view nulls;
  std::string_view name;
  std::string_view n1;
  std::string_view n2;
  if (SplitAt(item, ':', name, nulls) && name == "nulls") {
    if (!SplitAt(nulls, '/', n1, n2)) RejectValue(option, whole, "own nulls are written nulls:N1/N2");
    const std::string inner_option = std::string(option) + " nulls (inner)";
    const std::string outer_option = std::string(option) + " nulls (outer)";
    const NullRadii own{ReadPositive(inner_option, n1), ReadPositive(outer_option, n2)};
    if (!(own.inner < own.outer)) RejectValue(option, whole, "the inner null must be less than the outer null");
    return {AlignmentKind::OwnNulls, own};
  }
  RejectValue(option, whole,
              "unknown alignment '" + ShowableArgument(std::string(item), kShownTextLimit) +
                  "' (baerwald, lofgren-a, lofgren-b, stevenson, nulls:N1/N2 or all)");
}

// [+-] digits [. digits] [e [+-] digits], with a digit before or after the
// point: the texts strtod reads the same everywhere (no blanks, hex, NaN).
bool IsDecimalNumber(std::string_view s) {
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i - start;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == s.size();
}

}  // namespace

void RejectValue(std::string_view option, std::string_view text, std::string_view what) {
  std::string message(option);
  message += " '";
  message += ShowableArgument(std::string(text), kShownTextLimit);
  message += "': ";
  message += what;
  throw BadInput{message};
}

double ReadNumber(std::string_view option, std::string_view text) {
  if (text.empty()) RejectValue(option, text, "a number is needed");
  if (text == "nan" || text == "NaN" || text == "-nan") RejectValue(option, text, "NaN is not a value");
  if (text == "inf" || text == "-inf" || text == "infinity" || text == "-infinity") {
    RejectValue(option, text, "infinity is not a value");
  }
  if (!IsDecimalNumber(text)) RejectValue(option, text, "not a number (write it like 222 or 60.325, with a point)");
  // The C library's conversion is correctly rounded on every platform the
  // program is built for, and the program never changes the "C" locale, so
  // the point is always ".".
  const std::string copy(text);
  const double x = std::strtod(copy.c_str(), nullptr);
  if (std::isinf(x)) RejectValue(option, text, "the number is out of range");
  return x;
}

double ReadPositive(std::string_view option, std::string_view text) {
  const double x = ReadNumber(option, text);
  if (!(x > 0)) RejectValue(option, text, "must be greater than 0");
  if (x < kSmallest) RejectValue(option, text, "must be at least 0.001");
  if (x > kLargest) RejectValue(option, text, "must be at most 1000000");
  return x;
}

GrooveChoice ReadGroove(std::string_view option, std::string_view text) {
  if (text == "iec") return {{60.325, 146.05}, "IEC"};
  if (text == "din") return {{57.5, 146.05}, "DIN"};
  if (text == "jis") return {{57.6, 146.5}, "JIS"};
  std::string_view r1;
  std::string_view r2;
  if (!SplitAt(text, ',', r1, r2)) {
    RejectValue(option, text, "give iec, din, jis or the inner and outer radius as R1,R2");
  }
  const GrooveSpan band{ReadPositive(std::string(option) + " (inner radius)", r1),
                        ReadPositive(std::string(option) + " (outer radius)", r2)};
  if (!(band.inner < band.outer)) RejectValue(option, text, "the inner radius must be less than the outer radius");
  return {band, ""};
}

std::vector<AlignmentChoice> ReadAlignments(std::string_view option, std::string_view text) {
  std::vector<AlignmentChoice> chosen;
  std::string_view rest = text;
  while (true) {
    std::string_view item = rest;
    std::string_view after;
    const bool more = SplitAt(rest, ',', item, after);
    if (item == "all") {
      for (const AlignmentChoice& a : NamedAlignments()) chosen.push_back(a);
    } else if (item.empty()) {
      RejectValue(option, text, "an alignment is missing in the list");
    } else {
      chosen.push_back(ReadOneAlignment(option, text, item));
    }
    if (!more) break;
    rest = after;
  }
  return chosen;
}

std::vector<AlignmentChoice> NamedAlignments() {
  return {{AlignmentKind::Baerwald, {}}, {AlignmentKind::LofgrenB, {}}, {AlignmentKind::Stevenson, {}}};
}

std::string AlignmentKey(const AlignmentChoice& a) {
  switch (a.kind) {
    case AlignmentKind::Baerwald:
      return "baerwald";
    case AlignmentKind::LofgrenB:
      return "lofgren-b";
    case AlignmentKind::Stevenson:
      return "stevenson";
    case AlignmentKind::OwnNulls:
      break;
  }
  return "nulls:" + Shortest(a.own.inner) + "/" + Shortest(a.own.outer);
}

std::string AlignmentTitle(const AlignmentChoice& a) {
  switch (a.kind) {
    case AlignmentKind::Baerwald:
      return "Baerwald (L\u00f6fgren A)";
    case AlignmentKind::LofgrenB:
      return "L\u00f6fgren B";
    case AlignmentKind::Stevenson:
      return "Stevenson";
    case AlignmentKind::OwnNulls:
      break;
  }
  return "Own nulls " + Shortest(a.own.inner) + " and " + Shortest(a.own.outer) + " mm";
}

NullRadii AlignmentNulls(const AlignmentChoice& a, GrooveSpan band) {
  switch (a.kind) {
    case AlignmentKind::Baerwald:
      return BaerwaldNulls(band);
    case AlignmentKind::LofgrenB:
      return LofgrenBNulls(band);
    case AlignmentKind::Stevenson:
      return StevensonNulls(band);
    case AlignmentKind::OwnNulls:
      break;
  }
  return a.own;
}

double ReadRpm(std::string_view option, std::string_view text) {
  // 33 1/3 is typed in as many ways as it is printed on record labels.
  std::string_view whole;
  std::string_view fraction;
  if (text == "33" || (SplitAt(text, '.', whole, fraction) && whole == "33" && IsAllThrees(fraction))) {
    return 100.0 / 3;
  }
  return ReadPositive(option, text);
}

double ReadOffsetDegrees(std::string_view option, std::string_view text) {
  const double x = ReadNumber(option, text);
  if (!(std::fabs(x) < 90)) RejectValue(option, text, "the offset must lie between -90 and 90 degrees");
  return x;
}

Tolerance ReadTolerance(std::string_view option, std::string_view text) {
  std::string_view dh;
  std::string_view db;
  if (!SplitAt(text, ',', dh, db)) {
    RejectValue(option, text, "give the overhang and offset tolerance as H_MM,DEG (for example 0.5,0.5)");
  }
  const Tolerance t{ReadNumber(std::string(option) + " (overhang)", dh),
                    ReadNumber(std::string(option) + " (offset)", db)};
  if (t.overhang < 0 || t.offset_deg < 0) RejectValue(option, text, "a tolerance cannot be negative");
  if (t.overhang > kLargest || t.offset_deg > 180) RejectValue(option, text, "the tolerance is too large");
  return t;
}

std::string Fixed3(double x) {
  if (!std::isfinite(x)) return std::isnan(x) ? "nan" : (x > 0 ? "inf" : "-inf");
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.3f", x);
  std::string s(buffer);
  if (s == "-0.000") s = "0.000";
  return s;
}

std::string Shortest(double x) {
  char buffer[64];
  for (int digits = 1; digits < 17; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, x);
    if (std::strtod(buffer, nullptr) == x) return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.17g", x);
  return buffer;
}

}  // namespace pw
