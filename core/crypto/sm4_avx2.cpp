// SM4 on 8 blocks at a time in AVX2 lanes, the S-box computed with AESENCLAST.
//
// Built with AVX2 and AES-NI code generation and reached only after the CPU
// check of sm4_simd.cpp. Everything here has internal linkage and no
// standard-library template is instantiated, so no AVX2 copy of a shared
// inline function can be picked by the linker for code that runs elsewhere.
#include <cstddef>
#include <cstdint>

#include "core/crypto/sm4_lanes.h"
#include "core/crypto/sm4_simd.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace orvane {
namespace {

// The SM4 S-box and the AES S-box both are affine maps around an inversion
// in GF(2^8) (over different polynomials, related by a field isomorphism).
// So S(x) = Post(AesSubBytes(Pre(x))) with two affine byte maps, each done
// as two 16-entry nibble lookups (low nibble table carries the constant).
// AESENCLAST with a zero round key is ShiftRows(SubBytes(x)); the inverse
// ShiftRows beforehand puts every byte back in its place.
inline __m256i Table(__m128i t) { return _mm256_broadcastsi128_si256(t); }

inline __m256i Nibbles(__m256i x, __m256i lo, __m256i hi) {
  const __m256i mask = _mm256_set1_epi8(0x0f);
  const __m256i l = _mm256_and_si256(x, mask);
  const __m256i h = _mm256_and_si256(_mm256_srli_epi16(x, 4), mask);
  return _mm256_xor_si256(_mm256_shuffle_epi8(lo, l), _mm256_shuffle_epi8(hi, h));
}

inline __m256i Sbox(__m256i x) {
  const __m256i preLo = Table(_mm_setr_epi8(0x3e, (char)0xb2, 0x0e, (char)0x82, (char)0xbb, 0x37, (char)0x8b, 0x07,
                                            (char)0xa1, 0x2d, (char)0x91, 0x1d, 0x24, (char)0xa8, 0x14, (char)0x98));
  const __m256i preHi = Table(_mm_setr_epi8(0x00, (char)0xdc, 0x2e, (char)0xf2, (char)0xc5, 0x19, (char)0xeb, 0x37,
                                            0x08, (char)0xd4, 0x26, (char)0xfa, (char)0xcd, 0x11, (char)0xe3, 0x3f));
  const __m256i postLo = Table(_mm_setr_epi8(0x6c, (char)0xd4, (char)0xa6, 0x1e, 0x52, (char)0xea, (char)0x98, 0x20,
                                             0x0b, (char)0xb3, (char)0xc1, 0x79, 0x35, (char)0x8d, (char)0xff, 0x47));
  const __m256i postHi = Table(_mm_setr_epi8(0x00, (char)0xe0, 0x50, (char)0xb0, (char)0x9d, 0x7d, (char)0xcd, 0x2d,
                                             (char)0xc0, 0x20, (char)0x90, 0x70, 0x5d, (char)0xbd, 0x0d, (char)0xed));
  const __m256i invShiftRows = Table(_mm_setr_epi8(0, 13, 10, 7, 4, 1, 14, 11, 8, 5, 2, 15, 12, 9, 6, 3));
  x = _mm256_shuffle_epi8(Nibbles(x, preLo, preHi), invShiftRows);
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_aesenclast_si128(_mm256_castsi256_si128(x), zero);
  const __m128i hi = _mm_aesenclast_si128(_mm256_extracti128_si256(x, 1), zero);
  return Nibbles(_mm256_set_m128i(hi, lo), postLo, postHi);
}

inline __m256i Rotl(__m256i x, int n) {
  return _mm256_or_si256(_mm256_slli_epi32(x, n), _mm256_srli_epi32(x, 32 - n));
}

// Byte rotations of every 32-bit word.
inline __m256i Rotl8(__m256i x) {
  return _mm256_shuffle_epi8(x, Table(_mm_setr_epi8(3, 0, 1, 2, 7, 4, 5, 6, 11, 8, 9, 10, 15, 12, 13, 14)));
}
inline __m256i Rotl16(__m256i x) {
  return _mm256_shuffle_epi8(x, Table(_mm_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13)));
}
inline __m256i Rotl24(__m256i x) {
  return _mm256_shuffle_epi8(x, Table(_mm_setr_epi8(1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12)));
}

