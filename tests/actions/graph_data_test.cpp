#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "actions/graph_data_screen.h"
#include "actions/optimum_screen.h"
#include "geometry/alignment.h"
#include "screens/program_values.h"
#include "support/test_support.h"
#include "text/console_screen.h"

namespace {

constexpr char kClosing[] = "      Press any key to return to the main screen";
constexpr char kSaved[] =
    "      The data has been saved to data.txt and graph.txt in the parent directory";

// The six typed texts of a reference case; typed.txt holds one
// `label: "text"` line per entry, in the order the screen asks for them.
std::vector<std::string> TypedTexts(const std::string& dir) {
  std::ifstream in(pwtest::ReferencePath("action3/" + dir + "/typed.txt"));
  std::vector<std::string> texts;
  std::string line;
  while (std::getline(in, line)) {
    const auto open = line.find('"');
    const auto close = line.find('"', open + 1);
    texts.push_back(line.substr(open + 1, close - open - 1));
  }
  return texts;
}

// The keys that answer action 3's prompts (the pivot only when the arm
// length is empty) and then the closing prompt.
std::string Keys(const std::vector<std::string>& t) {
  std::string k = t[0] + "\r";
  if (t[0].empty()) k += t[1] + "\r";
  for (std::size_t i = 2; i < 6; ++i) k += t[i] + "\r";
  return k + "x";
}

std::string Action3Keys(const std::string& arm, const std::string& pivot, const std::string& overhang,
                        const std::string& offset, const std::string& inner, const std::string& outer) {
  return Keys({arm, pivot, overhang, offset, inner, outer});
}

// Runs action 3 on a fresh screen (keys left waiting by an earlier screen
// are not carried over, as the main screen's entry would discard them).
void RunAction3(pw::ConsoleScreen& s, pw::ProgramValues& v, const std::string& keys) {
  s = pw::ConsoleScreen{};
  pwtest::AttachScriptedKeys(s, keys);
  pw::RunGraphData(s, v);
}

void RunAction1(pw::ConsoleScreen& s, pw::ProgramValues& v, const std::string& keys) {
  s = pw::ConsoleScreen{};
  pwtest::AttachScriptedKeys(s, keys);
  pw::RunOptimumAlignment(s, v);
}

std::string Reference(const std::string& rel) { return pwtest::ReadFileBytes(pwtest::ReferencePath(rel)); }

// `count` cells of the attribute `pair` ("F8": dark grey on bright white).
std::string Attrs(int count, const char* pair) {
  std::string a;
  for (int i = 0; i < count; ++i) a += pair;
  return a;
}

int CountLines(const std::string& bytes) {
  int n = 0;
  for (std::size_t p = 0; (p = bytes.find("\r\n", p)) != std::string::npos; p += 2) ++n;
  return n;
}

std::string FirstLines(const std::string& bytes, int count) {
  std::size_t p = 0;
  for (int i = 0; i < count; ++i) p = bytes.find("\r\n", p) + 2;
  return bytes.substr(0, p);
}

std::string LastLine(const std::string& bytes) {
  const std::size_t end = bytes.size() - 2;
  const std::size_t start = bytes.rfind("\r\n", end - 1);
  return bytes.substr(start == std::string::npos ? 0 : start + 2, end - (start + 2) + 2);
}

TEST(GraphData, FilesMatchTheReferenceCases) {
  for (const char* name : {"arm-240", "pivot-224", "arm-222-iec", "radius-zero"}) {
    SCOPED_TRACE(name);
    pwtest::TempDir dir;
    pwtest::ScopedChdir cd(dir.path);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction3(s, v, Keys(TypedTexts(name)));
    EXPECT_EQ(pwtest::ReadFileBytes("data.txt"), Reference(std::string("action3/") + name + "/data.txt"));
    EXPECT_EQ(pwtest::ReadFileBytes("graph.txt"), Reference(std::string("action3/") + name + "/graph.txt"));
  }
}

TEST(GraphData, FirstAndLastRowsForTheStandardBand) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction3(s, v, Action3Keys("222", "", "18.76", "24.89", "60.325", "146.05"));
  const std::string data = pwtest::ReadFileBytes("data.txt");
  const std::string graph = pwtest::ReadFileBytes("graph.txt");
  EXPECT_EQ(CountLines(data), 11 + 871);
  EXPECT_EQ(CountLines(graph), 871);
  EXPECT_EQ(data.substr(FirstLines(data, 11).size(), 39), " 60           -8.6927E-1    1.0245E+0\r\n");
  EXPECT_EQ(LastLine(data), " 147          -2.0661E+0    9.9429E-1\r\n");
  EXPECT_EQ(FirstLines(graph, 1), "60,-.869267261411976,60,1.02452169573623\r\n");
  EXPECT_EQ(LastLine(graph), "147,-2.06611686707941,147,.994285653653354\r\n");
}

