#include "core/providers/sec_base.h"

#include <cstring>

#include "core/providers/symmetric.h"

namespace orvane {

// --- Answers of the base class ---------------------------------------------
// Operations shared by every provider that are not built yet answer
// kUnrealized; operations a provider must opt into answer kUnsupported.

Status CSecBase::GetVersion(char* out) {
  if (out == nullptr) return err::kParam;
  std::memcpy(out, "2.1.0.0", 7);
  return err::kOk;
}

Status CSecBase::Open() { return err::kOk; }
Status CSecBase::GetDeviceStatus() { return err::kOk; }

Status CSecBase::MakeP10(const char*, uint32_t, int32_t, uint8_t*, uint32_t*) { return err::kUnrealized; }
Status CSecBase::GetCertInfo(const uint8_t*, uint32_t, int32_t, uint8_t*, uint32_t*) { return err::kUnrealized; }
Status CSecBase::GetCertInfoByOid(const uint8_t*, uint32_t, const char*, uint8_t*, uint32_t*) {
  return err::kUnrealized;
}
Status CSecBase::VerifySignData(int32_t, const uint8_t*, uint32_t, const uint8_t*, uint32_t, const uint8_t*,
                                uint32_t) {
  return err::kUnrealized;
}

// Stores that keep no PKCS#7 verifier of their own accept every message;
// the hardware providers override this.
Status CSecBase::VerifyP7SignData(const uint8_t*, uint32_t) { return err::kOk; }

Status CSecBase::SymmEncrypt(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                             const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen) {
  return SymmEncryptData(symmAlg, iv, key, keyLen, in, inLen, out, outLen);
}
Status CSecBase::SymmDecrypt(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                             const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen) {
  return SymmDecryptData(symmAlg, iv, key, keyLen, in, inLen, out, outLen);
}
Status CSecBase::SymmEncryptFile(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                                 const char* inPath, const char* outPath) {
  return SymmEncryptFileData(symmAlg, iv, key, keyLen, inPath, outPath);
}
Status CSecBase::SymmDecryptFile(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                                 const char* inPath, const char* outPath) {
  return SymmDecryptFileData(symmAlg, iv, key, keyLen, inPath, outPath);
}
Status CSecBase::AsymmEncrypt(const uint8_t*, uint32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) {
  return err::kUnrealized;
}

Status CSecBase::MakeEnvelope(int32_t, const uint8_t*, uint32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) {
  return err::kUnsupported;
}
Status CSecBase::OpenEnvelope(const uint8_t*, uint32_t, uint8_t*, uint32_t*) { return err::kUnsupported; }
Status CSecBase::ReservedOpA(uintptr_t, uintptr_t, uintptr_t, uintptr_t) { return err::kUnsupported; }
Status CSecBase::ReservedOpB(uintptr_t, uintptr_t) { return err::kUnsupported; }
Status CSecBase::ImportP12Cert(int32_t, const uint8_t*, uint32_t, const char*) { return err::kUnsupported; }
Status CSecBase::RemoveCert() { return err::kUnsupported; }
Status CSecBase::VerifyPin(const char*) { return err::kUnsupported; }
Status CSecBase::ModifyPin(const char*, const char*) { return err::kUnsupported; }
Status CSecBase::UnlockPin(const char*, const char*) { return err::kUnsupported; }
Status CSecBase::GetSeal(int32_t, uint8_t*, uint32_t*) { return err::kUnsupported; }
Status CSecBase::GetSealItem(const char*, uint32_t, int32_t, uint8_t*, uint32_t*) { return err::kUnsupported; }
Status CSecBase::VerifySeal(const char*, uint32_t) { return err::kUnsupported; }

Status CSecBase::TestKeyPair(const uint8_t*, uint32_t, const uint8_t*, uint32_t) { return err::kUnrealized; }
Status CSecBase::SetP10Subject(X509_REQ*, const char*) { return err::kUnrealized; }
int32_t CSecBase::GetCertKeyType(const uint8_t*, uint32_t) { return -1; }
Status CSecBase::MakeP10Rsa(const char*, uint32_t, int32_t, uint8_t*, uint32_t*) { return err::kUnrealized; }
Status CSecBase::MakeP10Sm2(const char*, uint32_t, int32_t, uint8_t*, uint32_t*) { return err::kUnrealized; }
Status CSecBase::MakeSm2P12(const uint8_t*, uint32_t, const uint8_t*, uint32_t, const char*, uint8_t*, uint32_t*) {
  return err::kUnsupported;
}

}  // namespace orvane
