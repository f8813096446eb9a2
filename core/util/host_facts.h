// Host facts as texts, as the parameter queries report them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/platform/host.h"

namespace orvane {

// "AA-BB-CC-DD-EE-FF" of the first adapter that is not virtual, else of the
// last adapter; empty without adapters.
std::string GetMacAddress();
std::string ChooseMacAddress(const std::vector<platform::NetworkAdapter>& adapters);

// Dotted IPv4 address of the host name; empty on failure.
std::string GetHostAddress();

// The host name; empty on failure.
std::string GetHostNameText();

// The temporary directory with its trailing separator.
std::string GetTempDirectory();

// A text of the library's string table; empty when there is none.
std::string LoadResourceText(int id);

// A value under HKEY_LOCAL_MACHINE as its raw bytes; empty when it cannot be
// read or is longer than 260 bytes.
std::string ReadRegistryText(std::string_view subKey, std::string_view valueName);

}  // namespace orvane
