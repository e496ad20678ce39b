#include "program/command_line.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "base/product.h"
#include "base/utf8.h"
#include "platform/files.h"

namespace pw {

namespace {

const char kHelp[] =
    "Usage: pivotwright [--help | --version]\n"
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
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "The manual: man pivotwright.  To plot graph.txt: pivotwright-plot.\n";

// Arguments longer than this are cut short in error messages.
constexpr std::size_t kShownArgumentLimit = 80;

// The length of the UTF-8 sequence starting at s[i] when it is well formed
// and encodes a printable code point (not a C1 control), else 0.
std::size_t PrintableUtf8Length(const std::string& s, std::size_t i) {
  const Utf8Sequence c =
      ReadUtf8(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i);
  if (c.status != Utf8Sequence::Status::Valid) return 0;
  if (c.code_point >= 0x80 && c.code_point <= 0x9F) return 0;  // the C1 controls
  return c.length;
}

void AppendHexByte(std::string& out, unsigned char b) {
  const char* digits = "0123456789ABCDEF";
  out += "\\x";
  out.push_back(digits[b >> 4]);
  out.push_back(digits[b & 0x0Fu]);
}

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

}  // namespace

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

std::string ShowableArgument(const std::string& arg, std::size_t limit) {
  std::string out;
  std::size_t i = 0;
  while (i < arg.size()) {
    if (i >= limit) {
      out += "...";
      break;
    }
    unsigned char b = static_cast<unsigned char>(arg[i]);
    if (b == '\\') {
      out += "\\\\";
      ++i;
    } else if (b >= 0x20 && b < 0x7F) {
      out.push_back(static_cast<char>(b));
      ++i;
    } else if (std::size_t len = b >= 0x80 ? PrintableUtf8Length(arg, i) : 0; len != 0) {
      out.append(arg, i, len);
      i += len;
    } else {
      AppendHexByte(out, b);
      ++i;
    }
  }
  return out;
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
    r.out = kHelp;
  }
  return r;
}

}  // namespace pw
