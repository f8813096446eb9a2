#include "core/providers/hash_algorithms.h"

#include "core/crypto/openssl_init.h"
#include "core/providers/sec_base.h"

namespace orvane {
namespace {

struct DigestName {
  int32_t hashAlg;
  const char* name;
};

constexpr DigestName kDigests[] = {
    {kHashSha1, "SHA1"}, {kHashSha256, "SHA256"}, {kHashSha512, "SHA512"}, {kHashMd5, "MD5"}, {kHashMd4, "MD4"},
};

}  // namespace

OsslPtr<EVP_MD> FetchDigest(int32_t hashAlg) {
  LoadOpenSslProviders();  // MD4 lives in the legacy provider
  for (const auto& digest : kDigests) {
    if (digest.hashAlg == hashAlg) return OsslPtr<EVP_MD>(EVP_MD_fetch(nullptr, digest.name, nullptr));
  }
  return nullptr;
}

}  // namespace orvane
