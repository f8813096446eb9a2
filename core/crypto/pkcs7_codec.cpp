#include "core/crypto/pkcs7_codec.h"

#include <memory>

#include <openssl/asn1t.h>

#include "core/crypto/pkcs7_oids.h"

namespace orvane {
namespace {

typedef struct {
  ASN1_OBJECT* type;
  ASN1_TYPE* content;
} CONTENT_INFO_ANY;

ASN1_SEQUENCE(CONTENT_INFO_ANY) = {
    ASN1_SIMPLE(CONTENT_INFO_ANY, type, ASN1_OBJECT),
    ASN1_EXP_OPT(CONTENT_INFO_ANY, content, ASN1_ANY, 0),
} ASN1_SEQUENCE_END(CONTENT_INFO_ANY)

struct ContentInfoAnyFree {
  void operator()(CONTENT_INFO_ANY* p) const noexcept {
    ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(p), ASN1_ITEM_rptr(CONTENT_INFO_ANY));
  }
};
using ContentInfoAnyPtr = std::unique_ptr<CONTENT_INFO_ANY, ContentInfoAnyFree>;

}  // namespace

Result<std::vector<uint8_t>> EncodeContentInfo(const char* type, std::span<const uint8_t> contentDer,
                                               Status failure) {
  ContentInfoAnyPtr info(reinterpret_cast<CONTENT_INFO_ANY*>(ASN1_item_new(ASN1_ITEM_rptr(CONTENT_INFO_ANY))));
  OsslPtr<ASN1_OBJECT> oid = OidObject(type);
  OsslPtr<ASN1_TYPE> content(ASN1_TYPE_new());
  OsslPtr<ASN1_STRING> sequence(ASN1_STRING_type_new(V_ASN1_SEQUENCE));
  if (!info || !oid || !content || !sequence) return err::kMemory;
  if (!SetOctetString(sequence.get(), contentDer)) return err::kMemory;
  // An ANY of type SEQUENCE holds the complete encoding, header included.
  ASN1_TYPE_set(content.get(), V_ASN1_SEQUENCE, sequence.release());
  ASN1_OBJECT_free(info->type);
  info->type = oid.release();
  info->content = content.release();

  unsigned char* der = nullptr;
  const int len = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(info.get()), &der, ASN1_ITEM_rptr(CONTENT_INFO_ANY));
  if (len < 1) return failure;
  std::vector<uint8_t> out(der, der + len);
  OPENSSL_free(der);
  return out;
}

Result<ContentInfo> DecodeContentInfo(std::span<const uint8_t> der) {
  if (der.empty() || der.size() > static_cast<std::size_t>(LONG_MAX)) return err::kDecodeP7;
  const unsigned char* p = der.data();
  ContentInfoAnyPtr info(reinterpret_cast<CONTENT_INFO_ANY*>(
      ASN1_item_d2i(nullptr, &p, static_cast<long>(der.size()), ASN1_ITEM_rptr(CONTENT_INFO_ANY))));
  if (!info) return err::kDecodeP7;
  ContentInfo out;
  out.type = OidText(info->type);
  if (info->content != nullptr) {
    if (info->content->type != V_ASN1_SEQUENCE) return err::kDecodeP7;
    out.content = StringBytes(info->content->value.sequence);
  }
  return out;
}

bool SetAlgorithm(X509_ALGOR* alg, const char* oid) {
  OsslPtr<ASN1_OBJECT> obj = OidObject(oid);
  if (!obj || !X509_ALGOR_set0(alg, obj.get(), V_ASN1_NULL, nullptr)) return false;
  obj.release();  // owned by `alg` now
  return true;
}

bool SetIssuerAndSerial(PKCS7_ISSUER_AND_SERIAL* ias, const X509* cert) {
  if (!X509_NAME_set(&ias->issuer, X509_get_issuer_name(cert))) return false;
  ASN1_INTEGER* serial = ASN1_INTEGER_dup(X509_get0_serialNumber(cert));
  if (serial == nullptr) return false;
  ASN1_INTEGER_free(ias->serial);
  ias->serial = serial;
  return true;
}

bool SetOctetString(ASN1_OCTET_STRING* str, std::span<const uint8_t> bytes) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  return ASN1_STRING_set(str, bytes.data(), static_cast<int>(bytes.size())) == 1;
}

std::vector<uint8_t> StringBytes(const ASN1_STRING* str) {
  if (str == nullptr || ASN1_STRING_length(str) <= 0) return {};
  const uint8_t* data = ASN1_STRING_get0_data(str);
  return std::vector<uint8_t>(data, data + ASN1_STRING_length(str));
}

std::string StringText(const ASN1_STRING* str) {
  if (str == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(str)),
                     static_cast<std::size_t>(ASN1_STRING_length(str)));
}

}  // namespace orvane
