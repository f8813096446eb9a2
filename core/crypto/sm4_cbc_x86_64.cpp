// Tables, round keys and the call into the x86-64 CBC encryption of
// sm4_cbc_x86_64.S (reached only after the CPU check of sm4_simd.cpp).
#include <array>
#include <cstddef>
#include <cstdint>

#include <openssl/crypto.h>

#include "core/crypto/sm4_rounds.h"
#include "core/crypto/sm4_simd.h"

#if defined(__x86_64__)
extern "C" void OrvaneSm4CbcEncryptX86_64(const uint64_t rk[32], std::size_t blocks, uint8_t iv[16],
                                          const uint8_t* in, uint8_t* out, const uint64_t* tables);

namespace orvane {
namespace {

// A word w as the assembly carries it: (w << 32) | byte 2 of w.
constexpr uint64_t Widen(uint32_t w) { return (uint64_t{w} << 32) | ((w >> 16) & 0xff); }

// Entry [k][x]: the round table word for byte k (lowest first) of the input.
using WideTables = std::array<std::array<uint64_t, 256>, 4>;
constexpr WideTables MakeWideTables() {
  WideTables t{};
  for (int k = 0; k < 4; ++k) {
    for (int x = 0; x < 256; ++x) t[k][x] = Widen(kSm4T[3 - k][x]);
  }
  return t;
}
alignas(64) constexpr WideTables kWideTables = MakeWideTables();

}  // namespace

void Sm4CbcEncryptX86_64(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in,
                         uint8_t* out) {
  uint64_t wide[32];
  for (int i = 0; i < 32; ++i) wide[i] = Widen(rk[i]);
  OrvaneSm4CbcEncryptX86_64(wide, blocks, iv, in, out, kWideTables[0].data());
  OPENSSL_cleanse(wide, sizeof wide);
}

}  // namespace orvane

#else

namespace orvane {

void Sm4CbcEncryptX86_64(const uint32_t rk[32], std::size_t blocks, uint8_t iv[16], const uint8_t* in,
                         uint8_t* out) {
  Sm4CbcEncryptPortable(rk, blocks, iv, in, out);
}

}  // namespace orvane

#endif
