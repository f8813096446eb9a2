#include "core/platform/host.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <limits.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netdb.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace orvane::platform {

std::string TempDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string HostIPv4Address() {
  const std::string name = HostName();
  if (name.empty()) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return {};
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> guard(found, freeaddrinfo);
  char text[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) return {};
  return text;
}

namespace {

bool IsVirtualInterface(const std::string& name) {
  const std::string link = "/sys/class/net/" + name;
  char resolved[PATH_MAX] = {};
  if (realpath(link.c_str(), resolved) == nullptr) return false;
  return std::strncmp(resolved, "/sys/devices/virtual/", 21) == 0;
}

}  // namespace

std::optional<std::vector<NetworkAdapter>> ListNetworkAdapters() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return std::nullopt;
  std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> guard(list, freeifaddrs);
  std::vector<NetworkAdapter> adapters;
  for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_PACKET) continue;
    if ((it->ifa_flags & IFF_LOOPBACK) != 0) continue;
    const auto* ll = reinterpret_cast<const sockaddr_ll*>(it->ifa_addr);
    if (ll->sll_halen != 6) continue;
    NetworkAdapter adapter;
    adapter.name = it->ifa_name;
    std::memcpy(adapter.address.data(), ll->sll_addr, 6);
    adapter.isVirtual = IsVirtualInterface(adapter.name);
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

}  // namespace orvane::platform
