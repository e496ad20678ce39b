// How far the library tangent and arctangent lie from the exact values, and
// whether the fast ranges hold the correctly rounded result.
//
// For each argument distribution it reports, against a 256-bit evaluation:
//   - the x87 tanl/atanl (where long double is the x87 format): the largest
//     error in units in the last place of the 64-bit result, and the largest
//     distance in representable numbers from the correctly rounded value;
//   - the binary128 functions (where present): the largest error in units in
//     the last place of the 113-bit result, how often the binary128 range is
//     not one value, and any range that misses the correctly rounded value.
//
// Usage: tangent_error [arguments per distribution, default 1000000]
// Exit status 1 when a range misses the correctly rounded value.
#include <cstdint>  // before mpfr.h, for its intmax_t functions
#include <mpfr.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "base/extended.h"
#include "base/tangent.h"

namespace {

using pw::SoftExtended;

constexpr double kPi = 3.14159265358979323846;

enum class Function { Tan, Atan };

struct Distribution {
  const char* name;
  Function f;
  // Draws one argument.
  SoftExtended (*draw)(std::mt19937_64&);
};

double Uniform(std::mt19937_64& g, double lo, double hi) {
  return lo + (hi - lo) * (static_cast<double>(g() >> 11) * 0x1p-53);
}

// A random 64-bit significand with a random binary exponent in [lo, hi]
// and a random sign.
SoftExtended RandomExtended(std::mt19937_64& g, int lo, int hi) {
  const uint64_t sig = g() | SoftExtended::kIntegerBit;
  const int e = lo + static_cast<int>(g() % static_cast<uint64_t>(hi - lo + 1));
  const auto sign = static_cast<uint16_t>((g() & 1) != 0 ? SoftExtended::kSignBit : 0);
  return SoftExtended::FromBits(sig, static_cast<uint16_t>(sign | (e + SoftExtended::kBias)));
}

const Distribution kDistributions[] = {
    {"tan, wide: |x| in [2^-40, 2^40)", Function::Tan,
     [](std::mt19937_64& g) { return RandomExtended(g, -40, 39); }},
    {"tan, huge: |x| in [2^40, 2^1000)", Function::Tan,
     [](std::mt19937_64& g) { return RandomExtended(g, 40, 999); }},
    {"tan, doubles in pi +- 0.6", Function::Tan,
     [](std::mt19937_64& g) { return SoftExtended(Uniform(g, kPi - 0.6, kPi + 0.6)); }},
    {"tan, doubles in [-0.6, 0.6]", Function::Tan,
     [](std::mt19937_64& g) { return SoftExtended(Uniform(g, -0.6, 0.6)); }},
    {"tan, doubles in [0, 2 pi]", Function::Tan,
     [](std::mt19937_64& g) { return SoftExtended(Uniform(g, 0, 2 * kPi)); }},
    {"tan, extended within 2^-20 of pi/2", Function::Tan,
     [](std::mt19937_64& g) {
       return SoftExtended(kPi / 2) + SoftExtended(Uniform(g, -0x1p-20, 0x1p-20));
     }},
    {"atan, wide: |x| in [2^-70, 2^70)", Function::Atan,
     [](std::mt19937_64& g) { return RandomExtended(g, -70, 69); }},
    {"atan, |x| in [2^-4, 2^4)", Function::Atan,
     [](std::mt19937_64& g) { return RandomExtended(g, -4, 3); }},
    {"atan, doubles in [-10, 10]", Function::Atan,
     [](std::mt19937_64& g) { return SoftExtended(Uniform(g, -10, 10)); }},
    {"atan, quotients s/c of doubles", Function::Atan,
     [](std::mt19937_64& g) {
       const SoftExtended c = Uniform(g, -1, 1);
       return pw::Sqrt(1 - c * c) / c;
     }},
};

struct Tally {
  double library_ulps = 0;  // x87 library, units of the 64-bit result
  long library_steps = 0;   // from the correctly rounded value
  long library_off = 0;     // results that are not the correctly rounded value
  double binary128_ulps = 0;
  long binary128_ranges = 0;  // ranges of two values
  long missed = 0;            // ranges without the correctly rounded value
  long count = 0;
};

void Merge(Tally& into, const Tally& t) {
  into.library_ulps = std::fmax(into.library_ulps, t.library_ulps);
  into.library_steps = std::max(into.library_steps, t.library_steps);
  into.library_off += t.library_off;
  into.binary128_ulps = std::fmax(into.binary128_ulps, t.binary128_ulps);
  into.binary128_ranges += t.binary128_ranges;
  into.missed += t.missed;
  into.count += t.count;
}

void SetSoft(mpfr_t m, SoftExtended x) {
  const int biased = x.BiasedExponent() == 0 ? 1 : x.BiasedExponent();
  mpfr_set_uj_2exp(m, x.Significand(), biased - SoftExtended::kBias - 63, MPFR_RNDN);
  if (x.Negative()) mpfr_neg(m, m, MPFR_RNDN);
}

// |approx - exact| in units of 2^(floor(log2 |exact|) - bits + 1).
double UlpError(const mpfr_t approx, const mpfr_t exact, int bits) {
  mpfr_t d;
  mpfr_init2(d, 320);
  mpfr_sub(d, approx, exact, MPFR_RNDN);
  mpfr_abs(d, d, MPFR_RNDN);
  mpfr_mul_2si(d, d, bits - mpfr_get_exp(exact), MPFR_RNDN);
  const double r = mpfr_get_d(d, MPFR_RNDN);
  mpfr_clear(d);
  return r;
}

#if PW_BINARY128
using pw::Binary128;

// m (at least 113 bits) = q exactly; q finite.
void SetBinary128(mpfr_t m, Binary128 q) {
  pw::UInt128 bits;
  std::memcpy(&bits, &q, sizeof bits);
  const int biased = static_cast<int>((bits >> 112) & 0x7FFF);
  pw::UInt128 sig = bits & ((static_cast<pw::UInt128>(1) << 112) - 1);
  if (biased != 0) sig |= static_cast<pw::UInt128>(1) << 112;
  const int scale = (biased == 0 ? 1 : biased) - 16383 - 112;
  mpfr_t lo;
  mpfr_init2(lo, 64);
  mpfr_set_uj_2exp(m, static_cast<uintmax_t>(sig >> 64), scale + 64, MPFR_RNDN);
  mpfr_set_uj_2exp(lo, static_cast<uintmax_t>(sig), scale, MPFR_RNDN);
  mpfr_add(m, m, lo, MPFR_RNDN);  // exact: m has 128 bits
  mpfr_clear(lo);
  if ((bits >> 127) != 0) mpfr_neg(m, m, MPFR_RNDN);
}
#endif

bool SameBits(SoftExtended a, SoftExtended b) {
  return a.Significand() == b.Significand() && a.SignExponent() == b.SignExponent();
}

// Distance in representable numbers from b to a (capped at 1000).
long Steps(SoftExtended a, SoftExtended b) {
  for (long k = 0; k < 1000; ++k) {
    if (SameBits(pw::StepExtended(b, static_cast<int>(k)), a) ||
        SameBits(pw::StepExtended(b, static_cast<int>(-k)), a)) {
      return k;
    }
  }
  return 1000;
}

#if PW_BINARY128
bool Inside(SoftExtended v, pw::SoftRange r) { return r.low <= v && v <= r.high; }
#endif

Tally Run(const Distribution& d, long n, uint64_t seed) {
  std::mt19937_64 g(seed);
  Tally t;
  mpfr_t x, exact, approx;
  mpfr_init2(x, 64);
  mpfr_init2(exact, 256);
  mpfr_init2(approx, 128);
  for (long i = 0; i < n; ++i) {
    const SoftExtended arg = d.draw(g);
    if (arg.IsZero() || arg.IsNaN() || arg.IsInf()) continue;
    ++t.count;
    SetSoft(x, arg);
    if (d.f == Function::Tan) {
      mpfr_tan(exact, x, MPFR_RNDN);
    } else {
      mpfr_atan(exact, x, MPFR_RNDN);
    }
    const SoftExtended correct =
        d.f == Function::Tan ? pw::CorrectlyRoundedTan(arg) : pw::CorrectlyRoundedAtan(arg);
#if PW_X87_LONG_DOUBLE
    const long double xl = pw::X87FromSoft(arg);
    const long double rl = d.f == Function::Tan ? tanl(xl) : atanl(xl);
    mpfr_set_ld(approx, rl, MPFR_RNDN);
    t.library_ulps = std::fmax(t.library_ulps, UlpError(approx, exact, 64));
    const SoftExtended rs = pw::SoftFromX87(rl);
    if (!SameBits(rs, correct)) {
      ++t.library_off;
      t.library_steps = std::max(t.library_steps, Steps(rs, correct));
    }
#endif
#if PW_BINARY128
    const pw::SoftRange r =
        d.f == Function::Tan ? pw::Binary128TanRange(arg) : pw::Binary128AtanRange(arg);
    if (!SameBits(r.low, r.high)) ++t.binary128_ranges;
    if (!Inside(correct, r)) ++t.missed;
    {
      // The binary128 value itself, for its error.
      const Binary128 rb = d.f == Function::Tan ? pw::Tan128(pw::ToBinary128(arg))
                                                : pw::Atan128(pw::ToBinary128(arg));
      SetBinary128(approx, rb);
      t.binary128_ulps = std::fmax(t.binary128_ulps, UlpError(approx, exact, 113));
    }
#endif
  }
  mpfr_clear(x);
  mpfr_clear(exact);
  mpfr_clear(approx);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  long missed = 0;
  const auto start = std::chrono::steady_clock::now();
  std::printf("%ld arguments per distribution, %u threads\n", n, threads);
  std::printf("%-40s %12s %10s %10s %12s %10s %8s\n", "distribution", "x87 ulps", "x87 steps",
              "x87 off", "b128 ulps", "b128 pairs", "missed");
  int index = 0;
  for (const Distribution& d : kDistributions) {
    std::vector<Tally> parts(threads);
    std::vector<std::thread> pool;
    for (unsigned k = 0; k < threads; ++k) {
      pool.emplace_back([&, k] {
        parts[k] = Run(d, n / threads, 0x9E3779B97F4A7C15u * (static_cast<uint64_t>(index) * 64 + k + 1));
      });
    }
    for (std::thread& th : pool) th.join();
    Tally total;
    for (const Tally& p : parts) Merge(total, p);
    missed += total.missed;
    std::printf("%-40s %12.4f %10ld %10ld %12.4f %10ld %8ld\n", d.name, total.library_ulps,
                total.library_steps, total.library_off, total.binary128_ulps, total.binary128_ranges,
                total.missed);
    ++index;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("time %.1f s; ranges without the correctly rounded value: %ld\n", seconds, missed);
  return missed == 0 ? 0 : 1;
}
