// The commands of the real program, run by a shell as a user would: what
// they print, their exit status, and what they leave in the folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `pivotwright ARGS` in `dir` through /bin/sh, its standard output
// into `out_to`.
Outcome RunIn(const std::string& dir, const std::string& args, const std::string& out_to = "out.txt") {
  const std::string command =
      "cd '" + dir + "' && '" PW_BINARY "' " + args + " >" + out_to + " 2>err.txt; echo $? >status";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  Outcome o;
  o.status = std::atoi(pwtest::ReadFileBytes(dir + "/status").c_str());
  o.out = pwtest::ReadFileBytes(dir + "/out.txt");
  o.err = pwtest::ReadFileBytes(dir + "/err.txt");
  return o;
}

TEST(CommandsEndToEnd, ProtractorWritesItsFileAndSaysSo) {
  pwtest::TempDir dir;
  const Outcome o = RunIn(dir.path, "protractor --pivot 222");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out.rfind("Wrote protractor.pdf: an arc protractor for Baerwald", 0), 0u) << o.out;
  const std::string pdf = pwtest::ReadFileBytes(dir.path + "/protractor.pdf");
  EXPECT_EQ(pdf.rfind("%PDF-1.6", 0), 0u);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
  // The same command again gives the same bytes.
  RunIn(dir.path, "protractor --pivot 222 -o again.pdf");
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/again.pdf"), pdf);
}

// Paths that cannot be written: the message names the option, the path and
// the system's reason; status 2; nothing on standard output; the folder holds
// no new file (no temporary file either) and an earlier file is untouched.
TEST(CommandsEndToEnd, AnUnwritablePathWritesNothing) {
  pwtest::TempDir dir;
  pwtest::WriteFileBytes(dir.path + "/plain", "not a folder");
  pwtest::WriteFileBytes(dir.path + "/old.svg", "earlier drawing");
  struct Case {
    const char* path;
    const char* reason;
  } cases[] = {
      {"missing/p.pdf", "No such file or directory"},
      {"plain/p.pdf", "Not a directory"},
  };
  for (const Case& c : cases) {
    const Outcome o = RunIn(dir.path, std::string("protractor --pivot 222 -o ") + c.path);
    EXPECT_EQ(o.status, 2) << c.path;
    EXPECT_EQ(o.out, "") << c.path;
    EXPECT_EQ(o.err, std::string("pivotwright protractor: -o '") + c.path + "': cannot write the file: " + c.reason +
                         "\n");
  }
  const Outcome bad = RunIn(dir.path, "protractor --pivot 222 -o old.svg --paper b5");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(pwtest::ReadFileBytes(dir.path + "/old.svg"), "earlier drawing");
  const Outcome ext = RunIn(dir.path, "protractor --pivot 222 -o drawing.png");
  EXPECT_EQ(ext.status, 2);
  EXPECT_FALSE(pwtest::FileExists(dir.path + "/drawing.png"));
  const std::string listing = "cd '" + dir.path + "' && ls -A > ../listing-" + std::to_string(::getpid());
  ASSERT_EQ(std::system(listing.c_str()), 0);
  const std::string names = pwtest::ReadFileBytes(dir.path + "/../listing-" + std::to_string(::getpid()));
  std::remove((dir.path + "/../listing-" + std::to_string(::getpid())).c_str());
  EXPECT_EQ(names, "err.txt\nold.svg\nout.txt\nplain\nstatus\n");
}

TEST(CommandsEndToEnd, BadInputAndHelpAsAShellSeesThem) {
  pwtest::TempDir dir;
  const Outcome bad = RunIn(dir.path, "align --pivot 12,5");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err.rfind("pivotwright align: --pivot '12,5': not a number", 0), 0u) << bad.err;
  const Outcome help = RunIn(dir.path, "help protractor");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--scale X,Y"), std::string::npos) << help.out;
  const Outcome full = RunIn(dir.path, "check --pivot 222 --overhang 17 --offset 23", "/dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "pivotwright: cannot write to standard output: No space left on device\n");
}

}  // namespace
