#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include <windows.h>

#include "platform/windows/handle.h"
// <windows.h> names ReplaceFileA/W "ReplaceFile"; the program's own
// ReplaceFile is meant here.
#undef ReplaceFile

namespace pw {

namespace {

// File names are in the program's 8-bit code page, like its texts.
std::wstring WideName(std::string_view name) {
  if (name.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), n);
  return wide;
}

// No system message box (a missing disc, a drive not ready) may stop the
// program while a file call runs.
struct QuietErrors {
  DWORD old = 0;
  QuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old); }
  ~QuietErrors() { SetThreadErrorMode(old, nullptr); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;
};

int LastError() {
  const DWORD e = GetLastError();
  return e == 0 ? static_cast<int>(ERROR_GEN_FAILURE) : static_cast<int>(e);
}

bool IsDiskFile(HANDLE h) { return GetFileType(h) == FILE_TYPE_DISK; }

// A name for the temporary file beside `name` that no other run uses.
std::wstring TemporaryName(const std::wstring& name) {
  static std::atomic<unsigned> counter{0};
  wchar_t suffix[40];
  std::swprintf(suffix, std::size(suffix), L".%lx-%x.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                counter.fetch_add(1) ^ static_cast<unsigned>(GetTickCount64()));
  return name + suffix;
}

}  // namespace

// Written by this program only while it is open (no sharing); an existing
// file is emptied only once it is open, so a file that cannot be opened
// keeps its content.
int CreateOutputFile(std::string_view name, NativeHandle& file) {
  const QuietErrors quiet;
  const HANDLE h = CreateFileW(WideName(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  // Windows refuses to open a folder this way; not every system that runs
  // Windows programs does.
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(h);
    return ERROR_ACCESS_DENIED;
  }
  if (IsDiskFile(h) && !SetEndOfFile(h)) {
    const int error = LastError();
    CloseHandle(h);
    return error;
  }
  file = Native(h);
  return 0;
}

int WriteAll(NativeHandle file, const char* bytes, std::size_t n, std::size_t* written) {
  const QuietErrors quiet;
  std::size_t done = 0;
  int error = 0;
  while (done < n) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
    DWORD w = 0;
    if (!WriteFile(Win(file), bytes + done, chunk, &w, nullptr)) {
      error = LastError();
      done += w;
      break;
    }
    if (w == 0) {
      error = ERROR_WRITE_FAULT;
      break;
    }
    done += w;
  }
  if (written != nullptr) *written = done;
  return error;
}

int CloseOutputFile(NativeHandle& file) {
  const QuietErrors quiet;
  const HANDLE h = Win(file);
  int error = 0;
  if (IsDiskFile(h) && !SetEndOfFile(h)) error = LastError();
  if (!CloseHandle(h) && error == 0) error = LastError();
  file = kNoHandle;
  return error;
}

int ReplaceFile(std::string_view name, const unsigned char* bytes, std::size_t n) {
  const QuietErrors quiet;
  const std::wstring target = WideName(name);
  std::wstring temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    temp = TemporaryName(target);
    h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return LastError();
  }
  if (h == INVALID_HANDLE_VALUE) return LastError();
  int error = WriteAll(Native(h), reinterpret_cast<const char*>(bytes), n);
  if (error == 0 && !FlushFileBuffers(h)) error = LastError();
  if (!CloseHandle(h) && error == 0) error = LastError();
  if (error == 0 &&
      !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = LastError();
  }
  if (error != 0) DeleteFileW(temp.c_str());
  return error;
}

// The system's message in the console's code page (the one the screen
// shows), without the line end and the full stop it comes with.
std::string ErrorText(int error) {
  wchar_t* wide = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                 nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&wide),
                                 0, nullptr);
  std::string text;
  if (n > 0 && wide != nullptr) {
    const UINT cp = GetConsoleOutputCP() != 0 ? GetConsoleOutputCP() : CP_OEMCP;
    const int len = WideCharToMultiByte(cp, 0, wide, static_cast<int>(n), nullptr, 0, "?", nullptr);
    text.resize(static_cast<std::size_t>(std::max(len, 0)));
    WideCharToMultiByte(cp, 0, wide, static_cast<int>(n), text.data(), len, "?", nullptr);
  }
  if (wide != nullptr) LocalFree(wide);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text.empty()) text = "System error " + std::to_string(error);
  return text;
}

}  // namespace pw
