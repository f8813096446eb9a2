// Extension values of CertificateInfo: raw values by identifier, the
// sub-extensions of the SHECA private extension, the CRL URL and the key
// identifiers.
#pragma once

#include <string>
#include <string_view>

#include <openssl/x509.h>

namespace orvane {

// Raw extnValue of the last extension of `cert` with identifier `oid`.
std::string ExtensionValue(const X509* cert, const ASN1_OBJECT* oid);

// `extnValue` read as a SEQUENCE of up to eight Extensions: the extnValue of
// the first one with identifier `oid`; empty when there is none or the value
// does not decode.
std::string SubExtensionValue(std::string_view extnValue, const ASN1_OBJECT* oid);

// The text from the first "http://" through the first ".crl" of a raw CRL
// distribution-points value, when "http://" comes first; else empty.
std::string CrlUrlFromValue(std::string_view value);

// The keyIdentifier of a raw authority-key-identifier value, and the
// identifier of a raw subject-key-identifier value, in lower-case hex; empty
// when the value does not decode or has no key identifier.
std::string AuthorityKeyIdHex(std::string_view value);
std::string SubjectKeyIdHex(std::string_view value);

}  // namespace orvane
