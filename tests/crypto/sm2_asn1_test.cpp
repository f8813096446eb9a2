// The SM2 structures as OpenSSL reads them back.
#include "core/crypto/sm2_asn1.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include "core/util/sm2/sm2_key.h"

namespace orvane {
namespace {

std::string Asn1Parse(std::span<const uint8_t> der) {
  char path[] = "/tmp/orvane-asn1-XXXXXX";
  const int fd = mkstemp(path);
  FILE* f = fdopen(fd, "wb");
  fwrite(der.data(), 1, der.size(), f);
  fclose(f);
  FILE* pipe = popen(("openssl asn1parse -inform DER -in " + std::string(path) + " 2>&1").c_str(), "r");
  std::string out;
  char buf[256];
  while (pipe && fgets(buf, sizeof buf, pipe)) out += buf;
  if (pipe) pclose(pipe);
  std::remove(path);
  return out;
}

TEST(Sm2Asn1, PrivateKeyLayoutAsOpensslSeesIt) {
  std::vector<uint8_t> pub;
  SecretBytes priv;
  ASSERT_EQ(Sm2GenerateKeyPair(&pub, &priv), 0);
  const std::string out = Asn1Parse(priv);
  EXPECT_NE(out.find("INTEGER           :01"), std::string::npos) << out;
  EXPECT_NE(out.find("cont [ 0 ]"), std::string::npos) << out;
  EXPECT_NE(out.find("OBJECT            :sm2"), std::string::npos) << out;
  EXPECT_NE(out.find("cont [ 1 ]"), std::string::npos) << out;
  EXPECT_NE(out.find("l=  66 prim: BIT STRING"), std::string::npos) << out;
  EXPECT_EQ(out.find("error"), std::string::npos) << out;
}

// A point ending in 00 keeps all 65 bytes and 0 unused bits.
TEST(Sm2Asn1, PublicKeyBitsKeepTrailingZeros) {
  std::vector<uint8_t> point(65, 0x11);
  point[0] = 0x04;
  point[64] = 0x00;
  std::vector<uint8_t> der;
  ASSERT_EQ(Sm2EncodePublicKeyBits(point, &der), 0);
  ASSERT_EQ(der.size(), kSm2PublicKeyDerSize);
  EXPECT_TRUE(std::equal(std::begin(kSm2PublicKeyPrefix), std::end(kSm2PublicKeyPrefix), der.begin()));
  std::vector<uint8_t> back;
  ASSERT_EQ(Sm2DecodePublicKeyBits(der, &back), 0);
  EXPECT_EQ(back, point);
}

TEST(Sm2Asn1, Pkcs12HoldsKeyAndCertificate) {
  // A self-signed SM2 certificate made by OpenSSL.
  OsslPtr<EVP_PKEY> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2"));
  OsslPtr<X509> cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 7);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(cert.get()), "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>("t"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get()));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600);
  X509_set_pubkey(cert.get(), key.get());
  ASSERT_GT(X509_sign(cert.get(), key.get(), EVP_sm3()), 0);
  unsigned char* raw = nullptr;
  const int len = i2d_X509(cert.get(), &raw);
  const std::vector<uint8_t> certDer(raw, raw + len);
  OPENSSL_free(raw);

  const std::vector<uint8_t> protectedKey = {1, 2, 3, 0, 4};
  std::vector<uint8_t> der;
  ASSERT_EQ(EncodeSm2Pkcs12(protectedKey, certDer, &der), 0);
  SecretBytes keyBack;
  std::vector<uint8_t> certBack;
  ASSERT_EQ(DecodeSm2Pkcs12(der, &keyBack, &certBack), 0);
  EXPECT_EQ(std::vector<uint8_t>(keyBack.begin(), keyBack.end()), protectedKey);
  EXPECT_EQ(certBack, certDer);
  // The certificate sits in the file as it is: OpenSSL finds it at its offset.
  const auto at = std::search(der.begin(), der.end(), certDer.begin(), certDer.end());
  ASSERT_NE(at, der.end());
  const unsigned char* p = &*at;
  OsslPtr<X509> parsed(d2i_X509(nullptr, &p, static_cast<long>(certDer.size())));
  EXPECT_NE(parsed, nullptr);

  for (std::size_t cut = 0; cut < der.size(); cut += 7) {
    EXPECT_EQ(DecodeSm2Pkcs12({der.data(), cut}, &keyBack, &certBack), -1) << cut;
  }
  EXPECT_EQ(EncodeSm2Pkcs12(protectedKey, {certDer.data(), certDer.size() - 1}, &der), -1);
}

}  // namespace
}  // namespace orvane
