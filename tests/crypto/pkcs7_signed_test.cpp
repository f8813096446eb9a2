#include "core/crypto/pkcs7_signed.h"

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

class Pkcs7SignedTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(LoadOpenSslProviders());
    cli_ = std::make_unique<OpenSslCli>();
    rsa_ = std::make_unique<TestIdentity>(testing::MakeRsaIdentity(*cli_, "rsa", "/C=CN/O=Orvane/CN=RSA Signer"));
    sm2_ = std::make_unique<TestIdentity>(testing::MakeSm2Identity(*cli_, "sm2", "/C=CN/O=Orvane/CN=SM2 Signer"));
    cli_->Write("content.bin", kContent);
  }
  static void TearDownTestSuite() {
    rsa_.reset();
    sm2_.reset();
    cli_.reset();
  }

  // Signed data built from an OpenSSL signature over kContent.
  static Bytes BuildFromOpenSsl(const TestIdentity& id, int32_t keyType, int32_t hashAlg, const char* md) {
    const Bytes sig = testing::OsslSign(id.key.get(), md, kContent);
    Result<Bytes> msg = BuildSignedData(keyType, hashAlg, kContent, sig, id.certDer);
    EXPECT_TRUE(msg.ok()) << std::hex << msg.status();
    return msg.ok() ? *msg : Bytes();
  }

  static inline const Bytes kContent = ToBytes("Orvane signs this content.\n\x00\x01\xff");
  static inline std::unique_ptr<OpenSslCli> cli_;
  static inline std::unique_ptr<TestIdentity> rsa_;
  static inline std::unique_ptr<TestIdentity> sm2_;
};

// The SignedData body of a message as OpenSSL's own decoder sees it.
OsslPtr<PKCS7_SIGNED> OpenSslSignedBody(const Bytes& msg, std::string* outerType) {
  OsslPtr<PKCS7> p7 = DecodeDer<PKCS7>(msg, d2i_PKCS7);
  if (!p7) return nullptr;
  *outerType = OidText(p7->type);
  if (OBJ_obj2nid(p7->type) == NID_pkcs7_signed) {
    OsslPtr<PKCS7_SIGNED> body(p7->d.sign);
    p7->d.sign = nullptr;
    return body;
  }
  if (p7->d.other == nullptr || p7->d.other->type != V_ASN1_SEQUENCE) return nullptr;
  return DecodeDer<PKCS7_SIGNED>(StringBytes(p7->d.other->value.sequence), d2i_PKCS7_SIGNED);
}

std::string AlgorithmParameterType(const X509_ALGOR* alg) {
  int type = V_ASN1_UNDEF;
  X509_ALGOR_get0(nullptr, &type, nullptr, alg);
  return type == V_ASN1_NULL ? "NULL" : std::to_string(type);
}

// --- Building ---------------------------------------------------------------------

struct HashCase {
  int32_t number;
  const char* md;   // OpenSSL digest name
  const char* oid;  // identifier written
  bool legacy;      // the digest lives in OpenSSL's legacy provider
  bool rsa;         // OpenSSL signs and verifies RSA with it (it refuses RSA with SM3)
};

const HashCase kHashes[] = {
    {1, "SHA1", "1.3.14.3.2.26", false, true},
    {2, "SHA256", "2.16.840.1.101.3.4.2.1", false, true},
    {3, "SHA512", "2.16.840.1.101.3.4.2.3", false, true},
    {4, "MD5", "1.2.840.113549.2.5", false, true},
    {5, "MD4", "1.2.840.113549.2.4", true, true},
    {6, "SM3", "1.2.156.10197.1.401", false, false},
};

