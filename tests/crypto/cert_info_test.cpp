#include "core/crypto/cert_info.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include <openssl/asn1.h>

#include "core/crypto/cert_info_ext.h"
#include "core/crypto/cert_info_name.h"
#include "core/util/hex.h"
#include "openssl_cli_fixture.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::OpenSslCli;
using testing::ToBytes;
using testing::ToText;

// The private extension: Extensions 1.2.156.1.8888.1 ("ID-0001"), .3 (the
// DER of UTF8String "abcd", critical) and .3 again ("second").
constexpr const char* kShecaConf = R"(asn1 = SEQUENCE:sheca
[sheca]
e1 = SEQUENCE:sub1
e2 = SEQUENCE:sub2
e3 = SEQUENCE:sub3
[sub1]
id = OID:1.2.156.1.8888.1
value = OCTETSTRING:ID-0001
[sub2]
id = OID:1.2.156.1.8888.3
critical = BOOLEAN:TRUE
value = FORMAT:HEX,OCTETSTRING:0C0461626364
[sub3]
id = OID:1.2.156.1.8888.3
value = OCTETSTRING:second
)";

// The issuer's names are UTF8Strings, the holder's PrintableStrings and (for
// the Chinese common name) a BMPString.
constexpr const char* kCaConf = R"([req]
distinguished_name = dn
string_mask = utf8only
x509_extensions = v3_ca
[dn]
[v3_ca]
basicConstraints = critical,CA:true
subjectKeyIdentifier = hash
)";
constexpr const char* kLeafConf = R"([req]
distinguished_name = dn
string_mask = pkix
[dn]
)";

constexpr const char* kCaSubject =
    "/C=CN/ST=上海/L=Pudong/O=Orvane 测试/OU=CA Unit/CN=Orvane 根 CA/emailAddress=ca@example.com";
constexpr const char* kLeafSubject =
    "/C=CN/ST=Shanghai/O=Org/OU=Unit One/OU=Unit Two/CN=张三/serialNumber=12345/emailAddress=zs@example.com";
constexpr const char* kCrlUrl = "http://crl.example.com/orvane/ca.crl";

class CertificateInfoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cli_ = std::make_unique<OpenSslCli>();
    const OpenSslCli& cli = *cli_;
    cli.WriteText("ca.cnf", kCaConf);
    cli.WriteText("leaf.cnf", kLeafConf);
    cli.WriteText("sheca.cnf", kShecaConf);
    cli.Must({"asn1parse", "-genconf", "sheca.cnf", "-out", "sheca.der", "-noout"});
    shecaDer_ = cli.Read("sheca.der");
    cli.WriteText("leaf.ext", "[ext]\n"
                              "subjectKeyIdentifier = hash\n"
                              "authorityKeyIdentifier = keyid:always,issuer:always\n"
                              "crlDistributionPoints = URI:" + std::string(kCrlUrl) + "\n"
                              "1.2.156.1.8888 = DER:" + HexString(shecaDer_, false) + "\n");

    // A CA valid until after 2049, so that its notAfter is a GeneralizedTime.
    cli.Must({"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", "ca.key"});
    cli.Must({"req", "-x509", "-new", "-key", "ca.key", "-config", "ca.cnf", "-utf8", "-subj", kCaSubject, "-days",
              "36500", "-sha256", "-out", "ca.pem"});
    caDer_ = Der("ca.pem");

    cli.Must({"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", "leaf.key"});
    cli.Must({"req", "-new", "-key", "leaf.key", "-config", "leaf.cnf", "-utf8", "-subj", kLeafSubject, "-out",
              "leaf.csr"});
    leafDer_ = Sign("0x8A01", true, "leaf.pem");

    cli.Must({"genpkey", "-algorithm", "SM2", "-out", "sm2.key"});
    cli.Must({"req", "-x509", "-new", "-key", "sm2.key", "-config", "leaf.cnf", "-subj", "/O=Org/CN=SM2 Holder",
              "-addext", "subjectKeyIdentifier=hash", "-sm3", "-sigopt", "distid:1234567812345678", "-days", "30", "-out", "sm2.pem"});
    sm2Der_ = Der("sm2.pem");
  }
  static void TearDownTestSuite() { cli_.reset(); }

  static Bytes Der(const std::string& pem) {
    cli_->Must({"x509", "-in", pem, "-outform", "DER", "-out", pem + ".der"});
    return cli_->Read(pem + ".der");
  }

  // The holder's request signed by the CA; without extensions the
  // certificate is a version 1 certificate.
  static Bytes Sign(const std::string& serial, bool extensions, const std::string& out) {
    std::vector<std::string> args = {"x509", "-req", "-in", "leaf.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                                     "-set_serial", serial, "-days", "365", "-sha256", "-out", out};
    if (extensions) args.insert(args.end(), {"-extfile", "leaf.ext", "-extensions", "ext"});
    cli_->Must(args);
    return Der(out);
  }

  // The values `openssl asn1parse` shows for primitives of `type`.
  static std::vector<std::string> Asn1Values(const std::string& pem, const std::string& type) {
    std::istringstream lines(cli_->Must({"asn1parse", "-in", pem}));
    std::vector<std::string> values;
    for (std::string line; std::getline(lines, line);) {
      const std::size_t at = line.find("prim: " + type);
      if (at == std::string::npos) continue;
      const std::size_t colon = line.find(':', at + 5);
      values.push_back(colon == std::string::npos ? "" : line.substr(colon + 1));
    }
    return values;
  }

  static inline std::unique_ptr<OpenSslCli> cli_;
  static inline Bytes shecaDer_, caDer_, leafDer_, sm2Der_;
};

