// Action 3: tracking error and distortion across the record, written to
// data.txt and graph.txt.
#pragma once

#include "screens/program_values.h"
#include "text/console_screen.h"

namespace pw {
void RunGraphData(ConsoleScreen& s, ProgramValues& v);
}
