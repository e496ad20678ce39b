#include "text/text_file.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

// Runs `write` against file 1 ("out.txt") in a fresh directory and returns
// the file's bytes after CloseFile.
template <typename Fn>
std::string BytesOf(Fn write) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pw::TextFileTable t;
  EXPECT_EQ(pw::OpenForOutput(t, "out.txt", 1), 0);
  write(t);
  EXPECT_EQ(pw::CloseFile(t, 1), 0);
  EXPECT_TRUE(t.files.empty());
  return pwtest::ReadFileBytes(dir.path + "/out.txt");
}

TEST(TextFile, PrintZonesAndItems) {
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              pw::PrintItem(t, 1, "");
              pw::PrintZone(t, 1);
            }),
            std::string(14, ' '));
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              pw::PrintItem(t, 1, "0123456789");
              pw::PrintZone(t, 1);
            }),
            "0123456789    ");
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              pw::PrintItem(t, 1, "0123456789abcd");
              pw::PrintZone(t, 1);
            }),
            "0123456789abcd" + std::string(14, ' '));
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              pw::PrintItem(t, 1, 58.5);
              pw::PrintZone(t, 1);
              pw::PrintItem(t, 1, "text");
            }),
            " 58.5         text");
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              pw::PrintItem(t, 1, -0.0123);
              pw::PrintZone(t, 1);
              pw::PrintZone(t, 1);
              pw::PrintItem(t, 1, "x");
            }),
            "-.0123 " + std::string(7 + 14, ' ') + "x");
}

TEST(TextFile, CommaLinesAndRecordEnds) {
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              pw::WriteNumber(t, 1, 1);
              pw::WriteSeparator(t, 1);
              pw::WriteNumber(t, 1, -0.5);
              pw::EndRecord(t, 1);
            }),
            "1,-.5\r\n");
  // The column counter restarts after each line end.
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              pw::PrintItem(t, 1, "abc");
              pw::EndRecord(t, 1);
              pw::PrintZone(t, 1);
              pw::PrintItem(t, 1, "d");
              pw::EndRecord(t, 1);
            }),
            "abc\r\n" + std::string(14, ' ') + "d\r\n");
}

TEST(TextFile, LongOutputComesOutWhole) {
  // Far more than is ever held back before going to the system.
  std::string expected;
  for (int i = 0; i < 30000; ++i) expected += "0123456789,\r\n";
  EXPECT_EQ(BytesOf([](pw::TextFileTable& t) {
              for (int i = 0; i < 30000; ++i) {
                pw::PrintItem(t, 1, "0123456789");
                pw::WriteSeparator(t, 1);
                pw::EndRecord(t, 1);
              }
            }),
            expected);
}

TEST(TextFile, OpeningEmptiesALongerOldFile) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pwtest::WriteFileBytes("out.txt", std::string(5000, 'z'));
  pw::TextFileTable t;
  ASSERT_EQ(pw::OpenForOutput(t, "out.txt", 1), 0);
  pw::PrintItem(t, 1, "new");
  pw::EndRecord(t, 1);
  ASSERT_EQ(pw::CloseFile(t, 1), 0);
  EXPECT_EQ(pwtest::ReadFileBytes("out.txt"), "new\r\n");
}

// POSIX error codes and devices; the Windows file layer has its own tests.
#if !defined(_WIN32)
TEST(TextFile, FailedOpenLeavesTheNumberClosedAndTheFileAlone) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  ASSERT_EQ(mkdir("adir", 0755), 0);
  pw::TextFileTable t;
  EXPECT_EQ(pw::OpenForOutput(t, "adir", 1), EISDIR);
  EXPECT_EQ(pw::OpenForOutput(t, "missing/out.txt", 2), ENOENT);
  EXPECT_TRUE(t.files.empty());
  // Statements to a number that is not open do nothing.
  pw::PrintItem(t, 1, "lost");
  pw::PrintZone(t, 1);
  pw::WriteNumber(t, 1, 3);
  pw::EndRecord(t, 1);
  EXPECT_EQ(pw::CloseFile(t, 1), EBADF);

  if (geteuid() != 0) {
    // A read-only file keeps its old content.
    pwtest::WriteFileBytes("ro.txt", "old content");
    ASSERT_EQ(chmod("ro.txt", 0444), 0);
    EXPECT_EQ(pw::OpenForOutput(t, "ro.txt", 3), EACCES);
    EXPECT_EQ(pwtest::ReadFileBytes("ro.txt"), "old content");
  }
}

#endif  // !_WIN32

TEST(TextFile, RefusedNumbers) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  pw::TextFileTable t;
  EXPECT_EQ(pw::OpenForOutput(t, "neg.txt", -1), EINVAL);
  EXPECT_FALSE(pwtest::FileExists("neg.txt"));

  // A second open of a number already open does nothing: the writes go to
  // the file opened first and the second name is not touched.
  pwtest::WriteFileBytes("second.txt", "keep");
  ASSERT_EQ(pw::OpenForOutput(t, "first.txt", 1), 0);
  EXPECT_EQ(pw::OpenForOutput(t, "second.txt", 1), EBUSY);
  pw::PrintItem(t, 1, "one");
  EXPECT_EQ(pw::CloseFile(t, 1), 0);
  EXPECT_EQ(pwtest::ReadFileBytes("first.txt"), "one");
  EXPECT_EQ(pwtest::ReadFileBytes("second.txt"), "keep");
}

#if !defined(_WIN32)
TEST(TextFile, WriteFailureIsReportedAtCloseAndOtherFilesGoOn) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  for (int lines : {1, 20000}) {  // held back entirely, and flushed on the way
    SCOPED_TRACE(lines);
    pw::TextFileTable t;
    ASSERT_EQ(pw::OpenForOutput(t, "/dev/full", 2), 0);
    ASSERT_EQ(pw::OpenForOutput(t, "good.txt", 1), 0);
    for (int i = 0; i < lines; ++i) {
      pw::WriteNumber(t, 2, 1.5);
      pw::EndRecord(t, 2);
      pw::WriteNumber(t, 1, 1.5);
      pw::EndRecord(t, 1);
    }
    EXPECT_EQ(pw::CloseFile(t, 2), ENOSPC);
    EXPECT_EQ(pw::CloseFile(t, 1), 0);
    EXPECT_EQ(pwtest::ReadFileBytes("good.txt").size(), static_cast<std::size_t>(lines) * 5);
  }
}

#endif  // !_WIN32

TEST(TextFile, TableGoingAwayWritesOutOpenFiles) {
  pwtest::TempDir dir;
  pwtest::ScopedChdir cd(dir.path);
  {
    pw::TextFileTable t;
    ASSERT_EQ(pw::OpenForOutput(t, "left.txt", 7), 0);
    pw::PrintItem(t, 7, "left open");
  }
  EXPECT_EQ(pwtest::ReadFileBytes("left.txt"), "left open");
}

}  // namespace
