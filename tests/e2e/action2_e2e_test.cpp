#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "drawing/emf_walk.h"
#include "e2e/tmux_session.h"
#include "support/test_support.h"

namespace {

constexpr char kQuestion[] =
    "      Do you wish to draw an alignment protractor using these dimensions [Y/N]?";
constexpr char kClosing[] = "      Press any key to return to the main screen";
constexpr char kSaved[] = "      The drawing has been saved as protractor.emf in the parent directory";

// Starts the program in `dir`, chooses action 2 and types the two radii;
// returns once the question is up.
void StartAction2(pwtest::TmuxSession& t, const char* inner, const char* outer) {
  ASSERT_TRUE(t.started);
  ASSERT_TRUE(t.WaitForText("Select an action"));
  t.Keys("2 Enter");
  ASSERT_TRUE(t.WaitForRow(9, "      Inner recorded radius (mm)?"));
  t.Literal(inner);
  t.Keys("Enter");
  ASSERT_TRUE(t.WaitForRow(11, "      Outer recorded radius (mm)?"));
  t.Literal(outer);
  t.Keys("Enter");
  ASSERT_TRUE(t.WaitForRow(18, kQuestion));
}

TEST(Action2EndToEnd, DrawingSavedAndRowsAsTheUserSeesThem) {
  if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not available";
  pwtest::TempDir dir;
  pwtest::WriteFileBytes(dir.path + "/protractor.emf", "earlier drawing");
  pwtest::TmuxSession t(pwtest::ProgramIn(dir.path));
  StartAction2(t, "60.325", "146.05");
  const pwtest::ScreenShot asked = t.Screen();
  EXPECT_EQ(asked.Text(15), "      The optimum zero tracking error radii are 66 and 120.89 millimetres");
  // Values in one colour, labels in the other, on one background.
  EXPECT_NE(asked.At(15, 49).fg, asked.At(15, 10).fg);
  EXPECT_EQ(asked.At(15, 49).fg, asked.At(15, 56).fg);
  EXPECT_EQ(asked.At(15, 52).fg, asked.At(15, 10).fg);
  EXPECT_EQ(asked.At(15, 63).fg, asked.At(15, 10).fg);
  EXPECT_EQ(asked.At(15, 49).bg, asked.At(15, 10).bg);

  t.Keys("y Enter");  // lower case counts as "Y"
  ASSERT_TRUE(t.WaitForRow(27, kClosing));
  const pwtest::ScreenShot done = t.Screen();
  EXPECT_EQ(done.Text(18), std::string(kQuestion) + " y");
  EXPECT_EQ(done.Text(20), kSaved);
  EXPECT_NE(done.At(20, 37).fg, done.At(20, 10).fg);
  std::string problems;
  const auto records =
      emftest::WalkRecords(pwtest::ReadFileBytes(dir.path + "/protractor.emf"), &problems);
  EXPECT_EQ(problems, "");
  EXPECT_EQ(records.size(), 86u);

  t.Keys("x");
  EXPECT_TRUE(t.WaitForText("Select an action"));
  t.Keys("4 Enter");
}

TEST(Action2EndToEnd, RejectedAnswersAskAgainAndNLeavesTheFileAlone) {
  if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not available";
  pwtest::TempDir dir;
  pwtest::WriteFileBytes(dir.path + "/protractor.emf", "earlier drawing");
  pwtest::TmuxSession t(pwtest::ProgramIn(dir.path));
  StartAction2(t, "60.325", "146.05");
  t.Literal("yes");
  t.Keys("Enter");
  // Asked again on the same row; the rejected text stays until covered.
  ASSERT_TRUE(t.WaitForRow(18, std::string(kQuestion) + " yes"));
  t.Literal(" y");
  t.Keys("Enter");
  ASSERT_TRUE(t.WaitForRow(18, std::string(kQuestion) + "  ys"));
  t.Keys("n Enter");
  ASSERT_TRUE(t.WaitForRow(25, kClosing));
  const pwtest::ScreenShot shot = t.Screen();
  EXPECT_EQ(shot.Text(20), "");
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/protractor.emf"), "earlier drawing");
  t.Keys("x");
  EXPECT_TRUE(t.WaitForText("Select an action"));
  t.Keys("4 Enter");
}

TEST(Action2EndToEnd, UnwritableDirectoryShowsTheFailureAndKeepsTheOldFile) {
  if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not available";
  if (geteuid() == 0) {
    GTEST_SKIP() << "directory permissions do not stop root; the failure row is covered by "
                    "FileInTheWayShowsTheFailureRow and the in-process screen tests";
  }
  pwtest::TempDir dir;
  pwtest::WriteFileBytes(dir.path + "/protractor.emf", "earlier drawing");
  ASSERT_EQ(chmod(dir.path.c_str(), 0555), 0);
  pwtest::TmuxSession t(pwtest::ProgramIn(dir.path));
  StartAction2(t, "60.325", "146.05");
  t.Keys("Y Enter");
  ASSERT_TRUE(t.WaitForRow(27, kClosing));
  EXPECT_EQ(t.Screen().Text(20),
            "      The drawing could not be saved as protractor.emf: Permission denied");
  chmod(dir.path.c_str(), 0755);
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/protractor.emf"), "earlier drawing");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                          std::filesystem::directory_iterator()),
            1);
  t.Keys("x");
  t.Keys("4 Enter");
}

TEST(Action2EndToEnd, FileInTheWayShowsTheFailureRow) {
  if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not available";
  pwtest::TempDir dir;
  // A directory where the file should go stops the rename for every user.
  std::filesystem::create_directory(dir.path + "/protractor.emf");
  pwtest::WriteFileBytes(dir.path + "/protractor.emf/inside", "kept");
  pwtest::TmuxSession t(pwtest::ProgramIn(dir.path));
  StartAction2(t, "60.325", "146.05");
  t.Keys("Y Enter");
  ASSERT_TRUE(t.WaitForRow(27, kClosing));
  const pwtest::ScreenShot shot = t.Screen();
  EXPECT_EQ(shot.Text(20), "      The drawing could not be saved as protractor.emf: Is a directory");
  EXPECT_EQ(shot.At(20, 10).fg, shot.At(27, 10).fg) << "in the message colour";
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/protractor.emf/inside"), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                          std::filesystem::directory_iterator()),
            1);
  t.Keys("x");
  t.Keys("4 Enter");
}

}  // namespace
