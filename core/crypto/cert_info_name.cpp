#include "core/crypto/cert_info_name.h"

#include <array>
#include <string_view>

#include <openssl/objects.h>

#include "core/util/text_convert.h"

namespace orvane {
namespace {

// Attribute kinds 1-7 in order.
constexpr std::array<int, 7> kKindNids = {
    NID_countryName, NID_organizationName, NID_organizationalUnitName, NID_stateOrProvinceName,
    NID_commonName,  NID_localityName,     NID_pkcs9_emailAddress,
};

struct DnPrefix {
  int nid;
  const char* prefix;
};

constexpr std::array<DnPrefix, 7> kDnPrefixes = {{
    {NID_commonName, "CN="},
    {NID_countryName, "C="},
    {NID_localityName, "L="},
    {NID_stateOrProvinceName, "S="},
    {NID_organizationName, "O="},
    {NID_organizationalUnitName, "OU="},
    {NID_pkcs9_emailAddress, "E="},
}};

std::string_view Bytes(const ASN1_STRING* value) {
  return {reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
          static_cast<std::size_t>(ASN1_STRING_length(value))};
}

std::string BmpToText(std::string_view utf16be) {
  if (utf16be.size() < 2) return {};
  // A trailing odd byte belongs to no character.
  const auto utf8 = ConvertCharset(utf16be.substr(0, utf16be.size() / 2 * 2), "UTF-16BE", "UTF-8");
  return utf8 ? Utf8ToAnsiString(*utf8) : std::string();
}

const X509_NAME_ENTRY* FirstEntry(const X509_NAME* name, int nid) {
  for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
    const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
    if (OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry)) == nid) return entry;
  }
  return nullptr;
}

}  // namespace

std::string AsnStringToText(const ASN1_STRING* value) {
  if (value == nullptr) return {};
  const std::string_view bytes = Bytes(value);
  switch (ASN1_STRING_type(value)) {
    case V_ASN1_UTF8STRING:
      return Utf8ToAnsiString(bytes);
    case V_ASN1_BMPSTRING:
      return BmpToText(bytes);
    case V_ASN1_PRINTABLESTRING:
    case V_ASN1_INTEGER:
      return std::string(bytes.substr(0, bytes.find('\0')));
    case V_ASN1_OCTET_STRING:
      return {};
    default:
      return std::string(bytes);
  }
}

std::string NameAttributeText(const X509_NAME* name, int32_t kind) {
  if (name == nullptr || kind < 1 || kind > static_cast<int32_t>(kKindNids.size())) return {};
  const X509_NAME_ENTRY* entry = FirstEntry(name, kKindNids[static_cast<std::size_t>(kind - 1)]);
  return entry ? AsnStringToText(X509_NAME_ENTRY_get_data(entry)) : std::string();
}

std::string NameText(const X509_NAME* name) {
  std::string text;
  for (int i = 0; name != nullptr && i < X509_NAME_entry_count(name); ++i) {
    const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
    const int nid = OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry));
    for (const DnPrefix& p : kDnPrefixes) {
      if (p.nid != nid) continue;
      text += p.prefix;
      text += AsnStringToText(X509_NAME_ENTRY_get_data(entry));
      text += ',';
    }
  }
  if (!text.empty()) text.pop_back();
  return text;
}

}  // namespace orvane