// a ^= L(S(b ^ c ^ d ^ k)), with L(y) = y ^ y<<<24 ^ (y ^ y<<<8 ^ y<<<16)<<<2.
inline __m256i Round(__m256i a, __m256i b, __m256i c, __m256i d, __m256i k) {
  const __m256i y = Sbox(_mm256_xor_si256(_mm256_xor_si256(b, c), _mm256_xor_si256(d, k)));
  const __m256i u = _mm256_xor_si256(_mm256_xor_si256(y, Rotl8(y)), Rotl16(y));
  return _mm256_xor_si256(_mm256_xor_si256(a, y), _mm256_xor_si256(Rotl24(y), Rotl(u, 2)));
}

inline __m256i ByteSwap32(__m256i x) {
  return _mm256_shuffle_epi8(x, Table(_mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12)));
}

inline void Transpose(__m256i& a, __m256i& b, __m256i& c, __m256i& d) {
  const __m256i t0 = _mm256_unpacklo_epi32(a, b);
  const __m256i t1 = _mm256_unpackhi_epi32(a, b);
  const __m256i t2 = _mm256_unpacklo_epi32(c, d);
  const __m256i t3 = _mm256_unpackhi_epi32(c, d);
  a = _mm256_unpacklo_epi64(t0, t2);
  b = _mm256_unpackhi_epi64(t0, t2);
  c = _mm256_unpacklo_epi64(t1, t3);
  d = _mm256_unpackhi_epi64(t1, t3);
}

constexpr std::size_t kLanes = 8;
constexpr std::size_t kGroupBytes = kLanes * 16;

template <int G>
void CryptGroups(const uint32_t* rk, const uint8_t* in, uint8_t* out) {
  __m256i x0[G], x1[G], x2[G], x3[G];
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    const auto* p = reinterpret_cast<const __m256i*>(in + g * kGroupBytes);
    x0[g] = ByteSwap32(_mm256_loadu_si256(p));
    x1[g] = ByteSwap32(_mm256_loadu_si256(p + 1));
    x2[g] = ByteSwap32(_mm256_loadu_si256(p + 2));
    x3[g] = ByteSwap32(_mm256_loadu_si256(p + 3));
    Transpose(x0[g], x1[g], x2[g], x3[g]);
  }
#pragma GCC unroll 8
  for (int i = 0; i < 32; i += 4) {
    const __m256i k0 = _mm256_set1_epi32(static_cast<int>(rk[i]));
    const __m256i k1 = _mm256_set1_epi32(static_cast<int>(rk[i + 1]));
    const __m256i k2 = _mm256_set1_epi32(static_cast<int>(rk[i + 2]));
    const __m256i k3 = _mm256_set1_epi32(static_cast<int>(rk[i + 3]));
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) x0[g] = Round(x0[g], x1[g], x2[g], x3[g], k0);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) x1[g] = Round(x1[g], x2[g], x3[g], x0[g], k1);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) x2[g] = Round(x2[g], x3[g], x0[g], x1[g], k2);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) x3[g] = Round(x3[g], x0[g], x1[g], x2[g], k3);
  }
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    Transpose(x3[g], x2[g], x1[g], x0[g]);
    auto* p = reinterpret_cast<__m256i*>(out + g * kGroupBytes);
    _mm256_storeu_si256(p, ByteSwap32(x3[g]));
    _mm256_storeu_si256(p + 1, ByteSwap32(x2[g]));
    _mm256_storeu_si256(p + 2, ByteSwap32(x1[g]));
    _mm256_storeu_si256(p + 3, ByteSwap32(x0[g]));
  }
}

}  // namespace

void Sm4BlocksAvx2Aesni(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks) {
  Sm4CryptInGroups<kLanes, CryptGroups<2>, CryptGroups<1>>(rk, in, out, blocks);
}

}  // namespace orvane

#else  // not x86-64: never chosen, kept so that the path table links

namespace orvane {
void Sm4BlocksAvx2Aesni(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks) {
  Sm4BlocksPortable(rk, in, out, blocks);
}
}  // namespace orvane

#endif
