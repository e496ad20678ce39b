// The software extended type against the x87, bit for bit, over many random
// operands per operation (10^8 by default): uniform bit patterns, the whole
// exponent range, near-equal magnitudes (cancellation), subnormal and
// overflowing results, exact halfway cases, integers, doubles, and every
// pair of a list of edge values.
//
// A NaN result counts as equal when both are NaN; how often the NaN bits
// differ as well is reported on its own.
//
// Usage: extended_exactness [operands per operation, default 100000000]
// Exit status 1 on any difference (0 on machines without the x87 format,
// where there is nothing to compare with).
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
#include "base/extended_operands.h"

#if PW_X87_LONG_DOUBLE

using pw::SoftExtended;
using namespace pwtest;

int main(int argc, char** argv) {
  pw::UseExtendedPrecision();
  const long n = argc > 1 ? std::atol(argv[1]) : 100000000;
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::printf("%ld random operands (pairs) per operation plus all %zu x %zu edge pairs, %u threads\n", n,
              kEdges.size(), kEdges.size(), threads);
  std::printf("%-18s %12s %12s %14s %9s\n", "operation", "operands", "differences", "NaN bits only",
              "seconds");
  const auto start = std::chrono::steady_clock::now();
  long differences = 0;
  int index = 0;
  for (const OpName& o : kOps) {
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<Count> parts(threads);
    std::vector<std::thread> pool;
    for (unsigned k = 0; k < threads; ++k) {
      pool.emplace_back([&, k] {
        parts[k] = Run(o.op, n / threads, 0xD1B54A32D192ED03u * (static_cast<uint64_t>(index) * 64 + k + 1), k == 0);
      });
    }
    for (std::thread& t : pool) t.join();
    Count total;
    for (const Count& p : parts) {
      total.operands += p.operands;
      total.differences += p.differences;
      total.nan_bits += p.nan_bits;
    }
    differences += total.differences;
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%-18s %12ld %12ld %14ld %9.1f\n", o.name, total.operands, total.differences, total.nan_bits, s);
    std::fflush(stdout);
    ++index;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("total time %.1f s; differences: %ld\n", seconds, differences);
  return differences == 0 ? 0 : 1;
}

#else

int main() {
  std::printf("long double is not the x87 format here: nothing to compare with\n");
  return 0;
}

#endif
