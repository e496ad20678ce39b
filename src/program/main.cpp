#include <unistd.h>

#include <cstdint>

#include "platform/console_tools.h"
#include "platform/terminal.h"
#include "screens/program_values.h"
#include "program/winmain.h"
#include "text/console_screen.h"

namespace {

// Large enough to keep off the stack; one of each for the whole run.
pw::ConsoleScreen g_screen;
pw::ProgramValues g_values;
pw::ConsoleTools g_tools;

// Shows the model's last state and hands the terminal back to the shell
// (modes, cursor, colours and title).
void Finish() {
  pw::TerminalPresent(g_screen.term, g_screen.frame);
  pw::TerminalClose(g_screen.term);
}

}  // namespace

int main() {
  pw::TerminalOpen(g_screen.term, STDIN_FILENO, STDOUT_FILENO);
  g_tools.term = &g_screen.term;
  int status = 0;
  try {
    status = pw::WINMAIN(g_screen, g_values, g_tools, static_cast<int32_t>(getpid()));
  } catch (const pw::EndOfInput&) {
    // The keyboard input is gone (closed pipe, hung-up terminal): nothing
    // more can be chosen, so leave instead of waiting forever.
    status = 1;
  }
  Finish();
  return status;
}
