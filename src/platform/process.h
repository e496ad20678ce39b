// The running program as the operating system knows it.
#pragma once

#include <cstdint>

#include "platform/native_handle.h"

namespace pw {

// The process's standard error.
NativeHandle StandardError();

// A number that identifies this run of the program to the console tools
// (the process id on POSIX, the module handle's low bits on Windows).
int32_t ProgramInstance();

// Text written to standard output and error is UTF-8.  A Windows console
// shows it in its own code page instead, so while a command prints, the
// console is switched to UTF-8 (65001); the code page it had is given back
// afterwards.  Elsewhere nothing needs to change.
struct TextOutputMode {
  unsigned previous_code_page = 0;  // 0: nothing was changed
};
TextOutputMode UseUtf8TextOutput();
void RestoreTextOutput(TextOutputMode mode);

}  // namespace pw
