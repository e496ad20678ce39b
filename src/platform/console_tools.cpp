#include "platform/console_tools.h"

namespace pw {

namespace {

void Record(ConsoleTools& ct, const char* name, std::vector<int32_t> args, std::string text = {}) {
  ct.calls.push_back(ConsoleToolsCall{name, std::move(args), std::move(text)});
}

// Keeps only printable ASCII: a title must not be able to end the escape
// sequence early or smuggle control bytes to the terminal.
std::string PrintableOnly(const std::string& title) {
  std::string out;
  for (char ch : title) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 32 && c < 127) out.push_back(ch);
  }
  return out;
}

}  // namespace

std::string TitleOnlySequence(const std::string& title) {
  // OSC 2 sets the window title.
  return "\x1b]2;" + PrintableOnly(title) + "\x07";
}

std::string TitleSetSequence(const std::string& title) {
  // CSI 22;0 t pushes the icon and window titles on the terminal's stack.
  return "\x1b[22;0t" + TitleOnlySequence(title);
}

int32_t InitConsoleTools(ConsoleTools& ct, int32_t instance, int32_t a, int32_t b, int32_t c,
                         int32_t* state, int32_t d) {
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
  Terminal* t = ct.term;
  if (t != nullptr && t->out_is_tty) {
    // The old title is saved only once, so one restore brings it back.
    t->out += ct.title_set ? TitleOnlySequence(title) : TitleSetSequence(title);
    ct.title_set = true;
  }
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
  return 0;
}

void RestoreConsoleTitle(ConsoleTools& ct) {
  if (!ct.title_set || ct.term == nullptr) return;
  ct.term->out += kTitleRestoreSequence;
  ct.title_set = false;
}

}  // namespace pw
