#include <optional>

#include "base/extended.h"
#include "commands/command_result.h"
#include "commands/commands.h"
#include "platform/console_tools.h"
#include "platform/device.h"
#include "platform/process.h"
#include "program/command_line.h"
#include "program/winmain.h"
#include "screens/program_values.h"
#include "text/console_screen.h"

namespace {

// Large enough to keep off the stack; one of each for the whole run.
pw::Device g_device;
pw::ConsoleScreen g_screen;
pw::ProgramValues g_values;
pw::ConsoleTools g_tools;

}  // namespace

int main(int argc, char** argv) {
  // --version, --help and wrong arguments are answered before the terminal
  // is touched.
  // A command (align, check, ...) runs on its own and ends the program.
  if (const std::optional<pw::CommandResult> command = pw::CommandRequest(argc, argv)) {
    const pw::TextOutputMode mode = pw::UseUtf8TextOutput();
    const int status = pw::WriteCommandResult(*command, pw::StandardHandles().output, pw::StandardError());
    pw::RestoreTextOutput(mode);
    return status;
  }
  const pw::CommandLineOutcome command_line = pw::ParseCommandLine(argc, argv);
  if (!command_line.run_program) {
    return pw::WriteCommandLineOutcome(command_line, pw::StandardHandles().output, pw::StandardError());
  }
  pw::UseExtendedPrecision();
  pw::OpenDevice(g_device, pw::StandardHandles());
  g_screen.device = &g_device;
  g_tools.device = &g_device;
  int status = 0;
  try {
    status = pw::WINMAIN(g_screen, g_values, g_tools, pw::ProgramInstance());
  } catch (const pw::EndOfInput&) {
    // The keyboard input is gone (closed pipe, hung-up terminal): nothing
    // more can be chosen, so leave instead of waiting forever.
    status = 1;
  }
  // The model's last state stays on the screen; then the terminal is given
  // back to the shell (modes, cursor, colours, title).
  pw::ShowFrame(g_device, g_screen.frame);
  pw::CloseDevice(g_device);
  return status;
}
