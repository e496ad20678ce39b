// pivotwright check: what an arm as it is mounted gives, how far it is from
// the named alignments, and what a small mounting error costs.
#pragma once

#include "commands/command_result.h"

namespace pw {

// argv[0] is the command's name; the rest are its arguments.
CommandResult RunCheck(int argc, const char* const* argv);

}  // namespace pw
