// Object identifiers of the PKCS#7 messages: the PKCS#7 family for RSA keys,
// the GM/T 0010 family for SM2 keys, and the identifiers behind the hash and
// symmetric algorithm numbers.
#pragma once

#include <cstdint>
#include <string>

#include <openssl/asn1.h>

#include "core/util/ossl_ptr.h"

namespace orvane {

// The dotted form of an identifier (empty for none), and the object for a
// dotted text (null when the text is no identifier).
std::string OidText(const ASN1_OBJECT* oid);
OsslPtr<ASN1_OBJECT> OidObject(const char* dotted);

// Key type 3 is SM2; every other key type uses the RSA identifiers.
inline constexpr int32_t kPkcs7KeyTypeSm2 = 3;

// Dotted object identifiers, one set per key family.
struct Pkcs7Oids {
  const char* signedData;              // ContentInfo of signed data
  const char* data;                    // encapsulated content type
  const char* envelopedData;           // ContentInfo of an envelope
  const char* encryptedContent;        // encryptedContentInfo content type
  const char* signatureAlgorithm;      // signer's digestEncryptionAlgorithm
  const char* keyEncryptionAlgorithm;  // recipient's keyEncryptionAlgorithm
};

const Pkcs7Oids& Pkcs7OidsForKeyType(int32_t keyType);
const Pkcs7Oids& RsaPkcs7Oids();
const Pkcs7Oids& Sm2Pkcs7Oids();

inline constexpr const char* kOidSignedAndEnvelopedData = "1.2.840.113549.1.7.4";
inline constexpr const char* kOidRsaEncryption = "1.2.840.113549.1.1.1";
inline constexpr const char* kOidX500Rsa = "2.5.8.1.1";

// Hash algorithm numbers 1-6 (SHA-1, SHA-256, SHA-512, MD5, MD4, SM3).
// HashAlgorithmOid gives nullptr for any other number; HashAlgorithmNumber
// gives 0 for an identifier outside the table.
const char* HashAlgorithmOid(int32_t hashAlg);
int32_t HashAlgorithmNumber(const ASN1_OBJECT* oid);

// Content-encryption algorithm numbers 1-11 and 13. A number in the table
// may still lack an identifier (3, triple DES in ECB mode, has none).
struct SymmetricAlgorithmOid {
  int32_t number;
  const char* oid;  // nullptr when the algorithm has no identifier
};
// nullptr for a number outside the table (12, SM4-CBC, included).
const SymmetricAlgorithmOid* FindSymmetricAlgorithm(int32_t symmAlg);
// 0 for an identifier outside the table.
int32_t SymmetricAlgorithmNumber(const ASN1_OBJECT* oid);

}  // namespace orvane
