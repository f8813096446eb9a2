#include "core/crypto/openssl_init.h"

#include <cstdlib>
#include <mutex>

#include <openssl/provider.h>

namespace orvane {
namespace {

OSSL_PROVIDER* g_default = nullptr;
OSSL_PROVIDER* g_legacy = nullptr;

// Hands the providers back at exit, before OpenSSL's own clean-up (which was
// registered earlier and so runs later); without it the legacy provider's
// allocations outlive OpenSSL and show up as leaks.
void UnloadProviders() {
  if (g_legacy != nullptr) OSSL_PROVIDER_unload(g_legacy);
  if (g_default != nullptr) OSSL_PROVIDER_unload(g_default);
}

}  // namespace

bool LoadOpenSslProviders() {
  static std::once_flag once;
  static bool loaded = false;
  std::call_once(once, [] {
    // Loading "legacy" explicitly stops the automatic loading of "default",
    // so both are named. They stay loaded until the process exits.
    g_default = OSSL_PROVIDER_load(nullptr, "default");
    g_legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    loaded = g_default != nullptr && g_legacy != nullptr;
    std::atexit(UnloadProviders);
  });
  return loaded;
}

}  // namespace orvane
