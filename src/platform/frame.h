// What a screen shows: a grid of character cells with their colours, and
// the cursor.  The console model (text/console_screen.h) draws into a Frame;
// the device (platform/device.h) shows it.
#pragma once

namespace pw {

constexpr int kScreenCols = 90;
constexpr int kScreenRows = 30;

// One character cell: an 8-bit character and its attribute
// (background * 16 + foreground, palette indices 0..15).
struct Cell {
  unsigned char ch = ' ';
  unsigned char attr = 0x07;
  friend bool operator==(const Cell&, const Cell&) = default;
};

// The cells of a width x height grid (row-major, at most kScreenRows x
// kScreenCols), the cursor (0-based) and whether it is shown.
struct Frame {
  int width = kScreenCols;
  int height = kScreenRows;
  Cell cells[kScreenRows][kScreenCols];
  int cursor_row = 0;
  int cursor_col = 0;
  bool cursor_visible = true;
};

// The row (0-based) where a shell should go on after the program: the one
// below the lowest row of `f` that holds a character other than a blank
// (0 for an empty screen).
int RowBelowText(const Frame& f);

// The blank (a space) whose attribute the most cells of `f` hold, and how
// many cells hold it; of equally common attributes, the lowest.
struct Background {
  Cell cell;
  int count = 0;
};
Background MostCommonBlank(const Frame& f);

}  // namespace pw
