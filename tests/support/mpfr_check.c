/* 2000 tangents and arc tangents at 64 bits, each printed exactly (as hex
   digits), to compare one build of MPFR with another: the same results
   give the same text. */
#include <mpfr.h>
#include <stdio.h>
int main(void) {
  mpfr_t x, y;
  mpfr_inits2(64, x, y, (mpfr_ptr)0);
  for (int i = 1; i <= 2000; ++i) {
    mpfr_set_d(x, i * 0.00123, MPFR_RNDN);
    mpfr_tan(y, x, MPFR_RNDN);
    mpfr_printf("%.20Ra ", y);
    mpfr_atan(y, x, MPFR_RNDN);
    mpfr_printf("%.20Ra\n", y);
  }
  return 0;
}
