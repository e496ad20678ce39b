#include "geometry/alignment.h"

#include <cmath>

namespace pw {

namespace {

// Stored decimals, each held as the nearest double and widened exactly.
constexpr double kQuarterTurn = 1.5707963;
constexpr double kGrooveSpeed = 0.34906585;  // cm/s per mm of radius

bool Finite(double x) { return std::isfinite(x); }

// The arctangent as the double it rounds to.  The fast range settles it
// whenever both of its ends round to the same double (rounding is monotone);
// only otherwise is the correctly rounded value worked out.
double AtanToDouble(Extended x) {
  const ExtendedRange range = AtanRange(x);
  const double low = ToDouble(range.low);
  if (low == ToDouble(range.high)) return low;
  return ToDouble(Atan(x));
}

// The distortion for a given tan(phi): 10 x 100 x sqrt 2 times the tangent
// over the groove speed at radius n / 10, as a double.
double DistortionFromTangent(Extended tangent, int32_t n) {
  const Extended numerator = 10 * 100 * RootOrSelf(2);
  return ToDouble(Fabs(numerator * tangent / (kGrooveSpeed * (static_cast<Extended>(n) / 10))));
}

// The distortion at grid position n.  Every step from the tangent to the
// double is monotone for tangents of one sign, so when both ends of the fast
// range give the same double, so does the correctly rounded tangent.
double DistortionAt(double phi, int32_t n) {
  const ExtendedRange range = TanRange(phi);
  const bool one_sign = (range.low > 0 && range.high > 0) || (range.low < 0 && range.high < 0);
  if (one_sign) {
    const double low = DistortionFromTangent(range.low, n);
    if (low == DistortionFromTangent(range.high, n)) return low;
  }
  return DistortionFromTangent(Tan(phi), n);
}

}  // namespace

Extended RootOrSelf(Extended x) {
  if (x < 0) return x;
  return Sqrt(x);
}

OptimumAlignment ComputeOptimumAlignment(NullRadii n, ArmGiven way, double given) {
  const Extended n_in = n.inner;
  const Extended n_out = n.outer;
  const Extended product = n_in * n_out;

  OptimumAlignment out;
  double length = 0;
  double pivot = 0;
  double overhang = 0;
  if (way == ArmGiven::Length) {
    length = given;
    const Extended radicand = static_cast<Extended>(length) * length - product;
    if (radicand < 0) out.real = false;
    overhang = ToDouble(length - RootOrSelf(radicand));
    pivot = ToDouble(static_cast<Extended>(length) - overhang);
  } else {
    pivot = given;
    const Extended radicand = static_cast<Extended>(pivot) * pivot + product;
    if (radicand < 0) out.real = false;
    overhang = ToDouble(RootOrSelf(radicand) - pivot);
    length = ToDouble(static_cast<Extended>(pivot) + overhang);
  }

  // The offset from the set-up just formed: E is the pivot to spindle
  // distance again, h half the distance between the null radii and m their
  // mean.
  const double e = ToDouble(static_cast<Extended>(length) - overhang);
  const double h = ToDouble((n_in - n_out) / 2);
  const double m = ToDouble(static_cast<Extended>(h) + n_out);
  const Extended y_radicand = static_cast<Extended>(e) * e - static_cast<Extended>(h) * h;
  if (y_radicand < 0) out.real = false;
  const double y = ToDouble(RootOrSelf(y_radicand));
  const double offset = ToDouble(kQuarterTurn - Atan(static_cast<Extended>(y) / m));

  out.arm.length = length;
  out.arm.pivot = pivot;
  out.arm.overhang = overhang;
  out.arm.offset = offset;
  if (!Finite(length) || !Finite(pivot) || !Finite(overhang) || !Finite(offset)) out.real = false;
  return out;
}

ArmSetup CompleteArmSetup(bool length_typed, ArmSetup typed) {
  ArmSetup arm = typed;
  if (length_typed) {
    arm.pivot = ToDouble(static_cast<Extended>(typed.length) - typed.overhang);
  } else {
    arm.length = ToDouble(static_cast<Extended>(typed.overhang) + typed.pivot);
  }
  return arm;
}

double OffsetRadians(double degrees) {
  return ToDouble(static_cast<Extended>(degrees) / kDegreesPerRadian);
}

GridRange RadiusGrid(GrooveSpan span) {
  // Ten times a whole number of millimetres, checked against the 32-bit
  // range before any conversion (NaN fails both comparisons).
  const Extended first = Floor(static_cast<Extended>(span.inner)) * 10;
  const Extended last = Ceil(static_cast<Extended>(span.outer)) * 10;
  const auto fits = [](Extended x) { return x >= -2147483648.0 && x <= 2147483647.0; };
  GridRange g;
  if (!fits(first) || !fits(last)) {
    g.valid = false;
    return g;  // first 0, last -1: empty
  }
  g.first = static_cast<int32_t>(ToDouble(first));  // integral and in range: exact
  g.last = static_cast<int32_t>(ToDouble(last));
  return g;
}

int64_t GridCount(GridRange g) {
  if (!g.valid || g.first > g.last) return 0;
  return static_cast<int64_t>(g.last) - g.first + 1;
}

TrackingSample TrackingSampleAt(const ArmSetup& arm, int32_t n) {
  const Extended length = arm.length;
  const Extended pivot = arm.pivot;
  const Extended a = length * 2 * n / 10;  // twice the arm length times the radius
  const Extended r = static_cast<Extended>(n) / 10;

  // Cosine of the angle at the stylus between pivot and spindle.
  const double c = ToDouble((length * length + r * r - pivot * pivot) / a);
  const Extended cl = c;
  const Extended s = RootOrSelf(1 - cl * cl);
  const double theta = AtanToDouble(s / cl);
  const double phi = ToDouble(kQuarterTurn + (static_cast<Extended>(arm.offset) + theta));

  TrackingSample t;
  t.radius = ToDouble(static_cast<Extended>(n) / 10);
  t.error = ToDouble(kDegreesPerRadian * static_cast<Extended>(phi) - 180);
  t.distortion = DistortionAt(phi, n);
  return t;
}

}  // namespace pw
