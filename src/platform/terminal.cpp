#include "platform/terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "platform/code_page.h"
#include "platform/key_decoder.h"

namespace pw {

namespace {

// How long a lone ESC waits for the rest of an escape sequence.
constexpr int kEscWaitMs = 50;

// ---- State shared with the signal handlers --------------------------------
//
// Only one terminal is active at a time.  The handlers use nothing but these
// plain copies, prepared before the handlers are installed, and only
// async-signal-safe calls (write, tcsetattr, kill, raise, signal).

volatile sig_atomic_t g_raw_active = 0;
int g_in_fd = -1;
int g_out_fd = -1;
struct termios g_saved_modes {};
// Linux console palette: entry 7 set to white, and all entries reset.
constexpr const char* kLinuxBrightWhite = "\x1b]P7FFFFFF";
constexpr const char* kLinuxPaletteReset = "\x1b]R";

char g_restore[96];            // leave the terminal for good
std::size_t g_restore_len = 0;
char g_suspend[64];            // leave the terminal while stopped
std::size_t g_suspend_len = 0;
int g_wake[2] = {-1, -1};      // self-pipe: resize and continue wake the poll

constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT,
                                 SIGSEGV, SIGABRT, SIGBUS, SIGFPE};
constexpr int kOtherSignals[] = {SIGTSTP, SIGCONT, SIGWINCH, SIGPIPE};
constexpr std::size_t kSignalCount = std::size(kFatalSignals) + std::size(kOtherSignals);
struct sigaction g_old_actions[kSignalCount];
bool g_handlers_installed = false;

void WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

void RestoreFromHandler(const char* bytes, std::size_t len) {
  if (g_out_fd >= 0) WriteAll(g_out_fd, bytes, len);
  if (g_raw_active) tcsetattr(g_in_fd, TCSANOW, &g_saved_modes);
}

// Termination and crash signals: put the terminal back, then die of the same
// signal with its default action (the handler was installed with
// SA_RESETHAND | SA_NODEFER, so the re-raise is delivered at once).
void OnFatalSignal(int sig) {
  RestoreFromHandler(g_restore, g_restore_len);
  signal(sig, SIG_DFL);
  raise(sig);
}

// A stop request from outside: hand the terminal back and stop.  SIGCONT
// later wakes the key wait, which takes the terminal again and repaints.
void OnStopSignal(int) {
  int saved_errno = errno;
  RestoreFromHandler(g_suspend, g_suspend_len);
  kill(getpid(), SIGSTOP);
  errno = saved_errno;
}

void OnWakeSignal(int sig) {
  int saved_errno = errno;
  char c = sig == SIGCONT ? 'c' : 'w';
  if (g_wake[1] >= 0) {
    ssize_t ignored = write(g_wake[1], &c, 1);
    (void)ignored;
  }
  errno = saved_errno;
}

void InstallHandlers() {
  int i = 0;
  for (int sig : kFatalSignals) {
    struct sigaction sa {};
    sa.sa_handler = OnFatalSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(sig, &sa, &g_old_actions[i++]);
  }
  for (int sig : kOtherSignals) {
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (sig == SIGTSTP) sa.sa_handler = OnStopSignal;
    else if (sig == SIGPIPE) sa.sa_handler = SIG_IGN;  // a closed output is seen as EPIPE
    else sa.sa_handler = OnWakeSignal;
    sigaction(sig, &sa, &g_old_actions[i++]);
  }
  g_handlers_installed = true;
}

void RemoveHandlers() {
  if (!g_handlers_installed) return;
  int i = 0;
  for (int sig : kFatalSignals) sigaction(sig, &g_old_actions[i++], nullptr);
  for (int sig : kOtherSignals) sigaction(sig, &g_old_actions[i++], nullptr);
  g_handlers_installed = false;
}

void OpenWakePipe() {
  if (g_wake[0] >= 0) return;
  if (pipe2(g_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    g_wake[0] = g_wake[1] = -1;
  }
}

// ---- Terminal modes and size ----------------------------------------------

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

void EnterRawMode(Terminal& t) {
  if (!t.raw_active) return;
  struct termios raw = RawModes(t.saved_modes);
  tcsetattr(t.in_fd, TCSANOW, &raw);
}

void QuerySize(Terminal& t) {
  t.term_rows = 0;
  t.term_cols = 0;
  struct winsize ws {};
  // Only a terminal that shows the output has a size that matters; output
  // into a file or pipe is never "too small".
  if (t.out_is_tty && ioctl(t.out_fd, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
    t.term_rows = ws.ws_row;
    t.term_cols = ws.ws_col;
  }
}

// ---- Output ---------------------------------------------------------------

void AppendInt(std::string& out, int v) {
  char buf[12];
  int n = 0;
  if (v == 0) buf[n++] = '0';
  while (v > 0) {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  while (n > 0) out.push_back(buf[--n]);
}

void AppendCursorTo(std::string& out, int row, int col) {
  out += "\x1b[";
  AppendInt(out, row + 1);
  out.push_back(';');
  AppendInt(out, col + 1);
  out.push_back('H');
}

// Writes t.out to the terminal.  A terminal that is gone (hung up, closed,
// bad descriptor) marks the output failed; the next key wait then ends the
// program instead of drawing into nothing forever.
void Flush(Terminal& t) {
  const char* p = t.out.data();
  std::size_t n = t.out.size();
  while (n > 0 && t.out_fd >= 0 && !t.out_failed) {
    ssize_t w = write(t.out_fd, p, n);
    if (w > 0) {
      p += w;
      n -= static_cast<std::size_t>(w);
      t.bytes_written += static_cast<uint64_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd pfd {t.out_fd, POLLOUT, 0};
      poll(&pfd, 1, -1);
      continue;
    }
    t.out_failed = true;
  }
  t.out.clear();
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

void ShowSizeNotice(Terminal& t, int cols, int rows) {
  t.out += "\x1b[0m\x1b[H\x1b[2J";
  t.out += "This program needs a terminal of ";
  AppendInt(t.out, cols);
  t.out += " columns by ";
  AppendInt(t.out, rows);
  t.out += " rows.\x1b[2;1HPlease enlarge the window; the screen comes back as soon as it fits.";
  t.too_small = true;
  t.shown_valid = false;
  t.term_blank = false;
  t.term_row = t.term_col = -1;
  t.term_attr = -1;
}

void SendRepaintStart(Terminal& t) {
  if (!t.term_blank) t.out += "\x1b[0m\x1b[H\x1b[2J";
  else t.out += "\x1b[H";
  t.term_blank = false;
  t.term_row = 0;
  t.term_col = 0;
  t.term_attr = -1;
}

void PrepareRestoreBytes(const Terminal& t) {
  std::string r = "\x1b[0m\x1b[?25h";
  if (t.linux_console) r += kLinuxPaletteReset;
  std::string s = r;
  if (t.title_pushed) r += "\x1b[23;0t";
  // Leave the shell on a fresh line below the program's last row.
  std::string below;
  AppendCursorTo(below, kScreenRows - 1, 0);
  below += "\r\n";
  r += below;
  s += below;
  std::memcpy(g_restore, r.data(), r.size());
  g_restore_len = r.size();
  std::memcpy(g_suspend, s.data(), s.size());
  g_suspend_len = s.size();
}

// ---- Input ----------------------------------------------------------------

// Reads what the wake pipe holds: a resize or a continue after a stop.
void HandleWakeups(Terminal& t) {
  if (g_wake[0] < 0) return;
  char buf[32];
  bool resized = false;
  bool continued = false;
  for (;;) {
    ssize_t n = read(g_wake[0], buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == 'c') continued = true;
      else resized = true;
    }
  }
  if (continued) {
    EnterRawMode(t);
    if (t.linux_console) t.out += kLinuxBrightWhite;
  }
  if (resized || continued) {
    QuerySize(t);
    t.shown_valid = false;
    t.too_small = false;
    t.term_row = t.term_col = -1;
    t.term_attr = -1;
    t.term_cursor_visible = -1;
  }
}

// Reads what the input holds into the decoder.  Returns false at the end of
// the input (end of file, hang-up, a read error).
bool ReadInput(Terminal& t) {
  for (;;) {
    std::size_t room = sizeof t.decoder.buf - t.decoder.len;
    if (room == 0) return true;
    ssize_t n = read(t.in_fd, t.decoder.buf + t.decoder.len, room);
    if (n > 0) {
      t.decoder.len += static_cast<std::size_t>(n);
      return true;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    return false;
  }
}

Key WaitForKey(Terminal& t, const Frame& f, bool take) {
  // No input at all ends at once rather than waiting on nothing forever.
  bool input_ended = t.in_fd < 0;
  if (t.opened) HandleWakeups(t);
  TerminalPresent(t, f);
  for (;;) {
    if (t.out_failed) throw EndOfInput{};
    DecodeResult r = NextKey(t.decoder, !input_ended, take);
    if (r.status == DecodeStatus::Done) return r.key;
    if (input_ended) throw EndOfInput{};

    struct pollfd pfd[2];
    pfd[0] = {t.in_fd, POLLIN, 0};
    pfd[1] = {g_wake[0], POLLIN, 0};
    nfds_t count = (t.opened && g_wake[0] >= 0) ? 2 : 1;
    bool waiting_for_rest = r.status == DecodeStatus::NeedMore;
    int ready = poll(pfd, count, waiting_for_rest ? kEscWaitMs : -1);
    if (ready < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      throw EndOfInput{};
    }
    if (ready == 0) {
      // Nothing followed the start of a sequence in time: settle it now.
      DecodeResult settled = NextKey(t.decoder, false, take);
      if (settled.status == DecodeStatus::Done) return settled.key;
      continue;
    }
    if (count == 2 && (pfd[1].revents & POLLIN)) {
      HandleWakeups(t);
      TerminalPresent(t, f);
    }
    if (pfd[0].revents & POLLNVAL) throw EndOfInput{};
    if (pfd[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      if (!ReadInput(t)) input_ended = true;
    }
  }
}

}  // namespace

int AnsiForeground(int palette) {
  int ansi = ((palette >> 2) & 1) | (palette & 2) | ((palette & 1) << 2);
  return (palette & 8 ? 90 : 30) + ansi;
}

int AnsiBackground(int palette) { return AnsiForeground(palette) + 10; }

void TerminalOpen(Terminal& t, int in_fd, int out_fd) {
  if (t.opened) TerminalClose(t);
  t.in_fd = in_fd;
  t.out_fd = out_fd;
  t.in_is_tty = in_fd >= 0 && isatty(in_fd) == 1;
  t.out_is_tty = out_fd >= 0 && isatty(out_fd) == 1;
  t.raw_active = false;
  t.out_failed = false;
  t.shown_valid = false;
  t.too_small = false;
  t.term_row = t.term_col = -1;
  t.term_attr = -1;
  t.term_cursor_visible = -1;
  t.decoder.utf8 = t.in_is_tty;
  t.raw_active = t.in_is_tty && tcgetattr(in_fd, &t.saved_modes) == 0;
  t.title_pushed = out_fd >= 0;
  // The Linux console takes the bright backgrounds (100-107) as the plain
  // ones, so bright white would show light grey: while the program runs,
  // its palette entry 7 is made white instead (and reset on the way out).
  const char* term = getenv("TERM");
  t.linux_console = t.out_is_tty && term != nullptr && std::strcmp(term, "linux") == 0;

  // The handlers and what they restore are in place before the modes change,
  // so no signal can leave the terminal raw.
  OpenWakePipe();
  g_in_fd = in_fd;
  g_out_fd = out_fd;
  g_saved_modes = t.saved_modes;
  PrepareRestoreBytes(t);
  g_raw_active = t.raw_active ? 1 : 0;
  InstallHandlers();
  EnterRawMode(t);
  t.opened = true;
  QuerySize(t);

  if (out_fd >= 0) {
    // Save the title, ask for a 90 x 30 window and clear the whole terminal.
    if (t.linux_console) t.out += kLinuxBrightWhite;
    t.out += "\x1b[22;0t\x1b[8;";
    AppendInt(t.out, kScreenRows);
    t.out.push_back(';');
    AppendInt(t.out, kScreenCols);
    t.out += "t\x1b[0m\x1b[H\x1b[2J";
    t.term_blank = true;
    Flush(t);
  }
}

void TerminalClose(Terminal& t) {
  if (!t.opened) return;
  t.out.clear();
  if (t.out_fd >= 0 && !t.out_failed) {
    t.out.assign(g_restore, g_restore_len);
    Flush(t);
  }
  if (t.raw_active) tcsetattr(t.in_fd, TCSANOW, &t.saved_modes);
  g_raw_active = 0;
  RemoveHandlers();
  g_out_fd = -1;
  g_in_fd = -1;
  t.raw_active = false;
  t.title_pushed = false;
  t.opened = false;
}

void TerminalPresent(Terminal& t, const Frame& f) {
  if (t.out_fd < 0 || t.out_failed) return;
  int w = Clamp(f.width, 1, kScreenCols);
  int h = Clamp(f.height, 1, kScreenRows);
  if (t.term_rows > 0 && (t.term_rows < h || t.term_cols < w)) {
    if (!t.too_small) ShowSizeNotice(t, w, h);
    Flush(t);
    return;
  }
  bool full = !t.shown_valid || t.too_small || t.shown.width != f.width ||
              t.shown.height != f.height;
  if (full) {
    t.too_small = false;
    SendRepaintStart(t);
  }
  if (!f.cursor_visible && t.term_cursor_visible != 0) {
    t.out += "\x1b[?25l";
    t.term_cursor_visible = 0;
  }

  char glyph[4];
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      const Cell& cell = f.cells[r][c];
      if (!full && cell == t.shown.cells[r][c]) continue;
      if (t.term_row == r && t.term_col >= 0 && t.term_col < c && c - t.term_col <= 4) {
        // A short run of unchanged cells in the same colours costs less to
        // rewrite than a cursor move.
        bool same = true;
        for (int k = t.term_col; k < c; ++k) same = same && f.cells[r][k].attr == t.term_attr;
        if (same) {
          for (int k = t.term_col; k < c; ++k) t.out.append(glyph, CellUtf8(f.cells[r][k].ch, glyph));
          t.term_col = c;
        }
      }
      if (t.term_row != r || t.term_col != c) AppendCursorTo(t.out, r, c);
      if (cell.attr != t.term_attr) {
        t.out += "\x1b[";
        AppendInt(t.out, AnsiForeground(cell.attr & 15));
        t.out.push_back(';');
        AppendInt(t.out, AnsiBackground(cell.attr >> 4));
        t.out.push_back('m');
        t.term_attr = cell.attr;
      }
      t.out.append(glyph, CellUtf8(cell.ch, glyph));
      t.term_row = r;
      // After the last column the terminal may hold a pending wrap: the
      // next cell always gets an explicit cursor move.
      t.term_col = c + 1 < w ? c + 1 : -1;
    }
  }

  if (f.cursor_visible) {
    int cr = Clamp(f.cursor_row, 0, h - 1);
    int cc = Clamp(f.cursor_col, 0, w - 1);
    if (t.term_row != cr || t.term_col != cc) {
      AppendCursorTo(t.out, cr, cc);
      t.term_row = cr;
      t.term_col = cc;
    }
    if (t.term_cursor_visible != 1) {
      t.out += "\x1b[?25h";
      t.term_cursor_visible = 1;
    }
  }
  t.shown = f;
  t.shown_valid = true;
  Flush(t);
}

Key TerminalReadKey(Terminal& t, const Frame& f) { return WaitForKey(t, f, true); }

Key TerminalPeekKey(Terminal& t, const Frame& f) { return WaitForKey(t, f, false); }

void TerminalFlushInput(Terminal& t) {
  if (!t.in_is_tty) return;
  tcflush(t.in_fd, TCIFLUSH);
  unsigned char scratch[256];
  for (;;) {
    struct pollfd pfd {t.in_fd, POLLIN, 0};
    if (poll(&pfd, 1, 0) <= 0 || !(pfd.revents & POLLIN)) break;
    ssize_t n = read(t.in_fd, scratch, sizeof scratch);
    if (n <= 0) break;
  }
  t.decoder.len = 0;
  t.decoder.after_cr = false;
}

void TerminalBeep(Terminal& t, const Frame& f) {
  TerminalPresent(t, f);
  ++t.beeps;
  if (t.out_fd < 0 || t.out_failed) return;
  t.out.push_back('\a');
  Flush(t);
}

void TerminalSetTitle(Terminal& t, const char* title) {
  if (t.out_fd < 0 || !t.out_is_tty || t.out_failed) return;
  t.out += "\x1b]2;";
  for (const char* p = title; *p; ++p) {
    unsigned char b = static_cast<unsigned char>(*p);
    if (b >= 32 && b < 127) t.out.push_back(*p);
  }
  t.out += "\x1b\\";
  Flush(t);
}

}  // namespace pw
