#include "platform/console_tools.h"

#include <utility>

#include "platform/device.h"

namespace pw {

namespace {

void Record(ConsoleTools& ct, const char* name, std::vector<int32_t> args, std::string text = {}) {
  ct.calls.push_back(ConsoleToolsCall{name, std::move(args), std::move(text)});
}

}  // namespace

int32_t InitConsoleTools(ConsoleTools& ct, int32_t instance, int32_t a, int32_t b, int32_t c,
                         const int32_t* state, int32_t d) {
  // The state variable is recorded by value; its address has no meaning here.
  Record(ct, "InitConsoleTools", {instance, a, b, c, state != nullptr ? *state : 0, d});
  return 0;
}

int32_t ConsoleToolBar(ConsoleTools& ct, int32_t a, int32_t b) {
  Record(ct, "ConsoleToolBar", {a, b});
  return 0;
}

std::string ConsoleTitle(ConsoleTools& ct, const std::string& title) {
  Record(ct, "ConsoleTitle", {}, title);
  if (ct.device != nullptr) SetWindowTitle(*ct.device, title);
  return title;
}

int32_t ConsoleMove(ConsoleTools& ct, int32_t x, int32_t y) {
  Record(ct, "ConsoleMove", {x, y});
  return 0;
}

int32_t ConsoleIcon(ConsoleTools& ct, int32_t icon) {
  Record(ct, "ConsoleIcon", {icon});
  return 0;
}

int32_t DeleteWindowMenuItem(ConsoleTools& ct, int32_t item) {
  Record(ct, "DeleteWindowMenuItem", {item});
  if (ct.device != nullptr) RemoveWindowMenuItem(*ct.device, item);
  return 0;
}

}  // namespace pw
