// The software extended type: known results on every platform, and bit for
// bit against the x87 where long double is that format.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "base/extended_operands.h"
#include "base/soft_extended.h"

namespace {

using pw::SoftExtended;

constexpr uint64_t kTop = SoftExtended::kIntegerBit;
constexpr uint64_t kOnes = ~uint64_t{0};

SoftExtended Bits(uint64_t sig, uint16_t se) { return SoftExtended::FromBits(sig, se); }

std::string Hex(SoftExtended x) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04x:%016llx", x.SignExponent(),
                static_cast<unsigned long long>(x.Significand()));
  return buf;
}

struct BitsCase {
  const char* name;
  SoftExtended got;
  uint64_t sig;
  uint16_t se;
};

TEST(SoftExtended, KnownResults) {
  const SoftExtended one = 1;
  const SoftExtended min_sub = Bits(1, 0);
  const SoftExtended max_finite = Bits(kOnes, 0x7FFE);
  const SoftExtended inf = SoftExtended::Infinity();
  const BitsCase cases[] = {
      {"1/3", one / 3, 0xAAAAAAAAAAAAAAABu, 0x3FFD},
      {"2/3", SoftExtended(2) / 3, 0xAAAAAAAAAAAAAAABu, 0x3FFE},
      {"1/10", one / 10, 0xCCCCCCCCCCCCCCCDu, 0x3FFB},
      {"sqrt 2", pw::Sqrt(SoftExtended(2)), 0xB504F333F9DE6484u, 0x3FFF},
      {"sqrt 2^-16444", pw::Sqrt(Bits(2, 0)), kTop, 0x3FFF - 8222},
      {"1 + 2^-64: a tie, to even", one + Bits(kTop, 0x3FFF - 64), kTop, 0x3FFF},
      {"1 + 3 * 2^-64: a tie, to even", one + Bits(0xC000000000000000u, 0x3FFF - 63), kTop | 2, 0x3FFF},
      {"1 - 2^-65: a tie, to one", one - Bits(kTop, 0x3FFF - 65), kTop, 0x3FFF},
      {"1 - 3 * 2^-66: just below one", one - Bits(0xC000000000000000u, 0x3FFF - 65), kOnes, 0x3FFE},
      {"(2^32 + 1)^2: a product tie", SoftExtended(0x100000001u) * SoftExtended(0x100000001u),
       kTop | (uint64_t{1} << 32),
       0x3FFF + 64},
      {"smallest subnormal / 2: a tie, to zero", min_sub / 2, 0, 0},
      {"3 smallest subnormals / 2: a tie, to two", Bits(3, 0) / 2, 2, 0},
      {"largest + smallest subnormal", Bits(kOnes >> 1, 0) + min_sub, kTop, 1},
      {"smallest normal - smallest subnormal", Bits(kTop, 1) - min_sub, kOnes >> 1, 0},
      {"subnormal product", Bits(kTop, 0x3FFF - 8200) * Bits(0xC000000000000000u, 0x3FFF - 8200),
       0x0000300000000000u, 0},
      {"largest finite * 2", max_finite * 2, kTop, 0x7FFF},
      {"largest finite + half its unit: a tie, to infinity", max_finite + Bits(kTop, 0x7FFE - 64), kTop,
       0x7FFF},
      {"-0 + -0", SoftExtended(-0.0) + SoftExtended(-0.0), 0, 0x8000},
      {"-0 - +0", SoftExtended(-0.0) - 0, 0, 0x8000},
      {"x - x", SoftExtended(1.5) - 1.5, 0, 0},
      {"-x + x", SoftExtended(-1.5) + 1.5, 0, 0},
      {"-0 * 5", SoftExtended(-0.0) * 5, 0, 0x8000},
      {"sqrt -0", pw::Sqrt(SoftExtended(-0.0)), 0, 0x8000},
      {"1 / -0", one / SoftExtended(-0.0), kTop, 0xFFFF},
      {"-1 / inf", -one / inf, 0, 0x8000},
      {"inf - inf", inf - inf, 0xC000000000000000u, 0xFFFF},
      {"0 / 0", SoftExtended() / 0, 0xC000000000000000u, 0xFFFF},
      {"0 * inf", SoftExtended() * inf, 0xC000000000000000u, 0xFFFF},
      {"sqrt -1", pw::Sqrt(SoftExtended(-1)), 0xC000000000000000u, 0xFFFF},
      {"NaN + 1: quietened", Bits(kTop | 5, 0x7FFF) + 1, 0xC000000000000005u, 0x7FFF},
      {"double 0.1", SoftExtended(0.1), 0xCCCCCCCCCCCCD000u, 0x3FFB},
      {"double 2^-1074", SoftExtended(0x1p-1074), kTop, 0x3FFF - 1074},
      {"double NaN", SoftExtended(std::numeric_limits<double>::quiet_NaN()), 0xC000000000000000u, 0x7FFF},
      {"INT64_MIN", SoftExtended(INT64_MIN), kTop, 0x8000 | (0x3FFF + 63)},
      {"UINT64_MAX", SoftExtended(UINT64_MAX), kOnes, 0x3FFF + 63},
      {"int32 -3", SoftExtended(int32_t{-3}), 0xC000000000000000u, 0x8000 | 0x4000},
      {"Floor -0.5", pw::Floor(SoftExtended(-0.5)), kTop, 0x8000 | 0x3FFF},
      {"Ceil -0.5", pw::Ceil(SoftExtended(-0.5)), 0, 0x8000},
      {"Floor -0", pw::Floor(SoftExtended(-0.0)), 0, 0x8000},
      {"RoundHalfEven 2.5", pw::RoundHalfEven(SoftExtended(2.5)), kTop, 0x4000},
      {"RoundHalfEven 3.5", pw::RoundHalfEven(SoftExtended(3.5)), kTop, 0x4001},
      {"RoundHalfEven -0.5", pw::RoundHalfEven(SoftExtended(-0.5)), 0, 0x8000},
      {"RoundHalfEven 0.5 + 2^-64", pw::RoundHalfEven(Bits(kTop | 1, 0x3FFE)), kTop, 0x3FFF},
      {"RoundHalfEven 2^63 - 1/2", pw::RoundHalfEven(Bits(kOnes, 0x3FFF + 62)), kTop, 0x3FFF + 63},
      {"Ceil 2^63 - 1/2", pw::Ceil(Bits(kOnes, 0x3FFF + 62)), kTop, 0x3FFF + 63},
      {"Fabs -inf", pw::Fabs(-inf), kTop, 0x7FFF},
  };
  for (const BitsCase& c : cases) {
    EXPECT_EQ(Hex(c.got), Hex(Bits(c.sig, c.se))) << c.name;
  }
}

