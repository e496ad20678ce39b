// The program in a real terminal (tmux, 90 x 30): what a user sees and
// hears, how it ends, and that the terminal is left as it was found.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "e2e/child_process.h"
#include "e2e/tmux_session.h"
#include "e2e/waits.h"
#include "support/test_support.h"

namespace {

using pwtest::ScreenShot;
using pwtest::ShellQuote;
using pwtest::TmuxSession;

constexpr const char* kMenu1 = "Calculate optimum overhang and offset for specified arm dimensions";

class MainScreenE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not installed";
  }
  std::string File(const std::string& name) const { return dir.path + "/" + name; }
  // The program with the terminal modes before and after it and its exit
  // status recorded.  With `logged`, it waits for the output log to be
  // attached first (AttachLog).
  std::string Wrapped(const std::string& program, bool logged = false) const {
    return pwtest::RecordedRun(dir.path, program, {.wait_for_go = logged, .afterwards = ""});
  }
  // Starts the program with every byte it writes logged to the file "out".
  void AttachLog(const TmuxSession& s) const {
    s.Tmux("pipe-pane -O -t " + s.name + " " + ShellQuote("cat >> " + ShellQuote(File("out"))));
    pwtest::WriteFileBytes(File("go"), "");
  }
  std::string Log() const {
    return pwtest::FileExists(File("out")) ? pwtest::ReadFileBytes(File("out")) : "";
  }
  // Waits until the log holds at least `min_size` bytes and has stopped
  // growing (the logging pipe trails the screen a little); returns its size.
  std::size_t SettledLogSize(std::size_t min_size) const {
    using Clock = std::chrono::steady_clock;
    std::size_t last = 0;
    auto changed = Clock::now();
    pwtest::WaitUntil(
        [&] {
          const std::size_t now = Log().size();
          if (now != last || now < min_size) changed = Clock::now();
          last = now;
          return Clock::now() - changed >= std::chrono::milliseconds(150);
        },
        5000, 10);
    return last;
  }
  long Bells() const {
    std::string log = Log();
    return std::count(log.begin(), log.end(), '\a');
  }
  static std::string Program() { return ShellQuote(PW_BINARY); }

  pwtest::TempDir dir;
};

// The main screen, text and colours, as any terminal must show it.  Where
// the screen was erased in its colours (bce) tmux does not capture the
// erased cells at the end of a row; the cells it captures are checked.
void ExpectMainScreen(const ScreenShot& shot, bool erased_in_colour = false) {
  ASSERT_EQ(shot.rows.size(), 30u);
  EXPECT_EQ(shot.Text(2), "   Pivotwright v1.01");
  EXPECT_EQ(shot.Text(9), "                                   Select an action");
  EXPECT_EQ(shot.Text(12), std::string("         1) ") + kMenu1);
  EXPECT_EQ(shot.Text(18), "         4) Quit");
  EXPECT_EQ(shot.Text(21), "                     Type the action number and <Enter> to initiate");
  for (int r = 22; r <= 30; ++r) EXPECT_EQ(shot.Text(r), "") << "row " << r;

  // Bright white background everywhere; black text, dark grey menu texts.
  int not_white = 0;
  for (int r = 1; r <= 30; ++r) {
    const auto cells = static_cast<int>(shot.rows[r - 1].size());
    if (!erased_in_colour) {
      ASSERT_EQ(cells, 90) << "row " << r;
    }
    for (int c = 1; c <= cells; ++c) not_white += shot.At(r, c).bg != 107;
  }
  EXPECT_EQ(not_white, 0);
  EXPECT_EQ(shot.At(2, 4).fg, 30);
  EXPECT_EQ(shot.At(12, 10).fg, 30);
  EXPECT_EQ(shot.At(12, 13).fg, 90);
  EXPECT_EQ(shot.At(12, 78).fg, 90);
  EXPECT_EQ(shot.At(18, 13).fg, 90);
  EXPECT_EQ(shot.At(21, 22).fg, 30);
}

TEST_F(MainScreenE2E, MainScreenAsAUserSeesIt) {
  // tmux's own terminal type has no bce, xterm's has: the screen is cleared
  // differently but must look the same.
  for (const char* term : {"", "TERM=xterm-256color "}) {
    SCOPED_TRACE(*term ? term : "tmux's TERM");
    TmuxSession s(Wrapped(std::string(term) + Program()));
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.WaitForText("Type the action number")) << "main screen never appeared";
    ExpectMainScreen(s.Screen(), *term != 0);
    s.Keys("4 Enter");
    EXPECT_EQ(s.WaitForFile(File("status")), "0");
    std::remove(File("status").c_str());
  }
}

