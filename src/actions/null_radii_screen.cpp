#include "actions/null_radii_screen.h"

#include <string>

#include "geometry/alignment.h"
#include "drawing/protractor.h"
#include "platform/files.h"
#include "screens/screen_pieces.h"
#include "text/line_entry.h"
#include "text/number_text.h"

namespace pw {

namespace {

constexpr int kResultRow = 15;
constexpr int kQuestionRow = 18;
constexpr int kAnswerColumn = 81;
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

// The failure row: the fixed words and the system's reason, kept within
// one row so that the closing prompt stands where it always does.
std::string FailureText(int error) {
  std::string text(kFailedLabel);
  text += ErrorText(error);
  const std::size_t room = static_cast<std::size_t>(kScreenCols) - 1;
  if (text.size() > room) text.resize(room);
  return text;
}

}  // namespace

void RunNullRadiiScreen(ConsoleScreen& s, ProgramValues& v) {
  HeaderBlock(s);
  v.inner_radius = PromptedEntry(s, "      Inner recorded radius (mm)?", 1, true);
  v.outer_radius = PromptedEntry(s, "      Outer recorded radius (mm)?", 1, false);
  EndLine(s);
  EndLine(s);
  EndLine(s);

  v.null_radii = ComputeNullRadii(GrooveSpan{v.inner_radius.number, v.outer_radius.number});
  const std::string outer_text = ShownRadius(v.null_radii.outer);
  const std::string inner_text = ShownRadius(v.null_radii.inner);
  const int li = static_cast<int>(inner_text.size());
  const int lo = static_cast<int>(outer_text.size());
  ResultLine(s,
             {ResultPiece{1, false, std::string(kResultLabel)},
              ResultPiece{48, true, inner_text},
              ResultPiece{49 + li, false, "and"},
              ResultPiece{52 + li, true, outer_text},
              ResultPiece{53 + li + lo, false, "millimetres"}},
             kResultRow);

  v.answer = AskToDraw(s);
  if (v.answer == "Y") {
    const DrawOutcome outcome = DrawProtractor(v.inner_radius.number, v.outer_radius.number,
                                               v.null_radii.inner, v.null_radii.outer);
    EndLine(s);
    const int r = CursorRow(s);
    if (outcome.saved) {
      ResultLine(s,
                 {ResultPiece{1, false, std::string(kSavedLabel)},
                  ResultPiece{37, true, "protractor.emf"},
                  ResultPiece{52, false, "in the parent directory"}},
                 r);
    } else {
      ResultLine(s, {ResultPiece{1, false, FailureText(outcome.error)}}, r);
    }
  }
  ClosingPrompt(s);
}

}  // namespace pw
