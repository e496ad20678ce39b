// Typed lines and their numbers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/console_screen.h"

namespace pw {

constexpr std::size_t kMaxLineLength = 10000;

// Reads one line with echo at the cursor in the current colours; Backspace
// edits, control codes and extended keys are ignored, Enter ends the line
// (with an EndLine).  Returns the bytes exactly as typed.  Throws EndOfInput.
std::string ReadLine(ConsoleScreen& s);

// The number a typed text stands for (never fails; text that does not
// convert gives 0).
double TextToNumber(std::string_view text);

}  // namespace pw
