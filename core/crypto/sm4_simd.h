// Multi-block SM4 kernels and the choice among them. Internal to the SM4
// files; the public API is core/crypto/sm4.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

// Code paths. Each has a kernel for runs of independent blocks (ECB, CBC
// decryption) and one for CBC encryption, which is serial. The portable path
// is always available; the others need the named CPU features.
enum class Sm4Path {
  kPortable,    // table lookups, one block at a time; CBC encryption the same
  kAvx2Aesni,   // 8 blocks in AVX2 lanes, S-box through AESENCLAST;
                // CBC encryption in x86-64 assembly with BMI1
  kAvx512Gfni,  // 16 blocks in AVX-512 lanes, S-box through GFNI affine steps;
                // CBC encryption as above
};

bool Sm4PathSupported(Sm4Path path);

// The path in use: the best supported one unless a test forced another.
Sm4Path Sm4ActivePath();

// Makes `path` the one in use; false (and no change) when the CPU lacks it.
bool Sm4ForcePath(Sm4Path path);

// Runs `blocks` independent blocks through the rounds `rk` (schedule order
// encrypts, reverse order decrypts). `in` and `out` may be the same buffer.
using Sm4BlocksFn = void (*)(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks);

void Sm4BlocksPortable(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks);
void Sm4BlocksAvx2Aesni(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks);
void Sm4BlocksAvx512Gfni(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks);

// The kernel of the active path.
Sm4BlocksFn Sm4ActiveBlocks();

// CBC encryption of `blocks` blocks with the schedule-order rounds `rk`;
// `iv` is updated to the last ciphertext block.
using Sm4CbcEncryptFn = void (*)(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in,
                                 uint8_t* out);

void Sm4CbcEncryptPortable(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in,
                           uint8_t* out);
void Sm4CbcEncryptX86_64(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in,
                         uint8_t* out);

// The CBC encryption of the active path.
Sm4CbcEncryptFn Sm4ActiveCbcEncrypt();

}  // namespace orvane
