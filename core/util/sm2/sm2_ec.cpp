#include "core/util/sm2/sm2_ec.h"

#include <algorithm>
#include <cstring>

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace orvane::sm2 {
namespace {

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

constexpr int kFieldBytes = 32;

}  // namespace

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

namespace {

// Turns finite Jacobian points into affine Montgomery-form coordinates with
// one inversion (Montgomery's simultaneous inversion).
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

}  // namespace

// --- Generator table ------------------------------------------------------------------

bool BaseTable::Build(const EC_GROUP* group, const Field& f, BN_CTX* ctx) {
  const BIGNUM* n = EC_GROUP_get0_order(group);
  OsslPtr<BIGNUM> c(BN_new()), last(BN_new()), gx(BN_new()), gy(BN_new());
  OsslPtr<EC_POINT> offset(EC_POINT_new(group)), lastOffset(EC_POINT_new(group));
  JacobianPoint base, off, offLast;
  if (!c || !last || !gx || !gy || !offset || !lastOffset || !base.Alloc() || !off.Alloc() || !offLast.Alloc()) {
    return false;
  }
  // c_j = c for the first 63 rows and -63c for the last one.
  do {
    if (BN_rand_range(c.get(), n) != 1) return false;
  } while (BN_is_zero(c.get()));
  if (!BN_mul_word(BN_copy(last.get(), c.get()), kRows - 1) || !BN_nnmod(last.get(), last.get(), n, ctx) ||
      !BN_sub(last.get(), n, last.get())) {
    return false;
  }
  if (EC_POINT_mul(group, offset.get(), c.get(), nullptr, nullptr, ctx) != 1 ||
      EC_POINT_mul(group, lastOffset.get(), last.get(), nullptr, nullptr, ctx) != 1 ||
      EC_POINT_get_affine_coordinates(group, offset.get(), gx.get(), gy.get(), ctx) != 1 ||
      !PointFromAffine(f, &off, gx.get(), gy.get(), ctx) ||
      EC_POINT_get_affine_coordinates(group, lastOffset.get(), gx.get(), gy.get(), ctx) != 1 ||
      !PointFromAffine(f, &offLast, gx.get(), gy.get(), ctx) ||
      EC_POINT_get_affine_coordinates(group, EC_GROUP_get0_generator(group), gx.get(), gy.get(), ctx) != 1 ||
      !PointFromAffine(f, &base, gx.get(), gy.get(), ctx)) {
    return false;
  }
  std::vector<JacobianPoint> pts;
  if (!AllocPoints(pts, kRows * kColumns)) return false;
  for (int row = 0; row < kRows; ++row) {
    JacobianPoint* cells = &pts[row * kColumns];
    if (!cells[0].Copy(row == kRows - 1 ? offLast : off)) return false;
    for (int col = 1; col < kColumns; ++col) {
      if (!PointAdd(f, &cells[col], cells[col - 1], base, ctx)) return false;
    }
    for (int i = 0; i < 4; ++i) {  // base = 16^(row+1) G
      if (!PointDouble(f, &base, base, ctx)) return false;
    }
  }
  if (!BatchToAffineMont(f, pts, ctx)) return false;
  entries_.assign(pts.size(), Entry{});
  uint8_t bytes[2 * kFieldBytes];
  for (std::size_t i = 0; i < pts.size(); ++i) {
    if (BN_bn2lebinpad(pts[i].x.get(), bytes, kFieldBytes) != kFieldBytes ||
        BN_bn2lebinpad(pts[i].y.get(), bytes + kFieldBytes, kFieldBytes) != kFieldBytes) {
      return false;
    }
    std::memcpy(entries_[i].data(), bytes, sizeof bytes);
  }
  return true;
}

bool BaseTable::Mul(const Field& f, JacobianPoint* r, const BIGNUM* k, BN_CTX* ctx) const {
  if (entries_.empty() || BN_is_negative(k) || BN_num_bits(k) > 4 * kRows) return false;
  uint8_t scalar[kRows / 2];
  if (BN_bn2lebinpad(k, scalar, sizeof scalar) != static_cast<int>(sizeof scalar)) return false;
  Frame fr(ctx);
  BIGNUM* x = fr.Get();
  BIGNUM* y = fr.Get();
  bool ok = y != nullptr;
  for (int row = 0; ok && row < kRows; ++row) {
    const uint64_t digit = (scalar[row / 2] >> (4 * (row & 1))) & 0x0f;
    Entry pick{};
    const Entry* cells = &entries_[row * kColumns];
    for (uint64_t col = 0; col < kColumns; ++col) {
      const uint64_t mask = 0 - (((col ^ digit) - 1) >> 63);  // all ones when col == digit
      for (std::size_t w = 0; w < pick.size(); ++w) pick[w] |= cells[col][w] & mask;
    }
    uint8_t bytes[2 * kFieldBytes];
    std::memcpy(bytes, pick.data(), sizeof bytes);
    ok = BN_lebin2bn(bytes, kFieldBytes, x) && BN_lebin2bn(bytes + kFieldBytes, kFieldBytes, y) &&
         (row == 0 ? BN_copy(r->x.get(), x) && BN_copy(r->y.get(), y) && BN_copy(r->z.get(), f.one())
                   : PointAddAffine(f, r, *r, x, y, ctx));
    OPENSSL_cleanse(bytes, sizeof bytes);
    OPENSSL_cleanse(pick.data(), sizeof(Entry));
  }
  OPENSSL_cleanse(scalar, sizeof scalar);
  return ok;
}

// --- Any point --------------------------------------------------------------------------

namespace {

constexpr int kPointNafWidth = 5;

// Width-w NAF digits of t, least significant first: odd digits in
// (-2^(w-1), 2^(w-1)), at least w-1 zeros after each non-zero digit.
bool NafDigits(const BIGNUM* t, int width, std::vector<int8_t>* digits) {
  constexpr int kWords = 5;  // room for one carry beyond 256 bits
  uint8_t bytes[8 * kWords] = {};
  if (BN_is_negative(t) || BN_num_bits(t) > 256 || BN_bn2lebinpad(t, bytes, 32) != 32) return false;
  uint64_t w[kWords];
  for (int i = 0; i < kWords; ++i) {
    w[i] = 0;
    for (int b = 7; b >= 0; --b) w[i] = (w[i] << 8) | bytes[8 * i + b];
  }
  auto isZero = [&] {
    uint64_t any = 0;
    for (uint64_t v : w) any |= v;
    return any == 0;
  };
  digits->clear();
  while (!isZero()) {
    int d = 0;
    if (w[0] & 1) {
      d = static_cast<int>(w[0] & ((1u << width) - 1));
      if (d >= (1 << (width - 1))) d -= 1 << width;
      if (d > 0) {  // w -= d: the low bits are exactly d, no borrow
        w[0] -= static_cast<uint64_t>(d);
      } else {  // w += -d, with carry
        uint64_t add = static_cast<uint64_t>(-d);
        for (int i = 0; i < kWords && add != 0; ++i) {
          w[i] += add;
          add = w[i] < add ? 1 : 0;
        }
      }
    }
    digits->push_back(static_cast<int8_t>(d));
    for (int i = 0; i < kWords; ++i) w[i] = (w[i] >> 1) | (i + 1 < kWords ? w[i + 1] << 63 : 0);
  }
  return true;
}

bool AddDigit(const Field& f, JacobianPoint* r, const OddMultiples& m, int d, BN_CTX* ctx) {
  if (d == 0) return true;
  const std::size_t idx = static_cast<std::size_t>(d > 0 ? d : -d) / 2;
  return PointAddAffine(f, r, *r, m.x[idx].get(), d > 0 ? m.y[idx].get() : m.negY[idx].get(), ctx);
}

}  // namespace

bool OddMultiples::Build(const Field& f, const BIGNUM* px, const BIGNUM* py, int count, BN_CTX* ctx) {
  std::vector<JacobianPoint> odd;
  JacobianPoint twice;
  if (count < 1 || !AllocPoints(odd, count) || !twice.Alloc() || !PointFromAffine(f, &odd[0], px, py, ctx) ||
      !PointDouble(f, &twice, odd[0], ctx)) {
    return false;
  }
  for (int i = 1; i < count; ++i) {
    if (!PointAdd(f, &odd[i], odd[i - 1], twice, ctx)) return false;
  }
  if (!BatchToAffineMont(f, odd, ctx)) return false;
  x.resize(count);
  y.resize(count);
  negY.resize(count);
  for (int i = 0; i < count; ++i) {
    x[i] = std::move(odd[i].x);
    y[i] = std::move(odd[i].y);
    negY[i].reset(BN_new());
    // y is never 0: the curve has no point of order 2.
    if (!negY[i] || BN_is_zero(y[i].get()) || !BN_sub(negY[i].get(), f.p(), y[i].get())) return false;
  }
  return true;
}

int OddMultiples::width() const {
  int w = 1;
  while ((std::size_t{1} << (w - 1)) < 2 * x.size()) ++w;
  return w;  // count = 2^(w-2)
}

bool PointMulPublic(const Field& f, JacobianPoint* r, const BIGNUM* t, const BIGNUM* px, const BIGNUM* py,
                    BN_CTX* ctx) {
  OddMultiples odd;
  std::vector<int8_t> digits;
  if (!odd.Build(f, px, py, 1 << (kPointNafWidth - 2), ctx) || !NafDigits(t, kPointNafWidth, &digits) ||
      !r->SetInfinity()) {
    return false;
  }
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (!PointDouble(f, r, *r, ctx) || !AddDigit(f, r, odd, digits[i], ctx)) return false;
  }
  return true;
}

