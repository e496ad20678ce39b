// Planning what a console screen buffer must be told to show a frame.
//
// A Windows console is written cell by cell through its API: rectangles of
// cells with their attributes, fills of one cell value, a scroll of the
// buffer, the cursor and the current text attribute.  These pure functions
// compare what the console is known to show with the next frame and list
// the calls that bring it there, so the choice of calls can be checked on
// any platform.  Unchanged cells cost nothing: one typed character is one
// cell written and one cursor move.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/frame.h"

namespace pw {

struct ConsoleOp {
  enum class Kind : uint8_t {
    Fill,       // `count` cells from (row, col) onwards, running on into the
                // rows below, all set to `cell`
    Scroll,     // rows `count`..height-1 move up by `count`; the freed rows
                // at the bottom become `cell`
    Write,      // cells (row, col)..(row, col + count - 1) of the frame
    Cursor,     // the cursor to (row, col)
    CursorShow, // the cursor shown (`count` 1) or hidden (0)
    Attribute,  // the current text attribute becomes `cell.attr`
  };
  Kind kind = Kind::Write;
  int row = 0;
  int col = 0;
  int count = 0;
  Cell cell;
  friend bool operator==(const ConsoleOp&, const ConsoleOp&) = default;
};

// What the console is known to show.
struct ConsoleView {
  bool known = false;  // false: anything at all (the next frame repaints)
  Frame frame;         // the cells, cursor and visibility shown
  int attr = -1;       // the current text attribute, -1 when not known
};

// Appends to `ops` the calls that make a console whose buffer is
// `buffer_cols` wide show `next`, and updates `view`.  The text attribute
// is kept equal to that of the cell under the cursor, which is where the
// next character typed goes.
void PlanConsoleFrame(ConsoleView& view, const Frame& next, int buffer_cols,
                      std::vector<ConsoleOp>& ops);

}  // namespace pw
