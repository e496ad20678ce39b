#include "program/main_screen.h"

#include <string>
#include <string_view>

#include "screens/screen_pieces.h"
#include "text/line_entry.h"

namespace pw {

namespace {

// First row of the menu: the numbers stand on rows 12, 14, 16 and 18, and
// each menu text starts in column 13.
constexpr int kFirstMenuRow = 12;
constexpr int kMenuTextColumn = 13;

constexpr std::string_view kSelectLine = "                                   Select an action";
constexpr std::string_view kMenuTexts[4] = {
    "Calculate optimum overhang and offset for specified arm dimensions",
    "Calculate zero tracking error radii for specified groove dimensions",
    "Generate graph data for LTE and LTE distortion versus groove radius",
    "Quit",
};
constexpr std::string_view kInitiateLine =
    "                     Type the action number and <Enter> to initiate";

constexpr std::string_view kEntryIndent = "         ";  // typing starts in column 10
constexpr std::string_view kMenuNumbers[4] = {"         1)", "         2)", "         3)",
                                              "         4)"};

}  // namespace

void DrawMainScreen(ConsoleScreen& s) {
  ClearScreen(s);
  SetColours(s, kBlack, kBrightWhite);
  HideCursor(s);

  HeaderRows(s);     // rows 1 to 4
  BlankRows(s, 4);  // rows 5 to 8
  PrintText(s, kSelectLine);
  EndLine(s);
  BlankRows(s, 2);  // rows 10 and 11

  for (int i = 0; i < 4; ++i) {
    const int row = kFirstMenuRow + 2 * i;
    SetColours(s, kBlack, kBrightWhite);
    PrintText(s, kMenuNumbers[i]);
    EndLine(s);
    MoveCursor(s, row, kMenuTextColumn);
    SetColours(s, kDarkGrey, kBrightWhite);
    PrintText(s, kMenuTexts[i]);
    EndLine(s);
    if (i < 3) BlankRows(s, 1);  // rows 13, 15, 17
  }
  // Black from here on: the entry line and the typed choice.
  SetColours(s, kBlack, kBrightWhite);

  BlankRows(s, 2);  // rows 19 and 20
  PrintText(s, kInitiateLine);
  EndLine(s);
  BlankRows(s, 3);  // rows 22 to 24; the cursor is now at row 25, column 1
}

int ReadChoice(ConsoleScreen& s) {
  for (;;) {
    PrintText(s, kEntryIndent);
    const std::string line = ReadLine(s);
    // Compared as text: "1 ", " 1", "01" and "1.0" are not "1".
    if (line.size() == 1 && line[0] >= '1' && line[0] <= '4') return line[0] - '0';
    Beep(s);
    Beep(s);
  }
}

}  // namespace pw
