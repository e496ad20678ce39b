#include "screens/screen_pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/product.h"
#include "platform/device.h"
#include "screens/program_values.h"
#include "support/test_support.h"
#include "text/console_screen.h"

namespace {

std::string Repeat(int n, const char* pair) {
  std::string a;
  for (int i = 0; i < n; ++i) a += pair;
  return a;
}

TEST(ScreenPieces, FixedTextsHaveTheirLengths) {
  EXPECT_EQ(pw::kTitleLine, "   Pivotwright v1.01");
  EXPECT_EQ(pw::kNoticeLine.size(), 25u);
  EXPECT_EQ(pw::kNoticeLine.substr(0, 3), "   ");
  EXPECT_NE(pw::kNoticeLine[3], ' ');
  EXPECT_EQ(pw::kWebAddress.size(), 21u);
  EXPECT_EQ(std::string(pw::kWebLine), "   " + std::string(pw::kWebAddress));
}

TEST(ScreenPieces, HeaderBlockClearsAndLeavesTheCursorOnRowNine) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "");
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::MoveCursor(s, 20, 5);
  pw::PrintText(s, "left over from before");
  pw::HeaderBlock(s);
  EXPECT_EQ(pwtest::RowTrimmed(s, 1), "");
  EXPECT_EQ(pwtest::RowTrimmed(s, 2), "   Pivotwright v1.01");
  EXPECT_EQ(pwtest::RowTrimmed(s, 3), std::string(pw::kNoticeLine));
  EXPECT_EQ(pwtest::RowTrimmed(s, 4), std::string(pw::kWebLine));
  for (int row = 5; row <= 30; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "") << row;
  EXPECT_EQ(pwtest::RowAttrs(s, 2, 1, 20), Repeat(20, "F0"));
  EXPECT_EQ(pw::CursorRow(s), 9);
  EXPECT_EQ(pw::CursorColumn(s), 1);
  EXPECT_EQ(s.fg, pw::kDarkGrey);
  EXPECT_EQ(s.bg, pw::kBrightWhite);
}

TEST(ScreenPieces, PromptedEntriesStartInColumn43OneBlankRowApart) {
  struct Case {
    const char* prompt;
    int tabs;
  } cases[] = {
      {"      Effective arm length (mm)?", 1},       // 32 characters
      {"      Inner recorded radius (mm)?", 1},      // 33
      {"      Pivot to spindle distance (mm)?", 1},  // 37
      {"      Overhang (mm)?", 2},                   // 20
      {"      Offset (degrees)?", 2},                // 23
  };
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "12.5\r 1\rabc\r\r16 mm\r");
  pw::HeaderBlock(s);
  const char* expected_text[] = {"12.5", " 1", "abc", "", "16 mm"};
  const double expected_number[] = {12.5, 1, 0, 0, 16};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(cases[i].prompt);
    pw::TypedValue v = pw::PromptedEntry(s, cases[i].prompt, cases[i].tabs, i == 0);
    EXPECT_EQ(v.text, expected_text[i]);
    EXPECT_EQ(v.number, expected_number[i]);
    const int row = 9 + 2 * i;
    const std::string prompt = cases[i].prompt;
    std::string line = prompt + std::string(42 - prompt.size(), ' ') + expected_text[i];
    while (!line.empty() && line.back() == ' ') line.pop_back();
    EXPECT_EQ(pwtest::RowTrimmed(s, row), line);
    EXPECT_EQ(pwtest::RowTrimmed(s, row + 1), "");
    // Prompt and zone blanks dark grey, typed text black.
    EXPECT_EQ(pwtest::RowAttrs(s, row, 1, 42), Repeat(42, "F8"));
    const int typed = static_cast<int>(std::string(expected_text[i]).size());
    if (typed > 0) {
      EXPECT_EQ(pwtest::RowAttrs(s, row, 43, 42 + typed), Repeat(typed, "F0"));
    }
    EXPECT_EQ(pw::CursorRow(s), row + 1);
    EXPECT_EQ(s.fg, pw::kDarkGrey);
  }
}

TEST(ScreenPieces, ResultLinePiecesOverwriteEarlierOnes) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "");
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::MoveCursor(s, 12, 1);
  pw::ResultLine(s, {{1, false, "label"}, {8, true, " 123456789"}, {13, false, "next"}});
  EXPECT_EQ(pwtest::RowTrimmed(s, 12), "label   1234next9");  // only the columns "next" covers
  EXPECT_EQ(pwtest::RowAttrs(s, 12, 1, 17), Repeat(7, "F8") + Repeat(5, "F0") + Repeat(4, "F8") + "F0");
  EXPECT_EQ(pw::CursorRow(s), 13);
  EXPECT_EQ(pw::CursorColumn(s), 1);
}

TEST(ScreenPieces, ResultLineWithAFixedRowPrintsOnlyTheFirstPieceAtTheCursor) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "");
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::MoveCursor(s, 16, 1);
  pw::ResultLine(s, {{1, false, "first"}, {10, true, "second"}}, 15);
  EXPECT_EQ(pwtest::RowTrimmed(s, 16), "first");
  EXPECT_EQ(pwtest::RowTrimmed(s, 15), "         second");
  EXPECT_EQ(pw::CursorRow(s), 16);
}

TEST(ScreenPieces, ClosingPromptSixRowsBelowAndWaitsForAKey) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "q");
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::MoveCursor(s, 17, 1);
  pw::PrintText(s, "result");
  pw::EndLine(s);
  pw::ClosingPrompt(s);
  for (int row = 18; row <= 23; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "") << row;
  EXPECT_EQ(pwtest::RowTrimmed(s, 24), "      Press any key to return to the main screen");
  EXPECT_EQ(pwtest::RowAttrs(s, 24, 7, 11), Repeat(5, "F8"));
  EXPECT_EQ(pw::CursorRow(s), 25);
}

TEST(ScreenPieces, ClosingPromptEndsWithTheInput) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "");
  EXPECT_THROW(pw::ClosingPrompt(s), pw::EndOfInput);
}

}  // namespace
