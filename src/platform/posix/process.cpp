#include "platform/process.h"

#include <unistd.h>

namespace pw {

int32_t ProgramInstance() { return static_cast<int32_t>(getpid()); }

NativeHandle StandardError() { return STDERR_FILENO; }

TextOutputMode UseUtf8TextOutput() { return {}; }

void RestoreTextOutput(TextOutputMode /*mode*/) {}

}  // namespace pw
