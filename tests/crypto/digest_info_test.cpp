#include "core/crypto/digest_info.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/rsa.h>

#include "core/crypto/openssl_init.h"
#include "openssl_cli_fixture.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::ToBytes;

Bytes Digest(const char* md, const Bytes& data) {
  OsslPtr<EVP_MD> m(EVP_MD_fetch(nullptr, md, nullptr));
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int len = 0;
  EXPECT_TRUE(m && EVP_Digest(data.data(), data.size(), out.data(), &len, m.get(), nullptr) == 1) << md;
  out.resize(len);
  return out;
}

// A raw PKCS #1 v1.5 signature over `block`, the way a device signs what it
// is given.
Bytes RawRsaSign(EVP_PKEY* key, const Bytes& block) {
  OsslPtr<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new(key, nullptr));
  std::size_t len = 0;
  Bytes sig;
  if (ctx && EVP_PKEY_sign_init(ctx.get()) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) == 1 &&
      EVP_PKEY_sign(ctx.get(), nullptr, &len, block.data(), block.size()) == 1) {
    sig.resize(len);
    if (EVP_PKEY_sign(ctx.get(), sig.data(), &len, block.data(), block.size()) == 1) sig.resize(len);
    else sig.clear();
  }
  return sig;
}

// A device signing our DigestInfo must give the signature that OpenSSL
// verifies as an ordinary RSA signature with that digest.
TEST(DigestInfo, DeviceSignatureOverItVerifiesWithOpenSsl) {
  ASSERT_TRUE(LoadOpenSslProviders());
  OsslPtr<EVP_PKEY> key(EVP_RSA_gen(2048));
  ASSERT_TRUE(key);
  const Bytes message = ToBytes("message whose hash a device signs");
  const struct {
    int32_t hashAlg;
    const char* md;
  } cases[] = {{1, "SHA1"}, {2, "SHA256"}, {3, "SHA512"}, {4, "MD5"},
               {0, "SHA1"}, {7, "SHA1"}, {-3, "SHA1"}};  // other numbers name SHA-1
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hashAlg);
    Result<Bytes> info = BuildDigestInfo(c.hashAlg, Digest(c.md, message));
    ASSERT_TRUE(info.ok()) << std::hex << info.status();
    const Bytes sig = RawRsaSign(key.get(), *info);
    ASSERT_FALSE(sig.empty());
    EXPECT_TRUE(testing::OsslVerify(key.get(), c.md, message, sig));
  }
}

// OpenSSL 3.0 cannot serve as the signer here: it refuses RSA with SM3, and
// its own MD4 DigestInfo names 1.2.840.113549.2.3 instead of MD4's
// 1.2.840.113549.2.4 (RFC 1320). These two are read back with asn1parse.
TEST(DigestInfo, Md4AndSm3LayoutsReadBackByOpenSsl) {
  ASSERT_TRUE(LoadOpenSslProviders());
  testing::OpenSslCli cli;
  const Bytes message = ToBytes("abc");
  const struct {
    int32_t hashAlg;
    const char* md;
    const char* object;  // as asn1parse names it
  } cases[] = {{5, "MD4", "md4"}, {6, "SM3", "sm3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.md);
    const Bytes digest = Digest(c.md, message);
    Result<Bytes> info = BuildDigestInfo(c.hashAlg, digest);
    ASSERT_TRUE(info.ok());
    cli.Write("digest-info.der", *info);
    const std::string parsed = cli.Must({"asn1parse", "-inform", "DER", "-in", "digest-info.der"});
    EXPECT_EQ(cli.Asn1Objects("digest-info.der"), std::vector<std::string>{c.object});
    EXPECT_NE(parsed.find("prim: NULL"), std::string::npos) << parsed;
    std::string hex;
    for (uint8_t b : digest) {
      static const char* digits = "0123456789ABCDEF";
      hex += digits[b >> 4];
      hex += digits[b & 15];
    }
    EXPECT_NE(parsed.find("OCTET STRING      [HEX DUMP]:" + hex), std::string::npos) << parsed;
    // Nothing else: the two-element SEQUENCE is the whole encoding.
    EXPECT_EQ(info->size(), 2u + (*info)[1]);
  }
}

}  // namespace
}  // namespace orvane
