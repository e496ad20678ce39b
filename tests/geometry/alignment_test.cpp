#include "geometry/alignment.h"

#include <stdint.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <string>

namespace {

using pw::ArmGiven;

constexpr double kDegreesPerRadian = 57.29578;

// The 15-significant-digit text the output files carry for a value.
std::string Digits15(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", x);
  return buf;
}

struct OptimumCase {
  const char* name;
  double r1, r2;
  ArmGiven way;
  double given;
  double overhang, offset_degrees, length, pivot;  // to two places
};

TEST(OptimumAlignment, WorkedSetUps) {
  const OptimumCase cases[] = {
      {"arm 229", 60.325, 146.05, ArmGiven::Length, 229, 18.14, 24.08, 229, 210.86},
      {"arm 222", 60.325, 146.05, ArmGiven::Length, 222, 18.76, 24.89, 222, 203.24},
      {"pivot 211", 60.325, 146.05, ArmGiven::Pivot, 211, 18.13, 24.07, 229.13, 211},
      // Swapped radii swap the null radii; the product and the mean stay,
      // and h only changes sign, so the set-up is the same.
      {"swapped, arm 229", 146.05, 60.325, ArmGiven::Length, 229, 18.14, 24.08, 229, 210.86},
      {"swapped, pivot 211", 146.05, 60.325, ArmGiven::Pivot, 211, 18.13, 24.07, 229.13, 211},
  };
  for (const OptimumCase& c : cases) {
    SCOPED_TRACE(c.name);
    const pw::NullRadii n = pw::ComputeNullRadii({c.r1, c.r2});
    const pw::OptimumAlignment a = pw::ComputeOptimumAlignment(n, c.way, c.given);
    EXPECT_TRUE(a.real);
    EXPECT_NEAR(a.arm.overhang, c.overhang, 0.005);
    EXPECT_NEAR(a.arm.offset * kDegreesPerRadian, c.offset_degrees, 0.005);
    EXPECT_NEAR(a.arm.length, c.length, 0.005);
    EXPECT_NEAR(a.arm.pivot, c.pivot, 0.005);
    // H = L - D in every way.
    EXPECT_NEAR(a.arm.overhang, a.arm.length - a.arm.pivot, 1e-9);
    // Whenever the roots are real, sin(offset) = (n_in + n_out) / (2 L).
    EXPECT_NEAR(std::sin(a.arm.offset), (n.inner + n.outer) / (2 * a.arm.length), 1e-6);
  }
}

TEST(OptimumAlignment, EqualRadiiPutBothNullsOnThatRadius) {
  const pw::NullRadii n = pw::ComputeNullRadii({100, 100});
  const pw::OptimumAlignment a = pw::ComputeOptimumAlignment(n, ArmGiven::Length, 230);
  ASSERT_TRUE(a.real);
  // H = L - sqrt(L^2 - r^2) and sin(offset) = r / L.
  EXPECT_NEAR(a.arm.overhang, 230 - std::sqrt(230.0 * 230 - 100 * 100), 1e-9);
  EXPECT_NEAR(a.arm.offset, std::asin(100.0 / 230), 1e-7);
}

TEST(OptimumAlignment, CasesWithoutRealSolution) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    double r1, r2;
    ArmGiven way;
    double given;
    bool real;
  } cases[] = {
      {"arm shorter than the null radii allow", 60.325, 146.05, ArmGiven::Length, 80, false},
      {"arm of length 0", 60.325, 146.05, ArmGiven::Length, 0, false},
      {"both radii 0 (null radii NaN)", 0, 0, ArmGiven::Length, 229, false},
      {"both radii 0, pivot way", 0, 0, ArmGiven::Pivot, 211, false},
      {"null radii of opposite sign, small pivot", -60, 146, ArmGiven::Pivot, 10, false},
      {"arm length not a number", 60.325, 146.05, ArmGiven::Length, nan, false},
      {"arm exactly long enough", 100, 100, ArmGiven::Length, 100, true},
      {"one radius 0: null radii 0", 0, 146.05, ArmGiven::Length, 229, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const pw::OptimumAlignment a =
        pw::ComputeOptimumAlignment(pw::ComputeNullRadii({c.r1, c.r2}), c.way, c.given);
    EXPECT_EQ(a.real, c.real);
  }
}

