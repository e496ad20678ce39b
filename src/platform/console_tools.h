// The console-tools calls made once at start-up to dress the window: tool
// bar, title, position, icon and system menu.  The title and the menu items
// go to the device (a terminal has only a title; the Windows console window
// has both); the other calls do nothing.  Every call is recorded (name and
// arguments, in order) so that the start-up sequence can be checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device.h"

namespace pw {

struct ConsoleToolsCall {
  std::string name;
  std::vector<int32_t> args;  // the numeric arguments, in order
  std::string text;           // the text argument (ConsoleTitle)
};

struct ConsoleTools {
  Device* device = nullptr;  // where the title and the menu items go
  std::vector<ConsoleToolsCall> calls;
};

// `state` is the address of a 32-bit variable (not read afterwards).
int32_t InitConsoleTools(ConsoleTools& ct, int32_t instance, int32_t a, int32_t b, int32_t c,
                         const int32_t* state, int32_t d);
int32_t ConsoleToolBar(ConsoleTools& ct, int32_t a, int32_t b);
// Sets the window title (the device puts the old one back when it closes).
// Returns the title that was set.
std::string ConsoleTitle(ConsoleTools& ct, const std::string& title);
int32_t ConsoleMove(ConsoleTools& ct, int32_t x, int32_t y);
int32_t ConsoleIcon(ConsoleTools& ct, int32_t icon);
int32_t DeleteWindowMenuItem(ConsoleTools& ct, int32_t item);

}  // namespace pw
