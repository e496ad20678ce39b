// The full-scale alignment protractor, drawn into "protractor.emf" in the
// current directory: a 175 x 80 mm sheet in 0.1 mm page units with the
// spindle, the centre line, the two null lines and their grids, the legend,
// the captions and the two radius labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/metafile.h"

namespace pw {

// The sheet in millimetres: its size, its pens and its font cell.
constexpr double kSheetWidthMm = 175;
constexpr double kSheetHeightMm = 80;
constexpr double kSheetThinPenMm = 0.1;
constexpr double kSheetThickPenMm = 0.2;
constexpr double kSheetFontCellMm = 2.5;   // cell height: the text's top to its bottom
constexpr double kSheetFontAdvanceMm = 1.2;  // each character's width
constexpr double kSheetUnitsPerMm = 10;    // page units of the sheet per millimetre

struct SheetLine {
  MetafilePoint from;
  MetafilePoint to;
};

// A text with its top left corner at `at`, just the characters drawn.
struct SheetText {
  MetafilePoint at;
  std::string text;
};

// What the sheet shows, in its page units (0.1 mm, y upwards, the sheet's
// top left corner at (0, 0)), each list in the order it is drawn.
struct SheetDrawing {
  MetafileBox border;
  MetafileBox spindle_box;        // a full ellipse in this box, drawn from
  MetafilePoint spindle_start;    // and to this point
  std::vector<SheetLine> thick;   // centre line, spindle mark, outer and inner null line
  std::vector<SheetLine> thin;    // the outer grid, then the inner grid
  std::vector<SheetText> legend;  // in the legend font
  std::vector<SheetText> labels;  // in the label font: the outer, then the inner radius
};

// The sheet for the recorded radii Ri and Ro as entered and the unrounded
// null radii Ni and No (millimetres).
SheetDrawing LayOutSheet(double ri, double ro, double ni, double no);

// Whether the drawing reached the disc; `error` is the system's code for
// the failed write (0 when saved).  A failed write leaves any earlier file
// as it was.
struct DrawOutcome {
  bool saved = false;
  int error = 0;
};

// Ri and Ro are the recorded radii as entered, Ni and No the unrounded null
// radii (all millimetres).
DrawOutcome DrawProtractor(double ri, double ro, double ni, double no);

// Where a null line stands: 10 x radius + 200 page units, formed in extended
// precision and rounded half to even (INT32_MIN when not a number or out of
// range).
int32_t NullLineX(double radius);

}  // namespace pw
