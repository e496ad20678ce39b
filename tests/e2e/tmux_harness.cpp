#include "e2e/tmux_harness.h"

#include <stdio.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace pwtest {

namespace {

int g_session_counter = 0;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

std::string ShellOutput(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

std::string ShellQuote(const std::string& text) {
  std::string q = "'";
  for (char c : text) {
    if (c == '\'') q += "'\\''";
    else q.push_back(c);
  }
  return q + "'";
}

bool TmuxAvailable() {
  return ShellOutput("command -v tmux >/dev/null 2>&1 && echo yes") == "yes\n";
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

ScreenShot ParseCapture(const std::string& captured) {
  ScreenShot shot;
  int fg = -1, bg = -1;
  std::vector<ScreenCell> row;
  for (std::size_t i = 0; i < captured.size();) {
    unsigned char b = static_cast<unsigned char>(captured[i]);
    if (b == '\n') {
      shot.rows.push_back(row);
      row.clear();
      ++i;
    } else if (b == 0x1b && i + 1 < captured.size() && captured[i + 1] == '[') {
      std::size_t j = i + 2;
      std::string params;
      while (j < captured.size() && (captured[j] < 0x40 || captured[j] > 0x7e)) params.push_back(captured[j++]);
      if (j < captured.size() && captured[j] == 'm') {
        std::stringstream ps(params.empty() ? "0" : params);
        std::string item;
        while (std::getline(ps, item, ';')) {
          int v = item.empty() ? 0 : std::stoi(item);
          if (v == 0) fg = bg = -1;
          else if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97)) fg = v;
          else if (v == 39) fg = -1;
          else if ((v >= 40 && v <= 47) || (v >= 100 && v <= 107)) bg = v;
          else if (v == 49) bg = -1;
        }
      }
      i = j + 1;
    } else {
      std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
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
  std::string cmd = "tmux -L " + socket + " -f /dev/null start-server \\; set-option -g "
                    "remain-on-exit on \\; new-session -d -x " + std::to_string(cols) + " -y " +
                    std::to_string(rows) + " -s " + name + " " + ShellQuote(command) + " 2>&1";
  std::string err = ShellOutput(cmd);
  started = err.empty();
}

TmuxSession::~TmuxSession() {
  ShellOutput("tmux -L " + socket + " kill-server >/dev/null 2>&1");
}

std::string TmuxSession::Tmux(const std::string& args) const {
  return ShellOutput("tmux -L " + socket + " " + args + " 2>/dev/null");
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
  for (int waited = 0;; waited += 20) {
    if (Screen().Contains(text)) return true;
    if (waited >= timeout_ms) return false;
    Sleep(20);
  }
}

bool TmuxSession::WaitForRow(int row, const std::string& text, int timeout_ms) const {
  for (int waited = 0;; waited += 20) {
    if (Screen().Text(row) == text) return true;
    if (waited >= timeout_ms) return false;
    Sleep(20);
  }
}

std::string TmuxSession::WaitForFile(const std::string& path, int timeout_ms) const {
  for (int waited = 0;; waited += 20) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string s = Trimmed(ss.str());
    if (!s.empty()) return s;
    if (waited >= timeout_ms) return "";
    Sleep(20);
  }
}

int TmuxSession::PanePid() const {
  std::string s = Tmux("display-message -p -t " + name + " '#{pane_pid}'");
  return s.empty() ? -1 : std::atoi(s.c_str());
}

void TmuxSession::Resize(int cols, int rows) const {
  Tmux("resize-window -t " + name + " -x " + std::to_string(cols) + " -y " + std::to_string(rows));
}

int FirstChildPid(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  int child = -1;
  if (!(in >> child)) return -1;
  return child;
}

long CpuTicks(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::stringstream rest(stat.substr(close + 2));
  std::string field;
  long utime = -1, stime = -1;
  // Fields after the command name start at field 3 (state); utime is 14,
  // stime 15.
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime < 0 || stime < 0 ? -1 : utime + stime;
}

}  // namespace pwtest
