// The file key store: folder, file names and the PIN.
#include "core/providers/sec_soft_impl.h"

#include <algorithm>
#include <cstdlib>

#include "core/crypto/rsa_key.h"
#include "core/platform/host.h"
#include "core/providers/pin_dialog.h"
#include "core/providers/pin_protection.h"
#include "core/providers/soft_credentials.h"
#include "core/resources/dialog_texts.h"
#include "core/util/files.h"
#include "core/util/sm2/sm2_key.h"

namespace orvane {
namespace {

constexpr const char* kDefaultContainer = "Cont1";
constexpr int kPinAttempts = 5;
constexpr std::size_t kMaxKeyFileBytes = 4096;

std::string WithForwardSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

}  // namespace

CSecSoftImpl::CSecSoftImpl(std::string providerString, int32_t keyType, const std::string& path)
    : CSecBase(keyType), providerString_(std::move(providerString)) {
  const auto question = path.find('?');
  if (path.empty()) {
    keyDirectory_ = DefaultKeyDirectory();
    containerName_ = kDefaultContainer;
  } else if (question == std::string::npos) {
    keyDirectory_ = WithForwardSlashes(path);
    containerName_ = kDefaultContainer;
  } else {
    keyDirectory_ = WithForwardSlashes(path.substr(0, question));
    containerName_ = path.substr(question + 1);
  }
}

std::string CSecSoftImpl::DefaultKeyDirectory() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && *dataHome != '\0') return std::string(dataHome) + "/orvane/Cont";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share/orvane/Cont";
}

std::string CSecSoftImpl::Folder() const {
  // The temporary directory already ends in a separator.
  if (keyDirectory_.empty()) return platform::TempDirectory() + "/" + containerName_ + "/";
  return keyDirectory_ + "/" + containerName_ + "/";
}

std::optional<std::string> CSecSoftImpl::KeyFilePath(int32_t certType) {
  const std::string base = Folder() + (certType == kCertSigning ? "Sign" : "Enc");
  if (keyType_ == kKeyUnset) {
    // The first credential file, in name order, tells what kind of keys the
    // folder holds.
    std::vector<std::string> files;
    ListFilesRecursive(Folder(), files);
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      if (EndsWith(file, ".p12")) keyType_ = kKeyRsa1024;
      if (EndsWith(file, ".sm2")) keyType_ = kKeySm2;
      if (keyType_ != kKeyUnset) break;
    }
    if (keyType_ == kKeyUnset) return std::nullopt;
  }
  return base + (keyType_ == kKeyRsa1024 || keyType_ == kKeyRsa2048 ? ".p12" : ".sm2");
}

// --- PIN ---------------------------------------------------------------------------

Result<SecretString> CSecSoftImpl::GetPin(int remaining, int maximum) {
  if (!cachedPin_.empty()) return SecretString(cachedPin_);
  return ShowPinEntryDialog({dialog_text::kSoftFileTitle, remaining, maximum});
}

bool CSecSoftImpl::IsPrivateKeyOfKeyType(std::span<const uint8_t> der) const {
  const bool rsa = keyType_ != kKeySm2 && LoadRsaPrivateKey(der) != nullptr;
  if (rsa) return true;
  Sm2Key sm2;
  return keyType_ != kKeyRsa1024 && keyType_ != kKeyRsa2048 && Sm2LoadPrivateKey(&sm2, der) == 0;
}

// A PIN is right only when the protected key decrypts and the result is a
// key: a wrong PIN can decrypt to garbage that happens to end in valid
// padding.
bool CSecSoftImpl::PinOpensFile(const std::string& extension, const std::string& bytes,
                                const SecretString& pin) const {
  if (extension == ".key") {
    auto key = DecryptWithPin(pin, Bytes(bytes));
    return key.ok() && IsPrivateKeyOfKeyType(*key);
  }
  if (extension == ".p12") {
    // A file that is no PKCS#12 at all cannot tell a wrong PIN; reading it
    // fails later with its own code.
    return !IsPkcs12(Bytes(bytes)) || OpenPkcs12(Bytes(bytes), pin.c_str()).ok();
  }
  if (extension == ".sm2") {
    auto file = ReadSm2KeyFile(Bytes(bytes));
    if (!file.ok()) return false;
    auto key = DecryptWithPin(pin, file->protectedKey);
    return key.ok() && IsPrivateKeyOfKeyType(*key);
  }
  return true;
}

Result<SecretString> CSecSoftImpl::VerifyFilePin(const std::string& path) {
  const auto dot = path.find_last_of('.');
  const auto slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return err::kReadKeyPair;
  std::string bytes;
  if (!ReadFileToString(path, bytes) || bytes.size() > kMaxKeyFileBytes) return err::kReadKeyPair;
  const std::string extension = path.substr(dot);
  for (int remaining = kPinAttempts; remaining > 0; --remaining) {
    auto pin = GetPin(remaining, kPinAttempts);
    if (!pin.ok()) return err::kCancelPin;
    if (PinOpensFile(extension, bytes, *pin)) {
      cachedPin_ = *pin;
      return pin;
    }
  }
  return err::kDeviceLocked;
}

Result<SecretBytes> CSecSoftImpl::ReadPendingKey() {
  auto pin = VerifyFilePin(PendingKeyFilePath());
  if (!pin.ok()) return pin.status();
  std::string bytes;
  if (!ReadFileToString(PendingKeyFilePath(), bytes)) return err::kReadKeyPair;
  return DecryptWithPin(*pin, Bytes(bytes));
}

}  // namespace orvane
