// The running program as the operating system knows it.
#pragma once

#include <cstdint>

namespace pw {

// A number that identifies this run of the program to the console tools
// (the process id on POSIX, the module handle's low bits on Windows).
int32_t ProgramInstance();

}  // namespace pw
