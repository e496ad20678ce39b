// Faults from outside the program, in a real terminal (tmux): termination
// signals at different moments, a stop and continue, a resize below the
// required size, and the terminal going away.
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "e2e/child_process.h"
#include "e2e/tmux_session.h"
#include "e2e/waits.h"
#include "support/test_support.h"

namespace {

using pwtest::ScreenShot;
using pwtest::ShellQuote;
using pwtest::TmuxSession;

constexpr char kArmPrompt[] = "      Effective arm length (mm)?";
constexpr char kClosing[] = "      Press any key to return to the main screen";
constexpr char kAfterExit[] = "after-exit";

std::string Program() { return ShellQuote(PW_BINARY); }

// The first difference between two screens (text and colours of every
// cell), or "".
std::string ScreenDifference(const ScreenShot& a, const ScreenShot& b) {
  if (a.rows.size() != b.rows.size()) return "row counts differ";
  for (int r = 1; r <= static_cast<int>(a.rows.size()); ++r) {
    if (a.rows[r - 1].size() != b.rows[r - 1].size()) return "row " + std::to_string(r) + " width";
    for (int c = 1; c <= static_cast<int>(a.rows[r - 1].size()); ++c) {
      const auto& x = a.At(r, c);
      const auto& y = b.At(r, c);
      if (x.ch != y.ch || x.fg != y.fg || x.bg != y.bg)
        return "row " + std::to_string(r) + " column " + std::to_string(c);
    }
  }
  return "";
}

class FaultSignals : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not installed";
    pwtest::WriteFileBytes(File("data.txt"), "earlier data\r\n");
  }
  std::string File(const std::string& name) const { return dir.path + "/" + name; }
  // The program in `dir` between two readings of the terminal modes; after
  // it a line is printed and the shell stays, so the pane's cursor and
  // colours can be looked at as the next program would find them.
  std::string Wrapped(const std::string& program) const {
    return pwtest::RecordedRun(dir.path, program,
                               {.wait_for_go = false, .afterwards = "printf '" + std::string(kAfterExit) + "\\n'; sleep 60"});
  }

  pwtest::TempDir dir;
};

// Where the program is when the signal comes.
enum class Moment { MainScreen, MidEntry, ClosingPrompt };

// Brings the program to `moment`; returns false when it never got there.
bool GoTo(const TmuxSession& s, Moment moment) {
  if (!s.WaitForText("Type the action number")) return false;
  switch (moment) {
    case Moment::MainScreen:
      return true;
    case Moment::MidEntry:
      s.Keys("3 Enter");
      if (!s.WaitForRow(9, kArmPrompt)) return false;
      s.Literal("24");
      return s.WaitForRow(9, std::string(kArmPrompt) + "          24");
    case Moment::ClosingPrompt:
      s.Keys("2 Enter");
      if (!s.WaitForRow(9, "      Inner recorded radius (mm)?")) return false;
      s.Keys("6 0 Enter");
      if (!s.WaitForRow(11, "      Outer recorded radius (mm)?")) return false;
      s.Keys("1 4 6 Enter");
      if (!s.WaitForText("[Y/N]?")) return false;
      s.Keys("N Enter");
      return s.WaitForRow(25, kClosing);
  }
  return false;
}

