#include "platform/process.h"

#include "platform/native_handle.h"

#include <windows.h>

#include "platform/windows/handle.h"

namespace pw {

// The module handle is where the program is loaded; its low 32 bits tell
// this program apart from other modules of the same process.
int32_t ProgramInstance() {
  const auto address = reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr));
  return static_cast<int32_t>(static_cast<uint32_t>(address & 0xFFFFFFFFu));
}

TextOutputMode UseUtf8TextOutput() {
  // GetConsoleOutputCP is 0 when the process has no console at all (both
  // streams redirected from a program without one); then bytes go out as
  // they are.
  const UINT previous = GetConsoleOutputCP();
  if (previous == 0 || previous == CP_UTF8 || SetConsoleOutputCP(CP_UTF8) == 0) return {};
  return {previous};
}

void RestoreTextOutput(TextOutputMode mode) {
  if (mode.previous_code_page != 0) SetConsoleOutputCP(mode.previous_code_page);
}

// The process's standard error (kNoHandle when it has none).
NativeHandle StandardError() {
  return Native(GetStdHandle(STD_ERROR_HANDLE));
}

}  // namespace pw