TEST(SquareRootRule, NegativeComesBackUnchanged) {
  EXPECT_EQ(pw::RootOrSelf(-1.45705625), -1.45705625);
  EXPECT_EQ(pw::RootOrSelf(-0.0), 0.0);
  EXPECT_EQ(pw::RootOrSelf(2.25), 1.5);
  EXPECT_EQ(pw::RootOrSelf(2.0), pw::Sqrt(2));
  EXPECT_TRUE(pw::IsNaN(pw::RootOrSelf(std::numeric_limits<double>::quiet_NaN())));
}

TEST(CompleteArmSetup, DerivesTheDimensionNotTyped) {
  pw::ArmSetup typed;
  typed.length = 240;
  typed.pivot = 999;  // left from elsewhere; ignored when the length is typed
  typed.overhang = 16;
  typed.offset = 0.25;
  pw::ArmSetup a = pw::CompleteArmSetup(true, typed);
  EXPECT_EQ(a.length, 240);
  EXPECT_EQ(a.pivot, 224);
  EXPECT_EQ(a.overhang, 16);
  EXPECT_EQ(a.offset, 0.25);

  typed.length = 0;
  typed.pivot = 224;
  a = pw::CompleteArmSetup(false, typed);
  EXPECT_EQ(a.length, 240);
  EXPECT_EQ(a.pivot, 224);

  // Both left empty: L = H and D = 0.
  typed.pivot = 0;
  a = pw::CompleteArmSetup(false, typed);
  EXPECT_EQ(a.length, 16);
  EXPECT_EQ(a.pivot, 0);
}

TEST(RadiusGrid, FloorAndCeilingInTenths) {
  struct Case {
    double inner, outer;
    int32_t first, last;
    int64_t count;
  } cases[] = {
      {60.325, 146.05, 600, 1470, 871},
      {60, 146, 600, 1460, 861},
      {100.5, 100.5, 1000, 1010, 11},
      {150, 60, 1500, 600, 0},
      {0, 1.5, 0, 20, 21},
      {-1.5, -0.5, -20, 0, 21},
      {0.99, 0.01, 0, 10, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.inner) + " to " + std::to_string(c.outer));
    const pw::GridRange g = pw::RadiusGrid({c.inner, c.outer});
    EXPECT_TRUE(g.valid);
    EXPECT_EQ(g.first, c.first);
    EXPECT_EQ(g.last, c.last);
    EXPECT_EQ(pw::GridCount(g), c.count);
  }
}

TEST(RadiusGrid, PositionsBeyondThirtyTwoBitsGiveAnEmptyGrid) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double inner, outer;
    bool valid;
  } cases[] = {
      {0, 214748364, true},           // 2147483640 fits
      {0, 214748364.5, false},        // ceiling 214748365 -> 2147483650
      {-214748364, 0, true},          // -2147483640 fits
      {-214748364.5, 0, false},       // floor -214748365 -> -2147483650
      {0, 1e300, false},
      {-1e300, 10, false},
      {0, inf, false},
      {-inf, 10, false},
      {nan, 10, false},
      {0, nan, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.inner) + " to " + std::to_string(c.outer));
    const pw::GridRange g = pw::RadiusGrid({c.inner, c.outer});
    EXPECT_EQ(g.valid, c.valid);
    if (!c.valid) {
      EXPECT_EQ(pw::GridCount(g), 0);
    }
  }
  // The widest grid that fits is counted without overflow.
  EXPECT_EQ(pw::GridCount(pw::RadiusGrid({-214748364, 214748364})), int64_t{4294967281});
}

pw::ArmSetup Arm240() {
  pw::ArmSetup typed;
  typed.length = 240;
  typed.overhang = 16;
  typed.offset = pw::OffsetRadians(22);
  return pw::CompleteArmSetup(true, typed);
}

