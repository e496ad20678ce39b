// The program as a child process of the test: on a pseudo-terminal the
// test holds itself, or with its standard input a pipe; and what the
// system says about a running process.
#pragma once

#include <cstddef>
#include <string>

namespace pwtest {

// True when the process has ended (no longer exists, or is a zombie waiting
// for its parent), looked at by the clock for up to `timeout_ms`.
bool ProcessGone(int pid, int timeout_ms);
// CPU time (user + system) of a process in clock ticks, or -1.
long CpuTicks(int pid);
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
// writes the keys and closes it).  Returns the process id, for waitpid, or
// -1 with nothing left open.
int StartPiped(const std::string& binary, const std::string& dir, const std::string& out_path,
               int* keys_fd);

}  // namespace pwtest
