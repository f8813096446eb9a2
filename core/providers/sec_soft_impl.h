// CSecSoftImpl: keys and certificates kept in PIN-protected files in one
// folder ("<key directory>/<container>/").
#pragma once

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

 private:
  std::string providerString_;
  std::string keyDirectory_;
  SecretString cachedPin_;
  std::string containerName_;
};

}  // namespace orvane
