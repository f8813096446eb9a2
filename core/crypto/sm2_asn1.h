// The library's own ASN.1 structures for SM2: keys, ciphertexts, key files
// and certificate requests, declared as OpenSSL ASN.1 templates.
//
//   X509_ALGOR_SM2     SEQUENCE { OID id-ecPublicKey, OID sm2 curve }
//   X509_PUBKEY_SM2    SEQUENCE { X509_ALGOR_SM2, BIT STRING 04||x||y }
//   SM2_PUBLIC_KEY     the same layout as X509_PUBKEY_SM2 (91 bytes DER)
//   SM2_PRIVATE_KEY    SEQUENCE { INTEGER 1, INTEGER d,
//                                 [0] IMPLICIT SET OF ANY (the curve OID),
//                                 [1] IMPLICIT SET OF ANY (BIT STRING point) }
//   SM2_PKCS12         SEQUENCE { INTEGER 1, OCTET STRING key, Certificate }
//   ASN1_SM2_CIPHER    SEQUENCE { INTEGER x, INTEGER y, OCTET STRING C3,
//                                 OCTET STRING C2 }
//   X509_REQ_INFO_SM2  SEQUENCE { INTEGER 2, Name, X509_PUBKEY_SM2 }
//   X509_REQ_SM2       SEQUENCE { X509_REQ_INFO_SM2, AlgorithmIdentifier,
//                                 BIT STRING signature }
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include "core/util/ossl_ptr.h"
#include "core/util/secret.h"

namespace orvane {

// --- Object identifiers -------------------------------------------------------
inline constexpr const char* kOidEcPublicKey = "1.2.840.10045.2.1";
inline constexpr const char* kOidSm2Curve = "1.2.156.10197.1.301";
inline constexpr const char* kOidSm2WithSm3 = "1.2.156.10197.1.501";

// The 26 bytes that precede the 65-byte point in a 256-bit SM2_PUBLIC_KEY.
inline constexpr uint8_t kSm2PublicKeyPrefix[26] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48,
                                                     0xCE, 0x3D, 0x02, 0x01, 0x06, 0x08, 0x2A, 0x81, 0x1C,
                                                     0xCF, 0x55, 0x01, 0x82, 0x2D, 0x03, 0x42, 0x00};
inline constexpr std::size_t kSm2PointSize = 65;
inline constexpr std::size_t kSm2PublicKeyDerSize = sizeof(kSm2PublicKeyPrefix) + kSm2PointSize;

// --- Structures -----------------------------------------------------------------
struct X509_ALGOR_SM2 {
  ASN1_OBJECT* alg1;
  ASN1_OBJECT* alg2;
};

struct X509_PUBKEY_SM2 {
  X509_ALGOR_SM2* algor;
  ASN1_BIT_STRING* public_key;
};

struct SM2_PUBLIC_KEY {
  X509_ALGOR_SM2* algor;
  ASN1_BIT_STRING* pubkey;
};

struct SM2_PRIVATE_KEY {
  ASN1_INTEGER* version;
  ASN1_INTEGER* prikey;
  STACK_OF(ASN1_TYPE) * alg;
  STACK_OF(ASN1_TYPE) * pubkey;
};

struct SM2_PKCS12 {
  ASN1_INTEGER* version;
  ASN1_OCTET_STRING* prikey;
  X509* cert;
};

struct ASN1_SM2_CIPHER {
  ASN1_INTEGER* x;
  ASN1_INTEGER* y;
  ASN1_OCTET_STRING* hash;
  ASN1_OCTET_STRING* cipher;
};

struct X509_REQ_INFO_SM2 {
  ASN1_INTEGER* version;
  X509_NAME* subject;
  X509_PUBKEY_SM2* pubkey;
};

struct X509_REQ_SM2 {
  X509_REQ_INFO_SM2* req_info;
  X509_ALGOR* sig_alg;
  ASN1_BIT_STRING* signature;
};

