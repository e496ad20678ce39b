// The extended type's functions, whichever type this build uses.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "base/extended.h"

namespace {

using pw::Extended;
using pw::SoftExtended;

constexpr uint64_t kTop = SoftExtended::kIntegerBit;

std::string Hex(Extended v) {
  const SoftExtended x = pw::ToSoftExtended(v);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04x:%016llx", x.SignExponent(),
                static_cast<unsigned long long>(x.Significand()));
  return buf;
}

Extended Bits(uint64_t sig, uint16_t se) { return pw::FromSoftExtended(SoftExtended::FromBits(sig, se)); }

struct PartsCase {
  uint64_t significand;
  int exponent;
  Extended want;
};

TEST(ExtendedFromParts, ExactForEveryMagnitude) {
  const PartsCase cases[] = {
      {1, 0, 1},
      {3, -1, 1.5},
      {0, 7, 0},
      {0xBEBC200000000000u, -37, 100000000},
      {~uint64_t{0}, 0, Bits(~uint64_t{0}, 0x3FFF + 63)},
      {~uint64_t{0}, 16320, Bits(~uint64_t{0}, 0x7FFE)},  // largest finite
      {1, -16382, Bits(kTop, 1)},                          // smallest normal
      {1, -16445, Bits(1, 0)},                             // smallest subnormal
      {6, -16446, Bits(3, 0)},
  };
  for (const PartsCase& c : cases) {
    EXPECT_EQ(Hex(pw::ExtendedFromParts(c.significand, c.exponent)), Hex(c.want))
        << c.significand << " " << c.exponent;
  }
}

struct UIntCase {
  Extended x;
  uint64_t want;
};

TEST(ToUInt64, IntegralValuesInRangeElseZero) {
  const Extended two_to_64 = Bits(kTop, 0x3FFF + 64);
  const UIntCase cases[] = {
      {0, 0},
      {-0.0, 0},
      {1, 1},
      {123456789, 123456789},
      {0.5, 0},
      {1.5, 0},
      {-1, 0},
      {Bits(kTop, 0x3FFF + 63), uint64_t{1} << 63},
      {Bits(~uint64_t{0}, 0x3FFF + 63), UINT64_MAX},
      {Bits(~uint64_t{0}, 0x3FFF + 62), 0},  // 2^63 - 1/2
      {two_to_64, 0},
      {1e30, 0},
      {Bits(1, 0), 0},
      {pw::ExtendedInfinity(), 0},
      {-pw::ExtendedInfinity(), 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const UIntCase& c : cases) {
    EXPECT_EQ(pw::ToUInt64(c.x), c.want) << Hex(c.x);
  }
}

struct RoundingCase {
  Extended x;
  Extended floor;
  Extended ceil;
  Extended even;
};

TEST(IntegralRounding, FloorCeilAndHalvesToEven) {
  const Extended big = Bits(kTop | 1, 0x3FFF + 63);  // 2^63 + 1: no fraction bits
  const RoundingCase cases[] = {
      {2.5, 2, 3, 2},
      {3.5, 3, 4, 4},
      {-2.5, -3, -2, -2},
      {0.25, 0, 1, 0},
      {-0.75, -1, -0.0, -1},
      {Bits(1, 0), 0, 1, 0},
      {big, big, big, big},
      {Bits(0xC000000000000000u, 0x3FFF + 62), Bits(0xC000000000000000u, 0x3FFF + 62),
       Bits(0xC000000000000000u, 0x3FFF + 62), Bits(0xC000000000000000u, 0x3FFF + 62)},
  };
  for (const RoundingCase& c : cases) {
    EXPECT_EQ(Hex(pw::Floor(c.x)), Hex(c.floor)) << Hex(c.x);
    EXPECT_EQ(Hex(pw::Ceil(c.x)), Hex(c.ceil)) << Hex(c.x);
    EXPECT_EQ(Hex(pw::RoundHalfEven(c.x)), Hex(c.even)) << Hex(c.x);
  }
  // Signed zeros survive.
  EXPECT_EQ(Hex(pw::RoundHalfEven(-0.25)), Hex(-0.0));
  EXPECT_EQ(Hex(pw::Ceil(-0.25)), Hex(-0.0));
}

TEST(BinaryExponent, OfNormalAndSubnormalValues) {
  EXPECT_EQ(pw::BinaryExponent(1), 0);
  EXPECT_EQ(pw::BinaryExponent(-0.75), -1);
  EXPECT_EQ(pw::BinaryExponent(Bits(~uint64_t{0}, 0x7FFE)), 16383);
  EXPECT_EQ(pw::BinaryExponent(Bits(kTop, 1)), -16382);
  EXPECT_EQ(pw::BinaryExponent(Bits(1, 0)), -16445);
}

TEST(SoftExtendedConversion, SameBitsBothWays) {
  for (Extended x : {Extended(0), Extended(-0.0), Extended(1) / 3, Bits(1, 0), pw::ExtendedInfinity()}) {
    EXPECT_EQ(Hex(pw::FromSoftExtended(pw::ToSoftExtended(x))), Hex(x));
  }
  EXPECT_EQ(pw::ToSoftExtended(Extended(1) / 10).Significand(), 0xCCCCCCCCCCCCCCCDu);
}

#if PW_HARDWARE_EXTENDED && defined(__GNUC__)

uint16_t ControlWord() {
  uint16_t w;
  __asm__ volatile("fnstcw %0" : "=m"(w));
  return w;
}
void SetControlWord(uint16_t w) { __asm__ volatile("fldcw %0" : : "m"(w)); }

// 1 + 2^-60 keeps its last bit only with a 64-bit significand.
bool SixtyFourBitSums() {
  volatile long double one = 1;
  volatile long double tiny = 0x1p-60L;
  const long double sum = one + tiny;
  return sum != 1;
}

TEST(UseExtendedPrecision, RestoresSixtyFourBitRounding) {
  const uint16_t saved = ControlWord();
  SetControlWord(static_cast<uint16_t>((saved & ~0x0300) | 0x0200));  // 53 bits
  EXPECT_FALSE(SixtyFourBitSums());
  pw::UseExtendedPrecision();
  EXPECT_TRUE(SixtyFourBitSums());
  EXPECT_EQ(ControlWord(), saved | 0x0300);
  SetControlWord(saved);
}

#endif

}  // namespace
