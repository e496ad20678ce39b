#include "geometry/alignments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace pw {

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

// The two roots of a x^2 + b x + c = 0 (real ones, which the callers'
// coefficients always have), the smaller first; formed without the
// cancellation of the schoolbook formula.
NullRadii QuadraticRoots(double a, double b, double c) {
  const double root = std::sqrt(std::max(0.0, b * b - 4 * a * c));
  const double q = -0.5 * (b + std::copysign(root, b));
  const double x1 = q / a;
  const double x2 = c / q;
  return {std::min(x1, x2), std::max(x1, x2)};
}

// The integral of r^-k over the band.
double PowerIntegral(GrooveSpan band, int k) {
  if (k == 1) return std::log(band.outer / band.inner);
  return (std::pow(band.inner, 1 - k) - std::pow(band.outer, 1 - k)) / (k - 1);
}

// The curves whose largest value over the band is looked for.
enum class Curve {
  Error,          // |LTE| in degrees
  Distortion,     // T in per cent
  WeightedError,  // |LTE| / (r / 10) in degrees per centimetre
};

double CurveAt(const ArmGeometry& arm, Playback play, Curve curve, double r) {
  switch (curve) {
    case Curve::Error:
      return std::fabs(TrackingErrorAt(arm, r)) * kDegrees;
    case Curve::Distortion:
      return DistortionAt(arm, play, r);
    case Curve::WeightedError:
      return std::fabs(TrackingErrorAt(arm, r)) * kDegrees / (r / 10);
  }
  return 0;
}

struct Peak {
  double value = 0;
  double at = 0;
};

// The largest value of a curve over [inner, outer], ends included.  The
// curves are smooth away from the nulls, where they are zero, so each piece
// between nulls has one hump (or rises to an end of the band): a scan finds
// the sample nearest the top, and a golden-section search between its two
// neighbours finds the top itself to the last bits of the radius.
Peak LargestOf(const ArmGeometry& arm, Playback play, Curve curve, GrooveSpan band) {
  constexpr int kSamples = 512;
  const double step = (band.outer - band.inner) / kSamples;
  Peak best{CurveAt(arm, play, curve, band.inner), band.inner};
  int best_index = 0;
  for (int i = 1; i <= kSamples; ++i) {
    const double r = i == kSamples ? band.outer : band.inner + i * step;
    const double v = CurveAt(arm, play, curve, r);
    if (v > best.value) {
      best = {v, r};
      best_index = i;
    }
  }
  double lo = band.inner + std::max(0, best_index - 1) * step;
  double hi = std::min(band.outer, band.inner + (best_index + 1) * step);
  const double ratio = (std::sqrt(5.0) - 1) / 2;
  double x1 = hi - ratio * (hi - lo);
  double x2 = lo + ratio * (hi - lo);
  double f1 = CurveAt(arm, play, curve, x1);
  double f2 = CurveAt(arm, play, curve, x2);
  for (int i = 0; i < 100 && hi - lo > 1e-13 * band.outer; ++i) {
    if (f1 < f2) {
      lo = x1;
      x1 = x2;
      f1 = f2;
      x2 = lo + ratio * (hi - lo);
      f2 = CurveAt(arm, play, curve, x2);
    } else {
      hi = x2;
      x2 = x1;
      f2 = f1;
      x1 = hi - ratio * (hi - lo);
      f1 = CurveAt(arm, play, curve, x1);
    }
  }
  for (const Peak p : {Peak{f1, x1}, Peak{f2, x2}}) {
    if (p.value > best.value) best = p;
  }
  return best;
}

// sqrt(integral of T^2 dr / (R2 - R1)).  T^2 is smooth over the whole band
// (no absolute value), so composite 8-point Gauss-Legendre quadrature on 64
// panels gives it to rounding.
double RmsDistortion(const ArmGeometry& arm, Playback play, GrooveSpan band) {
  constexpr std::array<double, 4> kNodes = {0.1834346424956498, 0.5255324099163290,
                                            0.7966664774136267, 0.9602898564975363};
  constexpr std::array<double, 4> kWeights = {0.3626837833783620, 0.3137066458778873,
                                              0.2223810344533745, 0.1012285362903763};
  constexpr int kPanels = 64;
  const double width = (band.outer - band.inner) / kPanels;
  double sum = 0;
  for (int p = 0; p < kPanels; ++p) {
    const double mid = band.inner + (p + 0.5) * width;
    for (std::size_t i = 0; i < kNodes.size(); ++i) {
      const double d = 0.5 * width * kNodes[i];
      const double below = DistortionAt(arm, play, mid - d);
      const double above = DistortionAt(arm, play, mid + d);
      sum += kWeights[i] * (below * below + above * above);
    }
  }
  return std::sqrt(sum * 0.5 * width / (band.outer - band.inner));
}

}  // namespace

