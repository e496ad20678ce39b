// Helpers shared by the tests: scripted key input, reading the screen model,
// temporary directories and files.
#pragma once

#include <string>
#include <string_view>

#include "text/console_screen.h"

namespace pwtest {

// Hands the console model a device whose keys come from `keys` (read as a
// script from an in-memory file, or a temporary file on Windows, so any
// length works) and whose output goes nowhere.
void AttachScriptedKeys(pw::ConsoleScreen& s, std::string_view keys);

// How many beeps the screen's device has sounded.
int Beeps(const pw::ConsoleScreen& s);

// The 90 characters of a 1-based row (cells as bytes).
std::string RowText(const pw::ConsoleScreen& s, int row);
// The row with trailing blanks removed.
std::string RowTrimmed(const pw::ConsoleScreen& s, int row);
// The attributes of a row, one char per cell as a hex digit pair "F0F0...".
std::string RowAttrs(const pw::ConsoleScreen& s, int row, int from_col, int to_col);

// A fresh empty directory under the system's temporary directory, removed
// with everything in it when the object goes away.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path;
};

// Changes the current directory for the lifetime of the object.
struct ScopedChdir {
  explicit ScopedChdir(const std::string& dir);
  ~ScopedChdir();
  ScopedChdir(const ScopedChdir&) = delete;
  ScopedChdir& operator=(const ScopedChdir&) = delete;
  std::string old;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

// Path of a reference file under tests/data.
std::string ReferencePath(const std::string& rel);

}  // namespace pwtest
