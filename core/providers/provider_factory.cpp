#include "core/providers/provider_factory.h"

#include <new>
#include <string_view>

#include "core/providers/sec_soft_impl.h"

namespace orvane {
namespace {

struct PrefixRule {
  std::string_view text;
  bool exact;  // the whole string, or a prefix followed by the argument
  ProviderKind kind;
};

// Tested in this order; the first match wins.
constexpr PrefixRule kRules[] = {
    {"soft_file", true, ProviderKind::kSoftFile},
    {"soft_ie", true, ProviderKind::kSoftIe},
    {"SKF&", false, ProviderKind::kSkf},
    {"SKF_SHECA&", false, ProviderKind::kSkfSheca},
    {"SHECA&", false, ProviderKind::kSheca},
};

using Maker = CSecBase* (*)(const std::string& argument, int32_t keyType, const std::string& path);

CSecBase* MakeSoftFile(const std::string& argument, int32_t keyType, const std::string& path) {
  return new (std::nothrow) CSecSoftImpl(argument, keyType, path);
}

struct MakerEntry {
  ProviderKind kind;
  Maker make;
};

// The stores of this build; the others cannot be selected yet.
constexpr MakerEntry kMakers[] = {
    {ProviderKind::kSoftFile, MakeSoftFile},
};

}  // namespace

ProviderSelection SelectProvider(const std::string& providerString) {
  for (const auto& rule : kRules) {
    if (rule.exact && providerString == rule.text) return {rule.kind, providerString};
    if (!rule.exact && providerString.starts_with(rule.text)) {
      return {rule.kind, providerString.substr(rule.text.size())};
    }
  }
  return {ProviderKind::kCsp, providerString};
}

Result<ProviderPtr> CreateProvider(const std::string& providerString, int32_t keyType, const std::string& path) {
  if (providerString.empty()) return err::kProvider;
  const ProviderSelection selection = SelectProvider(providerString);
  for (const auto& entry : kMakers) {
    if (entry.kind != selection.kind) continue;
    ProviderPtr provider(entry.make(selection.argument, keyType, path));
    if (!provider) return err::kUninitialized;
    return provider;
  }
  return err::kProvider;
}

}  // namespace orvane
