#include "program/command_line.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "commands/command_result.h"

#include <algorithm>
#include <optional>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace pw {
namespace {

CommandLineOutcome Parse(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"pivotwright"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data());
}

// Bytes that would act on a terminal: C0 controls other than the line end,
// DEL, and bytes 0x80..0x9F standing alone.
bool HasControlBytes(const std::string& s) {
  return std::any_of(s.begin(), s.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return (b < 0x20 && b != '\n') || b == 0x7F;
  });
}

TEST(CommandLine, NoArgumentsRunsTheProgram) {
  for (int argc : {0, 1}) {
    const char* argv[] = {"pivotwright", nullptr};
    CommandLineOutcome r = ParseCommandLine(argc, argv);
    EXPECT_TRUE(r.run_program) << argc;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }
}

TEST(CommandLine, VersionIsOneLineOnStandardOutput) {
  CommandLineOutcome r = Parse({"--version"});
  EXPECT_FALSE(r.run_program);
  EXPECT_EQ(r.out, "pivotwright 1.01\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_status, 0);
}

TEST(CommandLine, HelpNamesTheFilesAndTheManual) {
  CommandLineOutcome r = Parse({"--help"});
  EXPECT_FALSE(r.run_program);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out.rfind("Usage: pivotwright", 0), 0u) << r.out;
  for (const char* word : {"protractor.emf", "data.txt", "graph.txt", "current directory",
                           "man pivotwright", "--version", "millimetres"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
  EXPECT_FALSE(HasControlBytes(r.out));
  // Short enough for an 80-column terminal, and ends with a line end.
  std::size_t start = 0;
  while (start < r.out.size()) {
    std::size_t end = r.out.find('\n', start);
    ASSERT_NE(end, std::string::npos) << "no final line end";
    EXPECT_LE(end - start, 79u) << r.out.substr(start, end - start);
    start = end + 1;
  }
}

TEST(CommandLine, WrongArgumentsAreOneLineOnStandardErrorWithStatus2) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"-h"}, "pivotwright: unknown option '-h' (see pivotwright --help)\n"},
      {{"--verbose"}, "pivotwright: unknown option '--verbose' (see pivotwright --help)\n"},
      {{"--help=all"}, "pivotwright: unknown option '--help=all' (see pivotwright --help)\n"},
      {{"--VERSION"}, "pivotwright: unknown option '--VERSION' (see pivotwright --help)\n"},
      {{"--"}, "pivotwright: unknown option '--' (see pivotwright --help)\n"},
      {{"graph.txt"}, "pivotwright: unexpected argument 'graph.txt' (see pivotwright --help)\n"},
      {{"-"}, "pivotwright: unexpected argument '-' (see pivotwright --help)\n"},
      {{""}, "pivotwright: unexpected argument '' (see pivotwright --help)\n"},
      // A valid option does not excuse what follows or precedes it.
      {{"--version", "x"}, "pivotwright: unexpected argument 'x' (see pivotwright --help)\n"},
      {{"x", "--version"}, "pivotwright: unexpected argument 'x' (see pivotwright --help)\n"},
      {{"--version", "--bogus"}, "pivotwright: unknown option '--bogus' (see pivotwright --help)\n"},
      {{"--version", "--help"},
       "pivotwright: unexpected extra option '--help' (see pivotwright --help)\n"},
      {{"--help", "--help"},
       "pivotwright: unexpected extra option '--help' (see pivotwright --help)\n"},
      // An argument that would act on the terminal is shown, not obeyed.
      {{"\x1b]0;owned\x07"},
       "pivotwright: unexpected argument '\\x1B]0;owned\\x07' (see pivotwright --help)\n"},
  };
  for (const Case& c : cases) {
    CommandLineOutcome r = Parse(c.args);
    std::string label = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
    EXPECT_FALSE(r.run_program) << label;
    EXPECT_EQ(r.exit_status, 2) << label;
    EXPECT_EQ(r.out, "") << label;
    EXPECT_EQ(r.err, c.err) << label;
    EXPECT_FALSE(HasControlBytes(r.err)) << label;
  }
}

