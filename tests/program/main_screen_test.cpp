#include "program/main_screen.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/product.h"
#include "platform/console_tools.h"
#include "platform/device.h"
#include "platform/frame.h"
#include "program/winmain.h"
#include "screens/program_values.h"
#include "screens/screen_pieces.h"
#include "support/test_support.h"

namespace {

using pwtest::RowAttrs;
using pwtest::RowText;
using pwtest::RowTrimmed;

// One printed piece of the main screen: row, column, text, and whether it is
// black (F0) or dark grey (F8) on bright white.
struct Piece {
  int row;
  int col;
  std::string text;
  bool grey;
};

std::vector<Piece> MainScreenPieces() {
  return {
      {2, 1, "   Pivotwright v1.01", false},
      {3, 1, std::string(pw::kNoticeLine), false},
      {4, 1, std::string(pw::kWebLine), false},
      {9, 1, "                                   Select an action", false},
      {12, 1, "         1)", false},
      {12, 13, "Calculate optimum overhang and offset for specified arm dimensions", true},
      {14, 1, "         2)", false},
      {14, 13, "Calculate zero tracking error radii for specified groove dimensions", true},
      {16, 1, "         3)", false},
      {16, 13, "Generate graph data for LTE and LTE distortion versus groove radius", true},
      {18, 1, "         4)", false},
      {18, 13, "Quit", true},
      {21, 1, "                     Type the action number and <Enter> to initiate", false},
  };
}

// The expected text and attributes of all 30 rows: blanks in `blank_attr`,
// the pieces over them.
struct Expected {
  std::string text[31];
  std::string attrs[31];
};

Expected ExpectedMainScreen(const char* blank_attr) {
  Expected e;
  for (int r = 1; r <= 30; ++r) {
    e.text[r] = std::string(90, ' ');
    e.attrs[r].clear();
    for (int c = 0; c < 90; ++c) e.attrs[r] += blank_attr;
  }
  for (const Piece& p : MainScreenPieces()) {
    e.text[p.row].replace(static_cast<std::size_t>(p.col - 1), p.text.size(), p.text);
    for (std::size_t i = 0; i < p.text.size(); ++i) {
      e.attrs[p.row].replace((static_cast<std::size_t>(p.col - 1) + i) * 2, 2, p.grey ? "F8" : "F0");
    }
  }
  return e;
}

void ExpectScreen(const pw::ConsoleScreen& s, const Expected& e) {
  for (int r = 1; r <= 30; ++r) {
    EXPECT_EQ(RowText(s, r), e.text[r]) << "row " << r;
    EXPECT_EQ(RowAttrs(s, r, 1, 90), e.attrs[r]) << "row " << r;
  }
}

struct ProgramRun {
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  pw::ConsoleTools ct;
  int status = -1;
};

// Runs the entry function on a scripted keyboard until it returns.
void RunProgram(ProgramRun& run, std::string_view keys) {
  pwtest::AttachScriptedKeys(run.s, keys);
  run.ct.device = run.s.device;
  run.status = pw::WINMAIN(run.s, run.v, run.ct, 4242);
}

TEST(MainScreen, QuitLeavesTheWholeScreenCellByCell) {
  ProgramRun run;
  RunProgram(run, "4\r");
  EXPECT_EQ(run.status, 0);
  Expected e = ExpectedMainScreen("F0");
  e.text[25].replace(0, 10, "         4");
  ExpectScreen(run.s, e);
  EXPECT_EQ(pw::CursorRow(run.s), 26);
  EXPECT_EQ(pw::CursorColumn(run.s), 1);
  EXPECT_FALSE(run.s.frame.cursor_visible);
  EXPECT_EQ(pwtest::Beeps(run.s), 0);
  EXPECT_EQ(run.s.frame.width, 90);
  EXPECT_EQ(run.s.frame.height, 30);
}

TEST(MainScreen, OnlyTheFourOneCharacterChoicesAreAccepted) {
  struct Case {
    const char* typed;
    bool accepted;
  };
  const Case cases[] = {
      {"", false},   {"1 ", false}, {" 1", false}, {"01", false}, {"1.0", false},
      {"5", false},  {"0", false},  {"q", false},  {"44", false}, {"\xb4", false},
      {"1", true},   {"2", true},   {"3", true},   {"4", true},
  };
  for (const Case& c : cases) {
    pw::ConsoleScreen s;
    pwtest::AttachScriptedKeys(s, std::string(c.typed) + "\r");
    pw::SetColours(s, pw::kBlack, pw::kBrightWhite);
    pw::ClearScreen(s);
    if (c.accepted) {
      EXPECT_EQ(pw::ReadChoice(s), c.typed[0] - '0') << c.typed;
      EXPECT_EQ(pwtest::Beeps(s), 0) << c.typed;
    } else {
      // The script ends after the one line: rejection asks again.
      EXPECT_THROW(pw::ReadChoice(s), pw::EndOfInput) << c.typed;
      EXPECT_EQ(pwtest::Beeps(s), 2) << c.typed;
      EXPECT_EQ(RowText(s, 1).substr(0, 9 + std::string(c.typed).size()),
                "         " + std::string(c.typed)) << c.typed;
      EXPECT_EQ(RowText(s, 2).substr(0, 9), "         ") << c.typed;
    }
  }
}

TEST(MainScreen, RejectedEntriesWalkDownAndScrollAtTheBottom) {
  ProgramRun run;
  // Seven rejected lines: rows 25 to 30, then the bottom row scrolls.
  RunProgram(run, "a\rb\rc\rd\re\rf\rg\r4\r");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(pwtest::Beeps(run.s), 14);
  // Three line ends on row 30 (after "f", "g" and "4") scrolled three rows.
  EXPECT_EQ(RowTrimmed(run.s, 9), "         1) Calculate optimum overhang and offset for "
                                  "specified arm dimensions");
  EXPECT_EQ(RowTrimmed(run.s, 18), "                     Type the action number and <Enter> to "
                                   "initiate");
  const char* want[] = {"a", "b", "c", "d", "e", "f", "g", "4"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(RowTrimmed(run.s, 22 + i), std::string("         ") + want[i]) << want[i];
    EXPECT_EQ(RowAttrs(run.s, 22 + i, 1, 10), "F0F0F0F0F0F0F0F0F0F0") << want[i];
  }
  EXPECT_EQ(RowTrimmed(run.s, 30), "");
  EXPECT_EQ(RowAttrs(run.s, 30, 1, 1), "F0");
  EXPECT_EQ(pw::CursorRow(run.s), 30);
}

TEST(MainScreen, RedrawAfterAnActionClearsEverythingAndHidesTheCursor) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "");
  // What an action screen leaves behind: text everywhere, dark grey in
  // force, the cursor shown, a wrap pending on the bottom row.
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::ClearScreen(s);
  for (int r = 1; r <= 30; ++r) {
    pw::MoveCursor(s, r, 1);
    pw::PrintText(s, std::string(90, static_cast<char>('A' + r % 26)));
  }
  pw::ShowCursor(s);
  ASSERT_TRUE(s.pending_wrap);

  pw::DrawMainScreen(s);
  // Cleared in the colours in force (dark grey on bright white); the texts
  // then in their own colours.
  ExpectScreen(s, ExpectedMainScreen("F8"));
  EXPECT_EQ(pw::CursorRow(s), 25);
  EXPECT_EQ(pw::CursorColumn(s), 1);
  EXPECT_FALSE(s.frame.cursor_visible);
  EXPECT_EQ(s.fg, pw::kBlack);
  EXPECT_EQ(s.bg, pw::kBrightWhite);
}

TEST(MainScreen, EndOfInputLeavesTheEntryFunction) {
  ProgramRun run;
  pwtest::AttachScriptedKeys(run.s, "9\r");
  run.ct.device = run.s.device;
  EXPECT_THROW(pw::WINMAIN(run.s, run.v, run.ct, 1), pw::EndOfInput);
  EXPECT_EQ(pwtest::Beeps(run.s), 2);
}

}  // namespace
