// RSA keys in their PKCS#1 DER forms, and the PKCS#1 v1.5 operations the
// key stores need. All through OpenSSL's EVP interface.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <openssl/evp.h>

#include "core/util/ossl_ptr.h"
#include "core/util/secret.h"
#include "core/util/status.h"

namespace orvane {

struct RsaKeyPair {
  SecretBytes privateDer;          // RSAPrivateKey
  std::vector<uint8_t> publicDer;  // RSAPublicKey
};

// A new key of `bits` bits with public exponent 65537. Codes: kGenKeyPair,
// kPrivateKey, kPublicKey.
Result<RsaKeyPair> GenerateRsaKeyPair(unsigned bits);

// Null when the bytes are not a PKCS#1 key of that kind.
OsslPtr<EVP_PKEY> LoadRsaPrivateKey(std::span<const uint8_t> der);
OsslPtr<EVP_PKEY> LoadRsaPublicKey(std::span<const uint8_t> der);

// PKCS#1 v1.5 signature of `data` hashed with `md`.
Result<std::vector<uint8_t>> RsaSign(EVP_PKEY* key, const EVP_MD* md, std::span<const uint8_t> data);
// True when `signature` is a valid PKCS#1 v1.5 signature of `data`.
bool RsaVerify(EVP_PKEY* key, const EVP_MD* md, std::span<const uint8_t> data, std::span<const uint8_t> signature);

// PKCS#1 v1.5 encryption and decryption. Codes: kAsymmEncrypt, kAsymmDecrypt.
Result<std::vector<uint8_t>> RsaEncrypt(EVP_PKEY* key, std::span<const uint8_t> plain);
Result<SecretBytes> RsaDecrypt(EVP_PKEY* key, std::span<const uint8_t> cipher);

}  // namespace orvane
