// Alignment geometry of a pivoted tone arm: null radii, optimum overhang and
// offset, tracking error and distortion across the record.
#pragma once

#include <cstdint>

namespace pw {

// Inner and outer recorded radius, millimetres.
struct GrooveSpan {
  double inner = 0;
  double outer = 0;
};

// Inner and outer zero tracking error radius, millimetres.
struct NullRadii {
  double inner = 0;
  double outer = 0;
};

// Effective arm length, pivot to spindle distance and overhang (mm), and the
// offset angle (radians).
struct ArmSetup {
  double length = 0;
  double pivot = 0;
  double overhang = 0;
  double offset = 0;
};

// One grid radius (mm) with its lateral tracking error (degrees) and second
// harmonic distortion (per cent).
struct TrackingSample {
  double radius = 0;
  double error = 0;
  double distortion = 0;
};

// First and last grid position in tenths of a millimetre.  `valid` is false
// when a position does not fit a signed 32-bit integer; the grid is then
// empty.  The grid is empty too when first > last.
struct GridRange {
  int32_t first = 0;
  int32_t last = -1;
  bool valid = true;
};

NullRadii ComputeNullRadii(GrooveSpan span);

}  // namespace pw
