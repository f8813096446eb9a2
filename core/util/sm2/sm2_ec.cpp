#include "core/util/sm2/sm2_ec.h"

#include <cstring>

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace orvane::sm2 {

// --- Field ----------------------------------------------------------------------------

bool Field::Init(const BIGNUM* p, BN_CTX* ctx) {
  p_.reset(BN_dup(p));
  one_.reset(BN_new());
  mont_.reset(BN_MONT_CTX_new());
  return p_ && one_ && mont_ && BN_MONT_CTX_set(mont_.get(), p_.get(), ctx) == 1 &&
         BN_to_montgomery(one_.get(), BN_value_one(), mont_.get(), ctx) == 1;
}

bool Field::Mul(BIGNUM* r, const BIGNUM* a, const BIGNUM* b, BN_CTX* ctx) const {
  return BN_mod_mul_montgomery(r, a, b, mont_.get(), ctx) == 1;
}

bool Field::ToMont(BIGNUM* r, const BIGNUM* a, BN_CTX* ctx) const {
  return BN_to_montgomery(r, a, mont_.get(), ctx) == 1;
}

bool Field::FromMont(BIGNUM* r, const BIGNUM* a, BN_CTX* ctx) const {
  return BN_from_montgomery(r, a, mont_.get(), ctx) == 1;
}

bool Field::Inv(BIGNUM* r, const BIGNUM* a, bool blind, BN_CTX* ctx) const {
  Frame fr(ctx);
  BIGNUM* plain = fr.Get();
  BIGNUM* beta = fr.Get();
  if (beta == nullptr || !FromMont(plain, a, ctx) || BN_is_zero(plain)) return false;
  if (blind) {
    do {
      if (BN_priv_rand_range_ex(beta, p_.get(), 0, ctx) != 1) return false;
    } while (BN_is_zero(beta));
    // (a * beta)^-1 * beta = a^-1
    if (BN_mod_mul(plain, plain, beta, p_.get(), ctx) != 1) return false;
  }
  if (BN_mod_inverse(plain, plain, p_.get(), ctx) == nullptr) return false;
  if (blind && BN_mod_mul(plain, plain, beta, p_.get(), ctx) != 1) return false;
  return ToMont(r, plain, ctx);
}

// --- Jacobian points ------------------------------------------------------------------

bool JacobianPoint::Alloc() {
  x.reset(BN_new());
  y.reset(BN_new());
  z.reset(BN_new());
  return x && y && z;
}

bool JacobianPoint::Copy(const JacobianPoint& other) {
  if (this == &other) return true;
  return BN_copy(x.get(), other.x.get()) && BN_copy(y.get(), other.y.get()) && BN_copy(z.get(), other.z.get());
}

// dbl-2001-b rearranged around Y' = 2Y: 4M + 4S and few additions, which
// cost about half a multiplication here.
//   gamma' = Y'^2 = 4 Y^2, beta = X gamma' = 4 X Y^2, Z3 = Y' Z = 2 Y Z,
//   alpha = 3 (X - Z^2)(X + Z^2), X3 = alpha^2 - 2 beta,
//   Y3 = alpha (beta - X3) - gamma'^2 / 2   (gamma'^2 / 2 = 8 Y^4)
bool PointDouble(const Field& f, JacobianPoint* r, const JacobianPoint& a, BN_CTX* ctx) {
  if (a.IsInfinity()) return r->SetInfinity();
  Frame fr(ctx);
  BIGNUM* delta = fr.Get();
  BIGNUM* y2 = fr.Get();
  BIGNUM* beta = fr.Get();
  BIGNUM* alpha = fr.Get();
  BIGNUM* t = fr.Get();
  if (t == nullptr) return false;
  // Everything that reads a is computed before r (possibly a) is written.
  if (!(f.Sqr(delta, a.z.get(), ctx) && f.Shl(y2, a.y.get(), 1) && f.Sub(t, a.x.get(), delta) &&
        f.Add(alpha, a.x.get(), delta) && f.Mul(alpha, t, alpha, ctx) && f.Add(t, alpha, alpha) &&
        f.Add(alpha, t, alpha) && f.Mul(r->z.get(), y2, a.z.get(), ctx) && f.Sqr(y2, y2, ctx) &&
        f.Mul(beta, a.x.get(), y2, ctx))) {
    return false;
  }
  return f.Sqr(r->x.get(), alpha, ctx) && f.Sub(r->x.get(), r->x.get(), beta) &&
         f.Sub(r->x.get(), r->x.get(), beta) && f.Sub(beta, beta, r->x.get()) && f.Mul(alpha, alpha, beta, ctx) &&
         f.Sqr(y2, y2, ctx) && f.Half(y2, y2) && f.Sub(r->y.get(), alpha, y2);
}

// madd-2004-hmv: 8M + 3S.
bool PointAddAffine(const Field& f, JacobianPoint* r, const JacobianPoint& a, const BIGNUM* x2, const BIGNUM* y2,
                    BN_CTX* ctx) {
  if (a.IsInfinity()) {
    return BN_copy(r->x.get(), x2) && BN_copy(r->y.get(), y2) && BN_copy(r->z.get(), f.one());
  }
  Frame fr(ctx);
  BIGNUM* t1 = fr.Get();
  BIGNUM* t2 = fr.Get();
  BIGNUM* t3 = fr.Get();
  BIGNUM* t4 = fr.Get();
  if (t4 == nullptr) return false;
  // t1 = H = X2 Z1^2 - X1, t2 = R = Y2 Z1^3 - Y1
  if (!(f.Sqr(t1, a.z.get(), ctx) && f.Mul(t2, t1, a.z.get(), ctx) && f.Mul(t1, t1, x2, ctx) &&
        f.Mul(t2, t2, y2, ctx) && f.Sub(t1, t1, a.x.get()) && f.Sub(t2, t2, a.y.get()))) {
    return false;
  }
  if (BN_is_zero(t1)) {  // same x: the same point or its negative
    if (BN_is_zero(t2)) return PointDouble(f, r, a, ctx);
    return r->SetInfinity();
  }
  // t4 = X1 H^2, t3 = H^3; X3 = R^2 - 2 t4 - t3; Y3 = R (t4 - X3) - Y1 t3;
  // Z3 = Z1 H
  return f.Sqr(t4, t1, ctx) && f.Mul(t3, t4, t1, ctx) && f.Mul(t4, t4, a.x.get(), ctx) &&
         f.Mul(r->z.get(), a.z.get(), t1, ctx) && f.Mul(t1, t3, a.y.get(), ctx) && f.Sqr(r->x.get(), t2, ctx) &&
         f.Sub(r->x.get(), r->x.get(), t4) && f.Sub(r->x.get(), r->x.get(), t4) &&
         f.Sub(r->x.get(), r->x.get(), t3) && f.Sub(t4, t4, r->x.get()) && f.Mul(t4, t2, t4, ctx) &&
         f.Sub(r->y.get(), t4, t1);
}

// add-2007-bl: 11M + 5S.
bool PointAdd(const Field& f, JacobianPoint* r, const JacobianPoint& a, const JacobianPoint& b, BN_CTX* ctx) {
  if (a.IsInfinity()) return r->Copy(b);
  if (b.IsInfinity()) return r->Copy(a);
  Frame fr(ctx);
  BIGNUM* z1z1 = fr.Get();
  BIGNUM* z2z2 = fr.Get();
  BIGNUM* u1 = fr.Get();
  BIGNUM* u2 = fr.Get();
  BIGNUM* s1 = fr.Get();
  BIGNUM* s2 = fr.Get();
  BIGNUM* h = fr.Get();
  BIGNUM* i = fr.Get();
  BIGNUM* j = fr.Get();
  BIGNUM* rr = fr.Get();
  BIGNUM* x3 = fr.Get();
  BIGNUM* z3 = fr.Get();
  if (z3 == nullptr) return false;
  if (!(f.Sqr(z1z1, a.z.get(), ctx) && f.Sqr(z2z2, b.z.get(), ctx) && f.Mul(u1, a.x.get(), z2z2, ctx) &&
        f.Mul(u2, b.x.get(), z1z1, ctx) && f.Mul(s1, a.y.get(), b.z.get(), ctx) && f.Mul(s1, s1, z2z2, ctx) &&
        f.Mul(s2, b.y.get(), a.z.get(), ctx) && f.Mul(s2, s2, z1z1, ctx) && f.Sub(h, u2, u1) &&
        f.Sub(rr, s2, s1))) {
    return false;
  }
  if (BN_is_zero(h)) {
    if (BN_is_zero(rr)) return PointDouble(f, r, a, ctx);
    return r->SetInfinity();
  }
  return  // I = (2H)^2, J = H * I, r = 2 (S2 - S1), V = U1 * I (kept in u1)
      f.Add(i, h, h) && f.Sqr(i, i, ctx) && f.Mul(j, h, i, ctx) && f.Add(rr, rr, rr) && f.Mul(u1, u1, i, ctx) &&
      // X3 = r^2 - J - 2V
      f.Sqr(x3, rr, ctx) && f.Sub(x3, x3, j) && f.Sub(x3, x3, u1) && f.Sub(x3, x3, u1) &&
      // Z3 = ((Z1 + Z2)^2 - Z1Z1 - Z2Z2) H
      f.Add(z3, a.z.get(), b.z.get()) && f.Sqr(z3, z3, ctx) && f.Sub(z3, z3, z1z1) && f.Sub(z3, z3, z2z2) &&
      f.Mul(z3, z3, h, ctx) &&
      // Y3 = r (V - X3) - 2 S1 J
      f.Sub(u1, u1, x3) && f.Mul(u1, rr, u1, ctx) && f.Mul(j, s1, j, ctx) && f.Add(j, j, j) &&
      f.Sub(r->y.get(), u1, j) && BN_copy(r->x.get(), x3) && BN_copy(r->z.get(), z3);
}

bool PointToAffine(const Field& f, const JacobianPoint& a, BIGNUM* x, BIGNUM* y, bool secret, BN_CTX* ctx) {
  if (a.IsInfinity()) return false;
  Frame fr(ctx);
  BIGNUM* zi = fr.Get();
  BIGNUM* zi2 = fr.Get();
  if (zi2 == nullptr) return false;
  return f.Inv(zi, a.z.get(), secret, ctx) && f.Sqr(zi2, zi, ctx) && f.Mul(x, a.x.get(), zi2, ctx) &&
         f.Mul(zi2, zi2, zi, ctx) && f.Mul(y, a.y.get(), zi2, ctx) && f.FromMont(x, x, ctx) &&
         f.FromMont(y, y, ctx);
}

bool PointFromAffine(const Field& f, JacobianPoint* r, const BIGNUM* x, const BIGNUM* y, BN_CTX* ctx) {
  return f.ToMont(r->x.get(), x, ctx) && f.ToMont(r->y.get(), y, ctx) && BN_copy(r->z.get(), f.one());
}

bool BatchToAffineMont(const Field& f, std::vector<JacobianPoint>& pts, BN_CTX* ctx) {
  const std::size_t m = pts.size();
  std::vector<OsslPtr<BIGNUM>> prefix(m);
  for (std::size_t i = 0; i < m; ++i) {
    if (pts[i].IsInfinity()) return false;
    prefix[i].reset(BN_new());
    if (!prefix[i]) return false;
    if (i == 0 ? !BN_copy(prefix[0].get(), pts[0].z.get())
               : !f.Mul(prefix[i].get(), prefix[i - 1].get(), pts[i].z.get(), ctx)) {
      return false;
    }
  }
  Frame fr(ctx);
  BIGNUM* inv = fr.Get();
  BIGNUM* zi = fr.Get();
  BIGNUM* zi2 = fr.Get();
  if (zi2 == nullptr || !f.Inv(inv, prefix[m - 1].get(), false, ctx)) return false;
  for (std::size_t i = m; i-- > 0;) {
    if (i > 0) {
      if (!f.Mul(zi, inv, prefix[i - 1].get(), ctx) || !f.Mul(inv, inv, pts[i].z.get(), ctx)) return false;
    } else if (!BN_copy(zi, inv)) {
      return false;
    }
    JacobianPoint& pt = pts[i];
    if (!(f.Sqr(zi2, zi, ctx) && f.Mul(pt.x.get(), pt.x.get(), zi2, ctx) && f.Mul(zi2, zi2, zi, ctx) &&
          f.Mul(pt.y.get(), pt.y.get(), zi2, ctx) && BN_copy(pt.z.get(), f.one()))) {
      return false;
    }
  }
  return true;
}

bool AllocPoints(std::vector<JacobianPoint>& pts, std::size_t n) {
  pts.resize(n);
  for (auto& pt : pts) {
    if (!pt.Alloc()) return false;
  }
  return true;
}

}  // namespace orvane::sm2
