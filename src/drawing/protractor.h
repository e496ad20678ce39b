// The full-scale alignment protractor, drawn into "protractor.emf" in the
// current directory: a 175 x 80 mm sheet in 0.1 mm page units with the
// spindle, the centre line, the two null lines and their grids, the legend,
// the captions and the two radius labels.
#pragma once

#include <cstdint>

namespace pw {

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
