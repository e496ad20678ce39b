#include "e2e/tmux_session.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "e2e/waits.h"

namespace pwtest {

namespace {

int g_session_counter = 0;

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

ShellResult RunShell(const std::string& command) {
  ShellResult r;
  char err_path[] = "/tmp/pwtest-stderr-XXXXXX";
  const int err_fd = mkstemp(err_path);
  if (err_fd < 0) return r;
  close(err_fd);
  FILE* p = popen(("{ " + command + " ; } 2>" + err_path).c_str(), "r");
  if (p != nullptr) {
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  r.err = FileText(err_path);
  unlink(err_path);
  return r;
}

std::string ShellOutput(const std::string& command) { return RunShell(command).out; }

std::string ShellQuote(const std::string& text) {
  std::string q = "'";
  for (const char c : text) {
    if (c == '\'') {
      q += "'\\''";
    } else {
      q.push_back(c);
    }
  }
  return q + "'";
}

bool TmuxAvailable() { return RunShell("command -v tmux").status == 0; }

std::string ProgramIn(const std::string& dir, const std::string& prefix) {
  return "cd " + ShellQuote(dir) + " && exec " + prefix + ShellQuote(PW_BINARY);
}

std::string RecordedRun(const std::string& dir, const std::string& program, const Recording& how) {
  std::string line = "ulimit -c 0; cd " + ShellQuote(dir) + " || exit; ";
  if (how.wait_for_go) line += "while [ ! -e go ]; do sleep 0.02; done; ";
  line += "stty -g > before; " + program + "; echo $? > status; stty -g > after";
  if (!how.afterwards.empty()) line += "; " + how.afterwards;
  return line;
}

std::string ScreenShot::Text(int row) const {
  std::string t;
  if (row < 1 || row > static_cast<int>(rows.size())) return t;
  for (const ScreenCell& c : rows[row - 1]) t += c.ch;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

const ScreenCell& ScreenShot::At(int row, int col) const {
  static const ScreenCell none{"", -2, -2};
  if (row < 1 || row > static_cast<int>(rows.size())) return none;
  const auto& r = rows[row - 1];
  if (col < 1 || col > static_cast<int>(r.size())) return none;
  return r[col - 1];
}

bool ScreenShot::Contains(const std::string& text) const {
  for (int r = 1; r <= static_cast<int>(rows.size()); ++r)
    if (Text(r).find(text) != std::string::npos) return true;
  return false;
}

namespace {

// Applies the SGR parameters of one "ESC [ ... m" to the colours in effect.
void ApplySgr(const std::string& params, int& fg, int& bg) {
  std::stringstream ps(params.empty() ? "0" : params);
  std::string item;
  while (std::getline(ps, item, ';')) {
    const int v = item.empty() ? 0 : std::stoi(item);
    if (v == 0) {
      fg = bg = -1;
    } else if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97)) {
      fg = v;
    } else if (v == 39) {
      fg = -1;
    } else if ((v >= 40 && v <= 47) || (v >= 100 && v <= 107)) {
      bg = v;
    } else if (v == 49) {
      bg = -1;
    }
  }
}

}  // namespace

ScreenShot ParseCapture(const std::string& captured) {
  ScreenShot shot;
  int fg = -1;
  int bg = -1;
  std::vector<ScreenCell> row;
  for (std::size_t i = 0; i < captured.size();) {
    const auto b = static_cast<unsigned char>(captured[i]);
    if (b == '\n') {
      shot.rows.push_back(row);
      row.clear();
      ++i;
    } else if (b == 0x1b && i + 1 < captured.size() && captured[i + 1] == '[') {
      std::size_t j = i + 2;
      std::string params;
      while (j < captured.size() && (captured[j] < 0x40 || captured[j] > 0x7e)) params.push_back(captured[j++]);
      if (j < captured.size() && captured[j] == 'm') ApplySgr(params, fg, bg);
      i = j + 1;
    } else {
      const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
      row.push_back(ScreenCell{captured.substr(i, n), fg, bg});
      i += n;
    }
  }
  if (!row.empty()) shot.rows.push_back(row);
  return shot;
}

TmuxSession::TmuxSession(const std::string& command, int cols, int rows) {
  name = "pw" + std::to_string(getpid()) + "x" + std::to_string(++g_session_counter);
  socket = name;
  // remain-on-exit is set before the session exists, so the pane keeps its
  // last screen however soon the command ends.
  const ShellResult r = RunShell("tmux -L " + socket + " -f /dev/null start-server \\; set-option -g "
                                 "remain-on-exit on \\; new-session -d -x " + std::to_string(cols) +
                                 " -y " + std::to_string(rows) + " -s " + name + " " + ShellQuote(command));
  started = r.status == 0;
  if (!started) ADD_FAILURE() << "tmux could not start the session: " << r.err;
}

TmuxSession::~TmuxSession() { RunShell("tmux -L " + socket + " kill-server"); }

std::string TmuxSession::Tmux(const std::string& args) const {
  const ShellResult r = RunShell("tmux -L " + socket + " " + args);
  if (r.status != 0) ADD_FAILURE() << "tmux " << args << " failed (" << r.status << "): " << r.err;
  return r.out;
}

std::string TmuxSession::PaneValue(const std::string& format) const {
  return Trimmed(Tmux("display-message -p -t " + name + " " + ShellQuote(format)));
}

void TmuxSession::Keys(const std::string& tmux_key_names) const {
  Tmux("send-keys -t " + name + " " + tmux_key_names);
}

void TmuxSession::Literal(const std::string& text) const {
  Tmux("send-keys -l -t " + name + " " + ShellQuote(text));
}

ScreenShot TmuxSession::Screen() const {
  return ParseCapture(Tmux("capture-pane -p -e -N -t " + name));
}

bool TmuxSession::WaitForText(const std::string& text, int timeout_ms) const {
  return WaitUntil([&] { return Screen().Contains(text); }, timeout_ms);
}

bool TmuxSession::WaitForRow(int row, const std::string& text, int timeout_ms) const {
  return WaitUntil([&] { return Screen().Text(row) == text; }, timeout_ms);
}

bool TmuxSession::WaitForExit(int timeout_ms) const {
  return WaitUntil([&] { return PaneValue("#{pane_dead}") == "1"; }, timeout_ms, 50);
}

bool TmuxSession::TypeAt(int row, const std::string& prompt, const std::string& text) const {
  if (!WaitForRow(row, prompt)) return false;
  if (!text.empty()) Literal(text);
  Keys("Enter");
  return true;
}

std::string TmuxSession::WaitForFile(const std::string& path, int timeout_ms) const {
  std::string content;
  WaitUntil([&] { return !(content = Trimmed(FileText(path))).empty(); }, timeout_ms);
  return content;
}

int TmuxSession::PanePid() const {
  const std::string s = PaneValue("#{pane_pid}");
  return s.empty() ? -1 : std::atoi(s.c_str());
}

int TmuxSession::ProgramPid() const {
  std::ifstream in("/proc/" + std::to_string(PanePid()) + "/task/" + std::to_string(PanePid()) +
                   "/children");
  int child = -1;
  if (!(in >> child)) return -1;
  return child;
}

void TmuxSession::Resize(int cols, int rows) const {
  Tmux("resize-window -t " + name + " -x " + std::to_string(cols) + " -y " + std::to_string(rows));
}

}  // namespace pwtest
