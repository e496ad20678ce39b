// What the command line asks for, decided before the terminal is touched.
//
// The program takes no arguments in normal use.  Two options answer the
// questions people ask a terminal program first, --version and --help; any
// other argument is an error.  Parsing is pure: it returns the text to write
// and the exit status, and the caller writes them.
#pragma once

#include <optional>
#include <string>

#include "base/showable_text.h"  // IWYU pragma: export
#include "commands/command_result.h"
#include "platform/native_handle.h"

namespace pw {

struct CommandLineOutcome {
  bool run_program = false;  // true: no arguments, start the interactive program
  std::string out;           // for standard output (--version, --help)
  std::string err;           // for standard error (a wrong argument)
  int exit_status = 0;       // when run_program is false: 0, or 2 for a wrong argument
};

// argv[0] is the program's own name and is not looked at; argv[1] to
// argv[argc - 1] are the arguments.  argc below 1 counts as no arguments.
CommandLineOutcome ParseCommandLine(int argc, const char* const* argv);

// Writes the outcome's texts to standard output and error and returns the
// exit status.  When standard output cannot take the text (a closed pipe, a
// full disk) that is said on `err` and the status is 1, so a failed
// --version or --help never looks like success.
// A command's name first (`pivotwright align ...`), or `help` with at most
// a command's name: what that command gives.  Nothing otherwise: the
// command line is one for the interactive program.
std::optional<CommandResult> CommandRequest(int argc, const char* const* argv);

int WriteCommandLineOutcome(const CommandLineOutcome& outcome, NativeHandle out, NativeHandle err);

}  // namespace pw
