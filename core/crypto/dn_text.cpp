#include "core/crypto/dn_text.h"

#include <map>
#include <string>

#include <openssl/objects.h>

#include "core/util/ossl_ptr.h"
#include "core/util/text_convert.h"

namespace orvane {
namespace {

constexpr uint32_t kMaxValueBytes = 1024;

struct DnKey {
  std::string_view key;
  int nid;
};

constexpr DnKey kKeys[] = {
    {"C", NID_countryName},
    {"CN", NID_commonName},
    {"L", NID_localityName},
    {"ST", NID_stateOrProvinceName},
    {"S", NID_stateOrProvinceName},
    {"O", NID_organizationName},
    {"OU", NID_organizationalUnitName},
    {"E", NID_pkcs9_emailAddress},
    {"emailAddress", NID_pkcs9_emailAddress},
};

int NidOf(std::string_view key) {
  for (const auto& k : kKeys) {
    if (k.key == key) return k.nid;
  }
  return NID_undef;
}

// Key -> first value, ordered byte-wise by key.
std::map<std::string, std::string> SplitPairs(std::string_view text) {
  std::map<std::string, std::string> pairs;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) comma = text.size();
    const std::string_view item = text.substr(pos, comma - pos);
    pos = comma + 1;
    const std::size_t eq = item.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == item.size()) continue;
    pairs.emplace(std::string(item.substr(0, eq)), std::string(item.substr(eq + 1)));
  }
  return pairs;
}

}  // namespace

Status ParseDnText(std::string_view text, X509_NAME* name) {
  if (name == nullptr) return err::kDnFormat;
  const auto pairs = SplitPairs(text);
  if (pairs.size() < 2) return err::kDnFormat;
  for (const auto& [key, value] : pairs) {
    const int nid = NidOf(key);
    if (nid == NID_undef) continue;
    char utf8[kMaxValueBytes];
    uint32_t len = sizeof utf8;
    if (!AnsiToUtf8(value.data(), value.size(), utf8, &len)) return err::kDnFormat;
    X509_NAME_add_entry_by_NID(name, nid, V_ASN1_UTF8STRING, reinterpret_cast<const unsigned char*>(utf8),
                               static_cast<int>(len), -1, 0);
  }
  return err::kOk;
}

Status SetRequestSubject(X509_REQ* req, std::string_view text) {
  OsslPtr<X509_NAME> name(X509_NAME_new());
  if (name == nullptr) return err::kDnFormat;
  const Status st = ParseDnText(text, name.get());
  if (st != err::kOk) return st;
  return X509_REQ_set_subject_name(req, name.get()) == 1 ? err::kOk : err::kDnFormat;
}

}  // namespace orvane
