#include "commands/report.h"

#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>

#include "commands/option_values.h"
#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

// Where the values end: the heading takes the first 34 columns and the
// value is right-aligned in the next 10.
constexpr std::size_t kHeadingWidth = 34;
constexpr std::size_t kValueWidth = 10;

std::size_t Characters(std::string_view text) {
  std::size_t n = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) ++n;  // not a continuation byte
  }
  return n;
}

}  // namespace

ArmReport ReportArm(const ArmGeometry& arm, std::optional<NullRadii> nulls, GrooveSpan band, Playback play) {
  const ArmReport r{arm, nulls, FiguresOverBand(arm, band, play)};
  // The options' ranges keep every number finite; should one still not be,
  // it is said rather than shown.
  const BandFigures& f = r.figures;
  for (const double x : {arm.arm, arm.pivot, arm.overhang, arm.offset, f.max_error_deg, f.max_error_at,
                         f.max_distortion_pct, f.max_distortion_at, f.rms_distortion_pct,
                         f.max_weighted_error_deg_per_cm}) {
    if (!std::isfinite(x)) throw BadInput{"these values take the arithmetic out of its range"};
  }
  return r;
}

Json AssumptionsJson(GrooveSpan band, Playback play) {
  Json j;
  j["groove"] = {{"inner", band.inner}, {"outer", band.outer}};
  j["rpm"] = play.rpm;
  j["velocity_peak_cm_s"] = play.velocity_peak;
  return j;
}

Json ArmJson(const ArmReport& r) {
  Json j;
  if (r.nulls) {
    j["inner_null"] = r.nulls->inner;
    j["outer_null"] = r.nulls->outer;
  }
  j["arm"] = r.arm.arm;
  j["pivot"] = r.arm.pivot;
  j["overhang"] = r.arm.overhang;
  j["offset_deg"] = r.arm.offset * kDegrees;
  j["linear_offset"] = r.arm.arm * std::sin(r.arm.offset);
  j["max_error_deg"] = r.figures.max_error_deg;
  j["max_error_at"] = r.figures.max_error_at;
  j["max_distortion_pct"] = r.figures.max_distortion_pct;
  j["max_distortion_at"] = r.figures.max_distortion_at;
  j["rms_distortion_pct"] = r.figures.rms_distortion_pct;
  j["max_weighted_error_deg_per_cm"] = r.figures.max_weighted_error_deg_per_cm;
  return j;
}

std::string AssumptionsLine(const GrooveChoice& groove, Playback play) {
  std::string line = "Assumed: " + (groove.name.empty() ? std::string("groove") : groove.name) + " " +
                     Fixed3(groove.band.inner) + " to " + Fixed3(groove.band.outer) + " mm, ";
  line += Fixed3(play.rpm) + " rpm, " + Fixed3(play.velocity_peak) + " cm/s peak (" +
          Fixed3(play.velocity_peak / std::numbers::sqrt2) + " RMS)\n";
  return line;
}

std::string PadRight(std::string_view text, std::size_t width) {
  std::string s(text);
  for (std::size_t n = Characters(text); n < width; ++n) s += ' ';
  return s;
}

std::string Row(std::string_view heading, std::string_view value, std::string_view after) {
  std::string row = "  " + PadRight(heading, kHeadingWidth - 2);
  for (std::size_t n = value.size(); n < kValueWidth; ++n) row += ' ';
  row += value;
  if (!after.empty()) {
    row += "  ";
    row += after;
  }
  row += '\n';
  return row;
}

std::string ArmRows(const ArmReport& r) {
  std::string s;
  if (r.nulls) {
    s += Row("Inner null radius (mm)", Fixed3(r.nulls->inner));
    s += Row("Outer null radius (mm)", Fixed3(r.nulls->outer));
  } else {
    s += Row("Null radii (mm)", "none", "(the tracking error is never zero)");
  }
  s += Row("Effective length (mm)", Fixed3(r.arm.arm));
  s += Row("Pivot to spindle (mm)", Fixed3(r.arm.pivot));
  s += Row("Overhang (mm)", Fixed3(r.arm.overhang));
  s += Row("Offset angle (degrees)", Fixed3(r.arm.offset * kDegrees));
  s += Row("Linear offset (mm)", Fixed3(r.arm.arm * std::sin(r.arm.offset)));
  s += Row("Largest tracking error (degrees)", Fixed3(r.figures.max_error_deg),
           "at " + Fixed3(r.figures.max_error_at) + " mm");
  s += Row("Largest distortion (%)", Fixed3(r.figures.max_distortion_pct),
           "at " + Fixed3(r.figures.max_distortion_at) + " mm");
  s += Row("RMS distortion (%)", Fixed3(r.figures.rms_distortion_pct));
  s += Row("Largest weighted error (deg/cm)", Fixed3(r.figures.max_weighted_error_deg_per_cm));
  return s;
}

}  // namespace pw
