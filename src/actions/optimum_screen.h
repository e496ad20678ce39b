// Action 1: optimum overhang and offset for given arm dimensions.
#pragma once

#include "screens/program_values.h"
#include "text/console_screen.h"

namespace pw {
void RunOptimumAlignment(ConsoleScreen& s, ProgramValues& v);
}
