#include "platform/console_plan.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace pw {

namespace {

// Unchanged cells between two changed ones that are written again rather
// than starting a second write.
constexpr int kJoinGap = 8;
// A run of one cell value at least this long is filled instead of written.
constexpr int kFillRun = 16;
// How many rows a frame may have scrolled by since the last one shown (a
// line end on the bottom row scrolls once, twice with a pending wrap).
constexpr int kMaxScroll = 2;

bool RowsEqual(const Frame& a, int ra, const Frame& b, int rb) {
  return std::equal(a.cells[ra], a.cells[ra] + a.width, b.cells[rb]);
}

int ChangedCells(const Frame& shown, const Frame& next) {
  int n = 0;
  for (int r = 0; r < next.height; ++r)
    for (int c = 0; c < next.width; ++c) n += shown.cells[r][c] == next.cells[r][c] ? 0 : 1;
  return n;
}

void Fill(ConsoleView& view, int row, int col, int count, Cell cell, std::vector<ConsoleOp>& ops) {
  ops.push_back({ConsoleOp::Kind::Fill, row, col, count, cell});
  Frame& f = view.frame;
  for (int i = 0; i < count; ++i) {
    const int at = col + i;
    f.cells[row + at / f.width][at % f.width] = cell;
  }
}

// Clears the whole frame area to the frame's background when that saves
// most of the writing (a new screen, or nothing known).
void FillBackground(ConsoleView& view, const Frame& next, int buffer_cols,
                    std::vector<ConsoleOp>& ops) {
  const int cells = next.width * next.height;
  const bool all_changed = !view.known;
  if (!all_changed && ChangedCells(view.frame, next) * 2 <= cells) return;
  const Background bg = MostCommonBlank(next);
  if (bg.count * 2 <= cells) return;
  if (buffer_cols == next.width) {
    Fill(view, 0, 0, cells, bg.cell, ops);
  } else {
    for (int r = 0; r < next.height; ++r) Fill(view, r, 0, next.width, bg.cell, ops);
  }
}

// Scrolls the console when the next frame is the shown one moved up.
void ScrollIfMoved(ConsoleView& view, const Frame& next, std::vector<ConsoleOp>& ops) {
  Frame& shown = view.frame;
  int in_place = 0;
  for (int r = 0; r < next.height; ++r) in_place += RowsEqual(next, r, shown, r) ? 1 : 0;
  // A scroll by n lines matches at most height - n rows: with at most one
  // row changed (typing), no scroll can do better.
  if (in_place >= next.height - 1) return;
  int best_lines = 0;
  int best_match = in_place;
  for (int lines = 1; lines <= kMaxScroll && lines < next.height; ++lines) {
    int match = 0;
    for (int r = 0; r + lines < next.height; ++r) match += RowsEqual(next, r, shown, r + lines) ? 1 : 0;
    if (match > best_match) {
      best_match = match;
      best_lines = lines;
    }
  }
  if (best_lines == 0) return;
  // The freed rows take the bottom row's first cell, which is what the
  // model fills them with (a blank in the colours in force).
  const Cell fill = next.cells[next.height - 1][0];
  ops.push_back({ConsoleOp::Kind::Scroll, 0, 0, best_lines, fill});
  for (int r = 0; r + best_lines < next.height; ++r) {
    std::copy(shown.cells[r + best_lines], shown.cells[r + best_lines] + next.width, shown.cells[r]);
  }
  for (int r = next.height - best_lines; r < next.height; ++r) {
    std::fill(shown.cells[r], shown.cells[r] + next.width, fill);
  }
}

// Writes the changed cells of one row: nearby changes go out together, and
// a long run of one cell value is filled.
void WriteRow(ConsoleView& view, const Frame& next, int r, std::vector<ConsoleOp>& ops) {
  Cell* shown = view.frame.cells[r];
  const Cell* want = next.cells[r];
  const int w = next.width;
  int c = 0;
  while (c < w) {
    if (shown[c] == want[c]) {
      ++c;
      continue;
    }
    // A run from c to the last changed cell with no gap of kJoinGap or more.
    int end = c + 1;  // one past the last changed cell
    for (int k = c + 1; k < w && k - end < kJoinGap; ++k) {
      if (!(shown[k] == want[k])) end = k + 1;
    }
    const bool uniform = std::all_of(want + c, want + end, [&](const Cell& x) { return x == want[c]; });
    if (uniform && end - c >= kFillRun) {
      ops.push_back({ConsoleOp::Kind::Fill, r, c, end - c, want[c]});
    } else {
      ops.push_back({ConsoleOp::Kind::Write, r, c, end - c, Cell{}});
    }
    std::copy(want + c, want + end, shown + c);
    c = end;
  }
}

}  // namespace

void PlanConsoleFrame(ConsoleView& view, const Frame& next, int buffer_cols,
                      std::vector<ConsoleOp>& ops) {
  const bool same_size = view.known && view.frame.width == next.width && view.frame.height == next.height;
  if (!same_size) view.known = false;
  const std::size_t before = ops.size();
  FillBackground(view, next, buffer_cols, ops);
  if (view.known) {
    ScrollIfMoved(view, next, ops);
  } else {
    // Nothing is known beyond what the fill above made sure of.
    const bool filled = ops.size() > before;
    if (!filled) {
      // Cells that can only differ from `next`: every one of them is written.
      for (int r = 0; r < next.height; ++r)
        for (int c = 0; c < next.width; ++c)
          view.frame.cells[r][c] = Cell{static_cast<unsigned char>(~next.cells[r][c].ch), 0};
    }
  }
  view.frame.width = next.width;
  view.frame.height = next.height;
  for (int r = 0; r < next.height; ++r) WriteRow(view, next, r, ops);

  const bool cursor_known = view.known;
  if (!cursor_known || view.frame.cursor_row != next.cursor_row || view.frame.cursor_col != next.cursor_col) {
    ops.push_back({ConsoleOp::Kind::Cursor, next.cursor_row, next.cursor_col, 0, Cell{}});
  }
  if (!cursor_known || view.frame.cursor_visible != next.cursor_visible) {
    ops.push_back({ConsoleOp::Kind::CursorShow, 0, 0, next.cursor_visible ? 1 : 0, Cell{}});
  }
  const unsigned char attr = next.cells[next.cursor_row][next.cursor_col].attr;
  if (view.attr != attr) {
    ops.push_back({ConsoleOp::Kind::Attribute, 0, 0, 0, Cell{' ', attr}});
    view.attr = attr;
  }
  view.frame.cursor_row = next.cursor_row;
  view.frame.cursor_col = next.cursor_col;
  view.frame.cursor_visible = next.cursor_visible;
  view.known = true;
}

}  // namespace pw
