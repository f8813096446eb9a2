#include "core/api/sec_context.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "core/providers/device_detection.h"
#include "core/resources/messages.h"
#include "core/util/base64.h"
#include "core/util/secret.h"

namespace orvane {
namespace {

// Texts of certificates and certificate chains are far longer than this;
// anything up to it is taken for a missing argument.
constexpr std::size_t kMinCertChars = 512;
constexpr std::size_t kMaxSignChars = 20480;
constexpr std::size_t kMaxPlainChars = 12288;
constexpr std::size_t kMaxCipherChars = 20480;
constexpr int32_t kMaxRandomLength = 1023;
constexpr std::string_view kVersion = "2.1.0.0";

// Provider output buffers.
constexpr std::size_t kKeyBuffer = 1024;
constexpr std::size_t kRequestBuffer = 2048;
constexpr std::size_t kCertBuffer = 4096;
constexpr std::size_t kInfoBuffer = 1024;
constexpr std::size_t kRandomBuffer = 2048;
constexpr std::size_t kDigestBuffer = 1024;
constexpr std::size_t kFileDigestBuffer = 128;
constexpr std::size_t kDataBuffer = 20480;
constexpr std::size_t kSealBuffer = 40960;
constexpr std::size_t kParamBuffer = 1024;

constexpr int32_t kInfoTypeBase64 = 22;

bool Empty(const char* s) { return s == nullptr || *s == '\0'; }
bool IsNull(std::span<char> out) { return out.data() == nullptr; }

const uint8_t* Bytes(const char* s) { return reinterpret_cast<const uint8_t*>(s); }
uint32_t Length(const char* s) { return static_cast<uint32_t>(std::strlen(s)); }

// A zero-filled buffer handed to a provider slot; wiped when released,
// since plaintexts and keys pass through it.
class SlotBuffer {
 public:
  explicit SlotBuffer(std::size_t capacity) : bytes_(capacity, 0), len_(static_cast<uint32_t>(capacity)) {}
  uint8_t* data() { return bytes_.data(); }
  uint32_t* len() { return &len_; }
  std::string_view result() const {
    return {reinterpret_cast<const char*>(bytes_.data()), std::min<std::size_t>(len_, bytes_.size())};
  }