TEST(CommandLine, ShowableArgumentEscapesWhatATerminalWouldObey) {
  struct Case {
    std::string arg;
    std::size_t limit;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"plain-text 1.5", 80, "plain-text 1.5"},
      {"\x1b[2J", 80, "\\x1B[2J"},
      {std::string("a\0b", 3), 80, "a\\x00b"},
      {"tab\there\r\n", 80, "tab\\x09here\\x0D\\x0A"},
      {"del\x7f", 80, "del\\x7F"},
      {"back\\slash", 80, "back\\\\slash"},
      {"\xc3\xa9 \xc2\xb0 \xe6\xbc\xa2 \xf0\x9f\x8e\xb5", 80, "\xc3\xa9 \xc2\xb0 \xe6\xbc\xa2 \xf0\x9f\x8e\xb5"},
      {"\x9b" "2J", 80, "\\x9B2J"},                // a lone C1 byte
      {"\xc2\x9b" "2J", 80, "\\xC2\\x9B2J"},       // C1 CSI written in UTF-8
      {"\xff\xfe", 80, "\\xFF\\xFE"},              // never UTF-8
      {"\xc0\xaf", 80, "\\xC0\\xAF"},              // overlong '/'
      {"\xed\xa0\x80", 80, "\\xED\\xA0\\x80"},     // a surrogate
      {"\xe2\x82", 80, "\\xE2\\x82"},              // cut short
      {"\xf4\x90\x80\x80", 80, "\\xF4\\x90\\x80\\x80"},  // beyond U+10FFFF
      {std::string(200, 'a'), 80, std::string(80, 'a') + "..."},
      {std::string(80, 'a'), 80, std::string(80, 'a')},
      {"\xc3\xa9\xc3\xa9", 1, "\xc3\xa9..."},      // a character is never split
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShowableArgument(c.arg, c.limit), c.shown) << c.shown;
  }
}

CommandResult Request(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"pivotwright"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const std::optional<CommandResult> r = CommandRequest(static_cast<int>(argv.size() - 1), argv.data());
  EXPECT_TRUE(r.has_value());
  return r.value_or(CommandResult{});
}

TEST(CommandLine, CommandsAreReachedByTheirNameOnly) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"--help"}, {"--version"}, {"alignment"}, {"--align"}, {"Align"}}) {
    std::vector<const char*> argv{"pivotwright"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    EXPECT_FALSE(CommandRequest(static_cast<int>(argv.size() - 1), argv.data()).has_value()) << argv.size();
  }
  EXPECT_EQ(Request({"align", "--pivot", "222"}).status, 0);
  EXPECT_EQ(Request({"check", "--pivot", "222"}).status, 2);
}

TEST(CommandLine, HelpCommandGivesTheProgramsOrACommandsHelp) {
  EXPECT_EQ(Request({"help"}).out, Parse({"--help"}).out);
  EXPECT_NE(Parse({"--help"}).out.find("  align "), std::string::npos);
  for (const char* command : {"align", "check"}) {
    const CommandResult help = Request({"help", command});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, Request({command, "--help"}).out);
    EXPECT_EQ(help.out.rfind("Works out", 0) == 0 || help.out.rfind("Checks", 0) == 0, true) << help.out;
  }
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"help", "nothing"}, {"help", "align", "check"}}) {
    const CommandResult r = Request(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("pivotwright help: ", 0), 0u) << r.err;
  }
}

// Writing through real descriptors: pipes and a full device (POSIX).
#if !defined(_WIN32)

// Everything a pipe holds once its write end is closed.
std::string Drain(int fd) {
  std::string all;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) all.append(buf, static_cast<std::size_t>(n));
  close(fd);
  return all;
}

TEST(CommandLine, WritesEachTextToItsOwnDescriptor) {
  for (const char* option : {"--help", "--version", "--bogus"}) {
    CommandLineOutcome r = Parse({option});
    int out[2], err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    int status = WriteCommandLineOutcome(r, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    EXPECT_EQ(status, r.exit_status) << option;
    EXPECT_EQ(Drain(out[0]), r.out) << option;
    EXPECT_EQ(Drain(err[0]), r.err) << option;
  }
}

TEST(CommandLine, AFailedWriteIsNotSuccess) {
  int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  int err[2];
  ASSERT_EQ(pipe(err), 0);
  int status = WriteCommandLineOutcome(Parse({"--version"}), full, err[1]);
  close(full);
  close(err[1]);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Drain(err[0]),
            "pivotwright: cannot write to standard output: No space left on device\n");
}

#endif

}  // namespace
}  // namespace pw
