// The files the program writes: written in pieces and closed (the two text
// files of the graph data), or replaced whole (the drawing).  Every
// operation gives 0 or the system's error code (errno on POSIX,
// GetLastError on Windows); ErrorText gives the system's words for a code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/native_handle.h"

namespace pw {

// Opens `name` for writing, creating it if missing and emptying it if
// present.  On failure `file` stays kNoHandle and the file is untouched.
int CreateOutputFile(std::string_view name, NativeHandle& file);

// Writes all n bytes, going on after interruptions and short writes.
// `written` (when given) receives how many bytes went out.  Safe to use in
// a signal handler on POSIX.
int WriteAll(NativeHandle file, const char* bytes, std::size_t n, std::size_t* written = nullptr);

// Cuts a disk file after the last byte written and closes it; `file`
// becomes kNoHandle.
int CloseOutputFile(NativeHandle& file);

// Writes `name` whole or not at all: a temporary file beside it, flushed to
// disc, then moved over `name`.  On failure `name` is untouched and no
// temporary file is left.
int ReplaceFile(std::string_view name, const unsigned char* bytes, std::size_t n);

// The system's description of an error code, without a trailing period or
// line end.
std::string ErrorText(int error);

}  // namespace pw
