// Hostile input: scripts through pipes with the output in a file or a pipe,
// lines longer than the entry takes, a 100 KB paste, every byte value,
// broken escape sequences and UTF-8, on a pipe and on a terminal.  Nothing
// typed may reach the terminal as a control byte, and the files hold the
// typed bytes as they were taken.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/child_process.h"
#include "e2e/tmux_session.h"
#include "support/test_support.h"

namespace {

using pwtest::ShellQuote;

constexpr std::size_t kLineLimit = 10000;

// The lines of a file with CR LF line ends.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(bytes.substr(start, at - start));
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

// Everything after the first `head` lines.
std::string Table(const std::string& bytes, int head) {
  std::size_t at = 0;
  for (int i = 0; i < head && at != std::string::npos; ++i) {
    at = bytes.find("\r\n", at);
    if (at != std::string::npos) at += 2;
  }
  return at == std::string::npos ? "" : bytes.substr(at);
}

std::string Reference(const std::string& name) {
  return pwtest::ReadFileBytes(pwtest::ReferencePath("action3/arm-240/" + name));
}

// Runs the program in `dir` with `keys` on a pipe and its output into
// `dir`/out; returns the exit status (or -1 when it did not exit normally).
int RunPiped(const std::string& dir, const std::string& keys) {
  int keys_fd = -1;
  const int pid = pwtest::StartPiped(PW_BINARY, dir, dir + "/out", &keys_fd);
  if (pid < 0) return -2;
  std::size_t done = 0;
  while (done < keys.size()) {
    const ssize_t n = write(keys_fd, keys.data() + done, keys.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(keys_fd);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A line of exactly 10,001 bytes: `value` (what the number is read from),
// blanks, "L" as the 10,000th byte and "Z" as the one too many.
std::string Overlong(const std::string& value) {
  return value + std::string(kLineLimit - value.size() - 1, ' ') + "LZ";
}
std::string Kept(const std::string& value) { return Overlong(value).substr(0, kLineLimit); }

// Every byte value but the ones with a meaning of their own in entry
// (Backspace 8 and DEL 127, line ends 10 and 13, Esc 27).
std::string EveryByte() {
  std::string s;
  for (int b = 0; b < 256; ++b)
    if (b != 8 && b != 10 && b != 13 && b != 27 && b != 127) s.push_back(static_cast<char>(b));
  return s;
}
// What entry keeps of it: the control bytes are ignored keys.
std::string EveryByteKept() {
  std::string s;
  for (int b = 32; b < 256; ++b)
    if (b != 127) s.push_back(static_cast<char>(b));
  return s;
}

// Keys that are no characters around "2" and "2": a cursor key with a
// modifier, an SS3 function key, a Linux console function key, Alt+x, an
// Esc before a control byte, and an Esc alone just before the Enter.
constexpr char kEscapedOffset[] = "2\x1b[1;5A2\x1bOP\x1b[[A\x1bx\x1b\x01\x1b";
// A parameter run far longer than any key sequence, between known text.
const std::string kBogusSequence = "60 \x1b[" + std::string(40, '9') + "~x";

TEST(FaultInput, PipedScriptWithOutputInAFileOrAPipeRunsAsOnATerminal) {
  const std::string script = "3\n240\n16\n22\n60\n146\n4\n";
  const struct {
    const char* how;
    std::string command;
  } cases[] = {
      {"output into a file", "printf '%s' " + ShellQuote(script) + " | " + ShellQuote(PW_BINARY) +
                                 " > out; echo $? > status"},
      {"output into a pipe", "printf '%s' " + ShellQuote(script) + " | (" + ShellQuote(PW_BINARY) +
                                 "; echo $? > status) | cat > out"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    pwtest::TempDir dir;
    pwtest::ShellOutput("cd " + ShellQuote(dir.path) + " && " + c.command);
    EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/status"), "0\n");
    EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/data.txt"), Reference("data.txt"));
    EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/graph.txt"), Reference("graph.txt"));
    const std::string out = pwtest::ReadFileBytes(dir.path + "/out");
    EXPECT_NE(out.find("The data has been saved to"), std::string::npos);
    EXPECT_EQ(pwtest::TerminalOutputFault(out), "");
  }
}

TEST(FaultInput, EndOfInputAnywhereExitsWithStatusOneAndLeavesTheFilesAlone) {
  const struct {
    std::string keys;
    bool files_written;  // the input ends at the closing prompt, after the files
  } cases[] = {
      {"", false},
      {"3\n240\n1", false},
      {"3\n240\n\x1b[", false},  // inside an unfinished escape sequence
      {"2\n60\n146\ny", false},
      {"3\n240\n16\n22\n60\n146\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ShellQuote(c.keys));
    pwtest::TempDir dir;
    pwtest::WriteFileBytes(dir.path + "/data.txt", "earlier data");
    EXPECT_EQ(RunPiped(dir.path, c.keys), 1);
    EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/data.txt"),
              c.files_written ? Reference("data.txt") : "earlier data");
    EXPECT_EQ(pwtest::TerminalOutputFault(pwtest::ReadFileBytes(dir.path + "/out")), "");
  }
}

TEST(FaultInput, OverlongLinesAtEveryPromptKeepTheirFirst10000Bytes) {
  // The main screen, action 1 with the arm length, action 2 with its
  // question, action 3 with the arm length; then actions 1 and 3 with the
  // pivot to spindle distance.  The key that ends each closing prompt is the
  // next choice (a piped script is not flushed).
  const struct {
    const char* what;
    std::string keys;
    std::vector<std::string> head;  // data.txt's typed lines, as kept
  } runs[] = {
      {"arm length",
       Overlong("9") + "\n1\n" + Overlong("240") + "\n" + Overlong("60") + "\n" + Overlong("146") +
           "\n2\n" + Overlong("60.325") + "\n" + Overlong("146.05") + "\n" + Overlong("N") +
           "\nN\n3\n" + Overlong("240") + "\n" + Overlong("16") + "\n" + Overlong("22") + "\n" +
           Overlong("60") + "\n" + Overlong("146") + "\n4\n",
       {"Arm effective length (mm):        " + Kept("240"),
        "Overhang (mm):                    " + Kept("16"),
        "Offset (deg):                     " + Kept("22"),
        "Inner recorded radius (mm):       " + Kept("60"),
        "Outer recorded radius (mm):       " + Kept("146")}},
      {"pivot to spindle distance",
       "1\n\n" + Overlong("224") + "\n" + Overlong("60") + "\n" + Overlong("146") + "\n3\n\n" +
           Overlong("224") + "\n" + Overlong("16") + "\n" + Overlong("22") + "\n" + Overlong("60") +
           "\n" + Overlong("146") + "\n4\n",
       {"Pivot to spindle distance (mm):   " + Kept("224"),
        "Overhang (mm):                    " + Kept("16"),
        "Offset (deg):                     " + Kept("22"),
        "Inner recorded radius (mm):       " + Kept("60"),
        "Outer recorded radius (mm):       " + Kept("146")}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    pwtest::TempDir dir;
    ASSERT_EQ(RunPiped(dir.path, run.keys), 0);
    const std::string data = pwtest::ReadFileBytes(dir.path + "/data.txt");
    const std::vector<std::string> lines = Lines(data);
    ASSERT_GE(lines.size(), run.head.size());
    for (std::size_t i = 0; i < run.head.size(); ++i) {
      EXPECT_EQ(lines[i].size(), 34 + kLineLimit) << "line " << i + 1;
      EXPECT_TRUE(lines[i] == run.head[i]) << "line " << i + 1;
    }
    EXPECT_EQ(data.find('Z'), std::string::npos) << "a byte past the limit was kept";
    EXPECT_EQ(pwtest::TerminalOutputFault(pwtest::ReadFileBytes(dir.path + "/out")), "");
  }
  // The values still count: the arm-length run computes the reference set-up.
  pwtest::TempDir dir;
  ASSERT_EQ(RunPiped(dir.path, "3\n" + Overlong("240") + "\n16\n22\n60\n146\n4\n"), 0);
  EXPECT_EQ(Table(pwtest::ReadFileBytes(dir.path + "/data.txt"), 5), Table(Reference("data.txt"), 5));
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/graph.txt"), Reference("graph.txt"));
}

// The typed lines of data.txt for the hostile run below, apart from the
// bogus-sequence line, which is checked by its ends.
void ExpectHostileHead(const std::vector<std::string>& lines, const std::string& arm,
                       const std::string& overhang, const std::string& outer) {
  ASSERT_GE(lines.size(), 5u);
  EXPECT_TRUE(lines[0] == "Arm effective length (mm):        " + arm) << "arm length line";
  EXPECT_TRUE(lines[1] == "Overhang (mm):                    " + overhang) << "overhang line";
  EXPECT_EQ(lines[2], "Offset (deg):                     22");
  const std::string inner = lines[3];
  EXPECT_EQ(inner.rfind("Inner recorded radius (mm):       60 ", 0), 0u) << inner;
  EXPECT_EQ(inner.back(), 'x') << inner;
  for (char c : inner) EXPECT_GE(static_cast<unsigned char>(c), 32) << inner;
  EXPECT_EQ(lines[4], "Outer recorded radius (mm):       " + outer);
}

TEST(FaultInput, EveryByteBrokenSequencesAndUtf8ThroughAPipe) {
  pwtest::TempDir dir;
  const std::string keys = "3\n240" + EveryByte() + "\n1x\b6y\x7f\n" + kEscapedOffset + "\n" +
                           kBogusSequence + "\n146 \xc3\xa9\xc2\xb0\n4\n";
  ASSERT_EQ(RunPiped(dir.path, keys), 0);
  const std::string data = pwtest::ReadFileBytes(dir.path + "/data.txt");
  // A piped script is bytes, not a keyboard: its UTF-8 stays as it came.
  ExpectHostileHead(Lines(data), "240" + EveryByteKept(), "16", "146 \xc3\xa9\xc2\xb0");
  // The numbers were read from the typed texts as they should be.
  EXPECT_EQ(Table(data, 5), Table(Reference("data.txt"), 5));
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/graph.txt"), Reference("graph.txt"));
  EXPECT_EQ(pwtest::TerminalOutputFault(pwtest::ReadFileBytes(dir.path + "/out")), "");
}

TEST(FaultInput, PasteEveryByteBrokenSequencesAndUtf8OnATerminal) {
  pwtest::TempDir dir;
  pwtest::PtyRun run(PW_BINARY, dir.path);
  ASSERT_GT(run.pid, 0);
  const auto tail = [&run] {
    return "last output: " + run.log.substr(run.log.size() - std::min<std::size_t>(run.log.size(), 3000));
  };
  std::size_t at = run.WaitFor("Type the action number", 0);
  ASSERT_NE(at, std::string::npos);
  run.Type("3\r");
  ASSERT_NE(at = run.WaitFor("Effective arm length (mm)?", at), std::string::npos) << tail();
  // A 100 KB paste in one go, then its Enter.  Typed keys are taken in
  // order, so the entries need not wait for their prompts; only the closing
  // prompt discards what was typed ahead.
  const std::string paste = "240" + std::string(100 * 1024 - 3, 'p');
  run.Type(paste + "\r");
  run.Settle();
  run.Type("16" + EveryByte() + "\r");
  run.Settle();
  run.Type(std::string(kEscapedOffset) + "\r");
  run.Settle();
  run.Type(kBogusSequence + "\r");
  run.Settle();
  // Typed on a terminal, UTF-8 characters become the code page bytes that
  // show them; characters the code page lacks are no characters.
  run.Type("146 \xc3\xa9\xc2\xb0\xc2\xb5\xe2\x82\xac\xe6\xbc\xa2\r");
  ASSERT_NE(at = run.WaitFor("Press any key", at), std::string::npos) << tail();
  run.Settle();
  EXPECT_NE(run.log.find("146 \xc3\xa9\xc2\xb0\xc2\xb5"), std::string::npos) << "echoed as typed";
  run.Type("\r");
  ASSERT_NE(at = run.WaitFor("Type the action number", at), std::string::npos) << tail();
  run.Settle();
  run.Type("4\r");
  const int status = run.Wait();
  ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status << ", " << tail();
  EXPECT_EQ(WEXITSTATUS(status), 0);

  const std::string data = pwtest::ReadFileBytes(dir.path + "/data.txt");
  ExpectHostileHead(Lines(data), paste.substr(0, kLineLimit), "16" + EveryByteKept(),
                    "146 \x82\xf8\xe6");
  EXPECT_EQ(Table(data, 5), Table(Reference("data.txt"), 5));
  EXPECT_EQ(pwtest::TerminalOutputFault(run.log), "");
}

}  // namespace
