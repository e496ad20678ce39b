// The console-tools calls made once at start-up to dress the window: tool
// bar, title, position, icon and system menu.  On a terminal only the title
// has a meaning; the other calls do nothing.  Every call is recorded (name
// and arguments, in order) so that the start-up sequence can be checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/terminal.h"

namespace pw {

struct ConsoleToolsCall {
  std::string name;
  std::vector<int32_t> args;  // the numeric arguments, in order
  std::string text;           // the text argument (ConsoleTitle)
};

struct ConsoleTools {
  Terminal* term = nullptr;  // where ConsoleTitle sets the window title
  std::vector<ConsoleToolsCall> calls;
};

// `state` is the address of a 32-bit variable (not read afterwards).
int32_t InitConsoleTools(ConsoleTools& ct, int32_t instance, int32_t a, int32_t b, int32_t c,
                         int32_t* state, int32_t d);
int32_t ConsoleToolBar(ConsoleTools& ct, int32_t a, int32_t b);
// Sets the window title when the output is a terminal (the terminal layer
// puts the old one back when it closes).  Returns the title that was set.
std::string ConsoleTitle(ConsoleTools& ct, const std::string& title);
int32_t ConsoleMove(ConsoleTools& ct, int32_t x, int32_t y);
int32_t ConsoleIcon(ConsoleTools& ct, int32_t icon);
int32_t DeleteWindowMenuItem(ConsoleTools& ct, int32_t item);

}  // namespace pw
