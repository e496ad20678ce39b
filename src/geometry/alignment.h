// Alignment geometry of a pivoted tone arm: null radii, optimum overhang and
// offset, tracking error and distortion across the record.
#pragma once

#include <cstdint>

#include "base/extended.h"

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

// Degrees per radian, as the program has always stored it.
constexpr double kDegreesPerRadian = 57.29578;

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

// The square root as the program takes every one: the ordinary root of a
// value that is not negative, a negative value itself, unchanged.
Extended RootOrSelf(Extended x);

// Which of the two arm dimensions the user gave.
enum class ArmGiven {
  Length,  // effective arm length L
  Pivot,   // pivot to spindle distance D
};

// The arm set-up that puts zero tracking error on the two null radii.
// `real` is false when a square root has no real value (L^2 < n_in * n_out,
// D^2 + n_in * n_out < 0, E^2 < h^2) or a result is not finite; the set-up
// then holds the numbers the arithmetic gave, without meaning.
struct OptimumAlignment {
  ArmSetup arm;
  bool real = true;
};

// `given` is L or D, as `way` says.
OptimumAlignment ComputeOptimumAlignment(NullRadii n, ArmGiven way, double given);

// Completes a typed set-up: with the arm length typed, D = L - H (L stays);
// otherwise L = H + D (D stays).  Overhang and offset are kept.
ArmSetup CompleteArmSetup(bool length_typed, ArmSetup typed);

// The offset angle in radians from degrees: a division by the stored
// 57.29578 degrees per radian.
double OffsetRadians(double degrees);

// Grid positions 10 * floor(inner) to 10 * ceil(outer).  Not valid (and
// empty) when either does not fit a signed 32-bit integer or is not a number.
GridRange RadiusGrid(GrooveSpan span);

// Number of positions in the grid (0 when empty or not valid).
int64_t GridCount(GridRange g);

// Tracking error and distortion at grid position n (radius n / 10 mm) for a
// completed set-up.
TrackingSample TrackingSampleAt(const ArmSetup& arm, int32_t n);

}  // namespace pw
