#include "core/crypto/pkcs7_enveloped.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <openssl/objects.h>
#include <openssl/pkcs7.h>

#include "core/crypto/openssl_init.h"
#include "core/crypto/pkcs7_codec.h"
#include "core/crypto/pkcs7_oids.h"
#include "openssl_cli_fixture.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::OpenSslCli;
using testing::TestIdentity;
using testing::ToBytes;

constexpr int32_t kRsa = 2;
constexpr int32_t kSm2 = 3;

class Pkcs7EnvelopedTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(LoadOpenSslProviders());
    cli_ = std::make_unique<OpenSslCli>();
    rsa_ = std::make_unique<TestIdentity>(testing::MakeRsaIdentity(*cli_, "rsa", "/C=CN/O=Orvane/CN=RSA Recipient"));
    rsa2_ = std::make_unique<TestIdentity>(testing::MakeRsaIdentity(*cli_, "rsa2", "/C=CN/O=Orvane/CN=Second"));
    sm2_ = std::make_unique<TestIdentity>(testing::MakeSm2Identity(*cli_, "sm2", "/C=CN/O=Orvane/CN=SM2 Recipient"));
    cli_->Write("content.bin", kContent);
  }
  static void TearDownTestSuite() {
    rsa_.reset();
    rsa2_.reset();
    sm2_.reset();
    cli_.reset();
  }

  // An envelope of `content` for `id` whose key OpenSSL encrypted and whose
  // content OpenSSL encrypted with `cipher` in ECB mode.
  static Bytes Envelope(const TestIdentity& id, int32_t keyType, int32_t symmAlg, const char* cipher,
                        std::size_t keyLen, const Bytes& content, Bytes* key = nullptr) {
    const Bytes k = testing::RandomBytes(keyLen);
    if (key != nullptr) *key = k;
    const Bytes encryptedKey = testing::OsslEncrypt(id.key.get(), k);
    const Bytes encryptedContent = testing::OsslCipher(cipher, true, k, {}, content);
    Result<Bytes> msg = BuildEnvelopedData(symmAlg, keyType, id.certDer, encryptedKey, encryptedContent);
    EXPECT_TRUE(msg.ok()) << std::hex << msg.status();
    return msg.ok() ? *msg : Bytes();
  }

  static inline const Bytes kContent = ToBytes("An envelope for Orvane.\n\x00\x7f\x80\xff");
  static inline std::unique_ptr<OpenSslCli> cli_;
  static inline std::unique_ptr<TestIdentity> rsa_;
  static inline std::unique_ptr<TestIdentity> rsa2_;
  static inline std::unique_ptr<TestIdentity> sm2_;
};

// The EnvelopedData body as OpenSSL's own decoder sees it.
OsslPtr<PKCS7_ENVELOPE> OpenSslEnvelopeBody(const Bytes& msg, std::string* outerType) {
  OsslPtr<PKCS7> p7 = DecodeDer<PKCS7>(msg, d2i_PKCS7);
  if (!p7) return nullptr;
  *outerType = OidText(p7->type);
  if (OBJ_obj2nid(p7->type) == NID_pkcs7_enveloped) {
    OsslPtr<PKCS7_ENVELOPE> body(p7->d.enveloped);
    p7->d.enveloped = nullptr;
    return body;
  }
  if (p7->d.other == nullptr || p7->d.other->type != V_ASN1_SEQUENCE) return nullptr;
  return DecodeDer<PKCS7_ENVELOPE>(StringBytes(p7->d.other->value.sequence), d2i_PKCS7_ENVELOPE);
}

Bytes Rewrap(const PKCS7_ENVELOPE* body, const char* outerOid) {
  Result<Bytes> der = EncodeDer(body, i2d_PKCS7_ENVELOPE, err::kP7Sign);
  if (!der.ok()) return {};
  Result<Bytes> wrapped = EncodeContentInfo(outerOid, *der, err::kP7Sign);
  return wrapped.ok() ? *wrapped : Bytes();
}

bool HasNullParameter(const X509_ALGOR* alg) {
  int type = V_ASN1_UNDEF;
  X509_ALGOR_get0(nullptr, &type, nullptr, alg);
  return type == V_ASN1_NULL;
}

