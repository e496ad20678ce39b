// The console model: a grid of character cells with current colours, a
// cursor, the pending-wrap flag and cursor visibility.  Every screen of the
// program is drawn through these operations; rows and columns count from 1.
#pragma once

#include <string_view>

#include "platform/device.h"
#include "platform/frame.h"
#include "platform/key_decoder.h"

namespace pw {

// Palette indices used by the program.
constexpr int kBlack = 0;
constexpr int kDarkGrey = 8;
constexpr int kBrightWhite = 15;

// The model keeps the cells; the device it is handed shows them and gives
// the keys.
struct ConsoleScreen {
  Frame frame;               // cells, size, cursor (0-based) and visibility
  int fg = 7;                // current foreground (light grey at start)
  int bg = 0;                // current background (black at start)
  bool pending_wrap = false;
  Device* device = nullptr;  // where the model is shown and keys come from
};

void SetColours(ConsoleScreen& s, int fg, int bg);
void ClearScreen(ConsoleScreen& s);
void SetScreenSize(ConsoleScreen& s, int cols, int rows);
void MoveCursor(ConsoleScreen& s, int row, int col);
int CursorRow(const ConsoleScreen& s);
int CursorColumn(const ConsoleScreen& s);
void PrintText(ConsoleScreen& s, std::string_view text);
void EndLine(ConsoleScreen& s);
void ZoneTab(ConsoleScreen& s);
void HideCursor(ConsoleScreen& s);
void ShowCursor(ConsoleScreen& s);
// Waits for any key press and leaves it waiting.  Throws EndOfInput.
void WaitKey(ConsoleScreen& s);
// Waits for a key press and takes it.  Throws EndOfInput.
Key TakeKey(ConsoleScreen& s);
// Discards all waiting key input (only when the input is a keyboard).
void FlushKeys(ConsoleScreen& s);
void Beep(ConsoleScreen& s);

// The cell at a 1-based row and column (for the tests and the fuzz harness).
inline const Cell& CellAt(const ConsoleScreen& s, int row, int col) {
  return s.frame.cells[row - 1][col - 1];
}

}  // namespace pw
