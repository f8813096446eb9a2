// CSecBase: the key store behind a context.
//
// The virtual operations form a fixed slot table; every concrete provider
// overrides the slots its store offers. Byte arguments are raw bytes with an
// explicit length; every output is a buffer plus an in/out length whose
// incoming value is the capacity and outgoing value the number of bytes
// written. Results are status codes (core/util/status.h).
#pragma once

#include <cstdint>
#include <cstddef>
#include <map>
#include <string>

#include <openssl/x509.h>

#include "core/util/status.h"

namespace orvane {

// Key types given to a provider.
enum KeyType : int32_t { kKeyUnset = 0, kKeyRsa1024 = 1, kKeyRsa2048 = 2, kKeySm2 = 3 };

// Hash algorithm numbers.
enum HashAlg : int32_t { kHashSha1 = 1, kHashSha256 = 2, kHashSha512 = 3, kHashMd5 = 4, kHashMd4 = 5, kHashSm3 = 6 };

// Certificate types (the key specification numbers).
enum CertType : int32_t { kCertEncryption = 1, kCertSigning = 2 };

class CSecBase {
 public:
  static constexpr std::size_t kParamCapacity = 1024;

  explicit CSecBase(int32_t keyType) : keyType_(keyType) {}
  virtual ~CSecBase() = default;
  CSecBase(const CSecBase&) = delete;
  CSecBase& operator=(const CSecBase&) = delete;

  // --- Slots, in table order ------------------------------------------------
  virtual Status GetVersion(char* out);
  virtual Status Open();
  virtual Status GetDeviceStatus();
  virtual Status SetParam(const char* name, const char* value);
  // Writes a zero-terminated text of at most kParamCapacity bytes, terminator
  // included; an unknown name writes nothing.
  virtual Status GetParam(const char* name, char* out);
  virtual Status GenKeyPair(uint8_t* out, uint32_t* outLen) = 0;
  virtual Status MakeP10(const char* dn, uint32_t dnLen, int32_t hashAlg, uint8_t* out, uint32_t* outLen);
  virtual Status SaveSignCert(const uint8_t* cert, uint32_t certLen) = 0;
  virtual Status SaveSignAndEncCert(const uint8_t* signCert, uint32_t signCertLen, const uint8_t* encCert,
                                    uint32_t encCertLen, const uint8_t* encKey, uint32_t encKeyLen) = 0;
  virtual Status SaveEncCert(const uint8_t* encCert, uint32_t encCertLen, const uint8_t* encKey,
                             uint32_t encKeyLen) = 0;
  virtual Status SaveCertChain(const uint8_t* p7, uint32_t p7Len);
  virtual Status GenRandom(int32_t len, uint8_t* out);
  virtual Status HashData(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out, uint32_t* outLen);
  virtual Status HashFile(int32_t hashAlg, const char* path, uint8_t* out, uint32_t* outLen);
  virtual Status GetCert(int32_t certType, uint8_t* out, uint32_t* outLen) = 0;
  virtual Status GetCertInfo(const uint8_t* cert, uint32_t certLen, int32_t infoType, uint8_t* out,
                             uint32_t* outLen);
  virtual Status GetCertInfoByOid(const uint8_t* cert, uint32_t certLen, const char* oid, uint8_t* out,
                                  uint32_t* outLen);
  virtual Status SignData(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out,
                          uint32_t* outLen) = 0;
  virtual Status VerifySignData(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, const uint8_t* sig,
                                uint32_t sigLen, const uint8_t* cert, uint32_t certLen);
  virtual Status VerifyP7SignData(const uint8_t* p7, uint32_t p7Len);
  virtual Status SymmEncrypt(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                             const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen);
  virtual Status SymmDecrypt(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                             const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen);
  virtual Status SymmEncryptFile(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                                 const char* inPath, const char* outPath);
  virtual Status SymmDecryptFile(int32_t symmAlg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                                 const char* inPath, const char* outPath);
  virtual Status AsymmEncrypt(const uint8_t* cert, uint32_t certLen, const uint8_t* in, uint32_t inLen,
                              uint8_t* out, uint32_t* outLen);
  virtual Status AsymmDecrypt(int32_t keySelector, const uint8_t* in, uint32_t inLen, uint8_t* out,
                              uint32_t* outLen) = 0;
  virtual Status MakeEnvelope(int32_t reserved, const uint8_t* data, uint32_t dataLen, const uint8_t* cert,
                              uint32_t certLen, uint8_t* out, uint32_t* outLen);
  virtual Status OpenEnvelope(const uint8_t* envelope, uint32_t envelopeLen, uint8_t* out, uint32_t* outLen);
  virtual Status ReservedOpA(uintptr_t a, uintptr_t b, uintptr_t c, uintptr_t d);
  virtual Status ReservedOpB(uintptr_t a, uintptr_t b);
  virtual Status ImportP12Cert(int32_t certType, const uint8_t* p12, uint32_t p12Len, const char* pin);
  virtual Status RemoveCert();
  virtual Status VerifyPin(const char* pin);
  virtual Status ModifyPin(const char* oldPin, const char* newPin);
  virtual Status UnlockPin(const char* adminPin, const char* userPin);
  virtual Status GetSeal(int32_t num, uint8_t* out, uint32_t* outLen);
  virtual Status GetSealItem(const char* seal, uint32_t sealLen, int32_t itemType, uint8_t* out, uint32_t* outLen);
  virtual Status VerifySeal(const char* seal, uint32_t sealLen);
  virtual Status ParseEnvelope(const uint8_t* envelope, uint32_t envelopeLen, uint8_t* encKey, uint32_t* encKeyLen,
                               uint8_t* encData, uint32_t* encDataLen, int32_t* symmAlg);
  virtual Status TestKeyPair(const uint8_t* key, uint32_t keyLen, const uint8_t* cert, uint32_t certLen);
  virtual Status SetP10Subject(X509_REQ* req, const char* dn);
  virtual Status SignWithNewKey(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out,
                                uint32_t* outLen) = 0;
  // Key type of a DER certificate: 1, 2, 3, or -1 when it cannot be told.
  virtual int32_t GetCertKeyType(const uint8_t* cert, uint32_t certLen);
  virtual Status MakeP10Rsa(const char* dn, uint32_t dnLen, int32_t hashAlg, uint8_t* out, uint32_t* outLen);
  virtual Status MakeP10Sm2(const char* dn, uint32_t dnLen, int32_t hashAlg, uint8_t* out, uint32_t* outLen);
  virtual Status MakeRsaP12(const uint8_t* key, uint32_t keyLen, const uint8_t* cert, uint32_t certLen,
                            const char* password, uint8_t* out, uint32_t* outLen);
  virtual Status MakeSm2P12(const uint8_t* key, uint32_t keyLen, const uint8_t* cert, uint32_t certLen,
                            const char* password, uint8_t* out, uint32_t* outLen);

  // --- Members --------------------------------------------------------------
  int32_t keyType() const { return keyType_; }
  int32_t envelopeSymmAlg() const { return envelopeSymmAlg_; }
  bool pkcs7SignFlag() const { return pkcs7Sign_ != 0; }
  bool decryptWithSigningKey() const { return decryptWithSignKey_ != 0; }
  const std::string& filterText() const { return filterText_; }
  const std::map<std::string, std::string>& filterMap() const { return filterMap_; }

 protected:
  int32_t keyType_;
  int32_t envelopeSymmAlg_ = 0;
  uint8_t pkcs7Sign_ = 0;
  uint8_t decryptWithSignKey_ = 0;
  std::string filterText_;
  std::map<std::string, std::string> filterMap_;
};

}  // namespace orvane
