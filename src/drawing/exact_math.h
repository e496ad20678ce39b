// Trigonometry for page geometry, each result the exact value rounded once
// to a double, so that every platform computes the same coordinates and
// the files written are the same byte for byte.  Angles in degrees.
#pragma once

#include <string>

namespace pw {

double SinDegrees(double degrees);
double CosDegrees(double degrees);
// The angle of the point (x, y) seen from the origin, in (-180, 180].
double Atan2Degrees(double y, double x);
// Angle whose cosine is c, c in [-1, 1], in [0, 180].
double AcosDegrees(double c);
// Angle whose sine is s, s in [-1, 1], in [-90, 90].
double AsinDegrees(double s);

// `value` with `decimals` digits after the point, rounded from its exact
// binary value to the nearest (ties to even): the same text on every
// platform, whatever its C library's printf does.
std::string ExactFixed(double value, int decimals);

}  // namespace pw
