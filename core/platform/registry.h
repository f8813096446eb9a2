// The registry as a file tree.
//
// Root: $ORVANE_REGISTRY_DIR, else /etc/orvane/registry for HKLM and
// ~/.config/orvane/registry for the per-user hives. Below it the hive name
// (HKLM, HKCU, HKCR), one directory per key component ('\' or '/' separate
// components) and one regular file per value, named by the value name and
// holding the value's raw bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform {

enum class Hive { kLocalMachine, kCurrentUser, kClassesRoot };

// Directory of a key; nullopt when the key path is not a valid one (empty
// components are skipped; "." and ".." are refused).
std::optional<std::string> RegistryKeyDirectory(Hive hive, std::string_view keyPath);

// The raw bytes of a value; nullopt when the key or value is missing, is
// not a regular file, cannot be read, or holds more than `maxBytes` bytes.
std::optional<std::string> ReadRegistryValue(Hive hive, std::string_view keyPath, std::string_view valueName,
                                             std::size_t maxBytes);

// Names of the sub-keys, in byte order; nullopt when the key is missing.
std::optional<std::vector<std::string>> ListRegistrySubKeys(Hive hive, std::string_view keyPath);

}  // namespace orvane::platform
