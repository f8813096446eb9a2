// Name texts of CertificateInfo: attribute values converted to the narrow
// character set, single attributes by kind, and the DN text of a name.
#pragma once

#include <cstdint>
#include <string>

#include <openssl/x509.h>

namespace orvane {

// A name attribute value as text, by its ASN.1 type: UTF8String and
// BMPString converted to the narrow character set (a BMPString shorter than
// two bytes is empty); PrintableString and INTEGER up to the first zero
// byte; OCTET STRING empty; every other type its bytes as they are.
std::string AsnStringToText(const ASN1_STRING* value);

// Value of the first entry of attribute kind 1-7 (see NameAttributeKind);
// empty when there is none or the kind is outside 1-7.
std::string NameAttributeText(const X509_NAME* name, int32_t kind);

// "C=CN,O=Org,CN=Name": the C, ST ("S="), L, O, OU, CN and E entries in
// order, other types skipped, values unescaped.
std::string NameText(const X509_NAME* name);

}  // namespace orvane
