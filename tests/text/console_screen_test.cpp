#include "text/console_screen.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "platform/device.h"
#include "support/test_support.h"

namespace {

using pw::CellAt;
using pwtest::RowAttrs;
using pwtest::RowText;
using pwtest::RowTrimmed;

// A 90x30 screen cleared black on bright white, every row labelled with its
// number at column 1 so that scrolling shows in the cells.
void LabelledScreen(pw::ConsoleScreen& s) {
  pw::SetColours(s, pw::kBlack, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::SetScreenSize(s, 90, 30);
  for (int r = 1; r <= 30; ++r) {
    pw::MoveCursor(s, r, 1);
    pw::PrintText(s, "r" + std::to_string(r));
  }
}

std::string Repeat(char c, int n) { return std::string(static_cast<std::size_t>(n), c); }

std::string Attrs(const char* pair, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += pair;
  return out;
}

TEST(ConsoleScreen, StartsLightGreyOnBlackAndClearsInTheCurrentColours) {
  pw::ConsoleScreen s;
  EXPECT_EQ(s.fg, 7);
  EXPECT_EQ(s.bg, 0);
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::MoveCursor(s, 7, 20);
  pw::PrintText(s, "old text");
  pw::ClearScreen(s);
  for (int r = 1; r <= 30; ++r) {
    ASSERT_EQ(RowText(s, r), Repeat(' ', 90)) << "row " << r;
    ASSERT_EQ(RowAttrs(s, r, 1, 90), Attrs("F8", 90)) << "row " << r;
  }
  EXPECT_EQ(pw::CursorRow(s), 1);
  EXPECT_EQ(pw::CursorColumn(s), 1);
  pw::PrintText(s, "x");
  EXPECT_EQ(CellAt(s, 1, 1).attr, 0xF8);
}

TEST(ConsoleScreen, FullRowAboveTheBottomGoesToTheNextRowWithoutPendingWrap) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 5, 1);
  pw::PrintText(s, Repeat('a', 90));
  EXPECT_EQ(pw::CursorRow(s), 6);
  EXPECT_EQ(pw::CursorColumn(s), 1);
  EXPECT_FALSE(s.pending_wrap);
  pw::EndLine(s);
  EXPECT_EQ(pw::CursorRow(s), 7);
  EXPECT_EQ(RowTrimmed(s, 1), "r1");  // nothing scrolled
}

TEST(ConsoleScreen, FullBottomRowWaitsForTheNextOutputBeforeScrolling) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 30, 1);
  pw::PrintText(s, Repeat('z', 90));
  EXPECT_TRUE(s.pending_wrap);
  EXPECT_EQ(pw::CursorRow(s), 30);
  EXPECT_EQ(pw::CursorColumn(s), 1);
  EXPECT_EQ(RowTrimmed(s, 1), "r1");
  EXPECT_EQ(RowText(s, 30), Repeat('z', 90));

  // Next text: one scroll, then written on the bottom row.
  pw::ConsoleScreen printed = s;
  pw::PrintText(printed, "AB");
  EXPECT_FALSE(printed.pending_wrap);
  EXPECT_EQ(RowTrimmed(printed, 1), "r2");
  EXPECT_EQ(RowText(printed, 29), Repeat('z', 90));
  EXPECT_EQ(RowTrimmed(printed, 30), "AB");
  EXPECT_EQ(pw::CursorColumn(printed), 3);

  // A line end instead: two scrolls, an empty row below the full one.
  pw::ConsoleScreen ended = s;
  pw::EndLine(ended);
  EXPECT_FALSE(ended.pending_wrap);
  EXPECT_EQ(RowTrimmed(ended, 1), "r3");
  EXPECT_EQ(RowText(ended, 28), Repeat('z', 90));
  EXPECT_EQ(RowTrimmed(ended, 29), "");
  EXPECT_EQ(RowTrimmed(ended, 30), "");
  EXPECT_EQ(pw::CursorRow(ended), 30);
  EXPECT_EQ(pw::CursorColumn(ended), 1);
}

TEST(ConsoleScreen, TextRunsOnAcrossRowsAndScrollsChunkByChunk) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 29, 81);
  // 10 on row 29, 90 on row 30 (pending wrap), then one scroll and 5 more.
  const std::string text = Repeat('a', 10) + Repeat('b', 90) + "ccccc";
  pw::PrintText(s, text);
  EXPECT_EQ(RowTrimmed(s, 1), "r2");
  EXPECT_EQ(RowText(s, 28).substr(80), Repeat('a', 10));
  EXPECT_EQ(RowText(s, 29), Repeat('b', 90));
  EXPECT_EQ(RowTrimmed(s, 30), "ccccc");
  EXPECT_EQ(pw::CursorColumn(s), 6);
  EXPECT_FALSE(s.pending_wrap);
}

