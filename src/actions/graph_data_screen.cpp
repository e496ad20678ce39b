#include "actions/graph_data_screen.h"

#include <string>
#include <string_view>

#include "geometry/alignment.h"
#include "actions/graph_files.h"
#include "screens/screen_pieces.h"

namespace pw {

namespace {

constexpr std::string_view kOverhangPrompt = "      Overhang (mm)?";
constexpr std::string_view kOffsetPrompt = "      Offset (degrees)?";
constexpr std::string_view kDataFailedLabel = "      Could not write data.txt: ";
constexpr std::string_view kGraphFailedLabel = "      Could not write graph.txt: ";

}  // namespace

void RunGraphData(ConsoleScreen& s, ProgramValues& v) {
  HeaderBlock(s);
  GraphDataInput in;
  v.arm_length = PromptedEntry(s, kArmLengthPrompt, 1, true);
  in.length_typed = !v.arm_length.text.empty();
  if (!in.length_typed) v.pivot = PromptedEntry(s, kPivotPrompt, 1, false);
  v.overhang = PromptedEntry(s, kOverhangPrompt, 2, false);

  ArmSetup typed;
  typed.length = v.arm_length.number;
  typed.pivot = v.pivot.number;
  typed.overhang = v.overhang.number;
  v.arm = CompleteArmSetup(in.length_typed, typed);

  v.offset = PromptedEntry(s, kOffsetPrompt, 2, false);
  v.arm.offset = OffsetRadians(v.offset.number);
  v.inner_radius = PromptedEntry(s, kInnerRadiusPrompt, 1, false);
  v.outer_radius = PromptedEntry(s, kOuterRadiusPrompt, 1, false);
  EndLine(s);

  in.arm_length_text = v.arm_length.text;
  in.pivot_text = v.pivot.text;
  in.overhang_text = v.overhang.text;
  in.offset_text = v.offset.text;
  in.inner_text = v.inner_radius.text;
  in.outer_text = v.outer_radius.text;
  in.arm = v.arm;
  in.span = GrooveSpan{v.inner_radius.number, v.outer_radius.number};
  const GraphFilesResult result = WriteGraphFiles(in, "data.txt", "graph.txt");

  // The arm dimensions are asked afresh next time, in this action and in
  // action 1.
  v.arm_length = TypedValue{};
  v.pivot = TypedValue{};
  v.arm.length = 0;
  v.arm.pivot = 0;

  EndLine(s);
  if (result.data_error == 0 && result.graph_error == 0) {
    ResultLine(s, {
                      ResultPiece{1, false, "      The data has been saved to"},
                      ResultPiece{34, true, "data.txt"},
                      ResultPiece{43, false, "and"},
                      ResultPiece{47, true, "graph.txt"},
                      ResultPiece{57, false, "in the parent directory"},
                  });
  } else {
    if (result.data_error != 0) FailureRow(s, kDataFailedLabel, result.data_error);
    if (result.graph_error != 0) FailureRow(s, kGraphFailedLabel, result.graph_error);
  }
  ClosingPrompt(s);
}

}  // namespace pw
