// Windowed-NAF multiples of arbitrary points with public scalars, for
// verification. Internal to the SM2 engine.
#pragma once

#include <vector>

#include <openssl/bn.h>

#include "core/util/sm2/sm2_ec.h"

namespace orvane::sm2 {

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
