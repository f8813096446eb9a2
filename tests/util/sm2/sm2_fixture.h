// OpenSSL's own SM2 as the reference for the engine's tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "core/util/ossl_ptr.h"

namespace orvane::testing {

// The engine's SM2_PUBLIC_KEY DER read by OpenSSL as a SubjectPublicKeyInfo.
OsslPtr<EVP_PKEY> OpensslPublicKey(std::span<const uint8_t> publicDer);

// A fresh key pair made by OpenSSL, and its public key as DER.
OsslPtr<EVP_PKEY> OpensslKeyPair();
std::vector<uint8_t> OpensslPublicDer(EVP_PKEY* key);

// SM2 with SM3 and the given identity through EVP_DigestSign/Verify.
std::vector<uint8_t> OpensslSign(EVP_PKEY* key, std::span<const uint8_t> msg, const std::string& id);
bool OpensslVerify(EVP_PKEY* key, std::span<const uint8_t> msg, std::span<const uint8_t> sig, const std::string& id);

inline std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace orvane::testing
