// The options every command shares: which arm dimension is given, the
// groove band, how the record is played, JSON; read into plain values.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "commands/command_result.h"
#include "commands/option_values.h"
#include "geometry/alignment.h"
#include "geometry/alignments.h"

namespace pw {

// The texts as typed; CLI11 fills them in.
struct ArmOptionTexts {
  std::string pivot;
  std::string arm;
  std::string groove = "iec";
  std::string rpm = "33.333";
  std::string velocity;  // not given: 10 sqrt(2), 10 cm/s RMS
  bool json = false;
  CLI::Option* pivot_option = nullptr;
  CLI::Option* arm_option = nullptr;
  CLI::Option* velocity_option = nullptr;
};

void AddArmOptions(CLI::App& app, ArmOptionTexts& t);
void AddGrooveOption(CLI::App& app, ArmOptionTexts& t);
void AddPlaybackOptions(CLI::App& app, ArmOptionTexts& t);
void AddJsonOption(CLI::App& app, ArmOptionTexts& t, const char* what);

// The arm dimension given: exactly one of --pivot and --arm.
struct ArmDimension {
  ArmGiven way = ArmGiven::Pivot;
  double value = 0;
};
ArmDimension ReadArmDimension(const ArmOptionTexts& t);

Playback ReadPlayback(const ArmOptionTexts& t);

// The option and text of the arm dimension, for messages.
std::string ArmOptionName(const ArmDimension& d);

// The alignment's arm for the given dimension, after the checks: the arm
// long enough for the nulls (L^2 >= n1 n2) and the stylus reaching the
// whole band.  Throws BadInput naming `option` and `text`.
ArmGeometry AlignmentArm(const ArmDimension& d, const std::string& text, NullRadii nulls,
                         const std::string& alignment, GrooveSpan band);

// Throws BadInput when the stylus does not reach every radius of the band.
void CheckReach(const ArmGeometry& arm, GrooveSpan band, const std::string& option, const std::string& text,
                const std::string& context);

// CLI11 parses `args` (the command's own arguments, without the program's
// name and the command's): true to go on, false when the result is made
// (help shown, or a parse error in `result`).
bool ParseArguments(CLI::App& app, const std::string& command, int argc, const char* const* argv,
                    CommandResult& result);

// A BadInput as the command's result: one line on standard error, status 2.
CommandResult BadInputResult(const std::string& command, const BadInput& bad);

}  // namespace pw
