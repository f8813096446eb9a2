#include "core/platform/library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace orvane::platform {
namespace {

namespace fs = std::filesystem;

// The file of a library this process has loaded, to copy under other names.
std::string LibcryptoFile() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&EVP_MD_fetch), &info) == 0) return {};
  return info.dli_fname;
}

TEST(Library, DllNamesFallBackToSharedObjectNames) {
  testing::TempDir dir;
  const std::string libcrypto = LibcryptoFile();
  ASSERT_FALSE(libcrypto.empty());
  fs::copy_file(libcrypto, dir.path() / "libVendor_SKF.so");
  fs::copy_file(libcrypto, dir.path() / "Other.so");

  const struct {
    std::string name;
    bool loads;
  } cases[] = {
      {dir.str() + "/Vendor_SKF.dll", true},  // lib + stem + .so
      {dir.str() + "/Vendor_SKF.DLL", true},  // any case
      {dir.str() + "/Other.dll", true},       // .dll replaced by .so
      {dir.str() + "/Missing.dll", false},
      {dir.str() + "/Vendor_SKF", false},     // not a .dll name: as given only
      {"", false},
  };
  for (const auto& c : cases) {
    auto library = DynamicLibrary::Load(c.name);
    EXPECT_EQ(library != nullptr, c.loads) << c.name;
    if (library) {
      EXPECT_NE(library->Symbol("EVP_MD_fetch"), nullptr);
    }
  }
}

TEST(Library, MissingSymbolIsNull) {
  auto library = DynamicLibrary::Load(fs::path(LibcryptoFile()).filename().string());
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(library->Symbol("NoSuchFunction"), nullptr);
  EXPECT_NE(library->Function<int (*)(uint64_t, const void*)>("OPENSSL_init_crypto"), nullptr);
}

}  // namespace
}  // namespace orvane::platform
