#include "core/crypto/cert_info_ext.h"

#include <span>

#include <openssl/x509v3.h>

#include "core/crypto/pkcs7_codec.h"
#include "core/util/hex.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

// The SHECA extension holds at most eight Extensions.
constexpr int kMaxSubExtensions = 8;

std::span<const uint8_t> AsBytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

X509_EXTENSIONS* D2iExtensions(X509_EXTENSIONS** out, const unsigned char** in, long len) {
  return d2i_X509_EXTENSIONS(out, in, len);
}

}  // namespace

std::string ExtensionValue(const X509* cert, const ASN1_OBJECT* oid) {
  std::string value;
  if (cert == nullptr || oid == nullptr) return value;
  for (int i = 0; i < X509_get_ext_count(cert); ++i) {
    X509_EXTENSION* ext = X509_get_ext(cert, i);
    if (OBJ_cmp(X509_EXTENSION_get_object(ext), oid) == 0) value = StringText(X509_EXTENSION_get_data(ext));
  }
  return value;
}

std::string SubExtensionValue(std::string_view extnValue, const ASN1_OBJECT* oid) {
  if (oid == nullptr) return {};
  OsslPtr<X509_EXTENSIONS> subs = DecodeDer<X509_EXTENSIONS>(AsBytes(extnValue), D2iExtensions);
  if (!subs || sk_X509_EXTENSION_num(subs.get()) > kMaxSubExtensions) return {};
  for (int i = 0; i < sk_X509_EXTENSION_num(subs.get()); ++i) {
    X509_EXTENSION* ext = sk_X509_EXTENSION_value(subs.get(), i);
    if (OBJ_cmp(X509_EXTENSION_get_object(ext), oid) == 0) return StringText(X509_EXTENSION_get_data(ext));
  }
  return {};
}

std::string CrlUrlFromValue(std::string_view value) {
  const std::size_t start = value.find("http://");
  const std::size_t end = value.find(".crl");
  if (start == std::string_view::npos || end == std::string_view::npos || start > end) return {};
  return std::string(value.substr(start, end + 4 - start));
}

std::string AuthorityKeyIdHex(std::string_view value) {
  OsslPtr<AUTHORITY_KEYID> akid = DecodeDer<AUTHORITY_KEYID>(AsBytes(value), d2i_AUTHORITY_KEYID);
  if (!akid || akid->keyid == nullptr) return {};
  return HexString(StringText(akid->keyid), false);
}

std::string SubjectKeyIdHex(std::string_view value) {
  OsslPtr<ASN1_OCTET_STRING> skid = DecodeDer<ASN1_OCTET_STRING>(AsBytes(value), d2i_ASN1_OCTET_STRING);
  if (!skid) return {};
  return HexString(StringText(skid.get()), false);
}

}  // namespace orvane