std::string Padded128(std::string text) {
  text.resize(128, '\0');
  return text;
}

// "AB:CD:.." as OpenSSL prints key identifiers, to our lower-case form.
std::string FromColonHex(std::string text) {
  std::string hex;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) hex += static_cast<char>(std::tolower(c));
  }
  return hex;
}

// The hex digits after `label` in `text`, up to the end of its line.
std::string HexAfter(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return {};
  const std::size_t end = text.find('\n', at + label.size());
  return FromColonHex(text.substr(at + label.size(), end - at - label.size()));
}

// --- Names -------------------------------------------------------------------------------

TEST_F(CertificateInfoTest, SubjectAttributesFromPrintableAndBmpStrings) {
  ASSERT_EQ(Asn1Values("leaf.pem", "BMPSTRING").size(), 1u);  // the holder's common name
  const CertificateInfo info(leafDer_);
  ASSERT_TRUE(info.decoded());
  const struct {
    int32_t kind;
    std::string expected;
  } cases[] = {{kAttrCountry, "CN"},
               {kAttrOrganization, "Org"},
               {kAttrOrganizationalUnit, "Unit One"},  // the first of two
               {kAttrStateOrProvince, "Shanghai"},
               {kAttrCommonName, "张三"},
               {kAttrLocality, ""},  // none in the name
               {kAttrEmail, "zs@example.com"},
               {0, ""},
               {8, ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(info.GetSubjectAttribute(c.kind), c.expected) << "kind " << c.kind;
  }
  // serialNumber is no DN-text attribute; ST is written S=.
  EXPECT_EQ(info.GetSubjectText(), "C=CN,S=Shanghai,O=Org,OU=Unit One,OU=Unit Two,CN=张三,E=zs@example.com");
}

TEST_F(CertificateInfoTest, IssuerAttributesFromUtf8Strings) {
  ASSERT_FALSE(Asn1Values("leaf.pem", "UTF8STRING").empty());
  const CertificateInfo info(leafDer_);
  EXPECT_EQ(info.GetIssuerAttribute(kAttrStateOrProvince), "上海");
  EXPECT_EQ(info.GetIssuerAttribute(kAttrCommonName), "Orvane 根 CA");
  EXPECT_EQ(info.GetIssuerAttribute(kAttrLocality), "Pudong");
  EXPECT_EQ(info.GetIssuerText(), "C=CN,S=上海,L=Pudong,O=Orvane 测试,OU=CA Unit,CN=Orvane 根 CA,E=ca@example.com");
  EXPECT_EQ(CertificateInfo(caDer_).GetSubjectText(), info.GetIssuerText());
}

TEST(CertificateInfoNames, AttributeValuesByStringType) {
  const struct {
    int type;
    std::string bytes;
    std::string expected;
  } cases[] = {
      {V_ASN1_UTF8STRING, "Zhang San", "Zhang San"},
      {V_ASN1_UTF8STRING, "\xe5\xbc\xa0", "\xe5\xbc\xa0"},
      {V_ASN1_UTF8STRING, std::string(300, 'u'), std::string(300, 'u')},  // no 255-byte cut
      {V_ASN1_BMPSTRING, std::string("\x5f\x20\x00\x41", 4), "\xe5\xbc\xa0" "A"},
      {V_ASN1_BMPSTRING, std::string("\x00\x41\x00", 3), "A"},  // a trailing odd byte is no character
      {V_ASN1_BMPSTRING, std::string("\x00", 1), ""},
      {V_ASN1_BMPSTRING, "", ""},
      {V_ASN1_PRINTABLESTRING, std::string("AB\0CD", 5), "AB"},
      {V_ASN1_INTEGER, std::string("12\0", 3), "12"},
      {V_ASN1_OCTET_STRING, "hidden", ""},
      {V_ASN1_IA5STRING, std::string("a\0b", 3), std::string("a\0b", 3)},
      {V_ASN1_T61STRING, "\xe9t\xe9", "\xe9t\xe9"},
  };
  for (const auto& c : cases) {
    OsslPtr<ASN1_STRING> value(ASN1_STRING_type_new(c.type));
    ASSERT_TRUE(ASN1_STRING_set(value.get(), c.bytes.data(), static_cast<int>(c.bytes.size())));
    EXPECT_EQ(AsnStringToText(value.get()), c.expected) << "type " << c.type << " " << c.bytes.size();
  }
}

// --- Fields ------------------------------------------------------------------------------

TEST_F(CertificateInfoTest, SerialNumberIsTheDerContentInLowerCaseHex) {
  const struct {
    const char* serial;
    const char* expected;
  } cases[] = {{"0x8A01", "008a01"},
               {"0x0101", "0101"},
               {"1", "01"},
               {"0x7F", "7f"},
               {"0x80", "0080"},
               {"0x7F112233445566778899AABBCCDDEEFF00112233", "7f112233445566778899aabbccddeeff00112233"}};
  for (const auto& c : cases) {
    EXPECT_EQ(CertificateInfo(Sign(c.serial, false, "serial.pem")).GetSerialHex(), c.expected) << c.serial;
  }
  EXPECT_EQ(CertificateInfo(leafDer_).GetSerialHex(), "008a01");
}

TEST_F(CertificateInfoTest, VersionAndSignatureAlgorithm) {
  const CertificateInfo v3(leafDer_);
  const CertificateInfo v1(Sign("5", false, "v1.pem"));
  const CertificateInfo sm2(sm2Der_);
  EXPECT_EQ(v3.GetVersionText(), "2");
  EXPECT_EQ(v1.GetVersionText(), "0");
  EXPECT_EQ(sm2.GetVersionText(), "2");
  EXPECT_EQ(v3.GetSignatureAlgorithmText(), Padded128("sha256WithRSAEncryption"));
  // The national algorithms are written as dotted identifiers.
  EXPECT_EQ(sm2.GetSignatureAlgorithmText(), Padded128("1.2.156.10197.1.501"));
}

TEST_F(CertificateInfoTest, ValidityDatesExactlyAsStored) {
  const std::vector<std::string> leafTimes = Asn1Values("leaf.pem", "UTCTIME");
  ASSERT_EQ(leafTimes.size(), 2u);
  const CertificateInfo leaf(leafDer_);
  EXPECT_EQ(leaf.GetNotBefore(), leafTimes[0]);
  EXPECT_EQ(leaf.GetNotAfter(), leafTimes[1]);
  EXPECT_EQ(leaf.GetNotBefore().size(), 13u);

  const std::vector<std::string> caEnd = Asn1Values("ca.pem", "GENERALIZEDTIME");
  ASSERT_EQ(caEnd.size(), 1u);
  EXPECT_EQ(CertificateInfo(caDer_).GetNotAfter(), caEnd[0]);
}

TEST_F(CertificateInfoTest, PublicKeyBits) {
  cli_->Must({"x509", "-in", "leaf.pem", "-noout", "-pubkey", "-out", "leaf.pub"});
  cli_->Must({"rsa", "-pubin", "-in", "leaf.pub", "-RSAPublicKey_out", "-outform", "DER", "-out", "leaf.rsapub"});
  EXPECT_EQ(CertificateInfo(leafDer_).GetPublicKeyBits(), ToText(cli_->Read("leaf.rsapub")));

  cli_->Must({"x509", "-in", "sm2.pem", "-noout", "-pubkey", "-out", "sm2.pub"});
  cli_->Must({"pkey", "-pubin", "-in", "sm2.pub", "-outform", "DER", "-out", "sm2.spki"});
  const Bytes spki = cli_->Read("sm2.spki");
  ASSERT_GT(spki.size(), 65u);
  const std::string bits = CertificateInfo(sm2Der_).GetPublicKeyBits();
  ASSERT_EQ(bits.size(), 65u);
  EXPECT_EQ(bits[0], '\x04');
  EXPECT_EQ(bits, ToText(std::span(spki).last(65)));
}

// --- Extensions ---------------------------------------------------------------------------

TEST_F(CertificateInfoTest, KeyIdentifiersAsOpenSslReadsThem) {
  const std::string leafExt =
      cli_->Must({"x509", "-in", "leaf.pem", "-noout", "-ext", "subjectKeyIdentifier,authorityKeyIdentifier"});
  const std::string caExt = cli_->Must({"x509", "-in", "ca.pem", "-noout", "-ext", "subjectKeyIdentifier"});
  const std::string caSki = HexAfter(caExt, "Identifier: \n");
  ASSERT_EQ(caSki.size(), 40u) << caExt;

  const CertificateInfo leaf(leafDer_);
  EXPECT_EQ(leaf.GetSubjectKeyIdHex(), HexAfter(leafExt, "Subject Key Identifier: \n"));
  // The identifier alone, though this extension also names the issuer and
  // serial number of the CA.
  EXPECT_EQ(leaf.GetAuthorityKeyIdHex(), caSki);
  EXPECT_EQ(leaf.GetAuthorityKeyIdHex(), HexAfter(leafExt, "keyid:"));
  EXPECT_EQ(CertificateInfo(caDer_).GetSubjectKeyIdHex(), caSki);
  EXPECT_EQ(CertificateInfo(caDer_).GetAuthorityKeyIdHex(), "");
}

TEST(CertificateInfoExtensions, KeyIdentifierValues) {
  EXPECT_EQ(SubjectKeyIdHex(std::string("\x04\x03\x0a\xbc\xff", 5)), "0abcff");
  EXPECT_EQ(SubjectKeyIdHex(std::string("\x04\x00", 2)), "");
  EXPECT_EQ(SubjectKeyIdHex(std::string("\x04", 1)), "");
  EXPECT_EQ(AuthorityKeyIdHex(std::string("\x30\x05\x80\x03\x01\x02\x03", 7)), "010203");
  EXPECT_EQ(AuthorityKeyIdHex(std::string("\x30\x00", 2)), "");  // no keyIdentifier
  EXPECT_EQ(AuthorityKeyIdHex("garbage"), "");
}

TEST_F(CertificateInfoTest, CrlUrl) {
  EXPECT_EQ(CertificateInfo(leafDer_).GetCrlUrl(), kCrlUrl);
  EXPECT_EQ(CertificateInfo(caDer_).GetCrlUrl(), "");  // no distribution point
}

TEST(CertificateInfoExtensions, CrlUrlFromRawValue) {
  const struct {
    std::string value;
    std::string expected;
  } cases[] = {
      {"\x30\x2a\x86\x22http://crl.example.com/a.crl", "http://crl.example.com/a.crl"},
      {"http://crl.example.com/a.crl?x=1", "http://crl.example.com/a.crl"},
      {"http://crl.example.com/A.CRL", ""},  // case-sensitive
      {"ldap://dir/a.crl http://crl.example.com/b.crl", ""},  // the first .crl comes before http://
      {"https://crl.example.com/a.crl", ""},
      {"http://crl.example.com/a", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CrlUrlFromValue(c.value), c.expected) << c.value;
}

TEST_F(CertificateInfoTest, ExtensionValuesByIdentifier) {
  const CertificateInfo leaf(leafDer_);
  EXPECT_EQ(leaf.GetExtensionValue("1.2.156.1.8888"), ToText(shecaDer_));
  EXPECT_EQ(leaf.GetExtensionValue("2.5.29.14").substr(0, 2), std::string("\x04\x14", 2));
  EXPECT_EQ(leaf.GetExtensionValue("1.2.3.4"), "");
  EXPECT_EQ(leaf.GetExtensionValue("no identifier"), "");
  EXPECT_EQ(leaf.GetExtensionValue(""), "");
}

TEST_F(CertificateInfoTest, ShecaSubExtensions) {
  const CertificateInfo leaf(leafDer_);
  EXPECT_EQ(leaf.GetShecaExtensionValue("1.2.156.1.8888.1"), "ID-0001");
  EXPECT_EQ(leaf.GetShecaExtensionValue("1.2.156.1.8888.3"), "\x0c\x04" "abcd");  // the first of two
  EXPECT_EQ(leaf.GetShecaExtensionValue("1.2.156.1.8888.9"), "");
  // Without a further arc the identifier is no sub-extension.
  EXPECT_EQ(leaf.GetShecaExtensionValue("1.2.156.1.8888"), "");
  EXPECT_EQ(leaf.GetShecaExtensionValue("2.5.29.14"), "");
  EXPECT_EQ(CertificateInfo(caDer_).GetShecaExtensionValue("1.2.156.1.8888.1"), "");
}

TEST(CertificateInfoExtensions, ShecaValueMustBeASequenceOfAtMostEightExtensions) {
  OsslPtr<ASN1_OBJECT> oid(OBJ_txt2obj("1.2.156.1.8888.1", 1));
  OpenSslCli cli;
  std::string conf = "asn1 = SEQUENCE:sheca\n[sheca]\n";
  for (int i = 1; i <= 9; ++i) conf += "e" + std::to_string(i) + " = SEQUENCE:sub\n";
  conf += "[sub]\nid = OID:1.2.156.1.8888.1\nvalue = OCTETSTRING:v\n";
  cli.WriteText("nine.cnf", conf);
  cli.Must({"asn1parse", "-genconf", "nine.cnf", "-out", "nine.der", "-noout"});
  const std::string nine = ToText(cli.Read("nine.der"));
  EXPECT_EQ(SubExtensionValue(nine, oid.get()), "");

  // The same with eight entries is read.
  const unsigned char* p = reinterpret_cast<const unsigned char*>(nine.data());
  OsslPtr<X509_EXTENSIONS> exts(d2i_X509_EXTENSIONS(nullptr, &p, static_cast<long>(nine.size())));
  ASSERT_TRUE(exts);
  X509_EXTENSION_free(sk_X509_EXTENSION_pop(exts.get()));
  unsigned char* der = nullptr;
  const int len = i2d_X509_EXTENSIONS(exts.get(), &der);
  ASSERT_GT(len, 0);
  const std::string eight(reinterpret_cast<char*>(der), static_cast<std::size_t>(len));
  OPENSSL_free(der);
  EXPECT_EQ(SubExtensionValue(eight, oid.get()), "v");

  EXPECT_EQ(SubExtensionValue("garbage", oid.get()), "");
  EXPECT_EQ(SubExtensionValue(eight.substr(0, eight.size() - 1), oid.get()), "");
}

// --- Bad input --------------------------------------------------------------------------------

TEST_F(CertificateInfoTest, UndecodableCertificateGivesEmptyTexts) {
  Bytes wrongTag = leafDer_;
  wrongTag[0] = 0x31;
  const Bytes truncated(leafDer_.begin(), leafDer_.begin() + static_cast<std::ptrdiff_t>(leafDer_.size() / 2));
  const std::vector<std::function<std::string(const CertificateInfo&)>> accessors = {
      &CertificateInfo::GetVersionText,     &CertificateInfo::GetSerialHex,
      &CertificateInfo::GetSignatureAlgorithmText, &CertificateInfo::GetNotBefore,
      &CertificateInfo::GetNotAfter,        &CertificateInfo::GetIssuerText,
      &CertificateInfo::GetSubjectText,     &CertificateInfo::GetPublicKeyBits,
      &CertificateInfo::GetCrlUrl,          &CertificateInfo::GetAuthorityKeyIdHex,
      &CertificateInfo::GetSubjectKeyIdHex,
      [](const CertificateInfo& i) { return i.GetIssuerAttribute(kAttrCommonName); },
      [](const CertificateInfo& i) { return i.GetSubjectAttribute(kAttrCountry); },
      [](const CertificateInfo& i) { return i.GetExtensionValue("2.5.29.14"); },
      [](const CertificateInfo& i) { return i.GetShecaExtensionValue("1.2.156.1.8888.1"); },
  };
  for (const Bytes& der : {Bytes(), ToBytes("not a certificate"), wrongTag, truncated}) {
    const CertificateInfo info(der);
    EXPECT_FALSE(info.decoded());
    for (std::size_t i = 0; i < accessors.size(); ++i) {
      EXPECT_EQ(accessors[i](info), "") << "accessor " << i << ", input of " << der.size() << " bytes";
    }
  }
}

}  // namespace
}  // namespace orvane