bool PointDoubleMulPublic(const Field& f, const OddMultiples& g, JacobianPoint* r, const BIGNUM* s,
                          const BIGNUM* t, const BIGNUM* px, const BIGNUM* py, BN_CTX* ctx) {
  OddMultiples odd;
  std::vector<int8_t> sd, td;
  if (g.x.empty() || !odd.Build(f, px, py, 1 << (kPointNafWidth - 2), ctx) || !NafDigits(s, g.width(), &sd) ||
      !NafDigits(t, kPointNafWidth, &td) || !r->SetInfinity()) {
    return false;
  }
  for (std::size_t i = std::max(sd.size(), td.size()); i-- > 0;) {
    if (!PointDouble(f, r, *r, ctx) || (i < sd.size() && !AddDigit(f, r, g, sd[i], ctx)) ||
        (i < td.size() && !AddDigit(f, r, odd, td[i], ctx))) {
      return false;
    }
  }
  return true;
}

bool PointXEquals(const Field& f, const JacobianPoint& a, const BIGNUM* x, BN_CTX* ctx) {
  if (a.IsInfinity() || BN_is_negative(x) || BN_cmp(x, f.p()) >= 0) return false;
  Frame fr(ctx);
  BIGNUM* xm = fr.Get();
  BIGNUM* zz = fr.Get();
  return zz != nullptr && f.ToMont(xm, x, ctx) && f.Sqr(zz, a.z.get(), ctx) && f.Mul(xm, xm, zz, ctx) &&
         BN_cmp(xm, a.x.get()) == 0;
}

}  // namespace orvane::sm2
