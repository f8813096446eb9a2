// Load-time work of the shared library: OpenSSL's providers are loaded and
// the message language is chosen before the first call.
#include "core/crypto/openssl_init.h"
#include "core/resources/messages.h"

namespace {

__attribute__((constructor)) void OnLibraryLoad() {
  orvane::LoadOpenSslProviders();
  orvane::ChooseMessageLanguage();
}

}  // namespace
