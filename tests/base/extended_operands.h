// Operands for checking the software extended type against the x87, shared
// by the unit tests (a few million) and bench/extended_exactness.cpp (10^8
// per operation): uniform bit patterns, the whole exponent range,
// near-equal magnitudes (cancellation), subnormal and overflowing results,
// exact halfway cases, integers, doubles, and a list of edge values.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "base/extended.h"
#include "base/tangent.h"

#if PW_X87_LONG_DOUBLE

namespace pwtest {

using pw::SoftExtended;
using Rng = std::mt19937_64;

constexpr uint64_t kTop = SoftExtended::kIntegerBit;
constexpr int kBias = SoftExtended::kBias;

enum class Op {
  Add, Subtract, Multiply, Divide, Sqrt, Compare, ToDouble, ToFloat, FromDouble, FromInt64,
  FromUInt64, Floor, Ceil, RoundHalfEven, ToUInt64, BinaryExponent,
};
struct OpName {
  Op op;
  const char* name;
};
constexpr OpName kOps[] = {
    {Op::Add, "Add"},
    {Op::Subtract, "Subtract"},
    {Op::Multiply, "Multiply"},
    {Op::Divide, "Divide"},
    {Op::Sqrt, "Sqrt"},
    {Op::Compare, "Compare"},
    {Op::ToDouble, "ToDouble"},
    {Op::ToFloat, "ToFloat"},
    {Op::FromDouble, "FromDouble"},
    {Op::FromInt64, "FromInt64"},
    {Op::FromUInt64, "FromUInt64"},
    {Op::Floor, "Floor"},
    {Op::Ceil, "Ceil"},
    {Op::RoundHalfEven, "RoundHalfEven"},
    {Op::ToUInt64, "ToUInt64"},
    {Op::BinaryExponent, "BinaryExponent"},
};

// A canonical encoding: the integer bit set exactly when the exponent field
// is not zero.
inline SoftExtended Make(bool negative, int biased, uint64_t sig) {
  if (biased <= 0) {
    biased = 0;
    sig &= ~kTop;
  } else if (biased >= 0x7FFF) {
    biased = 0x7FFF;
    sig |= kTop;
  } else {
    sig |= kTop;
  }
  return SoftExtended::FromBits(sig, static_cast<uint16_t>(biased | (negative ? 0x8000 : 0)));
}

// x * 2^e (x normal), the exponent clamped into the encoding.
inline SoftExtended WithExponent(SoftExtended x, int e) {
  return Make(x.Negative(), e + kBias, x.Significand());
}

inline std::vector<SoftExtended> EdgeValues() {
  std::vector<SoftExtended> v;
  const uint64_t ones = ~uint64_t{0};
  const SoftExtended positive[] = {
      SoftExtended(),                                   // 0
      SoftExtended::FromBits(1, 0),                     // smallest subnormal
      SoftExtended::FromBits(2, 0),
      SoftExtended::FromBits(ones >> 1, 0),             // largest subnormal
      SoftExtended::FromBits(kTop, 1),                  // smallest normal
      SoftExtended::FromBits(kTop | 1, 1),
      SoftExtended::FromBits(ones, 0x7FFE),             // largest finite
      SoftExtended::FromBits(kTop, 0x7FFE),
      SoftExtended::Infinity(),
      SoftExtended::FromBits(0xC000000000000000u, 0x7FFF),  // quiet NaN
      SoftExtended::FromBits(0xC000000000000123u, 0x7FFF),
      SoftExtended::FromBits(0x8000000000000001u, 0x7FFF),  // signalling NaN
      SoftExtended::FromBits(0xA000000000000000u, 0x7FFF),
      SoftExtended(1), SoftExtended(2), SoftExtended(3), SoftExtended(0.5), SoftExtended(1.5),
      SoftExtended(2.5), SoftExtended(0.25), SoftExtended(10),
      SoftExtended::FromBits(ones, kBias),              // 2 - 2^-63
      SoftExtended::FromBits(ones, kBias - 1),          // 1 - 2^-64
      SoftExtended::FromBits(kTop | 1, kBias),          // 1 + 2^-63
      SoftExtended::FromBits(kTop, kBias + 63),         // 2^63
      SoftExtended::FromBits(ones, kBias + 63),         // 2^64 - 1
      SoftExtended::FromBits(kTop, kBias + 64),         // 2^64
      SoftExtended::FromBits(ones, kBias + 62),         // 2^63 - 1/2
      SoftExtended(2147483647.5), SoftExtended(2147483648.0),
      SoftExtended(0x1.fffffffffffffp1023),             // largest double
      SoftExtended::FromBits(0xFFFFFFFFFFFFFC00u, kBias + 1023),  // its rounding boundary
      SoftExtended::FromBits(0xFFFFFFFFFFFFFBFFu, kBias + 1023),
      SoftExtended(0x1p-1022),                          // smallest normal double
      SoftExtended(0x1p-1074),                          // smallest subnormal double
      SoftExtended::FromBits(kTop, kBias - 1075),       // half of it
      SoftExtended::FromBits(kTop | 1, kBias - 1075),
      SoftExtended::FromBits(0xC000000000000000u, kBias - 1075),
      SoftExtended::FromBits(0xFFFFFFFFFFFFF800u, kBias - 1023),
      SoftExtended::FromBits(0xFFFFFFFFFFFFFC00u, kBias - 1023),
      SoftExtended(0x1.fffffep127f),                    // largest float
      SoftExtended::FromBits(0xFFFFFF8000000000u, kBias + 127),
      SoftExtended(0x1p-126), SoftExtended(0x1p-149),
      SoftExtended::FromBits(kTop, kBias - 150),
      SoftExtended::FromBits(kTop, kBias - 8191),       // squares near the subnormal range
      SoftExtended::FromBits(kTop, kBias + 8191),       // squares near overflow
  };
  for (const SoftExtended& x : positive) {
    v.push_back(x);
    v.push_back(-x);
  }
  return v;
}

inline const std::vector<SoftExtended> kEdges = EdgeValues();

inline uint64_t Bits(Rng& g, int count) {  // a random value of `count` bits
  if (count <= 0) return 0;
  return count >= 64 ? g() : g() >> (64 - count);
}

// A random canonical value with the binary exponent in [lo, hi].
inline SoftExtended RandomIn(Rng& g, int lo, int hi) {
  const int e = lo + static_cast<int>(g() % static_cast<uint64_t>(hi - lo + 1));
  uint64_t sig = g();
  switch (g() % 4) {  // some significands with few bits, for exact results
    case 0: sig &= ~uint64_t{0} << (g() % 64); break;
    case 1: sig |= ~uint64_t{0} >> (g() % 64); break;
    default: break;
  }
  return Make((g() & 1) != 0, e + kBias, sig);
}

inline SoftExtended UniformBits(Rng& g) {
  return Make((g() & 1) != 0, static_cast<int>(g() & 0x7FFF), g());
}

// An edge value, or a random value next to one.
inline SoftExtended NearEdge(Rng& g) {
  const SoftExtended e = kEdges[g() % kEdges.size()];
  if (g() % 2 == 0 || e.IsNaN() || e.IsInf()) return e;
  return pw::StepExtended(e, static_cast<int>(g() % 7) - 3);
}

// A value a few representable numbers from x.
inline SoftExtended Near(SoftExtended x, Rng& g) { return pw::StepExtended(x, static_cast<int>(g() % 5) - 2); }

// One operand pair for `op`.
struct Pair {
  SoftExtended a;
  SoftExtended b;
};

inline Pair Draw(Op op, Rng& g) {
  const unsigned mode = static_cast<unsigned>(g() % 10);
  SoftExtended a = RandomIn(g, -80, 80);
  SoftExtended b = RandomIn(g, -80, 80);
  switch (mode) {
    case 0:  // uniform bit patterns: all exponents, NaN and infinities rarely
      a = UniformBits(g);
      b = UniformBits(g);
      break;
    case 1:  // the whole exponent range
      a = RandomIn(g, 1 - kBias - 63, kBias);
      b = RandomIn(g, 1 - kBias - 63, kBias);
      break;
    case 2: {  // near-equal magnitudes: a few low bits changed, exponent +-1
      b = Make((g() & 1) != 0, a.BiasedExponent() + static_cast<int>(g() % 3) - 1,
               a.Significand() ^ Bits(g, static_cast<int>(g() % 64)));
      if (g() % 4 == 0) {  // cancellation among subnormals
        a = RandomIn(g, -16445, -16300);
        b = -Near(a, g);
      }
      break;
    }
    case 3:  // results in the subnormal range
      switch (op) {
        case Op::Multiply:
          a = RandomIn(g, -8300, -8100);
          b = RandomIn(g, -8300, -8150);
          break;
        case Op::Divide:
          a = RandomIn(g, -16445, -16200);
          b = RandomIn(g, -100, 100);
          break;
        default:
          a = RandomIn(g, -16445, -16350);
          b = RandomIn(g, -16445, -16350);
          break;
      }
      break;
    case 4:  // results near overflow
      switch (op) {
        case Op::Multiply:
          a = RandomIn(g, 8150, 8200);
          b = RandomIn(g, 8150, 8200);
          break;
        case Op::Divide:
          a = RandomIn(g, 16300, 16383);
          b = RandomIn(g, -100, 1);
          break;
        default:
          a = RandomIn(g, 16370, 16383);
          b = RandomIn(g, 16370, 16383);
          break;
      }
      break;
    case 5: {  // exact halfway cases (and their neighbours)
      const int step = static_cast<int>(g() % 3) - 1;
      switch (op) {
        case Op::Add:
        case Op::Subtract: {
          // b is half a unit of a's last place, times an odd number below 2.
          const int e = pw::BinaryExponent(a);
          b = Make((g() & 1) != 0, e - 64 + kBias, kTop | Bits(g, static_cast<int>(g() % 4)));
          b = pw::StepExtended(b, step);
          break;
        }
        case Op::Multiply: {
          // Two odd 33-bit numbers: a 65-bit odd product rounds on its last bit.
          a = WithExponent(SoftExtended(Bits(g, 33) | (uint64_t{1} << 32) | 1), static_cast<int>(g() % 200) - 100);
          b = WithExponent(SoftExtended(Bits(g, 32) | (uint64_t{1} << 31) | 1), static_cast<int>(g() % 200) - 100);
          if (g() % 2 == 0) b = pw::StepExtended(b, step);
          break;
        }
        case Op::Divide: {
          // a = b * (q + 1/2) for a 64-bit q, nearly exact: a rounding of
          // its own makes it land just beside the halfway point.
          const SoftExtended q = SoftExtended::FromBits(g() | kTop, kBias) + SoftExtended::FromBits(kTop, kBias - 64);
          b = RandomIn(g, -5, 5);
          a = pw::StepExtended(q * b, step);
          break;
        }
        case Op::ToDouble:
          a = Make((g() & 1) != 0, static_cast<int>(g() % 2200) - 1100 + kBias, (g() & ~uint64_t{0x7FF}) | 0x400);
          a = pw::StepExtended(a, step);
          break;
        case Op::ToFloat:
          a = Make((g() & 1) != 0, static_cast<int>(g() % 320) - 160 + kBias,
                   (g() & ~((uint64_t{1} << 40) - 1)) | (uint64_t{1} << 39));
          a = pw::StepExtended(a, step);
          break;
        default:  // integral rounding: halves and their neighbours
          a = pw::StepExtended(SoftExtended(static_cast<int64_t>(g() % 2000001) - 1000000) + 0.5, step);
          break;
      }
      break;
    }
    case 6:  // integers
      a = SoftExtended(static_cast<int64_t>(Bits(g, static_cast<int>(g() % 64))) * ((g() & 1) != 0 ? -1 : 1));
      b = SoftExtended(static_cast<int64_t>(Bits(g, static_cast<int>(g() % 40))) + 1);
      break;
    case 7: {  // doubles, any bit pattern
      double x, y;
      const uint64_t bx = g(), by = g();
      std::memcpy(&x, &bx, sizeof x);
      std::memcpy(&y, &by, sizeof y);
      a = x;
      b = y;
      break;
    }
    case 8:  // edge values with each other and with random values
      a = NearEdge(g);
      b = g() % 2 == 0 ? NearEdge(g) : b;
      if (g() % 2 == 0) std::swap(a, b);
      break;
    default:  // ordinary magnitudes; for the integral functions, near 1 to 2^64
      if (op == Op::Floor || op == Op::Ceil || op == Op::RoundHalfEven || op == Op::ToUInt64 ||
          op == Op::BinaryExponent) {
        a = RandomIn(g, -3, 66);
      }
      break;
  }
  return {a, b};
}

inline bool SameBits(SoftExtended a, SoftExtended b) {
  return a.Significand() == b.Significand() && a.SignExponent() == b.SignExponent();
}

struct Count {
  long operands = 0;
  long differences = 0;
  long nan_bits = 0;  // both NaN, other bits
  Pair first{};       // the operands of the first difference
};

// Compares one result.
inline void Check(Count& c, SoftExtended soft, long double hard) {
  const SoftExtended h = pw::SoftFromX87(hard);
  if (h.IsNaN() && soft.IsNaN()) {
    if (!SameBits(h, soft)) ++c.nan_bits;
    return;
  }
  if (!SameBits(h, soft)) ++c.differences;
}

template <typename T>
inline void CheckBits(Count& c, T soft, T hard, bool nan) {
  if (nan) {
    if (std::memcmp(&soft, &hard, sizeof soft) != 0) ++c.nan_bits;
    return;
  }
  if (std::memcmp(&soft, &hard, sizeof soft) != 0) ++c.differences;
}

// Stops the compiler from folding or reordering the hardware operation.
inline long double Opaque(long double x) {
  __asm__ volatile("" : "+m"(x));
  return x;
}

// ToUInt64 from the x87's own comparison, truncation and conversion.
inline uint64_t X87ToUInt64(long double x) {
  if (!(x >= 0 && x < 0x1p64L) || x != __builtin_truncl(x)) return 0;
  return static_cast<uint64_t>(x);
}

inline void RunOne(Op op, const Pair& p, Count& c, Rng& g) {
  const long before = c.differences;
  const SoftExtended a = p.a;
  const SoftExtended b = p.b;
  const long double x = Opaque(pw::X87FromSoft(a));
  const long double y = Opaque(pw::X87FromSoft(b));
  switch (op) {
    case Op::Add: Check(c, a + b, x + y); break;
    case Op::Subtract: Check(c, a - b, x - y); break;
    case Op::Multiply: Check(c, a * b, x * y); break;
    case Op::Divide: Check(c, a / b, x / y); break;
    case Op::Sqrt: Check(c, pw::Sqrt(a), __builtin_sqrtl(x)); break;
    case Op::Compare: {
      const bool same = (a == b) == (x == y) && (a != b) == (x != y) && (a < b) == (x < y) &&
                        (a <= b) == (x <= y) && (a > b) == (x > y) && (a >= b) == (x >= y);
      if (!same) ++c.differences;
      break;
    }
    case Op::ToDouble: {
      const double s = pw::ToDouble(a);
      const double h = static_cast<double>(x);
      CheckBits(c, s, h, std::isnan(s) && std::isnan(h));
      break;
    }
    case Op::ToFloat: {
      const float s = pw::ToFloat(a);
      const float h = static_cast<float>(x);
      CheckBits(c, s, h, std::isnan(s) && std::isnan(h));
      break;
    }
    case Op::FromDouble: {
      double d;
      const uint64_t bits = g();
      std::memcpy(&d, &bits, sizeof d);
      const double v = (g() & 1) != 0 ? d : pw::ToDouble(a);
      Check(c, SoftExtended(v), static_cast<long double>(v));
      break;
    }
    case Op::FromInt64: {
      const auto v = static_cast<int64_t>(Bits(g, static_cast<int>(g() % 65)));
      Check(c, SoftExtended(v), static_cast<long double>(v));
      break;
    }
    case Op::FromUInt64: {
      const uint64_t v = Bits(g, static_cast<int>(g() % 65));
      Check(c, SoftExtended(v), static_cast<long double>(v));
      break;
    }
    case Op::Floor: Check(c, pw::Floor(a), __builtin_floorl(x)); break;
    case Op::Ceil: Check(c, pw::Ceil(a), __builtin_ceill(x)); break;
    case Op::RoundHalfEven: Check(c, pw::RoundHalfEven(a), __builtin_nearbyintl(x)); break;
    case Op::ToUInt64:
      if (pw::ToUInt64(a) != X87ToUInt64(x)) ++c.differences;
      break;
    case Op::BinaryExponent:
      if (pw::BinaryExponent(a) != __builtin_ilogbl(x)) ++c.differences;
      break;
  }
  if (before == 0 && c.differences != 0) c.first = p;
  ++c.operands;
}

inline Count Run(Op op, long n, uint64_t seed, bool edges_squared) {
  Rng g(seed);
  Count c;
  if (edges_squared) {  // every pair of edge values
    for (const SoftExtended& a : kEdges) {
      for (const SoftExtended& b : kEdges) RunOne(op, {a, b}, c, g);
    }
  }
  for (long i = 0; i < n; ++i) RunOne(op, Draw(op, g), c, g);
  return c;
}

}  // namespace pwtest

#endif
