#include "core/util/bytes.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace orvane {

void ReverseBytes(uint8_t* buffer, std::size_t len) {
  if (buffer != nullptr) std::reverse(buffer, buffer + len);
}

std::size_t SwapBytePairs(uint8_t* buffer, std::size_t len) {
  if (buffer == nullptr) return 0;
  const std::size_t even = len / 2 * 2;
  for (std::size_t i = 0; i < even; i += 2) std::swap(buffer[i], buffer[i + 1]);
  return even;
}

std::string Int64ToText(int64_t value) { return std::to_string(value); }

int64_t TextToInt64(std::string_view text) {
  std::istringstream in{std::string(text)};
  int64_t value = 0;
  if (!(in >> value)) return 0;
  return value;
}

}  // namespace orvane