 private:
  SecretBytes bytes_;
  uint32_t len_;
};

// Copies a text without its terminator; it must leave room for one.
Status WriteText(std::span<char> out, std::string_view text) {
  if (text.size() >= out.size()) return err::kBufferTooSmall;
  std::memcpy(out.data(), text.data(), text.size());
  return err::kOk;
}

// A Base64 argument decoded into bytes that are wiped when released.
struct Decoded {
  explicit Decoded(const char* text) { Base64DecodeInto(text, value); }
  const uint8_t* data() const { return value.data(); }
  uint32_t size() const { return static_cast<uint32_t>(value.size()); }
  SecretBytes value;
};

}  // namespace

CSecContext::CSecContext() : factory_(CreateProvider) {}
CSecContext::CSecContext(ProviderFactory factory) : factory_(std::move(factory)) {}
CSecContext::~CSecContext() = default;

// --- Provider selection ------------------------------------------------------

Status CSecContext::Initialize(const char* prov, int32_t keyType, const char* path) {
  return Store(InitializeChecked(prov, keyType, path));
}

Status CSecContext::InitializeChecked(const char* prov, int32_t keyType, const char* path) {
  if (prov == nullptr) return err::kParam;
  std::string providerString = prov;
  const std::string keyPath = path != nullptr ? path : "";
  if (providerString.empty()) return err::kProvider;
  if (keyType < kKeyUnset || keyType > kKeySm2) return err::kUnsupportedAlg;
  providerString = ResolveProviderString(providerString, keyType);

  const bool unchanged =
      provider_ && providerString == providerString_ && keyType == keyType_ && keyPath == keyPath_;
  if (!unchanged) {
    provider_.reset();
    providerString_ = providerString;
    keyType_ = keyType;
    keyPath_ = keyPath;
    auto created = factory_(providerString_, keyType_, keyPath_);
    if (!created.ok()) return created.status();
    provider_ = std::move(*created);
  }
  const Status opened = provider_->Open();
  if (opened != err::kOk) provider_.reset();
  return opened;
}

// --- Parameters ----------------------------------------------------------------

Status CSecContext::SetParam(const char* name, const char* value) {
  if (!provider_) return Store(err::kUninitialized);
  if (name == nullptr || value == nullptr) return Store(err::kParam);
  if (std::strcmp(name, "signintype") == 0 || std::strcmp(name, "intype") == 0) {
    if (std::strcmp(value, "base64") == 0) inputIsBase64_ = 1;
    return Store(err::kOk);
  }
  return Store(provider_->SetParam(name, value));
}

Status CSecContext::GetParam(const char* name, char* out) {
  if (!provider_) return Store(err::kUninitialized);
  if (name == nullptr || out == nullptr) return Store(err::kParam);
  std::string text(kParamBuffer, '\0');
  const Status rc = provider_->GetParam(name, text.data());
  if (rc != err::kOk) return Store(rc);
  const std::size_t len = strnlen(text.data(), kParamBuffer - 1);
  std::memcpy(out, text.data(), len);
  out[len] = '\0';
  return Store(err::kOk);
}

// --- Keys, requests and certificates --------------------------------------------

Status CSecContext::GenKeyPair(std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kKeyBuffer);
  const Status rc = provider_->GenKeyPair(buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

Status CSecContext::MakeP10(const char* dn, int32_t hashAlg, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (dn == nullptr || IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kRequestBuffer);
  const Status rc = provider_->MakeP10(dn, Length(dn), hashAlg, buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

Status CSecContext::SaveCert(const char* signCert, const char* encCert, const char* encKey) {
  if (!provider_) return Store(err::kUninitialized);
  return Store(SaveCertChecked(signCert, encCert, encKey));
}

Status CSecContext::SaveCertChecked(const char* signCert, const char* encCert, const char* encKey) {
  // A text of exactly 512 characters counts as absent, like any shorter one.
  auto present = [](const char* s) { return s != nullptr && std::strlen(s) > kMinCertChars; };
  const bool sign = present(signCert), enc = present(encCert), key = present(encKey);
  if (sign && !enc && !key) {
    Decoded cert(signCert);
    return provider_->SaveSignCert(cert.data(), cert.size());
  }
  if (enc && key) {
    Decoded encBytes(encCert), keyBytes(encKey);
    if (!sign) return provider_->SaveEncCert(encBytes.data(), encBytes.size(), keyBytes.data(), keyBytes.size());
    Decoded signBytes(signCert);
    return provider_->SaveSignAndEncCert(signBytes.data(), signBytes.size(), encBytes.data(), encBytes.size(),
                                         keyBytes.data(), keyBytes.size());
  }
  return err::kParam;
}

Status CSecContext::SaveCertChain(const char* certChain) {
  if (!provider_) return Store(err::kUninitialized);
  if (certChain == nullptr || std::strlen(certChain) <= kMinCertChars) return Store(err::kParam);
  Decoded chain(certChain);
  return Store(provider_->SaveCertChain(chain.data(), chain.size()));
}

Status CSecContext::GetCert(int32_t certType, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (certType != kCertEncryption && certType != kCertSigning) return Store(err::kUnsupportedCertType);
  if (IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kCertBuffer);
  const Status rc = provider_->GetCert(certType, buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

Status CSecContext::GetCertInfo(const char* cert, int32_t infoType, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (cert == nullptr || IsNull(out) || std::strlen(cert) <= kMinCertChars) return Store(err::kParam);
  Decoded der(cert);
  SlotBuffer buf(kInfoBuffer);
  const Status rc = provider_->GetCertInfo(der.data(), der.size(), infoType, buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  if (infoType == kInfoTypeBase64) return Store(WriteText(out, Base64Encode(buf.result())));
  return Store(WriteText(out, buf.result()));
}

Status CSecContext::GetCertInfoByOid(const char* cert, const char* oid, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (cert == nullptr || oid == nullptr || IsNull(out)) return Store(err::kParam);
  if (std::strlen(cert) <= kMinCertChars || *oid == '\0') return Store(err::kParam);
  Decoded der(cert);
  SlotBuffer buf(kInfoBuffer);
  const Status rc = provider_->GetCertInfoByOid(der.data(), der.size(), oid, buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, buf.result()));
}

Status CSecContext::ImportP12Cert(int32_t certType, const char* p12, const char* pin) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(p12) || Empty(pin)) return Store(err::kParam);
  Decoded der(p12);
  return Store(provider_->ImportP12Cert(certType, der.data(), der.size(), pin));
}

Status CSecContext::RemoveCert() {
  if (!provider_) return Store(err::kUninitialized);
  return Store(provider_->RemoveCert());
}

// --- Random numbers and digests ---------------------------------------------------

Status CSecContext::GenRandom(int32_t len, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (IsNull(out) || len < 1 || len > kMaxRandomLength) return Store(err::kParam);
  SlotBuffer buf(kRandomBuffer);
  const Status rc = provider_->GenRandom(len, buf.data());
  if (rc != err::kOk) return Store(rc);
  // The caller asked for `len` characters drawn from the Base64 alphabet.
  const std::string text = Base64Encode(buf.result().substr(0, static_cast<std::size_t>(len)));
  return Store(WriteText(out, std::string_view(text).substr(0, static_cast<std::size_t>(len))));
}

Status CSecContext::HashData(const char* data, int32_t hashAlg, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(data) || IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kDigestBuffer);
  const Status rc = provider_->HashData(hashAlg, Bytes(data), Length(data), buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

Status CSecContext::HashFile(const char* file, int32_t hashAlg, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(file) || IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kFileDigestBuffer);
  const Status rc = provider_->HashFile(hashAlg, file, buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

// --- Signatures ---------------------------------------------------------------------

// The data of a signature: the text itself, or its Base64 decoding once the
// "intype" parameter asked for it.
SecretBytes CSecContext::DataToSign(const char* data) const {
  if (inputIsBase64_ != 0) return Decoded(data).value;
  return SecretBytes(Bytes(data), Bytes(data) + std::strlen(data));
}

Status CSecContext::SignData(const char* data, int32_t hashAlg, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(data) || std::strlen(data) > kMaxSignChars || IsNull(out)) return Store(err::kParam);
  const SecretBytes input = DataToSign(data);
  SlotBuffer buf(kDataBuffer);
  const Status rc =
      provider_->SignData(hashAlg, input.data(), static_cast<uint32_t>(input.size()), buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

Status CSecContext::VerifySignData(const char* data, const char* sig, const char* cert, int32_t hashAlg) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(data) || Empty(sig) || cert == nullptr || std::strlen(cert) <= kMinCertChars) {
    return Store(err::kParam);
  }
  const SecretBytes input = DataToSign(data);
  Decoded signature(sig), der(cert);
  return Store(provider_->VerifySignData(hashAlg, input.data(), static_cast<uint32_t>(input.size()),
                                         signature.data(), signature.size(), der.data(), der.size()));
}

Status CSecContext::VerifyP7SignData(const char* p7) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(p7)) return Store(err::kParam);
  Decoded der(p7);
  return Store(provider_->VerifyP7SignData(der.data(), der.size()));
}

// --- Symmetric encryption and envelopes -------------------------------------------------

Status CSecContext::SymmEncrypt(const char* data, const char* key, int32_t symmAlg, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(data) || std::strlen(data) > kMaxPlainChars || Empty(key) || IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kDataBuffer);
  const Status rc = provider_->SymmEncrypt(symmAlg, Bytes(key), Bytes(key), Length(key), Bytes(data), Length(data),
                                           buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

Status CSecContext::SymmDecrypt(const char* data, const char* key, int32_t symmAlg, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(data) || std::strlen(data) > kMaxCipherChars || Empty(key) || IsNull(out)) return Store(err::kParam);
  Decoded cipher(data);
  SlotBuffer buf(kDataBuffer);
  const Status rc = provider_->SymmDecrypt(symmAlg, Bytes(key), Bytes(key), Length(key), cipher.data(),
                                           cipher.size(), buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, buf.result()));
}

Status CSecContext::SymmEncryptFile(const char* inFile, const char* outFile, const char* key, int32_t symmAlg) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(inFile) || Empty(outFile) || key == nullptr || symmAlg <= 0) return Store(err::kParam);
  return Store(provider_->SymmEncryptFile(symmAlg, Bytes(key), Bytes(key), Length(key), inFile, outFile));
}

