// A Windows HANDLE kept in the platform-neutral NativeHandle as its value,
// and back.  Only the Windows backend's files include this.
#pragma once

#include <windows.h>

#include "platform/native_handle.h"

namespace pw {

inline HANDLE Win(NativeHandle h) {
  return reinterpret_cast<HANDLE>(h);  // NOLINT(performance-no-int-to-ptr)
}

// A handle the system gave (kNoHandle for none or an invalid one).
inline NativeHandle Native(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return kNoHandle;
  return reinterpret_cast<NativeHandle>(h);
}

}  // namespace pw
