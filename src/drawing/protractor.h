// The full-scale alignment protractor, drawn into "protractor.emf" in the
// current directory: a 175 x 80 mm sheet in 0.1 mm page units with the
// spindle, the centre line, the two null lines and their grids, the legend,
// the captions and the two radius labels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pw {

// Whether the drawing reached the disc; `error` is the errno of the failed
// write (0 when saved).  A failed write leaves any earlier file as it was.
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

// The text a label or legend buffer keeps (at most 39 characters), and how
// many of its characters a fixed count draws: the count, or fewer when the
// text is shorter, so nothing beyond the text is ever read.
struct LabelText {
  char bytes[40] = {};
};
void StoreText(LabelText& buffer, const char* text, std::size_t length);
std::size_t TextLength(const LabelText& buffer);
int DrawnCount(const LabelText& buffer, int fixed_count);

}  // namespace pw