Status CSecContext::SymmDecryptFile(const char* inFile, const char* outFile, const char* key, int32_t symmAlg) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(inFile) || Empty(outFile) || key == nullptr || symmAlg <= 0) return Store(err::kParam);
  return Store(provider_->SymmDecryptFile(symmAlg, Bytes(key), Bytes(key), Length(key), inFile, outFile));
}

Status CSecContext::MakeEnvelope(const char* data, const char* cert, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(data) || std::strlen(data) > kMaxPlainChars || Empty(cert) || IsNull(out)) return Store(err::kParam);
  Decoded der(cert);
  SlotBuffer buf(kDataBuffer);
  const Status rc =
      provider_->MakeEnvelope(0, Bytes(data), Length(data), der.data(), der.size(), buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, Base64Encode(buf.result())));
}

Status CSecContext::OpenEnvelope(const char* envelope, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(envelope) || std::strlen(envelope) >= kMaxCipherChars || IsNull(out)) return Store(err::kParam);
  Decoded der(envelope);
  SlotBuffer buf(kDataBuffer);
  const Status rc = provider_->OpenEnvelope(der.data(), der.size(), buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, buf.result()));
}

// --- PINs --------------------------------------------------------------------------------

Status CSecContext::VerifyPin(const char* pin) {
  if (!provider_) return Store(err::kUninitialized);
  if (pin == nullptr) return Store(err::kParam);
  return Store(provider_->VerifyPin(pin));
}

