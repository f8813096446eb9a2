// The fixed SM2 structures of the GM/T 0016 device interface, and their
// conversions to and from the library's DER forms. Coordinates and
// signature values are big-endian and right-aligned in 64-byte fields (a
// 256-bit value fills the last 32 bytes); the 32-bit counts are in the
// machine's byte order, as the device libraries take them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/util/status.h"

namespace orvane {

inline constexpr std::size_t kEccMaxCoordinateBytes = 64;

struct ECCPUBLICKEYBLOB {
  uint32_t BitLen;
  uint8_t XCoordinate[kEccMaxCoordinateBytes];
  uint8_t YCoordinate[kEccMaxCoordinateBytes];
};

struct ECCSIGNATUREBLOB {
  uint8_t r[kEccMaxCoordinateBytes];
  uint8_t s[kEccMaxCoordinateBytes];
};

// Variable length: Cipher holds CipherLen bytes.
struct ECCCIPHERBLOB {
  uint8_t XCoordinate[kEccMaxCoordinateBytes];
  uint8_t YCoordinate[kEccMaxCoordinateBytes];
  uint8_t HASH[32];
  uint32_t CipherLen;
  uint8_t Cipher[1];
};

inline constexpr std::size_t kEccCipherBlobHeaderSize = 164;  // bytes before Cipher
static_assert(sizeof(ECCPUBLICKEYBLOB) == 132 && sizeof(ECCSIGNATUREBLOB) == 128);
static_assert(offsetof(ECCCIPHERBLOB, Cipher) == kEccCipherBlobHeaderSize);

// SM2_PUBLIC_KEY DER (91 bytes). Returns 0, or 1 when BitLen rounded down to
// whole bytes is not 256 bits.
int Sm2PublicBlobToDer(const ECCPUBLICKEYBLOB& blob, std::vector<uint8_t>* der);

// ASN1_SM2_CIPHER DER to the bytes of an ECCCIPHERBLOB (164 + C2 bytes,
// ready to pass as ECCCIPHERBLOB*). Returns 0, or -1 when the DER does not
// decode or its values do not fit the structure (x or y over 32 bytes or
// negative, C3 not 32 bytes).
int Sm2CipherDerToBlob(std::span<const uint8_t> der, std::vector<uint8_t>* blob);

// The bytes of an ECCCIPHERBLOB to ASN1_SM2_CIPHER DER. Returns 0, or 1 when
// the bytes are shorter than the header plus CipherLen or encoding fails.
int Sm2CipherBlobToDer(std::span<const uint8_t> blob, std::vector<uint8_t>* der);

// DER signature SEQUENCE { r, s } to the blob, which the caller has zeroed.
// Returns 0, or 0x2038 when the DER does not decode or r or s is negative
// or longer than 32 bytes.
Status Sm2SignatureDerToBlob(std::span<const uint8_t> der, ECCSIGNATUREBLOB* blob);

// Returns 0 and the DER signature, or 1 on failure.
int Sm2SignatureBlobToDer(const ECCSIGNATUREBLOB& blob, std::vector<uint8_t>* der);

}  // namespace orvane
