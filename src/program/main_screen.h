// The main screen: header, the menu of four actions and the choice entry.
#pragma once

#include "text/console_screen.h"

namespace pw {

// Clears the screen and draws the main screen; leaves the cursor at row 25,
// column 1, in black on bright white, with the cursor switched off.
void DrawMainScreen(ConsoleScreen& s);

// Reads choices until one is exactly "1", "2", "3" or "4" and returns its
// number.  Each entry starts with 9 blanks at the cursor; a rejected line
// stays on the screen, gets two beeps, and the next entry starts on the row
// below.  Throws EndOfInput.
int ReadChoice(ConsoleScreen& s);

}  // namespace pw
