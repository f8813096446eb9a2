#include "core/platform/library.h"

#include <dlfcn.h>

#include <strings.h>

#include <vector>

namespace orvane::platform {
namespace {

bool EndsWithDll(const std::string& name) {
  return name.size() >= 4 && strcasecmp(name.c_str() + name.size() - 4, ".dll") == 0;
}

std::vector<std::string> Candidates(const std::string& name) {
  if (!EndsWithDll(name)) return {name};
  const std::string withoutExt = name.substr(0, name.size() - 4);
  const auto slash = withoutExt.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : withoutExt.substr(0, slash + 1);
  const std::string stem = slash == std::string::npos ? withoutExt : withoutExt.substr(slash + 1);
  return {name, withoutExt + ".so", folder + "lib" + stem + ".so"};
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& name) {
  if (name.empty()) return nullptr;
  for (const auto& candidate : Candidates(name)) {
    if (void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
    }
  }
  return nullptr;
}

DynamicLibrary::~DynamicLibrary() { dlclose(handle_); }

void* DynamicLibrary::Symbol(const char* name) const { return dlsym(handle_, name); }

}  // namespace orvane::platform
