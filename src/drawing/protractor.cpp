#include "drawing/protractor.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/extended.h"
#include "base/int_convert.h"
#include "base/product.h"
#include "drawing/metafile.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace pw {

namespace {

constexpr std::string_view kFileName = "protractor.emf";

// The sheet, in page units of 0.1 mm with y upwards: 175 x 80 mm with its
// top left corner at (0, 0).
constexpr int32_t kSheetRight = 1750;
constexpr int32_t kSheetBottom = -800;
constexpr int32_t kSpindleX = 200;    // 20 mm from the left edge
constexpr int32_t kCentreY = -400;    // 40 mm below the top edge
constexpr int32_t kLineTop = -100;    // null and grid lines: 10 mm from the top
constexpr int32_t kLineBottom = -700; // ... to 10 mm from the bottom
constexpr int32_t kTextLeft = 50;
constexpr int32_t kLabelY = -720;
constexpr int kGridSteps[6] = {5, 7, 9, 11, 13, 15};  // mm either side of a null line

// The spindle circle is not centred on the crossing of the centre line and
// the spindle mark (200, -400).  Its box runs from 200 - r to 202 + r across
// and from -401 + r to -401 - r down, r = 10 x 3.5 mm = 35 units: a 72 x 70
// ellipse about (201, -401), 0.1 mm right of and below the crossing, drawn
// from and to its leftmost point (200 - r, -401).  These are the numbers
// every protractor of this program has been printed with, so they stay;
// the 0.1 mm is half the thick pen's width.
constexpr int32_t kCircleLeftX = 200;
constexpr int32_t kCircleRightX = 202;
constexpr int32_t kCircleMiddleY = -401;
constexpr double kSpindleRadiusMm = 3.5;

// Texts are kept in 40-byte buffers: at most 39 characters.
constexpr std::size_t kBufferLength = 39;
// The labels under the null lines draw a fixed number of characters.
constexpr std::size_t kOuterLabelCount = 7;
constexpr std::size_t kInnerLabelCount = 6;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint8_t kModernFamily = 0x30;
const MetafileObject kThinPen{1, MetafileObject::Kind::Pen, kBlack, 1};
const MetafileObject kThickPen{2, MetafileObject::Kind::Pen, kBlack, 2};
const MetafileObject kWhiteBrush{3, MetafileObject::Kind::Brush, kWhite};
// Fonts: 2.5 mm cells, 1.2 mm wide, Courier New; the label font's weight
// is 6 (nearly the thinnest), the legend font's "any".
const MetafileObject kLegendFont{4, MetafileObject::Kind::Font, 0, 0, 25, 12, 0, kModernFamily};
const MetafileObject kLabelFont{5, MetafileObject::Kind::Font, 0, 0, 25, 12, 6, 0};

std::string Buffered(std::string text) {
  if (text.size() > kBufferLength) text.resize(kBufferLength);
  return text;
}

// A label drawn with a fixed count: that many characters, or fewer when the
// text is shorter (nothing beyond the text is ever read).
std::string_view FirstCharacters(const std::string& text, std::size_t count) {
  return std::string_view(text).substr(0, count);
}

SheetLine VerticalLine(int32_t x) { return {{x, kLineTop}, {x, kLineBottom}}; }

// Six pairs of grid lines about a null line, nearest pair first, the left
// line of each pair before the right one.
void AddGrid(std::vector<SheetLine>& lines, int32_t x) {
  for (const int k : kGridSteps) {
    const int32_t offset = WrapMul(10, k);
    lines.push_back(VerticalLine(WrapSub(x, offset)));
    lines.push_back(VerticalLine(WrapAdd(x, offset)));
  }
}

// The drawing, as the list of what it draws.
std::vector<uint8_t> ProtractorDrawing(double ri, double ro, double ni, double no) {
  const SheetDrawing sheet = LayOutSheet(ri, ro, ni, no);

  // Framed at 175.00 x 80.00 mm; page units of 0.1 mm, y upwards.
  Metafile m = BeginMetafile(0, 0, 17500, 8000);
  RecordSetMapMode(m, kMapModeLoMetric);
  RecordSelect(m, kThinPen);
  RecordSelect(m, kWhiteBrush);
  // The frame's numbers read as page units: a white fill above the sheet.
  RecordFillRect(m, {0, 0, 17500, 8000}, kWhiteBrush);
  // The sheet's border, filled white.
  RecordRectangle(m, sheet.border);

  RecordSelect(m, kThickPen);
  RecordArc(m, sheet.spindle_box, sheet.spindle_start, sheet.spindle_start);
  for (const SheetLine& line : sheet.thick) RecordLine(m, line.from, line.to);
  RecordSelect(m, kThinPen);
  for (const SheetLine& line : sheet.thin) RecordLine(m, line.from, line.to);
  RecordSelect(m, kLegendFont);
  for (const SheetText& text : sheet.legend) RecordText(m, text.at, text.text);
  RecordSelect(m, kLabelFont);
  for (const SheetText& text : sheet.labels) RecordText(m, text.at, text.text);

  // Back to what the recording started with.
  RecordSelectStock(m, StockObject::WhiteBrush);
  RecordSelectStock(m, StockObject::BlackPen);
  RecordSelectStock(m, StockObject::SystemFont);
  RecordSetMapMode(m, kMapModeText);
  return FinishMetafile(m);
}

}  // namespace

