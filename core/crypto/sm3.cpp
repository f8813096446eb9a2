#include "core/crypto/sm3.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include <openssl/crypto.h>

#include "core/crypto/code_paths.h"
#include "core/crypto/sm3_paths.h"

namespace orvane {
namespace {

constexpr uint32_t kIv[8] = {0x7380166f, 0x4914b2b9, 0x172442d7, 0xda8a0600,
                             0xa96f30bc, 0x163138aa, 0xe38dee4d, 0xb0fb0e4e};

inline void StoreBe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

#include "core/crypto/sm3_compress.inc"

// --- Choice of the compression path --------------------------------------------

using CompressFn = void (*)(uint32_t state[8], const uint8_t* data, std::size_t blocks);

struct PathEntry {
  Sm3Path path;
  CompressFn compress;
  bool (*supported)();
};

bool HasBmi2() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("bmi2");
#else
  return false;
#endif
}

bool HasAvx512Bmi2() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("bmi2");
#else
  return false;
#endif
}

// Best last.
constexpr PathEntry kPaths[] = {
    {Sm3Path::kPortable, Sm3CompressBlocksPortable, AlwaysSupported},
    {Sm3Path::kBmi2, Sm3CompressBlocksBmi2, HasBmi2},
    {Sm3Path::kAvx512, Sm3CompressBlocksAvx512, HasAvx512Bmi2},
};

CodePaths<PathEntry, std::size(kPaths)>& Paths() {
  static CodePaths<PathEntry, std::size(kPaths)> paths(kPaths);
  return paths;
}

}  // namespace

bool Sm3PathSupported(Sm3Path path) { return Paths().Supported(path); }

Sm3Path Sm3ActivePath() { return Paths().Active().path; }

bool Sm3ForcePath(Sm3Path path) { return Paths().Force(path); }

void Sm3CompressBlocksPortable(uint32_t state[8], const uint8_t* data, std::size_t blocks) {
  CompressBlocks(state, data, blocks);
}

void Sm3CompressBlocks(uint32_t state[8], const uint8_t* data, std::size_t blocks) {
  Paths().Active().compress(state, data, blocks);
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
