// A printed page described as a list of lines, arcs and texts in
// millimetres, for the PDF and SVG writers to draw the same way.  The
// page's origin is its top left corner, x to the right and y downwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pw {

struct PagePoint {
  double x = 0;  // mm from the left edge
  double y = 0;  // mm from the top edge
};

enum class PageFont : uint8_t {
  Sans,  // a proportional face: Helvetica in the PDF
  Mono,  // a fixed-pitch face: Courier in the PDF
};

// One thing drawn.  A line runs from `from` to `to`.  An arc is part of the
// ellipse with the semi-axes rx and ry about `from`, from the angle `start`
// through `sweep` (degrees; 0 points right and positive angles turn towards
// +y, that is clockwise on the page; a sweep of 360 is the whole ellipse).
// A text starts at `from` on its baseline, `size` high (the font's em) with
// `advance` per character when that is not 0 (Mono only).
struct PageShape {
  enum class Kind : uint8_t { Line, Arc, Text };
  Kind kind = Kind::Line;
  PagePoint from;
  PagePoint to;
  double rx = 0, ry = 0, start = 0, sweep = 0;
  double width = 0.1;   // lines and arcs: the pen, mm
  double dash = 0;      // lines and arcs: dash and gap length, mm (0: solid)
  PageFont font = PageFont::Sans;
  double size = 0;      // text: em, mm
  double advance = 0;   // text: mm per character, 0 for the face's own
  std::string text;     // UTF-8
};

// Shapes drawn together; `id` names the group in the SVG (may be empty).
struct PageGroup {
  std::string id;
  std::vector<PageShape> shapes;
};

// The page: its size (mm) and what it shows.  The whole drawing is
// stretched by 1/scale_x across and 1/scale_y down about the top left
// corner, for a printer that prints 100 mm as 100 x scale mm.
struct Page {
  std::string title;  // the document's title
  double width = 0;
  double height = 0;
  double scale_x = 1;
  double scale_y = 1;
  std::vector<PageGroup> groups;
};

// Builders.
PageShape PageLine(PagePoint from, PagePoint to, double width);
PageShape PageArc(PagePoint centre, double radius, double start, double sweep, double width);
PageShape PageText(PagePoint baseline_start, double size, std::string text);

// How far a text reaches from its start along the baseline, mm: the
// advance times the characters for a fixed pitch, else the widths of the
// standard sans face (characters beyond ASCII taken as the widest
// letters, so the estimate stays on the safe side).
double TextWidth(const PageShape& text);

// The smallest box holding every group's shapes (texts from their width
// and their em above and below the baseline).
struct PageBounds {
  double left = 0, top = 0, right = 0, bottom = 0;
};
PageBounds BoundsOf(const std::vector<PageGroup>& groups);

// Moves every shape by (dx, dy).
void MoveGroups(std::vector<PageGroup>& groups, double dx, double dy);

// A number with a fixed count of decimals, locale-free and the same on
// every platform; trailing zeros and a bare point are dropped when `trim`
// is set, and "-0" is written as "0".
std::string FixedText(double value, int decimals, bool trim);

}  // namespace pw
