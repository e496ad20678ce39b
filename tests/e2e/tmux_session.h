// The program in a real terminal: a detached tmux session of its own
// (private server socket), keys sent with send-keys, the screen read back
// with capture-pane, colours included.
#pragma once

#include <string>
#include <vector>

namespace pwtest {

// What a shell command printed, and its exit status.
struct ShellResult {
  std::string out;
  std::string err;
  int status = -1;
};
ShellResult RunShell(const std::string& command);
// Its standard output only.
std::string ShellOutput(const std::string& command);
// A text quoted for the POSIX shell.
std::string ShellQuote(const std::string& text);

// True when a tmux program can be run.
bool TmuxAvailable();

// A shell command line that runs the program in `dir`, with `prefix` (for
// example a command that changes the user) in front of it.
std::string ProgramIn(const std::string& dir, const std::string& prefix = "");

// A shell command line that runs `program` (a shell command) in `dir` and
// records around it: the terminal modes before and after it (dir/before,
// dir/after) and its exit status (dir/status).
struct Recording {
  bool wait_for_go = false;  // start only once dir/go exists (a log is attached first)
  std::string afterwards;    // shell commands run after the records are written
};
std::string RecordedRun(const std::string& dir, const std::string& program,
                        const Recording& how = {});

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
  // Starts `command` (a shell command line) in a new detached session of
  // the given size.  `started` says whether tmux took it.
  explicit TmuxSession(const std::string& command, int cols = 90, int rows = 30);
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  // Runs `tmux -L <socket> <args>` and returns its standard output; a
  // failure is reported as a test failure, with what tmux said.
  std::string Tmux(const std::string& args) const;
  // A value of the pane's, such as "#{pane_dead}" or "#{cursor_flag}",
  // without the line end.
  std::string PaneValue(const std::string& format) const;

  void Keys(const std::string& tmux_key_names) const;  // e.g. "9 Enter", "C-c"
  void Literal(const std::string& text) const;         // typed as is

  ScreenShot Screen() const;
  // These wait by the clock and give false after the timeout.
  bool WaitForText(const std::string& text, int timeout_ms = 15000) const;
  // Row `row` reads exactly `text` (trailing blanks ignored).
  bool WaitForRow(int row, const std::string& text, int timeout_ms = 15000) const;
  // The program has ended (the pane stays, with its last screen).
  bool WaitForExit(int timeout_ms = 15000) const;
  // Waits until row `row` shows `prompt`, then types `text` and Enter.
  bool TypeAt(int row, const std::string& prompt, const std::string& text) const;
  // Polls until the file exists and is not empty; its content without
  // trailing white space, or "" after the timeout.
  std::string WaitForFile(const std::string& path, int timeout_ms = 15000) const;

  // The pane's first process (the command's shell), and the program
  // started by it.
  int PanePid() const;
  int ProgramPid() const;
  void Resize(int cols, int rows) const;

  std::string socket;
  std::string name;
  bool started = false;
};

}  // namespace pwtest
