// PKCS#10 certificate requests for RSA and SM2 keys. The builders make the
// key pair and sign through the provider's own operations, passed in as
// callbacks in the provider-slot form (raw buffer, in/out length):
//
//   Status CSecXImpl::MakeP10Sm2(dn, dnLen, hashAlg, out, outLen) {
//     P10KeyOps ops{[this](uint8_t* o, uint32_t* l) { return GenKeyPair(o, l); },
//                   [this](int32_t h, const uint8_t* d, uint32_t n, uint8_t* o, uint32_t* l) {
//                     return SignWithNewKey(h, d, n, o, l); },
//                   [this](X509_REQ* req, const char* dn) { return SetP10Subject(req, dn); }};
//     auto req = BuildSm2Request(ops, {dn, dnLen}, hashAlg);
//     ... copy *req into out (0x1013 when it does not fit) ...
//   }
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include <openssl/x509.h>

#include "core/util/status.h"

namespace orvane {

struct P10KeyOps {
  // Makes the new key pair and writes its public key (RSA: PKCS#1
  // RSAPublicKey DER; SM2: SM2_PUBLIC_KEY DER) into a 1024-byte buffer.
  std::function<Status(uint8_t* out, uint32_t* outLen)> genKeyPair;
  // Signs `data` with the new key into a 1024-byte buffer (RSA: PKCS#1 v1.5
  // with the hash algorithm; SM2: DER signature with SM3 and the default
  // identity).
  std::function<Status(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out, uint32_t* outLen)>
      signWithNewKey;
  // Fills an RSA request's subject from DN text (the provider's
  // SetP10Subject; SetRequestSubject when empty). Not used for SM2 requests.
  std::function<Status(X509_REQ* req, const char* dn)> setSubject;
};

// Version 2, the DN's subject, the RSA key, an empty attribute set, signed
// with hash algorithm 1-5 (SHA-1, SHA-256, SHA-512, MD5, MD4 with RSA).
// Errors: 0x1002 without the key callbacks, the callbacks' own codes,
// 0x2030 for an undecodable public key,
// 0x2034 when the request cannot be built, 0x1009 for another hash
// algorithm (checked after signing, as the providers expect).
Result<std::vector<uint8_t>> BuildRsaRequest(const P10KeyOps& ops, std::string_view dn, int32_t hashAlg);

// X509_REQ_SM2: version 2, the subject from ParseDnText, the SM2 key, no
// attributes, signature algorithm SM2 with SM3 (1.2.156.10197.1.501).
// Errors: the callbacks' own codes, 0x2030 for a public key that is not
// SM2_PUBLIC_KEY DER, 0x2034, 0x2035 for the DN.
Result<std::vector<uint8_t>> BuildSm2Request(const P10KeyOps& ops, std::string_view dn, int32_t hashAlg);

}  // namespace orvane
