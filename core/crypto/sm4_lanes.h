// The block loop shared by the multi-block SM4 kernels (sm4_avx2.cpp,
// sm4_avx512.cpp). Internal to those files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <openssl/crypto.h>

namespace orvane {

// Runs `blocks` blocks through a kernel that handles groups of kLanes blocks:
// two groups interleaved (Two) while that many remain, then one (One), then
// the rest padded to a group in a scratch buffer. The kernels are the
// including file's own (internal linkage), so each instantiation is too and
// no copy built for one instruction set can stand in for another's.
template <std::size_t kLanes, void (*Two)(const uint32_t*, const uint8_t*, uint8_t*),
          void (*One)(const uint32_t*, const uint8_t*, uint8_t*)>
inline void Sm4CryptInGroups(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks) {
  constexpr std::size_t kGroupBytes = kLanes * 16;
  for (; blocks >= 2 * kLanes; blocks -= 2 * kLanes) {
    Two(rk, in, out);
    in += 2 * kGroupBytes;
    out += 2 * kGroupBytes;
  }
  if (blocks >= kLanes) {
    One(rk, in, out);
    in += kGroupBytes;
    out += kGroupBytes;
    blocks -= kLanes;
  }
  if (blocks > 0) {
    alignas(64) uint8_t tail[kGroupBytes] = {};
    std::memcpy(tail, in, blocks * 16);
    One(rk, tail, tail);
    std::memcpy(out, tail, blocks * 16);
    OPENSSL_cleanse(tail, sizeof tail);
  }
}

}  // namespace orvane
