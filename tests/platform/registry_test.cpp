#include "core/platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace orvane::platform {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  testing::TempDir root;
  testing::ScopedEnv env{"ORVANE_REGISTRY_DIR", root.str()};
};

TEST_F(RegistryTest, ValuesAreFilesUnderTheHiveAndKeyPath) {
  root.Write("HKLM/SOFTWARE/A/B/Value", "bytes");
  root.Write("HKCU/Software/Pelorin/Value", "user");
  EXPECT_EQ(ReadRegistryValue(Hive::kLocalMachine, "SOFTWARE\\A\\B", "Value", 260), "bytes");
  EXPECT_EQ(ReadRegistryValue(Hive::kLocalMachine, "SOFTWARE/A\\B\\", "Value", 260), "bytes");
  EXPECT_EQ(ReadRegistryValue(Hive::kCurrentUser, "Software\\Pelorin", "Value", 260), "user");
  EXPECT_FALSE(ReadRegistryValue(Hive::kCurrentUser, "SOFTWARE\\A\\B", "Value", 260));
}

TEST_F(RegistryTest, MissingOversizedOrOddValuesAreUnreadable) {
  root.Write("HKLM/K/Big", std::string(300, 'x'));
  root.Write("HKLM/K/Empty", "");
  std::filesystem::create_directories(root.path() / "HKLM/K/Folder");
  EXPECT_FALSE(ReadRegistryValue(Hive::kLocalMachine, "K", "Big", 260));
  EXPECT_EQ(ReadRegistryValue(Hive::kLocalMachine, "K", "Big", 300)->size(), 300u);
  EXPECT_EQ(ReadRegistryValue(Hive::kLocalMachine, "K", "Empty", 260), "");
  EXPECT_FALSE(ReadRegistryValue(Hive::kLocalMachine, "K", "Folder", 260));
  EXPECT_FALSE(ReadRegistryValue(Hive::kLocalMachine, "K", "Missing", 260));
  EXPECT_FALSE(ReadRegistryValue(Hive::kLocalMachine, "K", "", 260));
}

TEST_F(RegistryTest, KeyPathsCannotLeaveTheTree) {
  root.Write("outside", "secret");
  root.Write("HKLM/K/v", "x");
  EXPECT_FALSE(ReadRegistryValue(Hive::kLocalMachine, "..", "outside", 260));
  EXPECT_FALSE(ReadRegistryValue(Hive::kLocalMachine, "K\\..\\..", "outside", 260));
  EXPECT_FALSE(ReadRegistryValue(Hive::kLocalMachine, "K", "../v", 260));
  EXPECT_FALSE(ListRegistrySubKeys(Hive::kLocalMachine, "K\\.."));
}

TEST_F(RegistryTest, SubKeysEnumerateInByteOrder) {
  for (const char* name : {"b", "B", "a1", "1ea8"}) root.Write(std::string("HKLM/T/") + name + "/v", "x");
  root.Write("HKLM/T/value-not-key", "x");
  EXPECT_EQ(ListRegistrySubKeys(Hive::kLocalMachine, "T"), (std::vector<std::string>{"1ea8", "B", "a1", "b"}));
  EXPECT_FALSE(ListRegistrySubKeys(Hive::kLocalMachine, "Missing"));
}

}  // namespace
}  // namespace orvane::platform
