// SM4 in CBC mode. Encryption is serial and runs the active path's CBC
// encryption (the portable one is here, the x86-64 one in
// sm4_cbc_x86_64.*); decryption runs the blocks in parallel through the
// active multi-block kernel and chains afterwards.
#include <algorithm>
#include <cstring>

#include <openssl/crypto.h>

#include "core/crypto/sm4.h"
#include "core/crypto/sm4_rounds.h"
#include "core/crypto/sm4_simd.h"

namespace orvane {
namespace {

inline void Xor16(uint8_t* out, const uint8_t* a, const uint8_t* b) {
  uint64_t x[2], y[2];
  std::memcpy(x, a, 16);
  std::memcpy(y, b, 16);
  x[0] ^= y[0];
  x[1] ^= y[1];
  std::memcpy(out, x, 16);
}

}  // namespace

// The chaining value stays in registers as four words from block to block.
void Sm4CbcEncryptPortable(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in, uint8_t* out) {
  uint32_t c0 = Sm4LoadBe32(iv), c1 = Sm4LoadBe32(iv + 4), c2 = Sm4LoadBe32(iv + 8), c3 = Sm4LoadBe32(iv + 12);
  for (std::size_t i = 0; i < blocks; ++i, in += 16, out += 16) {
    uint32_t x0 = c0 ^ Sm4LoadBe32(in), x1 = c1 ^ Sm4LoadBe32(in + 4);
    uint32_t x2 = c2 ^ Sm4LoadBe32(in + 8), x3 = c3 ^ Sm4LoadBe32(in + 12);
    Sm4Rounds(rk, x0, x1, x2, x3);
    c0 = x3;
    c1 = x2;
    c2 = x1;
    c3 = x0;
    Sm4StoreBe32(out, c0);
    Sm4StoreBe32(out + 4, c1);
    Sm4StoreBe32(out + 8, c2);
    Sm4StoreBe32(out + 12, c3);
  }
  Sm4StoreBe32(iv, c0);
  Sm4StoreBe32(iv + 4, c1);
  Sm4StoreBe32(iv + 8, c2);
  Sm4StoreBe32(iv + 12, c3);
}

namespace {

// Decrypts a run of blocks into a scratch buffer, then chains from the last
// block back to the first, so that `in` may be `out`: every ciphertext block
// is read before its position is overwritten.
void DecryptCbc(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in, uint8_t* out) {
  constexpr std::size_t kRun = 64;
  alignas(64) uint8_t plain[kRun * 16];
  const Sm4BlocksFn kernel = Sm4ActiveBlocks();
  while (blocks > 0) {
    const std::size_t n = std::min(blocks, kRun);
    uint8_t nextIv[16];
    std::memcpy(nextIv, in + 16 * (n - 1), 16);
    kernel(rk, in, plain, n);
    for (std::size_t i = n - 1; i > 0; --i) Xor16(out + 16 * i, plain + 16 * i, in + 16 * (i - 1));
    Xor16(out, plain, iv);
    std::memcpy(iv, nextIv, 16);
    in += 16 * n;
    out += 16 * n;
    blocks -= n;
  }
  OPENSSL_cleanse(plain, sizeof plain);
}

}  // namespace

void Sm4CryptCbc(const Sm4Context* ctx, int direction, int64_t length, uint8_t iv[kSm4BlockSize],
                 const uint8_t* in, uint8_t* out) {
  if (length <= 0) return;
  const auto blocks = static_cast<std::size_t>((length + kSm4BlockSize - 1) / kSm4BlockSize);
  if (direction == kSm4Encrypt) {
    Sm4ActiveCbcEncrypt()(ctx->rk, blocks, iv, in, out);
  } else {
    DecryptCbc(ctx->rk, blocks, iv, in, out);
  }
}

}  // namespace orvane
