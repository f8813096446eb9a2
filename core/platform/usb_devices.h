// Present USB devices, read from sysfs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// One device-interface path per entry of $ORVANE_USB_SYSFS (else
// /sys/bus/usb/devices) that has readable idVendor and idProduct files, in
// byte order of the entry names:
//   \\?\usb#vid_<vvvv>&pid_<pppp>#<entry>#{a5dcbf10-6530-11d2-901f-00c04fb951ed}
// with lower-case hexadecimal. nullopt when the folder cannot be read.
std::optional<std::vector<std::string>> ListUsbDeviceInterfacePaths();

}  // namespace orvane::platform
