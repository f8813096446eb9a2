// The file key store: new keys, requests and the storage of issued
// certificates.
#include <cstdio>
#include <cstring>

#include "core/crypto/pkcs7_sign_envelope.h"
#include "core/crypto/rsa_key.h"
#include "core/platform/cert_store.h"
#include "core/providers/hash_algorithms.h"
#include "core/providers/pin_protection.h"
#include "core/providers/sec_soft_impl.h"
#include "core/providers/slot_output.h"
#include "core/providers/soft_credentials.h"
#include "core/util/files.h"
#include "core/util/sm2/sm2_key.h"
#include "core/util/sm2/sm2_sign.h"

namespace orvane {
namespace {

constexpr int kPinAttempts = 5;
constexpr int kNewPin = -1;
constexpr std::size_t kCredentialCapacity = 16384;

struct NewKey {
  SecretBytes privateDer;
  std::vector<uint8_t> publicDer;
};

Result<NewKey> GenerateKey(int32_t keyType) {
  if (keyType == kKeyRsa1024 || keyType == kKeyRsa2048) {
    auto pair = GenerateRsaKeyPair(keyType == kKeyRsa1024 ? 1024 : 2048);
    if (!pair.ok()) return pair.status();
    return NewKey{std::move(pair->privateDer), std::move(pair->publicDer)};
  }
  if (keyType == kKeySm2) {
    NewKey key;
    if (Sm2GenerateKeyPair(&key.publicDer, &key.privateDer) != 0) return err::kGenKeyPair;
    return key;
  }
  return err::kUnsupportedAlg;
}


bool IsRsa(int32_t keyType) { return keyType == kKeyRsa1024 || keyType == kKeyRsa2048; }

}  // namespace

Status CSecSoftImpl::GenKeyPair(uint8_t* out, uint32_t* outLen) {
  auto key = GenerateKey(keyType_);
  if (!key.ok()) return key.status();
  auto pin = GetPin(kNewPin, kPinAttempts);
  if (!pin.ok()) return err::kCancelPin;
  cachedPin_ = *pin;
  auto sealed = EncryptWithPin(*pin, key->privateDer);
  if (!sealed.ok()) return sealed.status();
  if (!WriteFileAtomically(PendingKeyFilePath(), *sealed)) return err::kSaveKeyPair;
  return CopyToSlot(key->publicDer, out, outLen);
}

Status CSecSoftImpl::SignWithNewKey(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out,
                                    uint32_t* outLen) {
  std::string sealed;
  if (!ReadFileToString(PendingKeyFilePath(), sealed) || sealed.size() > 4096) return err::kReadKeyPair;
  auto pin = GetPin(kNewPin, kPinAttempts);
  if (!pin.ok()) return err::kCancelPin;
  auto key = DecryptWithPin(*pin, {reinterpret_cast<const uint8_t*>(sealed.data()), sealed.size()});
  if (!key.ok()) return key.status();
  if (IsRsa(keyType_)) {
    const auto rsa = LoadRsaPrivateKey(*key);
    if (!rsa) return err::kPrivateKey;
    const auto md = FetchDigest(hashAlg);
    if (!md) return err::kUnsupportedAlg;
    auto signature = RsaSign(rsa.get(), md.get(), {data, dataLen});
    if (!signature.ok()) return signature.status();
    return CopyToSlot(*signature, out, outLen);
  }
  if (keyType_ == kKeySm2) {
    std::vector<uint8_t> signature;
    if (Sm2SignMessage({data, dataLen}, *key, &signature) != 0) return err::kSignData;
    return CopyToSlot(signature, out, outLen);
  }
  return err::kUnsupportedAlg;
}

// --- Issued certificates -----------------------------------------------------------

Status CSecSoftImpl::StoreCredential(int32_t certType, std::span<const uint8_t> key, std::span<const uint8_t> cert,
                                     const SecretString& pin) {
  std::vector<uint8_t> credential(kCredentialCapacity);
  uint32_t len = static_cast<uint32_t>(credential.size());
  Status made = err::kUnsupported;
  if (IsRsa(keyType_)) {
    made = MakeRsaP12(key.data(), uint32_t(key.size()), cert.data(), uint32_t(cert.size()), pin.c_str(),
                      credential.data(), &len);
  } else if (keyType_ == kKeySm2) {
    made = MakeSm2P12(key.data(), uint32_t(key.size()), cert.data(), uint32_t(cert.size()), pin.c_str(),
                      credential.data(), &len);
  }
  if (made != err::kOk) return made;
  credential.resize(len);
  const auto path = KeyFilePath(certType);
  if (!path || !WriteFileAtomically(*path, credential)) return err::kSaveCert;
  if (IsRsa(keyType_)) return platform::ImportPkcs12ToUserStore(credential, pin.c_str());
  return err::kOk;
}

Status CSecSoftImpl::SaveSignCert(const uint8_t* cert, uint32_t certLen) {
  if (cert == nullptr || certLen == 0) return err::kParam;
  auto key = ReadPendingKey();
  if (!key.ok()) return key.status();
  const Status matches = TestKeyPair(key->data(), uint32_t(key->size()), cert, certLen);
  if (matches != err::kOk) return matches;
  const Status stored = StoreCredential(kCertSigning, *key, {cert, certLen}, cachedPin_);
  if (stored != err::kOk) return stored;
  std::remove(PendingKeyFilePath().c_str());
  return err::kOk;
}

Status CSecSoftImpl::OpenDeliveredKey(std::span<const uint8_t> envelope, SecretBytes* signingKey,
                                      SecretBytes* encryptionKey, SecretString* pin) {
  auto parts = ParseSignedAndEnvelopedData(envelope);
  if (!parts.ok()) return parts.status();
  auto pending = VerifyFilePin(PendingKeyFilePath());
  if (!pending.ok()) return pending.status();
  *pin = *pending;
  auto key = ReadPendingKey();
  if (!key.ok()) return err::kPrivateKey;
  const auto rsa = LoadRsaPrivateKey(*key);
  if (!rsa) return err::kPrivateKey;
  auto symmetricKey = RsaDecrypt(rsa.get(), parts->encryptedKey);
  if (!symmetricKey.ok()) return err::kAsymmDecrypt;
  SecretBytes plain(parts->encryptedContent.size() + 16);
  uint32_t plainLen = static_cast<uint32_t>(plain.size());
  const Status opened = SymmDecrypt(parts->symmAlg, nullptr, symmetricKey->data(), uint32_t(symmetricKey->size()),
                                    parts->encryptedContent.data(), uint32_t(parts->encryptedContent.size()),
                                    plain.data(), &plainLen);
  if (opened != err::kOk) return opened;
  plain.resize(plainLen);
  *signingKey = std::move(*key);
  *encryptionKey = std::move(plain);
  return err::kOk;
}

Status CSecSoftImpl::SaveEncCert(const uint8_t* encCert, uint32_t encCertLen, const uint8_t* encKey,
                                 uint32_t encKeyLen) {
  if (encCert == nullptr || encCertLen == 0 || encKey == nullptr || encKeyLen == 0) return err::kParam;
  SecretBytes signingKey, encryptionKey;
  SecretString pin;
  const Status opened = OpenDeliveredKey({encKey, encKeyLen}, &signingKey, &encryptionKey, &pin);
  if (opened != err::kOk) return opened;
  const Status matches = TestKeyPair(encryptionKey.data(), uint32_t(encryptionKey.size()), encCert, encCertLen);
  if (matches != err::kOk) return matches;
  const Status stored = StoreCredential(kCertEncryption, encryptionKey, {encCert, encCertLen}, pin);
  if (stored != err::kOk) return stored;
  std::remove(PendingKeyFilePath().c_str());
  return err::kOk;
}

Status CSecSoftImpl::SaveSignAndEncCert(const uint8_t* signCert, uint32_t signCertLen, const uint8_t* encCert,
                                        uint32_t encCertLen, const uint8_t* encKey, uint32_t encKeyLen) {
  if (signCert == nullptr || signCertLen == 0 || encCert == nullptr || encCertLen == 0 || encKey == nullptr ||
      encKeyLen == 0) {
    return err::kParam;
  }
  SecretBytes signingKey, encryptionKey;
  SecretString pin;
  const Status opened = OpenDeliveredKey({encKey, encKeyLen}, &signingKey, &encryptionKey, &pin);
  if (opened != err::kOk) return opened;
  // Both pairs are checked before anything is written.
  Status matches = TestKeyPair(signingKey.data(), uint32_t(signingKey.size()), signCert, signCertLen);
  if (matches == err::kOk) {
    matches = TestKeyPair(encryptionKey.data(), uint32_t(encryptionKey.size()), encCert, encCertLen);
  }
  if (matches != err::kOk) return matches;
  Status stored = StoreCredential(kCertSigning, signingKey, {signCert, signCertLen}, pin);
  if (stored == err::kOk) stored = StoreCredential(kCertEncryption, encryptionKey, {encCert, encCertLen}, pin);
  if (stored != err::kOk) return stored;
  std::remove(PendingKeyFilePath().c_str());
  return err::kOk;
}

}  // namespace orvane
