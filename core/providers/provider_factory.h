// Creation of a provider from a resolved provider string.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/providers/sec_base.h"
#include "core/util/status.h"

namespace orvane {

using ProviderPtr = std::unique_ptr<CSecBase>;

// The stores a provider string can select.
enum class ProviderKind { kSoftFile, kSoftIe, kSkf, kSkfSheca, kSheca, kCsp };

struct ProviderSelection {
  ProviderKind kind;
  std::string argument;  // what the provider is built from
};

// Reads a non-empty provider string:
//   "soft_file"              -> file key store
//   "soft_ie"                -> the user's certificate store
//   "SKF&" + library         -> GM/T 0016 device library (argument: library)
//   "SKF_SHECA&" + library   -> the same, SHECA device variant
//   "SHECA&" + middleware    -> SHECA device middleware
//   any other text           -> cryptographic service provider of that name
// Comparisons are exact and case-sensitive.
ProviderSelection SelectProvider(const std::string& providerString);

using ProviderFactory =
    std::function<Result<ProviderPtr>(const std::string& providerString, int32_t keyType, const std::string& path)>;

// Makes the selected provider. Stores whose support is not part of this
// build answer kProvider; an empty string answers kProvider too.
Result<ProviderPtr> CreateProvider(const std::string& providerString, int32_t keyType, const std::string& path);

}  // namespace orvane
