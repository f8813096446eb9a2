#include "core/crypto/sm4.h"

#include <array>
#include <bit>
#include <cstring>

#include "core/crypto/sm4_simd.h"

namespace orvane {
namespace {

// --- Constants of the standard ----------------------------------------------

constexpr uint8_t kSbox[256] = {
    0xd6, 0x90, 0xe9, 0xfe, 0xcc, 0xe1, 0x3d, 0xb7, 0x16, 0xb6, 0x14, 0xc2, 0x28, 0xfb, 0x2c, 0x05,
    0x2b, 0x67, 0x9a, 0x76, 0x2a, 0xbe, 0x04, 0xc3, 0xaa, 0x44, 0x13, 0x26, 0x49, 0x86, 0x06, 0x99,
    0x9c, 0x42, 0x50, 0xf4, 0x91, 0xef, 0x98, 0x7a, 0x33, 0x54, 0x0b, 0x43, 0xed, 0xcf, 0xac, 0x62,
    0xe4, 0xb3, 0x1c, 0xa9, 0xc9, 0x08, 0xe8, 0x95, 0x80, 0xdf, 0x94, 0xfa, 0x75, 0x8f, 0x3f, 0xa6,
    0x47, 0x07, 0xa7, 0xfc, 0xf3, 0x73, 0x17, 0xba, 0x83, 0x59, 0x3c, 0x19, 0xe6, 0x85, 0x4f, 0xa8,
    0x68, 0x6b, 0x81, 0xb2, 0x71, 0x64, 0xda, 0x8b, 0xf8, 0xeb, 0x0f, 0x4b, 0x70, 0x56, 0x9d, 0x35,
    0x1e, 0x24, 0x0e, 0x5e, 0x63, 0x58, 0xd1, 0xa2, 0x25, 0x22, 0x7c, 0x3b, 0x01, 0x21, 0x78, 0x87,
    0xd4, 0x00, 0x46, 0x57, 0x9f, 0xd3, 0x27, 0x52, 0x4c, 0x36, 0x02, 0xe7, 0xa0, 0xc4, 0xc8, 0x9e,
    0xea, 0xbf, 0x8a, 0xd2, 0x40, 0xc7, 0x38, 0xb5, 0xa3, 0xf7, 0xf2, 0xce, 0xf9, 0x61, 0x15, 0xa1,
    0xe0, 0xae, 0x5d, 0xa4, 0x9b, 0x34, 0x1a, 0x55, 0xad, 0x93, 0x32, 0x30, 0xf5, 0x8c, 0xb1, 0xe3,
    0x1d, 0xf6, 0xe2, 0x2e, 0x82, 0x66, 0xca, 0x60, 0xc0, 0x29, 0x23, 0xab, 0x0d, 0x53, 0x4e, 0x6f,
    0xd5, 0xdb, 0x37, 0x45, 0xde, 0xfd, 0x8e, 0x2f, 0x03, 0xff, 0x6a, 0x72, 0x6d, 0x6c, 0x5b, 0x51,
    0x8d, 0x1b, 0xaf, 0x92, 0xbb, 0xdd, 0xbc, 0x7f, 0x11, 0xd9, 0x5c, 0x41, 0x1f, 0x10, 0x5a, 0xd8,
    0x0a, 0xc1, 0x31, 0x88, 0xa5, 0xcd, 0x7b, 0xbd, 0x2d, 0x74, 0xd0, 0x12, 0xb8, 0xe5, 0xb4, 0xb0,
    0x89, 0x69, 0x97, 0x4a, 0x0c, 0x96, 0x77, 0x7e, 0x65, 0xb9, 0xf1, 0x09, 0xc5, 0x6e, 0xc6, 0x84,
    0x18, 0xf0, 0x7d, 0xec, 0x3a, 0xdc, 0x4d, 0x20, 0x79, 0xee, 0x5f, 0x3e, 0xd7, 0xcb, 0x39, 0x48,
};

constexpr uint32_t kFk[4] = {0xa3b1bac6, 0x56aa3350, 0x677d9197, 0xb27022dc};

// CK[i] byte j = (4i + j) * 7 mod 256.
constexpr std::array<uint32_t, 32> MakeCk() {
  std::array<uint32_t, 32> ck{};
  for (uint32_t i = 0; i < 32; ++i) {
    for (uint32_t j = 0; j < 4; ++j) ck[i] = (ck[i] << 8) | (((4 * i + j) * 7) & 0xff);
  }
  return ck;
}
constexpr std::array<uint32_t, 32> kCk = MakeCk();

// --- Round function ---------------------------------------------------------
// T(x) = L(tau(x)) with L linear, so T splits into four 256-entry tables, one
// per input byte: T(x) = T0[x>>24] ^ T1[x>>16 & 255] ^ T2[x>>8 & 255] ^ T3[x & 255].

constexpr uint32_t L(uint32_t b) {
  return b ^ std::rotl(b, 2) ^ std::rotl(b, 10) ^ std::rotl(b, 18) ^ std::rotl(b, 24);
}

using RoundTable = std::array<uint32_t, 256>;
constexpr RoundTable MakeRoundTable(int shift) {
  RoundTable t{};
  for (int b = 0; b < 256; ++b) t[b] = L(uint32_t{kSbox[b]} << shift);
  return t;
}
alignas(64) constexpr RoundTable kT0 = MakeRoundTable(24);
alignas(64) constexpr RoundTable kT1 = MakeRoundTable(16);
alignas(64) constexpr RoundTable kT2 = MakeRoundTable(8);
alignas(64) constexpr RoundTable kT3 = MakeRoundTable(0);

inline uint32_t T(uint32_t x) {
  return kT0[x >> 24] ^ kT1[(x >> 16) & 0xff] ^ kT2[(x >> 8) & 0xff] ^ kT3[x & 0xff];
}

// The key schedule's T' with L'(b) = b ^ (b <<< 13) ^ (b <<< 23).
inline uint32_t KeyT(uint32_t x) {
  const uint32_t b = (uint32_t{kSbox[x >> 24]} << 24) | (uint32_t{kSbox[(x >> 16) & 0xff]} << 16) |
                     (uint32_t{kSbox[(x >> 8) & 0xff]} << 8) | kSbox[x & 0xff];
  return b ^ std::rotl(b, 13) ^ std::rotl(b, 23);
}

inline uint32_t LoadBe32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return std::endian::native == std::endian::little ? __builtin_bswap32(v) : v;
}

inline void StoreBe32(uint8_t* p, uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

}  // namespace

// --- Key schedule -----------------------------------------------------------

void Sm4SetEncryptKey(Sm4Context* ctx, const uint8_t key[kSm4KeySize]) {
  uint32_t k0 = LoadBe32(key) ^ kFk[0];
  uint32_t k1 = LoadBe32(key + 4) ^ kFk[1];
  uint32_t k2 = LoadBe32(key + 8) ^ kFk[2];
  uint32_t k3 = LoadBe32(key + 12) ^ kFk[3];
  for (int i = 0; i < kSm4Rounds; ++i) {
    const uint32_t next = k0 ^ KeyT(k1 ^ k2 ^ k3 ^ kCk[i]);
    ctx->rk[i] = next;
    k0 = k1;
    k1 = k2;
    k2 = k3;
    k3 = next;
  }
}

void Sm4SetDecryptKey(Sm4Context* ctx, const uint8_t key[kSm4KeySize]) {
  Sm4SetEncryptKey(ctx, key);
  for (int i = 0; i < kSm4Rounds / 2; ++i) std::swap(ctx->rk[i], ctx->rk[kSm4Rounds - 1 - i]);
}

// --- One block ---------------------------------------------------------------

void Sm4CryptBlock(const uint32_t rk[kSm4Rounds], const uint8_t in[kSm4BlockSize], uint8_t out[kSm4BlockSize]) {
  uint32_t x0 = LoadBe32(in), x1 = LoadBe32(in + 4), x2 = LoadBe32(in + 8), x3 = LoadBe32(in + 12);
  for (int i = 0; i < kSm4Rounds; i += 4) {
    x0 ^= T(x1 ^ x2 ^ x3 ^ rk[i]);
    x1 ^= T(x2 ^ x3 ^ x0 ^ rk[i + 1]);
    x2 ^= T(x3 ^ x0 ^ x1 ^ rk[i + 2]);
    x3 ^= T(x0 ^ x1 ^ x2 ^ rk[i + 3]);
  }
  StoreBe32(out, x3);
  StoreBe32(out + 4, x2);
  StoreBe32(out + 8, x1);
  StoreBe32(out + 12, x0);
}

void Sm4BlocksPortable(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks) {
  for (std::size_t i = 0; i < blocks; ++i) Sm4CryptBlock(rk, in + i * kSm4BlockSize, out + i * kSm4BlockSize);
}

// --- ECB ---------------------------------------------------------------------

void Sm4CryptEcb(const Sm4Context* ctx, int64_t length, const uint8_t* in, uint8_t* out) {
  if (length <= 0) return;
  const auto blocks = static_cast<std::size_t>((length + kSm4BlockSize - 1) / kSm4BlockSize);
  Sm4ActiveBlocks()(ctx->rk, in, out, blocks);
}

}  // namespace orvane
