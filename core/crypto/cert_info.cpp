#include "core/crypto/cert_info.h"

#include <cstdio>
#include <string>

#include <openssl/asn1.h>
#include <openssl/objects.h>

#include "core/crypto/cert_info_ext.h"
#include "core/crypto/cert_info_name.h"
#include "core/crypto/pkcs7_codec.h"
#include "core/crypto/pkcs7_oids.h"
#include "core/util/hex.h"

namespace orvane {
namespace {

constexpr std::size_t kSignatureAlgorithmTextSize = 128;
constexpr std::size_t kMaxPublicKeyBits = 1024;
// The national algorithms' arc. Their names are written as dotted
// identifiers (SM2 with SM3 as 1.2.156.10197.1.501), as pages and stored
// filters have always seen them, even though OpenSSL now knows names for some.
constexpr std::string_view kNationalAlgorithmArc = "1.2.156.10197.";

std::string AlgorithmText(const ASN1_OBJECT* oid) {
  const std::string dotted = OidText(oid);
  if (dotted.starts_with(kNationalAlgorithmArc)) return dotted;
  char name[kSignatureAlgorithmTextSize] = {};
  OBJ_obj2txt(name, sizeof name, oid, 0);
  return name;
}

}  // namespace

CertificateInfo::CertificateInfo(std::span<const uint8_t> der) : cert_(DecodeDer<X509>(der, d2i_X509)) {}

std::string CertificateInfo::GetVersionText() const {
  if (!cert_) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(X509_get_version(cert_.get())));
  return text;
}

std::string CertificateInfo::GetSerialHex() const {
  if (!cert_) return {};
  Result<std::vector<uint8_t>> der = EncodeDer(X509_get0_serialNumber(cert_.get()), i2d_ASN1_INTEGER, err::kX509);
  if (!der.ok()) return {};
  // Skip the tag and the length octets, whatever form the length takes.
  const unsigned char* p = der->data();
  long length = 0;
  int tag = 0;
  int cls = 0;
  if (ASN1_get_object(&p, &length, &tag, &cls, static_cast<long>(der->size())) & 0x80) return {};
  return HexString(std::span<const uint8_t>(p, static_cast<std::size_t>(length)), false);
}

std::string CertificateInfo::GetSignatureAlgorithmText() const {
  if (!cert_) return {};
  const X509_ALGOR* alg = X509_get0_tbs_sigalg(cert_.get());
  const ASN1_OBJECT* oid = nullptr;
  X509_ALGOR_get0(&oid, nullptr, nullptr, alg);
  std::string text = AlgorithmText(oid).substr(0, kSignatureAlgorithmTextSize - 1);
  text.resize(kSignatureAlgorithmTextSize, '\0');
  return text;
}

std::string CertificateInfo::GetIssuerAttribute(int32_t kind) const {
  return cert_ ? NameAttributeText(X509_get_issuer_name(cert_.get()), kind) : std::string();
}

std::string CertificateInfo::GetSubjectAttribute(int32_t kind) const {
  return cert_ ? NameAttributeText(X509_get_subject_name(cert_.get()), kind) : std::string();
}

std::string CertificateInfo::GetNotBefore() const {
  return cert_ ? StringText(X509_get0_notBefore(cert_.get())) : std::string();
}

std::string CertificateInfo::GetNotAfter() const {
  return cert_ ? StringText(X509_get0_notAfter(cert_.get())) : std::string();
}

std::string CertificateInfo::GetIssuerText() const {
  return cert_ ? NameText(X509_get_issuer_name(cert_.get())) : std::string();
}

std::string CertificateInfo::GetSubjectText() const {
  return cert_ ? NameText(X509_get_subject_name(cert_.get())) : std::string();
}

std::string CertificateInfo::GetPublicKeyBits() const {
  if (!cert_) return {};
  const ASN1_BIT_STRING* bits = X509_get0_pubkey_bitstr(cert_.get());
  if (bits == nullptr || static_cast<std::size_t>(ASN1_STRING_length(bits)) >= kMaxPublicKeyBits) return {};
  return StringText(bits);
}

std::string CertificateInfo::GetCrlUrl() const {
  return CrlUrlFromValue(GetExtensionValue("2.5.29.31"));
}

std::string CertificateInfo::GetAuthorityKeyIdHex() const {
  return AuthorityKeyIdHex(GetExtensionValue("2.5.29.35"));
}

std::string CertificateInfo::GetSubjectKeyIdHex() const {
  return SubjectKeyIdHex(GetExtensionValue("2.5.29.14"));
}

std::string CertificateInfo::GetExtensionValue(std::string_view oid) const {
  if (!cert_) return {};
  const std::string text(oid);
  OsslPtr<ASN1_OBJECT> obj(OBJ_txt2obj(text.c_str(), 0));
  return ExtensionValue(cert_.get(), obj.get());
}

std::string CertificateInfo::GetShecaExtensionValue(std::string_view oid) const {
  if (!cert_ || oid.find(kShecaSubExtensionPrefix) == std::string_view::npos) return {};
  OsslPtr<ASN1_OBJECT> sheca = OidObject(kShecaExtensionOid);
  const int index = X509_get_ext_by_OBJ(cert_.get(), sheca.get(), -1);
  if (index < 0) return {};
  const std::string text(oid);
  OsslPtr<ASN1_OBJECT> obj(OBJ_txt2obj(text.c_str(), 0));
  return SubExtensionValue(StringText(X509_EXTENSION_get_data(X509_get_ext(cert_.get(), index))), obj.get());
}

std::vector<uint8_t> CertificateDer(const X509* cert) {
  const int len = i2d_X509(cert, nullptr);
  if (len <= 0) return {};
  std::vector<uint8_t> der(static_cast<std::size_t>(len));
  uint8_t* p = der.data();
  i2d_X509(cert, &p);
  return der;
}

}  // namespace orvane
