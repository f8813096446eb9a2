// The hash algorithm numbers of the interface and their digests:
// 1 SHA-1, 2 SHA-256, 3 SHA-512, 4 MD5, 5 MD4 (through OpenSSL), 6 SM3 (ours).
#pragma once

#include <cstdint>

#include <openssl/evp.h>

#include "core/util/ossl_ptr.h"

namespace orvane {

// The OpenSSL digest of numbers 1 to 5; null for any other number (SM3
// included). Hands over a reference the caller owns.
OsslPtr<EVP_MD> FetchDigest(int32_t hashAlg);

}  // namespace orvane
