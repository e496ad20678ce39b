// Files that cannot be written, a working directory that disappears, and a
// grid of a million rows: what the user sees and what is left on disk.
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

#include "e2e/child_process.h"
#include "e2e/tmux_session.h"
#include "e2e/waits.h"
#include "support/test_support.h"

// Whether this build runs under the address sanitizer (g++ and clang say so
// in different ways).
#if defined(__SANITIZE_ADDRESS__)
#define PW_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PW_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef PW_ADDRESS_SANITIZER
#define PW_ADDRESS_SANITIZER 0
#endif

namespace {

using pwtest::ShellQuote;
using pwtest::TmuxSession;

constexpr char kClosing[] = "      Press any key to return to the main screen";

std::string Reference(const std::string& name) {
  return pwtest::ReadFileBytes(pwtest::ReferencePath("action3/arm-240/" + name));
}

int FileCount(const std::string& dir) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir),
                                        std::filesystem::directory_iterator()));
}

// Mode bits do not stop root.  As root the program runs as the unprivileged
// user 65534 instead; "" when that cannot be done.
std::string Unprivileged() {
  if (geteuid() != 0) return " ";
  const std::string prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  if (pwtest::ShellOutput(prefix + "true >/dev/null 2>&1 && echo yes") != "yes\n") return "";
  return prefix;
}

// Types the reference set-up into action 3 and waits for the closing prompt
// on `closing_row`.
void RunAction3(const TmuxSession& s, int closing_row) {
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Keys("3 Enter");
  ASSERT_TRUE(s.WaitForRow(9, "      Effective arm length (mm)?"));
  s.Keys("2 4 0 Enter 1 6 Enter 2 2 Enter 6 0 Enter 1 4 6 Enter");
  ASSERT_TRUE(s.WaitForRow(closing_row, kClosing));
}

// Chooses action 2 with the worked radii and answers "Y".
void RunAction2(const TmuxSession& s) {
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Keys("2 Enter");
  ASSERT_TRUE(s.WaitForRow(9, "      Inner recorded radius (mm)?"));
  s.Keys("6 0 . 3 2 5 Enter 1 4 6 . 0 5 Enter");
  ASSERT_TRUE(s.WaitForText("[Y/N]?"));
  s.Keys("Y Enter");
  ASSERT_TRUE(s.WaitForRow(27, kClosing));
}

void Quit(const TmuxSession& s) {
  s.Keys("Enter");
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  s.Keys("4 Enter");
}

class FaultFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pwtest::TmuxAvailable()) GTEST_SKIP() << "tmux is not installed";
    // The unprivileged user must be able to reach the working folder.
    chmod(top.path.c_str(), 0711);
    ASSERT_TRUE(std::filesystem::create_directory(work));
    chmod(work.c_str(), 0777);
  }
  std::string File(const std::string& name) const { return work + "/" + name; }

  pwtest::TempDir top;
  std::string work = top.path + "/work";
};

TEST_F(FaultFiles, ReadOnlyDataFileIsReportedAndKept) {
  const std::string as_user = Unprivileged();
  if (as_user.empty()) GTEST_SKIP() << "running as root and cannot switch to user 65534";
  pwtest::WriteFileBytes(File("data.txt"), "earlier data\r\n");
  ASSERT_EQ(chmod(File("data.txt").c_str(), 0444), 0);
  TmuxSession s(pwtest::ProgramIn(work, as_user));
  ASSERT_TRUE(s.started);
  RunAction3(s, 27);
  const pwtest::ScreenShot shot = s.Screen();
  EXPECT_EQ(shot.Text(20), "      Could not write data.txt: Permission denied");
  EXPECT_EQ(shot.Text(21), "");
  EXPECT_EQ(shot.At(20, 10).fg, shot.At(27, 10).fg) << "in the message colour";
  EXPECT_EQ(pwtest::ReadFileBytes(File("data.txt")), "earlier data\r\n");
  EXPECT_EQ(pwtest::ReadFileBytes(File("graph.txt")), Reference("graph.txt"));
  Quit(s);
}

