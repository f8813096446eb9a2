#include "core/util/sm2/sm2_comb.h"

#include <cstring>

#include <openssl/crypto.h>

namespace orvane::sm2 {
namespace {

constexpr int kFieldBytes = 32;

}  // namespace

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

}  // namespace orvane::sm2
