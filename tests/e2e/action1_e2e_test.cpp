#include <string>

#include <gtest/gtest.h>

#include "e2e/tmux_session.h"
#include "support/test_support.h"

namespace {

TEST(Action1EndToEnd, ResultRowThenBackToTheMainScreenWithTypeAheadDiscarded) {
  if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not available";
  pwtest::TempDir dir;
  pwtest::TmuxSession t(pwtest::ProgramIn(dir.path));
  ASSERT_TRUE(t.started);
  ASSERT_TRUE(t.WaitForText("Select an action"));

  t.Keys("1 Enter");
  ASSERT_TRUE(t.TypeAt(9, "      Effective arm length (mm)?", "229"));
  ASSERT_TRUE(t.TypeAt(11, "      Inner recorded radius (mm)?", "60.325"));
  ASSERT_TRUE(t.WaitForRow(13, "      Outer recorded radius (mm)?"));
  // The last entry, then keys typed ahead of the closing prompt: the first
  // ends the wait, the rest must not reach the main screen's entry.
  t.Literal("146.05");
  t.Keys("Enter 8 9");

  // The "8" waiting when the closing prompt is printed ends the wait at once
  // and the main screen follows; the "9" is discarded with it.
  ASSERT_TRUE(t.WaitForText("Select an action"));
  const pwtest::ScreenShot main = t.Screen();
  EXPECT_FALSE(main.Contains("9"));  // the menu has no 9; a leaked key would show

  // "4" alone quits; with "9" left over the choice would be "94".
  t.Keys("4 Enter");
  EXPECT_TRUE(t.WaitForExit());
}

TEST(Action1EndToEnd, ResultRowAsTheUserSeesIt) {
  if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not available";
  pwtest::TempDir dir;
  pwtest::TmuxSession t(pwtest::ProgramIn(dir.path));
  ASSERT_TRUE(t.started);
  ASSERT_TRUE(t.WaitForText("Select an action"));

  t.Keys("1 Enter");
  ASSERT_TRUE(t.TypeAt(9, "      Effective arm length (mm)?", ""));  // no arm length: the pivot distance is asked
  ASSERT_TRUE(t.TypeAt(11, "      Pivot to spindle distance (mm)?", "211"));
  ASSERT_TRUE(t.TypeAt(13, "      Inner recorded radius (mm)?", "60.325"));
  ASSERT_TRUE(t.TypeAt(15, "      Outer recorded radius (mm)?", "146.05"));

  ASSERT_TRUE(t.WaitForRow(26, "      Press any key to return to the main screen"));
  const pwtest::ScreenShot shot = t.Screen();
  EXPECT_EQ(shot.Text(19), "      Optimum overhang is 18.13 millimetres; optimum offset is 24.07 degrees");
  // Values and labels in their two colours, on one background.
  EXPECT_NE(shot.At(19, 28).fg, shot.At(19, 8).fg);
  EXPECT_EQ(shot.At(19, 28).fg, shot.At(19, 64).fg);
  EXPECT_EQ(shot.At(19, 40).fg, shot.At(19, 8).fg);
  EXPECT_EQ(shot.At(19, 28).bg, shot.At(19, 8).bg);

  t.Keys("Space");
  ASSERT_TRUE(t.WaitForText("Select an action"));
  EXPECT_FALSE(t.Screen().Contains("Optimum overhang"));
  t.Keys("4 Enter");
  EXPECT_TRUE(t.WaitForExit());
}

}  // namespace