TEST(GraphData, ScreenRowsAndMessageForBothWays) {
  struct Case {
    const char* name;
    std::string keys;
    std::vector<int> prompt_rows;
    int message_row;
  } cases[] = {
      {"arm length typed", Action3Keys("240", "", "16", "22", "60", "146"), {9, 11, 13, 15, 17}, 20},
      {"pivot typed", Action3Keys("", "224", "16", "22", "60", "146"), {9, 11, 13, 15, 17, 19}, 22},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pwtest::TempDir dir;
    pwtest::ScopedChdir cd(dir.path);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction3(s, v, c.keys);
    for (int row : c.prompt_rows) {
      EXPECT_EQ(pwtest::RowText(s, row).substr(0, 6), "      ") << row;
      EXPECT_NE(pwtest::RowText(s, row)[6], ' ') << row;
      EXPECT_EQ(pwtest::RowTrimmed(s, row + 1), "") << row + 1;
    }
    EXPECT_EQ(pwtest::RowTrimmed(s, 11), c.message_row == 20 ? "      Overhang (mm)?                      16"
                                                              : "      Pivot to spindle distance (mm)?     224");
    EXPECT_EQ(pwtest::RowTrimmed(s, c.message_row), kSaved);
    // data.txt and graph.txt black; the words between them dark grey; the
    // columns between pieces blank.
    EXPECT_EQ(pwtest::RowAttrs(s, c.message_row, 1, 32), Attrs(32, "F8"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.message_row, 34, 41), Attrs(8, "F0"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.message_row, 43, 45), Attrs(3, "F8"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.message_row, 47, 55), Attrs(9, "F0"));
    EXPECT_EQ(pwtest::RowAttrs(s, c.message_row, 57, 79), Attrs(23, "F8"));
    for (int row = c.message_row + 1; row < c.message_row + 7; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "");
    EXPECT_EQ(pwtest::RowTrimmed(s, c.message_row + 7), kClosing);
  }
}

TEST(GraphData, TextsAreWrittenAsTypedAndValuesConverted) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction3(s, v, Action3Keys("240", "", "16 mm", "22", "60", "146"));
  const std::string data = pwtest::ReadFileBytes("data.txt");
  EXPECT_EQ(FirstLines(data, 2),
            "Arm effective length (mm):        240\r\n"
            "Overhang (mm):                    16 mm\r\n");
  // The value is 16: the rows are those of the plain "16".
  EXPECT_EQ(pwtest::ReadFileBytes("graph.txt"), Reference("action3/arm-240/graph.txt"));
}

TEST(GraphData, SecondRunReplacesBothFiles) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction3(s, v, Action3Keys("222", "", "18.76", "24.89", "60.325", "146.05"));
  RunAction3(s, v, Action3Keys("240", "", "16", "22", "60", "146"));
  EXPECT_EQ(pwtest::ReadFileBytes("data.txt"), Reference("action3/arm-240/data.txt"));
  EXPECT_EQ(pwtest::ReadFileBytes("graph.txt"), Reference("action3/arm-240/graph.txt"));
}

TEST(GraphData, EmptyOrUnrepresentableGridWritesTheHeadOnly) {
  for (const char* outer : {"60", "1e300"}) {
    SCOPED_TRACE(outer);
    pwtest::TempDir dir;
    pwtest::ScopedChdir cd(dir.path);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction3(s, v, Action3Keys("240", "", "16", "22", "150", outer));
    const std::string data = pwtest::ReadFileBytes("data.txt");
    EXPECT_EQ(CountLines(data), 11);
    EXPECT_EQ(data.substr(data.size() - 2 * 14), std::string("(mm)          (deg)         (per cent)\r\n\r\n").substr(14));
    EXPECT_EQ(pwtest::ReadFileBytes("graph.txt"), "");
    EXPECT_EQ(pwtest::RowTrimmed(s, 20), kSaved);
  }
}

TEST(GraphData, BothArmDimensionsEmpty) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction3(s, v, Action3Keys("", "", "16", "22", "60", "60.1"));
  const std::string data = pwtest::ReadFileBytes("data.txt");
  EXPECT_EQ(data.substr(0, 42), "Overhang (mm):                    16\r\nOffs");
  EXPECT_EQ(CountLines(data), 10 + 11);
  EXPECT_EQ(CountLines(pwtest::ReadFileBytes("graph.txt")), 11);
  EXPECT_EQ(pwtest::RowTrimmed(s, 22), kSaved);
}

