#include "text/text_file.h"

#include <cerrno>
#include <string>
#include <utility>

#include "platform/files.h"
#include "text/number_text.h"
#include "text/print_zone.h"

namespace pw {

namespace {

// Pending bytes are handed to the system once this much has gathered.
constexpr std::size_t kFlushSize = std::size_t{64} * 1024;

OpenTextFile* Find(TextFileTable& t, int number) {
  for (OpenTextFile& f : t.files) {
    if (f.number == number) return &f;
  }
  return nullptr;
}

// Writes all pending bytes; on the first failure the error is kept and
// nothing more is written to the file (what could be written stays).
void Flush(OpenTextFile& f) {
  if (f.error == 0) f.error = WriteAll(f.handle, f.pending.data(), f.pending.size());
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
  const int error = CloseOutputFile(f.handle);
  return f.error != 0 ? f.error : error;
}

}  // namespace

TextFileTable::~TextFileTable() {
  for (OpenTextFile& f : files) {
    if (f.handle != kNoHandle) Finish(f);
  }
}

int OpenForOutput(TextFileTable& t, std::string_view name, int number) {
  if (number < 0 || number > kMaxFileNumber) return EINVAL;
  if (Find(t, number) != nullptr) return EBUSY;
  OpenTextFile f;
  const int error = CreateOutputFile(name, f.handle);
  if (error != 0) return error;
  f.number = number;
  t.files.push_back(std::move(f));
  return 0;
}

void PrintItem(TextFileTable& t, int number, std::string_view text) { Put(t, number, text); }

void PrintItem(TextFileTable& t, int number, double x) {
  if (OpenTextFile* f = Find(t, number)) Put(*f, NumberText(x, NumberForm::Printed));
}

void PrintItem(TextFileTable& t, int number, const EighteenDigits& x) {
  if (OpenTextFile* f = Find(t, number)) Put(*f, NumberText(x, NumberForm::Printed));
}

void PrintZone(TextFileTable& t, int number) {
  if (OpenTextFile* f = Find(t, number)) Put(*f, ZoneBlanks(f->column));
}

void WriteNumber(TextFileTable& t, int number, double x) {
  if (OpenTextFile* f = Find(t, number)) Put(*f, NumberText(x, NumberForm::Comma));
}

void WriteNumber(TextFileTable& t, int number, const EighteenDigits& x) {
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