// Checks the body's version and its one RecipientInfo: version 0, the issuer
// and serial of `certDer`, NULL key-encryption parameters. Returns that
// RecipientInfo, or null when there is not exactly one.
const PKCS7_RECIP_INFO* ExpectSingleRecipient(const PKCS7_ENVELOPE* body, const Bytes& certDer) {
  EXPECT_EQ(ASN1_INTEGER_get(body->version), 0);
  EXPECT_EQ(sk_PKCS7_RECIP_INFO_num(body->recipientinfo), 1);
  if (sk_PKCS7_RECIP_INFO_num(body->recipientinfo) != 1) return nullptr;
  const PKCS7_RECIP_INFO* ri = sk_PKCS7_RECIP_INFO_value(body->recipientinfo, 0);
  EXPECT_EQ(ASN1_INTEGER_get(ri->version), 0);
  OsslPtr<X509> cert = DecodeDer<X509>(certDer, d2i_X509);
  EXPECT_TRUE(cert);
  if (!cert) return ri;
  EXPECT_EQ(X509_NAME_cmp(ri->issuer_and_serial->issuer, X509_get_issuer_name(cert.get())), 0);
  EXPECT_EQ(ASN1_INTEGER_cmp(ri->issuer_and_serial->serial, X509_get0_serialNumber(cert.get())), 0);
  EXPECT_TRUE(HasNullParameter(ri->key_enc_algor));
  return ri;
}

// --- Building -------------------------------------------------------------------

// The NULL parameters of the content encryption keep `openssl smime -decrypt`
// from opening the envelope (it wants an IV there even for ECB), so OpenSSL
// reads it and its parts are opened with OpenSSL's RSA and AES.
TEST_F(Pkcs7EnvelopedTest, RsaEnvelopeIsReadAndOpenedByOpenSsl) {
  const struct {
    int32_t symmAlg;
    const char* cipher;
    std::size_t keyLen;
  } cases[] = {{5, "AES-128-ECB", 16}, {7, "AES-192-ECB", 24}, {9, "AES-256-ECB", 32}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cipher);
    Bytes key;
    const Bytes msg = Envelope(*rsa_, kRsa, c.symmAlg, c.cipher, c.keyLen, kContent, &key);
    cli_->Write("rsa-envelope.der", msg);
    const std::string printed = cli_->Must({"pkcs7", "-inform", "DER", "-in", "rsa-envelope.der", "-print"});
    EXPECT_NE(printed.find("pkcs7-envelopedData"), std::string::npos) << printed;

    std::string outerType;
    OsslPtr<PKCS7_ENVELOPE> body = OpenSslEnvelopeBody(msg, &outerType);
    ASSERT_TRUE(body);
    const PKCS7_RECIP_INFO* ri = ExpectSingleRecipient(body.get(), rsa_->certDer);
    ASSERT_NE(ri, nullptr);
    EXPECT_EQ(testing::OsslDecrypt(rsa_->key.get(), StringBytes(ri->enc_key)), key);
    EXPECT_EQ(testing::OsslCipher(c.cipher, false, key, {}, StringBytes(body->enc_data->enc_data)), kContent);
  }
}

TEST_F(Pkcs7EnvelopedTest, Sm2EnvelopeCarriesGmIdentifiersAndOpensWithOpenSsl) {
  Bytes large(70000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7);
  for (const Bytes& content : {kContent, large}) {
    SCOPED_TRACE(content.size());
    Bytes key;
    const Bytes msg = Envelope(*sm2_, kSm2, 11, "SM4-ECB", 16, content, &key);
    cli_->Write("sm2-envelope.der", msg);
    const std::vector<std::string> objects = cli_->Asn1Objects("sm2-envelope.der");
    ASSERT_GE(objects.size(), 4u);
    EXPECT_EQ(objects[0], "1.2.156.10197.6.1.4.2.3");                   // outer type
    EXPECT_EQ(objects[objects.size() - 3], "1.2.156.10197.1.301.3");    // keyEncryptionAlgorithm
    EXPECT_EQ(objects[objects.size() - 2], "1.2.156.10197.6.1.4.2.5");  // encrypted content type
    EXPECT_EQ(objects.back(), "sm4-ecb");                               // content encryption

    std::string outerType;
    OsslPtr<PKCS7_ENVELOPE> body = OpenSslEnvelopeBody(msg, &outerType);
    ASSERT_TRUE(body);
    const PKCS7_RECIP_INFO* ri = ExpectSingleRecipient(body.get(), sm2_->certDer);
    ASSERT_NE(ri, nullptr);
    EXPECT_TRUE(HasNullParameter(body->enc_data->algorithm));

    Result<EnvelopeParts> parts = ParseEnvelopedData(msg);
    ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
    EXPECT_EQ(parts->symmAlg, 11);
    EXPECT_EQ(parts->keyAlg, 3);
    EXPECT_EQ(testing::OsslDecrypt(sm2_->key.get(), parts->encryptedKey), key);
    EXPECT_EQ(testing::OsslCipher("SM4-ECB", false, key, {}, parts->encryptedContent), content);
  }
}

