// Tangent and arctangent: the platform's fast ranges and exact results held
// against the multiple-precision reference.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/extended.h"
#include "base/tangent.h"

namespace {

using pw::SoftExtended;

constexpr uint64_t kTop = SoftExtended::kIntegerBit;
constexpr double kPi = 3.14159265358979323846;

std::string Hex(SoftExtended x) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04x:%016llx", x.SignExponent(),
                static_cast<unsigned long long>(x.Significand()));
  return buf;
}

SoftExtended Bits(uint64_t sig, uint16_t se) { return SoftExtended::FromBits(sig, se); }

struct KnownCase {
  const char* name;
  SoftExtended got;
  SoftExtended want;
};

TEST(CorrectlyRounded, KnownValues) {
  const SoftExtended pi_over_4 = Bits(0xC90FDAA22168C235u, 0x3FFE);  // rounded up from ...C234C4C6
  const SoftExtended tiny = Bits(kTop | 12345, 0x3FFF - 40);
  const SoftExtended min_sub = Bits(1, 0);
  const KnownCase cases[] = {
      {"atan 1", pw::CorrectlyRoundedAtan(1), pi_over_4},
      {"atan inf", pw::CorrectlyRoundedAtan(SoftExtended::Infinity()), Bits(0xC90FDAA22168C235u, 0x3FFF)},
      {"atan -inf", pw::CorrectlyRoundedAtan(-SoftExtended::Infinity()), Bits(0xC90FDAA22168C235u, 0xBFFF)},
      {"atan -0", pw::CorrectlyRoundedAtan(-0.0), SoftExtended(-0.0)},
      {"tan -0", pw::CorrectlyRoundedTan(-0.0), SoftExtended(-0.0)},
      {"tan of a tiny x is x", pw::CorrectlyRoundedTan(tiny), tiny},
      {"atan of a tiny x is x", pw::CorrectlyRoundedAtan(-tiny), -tiny},
      {"tan of the smallest subnormal", pw::CorrectlyRoundedTan(min_sub), min_sub},
      {"atan of a subnormal", pw::CorrectlyRoundedAtan(Bits(0x123456789u, 0)), Bits(0x123456789u, 0)},
      // Arguments where the x87 library's tanl and atanl are one unit off.
      {"tan 0x1.4dc9425bdd9c9p+1", pw::CorrectlyRoundedTan(0x1.4dc9425bdd9c9p+1),
       Bits(0x9755bcaab0c04079u, 0xBFFE)},
      {"tan 0x1.a0e6013cdf4e9p+1", pw::CorrectlyRoundedTan(0x1.a0e6013cdf4e9p+1),
       Bits(0xed72f2ebaaac503fu, 0x3FFB)},
      {"atan -0x1.d51ef2d0c9192p+2", pw::CorrectlyRoundedAtan(-0x1.d51ef2d0c9192p+2),
       Bits(0xb7b4e536dfb063fcu, 0xBFFF)},
      {"atan 0x1.036471e8037d8p+0", pw::CorrectlyRoundedAtan(0x1.036471e8037d8p+0),
       Bits(0xcabf3651c91aca49u, 0x3FFE)},
  };
  for (const KnownCase& c : cases) {
    EXPECT_EQ(Hex(c.got), Hex(c.want)) << c.name;
  }
  EXPECT_TRUE(pw::CorrectlyRoundedTan(SoftExtended::Infinity()).IsNaN());
  EXPECT_TRUE(pw::CorrectlyRoundedTan(SoftExtended::Indefinite()).IsNaN());
  EXPECT_TRUE(pw::CorrectlyRoundedAtan(SoftExtended::Indefinite()).IsNaN());
}

TEST(CorrectlyRounded, TheExtendedFunctionsGiveTheKnownValues) {
  // Through whatever this platform uses (library range, binary128 or the
  // reference), the same bits.
  EXPECT_EQ(Hex(pw::ToSoftExtended(pw::Tan(0x1.4dc9425bdd9c9p+1))), Hex(Bits(0x9755bcaab0c04079u, 0xBFFE)));
  EXPECT_EQ(Hex(pw::ToSoftExtended(pw::Atan(0x1.036471e8037d8p+0))), Hex(Bits(0xcabf3651c91aca49u, 0x3FFE)));
  EXPECT_EQ(Hex(pw::ToSoftExtended(pw::Atan(1))), Hex(Bits(0xC90FDAA22168C235u, 0x3FFE)));
}

struct StepCase {
  const char* name;
  SoftExtended from;
  int steps;
  SoftExtended want;
};

