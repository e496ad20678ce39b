// pivotwright protractor: a printable protractor for an arm, as a PDF or
// an SVG file, with bars to check the print's scale with a ruler.
#pragma once

#include "commands/command_result.h"

namespace pw {

// argv[0] is the command's name; the rest are its arguments.  The document
// comes back in the result, to be written by WriteCommandResult.
CommandResult RunProtractor(int argc, const char* const* argv);

}  // namespace pw
