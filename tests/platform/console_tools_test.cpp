#include "platform/console_tools.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Everything readable from fd within a short wait.
std::string Drain(int fd) {
  std::string got;
  char buf[256];
  for (;;) {
    struct pollfd p {fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0 || !(p.revents & POLLIN)) break;
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

TEST(ConsoleTools, TitleGoesOnlyToATerminal) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pw::Terminal pipe_term;
  pipe_term.out_fd = fds[1];
  pipe_term.out_is_tty = false;
  pw::ConsoleTools ct;
  ct.term = &pipe_term;
  pw::ConsoleTitle(ct, "Pivotwright");
  EXPECT_EQ(Drain(fds[0]), "");
  EXPECT_TRUE(pipe_term.out.empty());
  close(fds[0]);
  close(fds[1]);

  // A pseudo-terminal: the title reaches it as a window-title sequence.
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  pw::Terminal tty_term;
  tty_term.out_fd = slave;
  tty_term.out_is_tty = true;
  pw::ConsoleTools tty_ct;
  tty_ct.term = &tty_term;
  pw::ConsoleTitle(tty_ct, "Pivotwright");
  const std::string sent = Drain(master) + tty_term.out;
  EXPECT_NE(sent.find("\x1b]2;Pivotwright"), std::string::npos) << sent;
  close(slave);
  close(master);
}

}  // namespace
