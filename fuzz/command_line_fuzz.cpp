// The command-line commands driven by arbitrary argument vectors.
//
// The input is the arguments after the program's name, separated by NUL
// bytes; the first one that is a command's name or "help" reaches the
// commands.  Properties checked: nothing escapes (no exception, no crash);
// the status is 0 or 2; with 2 standard output is empty and standard error
// is one line; with 0 standard error is empty; a --json answer is one JSON
// document; a file comes only with success and is a whole document; no
// control byte reaches the terminal but line ends.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "commands/command_result.h"
#include "fuzz_check.h"
#include "program/command_line.h"

namespace {

bool HasControlBytes(const std::string& s) {
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && b != '\n') || b == 0x7F) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"pivotwright"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  args.push_back(current);
  if (args.size() > 64) return 0;
  std::vector<const char*> argv;
  bool json = false;
  for (const std::string& a : args) {
    argv.push_back(a.c_str());
    json = json || a == "--json";
  }
  argv.push_back(nullptr);
  const std::optional<pw::CommandResult> r = pw::CommandRequest(static_cast<int>(args.size()), argv.data());
  if (!r) return 0;
  FUZZ_CHECK(r->status == 0 || r->status == 2);
  // Only the protractor makes a file, and only when it succeeds: a PDF or
  // an SVG document, whole.
  if (r->file_path.empty()) {
    FUZZ_CHECK(r->file_bytes.empty());
  } else {
    FUZZ_CHECK(r->status == 0);
    FUZZ_CHECK(r->file_bytes.rfind("%PDF-1.6", 0) == 0 || r->file_bytes.rfind("<?xml", 0) == 0);
    FUZZ_CHECK(r->file_bytes.find("%%EOF") != std::string::npos || r->file_bytes.find("</svg>") != std::string::npos);
  }
  FUZZ_CHECK(!HasControlBytes(r->err));
  if (r->status == 2) {
    FUZZ_CHECK(r->out.empty());
    FUZZ_CHECK(!r->err.empty() && r->err.find('\n') == r->err.size() - 1);
  } else {
    FUZZ_CHECK(r->err.empty());
    FUZZ_CHECK(!r->out.empty() || !r->written_line.empty());
    const bool help = r->out.find("Usage: ") != std::string::npos;
    if (json && !help) FUZZ_CHECK(nlohmann::json::accept(r->out));
  }
  return 0;
}
