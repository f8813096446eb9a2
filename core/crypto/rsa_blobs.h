// RSA key layouts of the CryptoAPI key blobs and of device public keys.
// CryptoAPI blobs are little-endian throughout:
//   BLOBHEADER { bType, bVersion = 2, reserved = 0 (16 bits), aiKeyAlg (32) }
//   RSAPUBKEY  { magic "RSA1"/"RSA2", bitlen, pubexp } (32 bits each)
//   PUBLICKEYBLOB  (bType 6): header, RSAPUBKEY, modulus
//   PRIVATEKEYBLOB (bType 7): header, RSAPUBKEY, modulus, prime1, prime2,
//                             exponent1, exponent2, coefficient, privateExponent
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/util/secret.h"

namespace orvane {

inline constexpr std::size_t kRsaBlobHeaderSize = 20;  // BLOBHEADER + RSAPUBKEY

// Splits a PKCS #1 RSAPrivateKey DER into both blobs. The modulus field is
// 128 bytes for a DER of at most 1024 bytes and 256 bytes otherwise; the
// primes, exponents and coefficient take half of that. Returns 0, or -1
// when the DER does not decode, a value does not fit its field or the
// public exponent does not fit 32 bits.
int RsaPrivateDerToBlobs(uint32_t keyAlgId, std::span<const uint8_t> der, std::vector<uint8_t>* publicBlob,
                         SecretBytes* privateBlob);

// A device's RSA public key: the bit length, then the big-endian modulus
// right-aligned in 256 bytes and the public exponent right-aligned in 256
// bytes (only its last three bytes are read).
struct RsaDevicePublicKey {
  uint32_t bitLen;
  uint8_t modulus[256];
  uint8_t exponent[256];
};

// PKCS #1 RSAPublicKey DER of a device key of 1024 or 2048 bits. Returns 0,
// or -1 for another bit length or a key OpenSSL refuses.
int RsaDevicePublicToDer(const RsaDevicePublicKey& key, std::vector<uint8_t>* der);

}  // namespace orvane
