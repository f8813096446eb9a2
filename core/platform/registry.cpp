#include "core/platform/registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "core/platform/directory.h"

namespace orvane::platform {
namespace {

std::string HiveRoot(Hive hive) {
  const char* root = std::getenv("ORVANE_REGISTRY_DIR");
  std::string base;
  if (root != nullptr && *root != '\0') {
    base = root;
  } else if (hive == Hive::kLocalMachine) {
    base = "/etc/orvane/registry";
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.config/orvane/registry";
  }
  switch (hive) {
    case Hive::kLocalMachine: return base + "/HKLM";
    case Hive::kCurrentUser: return base + "/HKCU";
    case Hive::kClassesRoot: return base + "/HKCR";
  }
  return base;
}

bool IsSafeComponent(std::string_view name) { return name != "." && name != ".."; }

}  // namespace

std::optional<std::string> RegistryKeyDirectory(Hive hive, std::string_view keyPath) {
  std::string dir = HiveRoot(hive);
  std::size_t start = 0;
  while (start <= keyPath.size()) {
    std::size_t end = keyPath.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = keyPath.size();
    const std::string_view part = keyPath.substr(start, end - start);
    if (!part.empty()) {
      if (!IsSafeComponent(part)) return std::nullopt;
      dir += '/';
      dir += part;
    }
    start = end + 1;
  }
  return dir;
}

std::optional<std::string> ReadRegistryValue(Hive hive, std::string_view keyPath, std::string_view valueName,
                                             std::size_t maxBytes) {
  if (valueName.find('/') != std::string_view::npos || !IsSafeComponent(valueName) || valueName.empty()) {
    return std::nullopt;
  }
  const auto dir = RegistryKeyDirectory(hive, keyPath);
  if (!dir) return std::nullopt;
  const std::string path = *dir + "/" + std::string(valueName);
  struct stat st{};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (static_cast<std::size_t>(st.st_size) > maxBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(maxBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > maxBytes) return std::nullopt;  // grew while being read
  return bytes;
}

std::optional<std::vector<std::string>> ListRegistrySubKeys(Hive hive, std::string_view keyPath) {
  const auto dir = RegistryKeyDirectory(hive, keyPath);
  if (!dir) return std::nullopt;
  const auto entries = ListDirectory(*dir);
  if (!entries) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& name : *entries) {
    struct stat st{};
    if (stat((*dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orvane::platform