TEST(TrackingSample, MatchesTheFifteenDigitValues) {
  // L 240, H 16, offset 22 degrees; values as the output files carry them.
  struct Case {
    int32_t n;
    const char* error;
    const char* distortion;
  } cases[] = {
      {600, "-0.505851293303776", "0.596168754725609"},
      {601, "-0.492171701088678", "0.579080843051019"},
      {1459, "-2.202762968595", "1.06809976571479"},
      {1460, "-2.21128912434324", "1.07150370899188"},
      {1, "-157.629544856845", "16674.3269050217"},
      {20, "-150.512188716592", "1145.52372242181"},
  };
  const pw::ArmSetup arm = Arm240();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    const pw::TrackingSample t = pw::TrackingSampleAt(arm, c.n);
    EXPECT_EQ(t.radius, c.n / 10.0);
    EXPECT_EQ(Digits15(t.error), c.error);
    EXPECT_EQ(Digits15(t.distortion), c.distortion);
  }
  // At r = 100 to five significant figures.
  const pw::TrackingSample mid = pw::TrackingSampleAt(arm, 1000);
  EXPECT_NEAR(mid.error, 0.71545, 0.000005);
  EXPECT_NEAR(mid.distortion, 0.50592, 0.000005);
}

TEST(TrackingSample, PivotWayGivesTheSameSamples) {
  pw::ArmSetup typed;
  typed.pivot = 224;
  typed.overhang = 16;
  typed.offset = pw::OffsetRadians(22);
  const pw::ArmSetup arm = pw::CompleteArmSetup(false, typed);
  EXPECT_EQ(arm.length, 240);
  for (int32_t n : {600, 1000, 1460}) {
    const pw::TrackingSample a = pw::TrackingSampleAt(arm, n);
    const pw::TrackingSample b = pw::TrackingSampleAt(Arm240(), n);
    EXPECT_EQ(a.error, b.error);
    EXPECT_EQ(a.distortion, b.distortion);
  }
}

TEST(TrackingSample, RadiusEqualToTheOverhang) {
  // C = 1 and theta = 0: the error is the offset less a right angle, with the
  // stored constants' difference showing.
  const pw::TrackingSample t = pw::TrackingSampleAt(Arm240(), 160);
  EXPECT_NEAR(t.error, -68.00000077, 5e-9);
  EXPECT_NE(t.error, -68.0);
}

TEST(TrackingSample, RadiusBelowTheOverhangUsesTheRootRule) {
  // C = 1.5675, S = 1 - C^2 = -1.45705625, theta = atan(S / C).
  const pw::TrackingSample t = pw::TrackingSampleAt(Arm240(), 100);
  const double theta = std::atan(-1.45705625 / 1.5675);
  EXPECT_NEAR(theta, -0.74890, 0.000005);
  EXPECT_NEAR(t.error, 57.29578 * (1.5707963 + (22 / 57.29578 + theta)) - 180, 1e-9);
  EXPECT_NEAR(t.error, -110.91, 0.005);
  EXPECT_NEAR(t.distortion, 1060.5, 0.05);
}

TEST(TrackingSample, RadiusZeroOrArmLengthZeroGiveNaN) {
  const pw::TrackingSample zero = pw::TrackingSampleAt(Arm240(), 0);
  EXPECT_EQ(zero.radius, 0);
  EXPECT_TRUE(std::isnan(zero.error));
  EXPECT_TRUE(std::isnan(zero.distortion));

  pw::ArmSetup no_arm = Arm240();
  no_arm.length = 0;
  const pw::TrackingSample t = pw::TrackingSampleAt(no_arm, 600);
  EXPECT_TRUE(std::isnan(t.error));
  EXPECT_TRUE(std::isnan(t.distortion));
}

TEST(TrackingSample, DistortionIsNeverNegativeAndExtremePositionsAreDefined) {
  const pw::ArmSetup arm = Arm240();
  for (int32_t n : {-1460, -600, 5, 600, 4640, 100000, INT32_MAX, INT32_MIN}) {
    SCOPED_TRACE(n);
    const pw::TrackingSample t = pw::TrackingSampleAt(arm, n);
    EXPECT_EQ(t.radius, pw::ToDouble(static_cast<pw::Extended>(n) / 10));
    EXPECT_FALSE(t.distortion < 0);
  }
}

}  // namespace
