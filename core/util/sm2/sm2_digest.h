// The SM2 message digest e = SM3(Z || M), where Z binds the signer's
// identity and public key (GB/T 32918.2, section 5.5).
#pragma once

#include <cstdint>
#include <span>

#include "core/util/sm2/sm2_key.h"

namespace orvane {

// The default distinguishing identifier of GM/T 0009 (ENTL = 128 bits).
inline constexpr uint8_t kSm2DefaultId[16] = {'1', '2', '3', '4', '5', '6', '7', '8',
                                              '1', '2', '3', '4', '5', '6', '7', '8'};

// e = SM3(ENTL || ID || a || b || Gx || Gy || xP || yP) followed by M,
// hashed again: writes 32 bytes to `out`. The identity may be at most
// 8191 bytes (ENTL is a 16-bit bit count). Returns 0, or -1.
int Sm2Digest(std::span<const uint8_t> message, std::span<const uint8_t> id, const Sm2Key& key,
              uint8_t out[32]);

}  // namespace orvane
