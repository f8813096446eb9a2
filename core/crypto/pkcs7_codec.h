// DER helpers shared by the PKCS#7 builders and parsers: whole-structure
// encoding and decoding, the ContentInfo wrapper, and the small fields that
// every message repeats (algorithm identifiers, issuerAndSerialNumber).
#pragma once

#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include "core/util/ossl_ptr.h"
#include "core/util/status.h"

namespace orvane {

// Encodes `value` with its i2d function; `failure` when it cannot be encoded.
template <typename T>
Result<std::vector<uint8_t>> EncodeDer(const T* value, int (*i2d)(const T*, unsigned char**), Status failure) {
  const int len = i2d(value, nullptr);
  if (len < 1) return failure;
  std::vector<uint8_t> out(static_cast<std::size_t>(len));
  unsigned char* p = out.data();
  if (i2d(value, &p) != len) return failure;
  return out;
}

// Decodes one structure with its d2i function; null when it does not decode.
// Bytes after the structure are ignored.
template <typename T>
OsslPtr<T> DecodeDer(std::span<const uint8_t> der, T* (*d2i)(T**, const unsigned char**, long)) {
  if (der.empty() || der.size() > static_cast<std::size_t>(LONG_MAX)) return nullptr;
  const unsigned char* p = der.data();
  return OsslPtr<T>(d2i(nullptr, &p, static_cast<long>(der.size())));
}

// ContentInfo ::= SEQUENCE { contentType OBJECT IDENTIFIER,
//                            content [0] EXPLICIT ANY OPTIONAL }
// read and written without interpreting the content, so that the GM/T 0010
// types, which the cryptographic library does not know, take the same road
// as the PKCS#7 ones.
struct ContentInfo {
  std::string type;              // dotted identifier
  std::vector<uint8_t> content;  // DER of the content; empty when absent
};

// `contentDer` must be one DER SEQUENCE. Failure: `failure`.
Result<std::vector<uint8_t>> EncodeContentInfo(const char* type, std::span<const uint8_t> contentDer,
                                               Status failure);
// 0x2001 ("Decode P7 error") when the bytes are no ContentInfo or its content
// is present but no SEQUENCE.
Result<ContentInfo> DecodeContentInfo(std::span<const uint8_t> der);

// Sets `alg` to the identifier `oid` with NULL parameters.
bool SetAlgorithm(X509_ALGOR* alg, const char* oid);
// Copies the issuer name and serial number of `cert` into `ias`.
bool SetIssuerAndSerial(PKCS7_ISSUER_AND_SERIAL* ias, const X509* cert);
bool SetOctetString(ASN1_OCTET_STRING* str, std::span<const uint8_t> bytes);
// The bytes of a string; empty for null.
std::vector<uint8_t> StringBytes(const ASN1_STRING* str);
std::string StringText(const ASN1_STRING* str);

}  // namespace orvane
