#include "support/test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/device.h"
#include "platform/frame.h"
#include "platform/native_handle.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace pwtest {

namespace {

#if defined(_WIN32)

// The keys go into a temporary file that the device reads like a script;
// the system deletes it when its handle is closed.
pw::NativeHandle OpenKeyScript(std::string_view keys) {
  static int counter = 0;
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("pwkeys-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
  const HANDLE h = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("creating the key script failed");
  std::size_t done = 0;
  while (done < keys.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(keys.size() - done, 1u << 20));
    if (!WriteFile(h, keys.data() + done, chunk, &n, nullptr) || n == 0) {
      CloseHandle(h);
      throw std::runtime_error("writing keys failed");
    }
    done += n;
  }
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  return reinterpret_cast<pw::NativeHandle>(h);
}

void CloseKeyScript(pw::NativeHandle h) { CloseHandle(reinterpret_cast<HANDLE>(h)); }

#else

// The keys go into an in-memory file, so any length works.
pw::NativeHandle OpenKeyScript(std::string_view keys) {
  const int fd = memfd_create("keys", MFD_CLOEXEC);
  if (fd < 0) throw std::runtime_error("memfd_create failed");
  std::size_t done = 0;
  while (done < keys.size()) {
    const ssize_t n = write(fd, keys.data() + done, keys.size() - done);
    if (n <= 0) throw std::runtime_error("writing keys failed");
    done += static_cast<std::size_t>(n);
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

void CloseKeyScript(pw::NativeHandle fd) { close(fd); }

#endif

// The devices handed to scripted screens.  Each stays open until the test
// program ends, so a screen copied in a test keeps a working device.
struct ScriptedDevices {
  std::deque<pw::Device> devices;
  std::vector<pw::NativeHandle> scripts;
  ~ScriptedDevices() {
    for (pw::Device& d : devices) pw::CloseDevice(d);
    for (const pw::NativeHandle h : scripts) CloseKeyScript(h);
  }
};
ScriptedDevices g_scripted;

}  // namespace

void AttachScriptedKeys(pw::ConsoleScreen& s, std::string_view keys) {
  const pw::NativeHandle script = OpenKeyScript(keys);
  g_scripted.scripts.push_back(script);
  pw::Device& d = g_scripted.devices.emplace_back();
  pw::OpenDevice(d, pw::DeviceHandles{script, pw::kNoHandle});
  s.device = &d;
}

int Beeps(const pw::ConsoleScreen& s) { return pw::BeepCount(*s.device); }

std::string RowText(const pw::ConsoleScreen& s, int row) {
  std::string out;
  for (int c = 1; c <= s.frame.width; ++c) out.push_back(static_cast<char>(pw::CellAt(s, row, c).ch));
  return out;
}

std::string RowTrimmed(const pw::ConsoleScreen& s, int row) {
  std::string t = RowText(s, row);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

std::string RowAttrs(const pw::ConsoleScreen& s, int row, int from_col, int to_col) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (int c = from_col; c <= to_col; ++c) {
    unsigned a = pw::CellAt(s, row, c).attr;
    out.push_back(hex[a >> 4]);
    out.push_back(hex[a & 15]);
  }
  return out;
}

TempDir::TempDir() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "pwtest-%012llx",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    const std::filesystem::path dir = base / name;
    std::error_code ec;
    if (std::filesystem::create_directory(dir, ec)) {
      path = dir.string();
      return;
    }
  }
  throw std::runtime_error("no temporary directory could be made");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make everything writable again so a test that removed write bits
  // still cleans up.
  // Links are left alone: changing their modes would change what they point at.
  for (auto& e : std::filesystem::recursive_directory_iterator(path, ec)) {
    if (e.is_symlink(ec)) continue;
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
  }
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path, ec);
}

ScopedChdir::ScopedChdir(const std::string& dir) {
  old = std::filesystem::current_path().string();
  std::filesystem::current_path(dir);
}

ScopedChdir::~ScopedChdir() {
  std::error_code ec;
  std::filesystem::current_path(old, ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

std::string ReferencePath(const std::string& rel) { return std::string(PW_TEST_DATA) + "/" + rel; }

}  // namespace pwtest
