// The number text and mask formatting against snprintf("%.15g") on the same
// values: a mix of the program's typical results (radii, angles, small
// distortions) and doubles spread over the whole range.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "text/number_text.h"

namespace {

const std::vector<double>& Values() {
  static const std::vector<double> values = [] {
    std::vector<double> v;
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<double> radius(50.0, 150.0);
    std::uniform_real_distribution<double> angle(-3.0, 3.0);
    std::uniform_real_distribution<double> small(0.0, 0.02);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    for (int i = 0; i < 1024; ++i) {
      switch (i % 4) {
        case 0: v.push_back(radius(rng)); break;
        case 1: v.push_back(angle(rng)); break;
        case 2: v.push_back(small(rng)); break;
        default: v.push_back(mantissa(rng) * std::pow(10.0, static_cast<int>(rng() % 600) - 300)); break;
      }
    }
    return v;
  }();
  return values;
}

void BM_NumberText(benchmark::State& state) {
  const std::vector<double>& v = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string s = pw::NumberText(v[i++ & 1023], pw::NumberForm::Printed);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_NumberText);

void BM_FormatWithMaskFixed(benchmark::State& state) {
  const std::vector<double>& v = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    // Radii through the drawing's mask (the huge values make long texts).
    std::string s = pw::FormatWithMask(v[i++ & 1023], "000.0");
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_FormatWithMaskFixed);

void BM_FormatWithMaskExponent(benchmark::State& state) {
  const std::vector<double>& v = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string s = pw::FormatWithMask(v[i++ & 1023], "0.0000E+##");
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_FormatWithMaskExponent);

void BM_Snprintf15g(benchmark::State& state) {
  const std::vector<double>& v = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%.15g", v[i++ & 1023]);
    std::string s(buf, static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_Snprintf15g);

}  // namespace
