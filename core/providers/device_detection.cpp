#include "core/providers/device_detection.h"

#include <strings.h>

#include <cstdlib>

#include "core/platform/registry.h"
#include "core/platform/usb_devices.h"

namespace orvane {
namespace {

constexpr const char* kShecaTableKey = "SOFTWARE\\SHECA\\DeviceDetect\\common";
constexpr const char* kXacaBaseKey = "SOFTWARE\\Quenlo\\Device\\";
constexpr std::size_t kRegistryTextBytes = 260;

// A value as text: its bytes up to the first zero byte; empty when it cannot
// be read.
std::string ReadText(const std::string& key, const char* valueName) {
  auto bytes = platform::ReadRegistryValue(platform::Hive::kLocalMachine, key, valueName, kRegistryTextBytes);
  if (!bytes) return {};
  return bytes->substr(0, bytes->find('\0'));
}

// Sub-key names that fit a 260-byte buffer with its terminator.
std::vector<std::string> SubKeys(const std::string& key) {
  auto names = platform::ListRegistrySubKeys(platform::Hive::kLocalMachine, key).value_or(std::vector<std::string>{});
  std::erase_if(names, [](const std::string& name) { return name.size() >= kRegistryTextBytes; });
  return names;
}

std::vector<ShecaDeviceRow> ReadShecaTable() {
  std::vector<ShecaDeviceRow> rows;
  for (const auto& name : SubKeys(kShecaTableKey)) {
    const std::string key = std::string(kShecaTableKey) + "\\" + name;
    ShecaDeviceRow row;
    row.deviceType = static_cast<int32_t>(std::strtol(ReadText(key, "DeviceType").c_str(), nullptr, 10));
    row.keyName = name;
    row.libPath = ReadText(key, "LibPath");
    row.eccLibPath = ReadText(key, "EccLibPath");
    row.vendorName = ReadText(key, "VendorName");
    if (row.deviceType != 0 && !row.libPath.empty() && !row.vendorName.empty()) rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<XacaDeviceRow> ReadXacaTable() {
  const std::string tableKey = std::string(kXacaBaseKey) + "XACA";
  std::vector<XacaDeviceRow> rows;
  for (const auto& name : SubKeys(tableKey)) {
    const std::string key = tableKey + "\\" + name;
    XacaDeviceRow row{name, ReadText(key, "Name"), ReadText(key, "Type"), ReadText(key, "Path"),
                      ReadText(key, "CSP")};
    if (!row.name.empty() && !row.type.empty() && !row.path.empty() && !row.cspName.empty()) {
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

template <typename Row>
std::optional<Row> FindPresent(const std::vector<Row>& rows) {
  std::vector<std::string> paths;
  if (!ListUsbDevicePaths(kUsbDeviceClassGuid, paths)) return std::nullopt;
  for (const auto& path : paths) {
    const std::string vid = VidFromDevicePath(path);
    if (vid.empty()) continue;
    for (const auto& row : rows) {
      if (row.keyName == vid) return row;
    }
  }
  return std::nullopt;
}

}  // namespace

DeviceDetector::DeviceDetector(std::string authority, int32_t keyType)
    : authority_(std::move(authority)), keyType_(keyType) {
  if (authority_ == "XACA") xacaRows_ = ReadXacaTable();
  if (authority_ == "SHECA") shecaRows_ = ReadShecaTable();
}

std::optional<ShecaDeviceRow> DeviceDetector::FindPresentShecaRow() const { return FindPresent(shecaRows_); }
std::optional<XacaDeviceRow> DeviceDetector::FindPresentXacaRow() const { return FindPresent(xacaRows_); }

std::string ResolveProviderString(const std::string& providerString, int32_t keyType) {
  if (providerString == "SHECA") {
    const auto row = DeviceDetector("SHECA", keyType).FindPresentShecaRow().value_or(ShecaDeviceRow{});
    return keyType == 3 ? "SKF_SHECA&" + row.eccLibPath : "SHECA&" + row.libPath;
  }
  if (providerString == "XACA") {
    const auto row = DeviceDetector("XACA", keyType).FindPresentXacaRow().value_or(XacaDeviceRow{});
    if (row.type == "SKF") return "SKF&" + row.path;
    if (row.type == "CSP") return row.cspName;
    return row.path;
  }
  return providerString;
}

std::optional<ShecaDeviceRow> FindShecaRowByLibrary(std::string_view libraryPath) {
  const DeviceDetector detector("SHECA", 0);
  for (const auto& row : detector.shecaRows()) {
    if (row.libPath == libraryPath || row.eccLibPath == libraryPath) return row;
  }
  return std::nullopt;
}

bool ListUsbDevicePaths(std::string_view classGuid, std::vector<std::string>& paths) {
  if (classGuid.size() != kUsbDeviceClassGuid.size() ||
      strncasecmp(classGuid.data(), kUsbDeviceClassGuid.data(), kUsbDeviceClassGuid.size()) != 0) {
    return false;
  }
  auto listed = platform::ListUsbDeviceInterfacePaths();
  if (!listed) return false;
  paths.insert(paths.end(), listed->begin(), listed->end());
  return true;
}

std::string VidFromDevicePath(std::string_view path) {
  const auto at = path.find("vid_");
  if (at == std::string_view::npos || path.size() - (at + 4) < 4) return {};
  return std::string(path.substr(at + 4, 4));
}

std::string GetDeviceVidList() {
  std::vector<std::string> paths;
  if (!ListUsbDevicePaths(kUsbDeviceClassGuid, paths)) return {};
  std::string list;
  for (const auto& path : paths) {
    const std::string vid = VidFromDevicePath(path);
    if (vid.empty() || list.find(vid) != std::string::npos) continue;
    list += vid + "&&";
  }
  return list;
}

}  // namespace orvane
