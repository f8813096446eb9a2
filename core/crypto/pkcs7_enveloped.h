// PKCS#7 enveloped data around a key and content encrypted elsewhere.
//
// One recipient; every AlgorithmIdentifier carries NULL parameters, the CBC
// ones included (no IV travels in the message). SM2 keys (key type 3) use the
// GM/T 0010 identifiers and carry the content-encryption key as an SM2
// ciphertext (x, y, hash, cipher); every other key type uses the PKCS#7
// identifiers and an RSA-encrypted key.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/util/status.h"

namespace orvane {

// Result of ParseEnvelopedData for a message whose recipient count is not one.
inline constexpr Status kEnvelopeRecipientCount = -1;

// Builds the DER ContentInfo of an envelope. `symmAlg` is the symmetric
// algorithm number (1-11, 13). Fails with 0x1009 ("Unsupport alg error") for
// 12 (SM4-CBC) and numbers outside the table, 0x2043 ("P7 sign data error")
// for 3 (triple DES in ECB mode has no identifier) and when the message
// cannot be encoded, 0x2004 ("X509 certificate error") when `recipientCert`
// is no DER certificate, 0x1004 ("Memory error").
Result<std::vector<uint8_t>> BuildEnvelopedData(int32_t symmAlg, int32_t keyType,
                                                std::span<const uint8_t> recipientCert,
                                                std::span<const uint8_t> encryptedKey,
                                                std::span<const uint8_t> encryptedContent);

struct EnvelopeParts {
  std::vector<uint8_t> encryptedKey;
  std::vector<uint8_t> encryptedContent;
  int32_t symmAlg = 0;  // symmetric algorithm number; 0 for an identifier outside the table
  int32_t keyAlg = 0;   // 1 RSA, 3 SM2 (from the recipient's keyEncryptionAlgorithm)
};

// Splits an envelope of either family. 0x1002 ("Parameter error") for an
// empty message; 0x2001 ("Decode P7 error") when it does not decode or
// carries no encrypted content; 0x2002 ("P7 type error") when it is no
// envelope; kEnvelopeRecipientCount unless it has exactly one recipient.
Result<EnvelopeParts> ParseEnvelopedData(std::span<const uint8_t> message);

}  // namespace orvane
