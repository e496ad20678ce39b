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

}  // namespace pw
