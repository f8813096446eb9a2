// CertificateInfo: the texts that the library reports and compares for a
// DER X.509 certificate.
//
// Every accessor returns a byte string (which may hold zero bytes, and is
// binary for GetPublicKeyBits and the extension values); all of them return
// an empty string when the certificate did not decode. Name values are
// converted to the narrow character set of the user's locale.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/x509.h>

#include "core/util/ossl_ptr.h"

namespace orvane {

// Attribute kinds of GetIssuerAttribute / GetSubjectAttribute.
enum NameAttributeKind : int32_t {
  kAttrCountry = 1,             // C, 2.5.4.6
  kAttrOrganization = 2,        // O, 2.5.4.10
  kAttrOrganizationalUnit = 3,  // OU, 2.5.4.11
  kAttrStateOrProvince = 4,     // ST, 2.5.4.8
  kAttrCommonName = 5,          // CN, 2.5.4.3
  kAttrLocality = 6,            // L, 2.5.4.7
  kAttrEmail = 7,               // E, 1.2.840.113549.1.9.1
};

// The private extension of the SHECA certificate authority, a SEQUENCE of up
// to eight Extensions, and the prefix of the identifiers looked up inside it.
inline constexpr const char* kShecaExtensionOid = "1.2.156.1.8888";
inline constexpr std::string_view kShecaSubExtensionPrefix = "1.2.156.1.8888.";

// DER of a certificate; empty when it cannot be encoded.
std::vector<uint8_t> CertificateDer(const X509* cert);

class CertificateInfo {
 public:
  explicit CertificateInfo(std::span<const uint8_t> der);

  bool decoded() const { return cert_ != nullptr; }

  // The version field in hexadecimal digits: "0" for v1, "2" for v3.
  std::string GetVersionText() const;
  // Lower-case hexadecimal of the serial number's DER content octets, so a
  // serial whose first octet has the high bit set begins with "00".
  std::string GetSerialHex() const;
  // Signature algorithm of the certificate body, its long name or dotted
  // identifier, zero-padded to exactly 128 bytes.
  std::string GetSignatureAlgorithmText() const;
  // Value of the first entry of that kind (1-7); empty for other kinds.
  std::string GetIssuerAttribute(int32_t kind) const;
  std::string GetSubjectAttribute(int32_t kind) const;
  // The validity dates exactly as stored (UTCTime YYMMDDhhmmssZ or
  // GeneralizedTime).
  std::string GetNotBefore() const;
  std::string GetNotAfter() const;
  // Names as "C=CN,O=Org,OU=Unit,CN=Name": C, ST (written "S="), L, O, OU,
  // CN and E entries in certificate order, values unescaped, other
  // attribute types skipped.
  std::string GetIssuerText() const;
  std::string GetSubjectText() const;
  // subjectPublicKey without the unused-bits octet (SM2: 04 || x || y; RSA:
  // the RSAPublicKey DER); empty when 1024 bytes or longer.
  std::string GetPublicKeyBits() const;
  // From the first "http://" to the end of the first ".crl" in the CRL
  // distribution points (case-sensitive); empty unless "http://" comes first.
  std::string GetCrlUrl() const;
  // Key identifiers in lower-case hexadecimal.
  std::string GetAuthorityKeyIdHex() const;
  std::string GetSubjectKeyIdHex() const;
  // Raw extnValue (the DER inside the OCTET STRING) of the last extension
  // with that identifier; empty for a text that is no identifier.
  std::string GetExtensionValue(std::string_view oid) const;
  // Raw extnValue of the first Extension with that identifier inside the
  // SHECA private extension; empty unless `oid` contains that extension's
  // arc followed by a dot ("1.2.156.1.8888.").
  std::string GetShecaExtensionValue(std::string_view oid) const;

  // Lends the decoded certificate (null when it did not decode).
  const X509* get0() const { return cert_.get(); }

 private:
  OsslPtr<X509> cert_;
};

}  // namespace orvane
