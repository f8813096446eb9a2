// The SM2 curve: the recommended 256-bit prime-field curve of GB/T 32918.5
// (GM/T 0003.5), its checked group and the precomputation shared by every
// SM2 operation.
#pragma once

#include <cstddef>
#include <cstdint>

#include <openssl/bn.h>
#include <openssl/ec.h>

#include "core/util/ossl_ptr.h"
#include "core/util/sm2/sm2_comb.h"
#include "core/util/sm2/sm2_naf.h"

namespace orvane {

inline constexpr const char* kSm2P = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFF";
inline constexpr const char* kSm2A = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFC";
inline constexpr const char* kSm2B = "28E9FA9E9D9F5E344D5A9E4BCF6509A7F39789F515AB8F92DDBCBD414D940E93";
inline constexpr const char* kSm2N = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54123";
inline constexpr const char* kSm2Gx = "32C4AE2C1F1981195F9904466A39C9948FE30BBFF2660BE1715A4589334C74C7";
inline constexpr const char* kSm2Gy = "BC3736A2F4F6779C59BDCEE36B692153D0A9877CC62A474002DF32E52139F0A0";

inline constexpr std::size_t kSm2FieldBytes = 32;

// Writes the big-endian bytes of the value of hexadecimal `hex`, without
// leading zero bytes, to `out` (room for (strlen(hex) + 1) / 2 bytes).
// Returns the number of bytes written, 0 for a zero value or bad text.
std::size_t HexTextToBytes(uint8_t* out, const char* hex);

// Builds the curve's group from the constants above and checks it: p is
// prime, the generator is the point with x = Gx and even y and lies on the
// curve, its y is Gy, the degree is 256 and n * G is the point at infinity.
// Returns 0 and hands the group to the caller, or -1.
int Sm2CreateGroup(OsslPtr<EC_GROUP>* group);

// Everything the engine shares between operations; built once per process,
// read-only afterwards and safe to use from any thread.
struct Sm2Curve {
  OsslPtr<EC_GROUP> group;
  const BIGNUM* n = nullptr;      // the order, owned by the group
  OsslPtr<BIGNUM> nMinus2;
  sm2::Field field;
  sm2::BaseTable base;          // secret multiples of G
  sm2::OddMultiples baseOdd;    // G, 3G, ..., 127G for verification
  // a || b || Gx || Gy, 32 bytes each, as the identity digest Z takes them.
  uint8_t zCurve[4 * kSm2FieldBytes];
};

// The shared curve, or null when it could not be built and checked (every
// operation then fails).
const Sm2Curve* Sm2SharedCurve();

}  // namespace orvane
