// The file layer on Windows: what the POSIX fault cases check there, with
// the system's own error codes and messages.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/test_support.h"

#include <windows.h>
#undef ReplaceFile

namespace {

int FilesIn(const std::string& dir) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++n;
  }
  return n;
}

void MakeReadOnly(const std::string& path, bool read_only) {
  SetFileAttributesA(path.c_str(), read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

// Wine run by root maps the read-only attribute to mode bits that root
// ignores; only where the system enforces it can the cases rely on it.
bool ReadOnlyIsEnforced() {
  pwtest::WriteFileBytes("probe.txt", "x");
  MakeReadOnly("probe.txt", true);
  const HANDLE h = CreateFileA("probe.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool enforced = h == INVALID_HANDLE_VALUE;
  if (!enforced) CloseHandle(h);
  MakeReadOnly("probe.txt", false);
  DeleteFileA("probe.txt");
  return enforced;
}

TEST(WindowsFiles, OutputFileIsEmptiedAndCutAfterTheLastByte) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pwtest::WriteFileBytes("out.txt", std::string(5000, 'o'));
  pw::NativeHandle f = pw::kNoHandle;
  ASSERT_EQ(pw::CreateOutputFile("out.txt", f), 0);
  ASSERT_NE(f, pw::kNoHandle);
  std::size_t written = 0;
  EXPECT_EQ(pw::WriteAll(f, "new\r\n", 5, &written), 0);
  EXPECT_EQ(written, 5u);
  EXPECT_EQ(pw::CloseOutputFile(f), 0);
  EXPECT_EQ(f, pw::kNoHandle);
  EXPECT_EQ(pwtest::ReadFileBytes("out.txt"), "new\r\n");
}

TEST(WindowsFiles, FailedOpensKeepTheFileAndGiveTheSystemsCode) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  const bool read_only_enforced = ReadOnlyIsEnforced();
  std::filesystem::create_directory("adir");
  pwtest::WriteFileBytes("ro.txt", "old content");
  MakeReadOnly("ro.txt", true);
  pwtest::WriteFileBytes("busy.txt", "in use");
  const HANDLE other = CreateFileA("busy.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);

  struct Case {
    const char* name;
    int error;
  };
  const Case cases[] = {
      {"adir", ERROR_ACCESS_DENIED},
      {"missing/out.txt", ERROR_PATH_NOT_FOUND},
      {"ro.txt", ERROR_ACCESS_DENIED},
      {"busy.txt", ERROR_SHARING_VIOLATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "ro.txt" && !read_only_enforced) continue;
    pw::NativeHandle f = pw::kNoHandle;
    EXPECT_EQ(pw::CreateOutputFile(c.name, f), c.error);
    EXPECT_EQ(f, pw::kNoHandle);
  }
  CloseHandle(other);
  EXPECT_EQ(pwtest::ReadFileBytes("ro.txt"), "old content");
  EXPECT_EQ(pwtest::ReadFileBytes("busy.txt"), "in use");
  MakeReadOnly("ro.txt", false);
}

TEST(WindowsFiles, ReplaceWritesWholeOrLeavesTheOldFile) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  const std::string drawing(100000, '\x5A');
  const auto* bytes = reinterpret_cast<const unsigned char*>(drawing.data());

  pwtest::WriteFileBytes("protractor.emf", "older and longer drawing");
  EXPECT_EQ(pw::ReplaceFile("protractor.emf", bytes, drawing.size()), 0);
  EXPECT_EQ(pwtest::ReadFileBytes("protractor.emf"), drawing);
  EXPECT_EQ(FilesIn(dir.path), 1);  // no temporary file left beside it

  EXPECT_EQ(pw::ReplaceFile("missing/protractor.emf", bytes, drawing.size()), ERROR_PATH_NOT_FOUND);
  // A folder in the drawing's place stays, and so does what it holds.
  std::filesystem::create_directory("sub");
  pwtest::WriteFileBytes("sub/keep", "x");
  EXPECT_EQ(pw::ReplaceFile("sub", bytes, drawing.size()), ERROR_ACCESS_DENIED);
  EXPECT_EQ(pwtest::ReadFileBytes("sub/keep"), "x");
  EXPECT_EQ(FilesIn(dir.path), 2);

  // A target that cannot be replaced keeps its content, and the temporary
  // file goes.
  if (!ReadOnlyIsEnforced()) GTEST_SKIP() << "the read-only attribute is not enforced here";
  MakeReadOnly("protractor.emf", true);
  EXPECT_EQ(pw::ReplaceFile("protractor.emf", bytes, 10), ERROR_ACCESS_DENIED);
  MakeReadOnly("protractor.emf", false);
  EXPECT_EQ(pwtest::ReadFileBytes("protractor.emf"), drawing);
  EXPECT_EQ(FilesIn(dir.path), 1);
}

TEST(WindowsFiles, ErrorTextIsTheSystemsMessageWithoutItsEnd) {
  for (const int code : {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_DISK_FULL, ERROR_SHARING_VIOLATION}) {
    SCOPED_TRACE(code);
    const std::string text = pw::ErrorText(code);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), ' ');
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
  }
  EXPECT_NE(pw::ErrorText(ERROR_ACCESS_DENIED), pw::ErrorText(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(pw::ErrorText(0x2345678), "System error 36984440");
}

}  // namespace
