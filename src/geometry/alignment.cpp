#include <cmath>

#include "geometry/alignment.h"

namespace pw {

namespace {

// Stored decimals, each held as the nearest double and widened exactly.
constexpr long double kQuarterTurn = 1.5707963;
constexpr long double kDegreesPerRadian = 57.29578;
constexpr long double kGrooveSpeed = 0.34906585;  // cm/s per mm of radius

bool Finite(double x) { return std::isfinite(x); }

}  // namespace

long double RootOrSelf(long double x) {
  if (x < 0) return x;
  return sqrtl(x);
}

OptimumAlignment ComputeOptimumAlignment(NullRadii n, ArmGiven way, double given) {
  const long double n_in = n.inner;
  const long double n_out = n.outer;
  const long double product = n_in * n_out;

  OptimumAlignment out;
  double length = 0;
  double pivot = 0;
  double overhang = 0;
  if (way == ArmGiven::Length) {
    length = given;
    const long double radicand = static_cast<long double>(length) * length - product;
    if (radicand < 0) out.real = false;
    overhang = static_cast<double>(length - RootOrSelf(radicand));
    pivot = static_cast<double>(static_cast<long double>(length) - overhang);
  } else {
    pivot = given;
    const long double radicand = static_cast<long double>(pivot) * pivot + product;
    if (radicand < 0) out.real = false;
    overhang = static_cast<double>(RootOrSelf(radicand) - pivot);
    length = static_cast<double>(static_cast<long double>(pivot) + overhang);
  }

  // The offset from the set-up just formed: E is the pivot to spindle
  // distance again, h half the distance between the null radii and m their
  // mean.
  const double e = static_cast<double>(static_cast<long double>(length) - overhang);
  const double h = static_cast<double>((n_in - n_out) / 2);
  const double m = static_cast<double>(static_cast<long double>(h) + n_out);
  const long double y_radicand = static_cast<long double>(e) * e - static_cast<long double>(h) * h;
  if (y_radicand < 0) out.real = false;
  const double y = static_cast<double>(RootOrSelf(y_radicand));
  const double offset = static_cast<double>(kQuarterTurn - atanl(static_cast<long double>(y) / m));

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
    arm.pivot = static_cast<double>(static_cast<long double>(typed.length) - typed.overhang);
  } else {
    arm.length = static_cast<double>(static_cast<long double>(typed.overhang) + typed.pivot);
  }
  return arm;
}

double OffsetRadians(double degrees) {
  return static_cast<double>(static_cast<long double>(degrees) / kDegreesPerRadian);
}

GridRange RadiusGrid(GrooveSpan span) {
  // Ten times a whole number of millimetres, checked against the 32-bit
  // range before any conversion (NaN fails both comparisons).
  const long double first = floorl(static_cast<long double>(span.inner)) * 10;
  const long double last = ceill(static_cast<long double>(span.outer)) * 10;
  const auto fits = [](long double x) { return x >= -2147483648.0L && x <= 2147483647.0L; };
  GridRange g;
  if (!fits(first) || !fits(last)) {
    g.valid = false;
    return g;  // first 0, last -1: empty
  }
  g.first = static_cast<int32_t>(first);
  g.last = static_cast<int32_t>(last);
  return g;
}

int64_t GridCount(GridRange g) {
  if (!g.valid || g.first > g.last) return 0;
  return static_cast<int64_t>(g.last) - g.first + 1;
}

TrackingSample TrackingSampleAt(const ArmSetup& arm, int32_t n) {
  const long double length = arm.length;
  const long double pivot = arm.pivot;
  const long double a = length * 2 * n / 10;  // twice the arm length times the radius
  const long double r = static_cast<long double>(n) / 10;

  // Cosine of the angle at the stylus between pivot and spindle.
  const double c = static_cast<double>((length * length + r * r - pivot * pivot) / a);
  const long double cl = c;
  const long double s = RootOrSelf(1 - cl * cl);
  const double theta = static_cast<double>(atanl(s / cl));
  const double phi = static_cast<double>(kQuarterTurn + (static_cast<long double>(arm.offset) + theta));

  TrackingSample t;
  t.radius = static_cast<double>(static_cast<long double>(n) / 10);
  t.error = static_cast<double>(kDegreesPerRadian * phi - 180);
  const long double numerator = 10 * 100 * RootOrSelf(2);
  t.distortion = static_cast<double>(
      fabsl(numerator * tanl(static_cast<long double>(phi)) / (kGrooveSpeed * (static_cast<long double>(n) / 10))));
  return t;
}

}  // namespace pw
