#include "core/util/hex.h"

#include <cstring>

namespace orvane {

std::string HexString(std::span<const uint8_t> bytes, bool upperCase) {
  const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0x0F];
  }
  return out;
}

std::string HexString(std::string_view bytes, bool upperCase) {
  return HexString(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                   upperCase);
}

int HexToBuffer(const uint8_t* in, std::size_t n, char* out, uint32_t* outLen) {
  const std::size_t needed = 2 * n + 1;
  if (*outLen < needed) {
    *outLen = static_cast<uint32_t>(needed);
    return -1;
  }
  std::memset(out, 0, *outLen);
  const std::string text = HexString(std::span<const uint8_t>(in, n), true);
  std::memcpy(out, text.data(), text.size());
  *outLen = static_cast<uint32_t>(text.size());
  return 0;
}

}  // namespace orvane
