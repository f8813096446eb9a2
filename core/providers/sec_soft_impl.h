// CSecSoftImpl: keys and certificates kept in PIN-protected files in one
// folder ("<key directory>/<container>/"):
//   Sign.key            the pending private key of an outstanding request
//   Sign.p12, Enc.p12   RSA signing and encryption credentials (PKCS#12)
//   Sign.sm2, Enc.sm2   SM2 credentials (SM2_PKCS12)
// Private keys are protected with the PIN (core/providers/pin_protection.h).
#pragma once

#include <optional>
#include <span>
#include <vector>
#include <string>

#include "core/providers/sec_base.h"
#include "core/util/secret.h"

namespace orvane {

class CSecSoftImpl : public CSecBase {
 public:
  // `path` is "directory", "directory?container" or empty (the default
  // directory and container "Cont1").
  CSecSoftImpl(std::string providerString, int32_t keyType, const std::string& path);

  const std::string& keyDirectory() const { return keyDirectory_; }
  const std::string& containerName() const { return containerName_; }
  // The folder that holds the files, ending in a separator.
  std::string Folder() const;

  // The default key directory: $XDG_DATA_HOME/orvane/Cont, else
  // ~/.local/share/orvane/Cont.
  static std::string DefaultKeyDirectory();

  Status GenKeyPair(uint8_t* out, uint32_t* outLen) override;
  Status SaveSignCert(const uint8_t* cert, uint32_t certLen) override;
  Status SaveSignAndEncCert(const uint8_t* signCert, uint32_t signCertLen, const uint8_t* encCert,
                            uint32_t encCertLen, const uint8_t* encKey, uint32_t encKeyLen) override;
  Status SaveEncCert(const uint8_t* encCert, uint32_t encCertLen, const uint8_t* encKey,
                     uint32_t encKeyLen) override;
  Status GetCert(int32_t certType, uint8_t* out, uint32_t* outLen) override;
  Status SignData(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out, uint32_t* outLen) override;
  Status AsymmDecrypt(int32_t keySelector, const uint8_t* in, uint32_t inLen, uint8_t* out,
                      uint32_t* outLen) override;
  Status ImportP12Cert(int32_t certType, const uint8_t* p12, uint32_t p12Len, const char* pin) override;
  Status VerifyPin(const char* pin) override;
  Status SignWithNewKey(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out,
                        uint32_t* outLen) override;
  Status MakeSm2P12(const uint8_t* key, uint32_t keyLen, const uint8_t* cert, uint32_t certLen,
                    const char* password, uint8_t* out, uint32_t* outLen) override;

  // File of the credential of a certificate type, or nullopt when none can
  // be named (key type 0 and no credential file in the folder). With key
  // type 0 the first credential file found decides the key type.
  std::optional<std::string> KeyFilePath(int32_t certType);
  std::string PendingKeyFilePath() const { return Folder() + "Sign.key"; }

 private:
  // The cached PIN, or the PIN dialog (new-PIN mode when remaining is -1).
  Result<SecretString> GetPin(int remaining, int maximum);
  // Proves a PIN against a key file by its extension, up to five attempts;
  // the right PIN is cached and returned.
  Result<SecretString> VerifyFilePin(const std::string& path);
  bool PinOpensFile(const std::string& extension, const std::string& bytes, const SecretString& pin) const;
  bool IsPrivateKeyOfKeyType(std::span<const uint8_t> der) const;
  // Reads Sign.key after proving the PIN: the pending private key DER.
  Result<SecretBytes> ReadPendingKey();
  // Signs with the credential of `certType`.
  Result<std::vector<uint8_t>> SignWithCredential(int32_t hashAlg, std::span<const uint8_t> data);
  // Writes a credential for `key` and `cert` to the file of `certType` and,
  // for RSA, imports it into the user's store.
  Status StoreCredential(int32_t certType, std::span<const uint8_t> key, std::span<const uint8_t> cert,
                         const SecretString& pin);
  // Opens a delivered encryption key: the symmetric key is sealed with the
  // pending (RSA) signing key, the key pair with that symmetric key.
  Status OpenDeliveredKey(std::span<const uint8_t> envelope, SecretBytes* signingKey, SecretBytes* encryptionKey,
                          SecretString* pin);

  std::string providerString_;
  std::string keyDirectory_;
  SecretString cachedPin_;
  std::string containerName_;
};

}  // namespace orvane
