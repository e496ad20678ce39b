#include "actions/null_radii_screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <string>

#include "geometry/alignment.h"
#include "support/test_support.h"

namespace {

constexpr char kClosing[] = "      Press any key to return to the main screen";
constexpr char kQuestion[] =
    "      Do you wish to draw an alignment protractor using these dimensions [Y/N]?";
constexpr char kSaved[] = "      The drawing has been saved as protractor.emf in the parent directory";

std::string Attrs(int count, const char* pair) {
  std::string a;
  for (int i = 0; i < count; ++i) a += pair;
  return a;
}

// Runs action 2 in `dir` with the scripted keys (ending with the closing
// key).
void RunAction2(pw::ConsoleScreen& s, pw::ProgramValues& v, const std::string& dir,
                const std::string& keys) {
  pwtest::ScopedChdir here(dir);
  pwtest::AttachScriptedKeys(s, keys);
  pw::RunNullRadiiScreen(s, v);
}

TEST(NullRadiiScreen, WorkedExampleShowsTheRadiiDrawsAndSaysWhereTheFileWent) {
  pwtest::TempDir dir;
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction2(s, v, dir.path, "60.325\r146.05\rY\rx");
  EXPECT_EQ(pwtest::RowTrimmed(s, 9), "      Inner recorded radius (mm)?         60.325");
  EXPECT_EQ(pwtest::RowTrimmed(s, 11), "      Outer recorded radius (mm)?         146.05");
  EXPECT_EQ(pwtest::RowTrimmed(s, 15),
            "      The optimum zero tracking error radii are 66 and 120.89 millimetres");
  // Label grey, the blank-led inner value black, "and" grey, the outer value
  // black, "millimetres" grey; the unwritten separating columns stay blank.
  EXPECT_EQ(pwtest::RowAttrs(s, 15, 1, 47), Attrs(47, "F8"));
  EXPECT_EQ(pwtest::RowAttrs(s, 15, 48, 50), Attrs(3, "F0"));
  EXPECT_EQ(pwtest::RowAttrs(s, 15, 52, 54), Attrs(3, "F8"));
  EXPECT_EQ(pwtest::RowAttrs(s, 15, 55, 61), Attrs(7, "F0"));
  EXPECT_EQ(pwtest::RowAttrs(s, 15, 63, 73), Attrs(11, "F8"));
  EXPECT_EQ(pwtest::RowTrimmed(s, 18), std::string(kQuestion) + " Y");
  EXPECT_EQ(pwtest::RowAttrs(s, 18, 1, 80), Attrs(80, "F8"));
  EXPECT_EQ(pwtest::RowAttrs(s, 18, 81, 81), "F0");
  EXPECT_EQ(pwtest::RowTrimmed(s, 20), kSaved);
  EXPECT_EQ(pwtest::RowAttrs(s, 20, 1, 35), Attrs(35, "F8"));
  EXPECT_EQ(pwtest::RowAttrs(s, 20, 37, 50), Attrs(14, "F0"));
  EXPECT_EQ(pwtest::RowAttrs(s, 20, 52, 74), Attrs(23, "F8"));
  for (int row = 21; row <= 26; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "") << row;
  EXPECT_EQ(pwtest::RowTrimmed(s, 27), kClosing);
  EXPECT_TRUE(pwtest::FileExists(dir.path + "/protractor.emf"));
  EXPECT_EQ(v.answer, "Y");
  EXPECT_EQ(v.inner_radius.text, "60.325");
  EXPECT_DOUBLE_EQ(v.outer_radius.number, 146.05);
  EXPECT_NEAR(v.null_radii.inner, 65.998, 1e-3);
  EXPECT_NEAR(v.null_radii.outer, 120.891, 1e-3);
}

TEST(NullRadiiScreen, AnswersOtherThanYOrNAreRejectedWithTwoBeepsEach) {
  struct Case {
    const char* answers;  // the typed answers, each ended by Enter
    int rejected;
    const char* answer;
    bool drawn;
  } cases[] = {
      {"y\r", 0, "Y", true},
      {"n\r", 0, "N", false},
      {"N\r", 0, "N", false},
      {"yes\r y\rY \r0\r\rn\r", 5, "N", false},
      {"Yy\rY\r", 1, "Y", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers);
    pwtest::TempDir dir;
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction2(s, v, dir.path, std::string("60.325\r146.05\r") + c.answers + "x");
    EXPECT_EQ(pwtest::Beeps(s), 2 * c.rejected);
    EXPECT_EQ(v.answer, c.answer);
    EXPECT_EQ(pwtest::FileExists(dir.path + "/protractor.emf"), c.drawn);
    // The question stays on row 18, asked over itself.
    EXPECT_EQ(pwtest::RowText(s, 18).substr(0, 80), std::string(kQuestion) + " ");
    EXPECT_EQ(pwtest::RowTrimmed(s, c.drawn ? 27 : 25), kClosing);
    if (!c.drawn) {
      EXPECT_EQ(pwtest::RowTrimmed(s, 20), "");
    }
  }
}

TEST(NullRadiiScreen, AnswerNLeavesAnExistingDrawingUntouched) {
  pwtest::TempDir dir;
  pwtest::WriteFileBytes(dir.path + "/protractor.emf", "earlier drawing");
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction2(s, v, dir.path, "60.325\r146.05\rn\rx");
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/protractor.emf"), "earlier drawing");
  EXPECT_EQ(pwtest::RowTrimmed(s, 25), kClosing);
}

TEST(NullRadiiScreen, FailedWriteIsShownInsteadOfTheSavedMessage) {
  pwtest::TempDir dir;
  // A directory in the file's place makes the final rename fail, for root
  // too.
  std::filesystem::create_directory(dir.path + "/protractor.emf");
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction2(s, v, dir.path, "60.325\r146.05\rY\rx");
  const std::string failure =
      "      The drawing could not be saved as protractor.emf: Is a directory";
  EXPECT_EQ(pwtest::RowTrimmed(s, 20), failure);
  EXPECT_EQ(pwtest::RowAttrs(s, 20, 1, static_cast<int>(failure.size())),
            Attrs(static_cast<int>(failure.size()), "F8"));
  EXPECT_EQ(pwtest::RowTrimmed(s, 27), kClosing);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path + "/protractor.emf"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(NullRadiiScreen, ResultColumnsFollowTheLengthsOfTheShownTexts) {
  struct Case {
    const char* keys;
    const char* row15;
  } cases[] = {
      // Swapped radii are used as typed: the larger null radius comes first.
      {"146.05\r60.325\r", "      The optimum zero tracking error radii are 120.89 and 66 millimetres"},
      // Both radii 0 give not-a-number null radii, shown as 0.
      {"\r\r", "      The optimum zero tracking error radii are 0 and 0 millimetres"},
      {"5\r95\r", "      The optimum zero tracking error radii are 5.81 and 26.13 millimetres"},
      // A negative value's sign takes the place of the blank.
      {"-5\r95\r", "      The optimum zero tracking error radii are-5.91 and-49.25 millimetres"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    pwtest::TempDir dir;
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction2(s, v, dir.path, std::string(c.keys) + "n\rx");
    EXPECT_EQ(pwtest::RowTrimmed(s, 15), c.row15);
  }
}

TEST(NullRadiiScreen, WrappedEntryMovesTheLabelDownButNotTheValuesOrTheQuestion) {
  pwtest::TempDir dir;
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  const std::string long_inner = "60.325" + std::string(42, '0');  // 48 characters
  RunAction2(s, v, dir.path, long_inner + "\r146.05\rY\rx");
  EXPECT_EQ(pwtest::RowTrimmed(s, 15).substr(47), " 66 and 120.89 millimetres");
  EXPECT_EQ(pwtest::RowTrimmed(s, 16), "      The optimum zero tracking error radii are");
  EXPECT_EQ(pwtest::RowTrimmed(s, 18), std::string(kQuestion) + " Y");
  EXPECT_EQ(pwtest::RowTrimmed(s, 20), kSaved);
  EXPECT_EQ(pwtest::RowTrimmed(s, 27), kClosing);
}

}  // namespace
