#include "text/console_screen.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/device.h"
#include "text/print_zone.h"

namespace pw {

namespace {

// A size request beyond this in either direction is not a size at all.
constexpr int kLargestScreenSize = 9999;

unsigned char CurrentAttr(const ConsoleScreen& s) {
  return static_cast<unsigned char>(s.bg * 16 + s.fg);
}

// Moves rows 2..height up by one; row 1 is lost and the bottom row becomes
// blanks in the current colours.  The cursor stays where it is.
void ScrollUp(ConsoleScreen& s) {
  Frame& f = s.frame;
  for (int r = 0; r + 1 < f.height; ++r) {
    std::copy(f.cells[r + 1], f.cells[r + 1] + f.width, f.cells[r]);
  }
  const Cell blank{' ', CurrentAttr(s)};
  std::fill(f.cells[f.height - 1], f.cells[f.height - 1] + f.width, blank);
}

}  // namespace

void SetColours(ConsoleScreen& s, int fg, int bg) {
  // A value outside the palette keeps the colour in force (negative values
  // count as out of range too).
  if (fg >= 0 && fg < 16) s.fg = fg;
  if (bg >= 0 && bg < 16) s.bg = bg;
}

void ClearScreen(ConsoleScreen& s) {
  Frame& f = s.frame;
  const Cell blank{' ', CurrentAttr(s)};
  for (int r = 0; r < f.height; ++r) std::fill(f.cells[r], f.cells[r] + f.width, blank);
  f.cursor_row = 0;
  f.cursor_col = 0;
  // The cursor has left the bottom row, so a wrap still pending there would
  // otherwise scroll the freshly cleared screen on the next output.
  s.pending_wrap = false;
}

// The model never grows beyond kScreenCols x kScreenRows (what the program
// asks for); a request above that is held to it, a request of 0 or less in
// either direction is ignored, as is one above 9999.  Cells that come into
// view when the size grows are blanks in the current colours, and a cursor
// that would fall outside the new size is pulled back to its last row or
// column.
void SetScreenSize(ConsoleScreen& s, int cols, int rows) {
  if (cols > kLargestScreenSize || rows > kLargestScreenSize) return;
  if (cols < 1 || rows < 1) return;
  Frame& f = s.frame;
  const int new_w = std::min(cols, kScreenCols);
  const int new_h = std::min(rows, kScreenRows);
  const Cell blank{' ', CurrentAttr(s)};
  for (int r = 0; r < new_h; ++r) {
    const int keep = r < f.height ? f.width : 0;
    for (int c = keep; c < new_w; ++c) f.cells[r][c] = blank;
  }
  f.width = new_w;
  f.height = new_h;
  if (f.cursor_row >= new_h) {
    f.cursor_row = new_h - 1;
    s.pending_wrap = false;
  }
  if (f.cursor_col >= new_w) f.cursor_col = new_w - 1;
}

void MoveCursor(ConsoleScreen& s, int row, int col) {
  Frame& f = s.frame;
  if (row >= 1 && row <= f.height) f.cursor_row = row - 1;
  if (col >= 1 && col <= f.width) f.cursor_col = col - 1;
  s.pending_wrap = false;
}

int CursorRow(const ConsoleScreen& s) { return s.frame.cursor_row + 1; }

int CursorColumn(const ConsoleScreen& s) { return s.frame.cursor_col + 1; }

void PrintText(ConsoleScreen& s, std::string_view text) {
  Frame& f = s.frame;
  const unsigned char attr = CurrentAttr(s);
  std::size_t done = 0;
  while (done < text.size()) {
    if (s.pending_wrap) {
      s.pending_wrap = false;
      ScrollUp(s);
    }
    // One row-chunk: as much as fits between the cursor and the right edge.
    const std::size_t room = static_cast<std::size_t>(f.width - f.cursor_col);
    const std::size_t n = std::min(room, text.size() - done);
    Cell* row = f.cells[f.cursor_row];
    for (std::size_t i = 0; i < n; ++i) {
      row[f.cursor_col + static_cast<int>(i)] =
          Cell{static_cast<unsigned char>(text[done + i]), attr};
    }
    done += n;
    f.cursor_col += static_cast<int>(n);
    if (f.cursor_col >= f.width) {
      f.cursor_col = 0;
      if (f.cursor_row + 1 < f.height) {
        ++f.cursor_row;
      } else {
        s.pending_wrap = true;  // scrolled only when more output follows
      }
    }
  }
}

void EndLine(ConsoleScreen& s) {
  Frame& f = s.frame;
  if (f.cursor_row + 1 < f.height) {
    ++f.cursor_row;
  } else {
    if (s.pending_wrap) {
      s.pending_wrap = false;
      ScrollUp(s);
    }
    ScrollUp(s);
  }
  f.cursor_col = 0;
}

void ZoneTab(ConsoleScreen& s) {
  const auto before = static_cast<std::size_t>(CursorColumn(s) - 1);
  PrintText(s, ZoneBlanks(before));
}

void HideCursor(ConsoleScreen& s) { s.frame.cursor_visible = false; }

void ShowCursor(ConsoleScreen& s) { s.frame.cursor_visible = true; }

void WaitKey(ConsoleScreen& s) { (void)PeekKey(*s.device, s.frame); }

Key TakeKey(ConsoleScreen& s) { return ReadKey(*s.device, s.frame); }

void FlushKeys(ConsoleScreen& s) { DiscardWaitingKeys(*s.device); }

void Beep(ConsoleScreen& s) { SoundBeep(*s.device, s.frame); }

}  // namespace pw