struct DoubleCase {
  const char* name;
  SoftExtended x;
  double want;
};

TEST(SoftExtended, ToDoubleRoundsOnceWithSubnormalsAndOverflow) {
  const DoubleCase cases[] = {
      {"1 + 2^-53: a tie, to even", Bits(kTop | 0x400, 0x3FFF), 1.0},
      {"1 + 3 * 2^-53: a tie, to even", Bits(kTop | 0xC00, 0x3FFF), 1 + 0x1p-51},
      {"1 + 2^-53 + 2^-63", Bits(kTop | 0x401, 0x3FFF), 1 + 0x1p-52},
      {"largest double + half unit: a tie, to infinity", Bits(0xFFFFFFFFFFFFFC00u, 0x3FFF + 1023),
       std::numeric_limits<double>::infinity()},
      {"just below that", Bits(0xFFFFFFFFFFFFFBFFu, 0x3FFF + 1023), std::numeric_limits<double>::max()},
      {"2^1024", Bits(kTop, 0x3FFF + 1024), std::numeric_limits<double>::infinity()},
      {"-2^1024", Bits(kTop, 0xBFFF + 1024), -std::numeric_limits<double>::infinity()},
      {"2^-1075: a tie, to zero", Bits(kTop, 0x3FFF - 1075), 0.0},
      {"2^-1075 + a little", Bits(kTop | 1, 0x3FFF - 1075), 0x1p-1074},
      {"3 * 2^-1075: a tie, to even", Bits(0xC000000000000000u, 0x3FFF - 1074), 0x1p-1073},
      {"-2^-1076", Bits(kTop, 0xBFFF - 1076), -0.0},
      {"largest subnormal double + 3/4 unit", Bits(0xFFFFFFFFFFFFFC00u, 0x3FFF - 1023), 0x1p-1022},
      {"smallest extended subnormal", Bits(1, 0), 0.0},
  };
  for (const DoubleCase& c : cases) {
    const double got = pw::ToDouble(c.x);
    EXPECT_EQ(got, c.want) << c.name;
    EXPECT_EQ(std::signbit(got), std::signbit(c.want)) << c.name;
  }
  EXPECT_TRUE(std::isnan(pw::ToDouble(SoftExtended::Indefinite())));
  EXPECT_EQ(pw::ToFloat(Bits(0xFFFFFF8000000000u, 0x3FFF + 127)), std::numeric_limits<float>::infinity());
  EXPECT_EQ(pw::ToFloat(Bits(0xFFFFFF7FFFFFFFFFu, 0x3FFF + 127)), std::numeric_limits<float>::max());
  EXPECT_EQ(pw::ToFloat(Bits(0xC000000000000000u, 0x3FFF - 149)), 0x1p-148f);
}

