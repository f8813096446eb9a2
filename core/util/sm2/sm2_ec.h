// Point arithmetic on the SM2 curve over OpenSSL's Montgomery-form BIGNUM
// operations: Jacobian doubling and addition for a = -3 and affine
// conversion. Internal to the SM2 engine; sm2_comb and sm2_naf build the
// scalar multiplications on it.
//
// Field elements are BIGNUMs in Montgomery form modulo p, fully reduced.
// A Jacobian point (X, Y, Z) stands for (X/Z^2, Y/Z^3); Z = 0 is the point
// at infinity.
#pragma once

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

// Finite Jacobian points to affine Montgomery-form coordinates (Z = 1)
// with one inversion (Montgomery's simultaneous inversion).
bool BatchToAffineMont(const Field& f, std::vector<JacobianPoint>& pts, BN_CTX* ctx);
bool AllocPoints(std::vector<JacobianPoint>& pts, std::size_t n);

// Scratch numbers from a BN_CTX frame, released when the frame ends.
class Frame {
 public:
  explicit Frame(BN_CTX* ctx) : ctx_(ctx) { BN_CTX_start(ctx_); }
  ~Frame() { BN_CTX_end(ctx_); }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  BIGNUM* Get() { return BN_CTX_get(ctx_); }

 private:
  BN_CTX* ctx_;
};

}  // namespace orvane::sm2
