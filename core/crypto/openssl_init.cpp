#include "core/crypto/openssl_init.h"

#include <mutex>

#include <openssl/provider.h>

namespace orvane {

bool LoadOpenSslProviders() {
  static std::once_flag once;
  static bool loaded = false;
  std::call_once(once, [] {
    // Loading "legacy" explicitly stops the automatic loading of "default",
    // so both are named. The handles stay loaded for the process's life.
    OSSL_PROVIDER* deflt = OSSL_PROVIDER_load(nullptr, "default");
    OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    loaded = deflt != nullptr && legacy != nullptr;
  });
  return loaded;
}

}  // namespace orvane
