#include "text/text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "text/number_text.h"

namespace pw {

namespace {

// Pending bytes are handed to the system once this much has gathered.
constexpr std::size_t kFlushSize = 64 * 1024;

OpenTextFile* Find(TextFileTable& t, int number) {
  for (OpenTextFile& f : t.files) {
    if (f.number == number) return &f;
  }
  return nullptr;
}

// Writes all pending bytes; on the first failure the error is kept and
// nothing more is written to the file (what could be written stays).
void Flush(OpenTextFile& f) {
  std::size_t done = 0;
  while (f.error == 0 && done < f.pending.size()) {
    const ssize_t n = write(f.fd, f.pending.data() + done, f.pending.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      f.error = n < 0 ? errno : EIO;
    }
  }
  f.pending.clear();
}

void Put(OpenTextFile& f, std::string_view bytes) {
  f.column += bytes.size();
  if (f.error != 0) return;
  f.pending.append(bytes);
  if (f.pending.size() >= kFlushSize) Flush(f);
}

void Put(TextFileTable& t, int number, std::string_view bytes) {
  if (OpenTextFile* f = Find(t, number)) Put(*f, bytes);
}

// Finishes one file: pending bytes, the cut after the last byte, the close.
int Finish(OpenTextFile& f) {
  Flush(f);
  int err = f.error;
  struct stat st {};
  if (fstat(f.fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const off_t end = lseek(f.fd, 0, SEEK_CUR);
    if (end >= 0 && ftruncate(f.fd, end) != 0 && err == 0) err = errno;
  }
  if (close(f.fd) != 0 && err == 0 && errno != EINTR) err = errno;
  f.fd = -1;
  return err;
}

}  // namespace

TextFileTable::~TextFileTable() {
  for (OpenTextFile& f : files) {
    if (f.fd >= 0) Finish(f);
  }
}

int OpenForOutput(TextFileTable& t, std::string_view name, int number) {
  if (number < 0 || number > 32767) return EINVAL;
  if (Find(t, number) != nullptr) return EBUSY;
  const std::string path(name);
  int fd;
  do {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  OpenTextFile f;
  f.number = number;
  f.fd = fd;
  t.files.push_back(std::move(f));
  return 0;
}

void PrintItem(TextFileTable& t, int number, std::string_view text) { Put(t, number, text); }

void PrintItem(TextFileTable& t, int number, double x) {
  if (OpenTextFile* f = Find(t, number)) Put(*f, NumberText(x, NumberForm::Printed));
}

void PrintZone(TextFileTable& t, int number) {
  static constexpr std::string_view kBlanks = "              ";  // one 14-byte zone
  if (OpenTextFile* f = Find(t, number)) {
    Put(*f, kBlanks.substr(f->column % kBlanks.size()));
  }
}

void WriteNumber(TextFileTable& t, int number, double x) {
  if (OpenTextFile* f = Find(t, number)) Put(*f, NumberText(x, NumberForm::Comma));
}

void WriteSeparator(TextFileTable& t, int number) { Put(t, number, ","); }

void EndRecord(TextFileTable& t, int number) {
  if (OpenTextFile* f = Find(t, number)) {
    Put(*f, "\r\n");
    f->column = 0;
  }
}

int CloseFile(TextFileTable& t, int number) {
  for (auto it = t.files.begin(); it != t.files.end(); ++it) {
    if (it->number == number) {
      const int err = Finish(*it);
      t.files.erase(it);
      return err;
    }
  }
  return EBADF;
}

}  // namespace pw
