// Action 1: optimum overhang and offset for given arm dimensions.
#pragma once

#include "shell/program_values.h"
#include "textio/console_screen.h"

namespace pw {
void RunOptimumAlignment(ConsoleScreen& s, ProgramValues& v);
}
