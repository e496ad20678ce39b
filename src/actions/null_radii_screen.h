// Action 2: zero tracking error radii and the alignment protractor.
#pragma once

#include "screens/program_values.h"
#include "text/console_screen.h"

namespace pw {
void RunNullRadiiScreen(ConsoleScreen& s, ProgramValues& v);
}
