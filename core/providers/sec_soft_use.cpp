// The file key store: reading the stored credentials and using them.
#include <cstring>

#include "core/crypto/pkcs7_signed.h"
#include "core/crypto/rsa_key.h"
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

constexpr std::size_t kMaxCredentialBytes = 4096;
constexpr std::size_t kSigningCertCapacity = 2048;


bool IsRsa(int32_t keyType) { return keyType == kKeyRsa1024 || keyType == kKeyRsa2048; }

// The whole file when it exists and is no larger than a credential can be.
std::optional<std::string> ReadCredential(const std::optional<std::string>& path) {
  std::string bytes;
  if (!path || !ReadFileToString(*path, bytes) || bytes.size() > kMaxCredentialBytes) return std::nullopt;
  return bytes;
}

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

}  // namespace

Status CSecSoftImpl::GetCert(int32_t certType, uint8_t* out, uint32_t* outLen) {
  const auto path = KeyFilePath(certType);
  const auto bytes = ReadCredential(path);
  if (!bytes) return err::kReadFile;
  if (keyType_ < kKeyRsa1024 || keyType_ > kKeySm2) return err::kUnsupportedAlg;
  if (IsRsa(keyType_)) {
    auto pin = VerifyFilePin(*path);
    if (!pin.ok()) return pin.status();
    auto contents = OpenPkcs12(Bytes(*bytes), pin->c_str());
    if (!contents.ok()) return contents.status();
    return CopyToSlot(CertificateDer(contents->cert.get()), out, outLen);
  }
  auto file = ReadSm2KeyFile(Bytes(*bytes));  // the certificate needs no PIN
  if (!file.ok()) return file.status();
  return CopyToSlot(file->cert, out, outLen);
}

Result<std::vector<uint8_t>> CSecSoftImpl::SignWithCredential(int32_t hashAlg, std::span<const uint8_t> data) {
  const auto path = KeyFilePath(kCertSigning);
  if (!path) return err::kReadKeyPair;
  auto pin = VerifyFilePin(*path);
  if (!pin.ok()) return pin.status();
  const auto bytes = ReadCredential(path);
  if (!bytes) return err::kReadFile;
  if (IsRsa(keyType_)) {
    auto contents = OpenPkcs12(Bytes(*bytes), pin->c_str());
    if (!contents.ok()) return contents.status();
    const auto md = FetchDigest(hashAlg);
    if (!md) return err::kUnsupportedAlg;
    return RsaSign(contents->key.get(), md.get(), data);
  }
  if (keyType_ != kKeySm2) return err::kUnsupportedAlg;
  auto file = ReadSm2KeyFile(Bytes(*bytes));
  if (!file.ok()) return file.status();
  auto key = DecryptWithPin(*pin, file->protectedKey);
  if (!key.ok()) return key.status();
  std::vector<uint8_t> signature;
  if (Sm2SignMessage(data, *key, &signature) != 0) return err::kSignData;
  return signature;
}

Status CSecSoftImpl::SignData(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out,
                              uint32_t* outLen) {
  if (data == nullptr || dataLen == 0) return err::kParam;
  if (hashAlg == 0) hashAlg = kHashSha1;
  if (keyType_ == kKeySm2) hashAlg = kHashSm3;  // SM2 signs the SM3 digest with the signer's identity
  auto signature = SignWithCredential(hashAlg, {data, dataLen});
  if (!signature.ok()) return signature.status();
  if (!pkcs7SignFlag()) return CopyToSlot(*signature, out, outLen);

  pkcs7Sign_ = 0;  // one setting covers one signature
  std::vector<uint8_t> cert(kSigningCertCapacity);
  uint32_t certLen = static_cast<uint32_t>(cert.size());
  if (GetCert(kCertSigning, cert.data(), &certLen) != err::kOk) return err::kReadCert;
  cert.resize(certLen);
  auto message = BuildSignedData(keyType_, hashAlg, {data, dataLen}, *signature, cert);
  if (!message.ok()) return message.status();
  return CopyToSlot(*message, out, outLen);
}

Status CSecSoftImpl::AsymmDecrypt(int32_t keySelector, const uint8_t* in, uint32_t inLen, uint8_t* out,
                                  uint32_t* outLen) {
  if (in == nullptr || inLen == 0) return err::kParam;
  const auto path = KeyFilePath(keySelector);
  if (!path) return err::kReadKeyPair;
  auto pin = VerifyFilePin(*path);
  if (!pin.ok()) return pin.status();
  const auto bytes = ReadCredential(path);
  if (!bytes) return err::kReadFile;
  auto contents = OpenPkcs12(Bytes(*bytes), pin->c_str());
  if (!contents.ok()) return contents.status();
  auto plain = RsaDecrypt(contents->key.get(), {in, inLen});
  if (!plain.ok()) return plain.status();
  return CopyToSlot(*plain, out, outLen);
}

// The imported file becomes the credential of its type, so it must open
// with the given password first: writing unchecked bytes would destroy the
// credential already there.
Status CSecSoftImpl::ImportP12Cert(int32_t certType, const uint8_t* p12, uint32_t p12Len, const char* pin) {
  if (p12 == nullptr || p12Len == 0 || pin == nullptr) return err::kParam;
  const std::span<const uint8_t> bytes(p12, p12Len);
  if (keyType_ == kKeyUnset) keyType_ = IsPkcs12(bytes) ? kKeyRsa1024 : kKeySm2;
  if (IsRsa(keyType_)) {
    if (!IsPkcs12(bytes)) return err::kDecodeP12;
    if (!OpenPkcs12(bytes, pin).ok()) return err::kP12Pin;
  } else {
    auto file = ReadSm2KeyFile(bytes);
    if (!file.ok()) return file.status();
    auto key = DecryptWithPin(pin, file->protectedKey);
    Sm2Key sm2;
    if (!key.ok() || Sm2LoadPrivateKey(&sm2, *key) != 0) return err::kP12Pin;
  }
  const auto path = KeyFilePath(certType);
  if (!path || !WriteFileAtomically(*path, bytes)) return err::kSaveCert;
  return err::kOk;
}

Status CSecSoftImpl::VerifyPin(const char*) {
  // The user proves the PIN in the dialog (or through the cache).
  const auto path = KeyFilePath(kCertSigning);
  if (!path) return err::kReadKeyPair;
  return VerifyFilePin(*path).status();
}

Status CSecSoftImpl::MakeSm2P12(const uint8_t* key, uint32_t keyLen, const uint8_t* cert, uint32_t certLen,
                                const char* password, uint8_t* out, uint32_t* outLen) {
  if (key == nullptr || cert == nullptr || password == nullptr) return err::kParam;
  auto sealed = EncryptWithPin(password, {key, keyLen});
  if (!sealed.ok()) return sealed.status();
  auto file = EncodeSm2KeyFile(*sealed, {cert, certLen});
  if (!file.ok()) return file.status();
  return CopyToSlot(*file, out, outLen);
}

}  // namespace orvane
