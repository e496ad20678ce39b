#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/console_plan.h"
#include "text/console_screen.h"

namespace {

using pw::ConsoleOp;
using Kind = pw::ConsoleOp::Kind;

// A console screen buffer as the API calls change it.
struct SimConsole {
  int cols = pw::kScreenCols;
  int rows = pw::kScreenRows;
  std::vector<pw::Cell> cells = std::vector<pw::Cell>(static_cast<std::size_t>(cols * rows), pw::Cell{'?', 0x4E});
  int cursor_row = 5;
  int cursor_col = 7;
  bool cursor_shown = true;
  int attr = 0x07;

  pw::Cell& At(int r, int c) { return cells[static_cast<std::size_t>(r * cols + c)]; }

  void Apply(const std::vector<ConsoleOp>& ops, const pw::Frame& f) {
    for (const ConsoleOp& op : ops) {
      switch (op.kind) {
        case Kind::Fill:
          for (int i = 0; i < op.count; ++i) {
            const int at = op.row * cols + op.col + i;
            if (at < cols * rows) cells[static_cast<std::size_t>(at)] = op.cell;
          }
          break;
        case Kind::Scroll:
          for (int r = 0; r + op.count < f.height; ++r)
            for (int c = 0; c < f.width; ++c) At(r, c) = At(r + op.count, c);
          for (int r = f.height - op.count; r < f.height; ++r)
            for (int c = 0; c < f.width; ++c) At(r, c) = op.cell;
          break;
        case Kind::Write:
          for (int i = 0; i < op.count; ++i) At(op.row, op.col + i) = f.cells[op.row][op.col + i];
          break;
        case Kind::Cursor:
          cursor_row = op.row;
          cursor_col = op.col;
          break;
        case Kind::CursorShow:
          cursor_shown = op.count != 0;
          break;
        case Kind::Attribute:
          attr = op.cell.attr;
          break;
      }
    }
  }

  // Whether the buffer shows exactly the frame (its cells, cursor and
  // visibility, and the attribute of the cell under the cursor in force).
  ::testing::AssertionResult Shows(const pw::Frame& f) {
    for (int r = 0; r < f.height; ++r)
      for (int c = 0; c < f.width; ++c)
        if (!(At(r, c) == f.cells[r][c]))
          return ::testing::AssertionFailure() << "cell " << r << "," << c << " differs";
    if (cursor_row != f.cursor_row || cursor_col != f.cursor_col)
      return ::testing::AssertionFailure() << "cursor at " << cursor_row << "," << cursor_col;
    if (cursor_shown != f.cursor_visible) return ::testing::AssertionFailure() << "cursor visibility";
    if (attr != f.cells[f.cursor_row][f.cursor_col].attr) return ::testing::AssertionFailure() << "attribute";
    return ::testing::AssertionSuccess();
  }
};

struct Harness {
  SimConsole sim;
  pw::ConsoleView view;
  std::vector<ConsoleOp> ops;