TEST(ConsoleScreen, BytesArePlacedAsTheyAreWithTheCurrentAttribute) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 3, 10);
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::PrintText(s, std::string("\n\a\r\x1b\xff", 5));
  EXPECT_EQ(pw::CursorRow(s), 3);
  EXPECT_EQ(pw::CursorColumn(s), 15);
  const unsigned char expected[] = {'\n', '\a', '\r', 0x1b, 0xff};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(CellAt(s, 3, 10 + i).ch, expected[i]);
    EXPECT_EQ(CellAt(s, 3, 10 + i).attr, 0xF8);
  }
  EXPECT_EQ(CellAt(s, 3, 9).attr, 0xF0);
}

TEST(ConsoleScreen, EndLineOnTheBottomRowScrollsInABlankRowOfTheCurrentColours) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 30, 40);
  pw::SetColours(s, 4, 1);
  pw::EndLine(s);
  EXPECT_EQ(pw::CursorRow(s), 30);
  EXPECT_EQ(pw::CursorColumn(s), 1);
  EXPECT_EQ(RowTrimmed(s, 1), "r2");
  EXPECT_EQ(RowTrimmed(s, 29), "r30");
  EXPECT_EQ(RowAttrs(s, 29, 1, 90), Attrs("F0", 90));  // moved rows keep colours
  EXPECT_EQ(RowText(s, 30), Repeat(' ', 90));
  EXPECT_EQ(RowAttrs(s, 30, 1, 90), Attrs("14", 90));
}

TEST(ConsoleScreen, MoveCursorKeepsACoordinateOutsideTheScreen) {
  struct Case {
    int row, col;
    int want_row, want_col;
  };
  const Case cases[] = {
      {0, 13, 5, 13},  {12, 200, 12, 7}, {31, 1, 5, 1},  {-1, -1, 5, 7},
      {30, 90, 30, 90}, {1, 0, 1, 7},    {1, 91, 1, 7},  {-2147483647 - 1, 2147483647, 5, 7},
  };
  for (const Case& c : cases) {
    pw::ConsoleScreen s;
    LabelledScreen(s);
    pw::MoveCursor(s, 5, 7);
    pw::MoveCursor(s, c.row, c.col);
    EXPECT_EQ(pw::CursorRow(s), c.want_row) << c.row << "," << c.col;
    EXPECT_EQ(pw::CursorColumn(s), c.want_col) << c.row << "," << c.col;
  }
}

TEST(ConsoleScreen, MoveCursorClearsPendingWrapEvenWhenItMovesNothing) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 30, 1);
  pw::PrintText(s, Repeat('z', 90));
  ASSERT_TRUE(s.pending_wrap);
  pw::MoveCursor(s, 0, 0);
  EXPECT_FALSE(s.pending_wrap);
  pw::PrintText(s, "Q");  // written over the bottom row, no scroll
  EXPECT_EQ(RowTrimmed(s, 1), "r1");
  EXPECT_EQ(RowText(s, 30), "Q" + Repeat('z', 89));
}

TEST(ConsoleScreen, EmptyTextChangesNothingEvenWithPendingWrap) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 30, 1);
  pw::PrintText(s, Repeat('z', 90));
  pw::ConsoleScreen before = s;
  pw::PrintText(s, "");
  EXPECT_TRUE(s.pending_wrap);
  EXPECT_EQ(pw::CursorRow(s), 30);
  EXPECT_EQ(pw::CursorColumn(s), 1);
  for (int r = 1; r <= 30; ++r) EXPECT_EQ(RowText(s, r), RowText(before, r));
}

TEST(ConsoleScreen, ZoneTabMovesToTheNextZoneStartOverwritingCells) {
  struct Case {
    int from_col;
    int blanks;
    int want_row, want_col;
  };
  const Case cases[] = {
      {1, 14, 10, 15}, {33, 10, 10, 43}, {42, 1, 10, 43}, {43, 14, 10, 57},
      {15, 14, 10, 29}, {90, 9, 11, 9},  {85, 14, 11, 9},
  };
  for (const Case& c : cases) {
    pw::ConsoleScreen s;
    LabelledScreen(s);
    pw::MoveCursor(s, 10, 1);
    pw::PrintText(s, Repeat('#', 90));
    pw::MoveCursor(s, 11, 1);
    pw::PrintText(s, Repeat('#', 90));
    pw::MoveCursor(s, 10, c.from_col);
    pw::SetColours(s, 2, 15);
    pw::ZoneTab(s);
    EXPECT_EQ(pw::CursorRow(s), c.want_row) << "from " << c.from_col;
    EXPECT_EQ(pw::CursorColumn(s), c.want_col) << "from " << c.from_col;
    // Count the blanks the tab wrote over the '#' cells (in colours F2).
    int blanks = 0;
    for (int r = 10; r <= 11; ++r)
      for (int col = 1; col <= 90; ++col)
        if (CellAt(s, r, col).ch == ' ' && CellAt(s, r, col).attr == 0xF2) ++blanks;
    EXPECT_EQ(blanks, c.blanks) << "from " << c.from_col;
  }
}

