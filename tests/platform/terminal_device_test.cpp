// The terminal device: key input, terminal modes and restoring the
// terminal, on pipes, in-memory files and pseudo-terminals.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>

#include "platform/device.h"
#include "platform/frame.h"
#include "platform/key_decoder.h"
#include "platform/native_handle.h"

namespace {

int MemoryFile(const std::string& bytes) {
  int fd = memfd_create("keys", 0);
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return -1;
  lseek(fd, 0, SEEK_SET);
  return fd;
}

struct Pty {
  int master = -1;
  int slave = -1;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
  void Type(const std::string& s) const {
    ASSERT_EQ(write(master, s.data(), s.size()), static_cast<ssize_t>(s.size()));
  }
  // What the program wrote, until nothing more comes for a moment.
  std::string Output(int quiet_ms = 100) const {
    std::string out;
    char buf[4096];
    for (;;) {
      struct pollfd p {master, POLLIN, 0};
      if (poll(&p, 1, quiet_ms) <= 0) return out;
      ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) return out;
      out.append(buf, static_cast<std::size_t>(n));
    }
  }
  // Waits until the slave has input waiting (what was typed has arrived).
  void WaitForInput() const {
    struct pollfd p {slave, POLLIN, 0};
    poll(&p, 1, 2000);
  }
};

bool SameModes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

termios ModesOf(int fd) {
  termios m {};
  tcgetattr(fd, &m);
  return m;
}

const pw::Frame kBlank{};

TEST(DeviceKeys, ReadsAndPeeksScriptedKeysThenReportsTheEnd) {
  const int keys = MemoryFile("1\x7f\x1b[A2\r\x1b");
  ASSERT_GE(keys, 0);
  pw::Device t;
  pw::OpenDevice(t, {keys, pw::kNoHandle});
  EXPECT_EQ(pw::PeekKey(t, kBlank).code, '1');
  EXPECT_EQ(pw::PeekKey(t, kBlank).code, '1');
  EXPECT_EQ(pw::ReadKey(t, kBlank).code, '1');
  EXPECT_EQ(pw::ReadKey(t, kBlank).code, 8);
  EXPECT_EQ(pw::ReadKey(t, kBlank).kind, pw::KeyKind::Extended);
  EXPECT_EQ(pw::ReadKey(t, kBlank).code, '2');
  EXPECT_EQ(pw::ReadKey(t, kBlank).code, 13);
  pw::Key esc = pw::ReadKey(t, kBlank);  // an Esc at the very end
  EXPECT_EQ(esc.kind, pw::KeyKind::Character);
  EXPECT_EQ(esc.code, 27);
  EXPECT_THROW(pw::ReadKey(t, kBlank), pw::EndOfInput);
  EXPECT_THROW(pw::PeekKey(t, kBlank), pw::EndOfInput);
  pw::CloseDevice(t);
  close(keys);
}

TEST(DeviceKeys, NoInputIsTheEndOfInput) {
  pw::Device t;
  pw::OpenDevice(t, {pw::kNoHandle, pw::kNoHandle});
  EXPECT_THROW(pw::ReadKey(t, kBlank), pw::EndOfInput);
}

TEST(DeviceKeys, LoneEscOnAnOpenPipeIsEscAfterTheWait) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(write(p[1], "\x1b", 1), 1);
  pw::Device t;
  pw::OpenDevice(t, {p[0], pw::kNoHandle});
  pw::Key k = pw::ReadKey(t, kBlank);  // the writer stays open: no end of input
  EXPECT_EQ(k.kind, pw::KeyKind::Character);
  EXPECT_EQ(k.code, 27);
  // An Esc that does start a sequence is not held back.
  ASSERT_EQ(write(p[1], "\x1b[B", 3), 3);
  EXPECT_EQ(pw::ReadKey(t, kBlank).kind, pw::KeyKind::Extended);
  close(p[1]);
  EXPECT_THROW(pw::ReadKey(t, kBlank), pw::EndOfInput);
  pw::CloseDevice(t);
  close(p[0]);
}

TEST(DeviceKeys, FlushKeepsPipedKeys) {
  const int keys = MemoryFile("ab");
  pw::Device t;
  pw::OpenDevice(t, {keys, pw::kNoHandle});
  EXPECT_EQ(pw::PeekKey(t, kBlank).code, 'a');
  pw::DiscardWaitingKeys(t);
  EXPECT_EQ(pw::ReadKey(t, kBlank).code, 'a');
  EXPECT_EQ(pw::ReadKey(t, kBlank).code, 'b');
  pw::CloseDevice(t);
  close(keys);
}

TEST(DeviceKeys, GoneOutputEndsTheKeyWait) {
  signal(SIGPIPE, SIG_IGN);
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  close(out[0]);
  const int keys = MemoryFile("1111");
  pw::Device t;
  pw::OpenDevice(t, {keys, out[1]});
  EXPECT_THROW(pw::ReadKey(t, kBlank), pw::EndOfInput);
  EXPECT_EQ(t.state, pw::Device::State::OutputLost);
  pw::CloseDevice(t);
  close(out[1]);
  close(keys);
  signal(SIGPIPE, SIG_DFL);
}

