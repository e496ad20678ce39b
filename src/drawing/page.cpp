#include "drawing/page.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "drawing/exact_math.h"

namespace pw {

PageShape PageLine(PagePoint from, PagePoint to, double width) {
  PageShape s;
  s.kind = PageShape::Kind::Line;
  s.from = from;
  s.to = to;
  s.width = width;
  return s;
}

PageShape PageArc(PagePoint centre, double radius, double start, double sweep, double width) {
  PageShape s;
  s.kind = PageShape::Kind::Arc;
  s.from = centre;
  s.rx = radius;
  s.ry = radius;
  s.start = start;
  s.sweep = sweep;
  s.width = width;
  return s;
}

PageShape PageText(PagePoint baseline_start, double size, std::string text) {
  PageShape s;
  s.kind = PageShape::Kind::Text;
  s.from = baseline_start;
  s.size = size;
  s.text = std::move(text);
  return s;
}

namespace {

// Advance widths of the standard sans face for the characters 32 to 126,
// thousandths of the em.
constexpr short kSansWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // space to /
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0 to ?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @ to O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P to _
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // ` to o
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};      // p to ~
constexpr double kWideLetter = 0.778;
constexpr double kMonoAdvance = 0.6;  // the fixed-pitch face's advance, em

void Include(PageBounds& b, double x, double y) {
  b.left = std::min(b.left, x);
  b.top = std::min(b.top, y);
  b.right = std::max(b.right, x);
  b.bottom = std::max(b.bottom, y);
}

void IncludeAt(PageBounds& b, const PageShape& arc, double degrees) {
  Include(b, arc.from.x + arc.rx * CosDegrees(degrees), arc.from.y + arc.ry * SinDegrees(degrees));
}

void IncludeShape(PageBounds& b, const PageShape& s) {
  switch (s.kind) {
    case PageShape::Kind::Line:
      Include(b, s.from.x, s.from.y);
      Include(b, s.to.x, s.to.y);
      break;
    case PageShape::Kind::Arc: {
      // The two ends and every quarter-turn point that the arc passes.
      const double low = std::min(s.start, s.start + s.sweep);
      const double high = std::max(s.start, s.start + s.sweep);
      IncludeAt(b, s, low);
      IncludeAt(b, s, high);
      for (double a = std::ceil(low / 90) * 90; a < high; a += 90) IncludeAt(b, s, a);
      break;
    }
    case PageShape::Kind::Text:
      Include(b, s.from.x, s.from.y - s.size);
      Include(b, s.from.x + TextWidth(s), s.from.y + s.size / 4);
      break;
  }
}

}  // namespace

double TextWidth(const PageShape& text) {
  double ems = 0;
  std::size_t characters = 0;
  for (const char c : text.text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0u) == 0x80u) continue;  // inside a UTF-8 sequence
    ++characters;
    ems += byte >= 32 && byte < 127 ? kSansWidths[byte - 32] / 1000.0 : kWideLetter;
  }
  if (text.font == PageFont::Mono) {
    const double advance = text.advance > 0 ? text.advance : kMonoAdvance * text.size;
    return advance * static_cast<double>(characters);
  }
  return ems * text.size;
}

PageBounds BoundsOf(const std::vector<PageGroup>& groups) {
  constexpr double kFar = std::numeric_limits<double>::max();
  PageBounds b{kFar, kFar, -kFar, -kFar};
  for (const PageGroup& g : groups) {
    for (const PageShape& s : g.shapes) IncludeShape(b, s);
  }
  return b;
}

void MoveGroups(std::vector<PageGroup>& groups, double dx, double dy) {
  for (PageGroup& g : groups) {
    for (PageShape& s : g.shapes) {
      s.from = {s.from.x + dx, s.from.y + dy};
      s.to = {s.to.x + dx, s.to.y + dy};
    }
  }
}

std::string FixedText(double value, int decimals, bool trim) {
  std::string text = ExactFixed(value, decimals);
  if (trim && text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  // A negative value that rounds to zero.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

}  // namespace pw
