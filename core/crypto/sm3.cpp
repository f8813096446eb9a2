#include "core/crypto/sm3.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include <openssl/crypto.h>

namespace orvane {
namespace {

constexpr uint32_t kIv[8] = {0x7380166f, 0x4914b2b9, 0x172442d7, 0xda8a0600,
                             0xa96f30bc, 0x163138aa, 0xe38dee4d, 0xb0fb0e4e};

inline uint32_t LoadBe32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline void StoreBe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

inline uint32_t P0(uint32_t x) { return x ^ std::rotl(x, 9) ^ std::rotl(x, 17); }
inline uint32_t P1(uint32_t x) { return x ^ std::rotl(x, 15) ^ std::rotl(x, 23); }

// T_j <<< (j mod 32), precomputed.
constexpr std::array<uint32_t, 64> MakeRoundConstants() {
  std::array<uint32_t, 64> t{};
  for (int j = 0; j < 64; ++j) t[j] = std::rotl(j < 16 ? 0x79cc4519u : 0x7a879d8au, j % 32);
  return t;
}
constexpr std::array<uint32_t, 64> kT = MakeRoundConstants();

// One round. The caller rotates the roles of the eight words instead of
// moving them: after the round, (d, a, b, c, h, e, f, g) are the new
// (A, B, C, D, E, F, G, H).
// The message word W[j + 4] that round j needs first is expanded there, in
// scalar code between the rounds' operations: as a separate loop GCC
// vectorises the expansion two words wide, and every W[j - 3] read then
// misses store forwarding.
template <int j>
[[gnu::always_inline]] inline void Round(uint32_t a, uint32_t& b, uint32_t c, uint32_t& d, uint32_t e, uint32_t& f,
                                         uint32_t g, uint32_t& h, uint32_t* w) {
  if constexpr (j + 4 >= 16) {
    constexpr int k = j + 4;
    w[k] = P1(w[k - 16] ^ w[k - 9] ^ std::rotl(w[k - 3], 15)) ^ std::rotl(w[k - 13], 7) ^ w[k - 6];
  }
  const uint32_t a12 = std::rotl(a, 12);
  const uint32_t ss1 = std::rotl(a12 + e + kT[j], 7);
  const uint32_t ss2 = ss1 ^ a12;
  uint32_t ff, gg;
  if constexpr (j < 16) {
    ff = a ^ b ^ c;
    gg = e ^ f ^ g;
  } else {
    ff = (a & b) | (c & (a | b));
    gg = ((f ^ g) & e) ^ g;
  }
  const uint32_t tt1 = ff + d + ss2 + (w[j] ^ w[j + 4]);
  const uint32_t tt2 = gg + h + ss1 + w[j];
  b = std::rotl(b, 9);
  f = std::rotl(f, 19);
  d = tt1;
  h = P0(tt2);
}

template <int j>
[[gnu::always_inline]] inline void FourRounds(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e,
                                              uint32_t& f, uint32_t& g, uint32_t& h, uint32_t* w) {
  Round<j>(a, b, c, d, e, f, g, h, w);
  Round<j + 1>(d, a, b, c, h, e, f, g, w);
  Round<j + 2>(c, d, a, b, g, h, e, f, w);
  Round<j + 3>(b, c, d, a, f, g, h, e, w);
}

template <int... J>
[[gnu::always_inline]] inline void AllRounds(std::integer_sequence<int, J...>, uint32_t& a, uint32_t& b, uint32_t& c,
                                             uint32_t& d, uint32_t& e, uint32_t& f, uint32_t& g, uint32_t& h,
                                             uint32_t* w) {
  (FourRounds<4 * J>(a, b, c, d, e, f, g, h, w), ...);
}

void CompressOne(uint32_t v[8], const uint8_t* block) {
  uint32_t w[68];
  for (int j = 0; j < 16; ++j) w[j] = LoadBe32(block + 4 * j);
  uint32_t a = v[0], b = v[1], c = v[2], d = v[3], e = v[4], f = v[5], g = v[6], h = v[7];
  AllRounds(std::make_integer_sequence<int, 16>{}, a, b, c, d, e, f, g, h, w);
  v[0] ^= a; v[1] ^= b; v[2] ^= c; v[3] ^= d;
  v[4] ^= e; v[5] ^= f; v[6] ^= g; v[7] ^= h;
}

}  // namespace

void Sm3CompressBlocks(uint32_t state[8], const uint8_t* data, std::size_t blocks) {
  for (std::size_t i = 0; i < blocks; ++i) CompressOne(state, data + i * kSm3BlockSize);
}

void Sm3Init(Sm3Context* ctx) {
  std::memcpy(ctx->state, kIv, sizeof kIv);
  ctx->totalBytes = 0;
  ctx->blockUsed = 0;
}

void Sm3Update(Sm3Context* ctx, const uint8_t* data, std::size_t len) {
  if (len == 0) return;  // `data` may then be null, which memcpy must not see
  ctx->totalBytes += len;
  if (ctx->blockUsed > 0) {
    const std::size_t take = std::min(len, kSm3BlockSize - ctx->blockUsed);
    std::memcpy(ctx->block + ctx->blockUsed, data, take);
    ctx->blockUsed += take;
    data += take;
    len -= take;
    if (ctx->blockUsed < kSm3BlockSize) return;
    Sm3CompressBlocks(ctx->state, ctx->block, 1);
    ctx->blockUsed = 0;
  }
  const std::size_t whole = len / kSm3BlockSize;
  Sm3CompressBlocks(ctx->state, data, whole);
  data += whole * kSm3BlockSize;
  len -= whole * kSm3BlockSize;
  std::memcpy(ctx->block, data, len);
  ctx->blockUsed = len;
}

void Sm3Final(Sm3Context* ctx, uint8_t digest[kSm3DigestSize]) {
  const uint64_t bits = ctx->totalBytes * 8;
  ctx->block[ctx->blockUsed++] = 0x80;
  if (ctx->blockUsed > kSm3BlockSize - 8) {
    std::memset(ctx->block + ctx->blockUsed, 0, kSm3BlockSize - ctx->blockUsed);
    Sm3CompressBlocks(ctx->state, ctx->block, 1);
    ctx->blockUsed = 0;
  }
  std::memset(ctx->block + ctx->blockUsed, 0, kSm3BlockSize - 8 - ctx->blockUsed);
  StoreBe32(ctx->block + 56, uint32_t(bits >> 32));
  StoreBe32(ctx->block + 60, uint32_t(bits));
  Sm3CompressBlocks(ctx->state, ctx->block, 1);
  for (int i = 0; i < 8; ++i) StoreBe32(digest + 4 * i, ctx->state[i]);
  OPENSSL_cleanse(ctx, sizeof *ctx);
}

Sm3Digest Sm3(std::span<const uint8_t> data) {
  Sm3Context ctx;
  Sm3Init(&ctx);
  Sm3Update(&ctx, data.data(), data.size());
  Sm3Digest digest;
  Sm3Final(&ctx, digest.data());
  return digest;
}

}  // namespace orvane
