#include "core/util/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(Files, CreateDirectoryTreeMakesEveryMissingLevel) {
  TempDir dir;
  const std::string deep = dir.str() + "/a/b/c";
  CreateDirectoryTree(deep);
  EXPECT_TRUE(fs::is_directory(deep));
  CreateDirectoryTree(deep);  // already there: nothing happens
  CreateDirectoryTree(dir.str() + "\\x\\y");  // backslashes separate too
  EXPECT_TRUE(fs::is_directory(dir.path() / "x" / "y"));
}

TEST(Files, WriteCreatesFoldersAndReadGivesTheBytesBack) {
  TempDir dir;
  const std::string path = dir.str() + "/new/folder/file.bin";
  const std::string bytes("a\0b\r\n", 5);
  ASSERT_TRUE(WriteStringToFile(path, bytes));
  std::string read;
  ASSERT_TRUE(ReadFileToString(path, read));
  EXPECT_EQ(read, bytes);

  ASSERT_TRUE(WriteStringToFile(path, "x"));  // truncates
  ASSERT_TRUE(ReadFileToString(path, read));
  EXPECT_EQ(read, "x");

  ASSERT_TRUE(WriteStringToFile(dir.str() + "/empty", ""));
  ASSERT_TRUE(ReadFileToString(dir.str() + "/empty", read));
  EXPECT_EQ(read, "");
  EXPECT_FALSE(ReadFileToString(dir.str() + "/missing", read));
  EXPECT_FALSE(WriteStringToFile(dir.str() + "/empty/below-a-file", "x"));
}

TEST(Files, ReadIntoBufferRespectsItsCapacity) {
  TempDir dir;
  const auto path = dir.Write("f", "12345").string();
  uint8_t buf[8] = {};
  uint32_t len = 4;
  EXPECT_FALSE(ReadFileToBuffer(path, buf, &len));
  EXPECT_EQ(buf[0], 0);
  len = 5;
  ASSERT_TRUE(ReadFileToBuffer(path, buf, &len));
  EXPECT_EQ(len, 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 5), "12345");
}

TEST(Files, AtomicWriteIsPrivateAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.str() + "/keys/Cont1/Sign.key";
  const uint8_t bytes[] = {1, 2, 3};
  ASSERT_TRUE(WriteFileAtomically(path, bytes));
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat((dir.str() + "/keys").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "keys" / "Cont1"), fs::directory_iterator()), 1);
  EXPECT_FALSE(WriteFileAtomically(path + "/under-a-file", bytes));
}

TEST(Files, ListingFindsNestedFilesButNoDirectories) {
  TempDir dir;
  std::vector<std::string> files;
  ListFilesRecursive(dir.str(), files);
  EXPECT_TRUE(files.empty());

  dir.Write("a.p12", "1");
  dir.Write("sub/deeper/b.sm2", "2");
  fs::create_directories(dir.path() / "emptydir");
  ListFilesRecursive(dir.str(), files);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{dir.str() + "/a.p12", dir.str() + "/sub/deeper/b.sm2"}));

  files.clear();
  ListFilesRecursive(dir.str() + "/missing", files);
  EXPECT_TRUE(files.empty());
}

}  // namespace
}  // namespace orvane
