// SM4 block cipher (GB/T 32907-2016, GM/T 0002-2012): 16-byte key, 16-byte
// blocks, 32 rounds. ECB and CBC without padding; callers pad.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

inline constexpr std::size_t kSm4KeySize = 16;
inline constexpr std::size_t kSm4BlockSize = 16;
inline constexpr int kSm4Rounds = 32;

// Round keys. An encryption context holds them in schedule order, a
// decryption context in reverse order, so one block function serves both.
struct Sm4Context {
  uint32_t rk[kSm4Rounds];
};

void Sm4SetEncryptKey(Sm4Context* ctx, const uint8_t key[kSm4KeySize]);
void Sm4SetDecryptKey(Sm4Context* ctx, const uint8_t key[kSm4KeySize]);

// One block through the 32 rounds and the final reverse transform.
// `in` and `out` may be the same buffer.
void Sm4CryptBlock(const uint32_t rk[kSm4Rounds], const uint8_t in[kSm4BlockSize], uint8_t out[kSm4BlockSize]);

// Processes ceil(length / 16) whole blocks; a length of 0 or less does
// nothing. The direction is the context's. `in` and `out` must hold whole
// blocks and may be the same buffer.
void Sm4CryptEcb(const Sm4Context* ctx, int64_t length, const uint8_t* in, uint8_t* out);

inline constexpr int kSm4Encrypt = 1;

// CBC over ceil(length / 16) whole blocks: direction kSm4Encrypt encrypts
// (the context must come from Sm4SetEncryptKey), any other value decrypts
// (Sm4SetDecryptKey). `iv` is updated in place to the last ciphertext block
// so that calls chain. `in` and `out` may be the same buffer.
void Sm4CryptCbc(const Sm4Context* ctx, int direction, int64_t length, uint8_t iv[kSm4BlockSize],
                 const uint8_t* in, uint8_t* out);

}  // namespace orvane
