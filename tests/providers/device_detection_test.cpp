#include "core/providers/device_detection.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvane {
namespace {

// Lays out a registry tree and a sysfs tree in temporary folders.
class DeviceDetectionTest : public ::testing::Test {
 protected:
  void Device(const std::string& entry, const std::string& vid, const std::string& pid = "0001") {
    sysfs.Write(entry + "/idVendor", vid + "\n");
    sysfs.Write(entry + "/idProduct", pid + "\n");
  }
  void Sheca(const std::string& vid, const std::string& type, const std::string& lib, const std::string& ecc,
             const std::string& vendor) {
    const std::string key = "HKLM/SOFTWARE/SHECA/DeviceDetect/common/" + vid + "/";
    if (!type.empty()) registry.Write(key + "DeviceType", type + std::string(1, '\0'));
    registry.Write(key + "LibPath", lib);
    registry.Write(key + "EccLibPath", ecc);
    registry.Write(key + "VendorName", vendor);
  }
  void Xaca(const std::string& vid, const std::string& name, const std::string& type, const std::string& path,
            const std::string& csp) {
    const std::string key = "HKLM/SOFTWARE/Quenlo/Device/XACA/" + vid + "/";
    registry.Write(key + "Name", name);
    registry.Write(key + "Type", type);
    registry.Write(key + "Path", path);
    registry.Write(key + "CSP", csp);
  }

