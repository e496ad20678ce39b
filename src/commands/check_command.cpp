#include "commands/check_command.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "commands/arm_options.h"
#include "commands/command_result.h"
#include "commands/option_values.h"
#include "commands/report.h"
#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;

const char kAbout[] =
    "Checks an arm as it is mounted: its own null radii, the tracking error and\n"
    "distortion across the record, how far it is from each named alignment, and with\n"
    "--tolerance what a small mounting error costs.";

const char kFooter[] =
    "The other arm dimension follows from the overhang: L = D + H with --pivot,\n"
    "D = L - H with --arm.  The alignments are worked out for the same pivot to\n"
    "spindle distance (or the same arm length).  --tolerance 0.5,0.5 tries the 25\n"
    "set-ups with overhang H + k 0.25 mm and offset + j 0.25 degrees, k and j from\n"
    "-2 to 2.  Example: pivotwright check --pivot 222 --overhang 17 --offset 23";

struct CheckTexts {
  ArmOptionTexts arm;
  std::string overhang;
  std::string offset;
  std::string tolerance;
  CLI::Option* overhang_option = nullptr;
  CLI::Option* offset_option = nullptr;
  CLI::Option* tolerance_option = nullptr;
};

// The set-up's arm: the given dimension kept, the other from the overhang.
// Throws BadInput for an arm it cannot be (no length left, an offset past a
// quarter turn, a band out of the stylus's reach).
// `context` goes before what is wrong.
ArmGeometry MountedArm(const ArmDimension& d, double overhang, double offset_deg, const std::string& option,
                       const std::string& text, const std::string& context) {
  if (!(overhang > 0)) RejectValue(option, text, context + "the overhang must be greater than 0");
  if (!(std::fabs(offset_deg) < 90)) {
    RejectValue(option, text, context + "the offset must lie between -90 and 90 degrees");
  }
  ArmGeometry arm;
  arm.overhang = overhang;
  arm.offset = offset_deg * kRadiansPerDegree;
  if (d.way == ArmGiven::Pivot) {
    arm.pivot = d.value;
    arm.arm = d.value + overhang;
  } else {
    arm.arm = d.value;
    arm.pivot = d.value - overhang;
    if (!(arm.pivot > 0)) {
      RejectValue(option, text,
                  context + "the overhang must be less than the arm length (" + Fixed3(d.value) + " mm)");
    }
  }
  return arm;
}

// The set-up's null radii, when it has any on the record's side of the
// spindle.
std::optional<NullRadii> MountedNulls(const ArmGeometry& arm) {
  const std::optional<NullRadii> nulls = SetupNulls(arm);
  if (!nulls || !(nulls->outer > 0)) return std::nullopt;
  return nulls;
}

struct Difference {
  AlignmentChoice alignment;
  bool reachable = false;  // false: the arm is too short for its nulls
  double overhang = 0;
  double offset_deg = 0;
};

std::vector<Difference> Differences(const ArmDimension& d, const ArmGeometry& mine, GrooveSpan band) {
  std::vector<Difference> all;
  for (const AlignmentChoice& a : NamedAlignments()) {
    const NullRadii nulls = AlignmentNulls(a, band);
    Difference diff{a, true, 0, 0};
    if (d.way == ArmGiven::Length && d.value * d.value < nulls.inner * nulls.outer) {
      diff.reachable = false;
    } else {
      const ArmGeometry theirs =
          d.way == ArmGiven::Pivot ? GeometryForPivot(nulls, d.value) : GeometryForArm(nulls, d.value);
      diff.overhang = mine.overhang - theirs.overhang;
      diff.offset_deg = (mine.offset - theirs.offset) / kRadiansPerDegree;
    }
    all.push_back(diff);
  }
  return all;
}

struct Worst {
  double value = -1;
  double overhang = 0;
  double offset_deg = 0;
};

struct ToleranceFigures {
  Tolerance tolerance;
  Worst distortion;
  Worst error;
};

// The 25 set-ups H + k dH/2, offset + j dB/2 (k, j = -2 ... 2), the given
// arm dimension kept.
ToleranceFigures AcrossTolerance(const ArmDimension& d, double overhang, double offset_deg, Tolerance tol,
                                 GrooveSpan band, Playback play, const std::string& text) {
  ToleranceFigures f{tol, {}, {}};
  for (int k = -2; k <= 2; ++k) {
    for (int j = -2; j <= 2; ++j) {
      const double h = overhang + k * tol.overhang / 2;
      const double b = offset_deg + j * tol.offset_deg / 2;
      const std::string context = "at overhang " + Fixed3(h) + " mm and offset " + Fixed3(b) + " degrees, ";
      const ArmGeometry arm = MountedArm(d, h, b, "--tolerance", text, context);
      CheckReach(arm, band, "--tolerance", text, context);
      const BandFigures fig = FiguresOverBand(arm, band, play);
      if (fig.max_distortion_pct > f.distortion.value) f.distortion = {fig.max_distortion_pct, h, b};
      if (fig.max_error_deg > f.error.value) f.error = {fig.max_error_deg, h, b};
    }
  }
  return f;
}

