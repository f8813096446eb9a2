#include "core/platform/usb_devices.h"


#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

#include "core/platform/directory.h"

namespace orvane::platform {
namespace {

constexpr const char* kUsbInterfaceClass = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

// A four-digit hexadecimal identifier file ("1ea8\n"), lower-cased.
std::optional<std::string> ReadIdFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  char buf[16] = {};
  in.read(buf, sizeof buf - 1);
  std::string id(buf, static_cast<std::size_t>(in.gcount()));
  while (!id.empty() && std::isspace(static_cast<unsigned char>(id.back()))) id.pop_back();
  if (id.size() != 4 || !std::all_of(id.begin(), id.end(), [](char c) { return std::isxdigit(uint8_t(c)); })) {
    return std::nullopt;
  }
  std::transform(id.begin(), id.end(), id.begin(), [](char c) { return char(std::tolower(uint8_t(c))); });
  return id;
}

}  // namespace

std::optional<std::vector<std::string>> ListUsbDeviceInterfacePaths() {
  const char* root = std::getenv("ORVANE_USB_SYSFS");
  const std::string dir = (root != nullptr && *root != '\0') ? root : "/sys/bus/usb/devices";
  auto entries = ListDirectory(dir);
  if (!entries) return std::nullopt;
  std::sort(entries->begin(), entries->end());
  std::vector<std::string> paths;
  for (const auto& entry : *entries) {
    const auto vid = ReadIdFile(dir + "/" + entry + "/idVendor");
    const auto pid = ReadIdFile(dir + "/" + entry + "/idProduct");
    if (!vid || !pid) continue;
    paths.push_back("\\\\?\\usb#vid_" + *vid + "&pid_" + *pid + "#" + entry + "#" + kUsbInterfaceClass);
  }
  return paths;
}

}  // namespace orvane::platform