TEST(ConsoleScreen, ZoneTabAtPendingWrapScrollsAndTabsFromColumnOne) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 30, 1);
  pw::PrintText(s, Repeat('z', 90));
  pw::ZoneTab(s);
  EXPECT_EQ(RowTrimmed(s, 1), "r2");
  EXPECT_EQ(pw::CursorRow(s), 30);
  EXPECT_EQ(pw::CursorColumn(s), 15);
}

TEST(ConsoleScreen, SetColoursKeepsValuesOutsideThePalette) {
  struct Case {
    int fg, bg;
    int want_fg, want_bg;
  };
  const Case cases[] = {
      {0, 15, 0, 15}, {16, 3, 8, 3}, {5, 16, 5, 15}, {99, 1000, 8, 15}, {-1, 2, 8, 2}, {15, 0, 15, 0},
  };
  for (const Case& c : cases) {
    pw::ConsoleScreen s;
    pw::SetColours(s, 8, 15);
    pw::SetColours(s, c.fg, c.bg);
    EXPECT_EQ(s.fg, c.want_fg) << c.fg << " on " << c.bg;
    EXPECT_EQ(s.bg, c.want_bg) << c.fg << " on " << c.bg;
  }
}

TEST(ConsoleScreen, ClearScreenDropsAPendingWrap) {
  pw::ConsoleScreen s;
  LabelledScreen(s);
  pw::MoveCursor(s, 30, 1);
  pw::PrintText(s, Repeat('z', 90));
  pw::ClearScreen(s);
  EXPECT_FALSE(s.pending_wrap);
  for (int i = 0; i < 29; ++i) pw::EndLine(s);
  pw::PrintText(s, "bottom");
  EXPECT_EQ(RowTrimmed(s, 30), "bottom");  // the cleared screen did not scroll
}

TEST(ConsoleScreen, SetScreenSize) {
  pw::ConsoleScreen s;
  pw::SetColours(s, pw::kBlack, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::SetScreenSize(s, 10000, 30);  // above 9999: ignored
  pw::SetScreenSize(s, 90, 10000);
  pw::SetScreenSize(s, 0, 10);      // not a size: ignored
  EXPECT_EQ(s.frame.width, 90);
  EXPECT_EQ(s.frame.height, 30);

  pw::MoveCursor(s, 25, 70);
  pw::SetScreenSize(s, 40, 10);
  EXPECT_EQ(s.frame.width, 40);
  EXPECT_EQ(s.frame.height, 10);
  EXPECT_EQ(pw::CursorRow(s), 10);
  EXPECT_EQ(pw::CursorColumn(s), 40);
  // Wrapping and scrolling now happen at the new edges.
  pw::MoveCursor(s, 10, 1);
  pw::PrintText(s, Repeat('w', 40));
  EXPECT_TRUE(s.pending_wrap);

  pw::SetColours(s, 3, 15);
  pw::SetScreenSize(s, 9999, 9999);  // held to the largest model
  EXPECT_EQ(s.frame.width, 90);
  EXPECT_EQ(s.frame.height, 30);
  EXPECT_EQ(RowText(s, 10).substr(0, 40), Repeat('w', 40));
  EXPECT_EQ(RowAttrs(s, 10, 41, 41), "F3");  // came into view: blank, current colours
  EXPECT_EQ(RowAttrs(s, 30, 1, 1), "F3");
  EXPECT_EQ(CellAt(s, 30, 1).ch, ' ');
}

TEST(ConsoleScreen, WaitKeyLeavesTheKeyAndFlushDoesNothingOnAPipe) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "x");
  pw::WaitKey(s);
  pw::WaitKey(s);  // still there
  pw::FlushKeys(s);  // the input is not a terminal: nothing is discarded
  const pw::Key k = pw::TakeKey(s);
  EXPECT_EQ(k.kind, pw::KeyKind::Character);
  EXPECT_EQ(k.code, 'x');
  EXPECT_THROW(pw::WaitKey(s), pw::EndOfInput);
}

}  // namespace
