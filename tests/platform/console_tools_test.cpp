#include "platform/console_tools.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "platform/device.h"
#include "platform/native_handle.h"

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
  pw::Device pipe_device;
  pw::OpenDevice(pipe_device, {pw::kNoHandle, fds[1]});
  Drain(fds[0]);
  pw::ConsoleTools ct;
  ct.device = &pipe_device;
  pw::ConsoleTitle(ct, "Pivotwright");
  EXPECT_EQ(Drain(fds[0]), "");
  pw::CloseDevice(pipe_device);
  close(fds[0]);
  close(fds[1]);

  // A pseudo-terminal: the title reaches it as a window-title sequence.
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  pw::Device tty_device;
  pw::OpenDevice(tty_device, {pw::kNoHandle, slave});
  pw::ConsoleTools tty_ct;
  tty_ct.device = &tty_device;
  pw::ConsoleTitle(tty_ct, "Pivotwright");
  const std::string sent = Drain(master);
  EXPECT_NE(sent.find("\x1b]2;Pivotwright\x1b\\"), std::string::npos) << sent;
  pw::CloseDevice(tty_device);
  close(slave);
  close(master);
}

}  // namespace
