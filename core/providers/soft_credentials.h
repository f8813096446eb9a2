// The credential files of the file key store: PKCS#12 for RSA keys and the
// SM2 key file, a DER SEQUENCE { version 1, prikey OCTET STRING (the SM2
// private key DER protected with the PIN), cert Certificate }.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include "core/crypto/cert_info.h"
#include "core/util/ossl_ptr.h"
#include "core/util/secret.h"
#include "core/util/status.h"

namespace orvane {

struct Pkcs12Contents {
  OsslPtr<EVP_PKEY> key;
  OsslPtr<X509> cert;
};

// True when the bytes decode as a PKCS#12 structure (whatever its password).
bool IsPkcs12(std::span<const uint8_t> bytes);

// Opens a PKCS#12 with its password; kDecodeP12 when it does not decode, does
// not open with the password or holds no key and certificate.
Result<Pkcs12Contents> OpenPkcs12(std::span<const uint8_t> bytes, const char* password);

struct Sm2KeyFile {
  SecretBytes protectedKey;    // still protected with the PIN
  std::vector<uint8_t> cert;   // DER
};

inline constexpr std::size_t kMaxProtectedSm2Key = 2048;

// kDecodeP12 when the bytes are no SM2 key file, kX509 without certificate,
// kMemory when the protected key is larger than kMaxProtectedSm2Key.
Result<Sm2KeyFile> ReadSm2KeyFile(std::span<const uint8_t> bytes);

// kX509 when `cert` is no certificate.
Result<std::vector<uint8_t>> EncodeSm2KeyFile(std::span<const uint8_t> protectedKey, std::span<const uint8_t> cert);

}  // namespace orvane
