#include "text/line_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/device.h"
#include "platform/frame.h"
#include "support/test_support.h"

namespace {

using pw::CellAt;
using pwtest::RowAttrs;
using pwtest::RowText;
using pwtest::RowTrimmed;

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

// A cleared black-on-bright-white screen whose keys come from `keys`, with
// the cursor at (row, col).
void Prepare(pw::ConsoleScreen& s, std::string_view keys, int row, int col) {
  pwtest::AttachScriptedKeys(s, keys);
  pw::SetColours(s, pw::kBlack, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::SetScreenSize(s, 90, 30);
  pw::MoveCursor(s, row, col);
}

TEST(ReadLine, ReturnsTheLineAsTypedAndEditsWithBackspace) {
  struct Case {
    const char* name;
    std::string keys;
    std::string want_line;
    std::string want_row;  // row 5 afterwards, trailing blanks removed
  };
  const Case cases[] = {
      {"enter alone", "\r", "", "abcd"},
      {"backspace erases", "12\x7f" "3\r", "13", "abcd13"},
      {"ctrl+h is backspace", "12\x08" "3\r", "13", "abcd13"},
      {"backspace on empty line", "\x7f\x7f" "ab\r", "ab", "abcdab"},
      {"erase everything and more", "ab\x7f\x7f\x7f\r", "", "abcd"},
      {"blanks and case kept", " 1 Ab \r", " 1 Ab ", "abcd 1 Ab"},
      {"control codes ignored", "a\t\x03\x01\x1a" "b\r", "ab", "abcdab"},
      {"cursor and function keys ignored", "a\x1b[A\x1b[1;5C\x1bOP\x1b[15~" "b\r", "ab", "abcdab"},
      {"alt+key ignored", "a\x1bxb\r", "ab", "abcdab"},
      {"bytes above 127 kept", "\xe9\xff\r", "\xe9\xff", "abcd\xe9\xff"},
  };
  for (const Case& c : cases) {
    pw::ConsoleScreen s;
    Prepare(s, c.keys, 5, 1);
    pw::PrintText(s, "abcd");
    EXPECT_EQ(pw::ReadLine(s), c.want_line) << c.name;
    EXPECT_EQ(RowTrimmed(s, 5), c.want_row) << c.name;
    EXPECT_EQ(pw::CursorRow(s), 6) << c.name;
    EXPECT_EQ(pw::CursorColumn(s), 1) << c.name;
  }
}

TEST(ReadLine, EchoesInTheCurrentColoursAndErasesInThem) {
  pw::ConsoleScreen s;
  Prepare(s, "12\x7f" "3\r", 9, 43);
  pw::SetColours(s, 1, 15);
  EXPECT_EQ(pw::ReadLine(s), "13");
  EXPECT_EQ(RowText(s, 9).substr(42, 3), "13 ");
  EXPECT_EQ(RowAttrs(s, 9, 42, 45), "F0F1F1F0");
}

TEST(ReadLine, LineRunsOnPastColumn90AndBackspaceReturnsAcrossTheRow) {
  pw::ConsoleScreen s;
  // Ten characters from column 85: six on row 10, four on row 11; five
  // Backspaces erase the four and then the one in column 90 above.
  Prepare(s, "0123456789\x7f\x7f\x7f\x7f\x7f" "X\r", 10, 85);
  EXPECT_EQ(pw::ReadLine(s), "01234X");
  EXPECT_EQ(RowText(s, 10).substr(84), "01234X");
  EXPECT_EQ(RowTrimmed(s, 11), "");
  // "X" filled column 90, so the cursor had wrapped to row 11 before Enter.
  EXPECT_EQ(pw::CursorRow(s), 12);
}

TEST(ReadLine, BackspaceOverAPendingWrapOnTheBottomRow) {
  pw::ConsoleScreen s;
  Prepare(s, "abc\x7fZ\r", 30, 88);
  pw::MoveCursor(s, 29, 1);
  pw::PrintText(s, "mid");
  pw::MoveCursor(s, 30, 88);
  EXPECT_EQ(pw::ReadLine(s), "abZ");
  // Only the Enter scrolled (twice: a pending wrap, then the line end).
  EXPECT_EQ(RowTrimmed(s, 27), "mid");
  EXPECT_EQ(RowText(s, 28).substr(87), "abZ");
  EXPECT_EQ(RowTrimmed(s, 29), "");
  EXPECT_EQ(RowTrimmed(s, 30), "");
  EXPECT_EQ(pw::CursorRow(s), 30);
}

TEST(ReadLine, BackspaceRightAfterAPendingWrapDoesNotScroll) {
  pw::ConsoleScreen s;
  Prepare(s, "abc\x7f\x7f\x7f\x7fq\r", 30, 88);
  pw::MoveCursor(s, 29, 1);
  pw::PrintText(s, "mid");
  pw::MoveCursor(s, 30, 88);
  EXPECT_EQ(pw::ReadLine(s), "q");
  // "q" was typed at column 88 of the same row; only Enter scrolled, once.
  EXPECT_EQ(RowTrimmed(s, 28), "mid");
  EXPECT_EQ(RowText(s, 29).substr(87), "q  ");
  EXPECT_EQ(RowTrimmed(s, 30), "");
}

TEST(ReadLine, DropsCharactersBeyond10000Bytes) {
  pw::ConsoleScreen s;
  // 10,001 characters, then Backspace and one more, then Enter.
  Prepare(s, Repeat('x', 10001) + "\x7fy\r", 1, 1);
  const std::string line = pw::ReadLine(s);
  EXPECT_EQ(line.size(), 10000u);
  EXPECT_EQ(line, Repeat('x', 9999) + "y");

  // 10,000 bytes from column 1 fill 111 rows and 10 cells; the dropped byte
  // was not echoed, so the last row holds exactly ten characters.
  pw::ConsoleScreen t;
  Prepare(t, Repeat('x', 10001) + "\r", 1, 1);
  EXPECT_EQ(pw::ReadLine(t).size(), 10000u);
  EXPECT_EQ(RowTrimmed(t, 29), Repeat('x', 10));
  EXPECT_EQ(RowText(t, 28), Repeat('x', 90));
}

TEST(ReadLine, ShowsTheCursorOnlyWhileTyping) {
  pw::ConsoleScreen hidden;
  Prepare(hidden, "a\r", 1, 1);
  pw::HideCursor(hidden);
  pw::ReadLine(hidden);
  EXPECT_FALSE(hidden.frame.cursor_visible);

  pw::ConsoleScreen shown;
  Prepare(shown, "a\r", 1, 1);
  pw::ReadLine(shown);
  EXPECT_TRUE(shown.frame.cursor_visible);
}

TEST(ReadLine, EndOfInputBeforeEnterThrowsAndHidesTheCursorAgain) {
  pw::ConsoleScreen s;
  Prepare(s, "12", 1, 1);
  pw::HideCursor(s);
  EXPECT_THROW(pw::ReadLine(s), pw::EndOfInput);
  EXPECT_FALSE(s.frame.cursor_visible);
  EXPECT_EQ(RowTrimmed(s, 1), "12");
}

}  // namespace