SheetDrawing LayOutSheet(double ri, double ro, double ni, double no) {
  const int32_t x_outer = NullLineX(no);
  const int32_t x_inner = NullLineX(ni);
  const int32_t r = RoundToInt32(static_cast<Extended>(10) * kSpindleRadiusMm);

  SheetDrawing d;
  d.border = {0, 0, kSheetRight, kSheetBottom};
  d.spindle_box = {WrapSub(kCircleLeftX, r), WrapAdd(kCircleMiddleY, r), WrapAdd(kCircleRightX, r),
                   WrapSub(kCircleMiddleY, r)};
  d.spindle_start = {WrapSub(kCircleLeftX, r), kCircleMiddleY};
  d.thick = {{{kTextLeft, kCentreY}, {1700, kCentreY}},  // the centre line
             {{kSpindleX, -300}, {kSpindleX, -500}},     // the spindle mark
             VerticalLine(x_outer),                      // the null lines
             VerticalLine(x_inner)};
  AddGrid(d.thin, x_outer);
  AddGrid(d.thin, x_inner);

  d.legend = {
      {{kTextLeft, -50}, "For disc dimensions:"},
      {{kTextLeft, -80},
       Buffered("  min groove radius  " + Buffered(FormatWithMask(ri, "00.0") + "mm"))},
      {{kTextLeft, -105},
       Buffered("  max groove radius " + Buffered(FormatWithMask(ro, "000.0") + "mm"))},
      {{kTextLeft, -705}, "drawn by Pivotwright v1"},
      {{kTextLeft, -730}, std::string(kWebAddress)}};
  const std::string outer_label = Buffered(FormatWithMask(no, "000.0") + "mm");
  const std::string inner_label = Buffered(FormatWithMask(ni, "00.0") + "mm");
  d.labels = {{{WrapSub(x_outer, 47), kLabelY}, std::string(FirstCharacters(outer_label, kOuterLabelCount))},
              {{WrapSub(x_inner, 40), kLabelY}, std::string(FirstCharacters(inner_label, kInnerLabelCount))}};
  return d;
}

int32_t NullLineX(double radius) {
  return RoundToInt32(static_cast<Extended>(10) * radius + kSpindleX);
}

DrawOutcome DrawProtractor(double ri, double ro, double ni, double no) {
  const std::vector<uint8_t> bytes = ProtractorDrawing(ri, ro, ni, no);
  DrawOutcome outcome;
  outcome.error = ReplaceFile(kFileName, bytes.data(), bytes.size());
  outcome.saved = outcome.error == 0;
  return outcome;
}

}  // namespace pw
