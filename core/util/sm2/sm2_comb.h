// A fixed-base comb for multiples of the SM2 generator with secret
// scalars. Internal to the SM2 engine.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <openssl/ec.h>

#include "core/util/sm2/sm2_ec.h"

namespace orvane::sm2 {

// Multiples of the generator G from a table of 64 x 16 affine points: row j,
// column d holds (d * 16^j + c_j) * G, where the offsets c_j sum to 0 mod n,
// so that no entry is the point at infinity and every one of the 64 steps
// is a real addition.
class BaseTable {
 public:
  // Builds the table for `group` (generator G of order n). False on failure.
  bool Build(const EC_GROUP* group, const Field& f, BN_CTX* ctx);
  // r = k * G for 0 <= k < 2^256. The same additions and the same table
  // reads happen for every k: each row is read in full and the wanted
  // column picked with masks.
  bool Mul(const Field& f, JacobianPoint* r, const BIGNUM* k, BN_CTX* ctx) const;

 private:
  static constexpr int kRows = 64;
  static constexpr int kColumns = 16;
  // x then y, Montgomery form, 32 little-endian bytes each, kept as words.
  using Entry = std::array<uint64_t, 8>;
  std::vector<Entry> entries_;
};

}  // namespace orvane::sm2
