#include "core/crypto/openssl_init.h"

#include <openssl/provider.h>

namespace orvane {
namespace {

// Loading "legacy" explicitly stops the automatic loading of "default", so
// both are named. They are unloaded at exit, before OpenSSL cleans up.
struct LoadedProviders {
  LoadedProviders()
      : deflt(OSSL_PROVIDER_load(nullptr, "default")), legacy(OSSL_PROVIDER_load(nullptr, "legacy")) {}
  ~LoadedProviders() {
    if (legacy != nullptr) OSSL_PROVIDER_unload(legacy);
    if (deflt != nullptr) OSSL_PROVIDER_unload(deflt);
  }
  LoadedProviders(const LoadedProviders&) = delete;
  LoadedProviders& operator=(const LoadedProviders&) = delete;

  OSSL_PROVIDER* deflt;
  OSSL_PROVIDER* legacy;
};

}  // namespace

bool LoadOpenSslProviders() {
  static const LoadedProviders providers;  // thread-safe, once per process
  return providers.deflt != nullptr && providers.legacy != nullptr;
}

}  // namespace orvane
