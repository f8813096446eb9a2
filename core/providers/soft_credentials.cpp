#include "core/providers/soft_credentials.h"

#include <openssl/pkcs12.h>

#include "core/crypto/openssl_init.h"
#include "core/crypto/sm2_asn1.h"

namespace orvane {
namespace {

OsslPtr<PKCS12> DecodePkcs12(std::span<const uint8_t> bytes) {
  LoadOpenSslProviders();  // older files use RC2 and 3DES
  const uint8_t* p = bytes.data();
  return OsslPtr<PKCS12>(d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size())));
}

}  // namespace

bool IsPkcs12(std::span<const uint8_t> bytes) { return DecodePkcs12(bytes) != nullptr; }

Result<Pkcs12Contents> OpenPkcs12(std::span<const uint8_t> bytes, const char* password) {
  auto p12 = DecodePkcs12(bytes);
  if (!p12 || password == nullptr) return err::kDecodeP12;
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509)* chain = nullptr;
  if (PKCS12_parse(p12.get(), password, &key, &cert, &chain) != 1) return err::kDecodeP12;
  sk_X509_pop_free(chain, X509_free);
  Pkcs12Contents contents{OsslPtr<EVP_PKEY>(key), OsslPtr<X509>(cert)};
  if (!contents.key || !contents.cert) return err::kDecodeP12;
  return contents;
}

Result<Sm2KeyFile> ReadSm2KeyFile(std::span<const uint8_t> bytes) {
  const uint8_t* p = bytes.data();
  OsslPtr<SM2_PKCS12> file(d2i_SM2_PKCS12(nullptr, &p, static_cast<long>(bytes.size())));
  if (!file || file->prikey == nullptr) return err::kDecodeP12;
  if (file->cert == nullptr) return err::kX509;
  const int keyLen = ASN1_STRING_length(file->prikey);
  if (keyLen < 0 || static_cast<std::size_t>(keyLen) > kMaxProtectedSm2Key) return err::kMemory;
  Sm2KeyFile result;
  const uint8_t* key = ASN1_STRING_get0_data(file->prikey);
  result.protectedKey.assign(key, key + keyLen);
  result.cert = CertificateDer(file->cert);
  if (result.cert.empty()) return err::kX509;
  return result;
}

Result<std::vector<uint8_t>> EncodeSm2KeyFile(std::span<const uint8_t> protectedKey, std::span<const uint8_t> cert) {
  const uint8_t* p = cert.data();
  OsslPtr<X509> x509(d2i_X509(nullptr, &p, static_cast<long>(cert.size())));
  if (!x509) return err::kX509;
  OsslPtr<SM2_PKCS12> file(SM2_PKCS12_new());
  if (!file || ASN1_INTEGER_set(file->version, 1) != 1 ||
      ASN1_OCTET_STRING_set(file->prikey, protectedKey.data(), static_cast<int>(protectedKey.size())) != 1) {
    return err::kMemory;
  }
  X509_free(file->cert);
  file->cert = x509.release();
  std::vector<uint8_t> der;
  if (!EncodeItem(file.get(), ASN1_ITEM_rptr(SM2_PKCS12), &der)) return err::kMemory;
  return der;
}

}  // namespace orvane
