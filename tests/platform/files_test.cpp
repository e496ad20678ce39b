#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

std::size_t Entries(const std::string& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                std::filesystem::directory_iterator()));
}

TEST(ReplaceFile, ReplacesOrLeavesTheTargetAndNeverLeavesATemporaryFile) {
  pwtest::TempDir dir;
  const std::string target = dir.path + "/out.bin";
  const std::vector<unsigned char> bytes = {1, 2, 3, 4, 5};
  pwtest::WriteFileBytes(target, "old contents");
  EXPECT_EQ(pw::ReplaceFile(target, bytes.data(), bytes.size()), 0);
  EXPECT_EQ(pwtest::ReadFileBytes(target), std::string("\1\2\3\4\5"));

  const std::string as_dir = dir.path + "/sub";
  std::filesystem::create_directory(as_dir);
  pwtest::WriteFileBytes(as_dir + "/keep", "x");
  EXPECT_EQ(pw::ReplaceFile(as_dir, bytes.data(), bytes.size()), EISDIR);
  EXPECT_EQ(pwtest::ReadFileBytes(as_dir + "/keep"), "x");
  EXPECT_EQ(pw::ReplaceFile(dir.path + "/no/such/folder.bin", bytes.data(), bytes.size()), ENOENT);
  EXPECT_EQ(Entries(dir.path), 2u) << "only out.bin and sub";
}

TEST(ErrorText, IsTheSystemsWordsWithoutATrailingPeriod) {
  EXPECT_EQ(pw::ErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(pw::ErrorText(ENOSPC), "No space left on device");
}

}  // namespace
