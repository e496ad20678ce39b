// The program's entry function: dresses the console window, fixes colours
// and size, then runs the main screen and the actions until "4" is chosen.
#pragma once

#include <cstdint>

#include "platform/console_tools.h"
#include "screens/program_values.h"
#include "text/console_screen.h"

namespace pw {

// Start-up followed by the main loop.  Returns 0 when the user quits; throws
// EndOfInput when the keyboard input ends.
int WINMAIN(ConsoleScreen& s, ProgramValues& v, ConsoleTools& ct, int32_t instance);

}  // namespace pw
