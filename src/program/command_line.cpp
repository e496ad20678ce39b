#include "program/command_line.h"

#include <cstddef>
#include <string>
#include <optional>
#include <string_view>

#include "base/product.h"
#include "commands/command_result.h"
#include "commands/commands.h"
#include "base/showable_text.h"
#include "platform/files.h"

namespace pw {

namespace {

const char kHelpStart[] =
    "Usage: pivotwright [--help | --version]\n"
    "       pivotwright COMMAND [OPTIONS...]    (pivotwright help COMMAND)\n"
    "\n"
    "Works out the alignment geometry of a pivoted record-player tone arm on an\n"
    "interactive screen of 90 x 30 characters.  Pick a calculation from the menu\n"
    "and type the dimensions it asks for, in millimetres (the offset in degrees):\n"
    "  1  optimum overhang and offset for an arm\n"
    "  2  zero tracking error radii, and a full-size alignment protractor\n"
    "  3  lateral tracking error and its distortion across the record\n"
    "\n"
    "Files written into the current directory:\n"
    "  protractor.emf  the protractor drawing, to print at 100 % (action 2)\n"
    "  data.txt        the set-up and a table of error and distortion (action 3)\n"
    "  graph.txt       the same numbers, comma-separated, for plotting (action 3)\n"
    "\n"
    "Commands, for people and scripts (each has --help and --json):\n";

const char kHelpEnd[] =
    "\n"
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "The manual: man pivotwright.  To plot graph.txt: pivotwright-plot.\n";

// Arguments longer than this are cut short in error messages.
constexpr std::size_t kShownArgumentLimit = 80;

CommandLineOutcome WrongArgument(const std::string& arg, const char* what) {
  CommandLineOutcome r;
  r.exit_status = 2;
  r.err = "pivotwright: ";
  r.err += what;
  r.err += " '";
  r.err += ShowableArgument(arg, kShownArgumentLimit);
  r.err += "' (see pivotwright --help)\n";
  return r;
}

std::string HelpText() { return std::string(kHelpStart) + kCommandList + kHelpEnd; }

}  // namespace

std::optional<CommandResult> CommandRequest(int argc, const char* const* argv) {
  if (argc < 2 || argv[1] == nullptr) return std::nullopt;
  const std::string_view first = argv[1];
  if (IsCommandName(first)) return RunCommand(argc - 1, argv + 1);
  if (first != "help") return std::nullopt;
  CommandResult r;
  if (argc == 2) {
    r.out = HelpText();
    return r;
  }
  const std::string name = argv[2] != nullptr ? argv[2] : "";
  if (argc == 3 && IsCommandName(name)) {
    const char* const help[] = {argv[2], "--help"};
    return RunCommand(2, help);
  }
  r.status = 2;
  r.err = argc == 3 ? "pivotwright help: no command '" + ShowableArgument(name, kShownArgumentLimit) +
                          "' (see pivotwright --help)\n"
                    : "pivotwright help: give one command at most (see pivotwright --help)\n";
  return r;
}

int WriteCommandLineOutcome(const CommandLineOutcome& outcome, NativeHandle out, NativeHandle err) {
  int status = outcome.exit_status;
  if (const int e = WriteAll(out, outcome.out.data(), outcome.out.size()); e != 0) {
    const std::string failed = "pivotwright: cannot write to standard output: " + ErrorText(e) + "\n";
    WriteAll(err, failed.data(), failed.size());
    status = 1;
  }
  WriteAll(err, outcome.err.data(), outcome.err.size());
  return status;
}

CommandLineOutcome ParseCommandLine(int argc, const char* const* argv) {
  CommandLineOutcome r;
  if (argc <= 1) {
    r.run_program = true;
    return r;
  }
  // Every argument is checked before anything is printed, so that
  // "--version --bogus" is an error rather than a version.
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (arg != "--help" && arg != "--version") {
      bool looks_like_option = arg.size() > 1 && arg[0] == '-';
      return WrongArgument(arg, looks_like_option ? "unknown option" : "unexpected argument");
    }
    if (i > 1) return WrongArgument(arg, "unexpected extra option");
  }
  std::string option = argv[1];
  if (option == "--version") {
    r.out = "pivotwright " + std::string(kVersion) + "\n";
  } else {
    r.out = HelpText();
  }
  return r;
}

}  // namespace pw
