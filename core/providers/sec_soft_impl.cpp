#include "core/providers/sec_soft_impl.h"

#include <algorithm>
#include <cstdlib>

#include "core/platform/host.h"

namespace orvane {
namespace {

constexpr const char* kDefaultContainer = "Cont1";

std::string WithForwardSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

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

// --- Key-store operations not built yet --------------------------------------

Status CSecSoftImpl::GenKeyPair(uint8_t*, uint32_t*) { return err::kUnrealized; }
Status CSecSoftImpl::SaveSignCert(const uint8_t*, uint32_t) { return err::kUnrealized; }
Status CSecSoftImpl::SaveSignAndEncCert(const uint8_t*, uint32_t, const uint8_t*, uint32_t, const uint8_t*,
                                        uint32_t) {
  return err::kUnrealized;
}
Status CSecSoftImpl::SaveEncCert(const uint8_t*, uint32_t, const uint8_t*, uint32_t) { return err::kUnrealized; }
Status CSecSoftImpl::GetCert(int32_t, uint8_t*, uint32_t*) { return err::kUnrealized; }
Status CSecSoftImpl::SignData(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) { return err::kUnrealized; }
Status CSecSoftImpl::AsymmDecrypt(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) {
  return err::kUnrealized;
}
Status CSecSoftImpl::ImportP12Cert(int32_t, const uint8_t*, uint32_t, const char*) { return err::kUnrealized; }
Status CSecSoftImpl::VerifyPin(const char*) { return err::kUnrealized; }
Status CSecSoftImpl::SignWithNewKey(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) {
  return err::kUnrealized;
}
Status CSecSoftImpl::MakeSm2P12(const uint8_t*, uint32_t, const uint8_t*, uint32_t, const char*, uint8_t*,
                                uint32_t*) {
  return err::kUnrealized;
}

}  // namespace orvane