TEST_F(MainScreenE2E, FirstScreenWritesOnlyTheTextWhereTheTerminalErasesInColour) {
  struct Case {
    const char* term;
    bool bce;
    std::size_t at_least;
    std::size_t at_most;
  } cases[] = {
      {"tmux-256color", false, 2700, 4000},  // every cell is written
      {"xterm-256color", true, 300, 1100},   // one erase in the screen's colours, then the text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.term);
    std::remove(File("out").c_str());
    std::remove(File("go").c_str());
    TmuxSession s(Wrapped("TERM=" + std::string(c.term) + " " + Program(), true));
    ASSERT_TRUE(s.started);
    AttachLog(s);
    ASSERT_TRUE(s.WaitForText("Type the action number"));
    const std::size_t first_screen = SettledLogSize(1);
    EXPECT_GE(first_screen, c.at_least);
    EXPECT_LE(first_screen, c.at_most);
    ExpectMainScreen(s.Screen(), c.bce);
    s.Literal("9");
    ASSERT_TRUE(s.WaitForRow(25, "         9"));
    EXPECT_EQ(SettledLogSize(first_screen + 1) - first_screen, 1u) << "an echoed key costs one byte";
    s.Keys("BSpace 4 Enter");
    EXPECT_EQ(s.WaitForFile(File("status")), "0");
    std::remove(File("status").c_str());
    std::printf("[ measure  ] first main screen with TERM=%s: %zu bytes\n", c.term, first_screen);
  }
}

TEST_F(MainScreenE2E, RejectedEntriesBeepTwiceAndWalkDownTheScreen) {
  TmuxSession s(Wrapped(Program(), true));
  ASSERT_TRUE(s.started);
  AttachLog(s);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  std::size_t first_screen = SettledLogSize(1);

  s.Literal("9");
  ASSERT_TRUE(s.WaitForRow(25, "         9"));
  std::size_t echo = SettledLogSize(first_screen + 1) - first_screen;
  EXPECT_LT(echo, 40u) << "one echoed character must not repaint the screen";
  EXPECT_EQ(Bells(), 0);
  s.Keys("Enter");
  s.Keys("0 1 Enter");
  ASSERT_TRUE(s.WaitForRow(26, "         01"));
  s.Keys("Enter");  // an empty line is rejected too
  pwtest::WaitUntil([&] { return Bells() >= 6; }, 5000);
  EXPECT_EQ(Bells(), 6) << "two bells per rejected entry";
  EXPECT_EQ(s.Screen().Text(25), "         9");

  // Entries on rows 28 to 30; the line end of the one on row 30 scrolls.
  s.Keys("a Enter b Enter c Enter");
  ASSERT_TRUE(s.WaitForRow(29, "         c"));
  ScreenShot shot = s.Screen();
  EXPECT_EQ(shot.Text(8), "                                   Select an action");
  EXPECT_EQ(shot.Text(30), "");
  s.Keys("4 Enter");
  EXPECT_EQ(s.WaitForFile(File("status")), "0");
  std::printf("[ measure  ] first main screen %zu bytes, one echoed character %zu bytes\n",
              first_screen, echo);
}

TEST_F(MainScreenE2E, QuitEndsWithStatusZeroAndLeavesTheScreenAndTheTerminal) {
  TmuxSession s(pwtest::RecordedRun(dir.path, Program(), {.wait_for_go = false, .afterwards = "printf 'after-exit\\n'; sleep 60"}));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Keys("4 Enter");
  ASSERT_EQ(s.WaitForFile(File("status")), "0");
  ASSERT_TRUE(s.WaitForText("after-exit"));
  std::string before = s.WaitForFile(File("before"));
  EXPECT_FALSE(before.empty());
  EXPECT_EQ(s.WaitForFile(File("after")), before) << "terminal modes restored";
  ScreenShot shot = s.Screen();
  EXPECT_TRUE(shot.Contains(kMenu1)) << "the main screen stays visible";
  EXPECT_EQ(shot.Text(2), "   Pivotwright v1.01") << "nothing scrolled away";
  EXPECT_EQ(shot.Text(26), "after-exit") << "the shell goes on below the last text row";
}

