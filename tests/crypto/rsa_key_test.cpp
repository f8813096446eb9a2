#include "core/crypto/rsa_key.h"

#include <gtest/gtest.h>

#include "core/util/files.h"
#include "support/command.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

using testing::RunCommand;
using testing::TempDir;

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

// PKCS#1 v1.5 signatures are deterministic: the openssl tool must produce
// the same bytes from the same key, and read our key forms.
TEST(RsaKey, SignaturesEqualThoseOfTheOpensslTool) {
  for (unsigned bits : {1024u, 2048u}) {
    auto pair = GenerateRsaKeyPair(bits);
    ASSERT_TRUE(pair.ok());
    TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir.str() + "/key.der", pair->privateDer));
    ASSERT_TRUE(WriteBufferToFile(dir.str() + "/pub.der", pair->publicDer.data(), pair->publicDer.size()));
    const std::string data = "message to sign";
    dir.Write("data", data);

    auto key = LoadRsaPrivateKey(pair->privateDer);
    ASSERT_TRUE(key);
    EXPECT_EQ(EVP_PKEY_get_bits(key.get()), static_cast<int>(bits));
    for (const char* md : {"SHA1", "SHA256", "SHA512", "MD5"}) {
      auto signature = RsaSign(key.get(), EVP_get_digestbyname(md), Bytes(data));
      ASSERT_TRUE(signature.ok()) << md;
      const auto reference = RunCommand("openssl dgst -" + std::string(md) + " -sign " + dir.str() +
                                        "/key.der -keyform DER " + dir.str() + "/data");
      ASSERT_EQ(reference.exitCode, 0);
      EXPECT_EQ(std::string(signature->begin(), signature->end()), reference.output) << md;
      auto pub = LoadRsaPublicKey(pair->publicDer);
      ASSERT_TRUE(pub);
      EXPECT_TRUE(RsaVerify(pub.get(), EVP_get_digestbyname(md), Bytes(data), *signature));
      EXPECT_FALSE(RsaVerify(pub.get(), EVP_get_digestbyname(md), Bytes(data + "!"), *signature));
    }
    // The public key is a PKCS#1 RSAPublicKey that the tool reads.
    EXPECT_EQ(RunCommand("openssl rsa -RSAPublicKey_in -inform DER -in " + dir.str() + "/pub.der -noout 2>&1")
                  .exitCode,
              0);
  }
}

TEST(RsaKey, EncryptionRoundTripAndWrongKey) {
  auto a = GenerateRsaKeyPair(1024), b = GenerateRsaKeyPair(1024);
  ASSERT_TRUE(a.ok() && b.ok());
  auto pubA = LoadRsaPublicKey(a->publicDer);
  const std::string secret(16, '\x5a');
  auto cipher = RsaEncrypt(pubA.get(), Bytes(secret));
  ASSERT_TRUE(cipher.ok());
  EXPECT_EQ(cipher->size(), 128u);
  auto plain = RsaDecrypt(LoadRsaPrivateKey(a->privateDer).get(), *cipher);
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(std::string(plain->begin(), plain->end()), secret);
  EXPECT_EQ(RsaDecrypt(LoadRsaPrivateKey(b->privateDer).get(), *cipher).status(), err::kAsymmDecrypt);
  EXPECT_EQ(RsaEncrypt(pubA.get(), Bytes(std::string(200, 'x'))).status(), err::kAsymmEncrypt);
}

TEST(RsaKey, GarbageIsNoKey) {
  const std::string garbage[] = {"", "\x30\x03\x02\x01\x01", std::string(100, '\x30')};
  for (const auto& bytes : garbage) {
    EXPECT_FALSE(LoadRsaPrivateKey(Bytes(bytes)));
    EXPECT_FALSE(LoadRsaPublicKey(Bytes(bytes)));
  }
  auto pair = GenerateRsaKeyPair(1024);
  auto withTrailer = pair->privateDer;
  withTrailer.push_back(0);
  EXPECT_FALSE(LoadRsaPrivateKey(withTrailer));
  EXPECT_FALSE(LoadRsaPrivateKey(pair->publicDer));
}

}  // namespace
}  // namespace orvane