std::string PeopleText(const GrooveChoice& groove, Playback play, const ArmDimension& d, const ArmReport& mine,
                       const std::vector<Difference>& diffs, const std::optional<ToleranceFigures>& tol) {
  std::string s = "Set-up: " + std::string(d.way == ArmGiven::Pivot ? "pivot to spindle " : "effective length ") +
                  Fixed3(d.value) + " mm, overhang " + Fixed3(mine.arm.overhang) + " mm, offset " +
                  Fixed3(mine.arm.offset / kRadiansPerDegree) + " degrees\n";
  s += AssumptionsLine(groove, play);
  s += "\nThe set-up\n" + ArmRows(mine);
  s += "\nThe set-up minus each alignment for the same " +
       std::string(d.way == ArmGiven::Pivot ? "pivot to spindle distance\n" : "arm length\n");
  s += "  " + PadRight("", 32) + "  Overhang (mm)  Offset (degrees)\n";
  for (const Difference& diff : diffs) {
    s += "  " + PadRight(AlignmentTitle(diff.alignment), 32);
    if (!diff.reachable) {
      s += "  the arm is too short for its nulls\n";
      continue;
    }
    // Right-aligned under the headings.
    const std::string h = Fixed3(diff.overhang);
    const std::string b = Fixed3(diff.offset_deg);
    s += std::string(h.size() < 15 ? 15 - h.size() : 1, ' ');
    s += h;
    s += std::string(b.size() < 18 ? 18 - b.size() : 1, ' ');
    s += b;
    s += '\n';
  }
  if (tol) {
    s += "\nWithin the tolerance of " + Fixed3(tol->tolerance.overhang) + " mm overhang and " +
         Fixed3(tol->tolerance.offset_deg) + " degrees offset (25 set-ups)\n";
    s += Row("Worst largest distortion (%)", Fixed3(tol->distortion.value),
             "at " + Fixed3(tol->distortion.overhang) + " mm, " + Fixed3(tol->distortion.offset_deg) + " deg");
    s += Row("Worst largest error (degrees)", Fixed3(tol->error.value),
             "at " + Fixed3(tol->error.overhang) + " mm, " + Fixed3(tol->error.offset_deg) + " deg");
  }
  return s;
}

std::string JsonText(GrooveSpan band, Playback play, const ArmReport& mine, const std::vector<Difference>& diffs,
                     const std::optional<ToleranceFigures>& tol) {
  Json j = AssumptionsJson(band, play);
  j["setup"] = ArmJson(mine);
  j["differences"] = Json::array();
  for (const Difference& diff : diffs) {
    if (!diff.reachable) continue;
    j["differences"].push_back(
        {{"name", AlignmentKey(diff.alignment)}, {"overhang", diff.overhang}, {"offset_deg", diff.offset_deg}});
  }
  if (tol) {
    j["tolerance"] = {{"worst_max_distortion_pct", tol->distortion.value},
                      {"worst_max_distortion_overhang", tol->distortion.overhang},
                      {"worst_max_distortion_offset_deg", tol->distortion.offset_deg},
                      {"worst_max_error_deg", tol->error.value},
                      {"worst_max_error_overhang", tol->error.overhang},
                      {"worst_max_error_offset_deg", tol->error.offset_deg}};
  }
  return j.dump(2) + "\n";
}

}  // namespace

CommandResult RunCheck(int argc, const char* const* argv) {
  CommandResult result;
  CLI::App app{kAbout, "pivotwright check"};
  app.set_help_flag("-h,--help", "show this help and exit");
  app.footer(kFooter);
  CheckTexts t;
  AddArmOptions(app, t.arm);
  t.overhang_option = app.add_option("--overhang", t.overhang, "overhang H as mounted, mm (needed)")->type_name("MM");
  t.offset_option = app.add_option("--offset", t.offset, "offset angle as mounted, degrees (needed)")->type_name("DEG");
  AddGrooveOption(app, t.arm);
  t.tolerance_option = app.add_option("--tolerance", t.tolerance,
                                      "also the worst case of the set-ups within\nthese mounting errors (mm, degrees)")
                           ->type_name("H_MM,DEG")
                           ->default_str("none");
  AddPlaybackOptions(app, t.arm);
  AddJsonOption(app, t.arm, "write one JSON document for scripts, numbers unrounded");
  if (!ParseArguments(app, "check", argc, argv, result)) return result;
  try {
    const ArmDimension d = ReadArmDimension(t.arm);
    if (t.overhang_option->count() == 0) throw BadInput{"--overhang is needed (the overhang as mounted, mm)"};
    if (t.offset_option->count() == 0) throw BadInput{"--offset is needed (the offset angle as mounted, degrees)"};
    const double overhang = ReadPositive("--overhang", t.overhang);
    const double offset_deg = ReadOffsetDegrees("--offset", t.offset);
    const GrooveChoice groove = ReadGroove("--groove", t.arm.groove);
    const Playback play = ReadPlayback(t.arm);
    std::optional<Tolerance> tolerance;
    if (t.tolerance_option->count() > 0) tolerance = ReadTolerance("--tolerance", t.tolerance);
    const ArmGeometry arm = MountedArm(d, overhang, offset_deg, "--overhang", t.overhang, "");
    CheckReach(arm, groove.band, "--overhang", t.overhang, "with this set-up ");
    const ArmReport mine = ReportArm(arm, MountedNulls(arm), groove.band, play);
    const std::vector<Difference> diffs = Differences(d, arm, groove.band);
    std::optional<ToleranceFigures> tol;
    if (tolerance) tol = AcrossTolerance(d, overhang, offset_deg, *tolerance, groove.band, play, t.tolerance);
    result.out = t.arm.json ? JsonText(groove.band, play, mine, diffs, tol)
                            : PeopleText(groove, play, d, mine, diffs, tol);
  } catch (const BadInput& bad) {
    result = BadInputResult("check", bad);
  }
  return result;
}

}  // namespace pw
