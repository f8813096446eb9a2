#include "core/util/sm2/sm2_digest.h"

#include "core/crypto/sm3.h"

namespace orvane {

int Sm2Digest(std::span<const uint8_t> message, std::span<const uint8_t> id, const Sm2Key& key, uint8_t out[32]) {
  const Sm2Curve* curve = Sm2SharedCurve();
  uint8_t point[65];
  if (curve == nullptr || id.size() > 0x1fff || Sm2PublicPointBytes(key, point) != 0) return -1;
  const std::size_t bits = id.size() * 8;
  const uint8_t entl[2] = {static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)};
  Sm3Context ctx;
  Sm3Init(&ctx);
  Sm3Update(&ctx, entl, sizeof entl);
  if (!id.empty()) Sm3Update(&ctx, id.data(), id.size());
  Sm3Update(&ctx, curve->zCurve, sizeof curve->zCurve);
  Sm3Update(&ctx, point + 1, sizeof point - 1);
  uint8_t z[kSm3DigestSize];
  Sm3Final(&ctx, z);
  Sm3Init(&ctx);
  Sm3Update(&ctx, z, sizeof z);
  if (!message.empty()) Sm3Update(&ctx, message.data(), message.size());
  Sm3Final(&ctx, out);
  return 0;
}

}  // namespace orvane
