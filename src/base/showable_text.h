// Text that came from outside (a command-line argument) made safe to show
// on a terminal.
#pragma once

#include <cstddef>
#include <string>

namespace pw {

// The argument as it may be shown inside quotes on a terminal: control
// bytes, DEL, bytes that are not UTF-8 and the C1 controls written as \xHH,
// a backslash doubled, and anything past `limit` bytes of the argument
// replaced by "...".  Nothing in the result can act as a terminal command.
std::string ShowableArgument(const std::string& arg, std::size_t limit);

}  // namespace pw
