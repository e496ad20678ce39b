#include "drawing/exact_math.h"

#include <mpfr.h>

#include <cstddef>
#include <string>

namespace pw {

namespace {

// Enough bits that the angle conversions' own rounding never reaches the
// double's last bit except in a rare tie, where it is still the same on
// every platform.
constexpr mpfr_prec_t kWorking = 160;

struct Number {
  mpfr_t v;
  Number() { mpfr_init2(v, kWorking); }
  ~Number() { mpfr_clear(v); }
  Number(const Number&) = delete;
  Number& operator=(const Number&) = delete;
};

// π / 180 or 180 / π at the working precision.
void DegreeFactor(mpfr_t out, bool to_radians) {
  mpfr_const_pi(out, MPFR_RNDN);
  if (to_radians) {
    mpfr_div_ui(out, out, 180, MPFR_RNDN);
  } else {
    mpfr_ui_div(out, 180, out, MPFR_RNDN);
  }
}

enum class Trig { Sin, Cos };

double OfDegrees(double degrees, Trig f) {
  Number x;
  Number factor;
  DegreeFactor(factor.v, true);
  mpfr_set_d(x.v, degrees, MPFR_RNDN);  // exact
  mpfr_mul(x.v, x.v, factor.v, MPFR_RNDN);
  if (f == Trig::Sin) {
    mpfr_sin(x.v, x.v, MPFR_RNDN);
  } else {
    mpfr_cos(x.v, x.v, MPFR_RNDN);
  }
  return mpfr_get_d(x.v, MPFR_RNDN);
}

// Radians held in x, given back in degrees as a double.
double ToDegrees(mpfr_t x) {
  Number factor;
  DegreeFactor(factor.v, false);
  mpfr_mul(x, x, factor.v, MPFR_RNDN);
  return mpfr_get_d(x, MPFR_RNDN);
}

}  // namespace

double SinDegrees(double degrees) { return OfDegrees(degrees, Trig::Sin); }
double CosDegrees(double degrees) { return OfDegrees(degrees, Trig::Cos); }

double Atan2Degrees(double y, double x) {
  Number a;
  Number b;
  Number r;
  mpfr_set_d(a.v, y, MPFR_RNDN);
  mpfr_set_d(b.v, x, MPFR_RNDN);
  mpfr_atan2(r.v, a.v, b.v, MPFR_RNDN);
  return ToDegrees(r.v);
}

double AcosDegrees(double c) {
  Number r;
  mpfr_set_d(r.v, c, MPFR_RNDN);
  mpfr_acos(r.v, r.v, MPFR_RNDN);
  return ToDegrees(r.v);
}

double AsinDegrees(double s) {
  Number r;
  mpfr_set_d(r.v, s, MPFR_RNDN);
  mpfr_asin(r.v, r.v, MPFR_RNDN);
  return ToDegrees(r.v);
}

std::string ExactFixed(double value, int decimals) {
  mpfr_t x;
  mpfr_init2(x, 53);
  mpfr_set_d(x, value, MPFR_RNDN);  // exact
  char buffer[400];
  const int n = mpfr_snprintf(buffer, sizeof buffer, "%.*RNf", decimals, x);
  mpfr_clear(x);
  return n > 0 && static_cast<std::size_t>(n) < sizeof buffer ? std::string(buffer) : std::string("0");
}

}  // namespace pw
