#include "actions/optimum_screen.h"

#include <string>
#include <string_view>

#include "base/extended.h"
#include "geometry/alignment.h"
#include "screens/screen_pieces.h"
#include "text/number_text.h"

namespace pw {

namespace {

constexpr std::string_view kNeitherGiven =
    "      Give the effective arm length or the pivot to spindle distance";
constexpr std::string_view kNoAlignment = "      No alignment exists for these dimensions";

}  // namespace

void RunOptimumAlignment(ConsoleScreen& s, ProgramValues& v) {
  HeaderBlock(s);
  v.arm_length = PromptedEntry(s, kArmLengthPrompt, 1, true);
  // An arm-length line of Enter alone asks for the pivot distance instead;
  // a line of blanks counts as given.
  const bool length_given = !v.arm_length.text.empty();
  if (!length_given) v.pivot = PromptedEntry(s, kPivotPrompt, 1, false);
  v.inner_radius = PromptedEntry(s, kInnerRadiusPrompt, 1, false);
  v.outer_radius = PromptedEntry(s, kOuterRadiusPrompt, 1, false);
  BlankRows(s, 3);

  if (!length_given && v.pivot.text.empty()) {
    // Neither dimension: nothing to compute from.
    MessageRow(s, kNeitherGiven);
    ClosingPrompt(s);
    return;
  }

  v.null_radii = ComputeNullRadii({v.inner_radius.number, v.outer_radius.number});
  const OptimumAlignment a =
      length_given ? ComputeOptimumAlignment(v.null_radii, ArmGiven::Length, v.arm_length.number)
                   : ComputeOptimumAlignment(v.null_radii, ArmGiven::Pivot, v.pivot.number);
  v.arm = a.arm;

  if (!a.real) {
    MessageRow(s, kNoAlignment);
  } else {
    const Extended degrees = static_cast<Extended>(kDegreesPerRadian) * a.arm.offset;
    ResultLine(s, {
                      ResultPiece{1, false, "      Optimum overhang is"},
                      ResultPiece{26, true, NumberText(RoundTo(a.arm.overhang, 2), NumberForm::Printed)},
                      ResultPiece{33, false, "millimetres; optimum offset is"},
                      ResultPiece{63, true, NumberText(RoundTo(degrees, 2), NumberForm::Printed)},
                      ResultPiece{70, false, "degrees"},
                  });
  }
  ClosingPrompt(s);
}

}  // namespace pw
