#include <string>

#include <gtest/gtest.h>

#include "e2e/tmux_session.h"
#include "support/test_support.h"

namespace {

TEST(Action3EndToEnd, TypedSetUpWritesBothFiles) {
  if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not available";
  pwtest::TempDir dir;
  pwtest::TmuxSession t(pwtest::ProgramIn(dir.path));
  ASSERT_TRUE(t.started);
  ASSERT_TRUE(t.WaitForText("Select an action"));

  t.Keys("3 Enter");
  const struct {
    int row;
    const char* prompt;
    const char* typed;
  } entries[] = {
      {9, "      Effective arm length (mm)?", "240"},  {11, "      Overhang (mm)?", "16"},
      {13, "      Offset (degrees)?", "22"},            {15, "      Inner recorded radius (mm)?", "60"},
      {17, "      Outer recorded radius (mm)?", "146"},
  };
  for (const auto& e : entries) {
    ASSERT_TRUE(t.TypeAt(e.row, e.prompt, e.typed)) << e.prompt;
  }

  ASSERT_TRUE(t.WaitForRow(27, "      Press any key to return to the main screen"));
  const pwtest::ScreenShot shot = t.Screen();
  EXPECT_EQ(shot.Text(20), "      The data has been saved to data.txt and graph.txt in the parent directory");
  EXPECT_EQ(shot.Text(15), "      Inner recorded radius (mm)?         60");
  EXPECT_NE(shot.At(20, 35).fg, shot.At(20, 8).fg);  // "data.txt" stands out

  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/data.txt"),
            pwtest::ReadFileBytes(pwtest::ReferencePath("action3/arm-240/data.txt")));
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/graph.txt"),
            pwtest::ReadFileBytes(pwtest::ReferencePath("action3/arm-240/graph.txt")));

  t.Keys("Enter");
  ASSERT_TRUE(t.WaitForText("Select an action"));
  t.Keys("4 Enter");
}

}  // namespace
