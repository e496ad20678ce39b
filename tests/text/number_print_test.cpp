// A number printed at the cursor in its default text.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "text/console_screen.h"
#include "text/number_text.h"

namespace {

TEST(PrintNumber, PrintsTheDefaultTextWithItsBlanksAtTheCursor) {
  pw::ConsoleScreen s;
  pwtest::AttachScriptedKeys(s, "");
  SetScreenSize(s, 90, 30);
  SetColours(s, pw::kBlack, pw::kBrightWhite);
  ClearScreen(s);
  MoveCursor(s, 5, 10);
  pw::PrintNumber(s, -0.25);
  pw::PrintNumber(s, 12.5);
  EXPECT_EQ(pwtest::RowTrimmed(s, 5), std::string(9, ' ') + "-.25  12.5");
  // The trailing blank is printed too: the cursor stands after it.
  EXPECT_EQ(pw::CursorColumn(s), 10 + 5 + 6);
  // In the current colours, black on bright white, blanks included.
  EXPECT_EQ(pwtest::RowAttrs(s, 5, 10, 20), "F0F0F0F0F0F0F0F0F0F0F0");
}

}  // namespace
