#include "core/crypto/pkcs7_oids.h"

#include <array>

#include <openssl/objects.h>

namespace orvane {
namespace {

constexpr Pkcs7Oids kRsaOids = {
    "1.2.840.113549.1.7.2",  // signedData
    "1.2.840.113549.1.7.1",  // data
    "1.2.840.113549.1.7.3",  // envelopedData
    "1.2.840.113549.1.7.6",  // encryptedData
    kOidX500Rsa,
    kOidRsaEncryption,
};

constexpr Pkcs7Oids kSm2Oids = {
    "1.2.156.10197.6.1.4.2.2",  // signedData
    "1.2.156.10197.6.1.4.2.1",  // data
    "1.2.156.10197.6.1.4.2.3",  // envelopedData
    "1.2.156.10197.6.1.4.2.5",  // encryptedData
    "1.2.156.10197.1.501",      // SM2 signature with SM3
    "1.2.156.10197.1.301.3",    // SM2 encryption
};

struct HashOid {
  int32_t number;
  const char* oid;
};

constexpr std::array<HashOid, 6> kHashOids = {{
    {1, "1.3.14.3.2.26"},           // SHA-1
    {2, "2.16.840.1.101.3.4.2.1"},  // SHA-256
    {3, "2.16.840.1.101.3.4.2.3"},  // SHA-512
    {4, "1.2.840.113549.2.5"},      // MD5
    {5, "1.2.840.113549.2.4"},      // MD4
    {6, "1.2.156.10197.1.401"},     // SM3
}};

constexpr std::array<SymmetricAlgorithmOid, 12> kSymmetricOids = {{
    {1, "1.3.14.3.2.6"},              // DES-ECB
    {2, "1.3.14.3.2.7"},              // DES-CBC
    {3, nullptr},                     // 3DES-ECB: no identifier exists
    {4, "1.2.840.113549.3.7"},        // 3DES-CBC (EDE3)
    {5, "2.16.840.1.101.3.4.1.1"},    // AES-128-ECB
    {6, "2.16.840.1.101.3.4.1.2"},    // AES-128-CBC
    {7, "2.16.840.1.101.3.4.1.21"},   // AES-192-ECB
    {8, "2.16.840.1.101.3.4.1.22"},   // AES-192-CBC
    {9, "2.16.840.1.101.3.4.1.41"},   // AES-256-ECB
    {10, "2.16.840.1.101.3.4.1.42"},  // AES-256-CBC
    {11, "1.2.156.10197.1.104.1"},    // SM4-ECB
    {13, "1.2.156.10197.1.102.1"},    // SM1-ECB
}};

}  // namespace

std::string OidText(const ASN1_OBJECT* oid) {
  if (oid == nullptr) return {};
  const int len = OBJ_obj2txt(nullptr, 0, oid, 1);
  if (len <= 0) return {};
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  OBJ_obj2txt(text.data(), len + 1, oid, 1);
  text.resize(static_cast<std::size_t>(len));
  return text;
}

OsslPtr<ASN1_OBJECT> OidObject(const char* dotted) {
  return OsslPtr<ASN1_OBJECT>(OBJ_txt2obj(dotted, 1));
}

const Pkcs7Oids& RsaPkcs7Oids() { return kRsaOids; }
const Pkcs7Oids& Sm2Pkcs7Oids() { return kSm2Oids; }

const Pkcs7Oids& Pkcs7OidsForKeyType(int32_t keyType) {
  return keyType == kPkcs7KeyTypeSm2 ? kSm2Oids : kRsaOids;
}

const char* HashAlgorithmOid(int32_t hashAlg) {
  for (const auto& entry : kHashOids) {
    if (entry.number == hashAlg) return entry.oid;
  }
  return nullptr;
}

int32_t HashAlgorithmNumber(const ASN1_OBJECT* oid) {
  const std::string text = OidText(oid);
  for (const auto& entry : kHashOids) {
    if (text == entry.oid) return entry.number;
  }
  return 0;
}

const SymmetricAlgorithmOid* FindSymmetricAlgorithm(int32_t symmAlg) {
  for (const auto& entry : kSymmetricOids) {
    if (entry.number == symmAlg) return &entry;
  }
  return nullptr;
}

int32_t SymmetricAlgorithmNumber(const ASN1_OBJECT* oid) {
  const std::string text = OidText(oid);
  for (const auto& entry : kSymmetricOids) {
    if (entry.oid != nullptr && text == entry.oid) return entry.number;
  }
  return 0;
}

}  // namespace orvane
