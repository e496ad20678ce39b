#include "commands/align_command.h"

#include <CLI/CLI.hpp>
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

const char kAbout[] =
    "Works out the overhang and offset of each alignment for an arm, given its\n"
    "pivot to spindle distance or its effective length, with the tracking error\n"
    "and distortion it gives across the record.";

const char kFooter[] =
    "Alignments: baerwald (also lofgren-a), lofgren-b, stevenson, nulls:N1/N2\n"
    "(your own null radii, mm), a comma-separated list of these, or all (the three\n"
    "named ones).  Figures are over the groove band, both ends included: the\n"
    "largest |tracking error|, the largest distortion 100 V |tan error| / (omega r),\n"
    "the RMS distortion and the largest weighted error |error| / r.\n"
    "Example: pivotwright align --pivot 222";

struct AlignTexts {
  ArmOptionTexts arm;
  std::string alignments = "all";
};

struct AlignedArm {
  AlignmentChoice alignment;
  ArmReport report;
};

std::string PeopleText(const GrooveChoice& groove, Playback play, const ArmDimension& d,
                       const std::vector<AlignedArm>& arms) {
  std::string s = d.way == ArmGiven::Pivot ? "Alignments for a pivot to spindle distance of "
                                           : "Alignments for an effective length of ";
  s += Fixed3(d.value) + " mm\n";
  s += AssumptionsLine(groove, play);
  for (const AlignedArm& a : arms) {
    s += "\n" + AlignmentTitle(a.alignment) + "\n";
    s += ArmRows(a.report);
  }
  return s;
}

std::string JsonText(GrooveSpan band, Playback play, const std::vector<AlignedArm>& arms) {
  Json j = AssumptionsJson(band, play);
  j["alignments"] = Json::array();
  for (const AlignedArm& a : arms) {
    Json one;
    one["name"] = AlignmentKey(a.alignment);
    one.update(ArmJson(a.report));
    j["alignments"].push_back(one);
  }
  return j.dump(2) + "\n";
}

}  // namespace

CommandResult RunAlign(int argc, const char* const* argv) {
  CommandResult result;
  CLI::App app{kAbout, "pivotwright align"};
  app.set_help_flag("-h,--help", "show this help and exit");
  app.footer(kFooter);
  AlignTexts t;
  AddArmOptions(app, t.arm);
  AddGrooveOption(app, t.arm);
  app.add_option("--alignment", t.alignments, "the alignments to work out (see below)")
      ->type_name("LIST")
      ->default_str("all");
  AddPlaybackOptions(app, t.arm);
  AddJsonOption(app, t.arm, "write one JSON document for scripts, numbers unrounded");
  if (!ParseArguments(app, "align", argc, argv, result)) return result;
  try {
    const ArmDimension d = ReadArmDimension(t.arm);
    const std::string d_text = d.way == ArmGiven::Pivot ? t.arm.pivot : t.arm.arm;
    const GrooveChoice groove = ReadGroove("--groove", t.arm.groove);
    const std::vector<AlignmentChoice> chosen = ReadAlignments("--alignment", t.alignments);
    const Playback play = ReadPlayback(t.arm);
    std::vector<AlignedArm> arms;
    for (const AlignmentChoice& a : chosen) {
      const NullRadii nulls = AlignmentNulls(a, groove.band);
      const ArmGeometry arm = AlignmentArm(d, d_text, nulls, AlignmentTitle(a), groove.band);
      arms.push_back({a, ReportArm(arm, nulls, groove.band, play)});
    }
    result.out = t.arm.json ? JsonText(groove.band, play, arms) : PeopleText(groove, play, d, arms);
  } catch (const BadInput& bad) {
    result = BadInputResult("align", bad);
  }
  return result;
}

}  // namespace pw
