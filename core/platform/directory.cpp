#include "core/platform/directory.h"

#include <dirent.h>

#include <memory>

namespace orvane::platform {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const noexcept { closedir(dir); }
};

}  // namespace

std::optional<std::vector<std::string>> ListDirectory(const std::string& path) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(path.c_str()));
  if (!dir) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  return names;
}

}  // namespace orvane::platform