TEST(DeviceTty, RawModeMakesControlKeysOrdinaryAndCloseRestores) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  termios before = ModesOf(pty.slave);
  pw::Device t;
  pw::OpenDevice(t, {pty.slave, pty.slave});
  EXPECT_TRUE(t.saved_modes.has_value());
  termios raw = ModesOf(pty.slave);
  EXPECT_EQ(raw.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(raw.c_iflag & (ICRNL | INLCR | IGNCR | IXON), 0u);
  pty.Output();

  // Ctrl+C, Ctrl+Z, Ctrl+\ and Ctrl+S arrive as keys; CR stays CR.
  pty.Type("\x03\x1a\x1c\x13\r");
  for (int code : {3, 26, 28, 19, 13}) EXPECT_EQ(pw::ReadKey(t, kBlank).code, code);
  EXPECT_EQ(pty.Output().find_first_not_of("\x1b[0123456789;?HJmhl "), std::string::npos)
      << "nothing was echoed";

  pw::CloseDevice(t);
  EXPECT_TRUE(SameModes(ModesOf(pty.slave), before));
}

TEST(DeviceTty, FlushDiscardsEverythingWaiting) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  pw::Device t;
  pw::OpenDevice(t, {pty.slave, pw::kNoHandle});
  pty.Type("abc\x1b[");
  pty.WaitForInput();
  EXPECT_EQ(pw::PeekKey(t, kBlank).code, 'a');  // some of it in the decoder
  pty.Type("def");
  pty.WaitForInput();
  pw::DiscardWaitingKeys(t);
  pty.Type("z");
  EXPECT_EQ(pw::ReadKey(t, kBlank).code, 'z');
  pw::CloseDevice(t);
}

TEST(DeviceTty, ResizeShowsTheNoticeAndRepaintsWhenLargeEnough) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  winsize big {30, 90, 0, 0};
  ioctl(pty.master, TIOCSWINSZ, &big);
  pw::Device t;
  pw::OpenDevice(t, {pty.slave, pty.slave});
  pw::Frame f;
  for (auto& row : f.cells)
    for (auto& c : row) c = pw::Cell{'.', 0xF0};
  pw::ShowFrame(t, f);
  pty.Output();

  winsize small {24, 80, 0, 0};
  ioctl(pty.master, TIOCSWINSZ, &small);
  raise(SIGWINCH);  // this process is not the pty's foreground group
  pty.Type("k");
  EXPECT_EQ(pw::ReadKey(t, f).code, 'k');
  EXPECT_NE(pty.Output().find("90 columns by 30 rows"), std::string::npos);

  ioctl(pty.master, TIOCSWINSZ, &big);
  raise(SIGWINCH);
  pty.Type("j");
  EXPECT_EQ(pw::ReadKey(t, f).code, 'j');
  std::string repaint = pty.Output();
  EXPECT_GE(std::count(repaint.begin(), repaint.end(), '.'), 90 * 30) << "everything repainted";
  pw::CloseDevice(t);
}

// Runs `body` in a child that owns a terminal on the pty, and returns its
// wait status.
template <typename Body>
int RunChild(const Pty& pty, Body body, bool stop_expected = false) {
  pid_t pid = fork();
  if (pid == 0) {
    rlimit no_core {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    pw::Device t;
    pw::OpenDevice(t, {pty.slave, pty.slave});
    body(t);
    _exit(99);
  }
  int status = 0;
  waitpid(pid, &status, stop_expected ? WUNTRACED : 0);
  return status;
}

TEST(DeviceSignals, EveryWayOutRestoresTheTerminal) {
  for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE}) {
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    termios before = ModesOf(pty.slave);
    int status = RunChild(pty, [sig](pw::Device&) { raise(sig); });
    ASSERT_TRUE(WIFSIGNALED(status)) << strsignal(sig);
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_TRUE(SameModes(ModesOf(pty.slave), before)) << strsignal(sig);
    std::string out = pty.Output();
    EXPECT_NE(out.find("\x1b[0m\x1b[?25h"), std::string::npos) << strsignal(sig);
  }
}

TEST(DeviceSignals, StopHandsTheTerminalBackAndContinueTakesItAgain) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  termios before = ModesOf(pty.slave);
  pid_t pid = fork();
  if (pid == 0) {
    pw::Device t;
    pw::OpenDevice(t, {pty.slave, pty.slave});
    pw::Frame f;
    pw::Key k = pw::ReadKey(t, f);
    pw::CloseDevice(t);
    _exit(k.code == 'q' ? 0 : 1);
  }
  // Wait for raw mode, then stop the child from outside.
  for (int i = 0; i < 200 && SameModes(ModesOf(pty.slave), before); ++i) usleep(10000);
  ASSERT_FALSE(SameModes(ModesOf(pty.slave), before));
  pty.Output();
  kill(pid, SIGTSTP);
  int status = 0;
  waitpid(pid, &status, WUNTRACED);
  ASSERT_TRUE(WIFSTOPPED(status));
  EXPECT_TRUE(SameModes(ModesOf(pty.slave), before)) << "cooked while stopped";

  kill(pid, SIGCONT);
  for (int i = 0; i < 200 && SameModes(ModesOf(pty.slave), before); ++i) usleep(10000);
  EXPECT_FALSE(SameModes(ModesOf(pty.slave), before)) << "raw again after continuing";
  std::string repaint = pty.Output();
  EXPECT_NE(repaint.find("\x1b[2J"), std::string::npos) << "whole screen repainted";
  pty.Type("q");
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(SameModes(ModesOf(pty.slave), before));
}

}  // namespace

