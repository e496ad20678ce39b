// End-to-end tests in a real terminal: the program runs in a detached tmux
// session of its own (private server socket), keys go in with send-keys,
// and the screen comes back with capture-pane, colours included.
#pragma once

#include <string>
#include <vector>

namespace pwtest {

// True when a tmux program can be run.
bool TmuxAvailable();

// Runs a shell command and returns its standard output.
std::string ShellOutput(const std::string& command);

// Quotes a text for the POSIX shell.
std::string ShellQuote(const std::string& text);

// A shell command line that runs the program in `dir`, with `prefix` (for
// example a command that changes the user) in front of the program.
std::string ProgramIn(const std::string& dir, const std::string& prefix = "");

// One character cell as tmux shows it: the character (UTF-8) and the SGR
// colour numbers in effect (-1 for the terminal's default colour).
struct ScreenCell {
  std::string ch = " ";
  int fg = -1;
  int bg = -1;
};

// A captured screen: rows of cells, from `capture-pane -p -e -N`.
struct ScreenShot {
  std::vector<std::vector<ScreenCell>> rows;
  // The text of a 1-based row, trailing blanks removed.
  std::string Text(int row) const;
  const ScreenCell& At(int row, int col) const;  // 1-based
  bool Contains(const std::string& text) const;
};

ScreenShot ParseCapture(const std::string& captured);

struct TmuxSession {
  // Starts `command` (a shell command line) in a new detached session of the
  // given size.  The session's shell-side files (stty, exit status, output
  // log) live in `dir`.
  TmuxSession(const std::string& command, int cols = 90, int rows = 30);
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  // Runs `tmux -L <socket> <args>` and returns its standard output.
  std::string Tmux(const std::string& args) const;

  void Keys(const std::string& tmux_key_names) const;  // e.g. "9 Enter", "C-c"
  void Literal(const std::string& text) const;         // typed as is

  ScreenShot Screen() const;
  // Polls the screen until it contains `text`; false after the timeout.
  bool WaitForText(const std::string& text, int timeout_ms = 15000) const;
  // Polls until row `row` reads exactly `text` (trailing blanks ignored).
  bool WaitForRow(int row, const std::string& text, int timeout_ms = 15000) const;
  // Waits until row `row` shows `prompt`, then types `text` and Enter;
  // false when the prompt did not come.
  bool TypeAt(int row, const std::string& prompt, const std::string& text) const;
  // Polls until the file exists and is not empty; returns its content
  // without trailing white space, or "" after the timeout.
  std::string WaitForFile(const std::string& path, int timeout_ms = 15000) const;

  // The process id of the pane's first process (the wrapper shell).
  int PanePid() const;
  void Resize(int cols, int rows) const;

  std::string socket;
  std::string name;
  bool started = false;
};

// Process id of the first child of `pid`, or -1.
int FirstChildPid(int pid);
// CPU time (user + system) of a process in clock ticks, or -1.
long CpuTicks(int pid);

}  // namespace pwtest

namespace pwtest {

// True when the process has ended (no longer exists, or is a zombie waiting
// for its parent), polled for up to `timeout_ms`.
bool ProcessGone(int pid, int timeout_ms);
// Peak resident set size (VmHWM) of a process in KiB, or -1.
long PeakRssKiB(int pid);

// The program run on a pseudo-terminal that the test holds itself: every
// byte the program writes is kept in `log`, keys are written to the master
// side.  The terminal is 90 x 30 and TERM is xterm-256color.
struct PtyRun {
  // Starts `binary` with `dir` as its current directory.
  PtyRun(const std::string& binary, const std::string& dir);
  ~PtyRun();
  PtyRun(const PtyRun&) = delete;
  PtyRun& operator=(const PtyRun&) = delete;

  // Writes the bytes as typed keys, reading the program's output meanwhile
  // so that neither side blocks on a full buffer.
  void Type(const std::string& bytes);
  // Reads output until `text` occurs in the log at or after `from`; returns
  // the position after it, or std::string::npos after the timeout.
  std::size_t WaitFor(const std::string& text, std::size_t from, int timeout_ms = 30000);
  // Reads output until none has come for `quiet_ms` (at most `timeout_ms`).
  // Output is sent as changes to the screen, so a text the screen already
  // showed in the same place may never appear in the log: waiting for the
  // program to go quiet is the sure way to know it has taken what was typed.
  void Settle(int quiet_ms = 200, int timeout_ms = 30000);
  // Waits for the program to end and returns its wait status, or -1 after the
  // timeout (the program is then killed).
  int Wait(int timeout_ms = 30000);

  int master = -1;
  int pid = -1;
  std::string log;

 private:
  void ReadSome(int wait_ms);
};

// Checks a stream of terminal output: every byte below 32 is ESC, CR, LF or
// BEL, every ESC starts a control sequence of the kinds the program sends
// (CSI with digits, ";" and "?" and a final letter of H, J, m, t, h or l; an
// OSC title ended by ESC \), and the rest is well-formed UTF-8 without DEL or
// C1 controls.  Returns "" or a description of the first fault.
std::string TerminalOutputFault(const std::string& out);

// Starts `binary` in `dir` with its standard output the file `out_path` and
// its standard input a pipe whose writing end is put in `*keys_fd` (the caller
// writes the keys and closes it).  Returns the process id, for waitpid.
int StartPiped(const std::string& binary, const std::string& dir, const std::string& out_path,
               int* keys_fd);

}  // namespace pwtest
