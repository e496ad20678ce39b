#include "commands/arm_options.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <numbers>
#include <string>

#include "base/showable_text.h"
#include "commands/command_result.h"
#include "commands/option_values.h"
#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

namespace {

// CLI11's messages can quote what was typed: they are shown with their
// control bytes written out, and cut short past this many bytes.
constexpr std::size_t kShownMessageLimit = 200;

// CLI11 words some mistakes in its own terms ("At Most 1 required but
// received 2", "1 required MM missing"): say those plainly, naming the
// option.  Anything else keeps CLI11's message.
std::string PlainMismatchMessage(const CLI::App& app, const CLI::ArgumentMismatch& e) {
  std::string said = e.what();
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_expected_min() <= 0) continue;  // flags take no value
    const std::string& name = option->get_name();
    if (option->count() > 1) return name + ": given more than once (give it once)";
    if (said.rfind(name + ": ", 0) == 0 && said.find(" missing") != std::string::npos) {
      return name + ": a value is needed after it";
    }
  }
  return said;
}

}  // namespace

void AddArmOptions(CLI::App& app, ArmOptionTexts& t) {
  app.get_formatter()->column_width(26);
  t.pivot_option = app.add_option("--pivot", t.pivot, "pivot to spindle distance D, mm (or --arm)")->type_name("MM");
  t.arm_option = app.add_option("--arm", t.arm, "effective length L, mm (or --pivot)")->type_name("MM");
}

void AddGrooveOption(CLI::App& app, ArmOptionTexts& t) {
  app.add_option("--groove", t.groove, "iec (60.325,146.05), din (57.5,146.05),\njis (57.6,146.5) or R1,R2 in mm")
      ->type_name("BAND")
      ->default_str("iec");
}

void AddPlaybackOptions(CLI::App& app, ArmOptionTexts& t) {
  app.add_option("--rpm", t.rpm, "turntable speed: 33 (33 1/3), 45, 78 or a number")
      ->type_name("N")
      ->default_str("33.333");
  t.velocity_option = app.add_option("--velocity", t.velocity,
                                     "peak lateral groove velocity for the distortion,\ncm/s (the default is 10 cm/s RMS)")
                          ->type_name("CM_S")
                          ->default_str("14.142");
}

void AddJsonOption(CLI::App& app, ArmOptionTexts& t, const char* what) { app.add_flag("--json", t.json, what); }

ArmDimension ReadArmDimension(const ArmOptionTexts& t) {
  const bool pivot = t.pivot_option->count() > 0;
  const bool arm = t.arm_option->count() > 0;
  if (pivot && arm) throw BadInput{"--pivot and --arm: give one of them, not both"};
  if (!pivot && !arm) throw BadInput{"--pivot or --arm is needed (the pivot to spindle distance or the arm length)"};
  if (pivot) return {ArmGiven::Pivot, ReadPositive("--pivot", t.pivot)};
  return {ArmGiven::Length, ReadPositive("--arm", t.arm)};
}

Playback ReadPlayback(const ArmOptionTexts& t) {
  Playback play{ReadRpm("--rpm", t.rpm), 10 * std::numbers::sqrt2};
  if (t.velocity_option->count() > 0) play.velocity_peak = ReadPositive("--velocity", t.velocity);
  return play;
}

std::string ArmOptionName(const ArmDimension& d) { return d.way == ArmGiven::Pivot ? "--pivot" : "--arm"; }

void CheckReach(const ArmGeometry& arm, GrooveSpan band, const std::string& option, const std::string& text,
                const std::string& context) {
  const StylusReach reach = ReachOf(arm);
  if (band.inner >= reach.nearest && band.outer <= reach.farthest) return;
  RejectValue(option, text,
              context + "the stylus reaches radii " + Fixed3(reach.nearest) + " to " + Fixed3(reach.farthest) +
                  " mm only, not the whole band " + Fixed3(band.inner) + " to " + Fixed3(band.outer) + " mm");
}

ArmGeometry AlignmentArm(const ArmDimension& d, const std::string& text, NullRadii nulls,
                         const std::string& alignment, GrooveSpan band) {
  const std::string context = "with the nulls of " + alignment + " (" + Fixed3(nulls.inner) + " and " +
                              Fixed3(nulls.outer) + " mm) ";
  if (d.way == ArmGiven::Length && d.value * d.value < nulls.inner * nulls.outer) {
    RejectValue("--arm", text,
                "the arm is too short: " + context + "it must be at least " +
                    Fixed3(std::sqrt(nulls.inner * nulls.outer)) + " mm long");
  }
  const ArmGeometry arm =
      d.way == ArmGiven::Pivot ? GeometryForPivot(nulls, d.value) : GeometryForArm(nulls, d.value);
  CheckReach(arm, band, ArmOptionName(d), text, context);
  return arm;
}

bool ParseArguments(CLI::App& app, const std::string& command, int argc, const char* const* argv,
                    CommandResult& result) {
  try {
    app.parse(argc, argv);
    return true;
  } catch (const CLI::CallForHelp&) {
    result.out = app.help();
  } catch (const CLI::ArgumentMismatch& e) {
    result = BadInputResult(command, BadInput{ShowableArgument(PlainMismatchMessage(app, e), kShownMessageLimit)});
  } catch (const CLI::ParseError& e) {
    result = BadInputResult(command, BadInput{ShowableArgument(e.what(), kShownMessageLimit)});
  }
  return false;
}

CommandResult BadInputResult(const std::string& command, const BadInput& bad) {
  CommandResult r;
  r.status = 2;
  r.err = "pivotwright " + command + ": " + bad.message + " (see pivotwright " + command + " --help)\n";
  return r;
}

}  // namespace pw