TEST(GraphData, ArmDimensionsAreClearedForTheWholeProgram) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pw::ConsoleScreen s;
  pw::ProgramValues v;

  // Action 1 with the pivot distance typed, then action 3 with the arm
  // length typed: the pivot typed earlier does not reach data.txt.
  RunAction1(s, v, "\r224\r60\r146\rx");
  ASSERT_EQ(v.pivot.text, "224");
  RunAction3(s, v, Action3Keys("240", "", "16", "22", "60", "146"));
  EXPECT_EQ(pwtest::ReadFileBytes("data.txt"), Reference("action3/arm-240/data.txt"));
  EXPECT_EQ(v.arm_length.text, "");
  EXPECT_EQ(v.arm_length.number, 0);
  EXPECT_EQ(v.pivot.text, "");
  EXPECT_EQ(v.pivot.number, 0);
  EXPECT_EQ(v.arm.length, 0);
  EXPECT_EQ(v.arm.pivot, 0);
  EXPECT_EQ(v.overhang.text, "16");

  // Action 1 then finds both empty and asks for the pivot distance again.
  RunAction1(s, v, "\r\r60\r146\rx");
  EXPECT_EQ(pwtest::RowTrimmed(s, 11), "      Pivot to spindle distance (mm)?");
  EXPECT_EQ(pwtest::RowTrimmed(s, 19), "      Give the effective arm length or the pivot to spindle distance");
}

// File faults through POSIX links, devices and modes.
#if !defined(_WIN32)
// Removes a link before the temporary directory goes: its clean-up changes
// permissions through links.
struct LinkRemover {
  std::string path;
  ~LinkRemover() { unlink(path.c_str()); }
};

TEST(GraphData, FailedFileIsReportedAndTheOtherIsWritten) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  LinkRemover link{dir.path + "/graph.txt"};
  const std::string data_ref = Reference("action3/arm-240/data.txt");
  const std::string graph_ref = Reference("action3/arm-240/graph.txt");
  const std::string keys = Action3Keys("240", "", "16", "22", "60", "146");

  {
    SCOPED_TRACE("data.txt cannot be opened");
    ASSERT_EQ(mkdir("data.txt", 0755), 0);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction3(s, v, keys);
    EXPECT_EQ(pwtest::RowTrimmed(s, 20), "      Could not write data.txt: Is a directory");
    EXPECT_EQ(pwtest::RowAttrs(s, 20, 1, 46), Attrs(46, "F8"));
    EXPECT_EQ(pwtest::RowTrimmed(s, 21), "");
    EXPECT_EQ(pwtest::RowTrimmed(s, 27), kClosing);
    EXPECT_EQ(pwtest::ReadFileBytes("graph.txt"), graph_ref);
    ASSERT_EQ(rmdir("data.txt"), 0);
  }
  {
    SCOPED_TRACE("graph.txt on a full device");
    ASSERT_EQ(unlink("graph.txt"), 0);
    ASSERT_EQ(symlink("/dev/full", "graph.txt"), 0);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction3(s, v, keys);
    EXPECT_EQ(pwtest::RowTrimmed(s, 20), "      Could not write graph.txt: No space left on device");
    EXPECT_EQ(pwtest::RowTrimmed(s, 27), kClosing);
    EXPECT_EQ(pwtest::ReadFileBytes("data.txt"), data_ref);
  }
  {
    SCOPED_TRACE("both fail, pivot way");
    ASSERT_EQ(unlink("data.txt"), 0);
    ASSERT_EQ(mkdir("data.txt", 0755), 0);
    pw::ConsoleScreen s;
    pw::ProgramValues v;
    RunAction3(s, v, Action3Keys("", "224", "16", "22", "60", "146"));
    // Rows 22 and 23, and the closing prompt on row 30, whose line end
    // scrolls the whole screen up one row.
    EXPECT_EQ(pwtest::RowTrimmed(s, 21), "      Could not write data.txt: Is a directory");
    EXPECT_EQ(pwtest::RowTrimmed(s, 22), "      Could not write graph.txt: No space left on device");
    for (int row = 23; row < 29; ++row) EXPECT_EQ(pwtest::RowTrimmed(s, row), "") << row;
    EXPECT_EQ(pwtest::RowTrimmed(s, 29), kClosing);
    EXPECT_EQ(pwtest::RowTrimmed(s, 30), "");
  }
}

TEST(GraphData, ReadOnlyDataFileKeepsItsContent) {
  if (geteuid() == 0) GTEST_SKIP() << "mode bits do not stop root from writing";
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pwtest::WriteFileBytes("data.txt", "earlier data");
  ASSERT_EQ(chmod("data.txt", 0444), 0);
  pw::ConsoleScreen s;
  pw::ProgramValues v;
  RunAction3(s, v, Action3Keys("240", "", "16", "22", "60", "146"));
  EXPECT_EQ(pwtest::RowTrimmed(s, 20), "      Could not write data.txt: Permission denied");
  EXPECT_EQ(pwtest::ReadFileBytes("data.txt"), "earlier data");
  EXPECT_EQ(pwtest::ReadFileBytes("graph.txt"), Reference("action3/arm-240/graph.txt"));
}

#endif  // !_WIN32

}  // namespace