TEST(SoftExtended, ComparisonsOrderSignedValuesAndLeaveNaNUnordered) {
  const SoftExtended nan = SoftExtended::Indefinite();
  const SoftExtended ordered[] = {-SoftExtended::Infinity(), Bits(kOnes, 0xFFFE), SoftExtended(-1),
                                  -Bits(1, 0), SoftExtended(0), Bits(1, 0), Bits(kOnes >> 1, 0),
                                  Bits(kTop, 1), SoftExtended(1), SoftExtended::Infinity()};
  const int n = static_cast<int>(std::size(ordered));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const SoftExtended a = ordered[i];
      const SoftExtended b = ordered[j];
      EXPECT_EQ(a < b, i < j) << i << " " << j;
      EXPECT_EQ(a <= b, i <= j) << i << " " << j;
      EXPECT_EQ(a > b, i > j) << i << " " << j;
      EXPECT_EQ(a >= b, i >= j) << i << " " << j;
      EXPECT_EQ(a == b, i == j) << i << " " << j;
      EXPECT_EQ(a != b, i != j) << i << " " << j;
    }
    const SoftExtended a = ordered[i];
    EXPECT_FALSE(a < nan || a <= nan || a > nan || a >= nan || a == nan || nan == a || nan < a);
    EXPECT_TRUE(a != nan && nan != a);
  }
  EXPECT_TRUE(SoftExtended(0.0) == SoftExtended(-0.0));
  EXPECT_FALSE(SoftExtended(-0.0) < SoftExtended(0.0));
}

TEST(SoftExtended, MixedOperandsConvertExactly) {
  SoftExtended x = 6;
  x += int32_t{2};
  x -= int64_t{1};
  x *= uint64_t{3};
  x /= 2.0;
  EXPECT_EQ(x, 10.5);
  EXPECT_EQ(1 - x, -9.5);
  EXPECT_EQ(SoftExtended(uint64_t{1} << 63) + int64_t{-1}, SoftExtended(INT64_MAX));
  EXPECT_EQ(SoftExtended(0.1f), static_cast<double>(0.1f));
  EXPECT_EQ(static_cast<double>(SoftExtended(2) / 4), 0.5);
}

#if PW_X87_LONG_DOUBLE

class AgainstX87 : public testing::TestWithParam<pwtest::OpName> {};

// A few hundred thousand operands per operation from every distribution of
// extended_operands.h, and every pair of edge values.
TEST_P(AgainstX87, BitForBit) {
  pw::UseExtendedPrecision();
  const pwtest::OpName o = GetParam();
  const uint64_t seed = 0x5EED0000u + static_cast<uint64_t>(o.op);
  const pwtest::Count c = pwtest::Run(o.op, 200000, seed, true);
  EXPECT_GT(c.operands, 200000);
  EXPECT_EQ(c.differences, 0) << o.name << " first at " << Hex(c.first.a) << " " << Hex(c.first.b);
  EXPECT_EQ(c.nan_bits, 0) << o.name;
}

std::string OpTestName(const testing::TestParamInfo<pwtest::OpName>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(EveryOperation, AgainstX87, testing::ValuesIn(pwtest::kOps), OpTestName);

#endif

}  // namespace
