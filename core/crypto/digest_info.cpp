#include "core/crypto/digest_info.h"

#include <openssl/x509.h>

#include "core/crypto/pkcs7_codec.h"
#include "core/crypto/pkcs7_oids.h"
#include "core/util/ossl_ptr.h"

namespace orvane {

Result<std::vector<uint8_t>> BuildDigestInfo(int32_t hashAlg, std::span<const uint8_t> digest) {
  const char* oid = HashAlgorithmOid(hashAlg);
  if (oid == nullptr) oid = HashAlgorithmOid(1);  // SHA-1 for any other number, 0 included

  OsslPtr<X509_SIG> info(X509_SIG_new());
  if (!info) return err::kMemory;
  X509_ALGOR* alg = nullptr;
  ASN1_OCTET_STRING* hash = nullptr;
  X509_SIG_getm(info.get(), &alg, &hash);
  if (!SetAlgorithm(alg, oid) || !SetOctetString(hash, digest)) return err::kMemory;
  return EncodeDer(info.get(), i2d_X509_SIG, err::kMemory);
}

}  // namespace orvane
