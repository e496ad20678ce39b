#include "actions/null_radii_screen.h"

#include <string>
#include <string_view>

#include "geometry/alignment.h"
#include "drawing/protractor.h"
#include "screens/screen_pieces.h"
#include "text/line_entry.h"
#include "text/number_text.h"

namespace pw {

namespace {

constexpr int kResultRow = 15;
constexpr int kQuestionRow = 18;
constexpr int kAnswerColumn = 81;
// The result row: the label, the inner radius from column 48, "and" one
// column after it, the outer radius after that, then "millimetres"; the
// radii's shown lengths move the later pieces.
constexpr int kInnerColumn = 48;
// The saved message's pieces.
constexpr int kSavedNameColumn = 37;
constexpr int kSavedWhereColumn = 52;
constexpr std::string_view kResultLabel = "      The optimum zero tracking error radii are";
constexpr std::string_view kQuestion =
    "      Do you wish to draw an alignment protractor using these dimensions [Y/N]? ";
constexpr std::string_view kSavedLabel = "      The drawing has been saved as";
constexpr std::string_view kFailedLabel = "      The drawing could not be saved as protractor.emf: ";

// A null radius as shown: rounded to two places, sign position, no
// trailing blank.
std::string ShownRadius(double radius) {
  return NumberText(RoundTo(radius, 2), NumberForm::Text);
}

// Asks until the answer is "Y" or "N" ("y" and "n" count as such).
std::string AskToDraw(ConsoleScreen& s) {
  for (;;) {
    MoveCursor(s, kQuestionRow, 0);  // column 0 keeps the current column
    PrintText(s, kQuestion);
    EndLine(s);
    MoveCursor(s, kQuestionRow, kAnswerColumn);
    SetColours(s, kBlack, kBrightWhite);
    std::string answer = ReadLine(s);
    SetColours(s, kDarkGrey, kBrightWhite);
    if (answer == "y") answer = "Y";
    if (answer == "n") answer = "N";
    if (answer == "Y" || answer == "N") return answer;
    Beep(s);
    Beep(s);
  }
}

}  // namespace

void RunNullRadiiScreen(ConsoleScreen& s, ProgramValues& v) {
  HeaderBlock(s);
  v.inner_radius = PromptedEntry(s, kInnerRadiusPrompt, 1, true);
  v.outer_radius = PromptedEntry(s, kOuterRadiusPrompt, 1, false);
  BlankRows(s, 3);

  v.null_radii = ComputeNullRadii(GrooveSpan{v.inner_radius.number, v.outer_radius.number});
  const std::string outer_text = ShownRadius(v.null_radii.outer);
  const std::string inner_text = ShownRadius(v.null_radii.inner);
  const int li = static_cast<int>(inner_text.size());
  const int lo = static_cast<int>(outer_text.size());
  ResultLine(s,
             {ResultPiece{1, false, std::string(kResultLabel)},
              ResultPiece{kInnerColumn, true, inner_text},
              ResultPiece{kInnerColumn + 1 + li, false, "and"},
              ResultPiece{kInnerColumn + 4 + li, true, outer_text},
              ResultPiece{kInnerColumn + 5 + li + lo, false, "millimetres"}},
             kResultRow);

  v.answer = AskToDraw(s);
  if (v.answer == "Y") {
    const DrawOutcome outcome = DrawProtractor(v.inner_radius.number, v.outer_radius.number,
                                               v.null_radii.inner, v.null_radii.outer);
    EndLine(s);
    if (outcome.saved) {
      ResultLine(s, {ResultPiece{1, false, std::string(kSavedLabel)},
                     ResultPiece{kSavedNameColumn, true, "protractor.emf"},
                     ResultPiece{kSavedWhereColumn, false, "in the parent directory"}});
    } else {
      FailureRow(s, kFailedLabel, outcome.error);
    }
  }
  ClosingPrompt(s);
}

}  // namespace pw