TEST_F(Pkcs7SignedTest, RsaSignedDataIsVerifiedByOpenSsl) {
  for (const HashCase& h : kHashes) {
    SCOPED_TRACE(h.md);
    // Where OpenSSL cannot make the RSA signature, any bytes show the layout.
    const Bytes msg = BuildFromOpenSsl(*rsa_, kRsa, h.number, h.rsa ? h.md : "SHA256");
    cli_->Write("rsa-signed.der", msg);
    if (h.rsa) {
      std::vector<std::string> verify = {"smime", "-verify", "-inform", "DER", "-in", "rsa-signed.der",
                                         "-noverify", "-binary", "-out", "verified.bin"};
      if (h.legacy) verify.insert(verify.end(), {"-provider", "legacy", "-provider", "default"});
      cli_->Must(verify);
      EXPECT_EQ(cli_->Read("verified.bin"), kContent);
    }

    std::string outerType;
    OsslPtr<PKCS7_SIGNED> body = OpenSslSignedBody(msg, &outerType);
    ASSERT_TRUE(body);
    EXPECT_EQ(outerType, "1.2.840.113549.1.7.2");
    EXPECT_EQ(ASN1_INTEGER_get(body->version), 1);
    ASSERT_EQ(sk_X509_ALGOR_num(body->md_algs), 1);
    EXPECT_EQ(OidText(sk_X509_ALGOR_value(body->md_algs, 0)->algorithm), h.oid);
    EXPECT_EQ(OidText(body->contents->type), "1.2.840.113549.1.7.1");
    ASSERT_EQ(sk_PKCS7_SIGNER_INFO_num(body->signer_info), 1);
    const PKCS7_SIGNER_INFO* si = sk_PKCS7_SIGNER_INFO_value(body->signer_info, 0);
    EXPECT_EQ(ASN1_INTEGER_get(si->version), 1);
    EXPECT_EQ(OidText(si->digest_alg->algorithm), h.oid);
    EXPECT_EQ(OidText(si->digest_enc_alg->algorithm), "2.5.8.1.1");
    EXPECT_EQ(AlgorithmParameterType(si->digest_alg), "NULL");
    EXPECT_EQ(AlgorithmParameterType(si->digest_enc_alg), "NULL");
    EXPECT_EQ(si->auth_attr, nullptr);
    EXPECT_EQ(si->unauth_attr, nullptr);
    EXPECT_EQ(body->crl, nullptr);
  }
}

TEST_F(Pkcs7SignedTest, Sm2SignedDataCarriesGmIdentifiersAndAVerifiableSignature) {
  const Bytes msg = BuildFromOpenSsl(*sm2_, kSm2, 6, "SM3");
  cli_->Write("sm2-signed.der", msg);
  const std::vector<std::string> objects = cli_->Asn1Objects("sm2-signed.der");
  ASSERT_GE(objects.size(), 5u);
  EXPECT_EQ(objects[0], "1.2.156.10197.6.1.4.2.2");  // outer type
  EXPECT_EQ(objects[1], "sm3");                      // digestAlgorithms
  EXPECT_EQ(objects[2], "1.2.156.10197.6.1.4.2.1");  // encapsulated content type
  EXPECT_EQ(objects[objects.size() - 2], "sm3");     // signer's digestAlgorithm
  EXPECT_EQ(objects.back(), "SM2-with-SM3");         // signer's digestEncryptionAlgorithm

  std::string outerType;
  OsslPtr<PKCS7_SIGNED> body = OpenSslSignedBody(msg, &outerType);
  ASSERT_TRUE(body);
  ASSERT_EQ(sk_PKCS7_SIGNER_INFO_num(body->signer_info), 1);
  const PKCS7_SIGNER_INFO* si = sk_PKCS7_SIGNER_INFO_value(body->signer_info, 0);
  EXPECT_EQ(si->auth_attr, nullptr);
  ASSERT_NE(body->contents->d.other, nullptr);
  ASSERT_EQ(body->contents->d.other->type, V_ASN1_OCTET_STRING);
  EXPECT_EQ(StringBytes(body->contents->d.other->value.octet_string), kContent);

  Result<SignedDataParts> parts = ParseSignedData(msg);
  ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
  EXPECT_EQ(parts->content, kContent);
  EXPECT_EQ(parts->certificate, sm2_->certDer);
  EXPECT_EQ(parts->hashAlg, 6);
  EXPECT_TRUE(testing::OsslVerify(sm2_->key.get(), "SM3", parts->content, parts->signature));
}

