#include "drawing/protractor_page.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "base/product.h"
#include "drawing/exact_math.h"
#include "drawing/metafile.h"
#include "drawing/page.h"
#include "drawing/protractor.h"
#include "platform/files.h"

namespace pw {

namespace {

constexpr double kMargin = 10;  // printed mm kept clear at every edge of the paper
constexpr double kGap = 8;      // between the parts of the page
constexpr double kThin = 0.1;   // the pen of every line of the arc protractor

constexpr double kSpindleRadius = 3.62;  // the 7.24 mm spindle hole
constexpr double kCrossHalf = 5;         // the cross's arms, from the centre
constexpr double kBandBeyond = 5;        // the stylus arc runs this far past the band
constexpr double kBandArcHalf = 25;      // groove-band arcs: mm either side of the stylus arc
constexpr double kDash = 1.5;            // dash and gap of the groove-band arcs
constexpr double kNullMarkRadius = 1;
constexpr double kGridStep = 2;          // grid lines apart
constexpr int kGridLinesEachSide = 5;
constexpr double kGridHalfLength = 20;   // each grid line is 40 mm long
constexpr double kRadialHalfLength = 12;
constexpr double kPivotArrowFrom = 6;    // the pivot's direction: an arrow from 6 to 36 mm
constexpr double kPivotArrowTo = 36;
constexpr double kArrowHead = 2.5;
constexpr double kArrowHeadAngle = 25;

constexpr double kBarLength = 100;
constexpr double kTickShort = 2;   // every mm
constexpr double kTickMiddle = 3;  // every 5 mm
constexpr double kTickLong = 4.5;  // every 10 mm

constexpr double kTitleSize = 4.5;
constexpr double kTextSize = 3;
constexpr double kLabelSize = 2.5;
constexpr double kLineStep = 4.6;  // data block: baseline to baseline

// The metafile sheet's fixed-pitch face: its em and its ascent (top of the
// cell to the baseline) as parts of the cell height.
constexpr double kSheetEmPerCell = 2048.0 / 2320.0;
constexpr double kSheetAscentPerCell = 1705.0 / 2320.0;

using Groups = std::vector<PageGroup>;

PagePoint Polar(PagePoint centre, double r, double degrees) {
  return {centre.x + r * CosDegrees(degrees), centre.y + r * SinDegrees(degrees)};
}
PagePoint Along(PagePoint p, PagePoint direction, double distance) {
  return {p.x + direction.x * distance, p.y + direction.y * distance};
}

std::string Millimetres(double value, int decimals, bool trim) {
  return FixedText(value, decimals, trim) + " mm";
}

PageShape Text(PagePoint at, double size, std::string text) { return PageText(at, size, std::move(text)); }

// ---- The arc protractor -------------------------------------------------

// Angle at the spindle between the pivot and the stylus when the stylus is
// r from the spindle (the triangle spindle, pivot, stylus).
double StylusAngle(const ProtractorSheet& s, double r) {
  const double c = (r * r + s.pivot * s.pivot - s.arm * s.arm) / (2 * r * s.pivot);
  return AcosDegrees(std::clamp(c, -1.0, 1.0));
}

// The arc protractor about a spindle at (0, 0), with the pivot's direction
// turned so that the stylus arc runs straight down the page from the
// spindle: the chord between its two ends points down.  Seen from above,
// the stylus lies clockwise of the pivot's direction, as on a deck whose
// arm stands to the right of the platter.
struct ArcFrame {
  double pivot_direction = 0;  // degrees
  PagePoint spindle;
  PagePoint pivot;
};

ArcFrame FrameOf(const ProtractorSheet& s) {
  const double r_in = s.inner_groove - kBandBeyond;
  const double r_out = s.outer_groove + kBandBeyond;
  const PagePoint a = Polar({}, r_in, StylusAngle(s, r_in));
  const PagePoint b = Polar({}, r_out, StylusAngle(s, r_out));
  ArcFrame f;
  f.pivot_direction = 90 - Atan2Degrees((a.y + b.y) / 2, (a.x + b.x) / 2);
  f.pivot = Polar({}, s.pivot, f.pivot_direction);
  return f;
}

PagePoint StylusAt(const ProtractorSheet& s, const ArcFrame& f, double r) {
  return Polar(f.spindle, r, f.pivot_direction + StylusAngle(s, r));
}

PageGroup SpindleGroup(PagePoint c) {
  return {"spindle",
          {PageArc(c, kSpindleRadius, 0, 360, kThin),
           PageLine({c.x - kCrossHalf, c.y}, {c.x + kCrossHalf, c.y}, kThin),
           PageLine({c.x, c.y - kCrossHalf}, {c.x, c.y + kCrossHalf}, kThin)}};
}

PageGroup StylusArcGroup(const ProtractorSheet& s, const ArcFrame& f) {
  const PagePoint from = StylusAt(s, f, s.inner_groove - kBandBeyond);
  const PagePoint to = StylusAt(s, f, s.outer_groove + kBandBeyond);
  const double start = Atan2Degrees(from.y - f.pivot.y, from.x - f.pivot.x);
  double sweep = Atan2Degrees(to.y - f.pivot.y, to.x - f.pivot.x) - start;
  if (sweep > 180) sweep -= 360;
  if (sweep <= -180) sweep += 360;
  return {"stylus-arc", {PageArc(f.pivot, s.arm, start, sweep, kThin)}};
}

// A groove-band arc about the spindle, dashed, where it crosses the stylus
// arc, with its radius beside its right-hand end.
PageGroup BandGroup(const ProtractorSheet& s, const ArcFrame& f, double r) {
  const double middle = f.pivot_direction + StylusAngle(s, r);
  const double half = kBandArcHalf / r * 180 / std::numbers::pi;
  PageShape arc = PageArc(f.spindle, r, middle - half, 2 * half, kThin);
  arc.dash = kDash;
  const PagePoint a = Polar(f.spindle, r, middle - half);
  const PagePoint b = Polar(f.spindle, r, middle + half);
  const PagePoint end = a.x > b.x ? a : b;
  return {"", {arc, Text({end.x + 1, end.y + kLabelSize / 3}, kLabelSize, Millimetres(r, 3, true))}};
}

// The null point's mark, then its grid: lines across the radius (along the
// groove's tangent) every 2 mm and one along the radius, all through or
// about the point, labelled with the radius at the right-hand end.
Groups NullGroups(const ProtractorSheet& s, const ArcFrame& f, double r, const char* id) {
  const PagePoint p = StylusAt(s, f, r);
  const double across = f.pivot_direction + StylusAngle(s, r);
  const PagePoint u{CosDegrees(across), SinDegrees(across)};
  PagePoint t{-u.y, u.x};
  if (t.x < 0 || (t.x == 0 && t.y < 0)) t = {-t.x, -t.y};
  PageGroup grid;
  for (int k = -kGridLinesEachSide; k <= kGridLinesEachSide; ++k) {
    const PagePoint c = Along(p, u, k * kGridStep);
    grid.shapes.push_back(PageLine(Along(c, t, -kGridHalfLength), Along(c, t, kGridHalfLength), kThin));
  }
  grid.shapes.push_back(PageLine(Along(p, u, -kRadialHalfLength), Along(p, u, kRadialHalfLength), kThin));
  const PagePoint end = Along(p, t, kGridHalfLength + 1);
  grid.shapes.push_back(Text({end.x, end.y + kTextSize / 3}, kTextSize, Millimetres(r, 2, false)));
  return {{id, {PageArc(p, kNullMarkRadius, 0, 360, kThin)}}, grid};
}

// An arrow from the spindle towards the pivot, which usually lies off the
// paper, with the distance.
PageGroup PivotGroup(const ProtractorSheet& s, const ArcFrame& f) {
  const double a = f.pivot_direction;
  const PagePoint w{CosDegrees(a), SinDegrees(a)};
  const PagePoint tip = Along(f.spindle, w, kPivotArrowTo);
  PageGroup g;
  g.shapes.push_back(PageLine(Along(f.spindle, w, kPivotArrowFrom), tip, kThin));
  g.shapes.push_back(PageLine(tip, Polar(tip, kArrowHead, a + 180 - kArrowHeadAngle), kThin));
  g.shapes.push_back(PageLine(tip, Polar(tip, kArrowHead, a + 180 + kArrowHeadAngle), kThin));
  const PagePoint label = Along(f.spindle, w, kPivotArrowFrom + 2);
  g.shapes.push_back(Text({label.x, label.y - 2}, kLabelSize,
                          "to the pivot, " + Millimetres(s.pivot, 3, true)));
  return g;
}

Groups ArcDrawing(const ProtractorSheet& s, const ArcFrame& f) {
  Groups g{SpindleGroup(f.spindle), StylusArcGroup(s, f), BandGroup(s, f, s.inner_groove),
           BandGroup(s, f, s.outer_groove), PivotGroup(s, f)};
  for (PageGroup& n : NullGroups(s, f, s.inner_null, "null-inner")) g.push_back(std::move(n));
  for (PageGroup& n : NullGroups(s, f, s.outer_null, "null-outer")) g.push_back(std::move(n));
  return g;
}

// ---- The two-point sheet ------------------------------------------------

PagePoint SheetPoint(MetafilePoint p) { return {p.x / kSheetUnitsPerMm, -p.y / kSheetUnitsPerMm}; }

PageShape SheetLineShape(const SheetLine& line, double width) {
  return PageLine(SheetPoint(line.from), SheetPoint(line.to), width);
}

PageShape SheetTextShape(const SheetText& text) {
  const PagePoint top = SheetPoint(text.at);
  PageShape s = Text({top.x, top.y + kSheetFontCellMm * kSheetAscentPerCell},
                     kSheetFontCellMm * kSheetEmPerCell, text.text);
  s.font = PageFont::Mono;
  s.advance = kSheetFontAdvanceMm;
  return s;
}

// The metafile's sheet in millimetres, its top left corner at (0, 0): the
// same shapes at the same places, in the same pens.
Groups SheetGroups(const SheetDrawing& d) {
  const PagePoint a = SheetPoint({d.border.left, d.border.top});
  const PagePoint b = SheetPoint({d.border.right, d.border.bottom});
  PageGroup border{"", {PageLine(a, {b.x, a.y}, kSheetThinPenMm), PageLine({b.x, a.y}, b, kSheetThinPenMm),
                        PageLine(b, {a.x, b.y}, kSheetThinPenMm), PageLine({a.x, b.y}, a, kSheetThinPenMm)}};
  const PagePoint c1 = SheetPoint({d.spindle_box.left, d.spindle_box.top});
  const PagePoint c2 = SheetPoint({d.spindle_box.right, d.spindle_box.bottom});
  PageShape circle = PageArc({(c1.x + c2.x) / 2, (c1.y + c2.y) / 2}, 0, 0, 360, kSheetThickPenMm);
  circle.rx = std::abs(c2.x - c1.x) / 2;
  circle.ry = std::abs(c2.y - c1.y) / 2;
  // thick: the centre line, the spindle mark, the outer and the inner null line
  PageGroup spindle{"spindle", {circle, SheetLineShape(d.thick[1], kSheetThickPenMm)}};
  PageGroup centre{"", {SheetLineShape(d.thick[0], kSheetThickPenMm)}};
  PageGroup outer{"null-outer", {SheetLineShape(d.thick[2], kSheetThickPenMm)}};
  PageGroup inner{"null-inner", {SheetLineShape(d.thick[3], kSheetThickPenMm)}};
  PageGroup rest;
  for (const SheetLine& line : d.thin) rest.shapes.push_back(SheetLineShape(line, kSheetThinPenMm));
  for (const SheetText& text : d.legend) rest.shapes.push_back(SheetTextShape(text));
  for (const SheetText& text : d.labels) rest.shapes.push_back(SheetTextShape(text));
  return {border, spindle, centre, outer, inner, rest};
}

// ---- Bars and data --------------------------------------------------------

double TickLength(int mm) {
  if (mm % 10 == 0) return kTickLong;
  return mm % 5 == 0 ? kTickMiddle : kTickShort;
}

// The bars start at (0, 0); across: ticks below the bar, numbers below
// them; down: ticks right of the bar, numbers right of them.  Captions
// stand before the 0 end, so nothing but the bar crosses the row or column
// of its ticks.
PageGroup BarGroup(bool across) {
  PageGroup g{across ? "bar-across" : "bar-down", {}};
  const double n = kBarLength;
  g.shapes.push_back(across ? PageLine({0, 0}, {n, 0}, kThin) : PageLine({0, 0}, {0, n}, kThin));
  for (int mm = 0; mm <= static_cast<int>(n); ++mm) {
    const double at = mm;
    const double len = TickLength(mm);
    g.shapes.push_back(across ? PageLine({at, 0}, {at, len}, kThin) : PageLine({0, at}, {len, at}, kThin));
    if (mm % 10 != 0) continue;
    PageShape number = Text({}, kLabelSize, std::to_string(mm));
    number.from = across ? PagePoint{at - TextWidth(number) / 2, kTickLong + 1 + kLabelSize}
                         : PagePoint{kTickLong + 1, at + kLabelSize / 3};
    g.shapes.push_back(number);
  }
  const char* caption = across ? "100 mm across" : "100 mm down";
  g.shapes.push_back(across ? Text({0, -2}, kTextSize, caption) : Text({-2, -3}, kTextSize, caption));
  return g;
}

std::string ScaleText(double scale) { return "1/" + FixedText(scale, 4, true); }

PageGroup DataGroup(const ProtractorSheet& s, ProtractorKind kind, double scale_x, double scale_y) {
  const std::string kind_name = kind == ProtractorKind::Arc ? "Arc protractor" : "Two-point protractor";
  std::vector<std::string> lines = {
      "Groove band: " + Millimetres(s.inner_groove, 3, true) + " to " + Millimetres(s.outer_groove, 3, true),
      "Pivot to spindle D: " + Millimetres(s.pivot, 3, true),
      "Effective length L: " + Millimetres(s.arm, 2, false),
      "Overhang H: " + Millimetres(s.overhang, 2, false),
      "Offset angle: " + FixedText(s.offset_deg, 2, false) + "\xC2\xB0",
      "Null radii: " + Millimetres(s.inner_null, 2, false) + " and " + Millimetres(s.outer_null, 2, false),
      "Print at 100 % (actual size, no fit to page). Both bars must measure 100 mm."};
  if (scale_x != 1 || scale_y != 1) {
    lines.push_back("Scaled for your printer: " + ScaleText(scale_x) + " across, " + ScaleText(scale_y) +
                    " down");
  }
  lines.push_back("Drawn by Pivotwright " + std::string(kVersion));
  PageGroup g{"", {Text({0, kTitleSize}, kTitleSize, kind_name + ": " + s.alignment)}};
  double y = kTitleSize + 2 + kLineStep;
  for (std::string& line : lines) {
    g.shapes.push_back(Text({0, y}, kTextSize, std::move(line)));
    y += kLineStep;
  }
  return g;
}

// ---- Layout ---------------------------------------------------------------

struct Part {
  Groups groups;
  PageBounds box;
  double Width() const { return box.right - box.left; }
  double Height() const { return box.bottom - box.top; }
};

Part MakePart(Groups groups) {
  Part p{std::move(groups), {}};
  p.box = BoundsOf(p.groups);
  return p;
}

// Moves a part so that its box's top left corner is at (left, top); gives
// how far it moved.
PagePoint Place(Part& p, double left, double top) {
  const PagePoint by{left - p.box.left, top - p.box.top};
  MoveGroups(p.groups, by.x, by.y);
  p.box = {left, top, left + p.Width(), top + p.Height()};
  return by;
}

struct Parts {
  Part drawing, across, down, data;
};

// Two arrangements, tried in turn: the bar down beside the drawing, the
// bar across and the data below them; or, for a wide drawing, the bar
// across below it and then the bar down beside the data.
enum class Arrangement { None, DownBeside, DownBelow };

struct Extent {
  double width = 0;
  double height = 0;
};

Extent ExtentOf(const Parts& p, Arrangement a) {
  if (a == Arrangement::DownBeside) {
    return {std::max({p.drawing.Width() + kGap + p.down.Width(), p.across.Width(), p.data.Width()}),
            std::max(p.drawing.Height(), p.down.Height()) + kGap + p.across.Height() + kGap +
                p.data.Height()};
  }
  return {std::max({p.drawing.Width(), p.across.Width(), p.down.Width() + kGap + p.data.Width()}),
          p.drawing.Height() + kGap + p.across.Height() + kGap + std::max(p.down.Height(), p.data.Height())};
}

// The room inside the margins, in the drawing's millimetres.
Extent RoomOn(Paper paper, double scale_x, double scale_y) {
  const PaperSize size = PaperSizeOf(paper);
  return {(size.width - 2 * kMargin) * scale_x, (size.height - 2 * kMargin) * scale_y};
}

Arrangement ArrangementFor(const Parts& p, Extent room) {
  for (const Arrangement a : {Arrangement::DownBeside, Arrangement::DownBelow}) {
    const Extent e = ExtentOf(p, a);
    if (e.width <= room.width && e.height <= room.height) return a;
  }
  return Arrangement::None;
}

struct Moves {
  PagePoint drawing, across, down;
};

Moves Arrange(Parts& p, Arrangement a, double left, double top) {
  Moves m;
  m.drawing = Place(p.drawing, left, top);
  if (a == Arrangement::DownBeside) {
    const Extent e = ExtentOf(p, a);
    m.down = Place(p.down, left + e.width - p.down.Width(), top);
    const double below = top + std::max(p.drawing.Height(), p.down.Height()) + kGap;
    m.across = Place(p.across, left, below);
    Place(p.data, left, below + p.across.Height() + kGap);
  } else {
    const double below = top + p.drawing.Height() + kGap;
    m.across = Place(p.across, left, below);
    const double lower = below + p.across.Height() + kGap;
    m.down = Place(p.down, left, lower);
    Place(p.data, left + p.down.Width() + kGap, lower);
  }
  return m;
}

PagePoint Moved(PagePoint p, PagePoint by) { return {p.x + by.x, p.y + by.y}; }

}  // namespace

PaperSize PaperSizeOf(Paper paper) {
  switch (paper) {
    case Paper::Letter: return {215.9, 279.4};
    case Paper::A3: return {297, 420};
    case Paper::A4: break;
  }
  return {210, 297};
}

std::string_view PaperName(Paper paper) {
  switch (paper) {
    case Paper::Letter: return "Letter";
    case Paper::A3: return "A3";
    case Paper::A4: break;
  }
  return "A4";
}

ProtractorLayout LayOutProtractor(const ProtractorSheet& sheet, ProtractorKind kind, Paper paper,
                                  double scale_x, double scale_y) {
  ProtractorMarks local;
  Groups drawing;
  if (kind == ProtractorKind::Arc) {
    const ArcFrame f = FrameOf(sheet);
    drawing = ArcDrawing(sheet, f);
    local.spindle = f.spindle;
    local.pivot = f.pivot;
    local.inner_null = StylusAt(sheet, f, sheet.inner_null);
    local.outer_null = StylusAt(sheet, f, sheet.outer_null);
  } else {
    const SheetDrawing d =
        LayOutSheet(sheet.inner_groove, sheet.outer_groove, sheet.inner_null, sheet.outer_null);
    drawing = SheetGroups(d);
    const double centre_y = SheetPoint(d.thick[0].from).y;
    local.spindle = {SheetPoint(d.thick[1].from).x, centre_y};
    local.pivot = local.spindle;
    local.outer_null = {SheetPoint(d.thick[2].from).x, centre_y};
    local.inner_null = {SheetPoint(d.thick[3].from).x, centre_y};
  }
  Parts parts{MakePart(std::move(drawing)), MakePart({BarGroup(true)}), MakePart({BarGroup(false)}),
              MakePart({DataGroup(sheet, kind, scale_x, scale_y)})};

  ProtractorLayout out;
  const Arrangement a = ArrangementFor(parts, RoomOn(paper, scale_x, scale_y));
  if (a == Arrangement::None) {
    for (const Paper p : {Paper::Letter, Paper::A4, Paper::A3}) {
      if (ArrangementFor(parts, RoomOn(p, scale_x, scale_y)) != Arrangement::None) out.fitting.push_back(p);
    }
    return out;
  }
  // Centred across, the margin at the top.
  const Extent room = RoomOn(paper, scale_x, scale_y);
  const Extent e = ExtentOf(parts, a);
  const Moves m = Arrange(parts, a, kMargin * scale_x + (room.width - e.width) / 2, kMargin * scale_y);

  out.fits = true;
  const PaperSize size = PaperSizeOf(paper);
  out.page.width = size.width;
  out.page.height = size.height;
  out.page.scale_x = scale_x;
  out.page.scale_y = scale_y;
  out.page.title = std::string(kind == ProtractorKind::Arc ? "Arc protractor" : "Two-point protractor") +
                   ", " + sheet.alignment;
  for (Part* p : {&parts.drawing, &parts.across, &parts.down, &parts.data}) {
    for (PageGroup& g : p->groups) out.page.groups.push_back(std::move(g));
  }
  out.marks = {Moved(local.spindle, m.drawing), Moved(local.pivot, m.drawing),
               Moved(local.inner_null, m.drawing), Moved(local.outer_null, m.drawing), m.across, m.down};
  return out;
}

int WriteDocumentFile(std::string_view path, std::string_view bytes) {
  return ReplaceFile(path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

}  // namespace pw