TEST_F(FaultFiles, GraphFileOnAFullDeviceIsReported) {
  if (!pwtest::FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::filesystem::create_symlink("/dev/full", File("graph.txt"));
  TmuxSession s(pwtest::ProgramIn(work));
  ASSERT_TRUE(s.started);
  RunAction3(s, 27);
  EXPECT_EQ(s.Screen().Text(20), "      Could not write graph.txt: No space left on device");
  EXPECT_EQ(pwtest::ReadFileBytes(File("data.txt")), Reference("data.txt"));
  EXPECT_TRUE(std::filesystem::is_symlink(File("graph.txt")));
  Quit(s);
}

TEST_F(FaultFiles, UnwritableDirectoryKeepsTheDrawingAndReportsBothDataFiles) {
  const std::string as_user = Unprivileged();
  if (as_user.empty()) GTEST_SKIP() << "running as root and cannot switch to user 65534";
  pwtest::WriteFileBytes(File("protractor.emf"), "earlier drawing");
  ASSERT_EQ(chmod(work.c_str(), 0555), 0);
  TmuxSession s(pwtest::ProgramIn(work, as_user));
  ASSERT_TRUE(s.started);
  RunAction2(s);
  EXPECT_EQ(s.Screen().Text(20),
            "      The drawing could not be saved as protractor.emf: Permission denied");
  s.Keys("Enter");
  RunAction3(s, 28);  // one failure row per file: the closing prompt one row lower
  const pwtest::ScreenShot shot = s.Screen();
  EXPECT_EQ(shot.Text(20), "      Could not write data.txt: Permission denied");
  EXPECT_EQ(shot.Text(21), "      Could not write graph.txt: Permission denied");
  Quit(s);
  EXPECT_EQ(pwtest::ReadFileBytes(File("protractor.emf")), "earlier drawing");
  EXPECT_EQ(FileCount(work), 1) << "no temporary or partial file left";
  chmod(work.c_str(), 0777);
}

TEST_F(FaultFiles, DeletedWorkingDirectoryIsReportedAndNothingIsRecreated) {
  pwtest::WriteFileBytes(top.path + "/data.txt", "beside the working folder");
  TmuxSession s(pwtest::ProgramIn(work));
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.WaitForText("Type the action number"));
  ASSERT_TRUE(std::filesystem::remove(work));
  RunAction3(s, 28);
  pwtest::ScreenShot shot = s.Screen();
  EXPECT_EQ(shot.Text(20), "      Could not write data.txt: No such file or directory");
  EXPECT_EQ(shot.Text(21), "      Could not write graph.txt: No such file or directory");
  s.Keys("Enter");
  RunAction2(s);
  EXPECT_EQ(s.Screen().Text(20),
            "      The drawing could not be saved as protractor.emf: No such file or directory");
  Quit(s);
  EXPECT_FALSE(std::filesystem::exists(work));
  EXPECT_EQ(pwtest::ReadFileBytes(top.path + "/data.txt"), "beside the working folder");
  EXPECT_EQ(FileCount(top.path), 1);
}

// Runs action 3 with inner radius 0 and the given outer radius through a
// pipe, and reads the program's peak memory while it waits at the closing
// prompt.  Returns the peak in KiB, or -1.
long PeakMemoryOfGrid(const std::string& dir, const std::string& outer) {
#if PW_ADDRESS_SANITIZER
  // The address sanitizer holds freed blocks back (its quarantine), which
  // would count every short-lived text of every row; without it the peak
  // shows what the program itself keeps.
  const char* old = getenv("ASAN_OPTIONS");
  const std::string options = std::string(old ? old : "") +
                              ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0";
  setenv("ASAN_OPTIONS", options.c_str(), 1);
#endif
  int keys = -1;
  const int pid = pwtest::StartPiped(PW_BINARY, dir, dir + "/out", &keys);
  if (pid < 0) return -1;
  const std::string typed = "3\n240\n16\n22\n0\n" + outer + "\n";
  if (write(keys, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) return -1;
  const bool waiting = pwtest::WaitUntil(
      [&] { return pwtest::ReadFileBytes(dir + "/out").find("Press any key") != std::string::npos; },
      120000);
  const long peak = waiting ? pwtest::PeakRssKiB(pid) : -1;
  if (write(keys, "4\n", 2) != 2) return -1;
  close(keys);
  int status = 0;
  waitpid(pid, &status, 0);
#if PW_ADDRESS_SANITIZER
  if (old) setenv("ASAN_OPTIONS", old, 1);
  else unsetenv("ASAN_OPTIONS");
#endif
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return peak;
}

TEST(FaultLargeGrid, MillionRowsCompleteInMemoryThatDoesNotGrow) {
  pwtest::TempDir small;
  pwtest::TempDir large;
  const long small_peak = PeakMemoryOfGrid(small.path, "100");
  const long large_peak = PeakMemoryOfGrid(large.path, "100000");
  ASSERT_GT(small_peak, 0);
  ASSERT_GT(large_peak, 0);

  const auto lines = [](const std::string& path) {
    const std::string bytes = pwtest::ReadFileBytes(path);
    return std::count(bytes.begin(), bytes.end(), '\n');
  };
  EXPECT_EQ(lines(small.path + "/data.txt"), 11 + 1001);
  EXPECT_EQ(lines(large.path + "/data.txt"), 11 + 1000001);
  EXPECT_EQ(lines(large.path + "/graph.txt"), 1000001);
  const std::string graph = pwtest::ReadFileBytes(large.path + "/graph.txt");
  EXPECT_EQ(graph.substr(graph.rfind('\n', graph.size() - 2) + 1, 7), "100000,");
  EXPECT_LE(large_peak - small_peak, 2048)
      << "peak memory: " << small_peak << " KiB for 1,001 rows, " << large_peak
      << " KiB for 1,000,001 rows";
  std::printf("[ measure  ] peak memory %ld KiB for 1,001 rows, %ld KiB for 1,000,001 rows\n",
              small_peak, large_peak);
}

}  // namespace