TEST_F(MainScreenE2E, CtrlCAndCtrlZAreOrdinaryKeys) {
  TmuxSession s(Wrapped(Program()));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Keys("C-c");
  s.Keys("C-z");
  s.Keys("C-\\\\");
  // A key typed after them shows that they have been read.
  s.Keys("x");
  ASSERT_TRUE(s.WaitForRow(25, "         x")) << "control keys are not echoed";
  EXPECT_FALSE(pwtest::FileExists(File("status"))) << "the program ended on a control key";
  s.Keys("BSpace 4 Enter");
  EXPECT_EQ(s.WaitForFile(File("status")), "0");
}

TEST_F(MainScreenE2E, TypedNonAsciiLetterEchoesAsItself) {
  TmuxSession s(Wrapped(Program()));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Literal("\xc3\xa9\xc2\xb0");  // e-acute, degree sign
  EXPECT_TRUE(s.WaitForRow(25, "         \xc3\xa9\xc2\xb0"));
  s.Keys("BSpace BSpace Enter 4 Enter");
  EXPECT_EQ(s.WaitForFile(File("status")), "0");
}

TEST_F(MainScreenE2E, TerminationFromOutsideRestoresTheTerminal) {
  TmuxSession s(Wrapped(Program()));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  int program = s.ProgramPid();
  ASSERT_GT(program, 0);
  ASSERT_EQ(kill(program, SIGTERM), 0);
  EXPECT_EQ(s.WaitForFile(File("status")), std::to_string(128 + SIGTERM));
  std::string before = s.WaitForFile(File("before"));
  EXPECT_EQ(s.WaitForFile(File("after")), before);
}

TEST_F(MainScreenE2E, SmallTerminalShowsANoticeUntilItIsLargeEnough) {
  TmuxSession s(Wrapped(Program()));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Resize(80, 24);
  EXPECT_TRUE(s.WaitForText("90 columns by 30 rows"));
  s.Resize(90, 30);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  ScreenShot shot = s.Screen();
  EXPECT_EQ(shot.Text(12), std::string("         1) ") + kMenu1);
  EXPECT_FALSE(shot.Contains("90 columns by 30 rows"));
  s.Keys("4 Enter");
  EXPECT_EQ(s.WaitForFile(File("status")), "0");
}

TEST_F(MainScreenE2E, PipedScriptRunsAndEndOfInputExitsWithStatusOne) {
  {
    TmuxSession s(Wrapped("printf '\\n4\\n' | " + Program()));
    ASSERT_TRUE(s.started);
    EXPECT_EQ(s.WaitForFile(File("status")), "0");
    EXPECT_TRUE(s.Screen().Contains("Select an action"));
    EXPECT_EQ(s.WaitForFile(File("after")), s.WaitForFile(File("before")));
  }
  std::remove(File("status").c_str());
  {
    TmuxSession s(Wrapped("printf '9\\n' | " + Program()));
    ASSERT_TRUE(s.started);
    EXPECT_EQ(s.WaitForFile(File("status")), "1");
    // The rejected line stays, 16 rows below "Select an action" (the pane
    // may have scrolled since: the shell's fresh line and tmux's own
    // dead-pane message come below row 30).
    ScreenShot shot = s.Screen();
    int select_row = 0;
    for (int r = 1; r <= 30; ++r)
      if (shot.Text(r) == "                                   Select an action") select_row = r;
    ASSERT_GT(select_row, 0);
    EXPECT_EQ(shot.Text(select_row + 16), "         9");
  }
}

TEST_F(MainScreenE2E, WaitingForAKeyCostsNoCpuTime) {
  TmuxSession s(Wrapped(Program()));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  int program = s.ProgramPid();
  ASSERT_GT(program, 0);
  long start = pwtest::CpuTicks(program);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the second measured
  long used = pwtest::CpuTicks(program) - start;
  ASSERT_GE(start, 0);
  // A loop polling every millisecond costs several ticks a second; a
  // blocked read costs none.
  EXPECT_LE(used, 1) << "clock ticks used in one idle second";
  s.Keys("4 Enter");
  EXPECT_EQ(s.WaitForFile(File("status")), "0");
}

}  // namespace
