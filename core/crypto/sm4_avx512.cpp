// SM4 on 16 blocks at a time in AVX-512 lanes, the S-box computed with GFNI.
//
// Built with AVX-512 and GFNI code generation and reached only after the
// CPU check of sm4_simd.cpp. Everything here has internal linkage and no
// standard-library template is instantiated, so no AVX-512 copy of a shared
// inline function can be picked by the linker for code that runs elsewhere.
#include <cstddef>
#include <cstdint>

#include "core/crypto/sm4_lanes.h"
#include "core/crypto/sm4_simd.h"

#if defined(__x86_64__)
// GCC 12's AVX-512 headers start some intrinsics from _mm512_undefined_*()
// and then warn about it where they are inlined (GCC bug 105593).
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

namespace orvane {
namespace {

// The SM4 S-box is S(x) = A * inv(A * x + 0xd3) + 0xd3, inversion taken in
// GF(2^8) modulo x^8+x^7+x^6+x^5+x^4+x^2+1 and A the circulant bit matrix
// with first row 0xd3. GFNI inverts modulo the AES polynomial; carrying the
// field over by an isomorphism phi gives
//   S(x) = (A phi^-1) * inv_aes((phi A) * x + phi(0xd3)) + 0xd3,
// two affine steps whose matrices (in GFNI's row order) follow.
constexpr long long kPreMatrix = 0x4c287db91a22505d;  // phi A
constexpr int kPreConst = 0x3e;                       // phi(0xd3)
constexpr long long kPostMatrix = static_cast<long long>(0xf3ab34a974a6b589ull);  // A phi^-1
constexpr int kPostConst = 0xd3;

inline __m512i Sbox(__m512i x) {
  x = _mm512_gf2p8affine_epi64_epi8(x, _mm512_set1_epi64(kPreMatrix), kPreConst);
  return _mm512_gf2p8affineinv_epi64_epi8(x, _mm512_set1_epi64(kPostMatrix), kPostConst);
}

// a ^= L(S(b ^ c ^ d ^ k)), L(y) = y ^ y<<<2 ^ y<<<10 ^ y<<<18 ^ y<<<24.
inline __m512i Round(__m512i a, __m512i b, __m512i c, __m512i d, __m512i k) {
  const __m512i y = Sbox(_mm512_xor_si512(_mm512_ternarylogic_epi32(b, c, d, 0x96), k));
  const __m512i u = _mm512_ternarylogic_epi32(y, _mm512_rol_epi32(y, 2), _mm512_rol_epi32(y, 10), 0x96);
  const __m512i v = _mm512_ternarylogic_epi32(a, _mm512_rol_epi32(y, 18), _mm512_rol_epi32(y, 24), 0x96);
  return _mm512_xor_si512(u, v);
}

// Blocks hold big-endian words.
inline __m512i ByteSwap32(__m512i x) {
  const __m512i mask = _mm512_broadcast_i32x4(_mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
  return _mm512_shuffle_epi8(x, mask);
}

// 4x4 transpose of 32-bit words inside every 128-bit lane: four registers of
// four blocks each become four registers of one word from sixteen blocks.
inline void Transpose(__m512i& a, __m512i& b, __m512i& c, __m512i& d) {
  const __m512i t0 = _mm512_unpacklo_epi32(a, b);
  const __m512i t1 = _mm512_unpackhi_epi32(a, b);
  const __m512i t2 = _mm512_unpacklo_epi32(c, d);
  const __m512i t3 = _mm512_unpackhi_epi32(c, d);
  a = _mm512_unpacklo_epi64(t0, t2);
  b = _mm512_unpackhi_epi64(t0, t2);
  c = _mm512_unpacklo_epi64(t1, t3);
  d = _mm512_unpackhi_epi64(t1, t3);
}

constexpr std::size_t kLanes = 16;
constexpr std::size_t kGroupBytes = kLanes * 16;

// G groups of 16 blocks interleaved, so that the rounds of one group fill
// the latency of the other's.
template <int G>
void CryptGroups(const uint32_t* rk, const uint8_t* in, uint8_t* out) {
  __m512i x0[G], x1[G], x2[G], x3[G];
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    const uint8_t* p = in + g * kGroupBytes;
    x0[g] = ByteSwap32(_mm512_loadu_si512(p));
    x1[g] = ByteSwap32(_mm512_loadu_si512(p + 64));
    x2[g] = ByteSwap32(_mm512_loadu_si512(p + 128));
    x3[g] = ByteSwap32(_mm512_loadu_si512(p + 192));
    Transpose(x0[g], x1[g], x2[g], x3[g]);
  }
#pragma GCC unroll 8
  for (int i = 0; i < 32; i += 4) {
    const __m512i k0 = _mm512_set1_epi32(static_cast<int>(rk[i]));
    const __m512i k1 = _mm512_set1_epi32(static_cast<int>(rk[i + 1]));
    const __m512i k2 = _mm512_set1_epi32(static_cast<int>(rk[i + 2]));
    const __m512i k3 = _mm512_set1_epi32(static_cast<int>(rk[i + 3]));
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
    // The output is the words in reverse order.
    Transpose(x3[g], x2[g], x1[g], x0[g]);
    uint8_t* p = out + g * kGroupBytes;
    _mm512_storeu_si512(p, ByteSwap32(x3[g]));
    _mm512_storeu_si512(p + 64, ByteSwap32(x2[g]));
    _mm512_storeu_si512(p + 128, ByteSwap32(x1[g]));
    _mm512_storeu_si512(p + 192, ByteSwap32(x0[g]));
  }
}

}  // namespace

void Sm4BlocksAvx512Gfni(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks) {
  Sm4CryptInGroups<kLanes, CryptGroups<2>, CryptGroups<1>>(rk, in, out, blocks);
}

}  // namespace orvane

#else  // not x86-64: never chosen, kept so that the path table links

namespace orvane {
void Sm4BlocksAvx512Gfni(const uint32_t rk[32], const uint8_t* in, uint8_t* out, std::size_t blocks) {
  Sm4BlocksPortable(rk, in, out, blocks);
}
}  // namespace orvane

#endif
