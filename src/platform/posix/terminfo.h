// What the terminal description (terminfo, found through TERM) says about
// the terminal on a file descriptor.
#pragma once

#include "platform/vt_render.h"

namespace pw {

// The traits of the terminal on `fd`; none when TERM names no known
// terminal.
TerminalTraits ReadTerminalTraits(int fd);

}  // namespace pw
