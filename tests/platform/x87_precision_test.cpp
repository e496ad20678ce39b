#include <cstdint>

#include <gtest/gtest.h>

#include "base/extended.h"

namespace {

// Every rule that asks for extended precision relies on the x87 unit
// rounding to 64 bits; some start-up code (other compilers' run-time
// libraries, DLLs loaded early) leaves it at 53.
TEST(X87Precision, SixtyFourBitsOnceTheProgramHasStarted) {
#if defined(__i386__) || defined(__x86_64__)
  pw::UseExtendedPrecision();
  uint16_t word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  EXPECT_EQ(word & 0x0300, 0x0300) << std::hex << word;
  // And the arithmetic shows it: 1 + 2^-63 is exact only with 64 bits.
  volatile long double tiny = 0x1p-63L;
  volatile long double sum = 1.0L + tiny;
  EXPECT_NE(sum, 1.0L);
#else
  GTEST_SKIP() << "no x87 unit";
#endif
}

}  // namespace
