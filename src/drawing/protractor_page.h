// The printable protractor pages: an arc protractor drawn for one arm's
// pivot to spindle distance, or the two-point sheet of the metafile
// drawing, each with a data block and two 100 mm bars to check the print
// with, laid out on one sheet of paper.  Everything in millimetres and
// degrees; the page goes to the PDF and SVG writers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "drawing/page.h"

namespace pw {

// What the page shows.  The caller has checked the numbers: finite and
// positive, inner_groove < outer_groove, inner_null < outer_null, and an
// arm that reaches the whole band from the pivot.
struct ProtractorSheet {
  std::string alignment;   // shown name, UTF-8 ("Baerwald", "Löfgren B", ...)
  double inner_groove = 0;  // R1
  double outer_groove = 0;  // R2
  double pivot = 0;         // D, pivot to spindle
  double arm = 0;           // L, pivot to stylus
  double overhang = 0;      // H = L - D
  double offset_deg = 0;    // the offset angle
  double inner_null = 0;
  double outer_null = 0;
};

enum class ProtractorKind { Arc, TwoPoint };
enum class Paper { A4, Letter, A3 };

struct PaperSize {
  double width = 0;   // portrait, mm
  double height = 0;
};
PaperSize PaperSizeOf(Paper paper);
std::string_view PaperName(Paper paper);  // "A4", "Letter", "A3"

// Where the page's key points are, in page millimetres before the scale
// is applied.
struct ProtractorMarks {
  PagePoint spindle;     // the spindle's centre
  PagePoint pivot;       // the arm's pivot (arc protractor; it may lie off the paper)
  PagePoint inner_null;  // the null points (two-point: where each null line
  PagePoint outer_null;  // crosses the centre line)
  PagePoint bar_across;  // the 0 end of each bar
  PagePoint bar_down;
};

struct ProtractorLayout {
  bool fits = false;
  Page page;                   // when it fits
  ProtractorMarks marks;
  std::vector<Paper> fitting;  // when it does not: the papers it fits, smallest first
};

// Lays the protractor out on the paper; the drawing is stretched by
// 1/scale_x across and 1/scale_y down (both positive).
ProtractorLayout LayOutProtractor(const ProtractorSheet& sheet, ProtractorKind kind, Paper paper,
                                  double scale_x, double scale_y);

// Writes a finished document whole or not at all; 0 or the system's error
// code.
int WriteDocumentFile(std::string_view path, std::string_view bytes);

}  // namespace pw
