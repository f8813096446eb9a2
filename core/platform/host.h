// Facts about the machine: temporary directory, host name and address,
// network adapters.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// $TMPDIR, else /tmp, always with a trailing '/'.
std::string TempDirectory();

// The host name; empty on failure.
std::string HostName();

// The first IPv4 address the host name resolves to, dotted; empty on failure.
std::string HostIPv4Address();

struct NetworkAdapter {
  std::string name;
  std::array<uint8_t, 6> address{};
  bool isVirtual = false;  // the interface's device lives under /sys/devices/virtual/
};

// Interfaces with a 6-byte hardware address, loopback excluded, in the
// system's interface order; nullopt when the list cannot be read.
std::optional<std::vector<NetworkAdapter>> ListNetworkAdapters();

}  // namespace orvane::platform
