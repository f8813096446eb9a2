// Shared provider operation: a PKCS#12 of an RSA key and its certificate.
#include <cstring>

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include "core/crypto/openssl_init.h"
#include "core/providers/sec_base.h"
#include "core/util/ossl_ptr.h"

namespace orvane {

Status CSecBase::MakeRsaP12(const uint8_t* key, uint32_t keyLen, const uint8_t* cert, uint32_t certLen,
                            const char* password, uint8_t* out, uint32_t* outLen) {
  if (key == nullptr || cert == nullptr || password == nullptr || out == nullptr || outLen == nullptr) {
    return err::kParam;
  }
  LoadOpenSslProviders();
  const uint8_t* p = cert;
  OsslPtr<X509> x509(d2i_X509(nullptr, &p, certLen));
  if (!x509) return err::kX509;
  p = key;
  OsslPtr<EVP_PKEY> pkey(d2i_AutoPrivateKey(nullptr, &p, keyLen));
  if (!pkey) return err::kPrivateKey;
  OsslPtr<PKCS12> p12(PKCS12_create(password, nullptr, pkey.get(), x509.get(), nullptr, 0, 0, 0, 0, 0));
  if (!p12) return err::kCreateP12;
  const int len = i2d_PKCS12(p12.get(), nullptr);
  if (len <= 0) return err::kCreateP12;
  if (static_cast<uint32_t>(len) > *outLen) return err::kBufferTooSmall;
  uint8_t* q = out;
  if (i2d_PKCS12(p12.get(), &q) != len) return err::kCreateP12;
  *outLen = static_cast<uint32_t>(len);
  return err::kOk;
}

}  // namespace orvane
