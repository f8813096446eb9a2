// SM3 compression with the message expansion in AVX-512 lanes, 16 blocks per
// register, and the rounds in x86-64 assembly (sm3_rounds_x86_64.S).
//
// Built with AVX-512 and BMI2 code generation and reached only after the CPU
// check of sm3.cpp. Nothing here instantiates a standard-library template, so
// that no AVX-512 copy of a shared inline function can be picked by the
// linker for code that runs elsewhere.
#include <cstddef>
#include <cstdint>

#include <openssl/crypto.h>

#include "core/crypto/sm3_paths.h"

#if defined(__x86_64__)
// GCC 12 takes the undefined placeholder inside its own AVX-512 unpack and
// shuffle intrinsics for an uninitialised read.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

extern "C" void OrvaneSm3RoundsBmi2(uint32_t state[8], const uint32_t* w, std::size_t blocks);

namespace orvane {
namespace {

constexpr std::size_t kLanes = 16;
// W_0..W_67 then W'_0..W'_63, one register of 16 lanes each.
constexpr std::size_t kWords = 68 + 64;
// Groups of 16 blocks expanded together: their chains interleave, so that
// the expansion's latency is spread over twice the work.
constexpr std::size_t kGroups = 2;

inline __m512i Xor3(__m512i a, __m512i b, __m512i c) { return _mm512_ternarylogic_epi32(a, b, c, 0x96); }

inline __m512i P1(__m512i x) { return Xor3(x, _mm512_rol_epi32(x, 15), _mm512_rol_epi32(x, 23)); }

inline __m512i NextWord(const __m512i* w, int j) {
  return Xor3(P1(Xor3(w[j - 16], w[j - 9], _mm512_rol_epi32(w[j - 3], 15))), _mm512_rol_epi32(w[j - 13], 7),
              w[j - 6]);
}

// r[i] = the 16 words of block i -> r[j] = word j of the 16 blocks.
void Transpose(__m512i r[16]) {
  __m512i t[16];
  for (int i = 0; i < 16; i += 2) {
    t[i] = _mm512_unpacklo_epi32(r[i], r[i + 1]);
    t[i + 1] = _mm512_unpackhi_epi32(r[i], r[i + 1]);
  }
  for (int i = 0; i < 16; i += 4) {
    r[i] = _mm512_unpacklo_epi64(t[i], t[i + 2]);
    r[i + 1] = _mm512_unpackhi_epi64(t[i], t[i + 2]);
    r[i + 2] = _mm512_unpacklo_epi64(t[i + 1], t[i + 3]);
    r[i + 3] = _mm512_unpackhi_epi64(t[i + 1], t[i + 3]);
  }
  // Each 128-bit lane now holds four words of four blocks; gather the lanes.
  for (int k = 0; k < 4; ++k) {
    const __m512i a = _mm512_shuffle_i32x4(r[k], r[4 + k], 0x44);
    const __m512i b = _mm512_shuffle_i32x4(r[k], r[4 + k], 0xee);
    const __m512i c = _mm512_shuffle_i32x4(r[8 + k], r[12 + k], 0x44);
    const __m512i d = _mm512_shuffle_i32x4(r[8 + k], r[12 + k], 0xee);
    t[k] = _mm512_shuffle_i32x4(a, c, 0x88);
    t[4 + k] = _mm512_shuffle_i32x4(a, c, 0xdd);
    t[8 + k] = _mm512_shuffle_i32x4(b, d, 0x88);
    t[12 + k] = _mm512_shuffle_i32x4(b, d, 0xdd);
  }
  for (int i = 0; i < 16; ++i) r[i] = t[i];
}

// W_0..W_15 of 16 blocks from `data`; `blocks` (<= 16) of them exist, the
// other lanes are zero.
void LoadWords(const uint8_t* data, std::size_t blocks, __m512i* w) {
  const __m512i bswap =
      _mm512_broadcast_i32x4(_mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
  __m512i r[16];
  for (std::size_t i = 0; i < 16; ++i) {
    r[i] = i < blocks ? _mm512_shuffle_epi8(_mm512_loadu_si512(data + 64 * i), bswap) : _mm512_setzero_si512();
  }
  Transpose(r);
  for (int i = 0; i < 16; ++i) w[i] = r[i];
}

// Expands `blocks` (<= kGroups * 16) blocks into w[group][word].
void Expand(const uint8_t* data, std::size_t blocks, __m512i w[kGroups][kWords]) {
  for (std::size_t g = 0; g < kGroups; ++g) {
    const std::size_t first = kLanes * g;
    const std::size_t count = blocks > first ? blocks - first : 0;
    LoadWords(data + 64 * first, count < kLanes ? count : kLanes, w[g]);
  }
  for (int j = 16; j < 68; ++j) {
    for (std::size_t g = 0; g < kGroups; ++g) w[g][j] = NextWord(w[g], j);
  }
  for (int j = 0; j < 64; ++j) {
    for (std::size_t g = 0; g < kGroups; ++g) w[g][68 + j] = _mm512_xor_si512(w[g][j], w[g][j + 4]);
  }
}

}  // namespace

// Runs of at least a group go through the lanes; a shorter rest (where
// expanding 16 lanes would cost more than it saves) through the BMI2 path.
void Sm3CompressBlocksAvx512(uint32_t state[8], const uint8_t* data, std::size_t blocks) {
  alignas(64) __m512i w[kGroups][kWords];
  bool used = false;
  while (blocks >= kLanes) {
    const std::size_t n = blocks < kGroups * kLanes ? blocks : kGroups * kLanes;
    Expand(data, n, w);
    for (std::size_t g = 0; g * kLanes < n; ++g) {
      const std::size_t left = n - g * kLanes;
      OrvaneSm3RoundsBmi2(state, reinterpret_cast<const uint32_t*>(w[g]), left < kLanes ? left : kLanes);
    }
    data += 64 * n;
    blocks -= n;
    used = true;
  }
  if (used) OPENSSL_cleanse(w, sizeof w);
  if (blocks > 0) Sm3CompressBlocksBmi2(state, data, blocks);
}

}  // namespace orvane

#else  // not x86-64: never chosen, kept so that the path table links

namespace orvane {
void Sm3CompressBlocksAvx512(uint32_t state[8], const uint8_t* data, std::size_t blocks) {
  Sm3CompressBlocksPortable(state, data, blocks);
}
}  // namespace orvane

#endif