TEST_F(Pkcs7EnvelopedTest, NamesEachSymmetricAlgorithmAndReadsItBack) {
  const struct {
    int32_t number;
    const char* oid;
  } cases[] = {
      {1, "1.3.14.3.2.6"},           {2, "1.3.14.3.2.7"},           {4, "1.2.840.113549.3.7"},
      {5, "2.16.840.1.101.3.4.1.1"}, {6, "2.16.840.1.101.3.4.1.2"}, {7, "2.16.840.1.101.3.4.1.21"},
      {8, "2.16.840.1.101.3.4.1.22"}, {9, "2.16.840.1.101.3.4.1.41"}, {10, "2.16.840.1.101.3.4.1.42"},
      {11, "1.2.156.10197.1.104.1"}, {13, "1.2.156.10197.1.102.1"},
  };
  const Bytes encryptedKey(128, 0x11);
  const Bytes encryptedContent(48, 0x22);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    Result<Bytes> msg = BuildEnvelopedData(c.number, kRsa, rsa_->certDer, encryptedKey, encryptedContent);
    ASSERT_TRUE(msg.ok()) << std::hex << msg.status();
    std::string outerType;
    OsslPtr<PKCS7_ENVELOPE> body = OpenSslEnvelopeBody(*msg, &outerType);
    ASSERT_TRUE(body);
    EXPECT_EQ(outerType, "1.2.840.113549.1.7.3");
    EXPECT_EQ(OidText(body->enc_data->content_type), "1.2.840.113549.1.7.6");
    EXPECT_EQ(OidText(body->enc_data->algorithm->algorithm), c.oid);
    EXPECT_TRUE(HasNullParameter(body->enc_data->algorithm));
    const PKCS7_RECIP_INFO* ri = sk_PKCS7_RECIP_INFO_value(body->recipientinfo, 0);
    EXPECT_EQ(OidText(ri->key_enc_algor->algorithm), "1.2.840.113549.1.1.1");

    Result<EnvelopeParts> parts = ParseEnvelopedData(*msg);
    ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
    EXPECT_EQ(parts->symmAlg, c.number);
    EXPECT_EQ(parts->keyAlg, 1);
    EXPECT_EQ(parts->encryptedKey, encryptedKey);
    EXPECT_EQ(parts->encryptedContent, encryptedContent);
  }
}

TEST_F(Pkcs7EnvelopedTest, BuildRefusesAlgorithmsWithoutIdentifierAndBadCertificates) {
  const Bytes blob(32, 0x33);
  for (int32_t keyType : {kRsa, kSm2}) {
    for (int32_t symmAlg : {12, 0, 14, -1}) {
      EXPECT_EQ(BuildEnvelopedData(symmAlg, keyType, rsa_->certDer, blob, blob).status(), err::kUnsupportedAlg)
          << symmAlg;
    }
    EXPECT_EQ(BuildEnvelopedData(3, keyType, rsa_->certDer, blob, blob).status(), err::kP7Sign);
    const Bytes truncated(rsa_->certDer.begin(), rsa_->certDer.begin() + 100);
    for (const Bytes& cert : {Bytes(), ToBytes("no certificate"), truncated}) {
      EXPECT_EQ(BuildEnvelopedData(11, keyType, cert, blob, blob).status(), err::kX509);
    }
  }
}

// --- Parsing envelopes OpenSSL built -----------------------------------------------

// The IV OpenSSL wrote into the content-encryption parameters.
Bytes OpenSslIv(const Bytes& msg) {
  std::string outerType;
  OsslPtr<PKCS7_ENVELOPE> body = OpenSslEnvelopeBody(msg, &outerType);
  const ASN1_TYPE* param = body ? body->enc_data->algorithm->parameter : nullptr;
  if (param == nullptr || param->type != V_ASN1_OCTET_STRING) return {};
  return StringBytes(param->value.octet_string);
}

TEST_F(Pkcs7EnvelopedTest, ParsesEnvelopesMadeByOpenSsl) {
  const struct {
    const char* option;
    const char* cipher;
    int32_t symmAlg;
    std::size_t keyLen;
    bool legacy;
  } cases[] = {
      {"-des", "DES-CBC", 2, 8, true},
      {"-des3", "DES-EDE3-CBC", 4, 24, false},
      {"-aes-128-ecb", "AES-128-ECB", 5, 16, false},
      {"-aes128", "AES-128-CBC", 6, 16, false},
      {"-aes192", "AES-192-CBC", 8, 24, false},
      {"-aes256", "AES-256-CBC", 10, 32, false},
      {"-camellia128", "CAMELLIA-128-CBC", 0, 16, false},  // outside the table
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    std::vector<std::string> args = {"smime", "-encrypt", "-binary", c.option, "-in", "content.bin",
                                      "-outform", "DER", "-out", "openssl-envelope.der"};
    if (c.legacy) args.insert(args.end(), {"-provider", "legacy", "-provider", "default"});
    args.push_back(rsa_->certPem);
    cli_->Must(args);
    const Bytes msg = cli_->Read("openssl-envelope.der");

    Result<EnvelopeParts> parts = ParseEnvelopedData(msg);
    ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
    EXPECT_EQ(parts->symmAlg, c.symmAlg);
    EXPECT_EQ(parts->keyAlg, 1);
    const Bytes key = testing::OsslDecrypt(rsa_->key.get(), parts->encryptedKey);
    ASSERT_EQ(key.size(), c.keyLen);
    EXPECT_EQ(testing::OsslCipher(c.cipher, false, key, OpenSslIv(msg), parts->encryptedContent), kContent);
  }
}

