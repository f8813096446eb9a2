// SM2 keys: generation, loading from and encoding to the library's own DER
// forms (SM2_PRIVATE_KEY, SM2_PUBLIC_KEY in core/crypto/sm2_asn1.h).
// Functions return 0 for success and -1 for failure.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <openssl/bn.h>
#include <openssl/ec.h>

#include "core/util/ossl_ptr.h"
#include "core/util/secret.h"
#include "core/util/sm2/sm2_curve.h"

namespace orvane {

// A key on the shared curve (Sm2SharedCurve): the public point, and the
// private scalar d when the key is private.
struct Sm2Key {
  OsslPtr<BIGNUM> d;
  OsslPtr<EC_POINT> pub;
};

// Makes a new key pair: d uniformly in [1, n-2], P = d * G. Writes
// SM2_PUBLIC_KEY DER (91 bytes) and SM2_PRIVATE_KEY DER.
int Sm2GenerateKeyPair(std::vector<uint8_t>* publicDer, SecretBytes* privateDer);

// Reads SM2_PRIVATE_KEY DER. The key must be consistent: 1 <= d <= n-2, the
// stored point on the curve and equal to d * G.
int Sm2LoadPrivateKey(Sm2Key* key, std::span<const uint8_t> der);

// Reads SM2_PUBLIC_KEY DER; the point must be a finite point of the curve.
int Sm2LoadPublicKey(Sm2Key* key, std::span<const uint8_t> der);

int Sm2EncodePrivateKey(const Sm2Key& key, SecretBytes* der);
int Sm2EncodePublicKey(const Sm2Key& key, std::vector<uint8_t>* der);

// The uncompressed encoding 04 || x || y of the key's public point.
int Sm2PublicPointBytes(const Sm2Key& key, uint8_t out[65]);

// out = k * G for a secret 0 < k < n, through the shared generator table.
// The result is checked to lie on the curve.
int Sm2MulGenerator(const Sm2Curve& curve, const BIGNUM* k, EC_POINT* out, BN_CTX* ctx);

}  // namespace orvane
