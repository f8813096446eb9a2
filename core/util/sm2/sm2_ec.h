// Point arithmetic on the SM2 curve over OpenSSL's Montgomery-form BIGNUM
// operations: Jacobian doubling and addition for a = -3, affine conversion,
// a fixed-base comb for multiples of the generator and a windowed NAF for
// multiples of any other point. Internal to the SM2 engine.
//
// Field elements are BIGNUMs in Montgomery form modulo p, fully reduced.
// A Jacobian point (X, Y, Z) stands for (X/Z^2, Y/Z^3); Z = 0 is the point
// at infinity.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <openssl/bn.h>
#include <openssl/ec.h>

#include "core/util/ossl_ptr.h"

namespace orvane::sm2 {

class Field {
 public:
  // Sets up the Montgomery context for the prime p. False on failure.
  bool Init(const BIGNUM* p, BN_CTX* ctx);

  const BIGNUM* p() const { return p_.get(); }
  const BIGNUM* one() const { return one_.get(); }  // 1 in Montgomery form
  const BN_MONT_CTX* mont() const { return mont_.get(); }

  bool Mul(BIGNUM* r, const BIGNUM* a, const BIGNUM* b, BN_CTX* ctx) const;
  bool Sqr(BIGNUM* r, const BIGNUM* a, BN_CTX* ctx) const { return Mul(r, a, a, ctx); }
  bool Add(BIGNUM* r, const BIGNUM* a, const BIGNUM* b) const { return BN_mod_add_quick(r, a, b, p_.get()) == 1; }
  bool Sub(BIGNUM* r, const BIGNUM* a, const BIGNUM* b) const { return BN_mod_sub_quick(r, a, b, p_.get()) == 1; }
  // r = 2^n a, by single-bit steps (cheaper than BN_mod_lshift_quick here).
  bool Shl(BIGNUM* r, const BIGNUM* a, int n) const {
    for (int i = 0; i < n; ++i) {
      if (BN_mod_lshift1_quick(r, i == 0 ? a : r, p_.get()) != 1) return false;
    }
    return true;
  }
  // r = a / 2 mod p: a + p when a is odd, then one bit to the right.
  bool Half(BIGNUM* r, const BIGNUM* a) const {
    return (BN_is_odd(a) ? BN_add(r, a, p_.get()) : BN_copy(r, a) != nullptr) && BN_rshift1(r, r);
  }
  bool ToMont(BIGNUM* r, const BIGNUM* a, BN_CTX* ctx) const;
  bool FromMont(BIGNUM* r, const BIGNUM* a, BN_CTX* ctx) const;
  // r = a^-1 (both in Montgomery form); a must be non-zero. With `blind`
  // the inversion works on a randomly scaled value, so its running time
  // says nothing about a.
  bool Inv(BIGNUM* r, const BIGNUM* a, bool blind, BN_CTX* ctx) const;

 private:
  OsslPtr<BIGNUM> p_;
  OsslPtr<BIGNUM> one_;
  OsslPtr<BN_MONT_CTX> mont_;
};

struct JacobianPoint {
  OsslPtr<BIGNUM> x, y, z;
  bool Alloc();
  bool IsInfinity() const { return BN_is_zero(z.get()); }
  bool SetInfinity() { return BN_zero(z.get()), true; }
  bool Copy(const JacobianPoint& other);
};

// r = 2a. r may be a.
bool PointDouble(const Field& f, JacobianPoint* r, const JacobianPoint& a, BN_CTX* ctx);
// r = a + (x2, y2), the second point affine and finite. r may be a.
bool PointAddAffine(const Field& f, JacobianPoint* r, const JacobianPoint& a, const BIGNUM* x2, const BIGNUM* y2,
                    BN_CTX* ctx);
// r = a + b. r may be a or b.
bool PointAdd(const Field& f, JacobianPoint* r, const JacobianPoint& a, const JacobianPoint& b, BN_CTX* ctx);
// Affine coordinates in normal (not Montgomery) form; false at infinity.
bool PointToAffine(const Field& f, const JacobianPoint& a, BIGNUM* x, BIGNUM* y, bool secret, BN_CTX* ctx);
// The Jacobian form of an affine point given in normal form.
bool PointFromAffine(const Field& f, JacobianPoint* r, const BIGNUM* x, const BIGNUM* y, BN_CTX* ctx);

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

// Odd multiples P, 3P, ..., (2 count - 1) P of a point in affine
// Montgomery-form coordinates, with their negatives, for windowed NAF.
struct OddMultiples {
  std::vector<OsslPtr<BIGNUM>> x, y, negY;
  // P given in normal-form affine coordinates; count a power of two.
  bool Build(const Field& f, const BIGNUM* px, const BIGNUM* py, int count, BN_CTX* ctx);
  int width() const;  // the NAF width these multiples serve
};

// r = t * P for a public scalar 0 <= t < 2^256 and a finite point P given
// in normal-form affine coordinates (width-5 NAF, variable time).
bool PointMulPublic(const Field& f, JacobianPoint* r, const BIGNUM* t, const BIGNUM* px, const BIGNUM* py,
                    BN_CTX* ctx);

// r = s * G + t * P for public scalars below 2^256, with the odd multiples
// of G prepared once: both NAFs share one chain of doublings (variable
// time; for verification only).
bool PointDoubleMulPublic(const Field& f, const OddMultiples& g, JacobianPoint* r, const BIGNUM* s,
                          const BIGNUM* t, const BIGNUM* px, const BIGNUM* py, BN_CTX* ctx);

// Whether the affine x of a finite point equals x (normal form), without
// an inversion: X == x Z^2.
bool PointXEquals(const Field& f, const JacobianPoint& a, const BIGNUM* x, BN_CTX* ctx);

}  // namespace orvane::sm2
