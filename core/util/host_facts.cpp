#include "core/util/host_facts.h"

#include <cstdio>

#include "core/platform/registry.h"
#include "core/resources/messages.h"

namespace orvane {

std::string ChooseMacAddress(const std::vector<platform::NetworkAdapter>& adapters) {
  std::string result;
  for (const auto& adapter : adapters) {
    const auto& a = adapter.address;
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    result = text;
    if (!adapter.isVirtual) break;
  }
  return result;
}

std::string GetMacAddress() {
  const auto adapters = platform::ListNetworkAdapters();
  return adapters ? ChooseMacAddress(*adapters) : std::string();
}

std::string GetHostAddress() { return platform::HostIPv4Address(); }

std::string GetHostNameText() { return platform::HostName(); }

std::string GetTempDirectory() { return platform::TempDirectory(); }

std::string LoadResourceText(int id) { return LoadMessageText(id); }

std::string ReadRegistryText(std::string_view subKey, std::string_view valueName) {
  constexpr std::size_t kMaxValueBytes = 260;
  return platform::ReadRegistryValue(platform::Hive::kLocalMachine, subKey, valueName, kMaxValueBytes)
      .value_or(std::string());
}

}  // namespace orvane