Status CSecContext::ModifyPin(const char* oldPin, const char* newPin) {
  if (!provider_) return Store(err::kUninitialized);
  if (oldPin == nullptr || newPin == nullptr) return Store(err::kParam);
  return Store(provider_->ModifyPin(oldPin, newPin));
}

Status CSecContext::UnlockPin(const char* adminPin, const char* userPin) {
  if (!provider_) return Store(err::kUninitialized);
  if (adminPin == nullptr || userPin == nullptr) return Store(err::kParam);
  return Store(provider_->UnlockPin(adminPin, userPin));
}

// --- Electronic seals -----------------------------------------------------------------------

Status CSecContext::GetSeal(int32_t num, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kSealBuffer);
  const Status rc = provider_->GetSeal(num, buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, buf.result()));
}

Status CSecContext::GetSealItem(const char* seal, int32_t itemType, std::span<char> out) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(seal) || IsNull(out)) return Store(err::kParam);
  SlotBuffer buf(kSealBuffer);
  const Status rc = provider_->GetSealItem(seal, Length(seal), itemType, buf.data(), buf.len());
  if (rc != err::kOk) return Store(rc);
  return Store(WriteText(out, buf.result()));
}

Status CSecContext::VerifySeal(const char* seal) {
  if (!provider_) return Store(err::kUninitialized);
  if (Empty(seal)) return Store(err::kParam);
  return Store(provider_->VerifySeal(seal, Length(seal)));
}

Status CSecContext::GetDeviceStatus() {
  if (!provider_) return Store(err::kUninitialized);
  return Store(provider_->GetDeviceStatus());
}

// --- Version and last error ------------------------------------------------------------------

Status CSecContext::GetVersion(std::span<char> out) {
  if (IsNull(out)) return Store(err::kParam);
  return Store(WriteText(out, kVersion));
}

Status CSecContext::GetLastErrorCode(int32_t* out) const {
  if (out == nullptr) return err::kParam;
  *out = lastError_;
  return err::kOk;
}

Status CSecContext::GetLastErrorMsg(std::span<char> out) const {
  if (IsNull(out)) return err::kParam;
  return WriteText(out, LoadMessageText(ErrorMessageId(lastError_)));
}

}  // namespace orvane
