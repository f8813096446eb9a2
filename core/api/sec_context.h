// CSecContext: the object behind a handle. It owns at most one provider,
// checks and Base64-frames the arguments of every operation, calls one
// provider slot and keeps the outcome as the last error.
//
// Text results are written into `out` without a terminating zero; the
// caller zero-fills `out` beforehand. A text that does not fit, terminator
// included, answers kBufferTooSmall.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/providers/provider_factory.h"
#include "core/util/secret.h"
#include "core/util/status.h"

namespace orvane {

class CSecContext {
 public:
  CSecContext();
  explicit CSecContext(ProviderFactory factory);  // for tests
  ~CSecContext();
  CSecContext(const CSecContext&) = delete;
  CSecContext& operator=(const CSecContext&) = delete;

  Status Initialize(const char* prov, int32_t keyType, const char* path);

  Status SetParam(const char* name, const char* value);
  // Writes the provider's zero-terminated text (at most 1023 bytes + zero).
  Status GetParam(const char* name, char* out);

  Status GenKeyPair(std::span<char> out);
  Status MakeP10(const char* dn, int32_t hashAlg, std::span<char> out);
  Status SaveCert(const char* signCert, const char* encCert, const char* encKey);
  Status SaveCertChain(const char* certChain);
  Status GetCert(int32_t certType, std::span<char> out);
  Status GetCertInfo(const char* cert, int32_t infoType, std::span<char> out);
  Status GetCertInfoByOid(const char* cert, const char* oid, std::span<char> out);
  Status GenRandom(int32_t len, std::span<char> out);
  Status HashData(const char* data, int32_t hashAlg, std::span<char> out);
  Status HashFile(const char* file, int32_t hashAlg, std::span<char> out);
  Status SignData(const char* data, int32_t hashAlg, std::span<char> out);
  Status VerifySignData(const char* data, const char* sig, const char* cert, int32_t hashAlg);
  Status VerifyP7SignData(const char* p7);
  Status ImportP12Cert(int32_t certType, const char* p12, const char* pin);
  Status RemoveCert();
  Status SymmEncrypt(const char* data, const char* key, int32_t symmAlg, std::span<char> out);
  Status SymmDecrypt(const char* data, const char* key, int32_t symmAlg, std::span<char> out);
  Status SymmEncryptFile(const char* inFile, const char* outFile, const char* key, int32_t symmAlg);
  Status SymmDecryptFile(const char* inFile, const char* outFile, const char* key, int32_t symmAlg);
  Status MakeEnvelope(const char* data, const char* cert, std::span<char> out);
  Status OpenEnvelope(const char* envelope, std::span<char> out);
  Status VerifyPin(const char* pin);
  Status ModifyPin(const char* oldPin, const char* newPin);
  Status UnlockPin(const char* adminPin, const char* userPin);
  Status GetSeal(int32_t num, std::span<char> out);
  Status GetSealItem(const char* seal, int32_t itemType, std::span<char> out);
  Status VerifySeal(const char* seal);
  Status GetDeviceStatus();

  Status GetVersion(std::span<char> out);
  Status GetLastErrorCode(int32_t* out) const;
  Status GetLastErrorMsg(std::span<char> out) const;

  // State, for the front ends and tests.
  int32_t lastError() const { return lastError_; }
  CSecBase* provider() const { return provider_.get(); }
  const std::string& providerString() const { return providerString_; }
  int32_t keyType() const { return keyType_; }
  const std::string& keyPath() const { return keyPath_; }
  bool inputIsBase64() const { return inputIsBase64_ != 0; }

 private:
  Status Store(Status status) { return lastError_ = status; }
  Status InitializeChecked(const char* prov, int32_t keyType, const char* path);
  SecretBytes DataToSign(const char* data) const;
  Status SaveCertChecked(const char* signCert, const char* encCert, const char* encKey);

  ProviderFactory factory_;
  ProviderPtr provider_;
  std::string providerString_;
  int32_t keyType_ = 0;
  std::string keyPath_;
  int32_t inputIsBase64_ = 0;
  int32_t lastError_ = 0;
};

}  // namespace orvane
