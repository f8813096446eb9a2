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

// Makes the provider a (resolved) provider string selects:
//   "soft_file"              -> file key store (path = directory[?container])
//   "soft_ie"                -> the user's certificate store
//   "SKF&" + library         -> GM/T 0016 device library
//   "SKF_SHECA&" + library   -> the same, SHECA device variant
//   "SHECA&" + middleware    -> SHECA device middleware
//   any other non-empty text -> cryptographic service provider of that name
// Stores whose support is not part of this build answer kProvider.
using ProviderFactory =
    std::function<Result<ProviderPtr>(const std::string& providerString, int32_t keyType, const std::string& path)>;

Result<ProviderPtr> CreateProvider(const std::string& providerString, int32_t keyType, const std::string& path);

}  // namespace orvane
