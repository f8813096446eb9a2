// SM3 hash (GB/T 32905-2016, GM/T 0004-2012): 32-byte digest, 64-byte blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane {

inline constexpr std::size_t kSm3DigestSize = 32;
inline constexpr std::size_t kSm3BlockSize = 64;

using Sm3Digest = std::array<uint8_t, kSm3DigestSize>;

// Incremental hashing: Sm3Init, any number of Sm3Update, then Sm3Final.
struct Sm3Context {
  uint32_t state[8];
  uint64_t totalBytes;
  uint8_t block[kSm3BlockSize];
  std::size_t blockUsed;
};

void Sm3Init(Sm3Context* ctx);
void Sm3Update(Sm3Context* ctx, const uint8_t* data, std::size_t len);
void Sm3Final(Sm3Context* ctx, uint8_t digest[kSm3DigestSize]);

// One-shot digest.
Sm3Digest Sm3(std::span<const uint8_t> data);

// Compresses `blocks` consecutive 64-byte blocks into `state`.
void Sm3CompressBlocks(uint32_t state[8], const uint8_t* data, std::size_t blocks);

}  // namespace orvane
