#include "platform/process.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace pw {

// The module handle is where the program is loaded; its low 32 bits tell
// this program apart from other modules of the same process.
int32_t ProgramInstance() {
  const auto address = reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr));
  return static_cast<int32_t>(static_cast<uint32_t>(address & 0xFFFFFFFFu));
}

}  // namespace pw
