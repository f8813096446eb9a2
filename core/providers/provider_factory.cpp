#include "core/providers/provider_factory.h"

#include <new>
#include <string_view>

#include "core/providers/sec_soft_impl.h"

namespace orvane {
namespace {

// The argument a provider is built from: the text after its prefix.
using Maker = Result<ProviderPtr> (*)(const std::string& argument, int32_t keyType, const std::string& path);

Result<ProviderPtr> MakeSoftFile(const std::string& providerString, int32_t keyType, const std::string& path) {
  ProviderPtr provider(new (std::nothrow) CSecSoftImpl(providerString, keyType, path));
  if (!provider) return err::kUninitialized;
  return provider;
}

Result<ProviderPtr> NotInThisBuild(const std::string&, int32_t, const std::string&) { return err::kProvider; }

struct ProviderRule {
  std::string_view text;
  bool exact;       // whole text, or a prefix followed by the argument
  bool keepWhole;   // the provider gets the whole text rather than what follows the prefix
  Maker make;
};

// Tested in this order; the first match wins.
constexpr ProviderRule kRules[] = {
    {"soft_file", true, true, MakeSoftFile},
    {"soft_ie", true, true, NotInThisBuild},
    {"SKF&", false, false, NotInThisBuild},
    {"SKF_SHECA&", false, false, NotInThisBuild},
    {"SHECA&", false, false, NotInThisBuild},
};

}  // namespace

Result<ProviderPtr> CreateProvider(const std::string& providerString, int32_t keyType, const std::string& path) {
  if (providerString.empty()) return err::kProvider;
  for (const auto& rule : kRules) {
    const bool match = rule.exact ? providerString == rule.text : providerString.starts_with(rule.text);
    if (!match) continue;
    const std::string argument = rule.keepWhole ? providerString : providerString.substr(rule.text.size());
    return rule.make(argument, keyType, path);
  }
  // Any other text names a cryptographic service provider.
  return NotInThisBuild(providerString, keyType, path);
}

}  // namespace orvane
