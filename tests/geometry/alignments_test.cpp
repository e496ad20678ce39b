#include "geometry/alignments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "geometry/alignment.h"

namespace pw {
namespace {

constexpr GrooveSpan kIec{60.325, 146.05};
constexpr GrooveSpan kDin{57.5, 146.05};
constexpr GrooveSpan kJis{57.6, 146.5};
constexpr double kDegrees = 180 / std::numbers::pi;
constexpr Playback kPeak10{100.0 / 3, 10};

double Relative(double a, double b) { return std::fabs(a - b) / std::max(std::fabs(b), 1e-300); }

// The weighted error in its small-angle form, 1 - a/r + b/r^2 with the
// nulls' sum and product, squared and integrated over the band by a fine
// midpoint rule: what the least-squares alignment makes smallest.
double SmallAngleResidual(NullRadii n, GrooveSpan band) {
  const double a = n.inner + n.outer;
  const double b = n.inner * n.outer;
  constexpr int kSteps = 20000;
  const double h = (band.outer - band.inner) / kSteps;
  double sum = 0;
  for (int i = 0; i < kSteps; ++i) {
    const double r = band.inner + (i + 0.5) * h;
    const double e = 1 - a / r + b / (r * r);
    sum += e * e * h;
  }
  return sum;
}

TEST(Alignments, NullsOfTheIecBandAreThePublishedOnes) {
  struct Case {
    const char* name;
    NullRadii nulls;
    double inner;
    double outer;
  } cases[] = {
      {"Baerwald", BaerwaldNulls(kIec), 65.998, 120.891},
      {"Lofgren B", LofgrenBNulls(kIec), 70.164, 116.193},
      {"Stevenson", StevensonNulls(kIec), 60.325, 117.421},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(c.nulls.inner, c.inner, 5e-4) << c.name;
    EXPECT_NEAR(c.nulls.outer, c.outer, 5e-4) << c.name;
  }
}

// Each alignment's defining property, checked on the exact curves rather
// than through its formula.
TEST(Alignments, EachAlignmentHasItsDefiningProperty) {
  for (const GrooveSpan band : {kIec, kDin, kJis, GrooveSpan{50, 150}}) {
    // Baerwald: the weighted error is as large at both ends of the band as
    // at its peak between the nulls (small-angle form, where it is exact).
    const NullRadii b = BaerwaldNulls(band);
    auto weighted = [&](double r) { return std::fabs(1 - (b.inner + b.outer) / r + b.inner * b.outer / (r * r)); };
    const double peak = weighted(2 * b.inner * b.outer / (b.inner + b.outer));
    EXPECT_NEAR(weighted(band.inner), peak, 1e-12) << band.inner;
    EXPECT_NEAR(weighted(band.outer), peak, 1e-12) << band.inner;

    // Lofgren B: any nearby pair of nulls leaves a larger residual.
    const NullRadii l = LofgrenBNulls(band);
    const double least = SmallAngleResidual(l, band);
    for (const NullRadii moved : {NullRadii{l.inner + 0.05, l.outer}, NullRadii{l.inner - 0.05, l.outer},
                                  NullRadii{l.inner, l.outer + 0.05}, NullRadii{l.inner, l.outer - 0.05}}) {
      EXPECT_GT(SmallAngleResidual(moved, band), least) << band.inner << " " << moved.inner << " " << moved.outer;
    }

    // Stevenson: the inner null on the inner groove, the outer inside the
    // band, and a root of its quadratic.
    const NullRadii s = StevensonNulls(band);
    const double r1 = band.inner;
    const double r2 = band.outer;
    const double k = 4 * r1 * (r2 - r1);
    EXPECT_EQ(s.inner, r1);
    EXPECT_GT(s.outer, r1);
    EXPECT_LT(s.outer, r2);
    const double q = (r2 * r2 + k) * s.outer * s.outer - (2 * r1 * r2 * r2 + k * r2) * s.outer + r1 * r1 * r2 * r2;
    EXPECT_NEAR(q / (r1 * r1 * r2 * r2), 0, 1e-12);
  }
}

TEST(Alignments, ArmsPutZeroErrorOnTheNullsAndGiveThemBack) {
  for (const NullRadii n : {BaerwaldNulls(kIec), LofgrenBNulls(kDin), StevensonNulls(kJis)}) {
    for (const double d : {180.0, 222.0, 300.0}) {
      const ArmGeometry by_pivot = GeometryForPivot(n, d);
      const ArmGeometry by_arm = GeometryForArm(n, by_pivot.arm);
      EXPECT_NEAR(by_arm.pivot, d, 1e-10);
      EXPECT_NEAR(by_arm.offset, by_pivot.offset, 1e-14);
      EXPECT_DOUBLE_EQ(by_pivot.overhang, by_pivot.arm - by_pivot.pivot);
      EXPECT_NEAR(TrackingErrorAt(by_pivot, n.inner), 0, 1e-13);
      EXPECT_NEAR(TrackingErrorAt(by_pivot, n.outer), 0, 1e-13);
      EXPECT_GT(TrackingErrorAt(by_pivot, (n.inner + n.outer) / 2), 0);  // positive between the nulls
      EXPECT_LT(TrackingErrorAt(by_pivot, n.inner - 1), 0);
      const std::optional<NullRadii> back = SetupNulls(by_pivot);
      ASSERT_TRUE(back.has_value());
      EXPECT_NEAR(back->inner, n.inner, 1e-9);
      EXPECT_NEAR(back->outer, n.outer, 1e-9);
    }
  }
}

TEST(Alignments, ASetUpWithoutOffsetHasNoNulls) {
  EXPECT_FALSE(SetupNulls({239, 222, 17, 0}).has_value());
  EXPECT_TRUE(SetupNulls({239, 222, 17, 23 / kDegrees}).has_value());
}

TEST(Alignments, ReferenceFiguresForPivot222) {
  const ArmGeometry arm = GeometryForPivot(BaerwaldNulls(kIec), 222);
  EXPECT_NEAR(arm.arm, 239.296, 5e-4);
  EXPECT_NEAR(arm.overhang, 17.296, 5e-4);
  EXPECT_NEAR(arm.offset * kDegrees, 22.986, 5e-4);
  const BandFigures f = FiguresOverBand(arm, kIec, kPeak10);
  EXPECT_NEAR(f.max_error_deg, 1.806, 5e-4);
  EXPECT_DOUBLE_EQ(f.max_error_at, 146.05);
  EXPECT_NEAR(f.max_distortion_pct, 0.618, 5e-4);
  EXPECT_NEAR(f.rms_distortion_pct, 0.408, 5e-4);
  // 10 cm/s RMS is sqrt(2) times the distortion of 10 cm/s peak.
  const BandFigures rms = FiguresOverBand(arm, kIec, {100.0 / 3, 10 * std::numbers::sqrt2});
  EXPECT_NEAR(rms.max_distortion_pct / f.max_distortion_pct, std::numbers::sqrt2, 1e-12);
}

// The figures against a brute-force reading of the same curves: a grid of
// a million radii for the largest values, the trapezoid rule on it for the
// RMS.  Set-ups with their peak inside the band, at either end, and one
// without nulls.
TEST(Alignments, FiguresAreThoseOfTheContinuousCurves) {
  struct Case {
    ArmGeometry arm;
    GrooveSpan band;
    Playback play;
  } cases[] = {
      {GeometryForPivot(BaerwaldNulls(kIec), 222), kIec, kPeak10},
      {GeometryForPivot(LofgrenBNulls(kIec), 222), kIec, {45, 14}},
      {GeometryForArm(StevensonNulls(kDin), 300), kDin, {78, 20}},
      {{239, 222, 17, 23 / kDegrees}, kIec, kPeak10},
      {{260, 240, 20, 10 / kDegrees}, kJis, kPeak10},  // no nulls
      {GeometryForPivot(NullRadii{100, 110}, 200), kIec, kPeak10},
  };
  for (const Case& c : cases) {
    constexpr int kSteps = 1000000;
    const double h = (c.band.outer - c.band.inner) / kSteps;
    double max_error = 0;
    double max_t = 0;
    double max_t_at = 0;
    double max_weighted = 0;
    double integral = 0;
    double previous_t2 = 0;
    for (int i = 0; i <= kSteps; ++i) {
      const double r = i == kSteps ? c.band.outer : c.band.inner + i * h;
      const double e = std::fabs(TrackingErrorAt(c.arm, r)) * kDegrees;
      const double t = 100 * c.play.velocity_peak * std::fabs(std::tan(TrackingErrorAt(c.arm, r))) /
                       (2 * std::numbers::pi * c.play.rpm / 60 * r / 10);
      max_error = std::max(max_error, e);
      max_weighted = std::max(max_weighted, e / (r / 10));
      if (t > max_t) {
        max_t = t;
        max_t_at = r;
      }
      if (i > 0) integral += (previous_t2 + t * t) / 2 * h;
      previous_t2 = t * t;
    }
    const BandFigures f = FiguresOverBand(c.arm, c.band, c.play);
    const double rms = std::sqrt(integral / (c.band.outer - c.band.inner));
    EXPECT_LT(Relative(f.max_error_deg, max_error), 1e-6) << c.arm.arm;
    EXPECT_LT(Relative(f.max_distortion_pct, max_t), 1e-6) << c.arm.arm;
    EXPECT_NEAR(f.max_distortion_at, max_t_at, 0.05) << c.arm.arm;
    EXPECT_LT(Relative(f.rms_distortion_pct, rms), 1e-6) << c.arm.arm;
    EXPECT_LT(Relative(f.max_weighted_error_deg_per_cm, max_weighted), 1e-6) << c.arm.arm;
    // The search finds the top, never less than a grid point shows.
    EXPECT_GE(f.max_distortion_pct, max_t * (1 - 1e-12)) << c.arm.arm;
    EXPECT_DOUBLE_EQ(DistortionAt(c.arm, c.play, f.max_distortion_at), f.max_distortion_pct);
  }
}

TEST(Alignments, ReachIsTheTriangleOfPivotSpindleAndStylus) {
  const ArmGeometry arm{239, 222, 17, 0.4};
  const StylusReach reach = ReachOf(arm);
  EXPECT_DOUBLE_EQ(reach.nearest, 17);
  EXPECT_DOUBLE_EQ(reach.farthest, 461);
  EXPECT_FALSE(std::isnan(TrackingErrorAt(arm, reach.nearest + 1e-9)));
  EXPECT_TRUE(std::isnan(TrackingErrorAt(arm, reach.nearest * 0.9)));
}

}  // namespace
}  // namespace pw
