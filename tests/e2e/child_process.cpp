#include "e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "e2e/waits.h"

namespace pwtest {

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

long StatusField(int pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) == 0) return std::atol(line.c_str() + key.size());
  }
  return -1;
}

// Runs in the child after fork: only calls that are safe there.
[[noreturn]] void ExecIn(const std::string& binary, const std::string& dir) {
  if (chdir(dir.c_str()) != 0) _exit(126);
  execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

}  // namespace

bool ProcessGone(int pid, int timeout_ms) {
  return WaitUntil(
      [pid] {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t close = stat.rfind(')');
        return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z';
      },
      timeout_ms);
}

long CpuTicks(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::stringstream rest(stat.substr(close + 2));
  std::string field;
  long utime = -1;
  long stime = -1;
  // Fields after the command name start at field 3 (state); utime is 14,
  // stime 15.
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime < 0 || stime < 0 ? -1 : utime + stime;
}

long PeakRssKiB(int pid) { return StatusField(pid, "VmHWM:"); }

PtyRun::PtyRun(const std::string& binary, const std::string& dir) {
  master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
  const char* slave_name = ptsname(master);
  if (slave_name == nullptr) return;
  const std::string slave_path = slave_name;
  struct winsize ws {};
  ws.ws_row = 30;
  ws.ws_col = 90;
  ioctl(master, TIOCSWINSZ, &ws);
  pid = fork();
  if (pid == 0) {
    setsid();
    int slave = open(slave_path.c_str(), O_RDWR);  // becomes the controlling terminal
    if (slave < 0) _exit(125);
    dup2(slave, 0);
    dup2(slave, 1);
    dup2(slave, 2);
    if (slave > 2) close(slave);
    setenv("TERM", "xterm-256color", 1);
    ExecIn(binary, dir);
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
}

PtyRun::~PtyRun() {
  if (pid > 0) Wait(0);
  if (master >= 0) close(master);
}

void PtyRun::ReadSome(int wait_ms) {
  struct pollfd p {master, POLLIN, 0};
  if (poll(&p, 1, wait_ms) <= 0) return;
  char buf[65536];
  for (;;) {
    ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) return;
    log.append(buf, static_cast<std::size_t>(n));
  }
}

// The program takes typed bytes as fast as it can echo them, which in a
// sanitizer build on a busy machine can be slow: only a minute without any
// progress counts as the program having stopped reading, and then the test
// says so instead of going on with part of the keys.
void PtyRun::Type(const std::string& bytes) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kStalled = std::chrono::seconds(60);
  std::size_t done = 0;
  auto progress = Clock::now();
  while (done < bytes.size() && Clock::now() - progress < kStalled) {
    struct pollfd p {master, POLLIN | POLLOUT, 0};
    poll(&p, 1, 10);
    if (p.revents & POLLIN) ReadSome(0);
    if (!(p.revents & POLLOUT)) {
      if (p.revents & (POLLHUP | POLLERR)) break;  // the program has gone
      continue;
    }
    const ssize_t n = write(master, bytes.data() + done, std::min<std::size_t>(bytes.size() - done, 512));
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      progress = Clock::now();
    }
  }
  if (done < bytes.size()) {
    ADD_FAILURE() << "the program stopped taking keys: " << done << " of " << bytes.size()
                  << " bytes typed";
  }
}

std::size_t PtyRun::WaitFor(const std::string& text, std::size_t from, int timeout_ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::size_t at = from <= log.size() ? log.find(text, from) : std::string::npos;
    if (at != std::string::npos) return at + text.size();
    if (std::chrono::steady_clock::now() >= end) return std::string::npos;
    ReadSome(10);
  }
}

// Reading can return at once (a hung-up master), so the waits below count
// real time, not rounds.
void PtyRun::Settle(int quiet_ms, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  auto last_output = Clock::now();
  while (Clock::now() < end && Clock::now() - last_output < std::chrono::milliseconds(quiet_ms)) {
    const std::size_t before = log.size();
    ReadSome(10);
    if (log.size() != before) last_output = Clock::now();
    else Sleep(1);
  }
}

int PtyRun::Wait(int timeout_ms) {
  if (pid <= 0) return -1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    ReadSome(0);
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ReadSome(50);
      pid = -1;
      return status;
    }
    if (std::chrono::steady_clock::now() >= end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      pid = -1;
      return -1;
    }
    ReadSome(10);
    Sleep(1);
  }
}

std::string TerminalOutputFault(const std::string& out) {
  auto at = [&](std::size_t i) { return "at byte " + std::to_string(i); };
  for (std::size_t i = 0; i < out.size();) {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    if (b == 0x1b) {
      if (i + 1 >= out.size()) return "ESC at the end " + at(i);
      if (out[i + 1] == '[') {
        std::size_t j = i + 2;
        if (j < out.size() && out[j] == '?') ++j;
        while (j < out.size() && ((out[j] >= '0' && out[j] <= '9') || out[j] == ';')) ++j;
        if (j >= out.size() || std::string("HJmthl").find(out[j]) == std::string::npos)
          return "malformed CSI sequence " + at(i);
        i = j + 1;
      } else if (out[i + 1] == ']') {
        std::size_t end = out.find("\x1b\\", i + 2);
        if (end == std::string::npos) return "unterminated OSC sequence " + at(i);
        for (std::size_t j = i + 2; j < end; ++j) {
          const unsigned char c = static_cast<unsigned char>(out[j]);
          if (c < 32 || c == 127) return "control byte inside an OSC sequence " + at(j);
        }
        i = end + 2;
      } else {
        return "ESC not starting CSI or OSC " + at(i);
      }
      continue;
    }
    if (b < 32) {
      if (b != '\r' && b != '\n' && b != '\a') return "control byte " + std::to_string(b) + " " + at(i);
      ++i;
      continue;
    }
    if (b == 127) return "DEL " + at(i);
    if (b < 0x80) {
      ++i;
      continue;
    }
    // A UTF-8 character: lead byte, continuation bytes, no C1 control.
    std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > out.size()) return "bad UTF-8 lead byte " + at(i);
    char32_t cp = b & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < n; ++k) {
      const unsigned char c = static_cast<unsigned char>(out[i + k]);
      if ((c & 0xC0) != 0x80) return "bad UTF-8 continuation " + at(i + k);
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp >= 0x80 && cp <= 0x9F) return "C1 control character " + at(i);
    i += n;
  }
  return "";
}

int StartPiped(const std::string& binary, const std::string& dir, const std::string& out_path,
               int* keys_fd) {
  int p[2];
  if (pipe2(p, O_CLOEXEC) != 0) return -1;
  const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int pid = out < 0 ? -1 : fork();
  if (pid == 0) {
    dup2(p[0], 0);
    dup2(out, 1);
    ExecIn(binary, dir);
  }
  close(p[0]);
  if (out >= 0) close(out);
  if (pid < 0) {
    close(p[1]);
    return -1;
  }
  *keys_fd = p[1];
  return pid;
}

}  // namespace pwtest
