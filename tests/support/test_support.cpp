#include "support/test_support.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/device.h"
#include "platform/frame.h"
#include "platform/native_handle.h"

namespace pwtest {

namespace {

// The devices handed to scripted screens.  Each stays open until the test
// program ends, so a screen copied in a test keeps a working device.
struct ScriptedDevices {
  std::deque<pw::Device> devices;
  std::vector<int> fds;
  ~ScriptedDevices() {
    for (pw::Device& d : devices) pw::CloseDevice(d);
    for (int fd : fds) close(fd);
  }
};
ScriptedDevices g_scripted;

}  // namespace

void AttachScriptedKeys(pw::ConsoleScreen& s, std::string_view keys) {
  int fd = memfd_create("keys", MFD_CLOEXEC);
  if (fd < 0) throw std::runtime_error("memfd_create failed");
  std::size_t done = 0;
  while (done < keys.size()) {
    ssize_t n = write(fd, keys.data() + done, keys.size() - done);
    if (n <= 0) throw std::runtime_error("writing keys failed");
    done += static_cast<std::size_t>(n);
  }
  lseek(fd, 0, SEEK_SET);
  g_scripted.fds.push_back(fd);
  pw::Device& d = g_scripted.devices.emplace_back();
  pw::OpenDevice(d, pw::DeviceHandles{fd, pw::kNoHandle});
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
  std::string tmpl = (std::filesystem::temp_directory_path() / "pwtest-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path = tmpl;
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
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string ReferencePath(const std::string& rel) { return std::string(PW_TEST_DATA) + "/" + rel; }

}  // namespace pwtest