namespace {

// On the Linux console (TERM=linux) palette entry 7 is made white while the
// program runs, so the bright white background shows white; the palette is
// reset on the way out.  Other terminals never get these bytes.
TEST(DeviceTty, LinuxConsoleGetsAWhitePaletteEntryOnlyWhileOpen) {
  const char* old_term = getenv("TERM");
  const std::string saved = old_term ? old_term : "";
  for (const char* term : {"linux", "xterm-256color"}) {
    SCOPED_TRACE(term);
    setenv("TERM", term, 1);
    Pty pty;
    ASSERT_GE(pty.slave, 0);
    pw::Device t;
    pw::OpenDevice(t, {pty.slave, pty.slave});
    const std::string opened = pty.Output();
    pw::CloseDevice(t);
    const std::string closed = pty.Output();
    const bool linux_console = std::string(term) == "linux";
    EXPECT_EQ(opened.find("\x1b]P7FFFFFF") != std::string::npos, linux_console);
    EXPECT_EQ(closed.find("\x1b]R") != std::string::npos, linux_console);
  }
  if (old_term) {
    setenv("TERM", saved.c_str(), 1);
  } else {
    unsetenv("TERM");
  }
}

}  // namespace

namespace {

// Everything written to an in-memory file since the last look.
struct Capture {
  int fd = memfd_create("out", MFD_CLOEXEC);
  off_t seen = 0;
  ~Capture() { close(fd); }
  std::string Take() {
    const off_t end = lseek(fd, 0, SEEK_END);
    std::string s(static_cast<std::size_t>(end - seen), '\0');
    if (!s.empty() && pread(fd, s.data(), s.size(), seen) != static_cast<ssize_t>(s.size())) {
      ADD_FAILURE() << "pread";
    }
    seen = end;
    return s;
  }
};

pw::Frame TextFrame(int last_row) {
  pw::Frame f;
  for (auto& row : f.cells)
    for (auto& c : row) c = pw::Cell{' ', 0xF0};
  f.cells[last_row][3] = pw::Cell{'x', 0xF0};
  f.cursor_visible = false;
  return f;
}

TEST(DeviceOutput, ClearsOnceSendsFramesAndLeavesTheShellBelowTheText) {
  Capture cap;
  pw::Device d;
  pw::OpenDevice(d, {pw::kNoHandle, cap.fd});
  const std::string start = cap.Take();
  EXPECT_NE(start.find("\x1b[8;30;90t"), std::string::npos) << "window size request";
  EXPECT_NE(start.find("\x1b[2J"), std::string::npos);
  EXPECT_EQ(start.find("\x1b[22;0t"), std::string::npos) << "a file has no title to save";

  pw::ShowFrame(d, TextFrame(24));
  const std::string first = cap.Take();
  EXPECT_EQ(first.find("\x1b[2J"), std::string::npos) << "the screen was cleared already";
  EXPECT_NE(first.find('x'), std::string::npos);
  EXPECT_EQ(d.bytes_written, start.size() + first.size());

  pw::CloseDevice(d);
  EXPECT_EQ(cap.Take(), "\x1b[0m\x1b[?25h\x1b[26;1H");
  pw::CloseDevice(d);  // a second close sends nothing
  EXPECT_EQ(cap.Take(), "");
}

TEST(DeviceOutput, BeepsAreCountedAndOneBellFollowsThePendingScreen) {
  pw::Device quiet;  // no output at all
  pw::OpenDevice(quiet, {pw::kNoHandle, pw::kNoHandle});
  pw::SoundBeep(quiet, TextFrame(3));
  pw::SoundBeep(quiet, TextFrame(3));
  EXPECT_EQ(pw::BeepCount(quiet), 2);
  EXPECT_EQ(quiet.bytes_written, 0u);
  pw::CloseDevice(quiet);

  Capture cap;
  pw::Device d;
  pw::OpenDevice(d, {pw::kNoHandle, cap.fd});
  pw::ShowFrame(d, TextFrame(3));
  cap.Take();
  pw::Frame f = TextFrame(3);
  f.cells[26][9] = pw::Cell{'9', 0xF0};
  pw::SoundBeep(d, f);
  const std::string out = cap.Take();
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), '\a');
  EXPECT_EQ(std::count(out.begin(), out.end(), '\a'), 1);
  EXPECT_NE(out.find('9'), std::string::npos) << "the pending change goes out before the bell";
  pw::CloseDevice(d);
}

}  // namespace

