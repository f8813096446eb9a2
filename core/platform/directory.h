// Reading the entries of a directory.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// Entry names of a directory except "." and "..", in the order the system
// returns them; nullopt when it cannot be opened.
std::optional<std::vector<std::string>> ListDirectory(const std::string& path);

}  // namespace orvane::platform
