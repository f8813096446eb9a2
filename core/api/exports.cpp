// The exported ZT_ functions: each checks its pointers, calls one context
// operation and hands a text result over through DeliverText.
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "core/api/npOrvane.h"
#include "core/api/sec_context.h"
#include "core/util/base64.h"

using orvane::CSecContext;
using orvane::Status;
namespace err = orvane::err;

namespace {

// Scratch sizes of the text results.
constexpr std::size_t kDigestScratch = 128;
constexpr std::size_t kSmallScratch = 1024;
constexpr std::size_t kRequestScratch = 2048;
constexpr std::size_t kCertScratch = 4096;
constexpr std::size_t kLargeScratch = 20480;
constexpr std::string_view kVersion = "2.1.0.0";

CSecContext* Context(ZT_HANDLE handle) { return static_cast<CSecContext*>(handle); }

// Lets `operation` write a zero-terminated text into a zero-filled scratch
// buffer of `scratchSize` bytes, then copies the text, without its
// terminator, into the caller's buffer when it fits. `out` and `*outLen`
// stay untouched on any failure.
template <typename Operation>
int32_t DeliverText(std::size_t scratchSize, char* out, uint32_t* outLen, Operation operation) {
  std::vector<char> scratch;
  try {
    scratch.assign(scratchSize, '\0');
  } catch (const std::bad_alloc&) {
    return err::kMemory;
  }
  const Status rc = operation(std::span<char>(scratch));
  if (rc != err::kOk) return rc;
  const std::size_t len = strnlen(scratch.data(), scratch.size());
  if (*outLen < len) return err::kBufferTooSmall;
  std::memcpy(out, scratch.data(), len);
  *outLen = static_cast<uint32_t>(len);
  return err::kOk;
}

bool AnyNull(std::initializer_list<const void*> pointers) {
  for (const void* p : pointers) {
    if (p == nullptr) return true;
  }
  return false;
}

}  // namespace

extern "C" {

// --- Version and life cycle ------------------------------------------------------

int32_t ZT_GetVersion(char* out, uint32_t* outLen) {
  if (out == nullptr || outLen == nullptr) return err::kParam;
  if (*outLen < kVersion.size()) return err::kBufferTooSmall;
  std::memcpy(out, kVersion.data(), kVersion.size());
  *outLen = static_cast<uint32_t>(kVersion.size());
  return err::kOk;
}

int32_t ZT_Initialize(const char* prov, int32_t keyType, const char* path, ZT_HANDLE* handleOut) {
  if (handleOut == nullptr) return err::kParam;
  auto* context = new (std::nothrow) CSecContext();
  if (context == nullptr) return err::kMemory;
  const Status rc = context->Initialize(prov, keyType, path);
  if (rc != err::kOk) {
    delete context;
    return rc;
  }
  *handleOut = context;
  return err::kOk;
}

int32_t ZT_UnInitialize(ZT_HANDLE handle) {
  if (handle == nullptr) return err::kUninitialized;
  delete Context(handle);
  return err::kOk;
}

// --- Provider parameters --------------------------------------------------------------

int32_t ZT_SetParam(ZT_HANDLE handle, const char* name, const char* value) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({name, value})) return err::kParam;
  return Context(handle)->SetParam(name, value);
}

int32_t ZT_GetParam(ZT_HANDLE handle, const char* name, char* out) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({name, out})) return err::kParam;
  return Context(handle)->GetParam(name, out);
}

// --- Keys, requests and certificates ----------------------------------------------------

