// SM2 key forms: the DER the engine writes, read back by OpenSSL, and the
// private-key files it must refuse.
#include <gtest/gtest.h>

#include <openssl/obj_mac.h>

#include "core/crypto/sm2_asn1.h"
#include "core/util/sm2/sm2_key.h"
#include "util/sm2/sm2_fixture.h"

namespace orvane {
namespace {

TEST(Sm2Key, PublicDerIsSubjectPublicKeyInfo) {
  std::vector<uint8_t> pub;
  SecretBytes priv;
  ASSERT_EQ(Sm2GenerateKeyPair(&pub, &priv), 0);
  ASSERT_EQ(pub.size(), 91u);
  const uint8_t prefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01, 0x06,
                            0x08, 0x2A, 0x81, 0x1C, 0xCF, 0x55, 0x01, 0x82, 0x2D, 0x03, 0x42, 0x00, 0x04};
  EXPECT_TRUE(std::equal(std::begin(prefix), std::end(prefix), pub.begin()));
  auto ref = testing::OpensslPublicKey(pub);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(testing::OpensslPublicDer(ref.get()), pub);
}

// The private scalar, taken out of our DER, gives OpenSSL our public point.
TEST(Sm2Key, PrivateDerHoldsTheMatchingScalar) {
  std::vector<uint8_t> pub;
  SecretBytes priv;
  ASSERT_EQ(Sm2GenerateKeyPair(&pub, &priv), 0);
  SecretBytes d;
  std::vector<uint8_t> point;
  ASSERT_EQ(Sm2DecodePrivateKeyParts(priv, &d, &point), 0);
  EXPECT_EQ(std::vector<uint8_t>(pub.begin() + 26, pub.end()), point);
  // Layout: 30 len 02 01 01 02 len d A0 0A <curve OID> A1 44 03 42 00 04 ...
  EXPECT_EQ(priv[0], 0x30);
  EXPECT_EQ(std::vector<uint8_t>(priv.begin() + 2, priv.begin() + 5), (std::vector<uint8_t>{0x02, 0x01, 0x01}));
  const std::size_t tail = 12 + 2 + 3 + 65;
  const uint8_t curveTag[] = {0xA0, 0x0A, 0x06, 0x08, 0x2A, 0x81, 0x1C, 0xCF, 0x55, 0x01, 0x82, 0x2D, 0xA1, 0x44, 0x03, 0x42, 0x00, 0x04};
  EXPECT_TRUE(std::equal(std::begin(curveTag), std::end(curveTag), priv.end() - tail));

  OsslPtr<EC_GROUP> group(EC_GROUP_new_by_curve_name(NID_sm2));
  OsslPtr<BIGNUM> scalar(BN_bin2bn(d.data(), static_cast<int>(d.size()), nullptr));
  OsslPtr<EC_POINT> expected(EC_POINT_new(group.get()));
  ASSERT_EQ(EC_POINT_mul(group.get(), expected.get(), scalar.get(), nullptr, nullptr, nullptr), 1);
  uint8_t bytes[65];
  ASSERT_EQ(EC_POINT_point2oct(group.get(), expected.get(), POINT_CONVERSION_UNCOMPRESSED, bytes, 65, nullptr), 65u);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 65), point);

  Sm2Key key;
  ASSERT_EQ(Sm2LoadPrivateKey(&key, priv), 0);
  SecretBytes again;
  ASSERT_EQ(Sm2EncodePrivateKey(key, &again), 0);
  EXPECT_EQ(again, priv);
}

SecretBytes PrivateDer(std::span<const uint8_t> d, const std::vector<std::vector<uint8_t>>& pubkeySet) {
  OsslPtr<SM2_PRIVATE_KEY> key(SM2_PRIVATE_KEY_new());
  ASN1_INTEGER_set(key->version, 1);
  OsslPtr<BIGNUM> bn(BN_bin2bn(d.data(), static_cast<int>(d.size()), nullptr));
  BN_to_ASN1_INTEGER(bn.get(), key->prikey);
  for (const auto& p : pubkeySet) {
    ASN1_BIT_STRING* bits = ASN1_BIT_STRING_new();
    SetBitStringBytes(bits, p);
    ASN1_TYPE* any = ASN1_TYPE_new();
    ASN1_TYPE_set(any, V_ASN1_BIT_STRING, bits);
    sk_ASN1_TYPE_push(key->pubkey, any);
  }
  SecretBytes der;
  EXPECT_TRUE(EncodeItem(key.get(), ASN1_ITEM_rptr(SM2_PRIVATE_KEY), &der));
  return der;
}

