// PKCS#7 signed data around a signature computed elsewhere.
//
// The message carries the content itself (attached), the signer's
// certificate and one SignerInfo without attributes, so the signature is the
// signer's signature over the content. SM2 keys (key type 3) use the GM/T
// 0010 identifiers, every other key type the PKCS#7 ones.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/util/status.h"

namespace orvane {

// Builds the DER ContentInfo of signed data. `hashAlg` 1-6 names the digest
// (SHA-1, SHA-256, SHA-512, MD5, MD4, SM3). Fails with 0x1009 ("Unsupport alg
// error") for any other hash number, 0x2004 ("X509 certificate error") when
// `signerCert` is no DER certificate, 0x2043 ("P7 sign data error") when the
// message cannot be encoded, 0x1004 ("Memory error").
Result<std::vector<uint8_t>> BuildSignedData(int32_t keyType, int32_t hashAlg, std::span<const uint8_t> content,
                                             std::span<const uint8_t> signature,
                                             std::span<const uint8_t> signerCert);

struct SignedDataParts {
  std::vector<uint8_t> content;      // empty when the message carries none
  std::vector<uint8_t> signature;    // of the first signer
  std::vector<uint8_t> certificate;  // DER of the first certificate; empty when none
  int32_t hashAlg = 0;               // number of the first signer's digest; 0 when unknown
};

// Splits signed data of either family. 0x2001 ("Decode P7 error") when the
// message does not decode or has no signer, or when an SM2 message carries no
// content; 0x2002 ("P7 type error") when it is no signed data.
Result<SignedDataParts> ParseSignedData(std::span<const uint8_t> message);

}  // namespace orvane
