// SM2 signatures (GB/T 32918.2) with SM3 and the default identity.
// Signatures travel as DER SEQUENCE { INTEGER r, INTEGER s } (ECDSA_SIG).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <openssl/ec.h>

#include "core/util/ossl_ptr.h"
#include "core/util/sm2/sm2_key.h"

namespace orvane {

inline constexpr std::size_t kSm2MaxSignatureSize = 72;

// Signs a 32-byte digest e with a private key. Returns 0 and (r, s), or -1.
int Sm2SignDigest(std::span<const uint8_t> digest, const Sm2Key& key, OsslPtr<ECDSA_SIG>* sig);

// 0 when (r, s) is a valid signature of the 32-byte digest under the key's
// public point; -1 for an unusable input (no key, a digest that is not 32
// bytes, r or s outside [1, n-1], r + s = n) or an arithmetic failure; 1
// when the signature does not match.
int Sm2VerifyDigest(std::span<const uint8_t> digest, const ECDSA_SIG* sig, const Sm2Key& key);

// Signs a message with SM2_PRIVATE_KEY DER: writes the DER signature.
int Sm2SignMessage(std::span<const uint8_t> message, std::span<const uint8_t> privateDer,
                   std::vector<uint8_t>* signatureDer);

// 0 when the DER signature is valid for the message under SM2_PUBLIC_KEY
// DER; non-zero otherwise (-1 for unusable input, 1 for a mismatch). Only
// the canonical DER form of a signature is accepted.
int Sm2VerifyMessage(std::span<const uint8_t> message, std::span<const uint8_t> signatureDer,
                     std::span<const uint8_t> publicDer);

}  // namespace orvane
