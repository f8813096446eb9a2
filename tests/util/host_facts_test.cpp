#include "core/util/host_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "support/temp_dir.h"

namespace orvane {
namespace {

platform::NetworkAdapter Adapter(uint8_t last, bool isVirtual) {
  platform::NetworkAdapter a;
  a.name = "eth" + std::to_string(last);
  a.address = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, last};
  a.isVirtual = isVirtual;
  return a;
}

TEST(HostFacts, MacOfTheFirstPhysicalAdapter) {
  EXPECT_EQ(ChooseMacAddress({Adapter(1, true), Adapter(0xef, false), Adapter(3, false)}), "00-1A-2B-3C-4D-EF");
  EXPECT_EQ(ChooseMacAddress({Adapter(1, true), Adapter(2, true)}), "00-1A-2B-3C-4D-02");
  EXPECT_EQ(ChooseMacAddress({}), "");
}

// "AA-BB-CC-DD-EE-FF": upper-case hex pairs joined by dashes.
bool IsMacText(const std::string& text) {
  if (text.size() != 17) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool ok = i % 3 == 2 ? text[i] == '-' : std::isxdigit(uint8_t(text[i])) && !std::islower(uint8_t(text[i]));
    if (!ok) return false;
  }
  return true;
}

TEST(HostFacts, MachineFactsHaveTheirForms) {
  const std::string mac = GetMacAddress();
  EXPECT_TRUE(mac.empty() || IsMacText(mac)) << mac;
  EXPECT_FALSE(GetHostNameText().empty());
  const std::string address = GetHostAddress();
  EXPECT_TRUE(address.empty() || std::count(address.begin(), address.end(), '.') == 3) << address;
}

TEST(HostFacts, TempDirectoryEndsInASeparator) {
  {
    testing::ScopedEnv tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(GetTempDirectory(), "/var/tmp/");
  }
  testing::ScopedEnv tmp("TMPDIR", "");
  EXPECT_EQ(GetTempDirectory(), "/tmp/");
}

TEST(HostFacts, RegistryTextIsTheRawValueUpTo260Bytes) {
  testing::TempDir root;
  testing::ScopedEnv registry("ORVANE_REGISTRY_DIR", root.str());
  root.Write("HKLM/SOFTWARE/Vendor/Name", std::string("text\0", 5));
  root.Write("HKLM/SOFTWARE/Vendor/Long", std::string(261, 'x'));
  root.Write("HKLM/SOFTWARE/Vendor/Exact", std::string(260, 'y'));
  EXPECT_EQ(ReadRegistryText("SOFTWARE\\Vendor", "Name"), std::string("text\0", 5));
  EXPECT_EQ(ReadRegistryText("SOFTWARE\\Vendor", "Long"), "");
  EXPECT_EQ(ReadRegistryText("SOFTWARE\\Vendor", "Exact").size(), 260u);
  EXPECT_EQ(ReadRegistryText("SOFTWARE\\Vendor", "Missing"), "");
  EXPECT_EQ(ReadRegistryText("SOFTWARE\\Nobody", "Name"), "");
}

TEST(HostFacts, ResourceTextComesFromTheStringTable) {
  EXPECT_FALSE(LoadResourceText(213).empty());
  EXPECT_EQ(LoadResourceText(199), "");
}

}  // namespace
}  // namespace orvane
