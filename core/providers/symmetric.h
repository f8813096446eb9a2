// Symmetric encryption of byte buffers and files with the algorithms 1 to 12
// (core/providers/symmetric_cipher.h), as the provider slots SymmEncrypt,
// SymmDecrypt, SymmEncryptFile and SymmDecryptFile offer it.
//
// Only the algorithm's number of key bytes is used, and for CBC the first
// 8 or 16 bytes at `iv`; a key shorter than the algorithm's is refused
// (0x1002). Padding is PKCS#7 throughout; a ciphertext whose padding cannot
// be right (wrong length, last byte 0 or above the block size) fails with
// 0x2016 for every algorithm.
#pragma once

#include <cstdint>

#include "core/util/status.h"

namespace orvane {

// Encrypts `in` into `out`; *outLen holds the capacity on entry and the
// length written (input length rounded up to the next whole block, always
// at least one byte more) on success. 0x1013, with nothing written, when the
// capacity is too small.
Status SymmEncryptData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const uint8_t* in,
                       uint32_t inLen, uint8_t* out, uint32_t* outLen);

// Decrypts `in` into `out` and strips the padding; *outLen as above. On any
// failure `out` is left untouched.
Status SymmDecryptData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const uint8_t* in,
                       uint32_t inLen, uint8_t* out, uint32_t* outLen);

// Encrypt or decrypt the file `inPath` into `outPath` ('/' and '\' both
// separate components). The output is written beside its target and
// renamed into place once complete, so a failure leaves the target as it
// was: never half-written.
Status SymmEncryptFileData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const char* inPath,
                           const char* outPath);
Status SymmDecryptFileData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const char* inPath,
                           const char* outPath);

}  // namespace orvane