TEST_F(FaultSignals, TerminationSignalsRestoreModesCursorAndColours) {
  const struct {
    int sig;
    Moment moment;
  } cases[] = {
      {SIGTERM, Moment::MainScreen},    {SIGHUP, Moment::MainScreen},
      {SIGINT, Moment::MainScreen},     {SIGQUIT, Moment::MainScreen},
      {SIGTERM, Moment::MidEntry},      {SIGHUP, Moment::MidEntry},
      {SIGINT, Moment::MidEntry},       {SIGQUIT, Moment::MidEntry},
      {SIGTERM, Moment::ClosingPrompt}, {SIGQUIT, Moment::ClosingPrompt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(strsignal(c.sig)) + " at moment " +
                 std::to_string(static_cast<int>(c.moment)));
    std::remove(File("status").c_str());
    std::remove(File("after").c_str());
    TmuxSession s(Wrapped(Program()));
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(GoTo(s, c.moment));
    if (c.moment == Moment::ClosingPrompt) {
      ASSERT_EQ(s.PaneValue("#{cursor_flag}"), "0") << "the cursor is hidden while the program waits here";
    }
    const int program = s.ProgramPid();
    ASSERT_GT(program, 0);
    ASSERT_EQ(kill(program, c.sig), 0);

    EXPECT_EQ(s.WaitForFile(File("status")), std::to_string(128 + c.sig));
    const std::string before = s.WaitForFile(File("before"));
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(s.WaitForFile(File("after")), before) << "terminal modes";
    ASSERT_TRUE(s.WaitForText(kAfterExit));
    EXPECT_EQ(s.PaneValue("#{cursor_flag}"), "1") << "cursor shown again";
    const ScreenShot shot = s.Screen();
    for (int r = 1; r <= static_cast<int>(shot.rows.size()); ++r) {
      if (shot.Text(r) != kAfterExit) continue;
      for (int col = 1; col <= 10; ++col) {
        EXPECT_EQ(shot.At(r, col).fg, -1) << "default colours after the program, column " << col;
        EXPECT_EQ(shot.At(r, col).bg, -1) << "default colours after the program, column " << col;
      }
    }
    EXPECT_EQ(pwtest::ReadFileBytes(File("data.txt")), "earlier data\r\n");
  }
}

