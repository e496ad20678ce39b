#include "drawing/protractor.h"

#include <cstring>
#include <string>

#include "drawing/metafile.h"
#include "base/int_convert.h"
#include "screens/screen_pieces.h"
#include "text/number_text.h"

namespace pw {

namespace {

constexpr const char* kFileName = "protractor.emf";
constexpr int32_t kSpindleX = 200;
constexpr int32_t kCentreY = -400;
constexpr int32_t kLineTop = -100;
constexpr int32_t kLineBottom = -700;
constexpr int32_t kTextLeft = 50;
constexpr int32_t kLabelY = -720;
constexpr int kOuterLabelCount = 7;
constexpr int kInnerLabelCount = 6;
constexpr int kGridSteps[6] = {5, 7, 9, 11, 13, 15};

void Line(EmfRecorder& g, HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  MoveToEx(g, dc, x1, y1, nullptr);
  LineTo(g, dc, x2, y2);
}

// Six pairs of grid lines about a null line, nearest pair first, the left
// line of each pair before the right one.
void Grid(EmfRecorder& g, HDC dc, int32_t x) {
  for (int k : kGridSteps) {
    const int32_t offset = WrapMul(10, k);
    Line(g, dc, WrapSub(x, offset), kLineTop, WrapSub(x, offset), kLineBottom);
    Line(g, dc, WrapAdd(x, offset), kLineTop, WrapAdd(x, offset), kLineBottom);
  }
}

void StoreString(LabelText& buffer, const std::string& text) {
  StoreText(buffer, text.data(), text.size());
}

void DrawWhole(EmfRecorder& g, HDC dc, int32_t x, int32_t y, const LabelText& buffer) {
  TextOutA(g, dc, x, y, buffer.bytes, static_cast<int>(TextLength(buffer)));
}

}  // namespace

int32_t NullLineX(double radius) {
  return RoundToInt32(static_cast<Extended>(10) * radius + 200);
}

void StoreText(LabelText& buffer, const char* text, std::size_t length) {
  const std::size_t n = length < sizeof buffer.bytes - 1 ? length : sizeof buffer.bytes - 1;
  // The text may come from the buffer itself; memmove copes with overlap.
  std::memmove(buffer.bytes, text, n);
  buffer.bytes[n] = '\0';
}

std::size_t TextLength(const LabelText& buffer) {
  return strnlen(buffer.bytes, sizeof buffer.bytes);
}

int DrawnCount(const LabelText& buffer, int fixed_count) {
  const std::size_t length = TextLength(buffer);
  if (fixed_count < 0) return 0;
  return static_cast<std::size_t>(fixed_count) <= length ? fixed_count
                                                         : static_cast<int>(length);
}

DrawOutcome DrawProtractor(double ri, double ro, double ni, double no) {
  EmfRecorder g;

  // 1. The drawing objects.
  const HPEN thin_pen = CreatePen(g, PS_SOLID, 1, RgbColour(0, 0, 0));
  const HPEN thick_pen = CreatePen(g, PS_SOLID, 2, RgbColour(0, 0, 0));
  const HBRUSH white_brush = CreateSolidBrush(g, RgbColour(255, 255, 255));
  const HFONT legend_font =
      CreateFontA(g, 25, 12, 0, 0, FW_DONTCARE, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS,
                  CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_MODERN | DEFAULT_PITCH, "Courier New");
  const HFONT label_font =
      CreateFontA(g, 25, 12, 0, 0, 6, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                  PROOF_QUALITY, FF_DONTCARE | DEFAULT_PITCH, "Courier New");

  // 2. The metafile, framed at 175.00 x 80.00 mm.
  const RECT frame{0, 0, 17500, 8000};
  const HDC dc = CreateEnhMetaFileA(g, HDC{}, kFileName, &frame, nullptr);

  // 3. Page units of 0.1 mm, y upwards.
  const int kept_mode = SetMapMode(g, dc, MM_LOMETRIC);

  // 4. Thin pen and white brush, keeping what was current.
  const HGDIOBJ kept_pen = SelectObject(g, dc, thin_pen);
  const HGDIOBJ kept_brush = SelectObject(g, dc, white_brush);

  // 5. The white fill over the frame's numbers read as page units.
  const RECT fill{0, 0, 17500, 8000};
  FillRect(g, dc, &fill, white_brush);

  // 6. The sheet's border.
  Rectangle(g, dc, 0, 0, 1750, -800);

  // 7.-8. The spindle circle in the thick pen.
  SelectObject(g, dc, thick_pen);
  const int32_t r = RoundToInt32(static_cast<Extended>(10) * 3.5);
  Arc(g, dc, WrapSub(200, r), WrapAdd(-401, r), WrapAdd(202, r), WrapSub(-401, r),
      WrapSub(200, r), -401, WrapSub(200, r), -401);

  // 9.-10. The centre line and the spindle mark.
  Line(g, dc, kTextLeft, kCentreY, 1700, kCentreY);
  Line(g, dc, kSpindleX, -300, kSpindleX, -500);

  // 11.-12. The null lines.
  const int32_t x_outer = NullLineX(no);
  const int32_t x_inner = NullLineX(ni);
  Line(g, dc, x_outer, kLineTop, x_outer, kLineBottom);
  Line(g, dc, x_inner, kLineTop, x_inner, kLineBottom);

  // 13.-15. The grids in the thin pen.
  SelectObject(g, dc, thin_pen);
  Grid(g, dc, x_outer);
  Grid(g, dc, x_inner);

  // 16.-21. The legend and the two captions.
  const HGDIOBJ kept_font = SelectObject(g, dc, legend_font);
  TextOutA(g, dc, kTextLeft, -50, "For disc dimensions:", 20);

  LabelText buffer;
  StoreString(buffer, FormatWithMask(ri, "00.0") + "mm");
  StoreString(buffer, std::string("  min groove radius  ") + buffer.bytes);
  DrawWhole(g, dc, kTextLeft, -80, buffer);

  StoreString(buffer, FormatWithMask(ro, "000.0") + "mm");
  StoreString(buffer, std::string("  max groove radius ") + buffer.bytes);
  DrawWhole(g, dc, kTextLeft, -105, buffer);

  TextOutA(g, dc, kTextLeft, -705, "drawn by Pivotwright v1", 23);
  TextOutA(g, dc, kTextLeft, -730, kWebAddress.data(), static_cast<int>(kWebAddress.size()));

  // 22.-24. The labels under the null lines, a fixed number of characters
  // each (never more than the label holds).
  SelectObject(g, dc, label_font);
  StoreString(buffer, FormatWithMask(no, "000.0") + "mm");
  TextOutA(g, dc, WrapSub(x_outer, 47), kLabelY, buffer.bytes,
           DrawnCount(buffer, kOuterLabelCount));
  StoreString(buffer, FormatWithMask(ni, "00.0") + "mm");
  TextOutA(g, dc, WrapSub(x_inner, 40), kLabelY, buffer.bytes,
           DrawnCount(buffer, kInnerLabelCount));

  // 25. Restore what the context started with.
  SelectObject(g, dc, kept_brush);
  SelectObject(g, dc, kept_pen);
  SelectObject(g, dc, kept_font);
  SetMapMode(g, dc, kept_mode);

  // 26. Finish the file.
  DrawOutcome outcome;
  const HENHMETAFILE metafile = CloseEnhMetaFile(g, dc);
  outcome.saved = metafile.value != 0;
  outcome.error = outcome.saved ? 0 : g.last_error;
  if (outcome.saved) DeleteEnhMetaFile(g, metafile);

  // 27. Release the objects.
  DeleteObject(g, thin_pen);
  DeleteObject(g, thick_pen);
  DeleteObject(g, white_brush);
  DeleteObject(g, legend_font);
  DeleteObject(g, label_font);
  return outcome;
}

}  // namespace pw
