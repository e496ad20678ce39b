// pivotwright align: the named alignments (or the user's own nulls) worked
// out for an arm, with the figures people compare them by.
#pragma once

#include "commands/command_result.h"

namespace pw {

// argv[0] is the command's name; the rest are its arguments.
CommandResult RunAlign(int argc, const char* const* argv);

}  // namespace pw