TEST_F(FaultSignals, StopHandsTheTerminalBackAndContinueRepaintsTheWholeScreen) {
  TmuxSession s(Wrapped(Program()));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(GoTo(s, Moment::MidEntry));
  const ScreenShot running = s.Screen();
  const std::string cursor_at = s.PaneValue("#{cursor_x},#{cursor_y}");
  const std::string before = s.WaitForFile(File("before"));
  const std::string tty = s.PaneValue("#{pane_tty}");
  const int program = s.ProgramPid();
  ASSERT_GT(program, 0);
  ASSERT_NE(pwtest::ShellOutput("stty -g -F " + tty), before + "\n") << "raw while running";

  ASSERT_EQ(kill(program, SIGTSTP), 0);
  std::string modes;
  pwtest::WaitUntil([&] { return (modes = pwtest::ShellOutput("stty -g -F " + tty)) == before + "\n"; },
                    5000);
  EXPECT_EQ(modes, before + "\n") << "cooked modes while stopped";
  EXPECT_EQ(s.PaneValue("#{cursor_flag}"), "1") << "cursor shown while stopped";
  // Something else uses the terminal meanwhile: it clears the screen and
  // writes a line, which comes out in the default colours.
  {
    const int fd = open(tty.c_str(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const std::string other = "\x1b[H\x1b[2Jother program\r\n";
    ASSERT_EQ(write(fd, other.data(), other.size()), static_cast<ssize_t>(other.size()));
    close(fd);
  }
  ASSERT_TRUE(s.WaitForRow(1, "other program"));
  EXPECT_EQ(s.Screen().At(1, 1).bg, -1);
  EXPECT_EQ(s.Screen().At(1, 1).fg, -1);

  ASSERT_EQ(kill(program, SIGCONT), 0);
  ASSERT_TRUE(s.WaitForRow(9, std::string(kArmPrompt) + "          24"));
  ASSERT_TRUE(s.WaitForRow(2, "   Pivotwright v1.01"));
  EXPECT_EQ(ScreenDifference(s.Screen(), running), "") << "the whole screen is back";
  EXPECT_EQ(s.PaneValue("#{cursor_x},#{cursor_y}"), cursor_at);
  EXPECT_NE(pwtest::ShellOutput("stty -g -F " + tty), before + "\n") << "raw again";

  // The entry goes on where it was: "24" and "0" make 240.
  s.Keys("0 Enter 1 6 Enter 2 2 Enter 6 0 Enter 1 4 6 Enter");
  ASSERT_TRUE(s.WaitForRow(27, kClosing));
  EXPECT_EQ(pwtest::ReadFileBytes(File("data.txt")),
            pwtest::ReadFileBytes(pwtest::ReferencePath("action3/arm-240/data.txt")));
  s.Keys("Enter");
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Keys("4 Enter");
  EXPECT_EQ(s.WaitForFile(File("status")), "0");
  EXPECT_EQ(s.WaitForFile(File("after")), before);
}

TEST_F(FaultSignals, ResizeBelowTheSizeAndBackKeepsTheEntryInProgress) {
  TmuxSession s(Wrapped(Program()));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(GoTo(s, Moment::MidEntry));
  const ScreenShot running = s.Screen();
  const std::string cursor_at = s.PaneValue("#{cursor_x},#{cursor_y}");

  for (const auto& size : {std::pair{89, 30}, std::pair{90, 29}, std::pair{60, 20}}) {
    SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
    s.Resize(size.first, size.second);
    ASSERT_TRUE(s.WaitForText("90 columns by 30 rows"));
    EXPECT_FALSE(s.Screen().Contains("Effective arm length"));
    s.Resize(90, 30);
    ASSERT_TRUE(s.WaitForRow(9, std::string(kArmPrompt) + "          24"));
    ASSERT_TRUE(s.WaitForRow(2, "   Pivotwright v1.01"));
    EXPECT_EQ(ScreenDifference(s.Screen(), running), "") << "the exact screen again";
    EXPECT_EQ(s.PaneValue("#{cursor_x},#{cursor_y}"), cursor_at);
  }
  // A key typed while the notice is up still goes into the entry.
  s.Resize(80, 24);
  ASSERT_TRUE(s.WaitForText("90 columns by 30 rows"));
  s.Keys("0");
  s.Resize(90, 30);
  ASSERT_TRUE(s.WaitForRow(9, std::string(kArmPrompt) + "          240"));
  s.Keys("Enter 1 6 Enter 2 2 Enter 6 0 Enter 1 4 6 Enter");
  ASSERT_TRUE(s.WaitForRow(27, kClosing));
  EXPECT_EQ(s.Screen().Text(9), std::string(kArmPrompt) + "          240");
  EXPECT_EQ(pwtest::ReadFileBytes(File("data.txt")),
            pwtest::ReadFileBytes(pwtest::ReferencePath("action3/arm-240/data.txt")));
  EXPECT_EQ(pwtest::ReadFileBytes(File("graph.txt")),
            pwtest::ReadFileBytes(pwtest::ReferencePath("action3/arm-240/graph.txt")));
  s.Keys("Enter");
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Keys("4 Enter");
  EXPECT_EQ(s.WaitForFile(File("status")), "0");
}

TEST_F(FaultSignals, TerminalGoingAwayEndsTheProgram) {
  // Killing the session hangs the terminal up: the program gets SIGHUP.
  // Run in a session of its own (setsid), it gets no signal and sees only
  // its reads and writes fail.
  const struct {
    const char* how;
    bool own_session;
    Moment moment;
    const char* tmux_command;
  } cases[] = {
      {"kill-session at the main screen", false, Moment::MainScreen, "kill-session"},
      {"kill-pane in the middle of an entry", false, Moment::MidEntry, "kill-pane"},
      {"kill-pane, no hang-up signal, main screen", true, Moment::MainScreen, "kill-pane"},
      {"kill-session, no hang-up signal, closing prompt", true, Moment::ClosingPrompt,
       "kill-session"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    TmuxSession s(Wrapped(std::string(c.own_session ? "setsid " : "") + Program()));
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(GoTo(s, c.moment));
    const int program = s.ProgramPid();
    ASSERT_GT(program, 0);
    const long ticks = pwtest::CpuTicks(program);
    s.Tmux(std::string(c.tmux_command) + " -t " + s.name);
    const bool gone = pwtest::ProcessGone(program, 15000);
    EXPECT_TRUE(gone) << "still running; CPU ticks used since the terminal went away: "
                      << pwtest::CpuTicks(program) - ticks;
    if (!gone) kill(program, SIGKILL);
    EXPECT_EQ(pwtest::ReadFileBytes(File("data.txt")), "earlier data\r\n");
  }
}

}  // namespace