DECLARE_ASN1_FUNCTIONS(X509_ALGOR_SM2)
DECLARE_ASN1_FUNCTIONS(X509_PUBKEY_SM2)
DECLARE_ASN1_FUNCTIONS(SM2_PUBLIC_KEY)
DECLARE_ASN1_FUNCTIONS(SM2_PRIVATE_KEY)
DECLARE_ASN1_FUNCTIONS(SM2_PKCS12)
DECLARE_ASN1_FUNCTIONS(ASN1_SM2_CIPHER)
DECLARE_ASN1_FUNCTIONS(X509_REQ_INFO_SM2)
DECLARE_ASN1_FUNCTIONS(X509_REQ_SM2)

#define ORVANE_SM2_ASN1_DELETER(type)                                 \
  template <>                                                         \
  struct OsslDeleter<type> {                                          \
    void operator()(type* p) const noexcept { type##_free(p); }       \
  }
ORVANE_SM2_ASN1_DELETER(X509_ALGOR_SM2);
ORVANE_SM2_ASN1_DELETER(X509_PUBKEY_SM2);
ORVANE_SM2_ASN1_DELETER(SM2_PUBLIC_KEY);
ORVANE_SM2_ASN1_DELETER(SM2_PRIVATE_KEY);
ORVANE_SM2_ASN1_DELETER(SM2_PKCS12);
ORVANE_SM2_ASN1_DELETER(ASN1_SM2_CIPHER);
ORVANE_SM2_ASN1_DELETER(X509_REQ_INFO_SM2);
ORVANE_SM2_ASN1_DELETER(X509_REQ_SM2);
#undef ORVANE_SM2_ASN1_DELETER

// --- DER helpers ----------------------------------------------------------------
// Encodes any templated value; false when the encoder fails.
bool EncodeItem(const void* value, const ASN1_ITEM* item, std::vector<uint8_t>* der);
bool EncodeItem(const void* value, const ASN1_ITEM* item, SecretBytes* der);

// Decodes `der`, which must hold exactly one value and nothing after it.
// Returns null on any failure; the caller owns the result.
void* DecodeItem(std::span<const uint8_t> der, const ASN1_ITEM* item);

template <typename T>
OsslPtr<T> DecodeDer(std::span<const uint8_t> der, const ASN1_ITEM* item) {
  return OsslPtr<T>(static_cast<T*>(DecodeItem(der, item)));
}

// Fills a BIT STRING with all of `bytes` and 0 unused bits, so that trailing
// zero bytes are kept.
bool SetBitStringBytes(ASN1_BIT_STRING* bits, std::span<const uint8_t> bytes);

// Sets both OIDs of an X509_ALGOR_SM2 to (id-ecPublicKey, sm2 curve).
bool SetSm2Algorithm(X509_ALGOR_SM2* algor);

// --- Keys and key files ---------------------------------------------------------
// SM2_PUBLIC_KEY DER around the given point bytes (normally 04||x||y).
// Returns 0, or -1.
int Sm2EncodePublicKeyBits(std::span<const uint8_t> point, std::vector<uint8_t>* der);

// The point bytes inside SM2_PUBLIC_KEY DER. Returns 0, or -1 when the DER
// does not decode.
int Sm2DecodePublicKeyBits(std::span<const uint8_t> der, std::vector<uint8_t>* point);

// SM2_PRIVATE_KEY DER from the 32-byte big-endian scalar and the point.
int Sm2EncodePrivateKeyParts(std::span<const uint8_t> d, std::span<const uint8_t> point, SecretBytes* der);

// The scalar (big-endian, as many bytes as its INTEGER holds) and the bytes
// of the single element of the pubkey set. -1 when the DER does not decode,
// the scalar is negative or the set does not hold exactly one string.
int Sm2DecodePrivateKeyParts(std::span<const uint8_t> der, SecretBytes* d, std::vector<uint8_t>* point);

// SM2_PKCS12 DER of a protected private key and a DER certificate.
int EncodeSm2Pkcs12(std::span<const uint8_t> protectedKey, std::span<const uint8_t> certDer,
                    std::vector<uint8_t>* der);
int DecodeSm2Pkcs12(std::span<const uint8_t> der, SecretBytes* protectedKey, std::vector<uint8_t>* certDer);

}  // namespace orvane
