// The curve constants and the engine's point arithmetic, checked against
// OpenSSL's built-in SM2 curve and its EC_POINT_mul.
#include <gtest/gtest.h>

#include <openssl/obj_mac.h>

#include "core/util/sm2/sm2_curve.h"
#include "core/util/sm2/sm2_comb.h"
#include "core/util/sm2/sm2_naf.h"

namespace orvane {
namespace {

struct Reference {
  OsslPtr<EC_GROUP> group{EC_GROUP_new_by_curve_name(NID_sm2)};
  OsslPtr<BN_CTX> ctx{BN_CTX_new()};
};

OsslPtr<BIGNUM> Hex(const char* hex) {
  BIGNUM* bn = nullptr;
  BN_hex2bn(&bn, hex);
  return OsslPtr<BIGNUM>(bn);
}

// Affine coordinates of k * G (and of t * P when p is given) by OpenSSL.
void ReferenceMul(const Reference& ref, const BIGNUM* k, const EC_POINT* p, const BIGNUM* t, BIGNUM* x, BIGNUM* y) {
  OsslPtr<EC_POINT> r(EC_POINT_new(ref.group.get()));
  ASSERT_EQ(EC_POINT_mul(ref.group.get(), r.get(), k, p, t, ref.ctx.get()), 1);
  ASSERT_EQ(EC_POINT_get_affine_coordinates(ref.group.get(), r.get(), x, y, ref.ctx.get()), 1);
}

// A random point d * G by OpenSSL, with its affine coordinates.
void RandomReferencePoint(const Reference& ref, EC_POINT* p, BIGNUM* px, BIGNUM* py) {
  OsslPtr<BIGNUM> d(BN_new());
  ASSERT_EQ(BN_rand_range(d.get(), Hex(kSm2N).get()), 1);
  ASSERT_EQ(EC_POINT_mul(ref.group.get(), p, d.get(), nullptr, nullptr, ref.ctx.get()), 1);
  ASSERT_EQ(EC_POINT_get_affine_coordinates(ref.group.get(), p, px, py, ref.ctx.get()), 1);
}

TEST(Sm2Curve, ConstantsMatchOpenssl) {
  Reference ref;
  OsslPtr<BIGNUM> p(BN_new()), a(BN_new()), b(BN_new()), gx(BN_new()), gy(BN_new());
  ASSERT_EQ(EC_GROUP_get_curve(ref.group.get(), p.get(), a.get(), b.get(), ref.ctx.get()), 1);
  ASSERT_EQ(EC_POINT_get_affine_coordinates(ref.group.get(), EC_GROUP_get0_generator(ref.group.get()), gx.get(),
                                            gy.get(), ref.ctx.get()),
            1);
  EXPECT_EQ(BN_cmp(p.get(), Hex(kSm2P).get()), 0);
  EXPECT_EQ(BN_cmp(a.get(), Hex(kSm2A).get()), 0);
  EXPECT_EQ(BN_cmp(b.get(), Hex(kSm2B).get()), 0);
  EXPECT_EQ(BN_cmp(EC_GROUP_get0_order(ref.group.get()), Hex(kSm2N).get()), 0);
  EXPECT_EQ(BN_cmp(gx.get(), Hex(kSm2Gx).get()), 0);
  EXPECT_EQ(BN_cmp(gy.get(), Hex(kSm2Gy).get()), 0);
}

TEST(Sm2Curve, CreateGroupGivesTheCheckedCurve) {
  OsslPtr<EC_GROUP> group;
  ASSERT_EQ(Sm2CreateGroup(&group), 0);
  Reference ref;
  EXPECT_EQ(EC_GROUP_cmp(group.get(), ref.group.get(), ref.ctx.get()), 0);
  ASSERT_NE(Sm2SharedCurve(), nullptr);
}

TEST(Sm2Curve, HexTextToBytes) {
  struct Case {
    const char* hex;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"28E9", {0x28, 0xE9}},
      {"0028e9", {0x28, 0xE9}},  // leading zero bytes are dropped
      {"128E9", {0x01, 0x28, 0xE9}},
      {"0", {}},
  };
  for (const auto& c : cases) {
    uint8_t out[8] = {};
    const std::size_t n = HexTextToBytes(out, c.hex);
    EXPECT_EQ(std::vector<uint8_t>(out, out + n), c.bytes) << c.hex;
  }
}

// Scalars that reach the table's edges: zero digits, all-ones digits, the
// top row, and values next to the order.
std::vector<OsslPtr<BIGNUM>> EdgeScalars() {
  std::vector<OsslPtr<BIGNUM>> out;
  for (const char* hex : {"1", "2", "F", "10", "11", "FFFF", "8000000000000000000000000000000000000000000000000000000000000000",
                          "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54122",  // n - 1
                          "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54121",  // n - 2
                          "F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0"}) {
    out.push_back(Hex(hex));
  }
  for (int i = 0; i < 40; ++i) {
    out.emplace_back(BN_new());
    BN_rand_range(out.back().get(), Hex(kSm2N).get());
  }
  return out;
}

TEST(Sm2Arithmetic, GeneratorTableMatchesOpenssl) {
  const Sm2Curve* curve = Sm2SharedCurve();
  ASSERT_NE(curve, nullptr);
  Reference ref;
  OsslPtr<BIGNUM> x(BN_new()), y(BN_new()), ex(BN_new()), ey(BN_new());
  sm2::JacobianPoint r;
  ASSERT_TRUE(r.Alloc());
  for (const auto& k : EdgeScalars()) {
    ASSERT_TRUE(curve->base.Mul(curve->field, &r, k.get(), ref.ctx.get()));
    ASSERT_TRUE(sm2::PointToAffine(curve->field, r, x.get(), y.get(), true, ref.ctx.get()));
    ReferenceMul(ref, k.get(), nullptr, nullptr, ex.get(), ey.get());
    EXPECT_EQ(BN_cmp(x.get(), ex.get()), 0) << BN_bn2hex(k.get());
    EXPECT_EQ(BN_cmp(y.get(), ey.get()), 0) << BN_bn2hex(k.get());
  }
  // 0 * G is the point at infinity, which has no affine form.
  OsslPtr<BIGNUM> zero(BN_new());
  BN_zero(zero.get());
  ASSERT_TRUE(curve->base.Mul(curve->field, &r, zero.get(), ref.ctx.get()));
  EXPECT_TRUE(r.IsInfinity());
}

TEST(Sm2Arithmetic, PublicMultipleMatchesOpenssl) {
  const Sm2Curve* curve = Sm2SharedCurve();
  ASSERT_NE(curve, nullptr);
  Reference ref;
  OsslPtr<BIGNUM> px(BN_new()), py(BN_new()), x(BN_new()), y(BN_new()), ex(BN_new()), ey(BN_new());
  OsslPtr<EC_POINT> p(EC_POINT_new(ref.group.get()));
  ASSERT_NO_FATAL_FAILURE(RandomReferencePoint(ref, p.get(), px.get(), py.get()));
  sm2::JacobianPoint r;
  ASSERT_TRUE(r.Alloc());
  for (const auto& t : EdgeScalars()) {
    ASSERT_TRUE(sm2::PointMulPublic(curve->field, &r, t.get(), px.get(), py.get(), ref.ctx.get()));
    ASSERT_TRUE(sm2::PointToAffine(curve->field, r, x.get(), y.get(), false, ref.ctx.get()));
    ReferenceMul(ref, nullptr, p.get(), t.get(), ex.get(), ey.get());
    EXPECT_EQ(BN_cmp(x.get(), ex.get()), 0) << BN_bn2hex(t.get());
    EXPECT_EQ(BN_cmp(y.get(), ey.get()), 0) << BN_bn2hex(t.get());
  }
}

// s * G + t * P in one doubling chain, and the x comparison without an
// inversion, against OpenSSL's EC_POINT_mul.
TEST(Sm2Arithmetic, DoubleMultipleMatchesOpenssl) {
  const Sm2Curve* curve = Sm2SharedCurve();
  ASSERT_NE(curve, nullptr);
  Reference ref;
  OsslPtr<BIGNUM> px(BN_new()), py(BN_new()), x(BN_new()), y(BN_new()), ex(BN_new()), ey(BN_new());
  OsslPtr<EC_POINT> p(EC_POINT_new(ref.group.get()));
  ASSERT_NO_FATAL_FAILURE(RandomReferencePoint(ref, p.get(), px.get(), py.get()));
  const auto scalars = EdgeScalars();
  sm2::JacobianPoint r;
  ASSERT_TRUE(r.Alloc());
  for (std::size_t i = 0; i < scalars.size(); ++i) {
    const BIGNUM* s = scalars[i].get();
    const BIGNUM* t = scalars[scalars.size() - 1 - i].get();
    ASSERT_TRUE(sm2::PointDoubleMulPublic(curve->field, curve->baseOdd, &r, s, t, px.get(), py.get(),
                                          ref.ctx.get()));
    ReferenceMul(ref, s, p.get(), t, ex.get(), ey.get());
    EXPECT_TRUE(sm2::PointXEquals(curve->field, r, ex.get(), ref.ctx.get())) << i;
    ASSERT_TRUE(sm2::PointToAffine(curve->field, r, x.get(), y.get(), false, ref.ctx.get()));
    EXPECT_EQ(BN_cmp(x.get(), ex.get()), 0) << i;
    EXPECT_EQ(BN_cmp(y.get(), ey.get()), 0) << i;
    ASSERT_TRUE(BN_add_word(ex.get(), 1));
    EXPECT_FALSE(sm2::PointXEquals(curve->field, r, ex.get(), ref.ctx.get())) << i;
  }
  // P = G and t = n - s: the sum is the point at infinity.
  OsslPtr<BIGNUM> gx = Hex(kSm2Gx), gy = Hex(kSm2Gy), s = Hex("1234"), t = Hex(kSm2N);
  ASSERT_TRUE(BN_sub(t.get(), t.get(), s.get()));
  ASSERT_TRUE(sm2::PointDoubleMulPublic(curve->field, curve->baseOdd, &r, s.get(), t.get(), gx.get(), gy.get(),
                                        ref.ctx.get()));
  EXPECT_TRUE(r.IsInfinity());
}

// Sums that meet the special cases of the addition formulas: a point plus
// itself, plus its negative, plus infinity.
TEST(Sm2Arithmetic, AdditionSpecialCases) {
  const Sm2Curve* curve = Sm2SharedCurve();
  ASSERT_NE(curve, nullptr);
  const sm2::Field& f = curve->field;
  Reference ref;
  BN_CTX* ctx = ref.ctx.get();
  OsslPtr<BIGNUM> three = Hex("3"), six = Hex("6"), x(BN_new()), y(BN_new()), ex(BN_new()), ey(BN_new());
  sm2::JacobianPoint a, b, r, inf;
  ASSERT_TRUE(a.Alloc() && b.Alloc() && r.Alloc() && inf.Alloc() && inf.SetInfinity());
  ASSERT_TRUE(curve->base.Mul(f, &a, three.get(), ctx));
  ASSERT_TRUE(curve->base.Mul(f, &b, three.get(), ctx));  // same point, other Z
  ReferenceMul(ref, six.get(), nullptr, nullptr, ex.get(), ey.get());

  ASSERT_TRUE(sm2::PointAdd(f, &r, a, b, ctx));
  ASSERT_TRUE(sm2::PointToAffine(f, r, x.get(), y.get(), false, ctx));
  EXPECT_EQ(BN_cmp(x.get(), ex.get()), 0);
  EXPECT_EQ(BN_cmp(y.get(), ey.get()), 0);

  OsslPtr<BIGNUM> ax(BN_new()), ay(BN_new()), mx(BN_new()), my(BN_new());
  ASSERT_TRUE(sm2::PointToAffine(f, a, ax.get(), ay.get(), false, ctx));
  ASSERT_TRUE(f.ToMont(mx.get(), ax.get(), ctx) && f.ToMont(my.get(), ay.get(), ctx));
  ASSERT_TRUE(sm2::PointAddAffine(f, &r, b, mx.get(), my.get(), ctx));
  ASSERT_TRUE(sm2::PointToAffine(f, r, x.get(), y.get(), false, ctx));
  EXPECT_EQ(BN_cmp(x.get(), ex.get()), 0);

  ASSERT_TRUE(BN_sub(my.get(), f.p(), my.get()));  // -a
  ASSERT_TRUE(sm2::PointAddAffine(f, &r, b, mx.get(), my.get(), ctx));
  EXPECT_TRUE(r.IsInfinity());
  ASSERT_TRUE(sm2::PointAdd(f, &r, inf, a, ctx));
  ASSERT_TRUE(sm2::PointToAffine(f, r, x.get(), y.get(), false, ctx));
  EXPECT_EQ(BN_cmp(x.get(), ax.get()), 0);
  ASSERT_TRUE(sm2::PointDouble(f, &r, inf, ctx));
  EXPECT_TRUE(r.IsInfinity());
}

}  // namespace
}  // namespace orvane
