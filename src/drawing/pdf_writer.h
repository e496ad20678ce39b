// A page as a one-page PDF 1.6 file: lines and Bezier arcs in millimetres
// under one transformation to points, texts in the standard Helvetica and
// Courier faces (not embedded, WinAnsi encoding), and viewer preferences
// that ask for no print scaling.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "drawing/page.h"

namespace pw {

// One cubic Bezier segment.
struct Cubic {
  PagePoint p0, p1, p2, p3;
};

// The arc of an ellipse (as in PageShape) as cubic segments of at most
// 30 degrees each, which stay within 4e-7 times the radius of the true
// curve (0.0002 mm at 500 mm).
std::vector<Cubic> ArcCubics(PagePoint centre, double rx, double ry, double start, double sweep);

// UTF-8 text as the bytes of a PDF string in WinAnsi encoding, without the
// parentheses: ( ) and \ escaped, bytes above 126 as octal escapes, and
// characters WinAnsi lacks (or malformed UTF-8) as "?".
std::string PdfStringText(std::string_view utf8);

// The whole file.
std::string PdfDocument(const Page& page);

}  // namespace pw
