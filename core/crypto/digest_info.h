// DER DigestInfo (PKCS #1: SEQUENCE { AlgorithmIdentifier, OCTET STRING }),
// the block a device signs with RSA PKCS #1 v1.5 over a precomputed hash.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/util/status.h"

namespace orvane {

// Wraps `digest` under the identifier of `hashAlg` (2 SHA-256, 3 SHA-512,
// 4 MD5, 5 MD4, 6 SM3, any other number SHA-1) with NULL parameters. The
// digest length is not checked against the algorithm. 0x1004 ("Memory
// error") when the structure cannot be made.
Result<std::vector<uint8_t>> BuildDigestInfo(int32_t hashAlg, std::span<const uint8_t> digest);

}  // namespace orvane
