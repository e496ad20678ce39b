#include "platform/posix/terminal_device.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "platform/device.h"
#include "platform/files.h"
#include "platform/frame.h"
#include "platform/posix/terminfo.h"

namespace pw {

namespace {

// How long a lone ESC waits for the rest of an escape sequence.
constexpr int kEscWaitMs = 50;

// ---- What the signal handlers use -----------------------------------------
//
// One device at a time takes the terminal over.  The handlers use nothing
// but these plain copies and async-signal-safe calls (write, poll,
// tcsetattr, kill, raise, signal).  The bytes that give the terminal back
// change as the screen does (the shell goes on below its lowest text row):
// each kind is kept twice, and the copy the handlers read (`current`) is
// never the one being rewritten.

constexpr std::size_t kSignalBytesCapacity = 64;

struct SignalBytes {
  char bytes[kSignalBytesCapacity];
  std::size_t len = 0;
};

struct SignalState {
  volatile sig_atomic_t raw_active = 0;
  int in_fd = kNoHandle;
  int out_fd = kNoHandle;
  struct termios saved_modes {};
  SignalBytes leave[2];    // give the terminal back for good
  SignalBytes suspend[2];  // give it back while stopped
  volatile sig_atomic_t current = 0;
  int wake[2] = {kNoHandle, kNoHandle};  // self-pipe: resize and continue wake the key wait
};
SignalState g_signals;

// What the handlers' bytes were made for: the lowest text row shown and the
// terminal's height (the rest is fixed while the device is open).  The
// bytes are made again only when one of them changes, not for every frame.
struct SignalBytesFor {
  int lowest_row = 0;
  int terminal_rows = 0;
  friend bool operator==(const SignalBytesFor&, const SignalBytesFor&) = default;
};
std::optional<SignalBytesFor> g_signal_bytes_for;

constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE};
constexpr int kOtherSignals[] = {SIGTSTP, SIGCONT, SIGWINCH, SIGPIPE};
constexpr std::size_t kSignalCount = std::size(kFatalSignals) + std::size(kOtherSignals);
struct sigaction g_old_actions[kSignalCount];
bool g_handlers_installed = false;

void GiveBackFromHandler(const SignalBytes& b) {
  if (g_signals.out_fd >= 0) WriteAll(g_signals.out_fd, b.bytes, b.len);
  if (g_signals.raw_active) tcsetattr(g_signals.in_fd, TCSANOW, &g_signals.saved_modes);
}

// Termination and crash signals: give the terminal back, then die of the
// same signal with its default action (installed with SA_RESETHAND |
// SA_NODEFER, so the re-raise is delivered at once).
void OnFatalSignal(int sig) {
  GiveBackFromHandler(g_signals.leave[g_signals.current]);
  signal(sig, SIG_DFL);
  raise(sig);
}

// A stop request from outside: hand the terminal back and stop.  SIGCONT
// later wakes the key wait, which takes the terminal again and repaints.
void OnStopSignal(int) {
  const int saved_errno = errno;
  GiveBackFromHandler(g_signals.suspend[g_signals.current]);
  kill(getpid(), SIGSTOP);
  errno = saved_errno;
}

void OnWakeSignal(int sig) {
  const int saved_errno = errno;
  const char c = sig == SIGCONT ? 'c' : 'w';
  if (g_signals.wake[1] >= 0) {
    const ssize_t ignored = write(g_signals.wake[1], &c, 1);
    (void)ignored;
  }
  errno = saved_errno;
}

void InstallHandlers() {
  std::size_t i = 0;
  for (const int sig : kFatalSignals) {
    struct sigaction sa {};
    sa.sa_handler = OnFatalSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(sig, &sa, &g_old_actions[i++]);
  }
  for (const int sig : kOtherSignals) {
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (sig == SIGTSTP) {
      sa.sa_handler = OnStopSignal;
    } else if (sig == SIGPIPE) {
      sa.sa_handler = SIG_IGN;  // a closed output is seen as EPIPE
    } else {
      sa.sa_handler = OnWakeSignal;
    }
    sigaction(sig, &sa, &g_old_actions[i++]);
  }
  g_handlers_installed = true;
}

void RemoveHandlers() {
  if (!g_handlers_installed) return;
  std::size_t i = 0;
  for (const int sig : kFatalSignals) sigaction(sig, &g_old_actions[i++], nullptr);
  for (const int sig : kOtherSignals) sigaction(sig, &g_old_actions[i++], nullptr);
  g_handlers_installed = false;
}

void OpenWakePipe() {
  if (g_signals.wake[0] >= 0) return;
  if (pipe2(g_signals.wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    g_signals.wake[0] = g_signals.wake[1] = kNoHandle;
  }
}

bool Store(SignalBytes& b, const std::string& bytes) {
  if (bytes.size() > sizeof b.bytes) return false;
  std::memcpy(b.bytes, bytes.data(), bytes.size());
  b.len = bytes.size();
  return true;
}

// Brings the handlers' bytes up to date with what the screen shows.
void UpdateSignalBytes(const Device& d) {
  const int rows = d.size ? d.size->rows : 0;
  const SignalBytesFor now{LowestRowShown(d.view), rows};
  if (g_signal_bytes_for == now) return;
  g_signal_bytes_for = now;
  const std::string leave = LeaveBytes(d.view, d.traits, d.out_is_terminal, rows);
  const std::string suspend = LeaveBytes(d.view, d.traits, false, rows);
  const sig_atomic_t other = 1 - g_signals.current;
  if (Store(g_signals.leave[other], leave) && Store(g_signals.suspend[other], suspend)) {
    g_signals.current = other;
  }
}

// ---- Modes, size, output ---------------------------------------------------

struct termios RawModes(const struct termios& saved) {
  struct termios raw = saved;
  // Keys arrive byte by byte, unechoed and untranslated; Ctrl+C, Ctrl+Z,
  // Ctrl+\ and Ctrl+S/Q are ordinary keys.
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                        ICRNL | IXON | IXOFF);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  raw.c_cflag |= CS8;
  // Reads happen only after poll reports input, so one byte suffices.
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  return raw;
}

void EnterRawMode(const Device& d) {
  if (!d.saved_modes) return;
  const struct termios raw = RawModes(*d.saved_modes);
  tcsetattr(d.in_fd, TCSANOW, &raw);
}

// Only a terminal that shows the output has a size that matters; output
// into a file or pipe is never too small.
void QuerySize(Device& d) {
  d.size.reset();
  struct winsize ws {};
  if (d.out_is_terminal && ioctl(d.out_fd, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
    d.size = TerminalSize{ws.ws_row, ws.ws_col};
  }
}

// Writes what is waiting.  An output that is gone (hung up, closed, a bad
// descriptor) is lost for good: the next key wait ends the program instead
// of drawing into nothing forever.
void Flush(Device& d) {
  if (d.state == Device::State::Open && d.out_fd >= 0 && !d.out.empty()) {
    std::size_t written = 0;
    const int error = WriteAll(d.out_fd, d.out.data(), d.out.size(), &written);
    d.bytes_written += written;
    if (error != 0) d.state = Device::State::OutputLost;
  }
  d.out.clear();
}

// ---- Input ------------------------------------------------------------------

// Reads what the wake pipe holds: a resize, or a continue after a stop.
void HandleWakeups(Device& d) {
  if (g_signals.wake[0] < 0) return;
  char buf[32];
  bool resized = false;
  bool continued = false;
  for (;;) {
    const ssize_t n = read(g_signals.wake[0], buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) (buf[i] == 'c' ? continued : resized) = true;
  }
  if (continued) {
    EnterRawMode(d);
    RenderResume(d.traits, d.out);
  }
  if (resized || continued) {
    QuerySize(d);
    ForgetView(d.view);
  }
}

// Reads what the input holds into the decoder.  False at the end of the
// input (end of file, hang-up, a read error).
bool ReadInput(Device& d) {
  for (;;) {
    const std::size_t room = sizeof d.keys.buf - d.keys.len;
    if (room == 0) return true;
    const ssize_t n = read(d.in_fd, d.keys.buf + d.keys.len, room);
    if (n > 0) {
      d.keys.len += static_cast<std::size_t>(n);
      return true;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}

enum class Wait : uint8_t {
  Input,    // the input has bytes (or has ended: a read will tell)
  Timeout,  // nothing came in time after the start of a sequence
  Woken,    // a signal: resize or continue
  Ended,    // the input cannot be waited on any more
};

Wait WaitForInput(const Device& d, bool waiting_for_rest) {
  struct pollfd pfd[2] = {{d.in_fd, POLLIN, 0}, {g_signals.wake[0], POLLIN, 0}};
  const nfds_t count = g_signals.wake[0] >= 0 ? 2 : 1;
  const int ready = poll(pfd, count, waiting_for_rest ? kEscWaitMs : -1);
  if (ready < 0) return errno == EINTR || errno == EAGAIN ? Wait::Woken : Wait::Ended;
  if (ready == 0) return Wait::Timeout;
  if (count == 2 && (pfd[1].revents & POLLIN)) return Wait::Woken;
  if (pfd[0].revents & POLLNVAL) return Wait::Ended;
  if (pfd[0].revents & (POLLIN | POLLHUP | POLLERR)) return Wait::Input;
  return Wait::Woken;
}

Key WaitForKey(Device& d, const Frame& f, bool take) {
  // No input at all ends at once rather than waiting on nothing forever.
  bool input_ended = d.in_fd < 0;
  HandleWakeups(d);
  ShowFrame(d, f);
  for (;;) {
    if (d.state == Device::State::OutputLost) throw EndOfInput{};
    const DecodeResult r = NextKey(d.keys, !input_ended, take);
    if (r.status == DecodeStatus::Done) return r.key;
    if (input_ended) throw EndOfInput{};
    switch (WaitForInput(d, r.status == DecodeStatus::NeedMore)) {
      case Wait::Input:
        input_ended = !ReadInput(d);
        break;
      case Wait::Timeout: {
        // Nothing followed the start of a sequence in time: settle it now.
        const DecodeResult settled = NextKey(d.keys, false, take);
        if (settled.status == DecodeStatus::Done) return settled.key;
        break;
      }
      case Wait::Woken:
        HandleWakeups(d);
        ShowFrame(d, f);
        break;
      case Wait::Ended:
        throw EndOfInput{};
    }
  }
}

}  // namespace

DeviceHandles StandardHandles() { return DeviceHandles{STDIN_FILENO, STDOUT_FILENO}; }

void OpenDevice(Device& d, DeviceHandles handles) {
  CloseDevice(d);
  d.in_fd = handles.input;
  d.out_fd = handles.output;
  d.in_is_terminal = d.in_fd >= 0 && isatty(d.in_fd) == 1;
  d.out_is_terminal = d.out_fd >= 0 && isatty(d.out_fd) == 1;
  d.keys = KeyDecoder{};
  d.keys.utf8 = d.in_is_terminal;
  d.saved_modes.reset();
  struct termios modes {};
  if (d.in_is_terminal && tcgetattr(d.in_fd, &modes) == 0) d.saved_modes = modes;
  d.traits = d.out_is_terminal ? ReadTerminalTraits(d.out_fd) : TerminalTraits{};
  d.view = TerminalView{};
  d.out.clear();

  // The handlers and what they write are in place before the modes change,
  // so no signal can leave the terminal raw.
  OpenWakePipe();
  g_signals.in_fd = d.in_fd;
  g_signals.out_fd = d.out_fd;
  if (d.saved_modes) g_signals.saved_modes = *d.saved_modes;
  g_signal_bytes_for.reset();
  UpdateSignalBytes(d);
  g_signals.raw_active = d.saved_modes ? 1 : 0;
  InstallHandlers();
  EnterRawMode(d);
  d.state = Device::State::Open;
  QuerySize(d);
  if (d.out_fd >= 0) {
    RenderStart(d.view, d.traits, d.out_is_terminal, d.out);
    Flush(d);
  }
}

void CloseDevice(Device& d) {
  if (d.state == Device::State::Closed) return;
  d.out.clear();
  if (d.out_fd >= 0 && d.state == Device::State::Open) {
    d.out = LeaveBytes(d.view, d.traits, d.out_is_terminal, d.size ? d.size->rows : 0);
    Flush(d);
  }
  if (d.saved_modes) tcsetattr(d.in_fd, TCSANOW, &*d.saved_modes);
  g_signals.raw_active = 0;
  RemoveHandlers();
  g_signals.in_fd = kNoHandle;
  g_signals.out_fd = kNoHandle;
  d.saved_modes.reset();
  d.state = Device::State::Closed;
}

void ShowFrame(Device& d, const Frame& f) {
  if (d.state != Device::State::Open || d.out_fd < 0) return;
  if (d.size && (d.size->rows < f.height || d.size->cols < f.width)) {
    if (d.view.content != TerminalView::Content::SizeNotice) {
      RenderSizeNotice(d.view, f.width, f.height, d.out);
    }
  } else {
    RenderFrame(d.view, f, d.traits, d.out);
    UpdateSignalBytes(d);
  }
  Flush(d);
}

Key ReadKey(Device& d, const Frame& f) { return WaitForKey(d, f, true); }

Key PeekKey(Device& d, const Frame& f) { return WaitForKey(d, f, false); }

void DiscardWaitingKeys(Device& d) {
  if (!d.in_is_terminal) return;
  tcflush(d.in_fd, TCIFLUSH);
  unsigned char scratch[256];
  for (;;) {
    struct pollfd p {d.in_fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) break;
    if (read(d.in_fd, scratch, sizeof scratch) <= 0) break;
  }
  d.keys.len = 0;
  d.keys.after_cr = false;
}

void SoundBeep(Device& d, const Frame& f) {
  ShowFrame(d, f);
  ++d.beeps;
  if (d.state != Device::State::Open || d.out_fd < 0) return;
  d.out.push_back('\a');
  Flush(d);
}

void SetWindowTitle(Device& d, std::string_view title) {
  if (d.state != Device::State::Open || !d.out_is_terminal) return;
  RenderTitle(title, d.out);
  Flush(d);
}

// A terminal window's menu is the terminal's own business.
void RemoveWindowMenuItem(Device&, int) {}

int BeepCount(const Device& d) { return d.beeps; }

}  // namespace pw
