// Kept apart: the terminfo header defines many short macros.
#include "platform/posix/terminfo.h"

#include <curses.h>
#include <term.h>

#include <cstdlib>
#include <cstring>

namespace pw {

TerminalTraits ReadTerminalTraits(int fd) {
  TerminalTraits traits;
  const char* term = std::getenv("TERM");
  traits.linux_console = term != nullptr && std::strcmp(term, "linux") == 0;
  int status = 0;
  if (setupterm(nullptr, fd, &status) != OK) return traits;
  traits.erases_in_colour = tigetflag("bce") > 0;
  del_curterm(cur_term);
  return traits;
}

}  // namespace pw
