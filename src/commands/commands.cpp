#include "commands/commands.h"

#include <string>
#include <string_view>

#include "base/showable_text.h"
#include "commands/align_command.h"
#include "commands/check_command.h"
#include "commands/command_result.h"
#include "commands/protractor_command.h"
#include "platform/files.h"
#include "platform/native_handle.h"

namespace pw {

namespace {

// Paths longer than this are cut short in messages.
constexpr std::size_t kShownPathLimit = 200;

}  // namespace

const char kCommandList[] =
    "  align       the overhang and offset of each alignment, with their figures\n"
    "  check       the figures of an arm as mounted, against the alignments\n"
    "  protractor  a printable protractor for an arm, as a PDF or SVG file\n";

bool IsCommandName(std::string_view name) { return name == "align" || name == "check" || name == "protractor"; }

CommandResult RunCommand(int argc, const char* const* argv) {
  const std::string_view name = argv[0];
  if (name == "align") return RunAlign(argc, argv);
  if (name == "protractor") return RunProtractor(argc, argv);
  return RunCheck(argc, argv);
}

int WriteCommandResult(const CommandResult& result, NativeHandle out, NativeHandle err) {
  std::string text = result.out;
  int status = result.status;
  if (!result.file_path.empty()) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(result.file_bytes.data());
    if (const int e = ReplaceFile(result.file_path, bytes, result.file_bytes.size()); e != 0) {
      const std::string failed = result.file_asked_by + " '" + ShowableArgument(result.file_path, kShownPathLimit) +
                                 "': cannot write the file: " + ErrorText(e) + "\n";
      WriteAll(err, failed.data(), failed.size());
      return 2;
    }
    text += result.written_line;
  }
  if (const int e = WriteAll(out, text.data(), text.size()); e != 0) {
    const std::string failed = "pivotwright: cannot write to standard output: " + ErrorText(e) + "\n";
    WriteAll(err, failed.data(), failed.size());
    status = 1;
  }
  WriteAll(err, result.err.data(), result.err.size());
  return status;
}

}  // namespace pw