NullRadii BaerwaldNulls(GrooveSpan band) {
  const double r1 = band.inner;
  const double r2 = band.outer;
  const double wide = 1 + 1 / std::numbers::sqrt2;
  const double narrow = 1 - 1 / std::numbers::sqrt2;
  return {2 * r1 * r2 / (r2 * wide + r1 * narrow), 2 * r1 * r2 / (r1 * wide + r2 * narrow)};
}

NullRadii LofgrenBNulls(GrooveSpan band) {
  // Least squares of 1 - a/r + b/r^2 over the band: the normal equations
  // a I2 - b I3 = I1 and a I3 - b I4 = I2, solved by Cramer's rule; the
  // nulls are the roots of r^2 - a r + b.
  const double i1 = PowerIntegral(band, 1);
  const double i2 = PowerIntegral(band, 2);
  const double i3 = PowerIntegral(band, 3);
  const double i4 = PowerIntegral(band, 4);
  const double det = i3 * i3 - i2 * i4;
  const double a = (i2 * i3 - i1 * i4) / det;
  const double b = (i2 * i2 - i1 * i3) / det;
  return QuadraticRoots(1, -a, b);
}

NullRadii StevensonNulls(GrooveSpan band) {
  const double r1 = band.inner;
  const double r2 = band.outer;
  const double k = 4 * r1 * (r2 - r1);
  const NullRadii roots = QuadraticRoots(r2 * r2 + k, -(2 * r1 * r2 * r2 + k * r2), r1 * r1 * r2 * r2);
  // One root lies inside the band, the other below the inner groove.
  return {r1, roots.outer > r1 && roots.outer < r2 ? roots.outer : roots.inner};
}

ArmGeometry GeometryForPivot(NullRadii nulls, double pivot) {
  const double arm = std::sqrt(pivot * pivot + nulls.inner * nulls.outer);
  return {arm, pivot, arm - pivot, std::asin((nulls.inner + nulls.outer) / (2 * arm))};
}

ArmGeometry GeometryForArm(NullRadii nulls, double arm) {
  const double pivot = std::sqrt(arm * arm - nulls.inner * nulls.outer);
  return {arm, pivot, arm - pivot, std::asin((nulls.inner + nulls.outer) / (2 * arm))};
}

std::optional<NullRadii> SetupNulls(const ArmGeometry& arm) {
  const double along = arm.arm * std::sin(arm.offset);
  const double across = arm.arm * std::cos(arm.offset);
  const double square = arm.pivot * arm.pivot - across * across;
  if (!(square >= 0)) return std::nullopt;
  const double root = std::sqrt(square);
  return NullRadii{along - root, along + root};
}

StylusReach ReachOf(const ArmGeometry& arm) {
  return {std::fabs(arm.arm - arm.pivot), arm.arm + arm.pivot};
}

double TrackingErrorAt(const ArmGeometry& arm, double r) {
  const double l = arm.arm;
  const double d = arm.pivot;
  // (L^2 - D^2) as (L - D)(L + D): exact enough when L and D are close.
  return arm.offset - std::asin(((l - d) * (l + d) + r * r) / (2 * l * r));
}

double DistortionAt(const ArmGeometry& arm, Playback play, double r) {
  const double omega = 2 * std::numbers::pi * play.rpm / 60;
  return 100 * play.velocity_peak * std::fabs(std::tan(TrackingErrorAt(arm, r))) / (omega * r / 10);
}

BandFigures FiguresOverBand(const ArmGeometry& arm, GrooveSpan band, Playback play) {
  const Peak error = LargestOf(arm, play, Curve::Error, band);
  const Peak distortion = LargestOf(arm, play, Curve::Distortion, band);
  const Peak weighted = LargestOf(arm, play, Curve::WeightedError, band);
  return {error.value,        error.at,
          distortion.value,   distortion.at,
          RmsDistortion(arm, play, band), weighted.value};
}

}  // namespace pw
