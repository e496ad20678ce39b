// Action 2: zero tracking error radii and the alignment protractor.
#pragma once

#include "shell/program_values.h"
#include "textio/console_screen.h"

namespace pw {
void RunNullRadiiScreen(ConsoleScreen& s, ProgramValues& v);
}
