// Which USB key is plugged in: the device tables that certificate
// authorities' installers write, matched against the present USB devices.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Interface class of USB devices.
inline constexpr std::string_view kUsbDeviceClassGuid = "{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

// One row of SOFTWARE\SHECA\DeviceDetect\common.
struct ShecaDeviceRow {
  int32_t deviceType = 0;
  std::string keyName;  // the USB vendor identifier
  std::string libPath;
  std::string eccLibPath;
  std::string vendorName;
};

// One row of SOFTWARE\Quenlo\Device\XACA.
struct XacaDeviceRow {
  std::string keyName;  // the USB vendor identifier
  std::string name;
  std::string type;  // "SKF" or "CSP"
  std::string path;
  std::string cspName;
};

// Reads the table of one authority ("SHECA" or "XACA") for one resolution.
class DeviceDetector {
 public:
  DeviceDetector(std::string authority, int32_t keyType);

  const std::vector<ShecaDeviceRow>& shecaRows() const { return shecaRows_; }
  const std::vector<XacaDeviceRow>& xacaRows() const { return xacaRows_; }

  // The first row whose key name is the vendor identifier of a present
  // device, devices in listing order first, then rows in table order.
  std::optional<ShecaDeviceRow> FindPresentShecaRow() const;
  std::optional<XacaDeviceRow> FindPresentXacaRow() const;

 private:
  std::string authority_;
  int32_t keyType_;
  std::vector<XacaDeviceRow> xacaRows_;
  std::vector<ShecaDeviceRow> shecaRows_;
};

// "SHECA" and "XACA" become the provider string of the key that is plugged
// in; every other text comes back unchanged without any lookup.
std::string ResolveProviderString(const std::string& providerString, int32_t keyType);

// The SHECA row whose library path, or else whose ECC library path, is
// `libraryPath`.
std::optional<ShecaDeviceRow> FindShecaRowByLibrary(std::string_view libraryPath);

// Device-interface paths of the present devices of an interface class;
// false when the list cannot be obtained. Only the USB device class is known.
bool ListUsbDevicePaths(std::string_view classGuid, std::vector<std::string>& paths);

// The four characters after the first "vid_", or empty.
std::string VidFromDevicePath(std::string_view path);

// "vvvv&&" for every distinct vendor identifier present, in listing order.
std::string GetDeviceVidList();

}  // namespace orvane
