// The command-line commands beside the interactive program: `pivotwright
// COMMAND ARGUMENTS...`.  Each is a plain function from its arguments to a
// CommandResult; WriteCommandResult then does what the result says.
#pragma once

#include <string_view>

#include "commands/command_result.h"
#include "platform/native_handle.h"

namespace pw {

// "align", "check", "protractor".
bool IsCommandName(std::string_view name);

// argv[0] is the command's name (one IsCommandName takes), the rest its
// arguments.
CommandResult RunCommand(int argc, const char* const* argv);

// One line per command, for the program's own help.
extern const char kCommandList[];

// Writes the result's file (whole or not at all), then its texts, and
// returns the exit status.  A file that cannot be written is said on `err`
// with the path and the system's words, and nothing goes to `out`
// (status 2); so is standard output refusing the text (status 1).
int WriteCommandResult(const CommandResult& result, NativeHandle out, NativeHandle err);

}  // namespace pw
