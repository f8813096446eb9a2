// Byte-order and number-text helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

void ReverseBytes(uint8_t* buffer, std::size_t len);

// Swaps bytes 0<->1, 2<->3, ... in place; a trailing odd byte stays. Returns
// the number of bytes swapped.
std::size_t SwapBytePairs(uint8_t* buffer, std::size_t len);

std::string Int64ToText(int64_t value);

// Reads a decimal number after optional leading blanks; 0 when there is none.
int64_t TextToInt64(std::string_view text);

}  // namespace orvane
