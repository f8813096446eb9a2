// Shared provider operations: certificate requests for a new key pair.
#include <cstring>

#include "core/crypto/dn_text.h"
#include "core/crypto/p10_request.h"
#include "core/providers/sec_base.h"
#include "core/providers/slot_output.h"

namespace orvane {

// The request builders make the key through GenKeyPair and sign through
// SignWithNewKey, so every store brings its own keys.
P10KeyOps CSecBase::RequestKeyOps() {
  return P10KeyOps{
      [this](uint8_t* out, uint32_t* outLen) { return GenKeyPair(out, outLen); },
      [this](int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out, uint32_t* outLen) {
        return SignWithNewKey(hashAlg, data, dataLen, out, outLen);
      },
      [this](X509_REQ* req, const char* dn) { return SetP10Subject(req, dn); },
  };
}

Status CSecBase::MakeP10(const char* dn, uint32_t dnLen, int32_t hashAlg, uint8_t* out, uint32_t* outLen) {
  if (keyType_ == kKeyRsa1024 || keyType_ == kKeyRsa2048) return MakeP10Rsa(dn, dnLen, hashAlg, out, outLen);
  if (keyType_ == kKeySm2) return MakeP10Sm2(dn, dnLen, hashAlg, out, outLen);
  return err::kUnsupportedAlg;
}

Status CSecBase::MakeP10Rsa(const char* dn, uint32_t dnLen, int32_t hashAlg, uint8_t* out, uint32_t* outLen) {
  if (dn == nullptr) return err::kParam;
  auto request = BuildRsaRequest(RequestKeyOps(), {dn, dnLen}, hashAlg);
  if (!request.ok()) return request.status();
  return CopyToSlot(*request, out, outLen);
}

Status CSecBase::MakeP10Sm2(const char* dn, uint32_t dnLen, int32_t hashAlg, uint8_t* out, uint32_t* outLen) {
  if (dn == nullptr) return err::kParam;
  auto request = BuildSm2Request(RequestKeyOps(), {dn, dnLen}, hashAlg);
  if (!request.ok()) return request.status();
  return CopyToSlot(*request, out, outLen);
}

Status CSecBase::SetP10Subject(X509_REQ* req, const char* dn) {
  if (req == nullptr || dn == nullptr) return err::kParam;
  return SetRequestSubject(req, dn);
}

}  // namespace orvane
