// RSA key layouts: keys made by OpenSSL, split into CryptoAPI blobs and
// rebuilt from the blob fields read as CryptoAPI defines them.
#include "core/crypto/rsa_blobs.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

std::vector<uint8_t> Der(EVP_PKEY* key, bool priv) {
  unsigned char* der = nullptr;
  const int len = priv ? i2d_PrivateKey(key, &der) : i2d_PublicKey(key, &der);
  std::vector<uint8_t> out(der, der + len);
  OPENSSL_free(der);
  return out;
}

// A little-endian field of the blob as a number.
BIGNUM* Field(const uint8_t* p, std::size_t len) { return BN_lebin2bn(p, static_cast<int>(len), nullptr); }

TEST(RsaBlobs, PrivateDerToBlobsRebuildsTheKey) {
  for (int bits : {1024, 2048}) {
    OsslPtr<EVP_PKEY> key(EVP_RSA_gen(bits));
    const std::vector<uint8_t> der = Der(key.get(), true);
    std::vector<uint8_t> pub;
    SecretBytes priv;
    ASSERT_EQ(RsaPrivateDerToBlobs(0xA400, der, &pub, &priv), 0);
    const std::size_t m = bits / 8, h = m / 2;
    ASSERT_EQ(pub.size(), 20 + m);
    ASSERT_EQ(priv.size(), 20 + 2 * m + 5 * h);
    EXPECT_EQ(std::vector<uint8_t>(pub.begin(), pub.begin() + 4), (std::vector<uint8_t>{6, 2, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(priv.begin(), priv.begin() + 4), (std::vector<uint8_t>{7, 2, 0, 0}));
    EXPECT_EQ(Le32(&pub[4]), 0xA400u);
    EXPECT_EQ(std::string(pub.begin() + 8, pub.begin() + 12), "RSA1");
    EXPECT_EQ(std::string(priv.begin() + 8, priv.begin() + 12), "RSA2");
    EXPECT_EQ(Le32(&pub[12]), static_cast<uint32_t>(bits));
    EXPECT_EQ(Le32(&priv[16]), 65537u);
    EXPECT_TRUE(std::equal(pub.begin() + 20, pub.end(), priv.begin() + 20));

    // modulus, prime1, prime2, exponent1, exponent2, coefficient, privateExponent
    const uint8_t* f = priv.data() + 20;
    OsslPtr<BIGNUM> n(Field(f, m)), p(Field(f + m, h)), q(Field(f + m + h, h)), dp(Field(f + m + 2 * h, h)),
        dq(Field(f + m + 3 * h, h)), qi(Field(f + m + 4 * h, h)), d(Field(f + m + 5 * h, m)), e(BN_new());
    BN_set_word(e.get(), Le32(&priv[16]));
    OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_N, n.get());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_E, e.get());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_D, d.get());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_FACTOR1, p.get());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_FACTOR2, q.get());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_EXPONENT1, dp.get());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_EXPONENT2, dq.get());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_COEFFICIENT1, qi.get());
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
    OsslPtr<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* rebuilt = nullptr;
    ASSERT_EQ(EVP_PKEY_fromdata_init(ctx.get()), 1);
    ASSERT_EQ(EVP_PKEY_fromdata(ctx.get(), &rebuilt, EVP_PKEY_KEYPAIR, params), 1);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    OsslPtr<EVP_PKEY> again(rebuilt);
    EXPECT_EQ(Der(again.get(), true), der) << bits;
  }
}

TEST(RsaBlobs, BadPrivateDer) {
  OsslPtr<EVP_PKEY> key(EVP_RSA_gen(1024));
  const std::vector<uint8_t> der = Der(key.get(), true);
  std::vector<uint8_t> pub;
  SecretBytes priv;
  EXPECT_EQ(RsaPrivateDerToBlobs(0xA400, {der.data(), der.size() / 2}, &pub, &priv), -1);
  EXPECT_EQ(RsaPrivateDerToBlobs(0xA400, {}, &pub, &priv), -1);
  // A 4096-bit key does not fit the 256-byte fields: refused, not overrun.
  OsslPtr<EVP_PKEY> big(EVP_RSA_gen(4096));
  EXPECT_EQ(RsaPrivateDerToBlobs(0xA400, Der(big.get(), true), &pub, &priv), -1);
}

TEST(RsaBlobs, DevicePublicToDer) {
  for (int bits : {1024, 2048}) {
    OsslPtr<EVP_PKEY> key(EVP_RSA_gen(bits));
    BIGNUM* n = nullptr;
    ASSERT_EQ(EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_RSA_N, &n), 1);
    RsaDevicePublicKey dev{};
    dev.bitLen = static_cast<uint32_t>(bits);
    ASSERT_EQ(BN_bn2binpad(n, dev.modulus, 256), 256);
    BN_free(n);
    dev.exponent[253] = 0x01;  // 65537 in the last three bytes
    dev.exponent[255] = 0x01;
    dev.exponent[252] = 0xEE;  // outside the three bytes that are read
    std::vector<uint8_t> der;
    ASSERT_EQ(RsaDevicePublicToDer(dev, &der), 0);
    EXPECT_EQ(der, Der(key.get(), false)) << bits;
  }
  RsaDevicePublicKey odd{};
  odd.bitLen = 1536;
  std::vector<uint8_t> der;
  EXPECT_EQ(RsaDevicePublicToDer(odd, &der), -1);
}

}  // namespace
}  // namespace orvane
