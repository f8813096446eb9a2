#include "core/util/sm2/sm2_key.h"

#include <openssl/crypto.h>

#include "core/crypto/sm2_asn1.h"

namespace orvane {
namespace {

OsslPtr<BIGNUM> NewSecretNumber() {
  OsslPtr<BIGNUM> bn(BN_secure_new());
  if (bn) BN_set_flags(bn.get(), BN_FLG_CONSTTIME);
  return bn;
}

// 1 <= d <= n-2: (1 + d) must be invertible modulo n for signing.
bool ScalarInRange(const Sm2Curve& curve, const BIGNUM* d) {
  return !BN_is_negative(d) && !BN_is_zero(d) && BN_cmp(d, curve.nMinus2.get()) <= 0;
}

// Reads an uncompressed or compressed point; refuses the point at infinity
// and anything off the curve.
OsslPtr<EC_POINT> PointFromBytes(const Sm2Curve& curve, std::span<const uint8_t> bytes, BN_CTX* ctx) {
  OsslPtr<EC_POINT> pt(EC_POINT_new(curve.group.get()));
  if (pt == nullptr || bytes.empty() ||
      EC_POINT_oct2point(curve.group.get(), pt.get(), bytes.data(), bytes.size(), ctx) != 1 ||
      EC_POINT_is_at_infinity(curve.group.get(), pt.get()) ||
      EC_POINT_is_on_curve(curve.group.get(), pt.get(), ctx) != 1) {
    return nullptr;
  }
  return pt;
}

}  // namespace

int Sm2MulGenerator(const Sm2Curve& curve, const BIGNUM* k, EC_POINT* out, BN_CTX* ctx) {
  sm2::JacobianPoint r;
  OsslPtr<BIGNUM> x(BN_new()), y(BN_new());
  if (!x || !y || !r.Alloc() || !curve.base.Mul(curve.field, &r, k, ctx) ||
      !sm2::PointToAffine(curve.field, r, x.get(), y.get(), true, ctx)) {
    return -1;
  }
  // Setting the coordinates checks that they satisfy the curve equation.
  return EC_POINT_set_affine_coordinates(curve.group.get(), out, x.get(), y.get(), ctx) == 1 ? 0 : -1;
}

int Sm2PublicPointBytes(const Sm2Key& key, uint8_t out[65]) {
  const Sm2Curve* curve = Sm2SharedCurve();
  if (curve == nullptr || key.pub == nullptr) return -1;
  const std::size_t len = EC_POINT_point2oct(curve->group.get(), key.pub.get(), POINT_CONVERSION_UNCOMPRESSED,
                                             out, kSm2PointSize, nullptr);
  return len == kSm2PointSize ? 0 : -1;
}

int Sm2EncodePublicKey(const Sm2Key& key, std::vector<uint8_t>* der) {
  uint8_t point[kSm2PointSize];
  if (Sm2PublicPointBytes(key, point) != 0) return -1;
  return Sm2EncodePublicKeyBits(point, der);
}

int Sm2EncodePrivateKey(const Sm2Key& key, SecretBytes* der) {
  uint8_t point[kSm2PointSize];
  if (key.d == nullptr || Sm2PublicPointBytes(key, point) != 0) return -1;
  SecretBytes d(kSm2FieldBytes);
  if (BN_bn2binpad(key.d.get(), d.data(), static_cast<int>(d.size())) != static_cast<int>(d.size())) return -1;
  return Sm2EncodePrivateKeyParts(d, point, der);
}

int Sm2GenerateKeyPair(std::vector<uint8_t>* publicDer, SecretBytes* privateDer) {
  const Sm2Curve* curve = Sm2SharedCurve();
  OsslPtr<BN_CTX> ctx(BN_CTX_secure_new());
  if (curve == nullptr || ctx == nullptr) return -1;
  Sm2Key key;
  key.d = NewSecretNumber();
  key.pub.reset(EC_POINT_new(curve->group.get()));
  if (!key.d || !key.pub) return -1;
  // d in [0, n-3] plus one.
  if (BN_priv_rand_range_ex(key.d.get(), curve->nMinus2.get(), 0, ctx.get()) != 1 ||
      !BN_add_word(key.d.get(), 1) || Sm2MulGenerator(*curve, key.d.get(), key.pub.get(), ctx.get()) != 0) {
    return -1;
  }
  std::vector<uint8_t> pub;
  SecretBytes priv;
  if (Sm2EncodePublicKey(key, &pub) != 0 || Sm2EncodePrivateKey(key, &priv) != 0) return -1;
  *publicDer = std::move(pub);
  *privateDer = std::move(priv);
  return 0;
}

int Sm2LoadPrivateKey(Sm2Key* key, std::span<const uint8_t> der) {
  const Sm2Curve* curve = Sm2SharedCurve();
  OsslPtr<BN_CTX> ctx(BN_CTX_secure_new());
  SecretBytes dBytes;
  std::vector<uint8_t> point;
  if (curve == nullptr || ctx == nullptr || Sm2DecodePrivateKeyParts(der, &dBytes, &point) != 0) return -1;
  Sm2Key loaded;
  loaded.d = NewSecretNumber();
  if (!loaded.d || dBytes.size() > kSm2FieldBytes + 1 ||
      BN_bin2bn(dBytes.data(), static_cast<int>(dBytes.size()), loaded.d.get()) == nullptr ||
      !ScalarInRange(*curve, loaded.d.get())) {
    return -1;
  }
  loaded.pub = PointFromBytes(*curve, point, ctx.get());
  OsslPtr<EC_POINT> expected(EC_POINT_new(curve->group.get()));
  if (!loaded.pub || !expected || Sm2MulGenerator(*curve, loaded.d.get(), expected.get(), ctx.get()) != 0 ||
      EC_POINT_cmp(curve->group.get(), expected.get(), loaded.pub.get(), ctx.get()) != 0) {
    return -1;
  }
  *key = std::move(loaded);
  return 0;
}

int Sm2LoadPublicKey(Sm2Key* key, std::span<const uint8_t> der) {
  const Sm2Curve* curve = Sm2SharedCurve();
  OsslPtr<BN_CTX> ctx(BN_CTX_new());
  std::vector<uint8_t> point;
  if (curve == nullptr || ctx == nullptr || Sm2DecodePublicKeyBits(der, &point) != 0) return -1;
  Sm2Key loaded;
  loaded.pub = PointFromBytes(*curve, point, ctx.get());
  if (!loaded.pub) return -1;
  *key = std::move(loaded);
  return 0;
}

}  // namespace orvane
