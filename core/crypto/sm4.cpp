#include "core/crypto/sm4.h"

#include <bit>
#include <utility>

#include "core/crypto/sm4_rounds.h"
#include "core/crypto/sm4_simd.h"

namespace orvane {
namespace {

// The key schedule's T' with L'(b) = b ^ (b <<< 13) ^ (b <<< 23).
inline uint32_t KeyT(uint32_t x) {
  const uint32_t b = (uint32_t{kSm4Sbox[x >> 24]} << 24) | (uint32_t{kSm4Sbox[(x >> 16) & 0xff]} << 16) |
                     (uint32_t{kSm4Sbox[(x >> 8) & 0xff]} << 8) | kSm4Sbox[x & 0xff];
  return b ^ std::rotl(b, 13) ^ std::rotl(b, 23);
}

}  // namespace

// --- Key schedule -----------------------------------------------------------

void Sm4SetEncryptKey(Sm4Context* ctx, const uint8_t key[kSm4KeySize]) {
  uint32_t k0 = Sm4LoadBe32(key) ^ kSm4Fk[0];
  uint32_t k1 = Sm4LoadBe32(key + 4) ^ kSm4Fk[1];
  uint32_t k2 = Sm4LoadBe32(key + 8) ^ kSm4Fk[2];
  uint32_t k3 = Sm4LoadBe32(key + 12) ^ kSm4Fk[3];
  for (int i = 0; i < kSm4Rounds; ++i) {
    const uint32_t next = k0 ^ KeyT(k1 ^ k2 ^ k3 ^ kSm4Ck[i]);
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
  uint32_t x0 = Sm4LoadBe32(in), x1 = Sm4LoadBe32(in + 4), x2 = Sm4LoadBe32(in + 8), x3 = Sm4LoadBe32(in + 12);
  Sm4Rounds(rk, x0, x1, x2, x3);
  Sm4StoreBe32(out, x3);
  Sm4StoreBe32(out + 4, x2);
  Sm4StoreBe32(out + 8, x1);
  Sm4StoreBe32(out + 12, x0);
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
