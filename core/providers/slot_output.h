// Copying a result into a provider slot's output buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "core/util/status.h"

namespace orvane {

// Copies `bytes` to `out` when they fit its capacity (`*outLen` on entry) and
// sets `*outLen` to their count; kBufferTooSmall, with nothing written, when
// they do not fit.
inline Status CopyToSlot(std::span<const uint8_t> bytes, uint8_t* out, uint32_t* outLen) {
  if (out == nullptr || outLen == nullptr) return err::kParam;
  if (bytes.size() > *outLen) return err::kBufferTooSmall;
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  *outLen = static_cast<uint32_t>(bytes.size());
  return err::kOk;
}

inline Status CopyToSlot(std::string_view text, uint8_t* out, uint32_t* outLen) {
  return CopyToSlot(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()), out, outLen);
}

}  // namespace orvane
