// Shared provider operations: settings and host facts by name.
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/providers/cert_filter.h"
#include "core/providers/device_detection.h"
#include "core/providers/sec_base.h"
#include "core/util/host_facts.h"

namespace orvane {
namespace {

bool Is(const char* text, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (std::strcmp(text, name) == 0) return true;
  }
  return false;
}

int32_t EnvelopeAlgorithmByName(const char* value) {
  if (std::strcmp(value, "SM1_ECB") == 0) return 13;
  if (std::strcmp(value, "AES_ECB") == 0) return 5;
  return 11;  // SM4-ECB, also for every unknown name
}

// The fact a parameter name asks for; nullopt for unknown names.
std::optional<std::string> HostFact(const char* name) {
  if (Is(name, {"macaddress", "mac_address"})) return GetMacAddress();
  if (Is(name, {"hostname", "host_name"})) return GetHostNameText();
  if (Is(name, {"hostaddress", "host_address"})) return GetHostAddress();
  if (Is(name, {"devicevid", "device_vid"})) {
    std::string list = GetDeviceVidList();
    if (list.size() >= 2) list.resize(list.size() - 2);  // without the last "&&"
    return list;
  }
  return std::nullopt;
}

}  // namespace

Status CSecBase::SetParam(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return err::kParam;
  if (std::strcmp(name, "signtype") == 0) {
    if (Is(value, {"pkcs7", "pksc7"})) pkcs7Sign_ = 1;
  } else if (std::strcmp(name, "SymmAlg") == 0) {
    envelopeSymmAlg_ = EnvelopeAlgorithmByName(value);
  } else if (std::strcmp(name, "DecryptCert") == 0) {
    if (Is(value, {"Sign", "SIGN", "sign"})) decryptWithSignKey_ = 1;
  } else if (std::strcmp(name, "filter") == 0) {
    filterText_ = value;
    if (*value == '\0') {
      filterMap_.clear();
    } else {
      ParseFilterText(value, filterMap_);
    }
  }
  return err::kOk;
}

Status CSecBase::GetParam(const char* name, char* out) {
  if (name == nullptr || out == nullptr) return err::kParam;
  const auto fact = HostFact(name);
  if (!fact || fact->empty()) return err::kOk;
  if (fact->size() >= kParamCapacity) return err::kBufferTooSmall;
  std::memcpy(out, fact->data(), fact->size());
  out[fact->size()] = '\0';
  return err::kOk;
}

}  // namespace orvane
