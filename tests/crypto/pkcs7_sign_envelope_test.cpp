#include "core/crypto/pkcs7_sign_envelope.h"

#include <gtest/gtest.h>

#include <memory>

#include <openssl/pkcs7.h>

#include "core/crypto/openssl_init.h"
#include "core/crypto/pkcs7_codec.h"
#include "openssl_cli_fixture.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::OpenSslCli;
using testing::TestIdentity;
using testing::ToBytes;

class Pkcs7SignEnvelopeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(LoadOpenSslProviders());
    cli_ = std::make_unique<OpenSslCli>();
    signer_ = std::make_unique<TestIdentity>(testing::MakeRsaIdentity(*cli_, "signer", "/O=Orvane/CN=Key Issuer"));
    recipient_ = std::make_unique<TestIdentity>(testing::MakeRsaIdentity(*cli_, "recip", "/O=Orvane/CN=Key Owner"));
    other_ = std::make_unique<TestIdentity>(testing::MakeRsaIdentity(*cli_, "other", "/O=Orvane/CN=Other"));
  }
  static void TearDownTestSuite() {
    signer_.reset();
    recipient_.reset();
    other_.reset();
    cli_.reset();
  }

  // signedAndEnvelopedData made by OpenSSL's PKCS#7 code for `recipients`.
  static Bytes OpenSslSignedAndEnveloped(const std::vector<const TestIdentity*>& recipients, const EVP_CIPHER* cipher) {
    OsslPtr<X509> signCert = DecodeDer<X509>(signer_->certDer, d2i_X509);
    OsslPtr<PKCS7> p7(PKCS7_new());
    EXPECT_TRUE(PKCS7_set_type(p7.get(), NID_pkcs7_signedAndEnveloped));
    EXPECT_TRUE(PKCS7_add_signature(p7.get(), signCert.get(), signer_->key.get(), EVP_sha256()));
    EXPECT_TRUE(PKCS7_add_certificate(p7.get(), signCert.get()));
    for (const TestIdentity* r : recipients) {
      OsslPtr<X509> cert = DecodeDer<X509>(r->certDer, d2i_X509);
      EXPECT_TRUE(PKCS7_add_recipient(p7.get(), cert.get()));
    }
    EXPECT_TRUE(PKCS7_set_cipher(p7.get(), cipher));
    OsslPtr<BIO> bio(PKCS7_dataInit(p7.get(), nullptr));
    EXPECT_TRUE(bio);
    if (!bio) return {};
    EXPECT_EQ(BIO_write(bio.get(), kContent.data(), static_cast<int>(kContent.size())),
              static_cast<int>(kContent.size()));
    EXPECT_EQ(BIO_flush(bio.get()), 1);
    EXPECT_TRUE(PKCS7_dataFinal(p7.get(), bio.get()));
    Result<Bytes> der = EncodeDer(p7.get(), i2d_PKCS7, err::kP7Sign);
    EXPECT_TRUE(der.ok());
    return der.ok() ? *der : Bytes();
  }

  static inline const Bytes kContent = ToBytes("an encryption key pair, delivered");
  static inline std::unique_ptr<OpenSslCli> cli_;
  static inline std::unique_ptr<TestIdentity> signer_;
  static inline std::unique_ptr<TestIdentity> recipient_;
  static inline std::unique_ptr<TestIdentity> other_;
};

TEST_F(Pkcs7SignEnvelopeTest, SplitsAMessageMadeByOpenSsl) {
  const Bytes msg = OpenSslSignedAndEnveloped({recipient_.get()}, EVP_aes_128_cbc());
  ASSERT_FALSE(msg.empty());
  Result<EnvelopeParts> parts = ParseSignedAndEnvelopedData(msg);
  ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
  // SM4-ECB is reported whatever the message names (here AES-128-CBC).
  EXPECT_EQ(parts->symmAlg, 11);
  const Bytes key = testing::OsslDecrypt(recipient_->key.get(), parts->encryptedKey);
  EXPECT_EQ(key.size(), 16u);

  // The content is the one OpenSSL encrypted: OpenSSL's own decoder finds the
  // same bytes and its IV opens them with the recovered key.
  OsslPtr<PKCS7> p7 = DecodeDer<PKCS7>(msg, d2i_PKCS7);
  ASSERT_TRUE(p7);
  const PKCS7_ENC_CONTENT* enc = p7->d.signed_and_enveloped->enc_data;
  EXPECT_EQ(parts->encryptedContent, StringBytes(enc->enc_data));
  const Bytes iv = StringBytes(enc->algorithm->parameter->value.octet_string);
  EXPECT_EQ(testing::OsslCipher("AES-128-CBC", false, key, iv, parts->encryptedContent), kContent);
}

TEST_F(Pkcs7SignEnvelopeTest, RefusesOtherRecipientCountsAndOtherTypes) {
  cli_->WriteText("content.txt", "content");
  cli_->Must({"smime", "-encrypt", "-binary", "-aes128", "-in", "content.txt", "-outform", "DER", "-out",
              "enveloped.der", recipient_->certPem});
  const Bytes one = OpenSslSignedAndEnveloped({recipient_.get()}, EVP_aes_128_cbc());
  Bytes wrongTag = one;
  wrongTag[0] = 0xa0;

  const struct {
    const char* what;
    Bytes msg;
    Status expected;
  } cases[] = {
      {"two recipients", OpenSslSignedAndEnveloped({recipient_.get(), other_.get()}, EVP_aes_128_cbc()),
       err::kNoCertInP7},
      {"no recipient", OpenSslSignedAndEnveloped({}, EVP_aes_128_cbc()), err::kNoCertInP7},
      {"enveloped data", cli_->Read("enveloped.der"), err::kP7Type},
      {"empty", {}, err::kParam},
      {"garbage", ToBytes("garbage"), err::kDecodeP7},
      {"wrong outer tag", wrongTag, err::kDecodeP7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseSignedAndEnvelopedData(c.msg).status(), c.expected) << c.what;
  }
  for (std::size_t n = 1; n < one.size(); ++n) {
    const Bytes prefix(one.begin(), one.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_EQ(ParseSignedAndEnvelopedData(prefix).status(), err::kDecodeP7) << "length " << n;
  }
}

}  // namespace
}  // namespace orvane