int32_t ZT_GenKeyPair(ZT_HANDLE handle, char* out, uint32_t* outLen) {
  if (out == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (outLen == nullptr) return err::kParam;
  return DeliverText(kSmallScratch, out, outLen, [&](auto s) { return Context(handle)->GenKeyPair(s); });
}

int32_t ZT_MakeP10(ZT_HANDLE handle, const char* dn, int32_t hashAlg, char* out, uint32_t* outLen) {
  if (out == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({dn, outLen})) return err::kParam;
  return DeliverText(kRequestScratch, out, outLen, [&](auto s) { return Context(handle)->MakeP10(dn, hashAlg, s); });
}

int32_t ZT_SaveCert(ZT_HANDLE handle, const char* signCert, const char* encCert, const char* encKey) {
  if (AnyNull({signCert, encCert, encKey})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->SaveCert(signCert, encCert, encKey);
}

int32_t ZT_SaveCertChain(ZT_HANDLE handle, const char* certChain) {
  if (certChain == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->SaveCertChain(certChain);
}

int32_t ZT_GetCert(ZT_HANDLE handle, int32_t certType, char* out, uint32_t* outLen) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kCertScratch, out, outLen, [&](auto s) { return Context(handle)->GetCert(certType, s); });
}

int32_t ZT_GetCertInfo(ZT_HANDLE handle, const char* cert, int32_t infoType, char* out, uint32_t* outLen) {
  if (cert == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kSmallScratch, out, outLen,
                     [&](auto s) { return Context(handle)->GetCertInfo(cert, infoType, s); });
}

int32_t ZT_GetCertInfoByOid(ZT_HANDLE handle, const char* cert, const char* oid, char* out, uint32_t* outLen) {
  if (AnyNull({cert, oid})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kSmallScratch, out, outLen,
                     [&](auto s) { return Context(handle)->GetCertInfoByOid(cert, oid, s); });
}

int32_t ZT_ImportP12Cert(ZT_HANDLE handle, int32_t certType, const char* p12, const char* pin) {
  if (AnyNull({p12, pin})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->ImportP12Cert(certType, p12, pin);
}

int32_t ZT_RemoveCert(ZT_HANDLE handle) {
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->RemoveCert();
}

// --- Random numbers and digests ------------------------------------------------------------

int32_t ZT_GenRandom(ZT_HANDLE handle, int32_t len, char* out, uint32_t* outLen) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kSmallScratch, out, outLen, [&](auto s) { return Context(handle)->GenRandom(len, s); });
}

int32_t ZT_HashData(ZT_HANDLE handle, const char* data, int32_t hashAlg, char* out, uint32_t* outLen) {
  if (data == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kDigestScratch, out, outLen,
                     [&](auto s) { return Context(handle)->HashData(data, hashAlg, s); });
}

int32_t ZT_HashFile(ZT_HANDLE handle, const char* file, int32_t hashAlg, char* out, uint32_t* outLen) {
  if (file == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kDigestScratch, out, outLen,
                     [&](auto s) { return Context(handle)->HashFile(file, hashAlg, s); });
}

// --- Signatures -----------------------------------------------------------------------------

int32_t ZT_SignData(ZT_HANDLE handle, const char* data, int32_t hashAlg, char* out, uint32_t* outLen) {
  if (data == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kLargeScratch, out, outLen,
                     [&](auto s) { return Context(handle)->SignData(data, hashAlg, s); });
}