TEST(Sm2Key, InconsistentPrivateKeysAreRefused) {
  std::vector<uint8_t> pub, otherPub;
  SecretBytes priv, otherPriv;
  ASSERT_EQ(Sm2GenerateKeyPair(&pub, &priv), 0);
  ASSERT_EQ(Sm2GenerateKeyPair(&otherPub, &otherPriv), 0);
  SecretBytes d;
  std::vector<uint8_t> point, otherPoint;
  ASSERT_EQ(Sm2DecodePrivateKeyParts(priv, &d, &point), 0);
  ASSERT_EQ(Sm2DecodePrivateKeyParts(otherPriv, &d, &otherPoint), 0);
  ASSERT_EQ(Sm2DecodePrivateKeyParts(priv, &d, &point), 0);

  Sm2Key key;
  ASSERT_EQ(Sm2LoadPrivateKey(&key, PrivateDer(d, {point})), 0);
  EXPECT_EQ(Sm2LoadPrivateKey(&key, PrivateDer(d, {})), -1);                   // empty set
  EXPECT_EQ(Sm2LoadPrivateKey(&key, PrivateDer(d, {point, point})), -1);       // two elements
  EXPECT_EQ(Sm2LoadPrivateKey(&key, PrivateDer(d, {otherPoint})), -1);         // someone else's point
  std::vector<uint8_t> offCurve = point;
  offCurve[64] ^= 1;
  EXPECT_EQ(Sm2LoadPrivateKey(&key, PrivateDer(d, {offCurve})), -1);
  EXPECT_EQ(Sm2LoadPrivateKey(&key, PrivateDer(std::vector<uint8_t>{0}, {point})), -1);  // d = 0
  // d = n - 1 would make 1 + d = 0 mod n.
  OsslPtr<BIGNUM> n(nullptr);
  BIGNUM* raw = nullptr;
  BN_hex2bn(&raw, kSm2N);
  n.reset(raw);
  BN_sub_word(n.get(), 1);
  std::vector<uint8_t> nm1(32);
  BN_bn2binpad(n.get(), nm1.data(), 32);
  EXPECT_EQ(Sm2LoadPrivateKey(&key, PrivateDer(nm1, {point})), -1);
}

TEST(Sm2Key, TruncatedOrMistaggedDerIsRefused) {
  std::vector<uint8_t> pub;
  SecretBytes priv;
  ASSERT_EQ(Sm2GenerateKeyPair(&pub, &priv), 0);
  Sm2Key key;
  for (std::size_t len = 0; len < priv.size(); ++len) {
    EXPECT_EQ(Sm2LoadPrivateKey(&key, {priv.data(), len}), -1) << len;
  }
  for (std::size_t len = 0; len < pub.size(); ++len) {
    EXPECT_EQ(Sm2LoadPublicKey(&key, {pub.data(), len}), -1) << len;
  }
  SecretBytes badPriv = priv;
  badPriv[2] = 0x04;  // version as OCTET STRING
  EXPECT_EQ(Sm2LoadPrivateKey(&key, badPriv), -1);
  std::vector<uint8_t> badPub = pub;
  badPub[23] = 0x04;  // key as OCTET STRING
  EXPECT_EQ(Sm2LoadPublicKey(&key, badPub), -1);
  std::vector<uint8_t> infinity(pub.begin(), pub.begin() + 26);
  infinity[1] = 0x19;   // shorter outer SEQUENCE
  infinity[24] = 0x02;  // BIT STRING of 2 bytes: unused-bits byte, 00
  infinity.push_back(0x00);
  std::vector<uint8_t> point;
  ASSERT_EQ(Sm2DecodePublicKeyBits(infinity, &point), 0);  // well-formed DER...
  EXPECT_EQ(point, std::vector<uint8_t>{0x00});
  EXPECT_EQ(Sm2LoadPublicKey(&key, infinity), -1);  // ...of the point at infinity
}

}  // namespace
}  // namespace orvane