  // Shows the screen's frame; the calls made are left in `ops`.
  void Show(const pw::ConsoleScreen& s) {
    ops.clear();
    pw::PlanConsoleFrame(view, s.frame, sim.cols, ops);
    sim.Apply(ops, s.frame);
  }
  int Count(Kind k) const {
    return static_cast<int>(std::count_if(ops.begin(), ops.end(), [&](const ConsoleOp& op) { return op.kind == k; }));
  }
};

// The program's first screen: colours, a clear, a few lines.
void StartScreen(pw::ConsoleScreen& s) {
  pw::SetColours(s, pw::kBlack, pw::kBrightWhite);
  pw::ClearScreen(s);
  pw::EndLine(s);
  pw::PrintText(s, "   Pivotwright v1.01");
  pw::EndLine(s);
  pw::MoveCursor(s, 25, 1);
  pw::PrintText(s, "         ");
}

TEST(ConsolePlan, FirstFrameClearsOnceAndWritesOnlyText) {
  Harness h;
  pw::ConsoleScreen s;
  StartScreen(s);
  h.Show(s);
  EXPECT_TRUE(h.sim.Shows(s.frame));
  ASSERT_FALSE(h.ops.empty());
  EXPECT_EQ(h.ops[0], (ConsoleOp{Kind::Fill, 0, 0, 90 * 30, pw::Cell{' ', 0xF0}}));
  EXPECT_EQ(h.Count(Kind::Write), 1);  // the one row with text
  EXPECT_EQ(h.Count(Kind::Cursor), 1);
  EXPECT_EQ(h.Count(Kind::CursorShow), 1);
  EXPECT_EQ(h.Count(Kind::Attribute), 1);
}

TEST(ConsolePlan, EchoingAKeyWritesOneCell) {
  Harness h;
  pw::ConsoleScreen s;
  StartScreen(s);
  h.Show(s);
  pw::PrintText(s, "4");
  h.Show(s);
  EXPECT_TRUE(h.sim.Shows(s.frame));
  const std::vector<ConsoleOp> expected = {
      {Kind::Write, 24, 9, 1, pw::Cell{}},
      {Kind::Cursor, 24, 10, 0, pw::Cell{}},
  };
  EXPECT_EQ(h.ops, expected);
  // Nothing changed: nothing to do.
  h.Show(s);
  EXPECT_TRUE(h.ops.empty());
}

TEST(ConsolePlan, LineEndOnTheBottomRowScrolls) {
  for (const bool pending_wrap : {false, true}) {
    SCOPED_TRACE(pending_wrap);
    Harness h;
    pw::ConsoleScreen s;
    StartScreen(s);
    for (int r = 1; r <= 30; ++r) {
      pw::MoveCursor(s, r, 1);
      pw::PrintText(s, "row " + std::to_string(r));
    }
    pw::MoveCursor(s, 30, 1);
    if (pending_wrap) pw::PrintText(s, std::string(90, 'x'));
    h.Show(s);
    pw::EndLine(s);
    h.Show(s);
    EXPECT_TRUE(h.sim.Shows(s.frame));
    ASSERT_EQ(h.Count(Kind::Scroll), 1);
    EXPECT_EQ(h.ops[0].kind, Kind::Scroll);
    EXPECT_EQ(h.ops[0].count, pending_wrap ? 2 : 1);
    EXPECT_EQ(h.Count(Kind::Write), 0);  // the freed rows are blank already
  }
}

TEST(ConsolePlan, ClearingAFullScreenIsOneFill) {
  Harness h;
  pw::ConsoleScreen s;
  StartScreen(s);
  for (int r = 1; r <= 30; ++r) {
    pw::MoveCursor(s, r, 1);
    pw::PrintText(s, std::string(90, static_cast<char>('A' + r % 26)));
  }
  h.Show(s);
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::ClearScreen(s);
  h.Show(s);
  EXPECT_TRUE(h.sim.Shows(s.frame));
  EXPECT_EQ(h.Count(Kind::Fill), 1);
  EXPECT_EQ(h.Count(Kind::Write), 0);
}

TEST(ConsolePlan, CursorAndAttributeFollowTheFrame) {
  Harness h;
  pw::ConsoleScreen s;
  StartScreen(s);
  h.Show(s);
  pw::HideCursor(s);
  h.Show(s);
  EXPECT_EQ(h.ops, (std::vector<ConsoleOp>{{Kind::CursorShow, 0, 0, 0, pw::Cell{}}}));
  // A cell of other colours under the cursor changes the attribute in force.
  pw::SetColours(s, pw::kDarkGrey, pw::kBrightWhite);
  pw::MoveCursor(s, 10, 1);
  pw::PrintText(s, "ab");
  pw::MoveCursor(s, 10, 2);
  h.Show(s);
  EXPECT_TRUE(h.sim.Shows(s.frame));
  EXPECT_EQ(h.Count(Kind::Attribute), 1);
}

TEST(ConsolePlan, ABufferWiderThanTheFrameIsFilledRowByRow) {
  Harness h;
  h.sim.cols = 120;
  h.sim.cells.assign(120 * 30, pw::Cell{'?', 0x4E});
  pw::ConsoleScreen s;
  StartScreen(s);
  h.Show(s);
  EXPECT_TRUE(h.sim.Shows(s.frame));
  EXPECT_EQ(h.Count(Kind::Fill), 30);
  EXPECT_EQ(h.sim.At(0, 100).ch, '?');  // beyond the frame: untouched
}

TEST(ConsolePlan, ForgottenViewRepaintsEverything) {
  Harness h;
  pw::ConsoleScreen s;
  StartScreen(s);
  h.Show(s);
  std::fill(h.sim.cells.begin(), h.sim.cells.end(), pw::Cell{'#', 0x1F});  // someone else wrote
  h.view.known = false;
  h.Show(s);
  EXPECT_TRUE(h.sim.Shows(s.frame));
}

// Random screens, as the model makes them, always come out exactly.
TEST(ConsolePlan, RandomOperationsAlwaysShowTheFrame) {
  std::mt19937 random(20261209);
  Harness h;
  pw::ConsoleScreen s;
  StartScreen(s);
  h.Show(s);
  for (int step = 0; step < 3000; ++step) {
    switch (random() % 9) {
      case 0:
        pw::ClearScreen(s);
        break;
      case 1:
      case 2:
        pw::EndLine(s);
        break;
      case 3:
        pw::MoveCursor(s, static_cast<int>(random() % 32), static_cast<int>(random() % 92));
        break;
      case 4:
        pw::SetColours(s, random() % 2 ? pw::kBlack : pw::kDarkGrey, pw::kBrightWhite);
        break;
      case 5:
        s.frame.cursor_visible = !s.frame.cursor_visible;
        break;
      default: {
        std::string text(random() % 200, ' ');
        for (char& c : text) c = static_cast<char>(32 + random() % 224);
        pw::PrintText(s, text);
      }
    }
    if (random() % 3 == 0) {
      h.Show(s);
      ASSERT_TRUE(h.sim.Shows(s.frame)) << "step " << step;
    }
  }
}

TEST(ConsolePlan, RowBelowText) {
  pw::ConsoleScreen s;
  StartScreen(s);
  EXPECT_EQ(pw::RowBelowText(s.frame), 2);  // the name on row 2 (index 1)
  pw::MoveCursor(s, 30, 5);
  pw::PrintText(s, "x");
  EXPECT_EQ(pw::RowBelowText(s.frame), 30);
  pw::ClearScreen(s);
  EXPECT_EQ(pw::RowBelowText(s.frame), 0);
}

}  // namespace