int32_t ZT_VerifySignData(ZT_HANDLE handle, const char* data, const char* sig, const char* cert, int32_t hashAlg) {
  if (AnyNull({data, sig, cert})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->VerifySignData(data, sig, cert, hashAlg);
}

int32_t ZT_VerifyP7SignData(ZT_HANDLE handle, const char* p7) {
  if (p7 == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->VerifyP7SignData(p7);
}

// --- Symmetric encryption and envelopes ------------------------------------------------------

int32_t ZT_SymmEncrypt(ZT_HANDLE handle, const char* data, const char* key, int32_t symmAlg, char* out,
                       uint32_t* outLen) {
  if (AnyNull({data, key, out})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (outLen == nullptr) return err::kParam;
  const std::size_t scratch = orvane::Base64EncodedLength(std::strlen(data) + 128);
  return DeliverText(scratch, out, outLen,
                     [&](auto s) { return Context(handle)->SymmEncrypt(data, key, symmAlg, s); });
}

int32_t ZT_SymmDecrypt(ZT_HANDLE handle, const char* data, const char* key, int32_t symmAlg, char* out,
                       uint32_t* outLen) {
  if (AnyNull({data, key, out})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (outLen == nullptr) return err::kParam;
  const std::size_t scratch = orvane::Base64EncodedLength(std::strlen(data) + 1024);
  return DeliverText(scratch, out, outLen,
                     [&](auto s) { return Context(handle)->SymmDecrypt(data, key, symmAlg, s); });
}

int32_t ZT_SymmEncryptFile(ZT_HANDLE handle, const char* inFile, const char* outFile, const char* key,
                           int32_t symmAlg) {
  if (AnyNull({inFile, key, outFile})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->SymmEncryptFile(inFile, outFile, key, symmAlg);
}

int32_t ZT_SymmDecryptFile(ZT_HANDLE handle, const char* inFile, const char* outFile, const char* key,
                           int32_t symmAlg) {
  if (AnyNull({inFile, key, outFile})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->SymmDecryptFile(inFile, outFile, key, symmAlg);
}

int32_t ZT_MakeEnvelope(ZT_HANDLE handle, const char* data, const char* cert, char* out, uint32_t* outLen) {
  if (AnyNull({data, cert, out})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (outLen == nullptr) return err::kParam;
  const std::size_t scratch = orvane::Base64EncodedLength(std::strlen(data) + 1024) + std::strlen(cert);
  return DeliverText(scratch, out, outLen, [&](auto s) { return Context(handle)->MakeEnvelope(data, cert, s); });
}

int32_t ZT_OpenEnvelope(ZT_HANDLE handle, const char* envelope, char* out, uint32_t* outLen) {
  if (AnyNull({envelope, out})) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (outLen == nullptr) return err::kParam;
  return DeliverText(std::strlen(envelope), out, outLen,
                     [&](auto s) { return Context(handle)->OpenEnvelope(envelope, s); });
}

// --- PINs ---------------------------------------------------------------------------------------

int32_t ZT_VerifyPin(ZT_HANDLE handle, const char* pin) {
  if (handle == nullptr) return err::kUninitialized;
  if (pin == nullptr) return err::kParam;
  return Context(handle)->VerifyPin(pin);
}

int32_t ZT_ModifyPin(ZT_HANDLE handle, const char* oldPin, const char* newPin) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({oldPin, newPin})) return err::kParam;
  return Context(handle)->ModifyPin(oldPin, newPin);
}

int32_t ZT_UnlockPin(ZT_HANDLE handle, const char* adminPin, const char* userPin) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({adminPin, userPin})) return err::kParam;
  return Context(handle)->UnlockPin(adminPin, userPin);
}

// --- Electronic seals ----------------------------------------------------------------------------

int32_t ZT_GetSeal(ZT_HANDLE handle, int32_t num, char* out, uint32_t* outLen) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kLargeScratch, out, outLen, [&](auto s) { return Context(handle)->GetSeal(num, s); });
}

int32_t ZT_GetSealItem(ZT_HANDLE handle, const char* seal, int32_t itemType, char* out, uint32_t* outLen) {
  if (seal == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kLargeScratch, out, outLen,
                     [&](auto s) { return Context(handle)->GetSealItem(seal, itemType, s); });
}

int32_t ZT_VerifySeal(ZT_HANDLE handle, const char* seal) {
  if (seal == nullptr) return err::kParam;
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->VerifySeal(seal);
}

// --- Last error --------------------------------------------------------------------------------------

int32_t ZT_GetLastErrorCode(ZT_HANDLE handle) {
  if (handle == nullptr) return err::kUninitialized;
  return Context(handle)->lastError();
}

int32_t ZT_GetLastErrorMsg(ZT_HANDLE handle, char* out, uint32_t* outLen) {
  if (handle == nullptr) return err::kUninitialized;
  if (AnyNull({out, outLen})) return err::kParam;
  return DeliverText(kSmallScratch, out, outLen, [&](auto s) { return Context(handle)->GetLastErrorMsg(s); });
}

}  // extern "C"
