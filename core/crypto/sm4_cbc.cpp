// SM4 in CBC mode. Encryption is serial and runs the portable block
// function; decryption runs the blocks in parallel through the active
// multi-block kernel and chains afterwards.
#include <algorithm>
#include <cstring>

#include <openssl/crypto.h>

#include "core/crypto/sm4.h"
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

void EncryptCbc(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in, uint8_t* out) {
  uint8_t chain[16];
  std::memcpy(chain, iv, 16);
  for (std::size_t i = 0; i < blocks; ++i) {
    Xor16(chain, chain, in + 16 * i);
    Sm4CryptBlock(rk, chain, chain);
    std::memcpy(out + 16 * i, chain, 16);
  }
  std::memcpy(iv, chain, 16);
}

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
    EncryptCbc(ctx->rk, blocks, iv, in, out);
  } else {
    DecryptCbc(ctx->rk, blocks, iv, in, out);
  }
}

}  // namespace orvane