TEST_F(Pkcs7SignedTest, OwnRsaMessagesParseBackToTheirParts) {
  for (const HashCase& h : kHashes) {
    SCOPED_TRACE(h.md);
    const char* md = h.rsa ? h.md : "SHA256";
    const Bytes msg = BuildFromOpenSsl(*rsa_, kRsa, h.number, md);
    Result<SignedDataParts> parts = ParseSignedData(msg);
    ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
    EXPECT_EQ(parts->content, kContent);
    EXPECT_EQ(parts->certificate, rsa_->certDer);
    EXPECT_EQ(parts->hashAlg, h.number);
    EXPECT_TRUE(testing::OsslVerify(rsa_->key.get(), md, parts->content, parts->signature));
  }
}

TEST_F(Pkcs7SignedTest, EmptyContentIsCarried) {
  const Bytes sig = testing::OsslSign(sm2_->key.get(), "SM3", {});
  Result<Bytes> msg = BuildSignedData(kSm2, 6, {}, sig, sm2_->certDer);
  ASSERT_TRUE(msg.ok());
  Result<SignedDataParts> parts = ParseSignedData(*msg);
  ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
  EXPECT_TRUE(parts->content.empty());
  EXPECT_TRUE(testing::OsslVerify(sm2_->key.get(), "SM3", {}, parts->signature));
}

TEST_F(Pkcs7SignedTest, BuildRefusesUnknownHashesAndBadCertificates) {
  const Bytes sig(64, 0x5a);
  for (int32_t keyType : {kRsa, kSm2}) {
    for (int32_t hashAlg : {0, 7, -1, 13}) {
      EXPECT_EQ(BuildSignedData(keyType, hashAlg, kContent, sig, rsa_->certDer).status(), err::kUnsupportedAlg)
          << keyType << "/" << hashAlg;
    }
    const Bytes truncated(rsa_->certDer.begin(), rsa_->certDer.end() - 10);
    for (const Bytes& cert : {Bytes(), ToBytes("not a certificate"), truncated}) {
      EXPECT_EQ(BuildSignedData(keyType, 2, kContent, sig, cert).status(), err::kX509);
    }
  }
}

// --- Parsing messages OpenSSL built ----------------------------------------------

struct OpenSslSignCase {
  std::vector<std::string> args;  // after "-signer rsa.pem -inkey rsa.key"
  int32_t hashAlg;
  const char* md;
  bool attached;
  bool signsContent;  // no signed attributes: the signature covers the content itself
};

TEST_F(Pkcs7SignedTest, ParsesSignedDataMadeByOpenSsl) {
  const OpenSslSignCase cases[] = {
      {{"smime", "-sign", "-nodetach", "-noattr", "-md", "sha1"}, 1, "SHA1", true, true},
      {{"smime", "-sign", "-nodetach", "-noattr", "-md", "sha256"}, 2, "SHA256", true, true},
      {{"smime", "-sign", "-nodetach", "-noattr", "-md", "sha512"}, 3, "SHA512", true, true},
      {{"smime", "-sign", "-nodetach", "-noattr", "-md", "md5"}, 4, "MD5", true, true},
      {{"smime", "-sign", "-nodetach", "-md", "sha256"}, 2, "SHA256", true, false},
      {{"smime", "-sign", "-noattr", "-md", "sha256"}, 2, "SHA256", false, true},
      {{"cms", "-sign", "-nodetach", "-noattr", "-md", "sha512"}, 3, "SHA512", true, true},
      {{"smime", "-sign", "-nodetach", "-noattr", "-md", "sha384"}, 0, "SHA384", true, true},
  };
  for (const OpenSslSignCase& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-binary", "-signer", rsa_->certPem, "-inkey", rsa_->keyPem, "-in", "content.bin",
                             "-outform", "DER", "-out", "openssl-signed.der"});
    std::string command;
    for (const auto& a : args) command += a + " ";
    SCOPED_TRACE(command);
    cli_->Must(args);

    Result<SignedDataParts> parts = ParseSignedData(cli_->Read("openssl-signed.der"));
    ASSERT_TRUE(parts.ok()) << std::hex << parts.status();
    EXPECT_EQ(parts->content, c.attached ? kContent : Bytes());
    EXPECT_EQ(parts->certificate, rsa_->certDer);
    EXPECT_EQ(parts->hashAlg, c.hashAlg);
    if (c.signsContent) {
      EXPECT_TRUE(testing::OsslVerify(rsa_->key.get(), c.md, kContent, parts->signature));
    }
  }
}

