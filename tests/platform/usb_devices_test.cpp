#include "core/platform/usb_devices.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvane::platform {
namespace {

TEST(UsbDevices, EntriesWithIdentifiersBecomeInterfacePaths) {
  testing::TempDir sysfs;
  testing::ScopedEnv env("ORVANE_USB_SYSFS", sysfs.str());
  sysfs.Write("2-1/idVendor", "1EA8\n");
  sysfs.Write("2-1/idProduct", "c001\n");
  sysfs.Write("1-1/idVendor", "096e\n");
  sysfs.Write("1-1/idProduct", "0702\n");
  sysfs.Write("1-1:1.0/bInterfaceClass", "03\n");  // an interface, not a device
  sysfs.Write("usb1/idVendor", "1d6b\n");          // no idProduct
  sysfs.Write("3-1/idVendor", "garbage\n");
  sysfs.Write("3-1/idProduct", "0001\n");
  const auto paths = ListUsbDeviceInterfacePaths();
  ASSERT_TRUE(paths);
  EXPECT_EQ(*paths, (std::vector<std::string>{
                        R"(\\?\usb#vid_096e&pid_0702#1-1#{a5dcbf10-6530-11d2-901f-00c04fb951ed})",
                        R"(\\?\usb#vid_1ea8&pid_c001#2-1#{a5dcbf10-6530-11d2-901f-00c04fb951ed})",
                    }));
}

TEST(UsbDevices, UnreadableFolderIsNoList) {
  testing::ScopedEnv env("ORVANE_USB_SYSFS", "/nonexistent/usb");
  EXPECT_FALSE(ListUsbDeviceInterfacePaths());
}

}  // namespace
}  // namespace orvane::platform
