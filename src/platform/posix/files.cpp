#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace pw {

namespace {

// Makes a rename to `path` durable by syncing the folder that holds it; a
// failure here does not undo the rename.
void SyncFolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string_view::npos ? std::string(".") : std::string(path.substr(0, slash + 1));
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The process's file-creation mask.  emscripten's starts as 0777, which
// would leave every file written without any permission (and the page
// unable to read it back); its file system in memory has no other users,
// so the usual 022 stands in there.
mode_t CreationMask() {
#if defined(__EMSCRIPTEN__)
  return 022;
#else
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
#endif
}

}  // namespace

int CreateOutputFile(std::string_view name, NativeHandle& file) {
  const std::string path(name);
  int fd;
  do {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  file = fd;
  return 0;
}

int WriteAll(NativeHandle file, const char* bytes, std::size_t n, std::size_t* written) {
  std::size_t done = 0;
  int error = 0;
  while (done < n) {
    const ssize_t w = write(file, bytes + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EINTR) {
      continue;
    } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd p {file, POLLOUT, 0};
      poll(&p, 1, -1);
    } else {
      error = w < 0 ? errno : EIO;
      break;
    }
  }
  if (written != nullptr) *written = done;
  return error;
}

int CloseOutputFile(NativeHandle& file) {
  int error = 0;
  struct stat st {};
  if (fstat(file, &st) == 0 && S_ISREG(st.st_mode)) {
    const off_t end = lseek(file, 0, SEEK_CUR);
    if (end >= 0 && ftruncate(file, end) != 0) error = errno;
  }
  if (close(file) != 0 && error == 0 && errno != EINTR) error = errno;
  file = kNoHandle;
  return error;
}

int ReplaceFile(std::string_view name, const unsigned char* bytes, std::size_t n) {
  std::string temp = std::string(name) + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  // mkostemp makes the file private; give it the mode a newly created file
  // would have.
  int error = 0;
  if (fchmod(fd, 0666 & ~CreationMask()) != 0) error = errno;
  if (error == 0) error = WriteAll(fd, reinterpret_cast<const char*>(bytes), n);
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temp.c_str(), std::string(name).c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temp.c_str());
    return error;
  }
  SyncFolderOf(name);
  return 0;
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace pw
