// Loading shared libraries by name.
#pragma once

#include <memory>
#include <string>

namespace orvane::platform {

// A loaded library, unloaded when the object goes away.
class DynamicLibrary {
 public:
  // A name ending in ".dll" (any case) is tried as given, then with ".dll"
  // replaced by ".so", then as "lib" + stem + ".so" (in the same folder when
  // the name has one). Any other name is loaded as given, through the
  // standard search order. nullptr when nothing loads.
  static std::unique_ptr<DynamicLibrary> Load(const std::string& name);

  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of an exported symbol, or nullptr. Lends; valid while the
  // library is loaded.
  void* Symbol(const char* name) const;

  template <typename Fn>
  Fn Function(const char* name) const {
    return reinterpret_cast<Fn>(Symbol(name));
  }

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace orvane::platform
