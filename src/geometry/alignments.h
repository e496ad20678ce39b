// The alignments a tone arm can be set to and the figures people compare
// them by, for the command-line tools.  Everything here is plain double
// arithmetic with the true constants (pi, the square root of 2); the
// interactive screens keep their own arithmetic in geometry/alignment.h.
//
// Lengths are millimetres, angles radians unless a name says degrees.
#pragma once

#include <optional>

#include "geometry/alignment.h"

namespace pw {

// The null radii of the named alignments for the recorded band
// inner < outer.
NullRadii BaerwaldNulls(GrooveSpan band);   // also known as Lofgren A
NullRadii LofgrenBNulls(GrooveSpan band);   // least squares of the weighted error
NullRadii StevensonNulls(GrooveSpan band);  // inner null on the inner groove

// An arm as it is mounted: effective length L, pivot to spindle distance
// D, overhang L - D, offset angle (radians).
struct ArmGeometry {
  double arm = 0;
  double pivot = 0;
  double overhang = 0;
  double offset = 0;
};

// The arm that puts zero error on the nulls, for a given D (L follows as
// the root of D^2 + n1 n2) or a given L (D is the root of L^2 - n1 n2,
// which the caller has checked is not negative).
ArmGeometry GeometryForPivot(NullRadii nulls, double pivot);
ArmGeometry GeometryForArm(NullRadii nulls, double arm);

// Where a mounted arm has zero tracking error: L sin(beta) -/+
// sqrt(D^2 - L^2 cos^2(beta)); nothing when the root has no real value.
std::optional<NullRadii> SetupNulls(const ArmGeometry& arm);

// The closest and farthest the stylus comes to the spindle: |L - D| and
// L + D.  Tracking error is defined between the two.
struct StylusReach {
  double nearest = 0;
  double farthest = 0;
};
StylusReach ReachOf(const ArmGeometry& arm);

// Lateral tracking error at groove radius r (radians), positive between
// the nulls: beta - asin((L^2 + r^2 - D^2) / (2 L r)).
double TrackingErrorAt(const ArmGeometry& arm, double r);

// How the record is played: turntable speed and the peak lateral groove
// velocity the distortion is worked out for.
struct Playback {
  double rpm = 0;
  double velocity_peak = 0;  // cm/s
};

// The tracking error distortion at groove radius r, per cent:
// 100 V |tan LTE(r)| / (Omega r / 10) with Omega = 2 pi rpm / 60.
double DistortionAt(const ArmGeometry& arm, Playback play, double r);

// The figures over the band, both ends included, of the continuous curves.
struct BandFigures {
  double max_error_deg = 0;        // the largest |LTE|, degrees
  double max_error_at = 0;         // and the radius where it occurs
  double max_distortion_pct = 0;   // the largest distortion, per cent
  double max_distortion_at = 0;
  double rms_distortion_pct = 0;   // sqrt(integral of T^2 dr / (R2 - R1))
  double max_weighted_error_deg_per_cm = 0;  // the largest |LTE| / (r / 10)
};

// The caller has checked that the stylus reaches the whole band.
BandFigures FiguresOverBand(const ArmGeometry& arm, GrooveSpan band, Playback play);

}  // namespace pw
