#include "actions/optimum_screen.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "geometry/alignment.h"
#include "screens/program_values.h"
#include "support/test_support.h"
#include "text/console_screen.h"

namespace {

constexpr char kClosing[] = "      Press any key to return to the main screen";

std::string Attrs(int count, const char* pair) {
  std::string a;
  for (int i = 0; i < count; ++i) a += pair;
  return a;
}

void RunAction1(pw::ConsoleScreen& s, pw::ProgramValues& v, const std::string& keys) {
  s = pw::ConsoleScreen{};
  pwtest::AttachScriptedKeys(s, keys);
  pw::RunOptimumAlignment(s, v);
}

TEST(OptimumScreen, RowsAndResultLineForBothWays) {
  struct Case {
    const char* name;
    std::string keys;
    std::vector<std::string> rows;  // rows 9 on, trimmed; every second row blank
    int result_row;
    std::string result;
  } cases[] = {
      {"arm length",
       "229\r60.325\r146.05\rx",
       {"      Effective arm length (mm)?          229", "      Inner recorded radius (mm)?         60.325",
        "      Outer recorded radius (mm)?         146.05"},
       17,
       "      Optimum overhang is 18.14 millimetres; optimum offset is 24.08 degrees"},
      {"pivot distance",
       "\r211\r60.325\r146.05\rx",
       {"      Effective arm length (mm)?", "      Pivot to spindle distance (mm)?     211",
        "      Inner recorded radius (mm)?         60.325", "      Outer recorded radius (mm)?         146.05"},
       19,
       "      Optimum overhang is 18.13 millimetres; optimum offset is 24.07 degrees"},
      {"arm length 222",
       "222\r60.325\r146.05\rx",
       {"      Effective arm length (mm)?          222", "      Inner recorded radius (mm)?         60.325",
        "      Outer recorded radius (mm)?         146.05"},
       17,
       "      Optimum overhang is 18.76 millimetres; optimum offset is 24.89 degrees"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction1(s, v, c.keys);
    EXPECT_EQ(pwtest::RowTrimmed(s, 2), "   Pivotwright v1.01");
    for (int row = 5; row <= 8; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "") << row;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      const int row = 9 + 2 * static_cast<int>(i);
      EXPECT_EQ(pwtest::RowTrimmed(s, row), c.rows[i]) << row;
      EXPECT_EQ(pwtest::RowTrimmed(s, row + 1), "") << row + 1;
    }
    for (int row = c.result_row - 3; row < c.result_row; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "");
    EXPECT_EQ(pwtest::RowTrimmed(s, c.result_row), c.result);
    // Labels dark grey, values black, on bright white.
    EXPECT_EQ(pwtest::RowAttrs(s, c.result_row, 1, 25), Attrs(25, "F8"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.result_row, 26, 32), Attrs(7, "F0"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.result_row, 33, 62), Attrs(30, "F8"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.result_row, 63, 69), Attrs(7, "F0"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.result_row, 70, 76), Attrs(7, "F8"));
    for (int row = c.result_row + 1; row < c.result_row + 7; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "");
    EXPECT_EQ(pwtest::RowTrimmed(s, c.result_row + 7), kClosing);
  }
}

TEST(OptimumScreen, LongOverhangIsCoveredByTheNextPiece) {
  // Both radii 1e6 and L 1e6: H = L exactly, printed " 1000000 " from
  // column 26; "millimetres" starts in column 33 over its last digits.
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction1(s, v, "1000000\r1000000\r1000000\rx");
  EXPECT_EQ(pwtest::RowText(s, 17).substr(25, 18), " 100000millimetres");
  EXPECT_EQ(pwtest::RowTrimmed(s, 17).substr(62), " 90    degrees");
}

TEST(OptimumScreen, MessagesInPlaceOfTheResult) {
  struct Case {
    const char* name;
    std::string keys;
    int row;
    std::string message;
  } cases[] = {
      {"neither dimension given", "\r\r60.325\r146.05\rx", 19,
       "      Give the effective arm length or the pivot to spindle distance"},
      {"arm too short", "50\r60.325\r146.05\rx", 17, "      No alignment exists for these dimensions"},
      {"arm length 0 typed", "0\r60.325\r146.05\rx", 17, "      No alignment exists for these dimensions"},
      {"radii both 0", "229\r0\r0\rx", 17, "      No alignment exists for these dimensions"},
      {"radii of both signs, short pivot", "\r10\r-60\r146\rx", 19,
       "      No alignment exists for these dimensions"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction1(s, v, c.keys);
    EXPECT_EQ(pwtest::RowTrimmed(s, c.row), c.message);
    EXPECT_EQ(pwtest::RowAttrs(s, c.row, 1, static_cast<int>(c.message.size())),
              Attrs(static_cast<int>(c.message.size()), "F8"));
    for (int row = c.row + 1; row < c.row + 7; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "");
    EXPECT_EQ(pwtest::RowTrimmed(s, c.row + 7), kClosing);
  }
}

TEST(OptimumScreen, EarlierOverhangIsNotReusedWhenNeitherDimensionIsGiven) {
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction1(s, v, "229\r60.325\r146.05\rx");
  EXPECT_EQ(v.arm_length.text, "229");
  EXPECT_NEAR(v.arm.overhang, 18.14, 0.005);
  EXPECT_NEAR(v.arm.pivot, 210.86, 0.005);
  // The arm length typed before is asked afresh: Enter alone leaves it empty.
  RunAction1(s, v, "\r\r60.325\r146.05\rx");
  EXPECT_EQ(pwtest::RowTrimmed(s, 19), "      Give the effective arm length or the pivot to spindle distance");
  EXPECT_EQ(v.arm_length.text, "");
  EXPECT_EQ(v.pivot.text, "");
}

TEST(OptimumScreen, BlankArmLengthCountsAsGiven) {
  // One blank is not an empty line: no pivot prompt, and L is 0.
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction1(s, v, " \r60.325\r146.05\rx");
  EXPECT_EQ(pwtest::RowTrimmed(s, 11), "      Inner recorded radius (mm)?         60.325");
  EXPECT_EQ(pwtest::RowTrimmed(s, 17), "      No alignment exists for these dimensions");
  EXPECT_EQ(v.arm_length.text, " ");
}

}  // namespace
