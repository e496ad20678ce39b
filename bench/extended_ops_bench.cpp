// The software extended type against the x87 long double, operation by
// operation, and the pieces of the tangent and arctangent: the x87 library,
// the binary128 range and the multiple-precision reference.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>  // before mpfr.h, for its intmax_t functions
#include <mpfr.h>
#include <random>
#include <vector>

#include "base/extended.h"
#include "base/tangent.h"

namespace {

using pw::SoftExtended;

constexpr int kValues = 1024;  // a power of two: the index wraps with a mask

// Operands of ordinary size, as the program's arithmetic meets them.
template <typename T>
std::vector<T> Operands(uint64_t seed) {
  std::mt19937_64 g(seed);
  std::vector<T> v;
  for (int i = 0; i < kValues; ++i) {
    const double x = (static_cast<double>(g() >> 11) * 0x1p-53 + 0.5) * std::ldexp(1.0, static_cast<int>(g() % 40) - 20);
    v.push_back(T(x) / T(3));  // full 64-bit significands
  }
  return v;
}

template <typename T>
T Root(T x) {
  if constexpr (std::is_same_v<T, SoftExtended>) {
    return pw::Sqrt(x);
  } else {
    return __builtin_sqrtl(x);
  }
}

template <typename T>
double Double(T x) {
  if constexpr (std::is_same_v<T, SoftExtended>) {
    return pw::ToDouble(x);
  } else {
    return static_cast<double>(x);
  }
}

template <typename T>
T Nearest(T x) {
  if constexpr (std::is_same_v<T, SoftExtended>) {
    return pw::RoundHalfEven(x);
  } else {
    return __builtin_nearbyintl(x);
  }
}

enum class Kind { Add, Multiply, Divide, Sqrt, ToDouble, FromDouble, Less, RoundHalfEven };

template <typename T, Kind kind>
void BM_Op(benchmark::State& state) {
  const std::vector<T> a = Operands<T>(1);
  const std::vector<T> b = Operands<T>(2);
  std::vector<double> d;
  for (const T& x : a) d.push_back(Double(x));
  unsigned i = 0;
  for (auto _ : state) {
    const unsigned k = i++ & (kValues - 1);
    if constexpr (kind == Kind::Add) benchmark::DoNotOptimize(a[k] + b[k]);
    if constexpr (kind == Kind::Multiply) benchmark::DoNotOptimize(a[k] * b[k]);
    if constexpr (kind == Kind::Divide) benchmark::DoNotOptimize(a[k] / b[k]);
    if constexpr (kind == Kind::Sqrt) benchmark::DoNotOptimize(Root(a[k]));
    if constexpr (kind == Kind::ToDouble) benchmark::DoNotOptimize(Double(a[k]));
    if constexpr (kind == Kind::FromDouble) benchmark::DoNotOptimize(T(d[k]));
    if constexpr (kind == Kind::Less) benchmark::DoNotOptimize(a[k] < b[k]);
    if constexpr (kind == Kind::RoundHalfEven) benchmark::DoNotOptimize(Nearest(a[k] * 1000));
  }
}

#define PW_BOTH(kind)                                   \
  BENCHMARK(BM_Op<SoftExtended, Kind::kind>)->Name("Soft/" #kind); \
  BENCHMARK(BM_Op<long double, Kind::kind>)->Name("LongDouble/" #kind)

PW_BOTH(Add);
PW_BOTH(Multiply);
PW_BOTH(Divide);
PW_BOTH(Sqrt);
PW_BOTH(ToDouble);
PW_BOTH(FromDouble);
PW_BOTH(Less);
PW_BOTH(RoundHalfEven);

// The same operations with MPFR at 64 bits in the x87 exponent range, as a
// library-based extended type would do them: the operation, then the
// subnormal rounding.
template <Kind kind>
void BM_Mpfr(benchmark::State& state) {
  const mpfr_exp_t emin = mpfr_get_emin();
  const mpfr_exp_t emax = mpfr_get_emax();
  mpfr_set_emin(-16444);
  mpfr_set_emax(16384);
  std::vector<mpfr_t> a(kValues), b(kValues);
  const std::vector<long double> x = Operands<long double>(1);
  const std::vector<long double> y = Operands<long double>(2);
  for (int k = 0; k < kValues; ++k) {
    mpfr_init2(a[k], 64);
    mpfr_init2(b[k], 64);
    mpfr_set_ld(a[k], x[k], MPFR_RNDN);
    mpfr_set_ld(b[k], y[k], MPFR_RNDN);
  }
  mpfr_t r;
  mpfr_init2(r, 64);
  unsigned i = 0;
  for (auto _ : state) {
    const unsigned k = i++ & (kValues - 1);
    int t = 0;
    if constexpr (kind == Kind::Add) t = mpfr_add(r, a[k], b[k], MPFR_RNDN);
    if constexpr (kind == Kind::Multiply) t = mpfr_mul(r, a[k], b[k], MPFR_RNDN);
    if constexpr (kind == Kind::Divide) t = mpfr_div(r, a[k], b[k], MPFR_RNDN);
    if constexpr (kind == Kind::Sqrt) t = mpfr_sqrt(r, a[k], MPFR_RNDN);
    benchmark::DoNotOptimize(mpfr_subnormalize(r, t, MPFR_RNDN));
  }
  for (int k = 0; k < kValues; ++k) {
    mpfr_clear(a[k]);
    mpfr_clear(b[k]);
  }
  mpfr_clear(r);
  mpfr_set_emin(emin);
  mpfr_set_emax(emax);
}
BENCHMARK(BM_Mpfr<Kind::Add>)->Name("Mpfr/Add");
BENCHMARK(BM_Mpfr<Kind::Multiply>)->Name("Mpfr/Multiply");
BENCHMARK(BM_Mpfr<Kind::Divide>)->Name("Mpfr/Divide");
BENCHMARK(BM_Mpfr<Kind::Sqrt>)->Name("Mpfr/Sqrt");

// Tangents of the tracking angles (doubles near pi) and arctangents of
// quotients of ordinary size.
std::vector<SoftExtended> Angles() {
  std::mt19937_64 g(3);
  std::vector<SoftExtended> v;
  for (int i = 0; i < kValues; ++i) v.push_back(2.6 + 1.1 * (static_cast<double>(g() >> 11) * 0x1p-53));
  return v;
}

template <bool tangent>
void BM_Library(benchmark::State& state) {
  std::vector<long double> x;
  for (const SoftExtended& s : Angles()) x.push_back(static_cast<long double>(pw::ToDouble(s)));
  unsigned i = 0;
  for (auto _ : state) {
    const long double v = x[i++ & (kValues - 1)];
    benchmark::DoNotOptimize(tangent ? tanl(v) : atanl(v));
  }
}
BENCHMARK(BM_Library<true>)->Name("tanl");
BENCHMARK(BM_Library<false>)->Name("atanl");

template <bool tangent>
void BM_Reference(benchmark::State& state) {
  const std::vector<SoftExtended> x = Angles();
  unsigned i = 0;
  for (auto _ : state) {
    const SoftExtended v = x[i++ & (kValues - 1)];
    benchmark::DoNotOptimize(tangent ? pw::CorrectlyRoundedTan(v) : pw::CorrectlyRoundedAtan(v));
  }
}
BENCHMARK(BM_Reference<true>)->Name("ReferenceTan");
BENCHMARK(BM_Reference<false>)->Name("ReferenceAtan");

#if PW_BINARY128
template <bool tangent>
void BM_Binary128(benchmark::State& state) {
  const std::vector<SoftExtended> x = Angles();
  unsigned i = 0;
  for (auto _ : state) {
    const SoftExtended v = x[i++ & (kValues - 1)];
    benchmark::DoNotOptimize(tangent ? pw::Binary128TanRange(v) : pw::Binary128AtanRange(v));
  }
}
BENCHMARK(BM_Binary128<true>)->Name("Binary128TanRange");
BENCHMARK(BM_Binary128<false>)->Name("Binary128AtanRange");
#endif

// What this build's Extended uses.
template <bool tangent>
void BM_ExtendedRange(benchmark::State& state) {
  std::vector<pw::Extended> x;
  for (const SoftExtended& s : Angles()) x.push_back(pw::FromSoftExtended(s));
  unsigned i = 0;
  for (auto _ : state) {
    const pw::Extended v = x[i++ & (kValues - 1)];
    benchmark::DoNotOptimize(tangent ? pw::TanRange(v) : pw::AtanRange(v));
  }
}
BENCHMARK(BM_ExtendedRange<true>)->Name("TanRange");
BENCHMARK(BM_ExtendedRange<false>)->Name("AtanRange");

}  // namespace
