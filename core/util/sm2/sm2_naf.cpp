#include "core/util/sm2/sm2_naf.h"

#include <algorithm>
#include <cstdint>

namespace orvane::sm2 {

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
