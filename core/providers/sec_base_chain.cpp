// Shared provider operation: importing a certificate chain into the stores.
#include <vector>

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include "core/crypto/cert_info.h"
#include "core/platform/cert_store.h"
#include "core/providers/sec_base.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

constexpr uint32_t kMinChainBytes = 128;

}  // namespace

// Self-issued certificates become roots, every other one an intermediate.
// Every certificate is tried; a chain of which one could not be added is
// reported as a failure rather than as success.
Status CSecBase::SaveCertChain(const uint8_t* p7, uint32_t p7Len) {
  if (p7 == nullptr || p7Len <= kMinChainBytes) return err::kParam;
  const uint8_t* p = p7;
  OsslPtr<PKCS7> message(d2i_PKCS7(nullptr, &p, p7Len));
  if (!message) return err::kDecodeP7;
  if (!PKCS7_type_is_signed(message.get()) || message->d.sign == nullptr) return err::kP7Type;
  STACK_OF(X509)* certs = message->d.sign->cert;
  if (certs == nullptr || sk_X509_num(certs) == 0) return err::kNoCertInP7;
  bool allAdded = true;
  for (int i = 0; i < sk_X509_num(certs); ++i) {
    X509* cert = sk_X509_value(certs, i);
    const bool selfIssued = X509_NAME_cmp(X509_get_issuer_name(cert), X509_get_subject_name(cert)) == 0;
    const int kind = selfIssued ? platform::kStoreRoot : platform::kStoreCa;
    allAdded = platform::ImportToSystemStore(CertificateDer(cert), kind) && allAdded;
  }
  return allAdded ? err::kOk : err::kSaveCert;
}

}  // namespace orvane