  testing::TempDir registry, sysfs;
  testing::ScopedEnv registryEnv{"ORVANE_REGISTRY_DIR", registry.str()};
  testing::ScopedEnv sysfsEnv{"ORVANE_USB_SYSFS", sysfs.str()};
};

TEST_F(DeviceDetectionTest, ShecaResolvesByKeyType) {
  Sheca("1ea8", "2", "shca_1ea8.dll", "SKF_1ea8.dll", "Vendor");
  Device("1-1", "1ea8");
  EXPECT_EQ(ResolveProviderString("SHECA", 3), "SKF_SHECA&SKF_1ea8.dll");
  EXPECT_EQ(ResolveProviderString("SHECA", 1), "SHECA&shca_1ea8.dll");
  EXPECT_EQ(ResolveProviderString("SHECA", 0), "SHECA&shca_1ea8.dll");
}

TEST_F(DeviceDetectionTest, IncompleteShecaRowsAreIgnored) {
  Sheca("1ea8", "0", "a.dll", "b.dll", "V");   // device type 0
  Sheca("096e", "", "c.dll", "d.dll", "V");    // no device type
  Sheca("055c", "1", "e.dll", "f.dll", "");    // no vendor
  Sheca("0a89", "1", "", "g.dll", "V");        // no library
  for (const char* vid : {"1ea8", "096e", "055c", "0a89"}) Device(std::string("d-") + vid, vid);
  EXPECT_EQ(ResolveProviderString("SHECA", 3), "SKF_SHECA&");
  EXPECT_EQ(ResolveProviderString("SHECA", 1), "SHECA&");
  EXPECT_TRUE(DeviceDetector("SHECA", 1).shecaRows().empty());
}

TEST_F(DeviceDetectionTest, UpperCaseRowNamesNeverMatch) {
  Sheca("1EA8", "2", "a.dll", "b.dll", "V");
  Device("1-1", "1ea8");
  EXPECT_EQ(ResolveProviderString("SHECA", 1), "SHECA&");
}

TEST_F(DeviceDetectionTest, FirstPresentDeviceWinsThenFirstRow) {
  Sheca("096e", "1", "second.dll", "x", "V");
  Sheca("1ea8", "1", "first.dll", "y", "V");
  Device("1-1", "1ea8");  // listed first (entry order)
  Device("1-2", "096e");
  EXPECT_EQ(ResolveProviderString("SHECA", 1), "SHECA&first.dll");
}

TEST_F(DeviceDetectionTest, XacaRowTypeDecidesTheProvider) {
  Xaca("1ea8", "Key A", "SKF", "skf_a.dll", "CSP A");
  Xaca("096e", "Key B", "CSP", "csp_b.dll", "Vendor CSP B");
  Xaca("055c", "Key C", "Other", "other.dll", "CSP C");
  Xaca("0a89", "Key D", "SKF", "", "CSP D");  // incomplete
  const std::pair<const char*, const char*> cases[] = {
      {"1ea8", "SKF&skf_a.dll"}, {"096e", "Vendor CSP B"}, {"055c", "other.dll"}, {"0a89", ""}, {"ffff", ""}};
  for (auto [vid, expected] : cases) {
    testing::TempDir only;
    testing::ScopedEnv env("ORVANE_USB_SYSFS", only.str());
    only.Write(std::string("1-1/idVendor"), std::string(vid) + "\n");
    only.Write("1-1/idProduct", "0001\n");
    EXPECT_EQ(ResolveProviderString("XACA", 1), expected) << vid;
  }
}

TEST_F(DeviceDetectionTest, OtherTextsPassUnchanged) {
  Sheca("1ea8", "2", "a.dll", "b.dll", "V");
  Device("1-1", "1ea8");
  for (const char* text : {"xaca", "sheca", "SHECA&given.dll", "SHECA ", "soft_file", ""}) {
    EXPECT_EQ(ResolveProviderString(text, 3), text);
  }
}

TEST_F(DeviceDetectionTest, NothingToReadMeansNoMatch) {
  testing::ScopedEnv noRegistry("ORVANE_REGISTRY_DIR", registry.str() + "/missing");
  testing::ScopedEnv noSysfs("ORVANE_USB_SYSFS", sysfs.str() + "/missing");
  EXPECT_EQ(ResolveProviderString("SHECA", 3), "SKF_SHECA&");
  EXPECT_EQ(ResolveProviderString("XACA", 3), "");
  EXPECT_EQ(GetDeviceVidList(), "");
}

TEST_F(DeviceDetectionTest, OversizedValuesCountAsMissing) {
  Sheca("1ea8", "2", std::string(300, 'L'), "b.dll", "V");
  Device("1-1", "1ea8");
  EXPECT_EQ(ResolveProviderString("SHECA", 1), "SHECA&");
}

TEST_F(DeviceDetectionTest, ShecaRowByLibraryOrEccLibrary) {
  Sheca("1ea8", "2", "a.dll", "a_ecc.dll", "V");
  Sheca("096e", "3", "b.dll", "b_ecc.dll", "W");
  EXPECT_EQ(FindShecaRowByLibrary("b.dll")->keyName, "096e");
  EXPECT_EQ(FindShecaRowByLibrary("a_ecc.dll")->deviceType, 2);
  EXPECT_FALSE(FindShecaRowByLibrary("c.dll"));
}

TEST_F(DeviceDetectionTest, VendorListHasEachIdentifierOnce) {
  Device("1-1", "1ea8");
  Device("1-2", "096e");
  Device("1-3", "1ea8", "0002");
  EXPECT_EQ(GetDeviceVidList(), "1ea8&&096e&&");
}

TEST(DevicePaths, VendorIdentifierFollowsTheFirstVid) {
  const std::pair<const char*, const char*> cases[] = {
      {R"(\\?\usb#vid_1ea8&pid_c001#5&1#{a5dcbf10})", "1ea8"},
      {"vid_12", ""},
      {"vid_1234", "1234"},
      {"VID_1234", ""},
      {"no identifier", ""},
      {"x#vid_abcd#vid_ef01", "abcd"},
  };
  for (auto [path, vid] : cases) EXPECT_EQ(VidFromDevicePath(path), vid) << path;

  std::vector<std::string> paths;
  EXPECT_FALSE(ListUsbDevicePaths("{00000000-0000-0000-0000-000000000000}", paths));
}

}  // namespace
}  // namespace orvane
