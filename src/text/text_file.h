// Sequential text files under a file number: print-style lines (items and
// 14-byte print zones) and comma-separated lines, ended by CR LF.
//
// Failing statements never stop the program.  Each open file keeps the first
// error that a write met; OpenForOutput and CloseFile return the system's
// error code (0 on success) so that a caller can report what went wrong.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native_handle.h"
#include "text/number_text.h"

namespace pw {

// File numbers are 16-bit and not negative.
constexpr int kMaxFileNumber = 32767;

struct OpenTextFile {
  int number = 0;
  NativeHandle handle = kNoHandle;
  std::size_t column = 0;  // bytes written since the last line end
  int error = 0;           // first write error (errno), 0 if none
  std::string pending;     // bytes not yet handed to the system
};

// The open-file table.  Files still open when the table goes away are
// written out and closed.
struct TextFileTable {
  TextFileTable() = default;
  TextFileTable(const TextFileTable&) = delete;
  TextFileTable& operator=(const TextFileTable&) = delete;
  ~TextFileTable();
  std::vector<OpenTextFile> files;
};

// Opens `name` for writing under `number`, creating it if missing and
// emptying it if present.  Returns 0, or the errno of the failed open; a
// number that is negative or already open is refused (EINVAL, EBUSY, from <cerrno>) and the
// table is left as it was.  A file that could not be opened keeps its content.
int OpenForOutput(TextFileTable& t, std::string_view name, int number);

// Statements on a file number that is not open do nothing.  A number goes
// out as its default text; the forms taking digits already made
// (EighteenDigitForm) save making them again for a value written twice.
void PrintItem(TextFileTable& t, int number, std::string_view text);
void PrintItem(TextFileTable& t, int number, double x);  // " 58.5 "
void PrintItem(TextFileTable& t, int number, const EighteenDigits& x);
void PrintZone(TextFileTable& t, int number);
void WriteNumber(TextFileTable& t, int number, double x);  // "-.5"
void WriteNumber(TextFileTable& t, int number, const EighteenDigits& x);
void WriteSeparator(TextFileTable& t, int number);
void EndRecord(TextFileTable& t, int number);

// Writes out what is pending, cuts the file after the last byte written and
// closes it.  Returns 0 when every write, the cut and the close succeeded,
// otherwise the first errno met; EBADF when the number was not open.
int CloseFile(TextFileTable& t, int number);

}  // namespace pw