// --- Bad input ------------------------------------------------------------------------

// `msg` with the encapsulated content removed, re-encoded by OpenSSL.
Bytes WithoutContent(const Bytes& msg, const char* outerOid) {
  std::string outerType;
  OsslPtr<PKCS7_SIGNED> body = OpenSslSignedBody(msg, &outerType);
  if (!body) return {};
  ASN1_TYPE_free(body->contents->d.other);
  body->contents->d.other = nullptr;
  Result<Bytes> der = EncodeDer(body.get(), i2d_PKCS7_SIGNED, err::kP7Sign);
  if (!der.ok()) return {};
  Result<Bytes> wrapped = EncodeContentInfo(outerOid, *der, err::kP7Sign);
  return wrapped.ok() ? *wrapped : Bytes();
}

TEST_F(Pkcs7SignedTest, RejectsWhatIsNoSignedData) {
  cli_->Must({"crl2pkcs7", "-nocrl", "-certfile", rsa_->certPem, "-outform", "DER", "-out", "certs-only.der"});
  cli_->Must({"smime", "-encrypt", "-binary", "-aes128", "-in", "content.bin", "-outform", "DER", "-out",
              "enveloped.der", rsa_->certPem});
  const Bytes sm2Msg = BuildFromOpenSsl(*sm2_, kSm2, 6, "SM3");
  Bytes wrongTag = sm2Msg;
  wrongTag[0] = 0x31;  // SET instead of SEQUENCE

  // An SM2 message whose encapsulated content is of the PKCS#7 data type.
  std::string outerType;
  OsslPtr<PKCS7_SIGNED> body = OpenSslSignedBody(sm2Msg, &outerType);
  ASSERT_TRUE(body);
  OsslPtr<PKCS7> dataContent(PKCS7_new());
  ASSERT_TRUE(PKCS7_set_type(dataContent.get(), NID_pkcs7_data));
  ASSERT_TRUE(ASN1_STRING_set(dataContent->d.data, kContent.data(), static_cast<int>(kContent.size())));
  PKCS7_free(body->contents);
  body->contents = dataContent.release();
  Result<Bytes> foreignInner = EncodeDer(body.get(), i2d_PKCS7_SIGNED, err::kP7Sign);
  ASSERT_TRUE(foreignInner.ok());
  Result<Bytes> sm2WithDataType = EncodeContentInfo("1.2.156.10197.6.1.4.2.2", *foreignInner, err::kP7Sign);
  ASSERT_TRUE(sm2WithDataType.ok());

  const struct {
    const char* what;
    Bytes msg;
    Status expected;
  } cases[] = {
      {"empty", {}, err::kDecodeP7},
      {"garbage", ToBytes("garbage that is no DER"), err::kDecodeP7},
      {"wrong outer tag", wrongTag, err::kDecodeP7},
      {"no signer", cli_->Read("certs-only.der"), err::kDecodeP7},
      {"SM2 without content", WithoutContent(sm2Msg, "1.2.156.10197.6.1.4.2.2"), err::kDecodeP7},
      {"SM2 with PKCS#7 data content", *sm2WithDataType, err::kDecodeP7},
      {"enveloped data", cli_->Read("enveloped.der"), err::kP7Type},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseSignedData(c.msg).status(), c.expected) << c.what;
  }
}

TEST_F(Pkcs7SignedTest, EveryTruncationIsADecodeError) {
  for (const Bytes& msg : {BuildFromOpenSsl(*rsa_, kRsa, 2, "SHA256"), BuildFromOpenSsl(*sm2_, kSm2, 6, "SM3")}) {
    ASSERT_FALSE(msg.empty());
    for (std::size_t n = 0; n < msg.size(); ++n) {
      const Bytes prefix(msg.begin(), msg.begin() + static_cast<std::ptrdiff_t>(n));
      ASSERT_EQ(ParseSignedData(prefix).status(), err::kDecodeP7) << "length " << n;
    }
  }
}

}  // namespace
}  // namespace orvane