// --- Bad input -------------------------------------------------------------------------

TEST_F(Pkcs7EnvelopedTest, RecipientCountOtherThanOneIsRefused) {
  cli_->Must({"smime", "-encrypt", "-binary", "-aes128", "-in", "content.bin", "-outform", "DER", "-out",
              "two.der", rsa_->certPem, rsa2_->certPem});
  EXPECT_EQ(ParseEnvelopedData(cli_->Read("two.der")).status(), kEnvelopeRecipientCount);

  const Bytes msg = Envelope(*sm2_, kSm2, 11, "SM4-ECB", 16, kContent);
  std::string outerType;
  OsslPtr<PKCS7_ENVELOPE> body = OpenSslEnvelopeBody(msg, &outerType);
  ASSERT_TRUE(body);
  PKCS7_RECIP_INFO_free(sk_PKCS7_RECIP_INFO_pop(body->recipientinfo));
  EXPECT_EQ(ParseEnvelopedData(Rewrap(body.get(), outerType.c_str())).status(), kEnvelopeRecipientCount);
}

TEST_F(Pkcs7EnvelopedTest, RejectsWhatIsNoEnvelope) {
  cli_->Must({"smime", "-sign", "-nodetach", "-binary", "-signer", rsa_->certPem, "-inkey", rsa_->keyPem, "-in",
              "content.bin", "-outform", "DER", "-out", "signed.der"});
  const Bytes msg = Envelope(*rsa_, kRsa, 5, "AES-128-ECB", 16, kContent);
  Bytes wrongTag = msg;
  wrongTag[0] = 0x04;  // OCTET STRING instead of SEQUENCE

  std::string outerType;
  OsslPtr<PKCS7_ENVELOPE> body = OpenSslEnvelopeBody(msg, &outerType);
  ASSERT_TRUE(body);
  ASN1_OCTET_STRING_free(body->enc_data->enc_data);
  body->enc_data->enc_data = nullptr;
  const Bytes withoutContent = Rewrap(body.get(), outerType.c_str());

  // A SignedData body under the SM2 envelope type.
  const Bytes signedData = cli_->Read("signed.der");
  Result<ContentInfo> signedInfo = DecodeContentInfo(signedData);
  ASSERT_TRUE(signedInfo.ok());
  Result<Bytes> sm2WithSignedBody = EncodeContentInfo("1.2.156.10197.6.1.4.2.3", signedInfo->content, err::kP7Sign);
  ASSERT_TRUE(sm2WithSignedBody.ok());

  const struct {
    const char* what;
    Bytes msg;
    Status expected;
  } cases[] = {
      {"empty", {}, err::kParam},
      {"garbage", ToBytes("this is no envelope at all"), err::kDecodeP7},
      {"wrong outer tag", wrongTag, err::kDecodeP7},
      {"no encrypted content", withoutContent, err::kDecodeP7},
      {"signed data body under the SM2 envelope type", *sm2WithSignedBody, err::kDecodeP7},
      {"signed data", signedData, err::kP7Type},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseEnvelopedData(c.msg).status(), c.expected) << c.what;
  }
}

TEST_F(Pkcs7EnvelopedTest, EveryTruncationIsADecodeError) {
  for (const Bytes& msg : {Envelope(*rsa_, kRsa, 6, "AES-128-ECB", 16, kContent),
                           Envelope(*sm2_, kSm2, 11, "SM4-ECB", 16, kContent)}) {
    ASSERT_FALSE(msg.empty());
    for (std::size_t n = 1; n < msg.size(); ++n) {
      const Bytes prefix(msg.begin(), msg.begin() + static_cast<std::ptrdiff_t>(n));
      ASSERT_EQ(ParseEnvelopedData(prefix).status(), err::kDecodeP7) << "length " << n;
    }
  }
}

}  // namespace
}  // namespace orvane