TEST(StepExtended, WalksRepresentableNumbersAcrossEveryBoundary) {
  const uint64_t ones = ~uint64_t{0};
  const StepCase cases[] = {
      {"below one", SoftExtended(1), -1, Bits(ones, 0x3FFE)},
      {"above one", SoftExtended(1), 1, Bits(kTop | 1, 0x3FFF)},
      {"back up to one", Bits(ones, 0x3FFE), 1, SoftExtended(1)},
      {"largest subnormal to smallest normal", Bits(ones >> 1, 0), 1, Bits(kTop, 1)},
      {"below zero", SoftExtended(0), -1, -Bits(1, 0)},
      {"from -0 up", SoftExtended(-0.0), 2, Bits(2, 0)},
      {"through zero", Bits(1, 0), -3, -Bits(2, 0)},
      {"negative values", SoftExtended(-1), 1, -Bits(ones, 0x3FFE)},
      {"largest finite to infinity", Bits(ones, 0x7FFE), 1, SoftExtended::Infinity()},
  };
  for (const StepCase& c : cases) {
    EXPECT_EQ(Hex(pw::StepExtended(c.from, c.steps)), Hex(c.want)) << c.name;
  }
  const pw::SoftRange r = pw::WidenedRange(SoftExtended(-1), 2);
  EXPECT_EQ(Hex(r.low), Hex(-Bits(kTop | 2, 0x3FFF)));
  EXPECT_EQ(Hex(r.high), Hex(-Bits(ones - 1, 0x3FFE)));
}

// Random arguments from the ranges the program meets and beyond.
SoftExtended Draw(std::mt19937_64& g, int kind) {
  const double u = static_cast<double>(g() >> 11) * 0x1p-53;
  switch (kind) {
    case 0: return kPi - 0.6 + 1.2 * u;  // tan of the tracking angle, a double
    case 1: return -0.6 + 1.2 * u;
    case 2: return SoftExtended(kPi / 2) + SoftExtended(-0x1p-30 + 0x1p-29 * u);  // tangent near a pole
    case 3: {  // any magnitude, full 64-bit significands
      const int e = static_cast<int>(g() % 160) - 80;
      return Bits(g() | kTop, static_cast<uint16_t>(0x3FFF + e + ((g() & 1) != 0 ? 0x8000 : 0)));
    }
    default: {  // quotients s / c as the tracking error forms them
      const SoftExtended c = -1 + 2 * u;
      return pw::Sqrt(1 - c * c) / c;
    }
  }
}

bool SameBits(SoftExtended a, SoftExtended b) {
  return a.Significand() == b.Significand() && a.SignExponent() == b.SignExponent();
}

bool Holds(const pw::ExtendedRange& r, SoftExtended v) {
  return pw::ToSoftExtended(r.low) <= v && v <= pw::ToSoftExtended(r.high);
}

TEST(Tangent, RangesHoldAndResultsEqualTheReference) {
  std::mt19937_64 g(2024);
  for (int kind = 0; kind < 5; ++kind) {
    for (int i = 0; i < 4000; ++i) {
      const SoftExtended x = Draw(g, kind);
      const bool tangent = kind < 4 && (i & 1) == 0;
      const SoftExtended want = tangent ? pw::CorrectlyRoundedTan(x) : pw::CorrectlyRoundedAtan(x);
      const pw::Extended e = pw::FromSoftExtended(x);
      const pw::ExtendedRange r = tangent ? pw::TanRange(e) : pw::AtanRange(e);
      const SoftExtended got = pw::ToSoftExtended(tangent ? pw::Tan(e) : pw::Atan(e));
      ASSERT_TRUE(Holds(r, want)) << Hex(x) << (tangent ? " tan" : " atan");
      ASSERT_TRUE(SameBits(got, want)) << Hex(x) << (tangent ? " tan " : " atan ") << Hex(got);
#if PW_BINARY128
      const pw::SoftRange q = tangent ? pw::Binary128TanRange(x) : pw::Binary128AtanRange(x);
      ASSERT_TRUE(q.low <= want && want <= q.high) << Hex(x) << " binary128";
      EXPECT_TRUE(SameBits(q.low, q.high)) << Hex(x) << " binary128 range of two";
#endif
    }
  }
}

TEST(Tangent, ZeroAndSpecialArguments) {
  for (double z : {0.0, -0.0}) {
    const pw::ExtendedRange t = pw::TanRange(z);
    const pw::ExtendedRange a = pw::AtanRange(z);
    EXPECT_EQ(Hex(pw::ToSoftExtended(t.low)), Hex(SoftExtended(z)));
    EXPECT_EQ(Hex(pw::ToSoftExtended(t.high)), Hex(SoftExtended(z)));
    EXPECT_EQ(Hex(pw::ToSoftExtended(a.low)), Hex(SoftExtended(z)));
    EXPECT_EQ(Hex(pw::ToSoftExtended(pw::Tan(z))), Hex(SoftExtended(z)));
  }
  EXPECT_TRUE(pw::IsNaN(pw::Tan(pw::ExtendedInfinity())));
  EXPECT_TRUE(pw::IsNaN(pw::TanRange(std::numeric_limits<double>::quiet_NaN()).low));
  EXPECT_EQ(pw::Atan(-pw::ExtendedInfinity()), -pw::Atan(pw::ExtendedInfinity()));
}

}  // namespace
