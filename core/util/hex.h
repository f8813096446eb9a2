// Hexadecimal text: two digits per byte, high nibble first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orvane {

std::string HexString(std::span<const uint8_t> bytes, bool upperCase);
std::string HexString(std::string_view bytes, bool upperCase);

// Writes the upper-case hex text of `in` plus a terminating zero into `out`.
// `*outLen` holds the capacity on entry. Returns 0 with `*outLen` = 2n on
// success (the buffer zero-filled to its capacity first); -1 with `*outLen` =
// 2n+1, leaving the buffer untouched, when the capacity is below 2n+1.
int HexToBuffer(const uint8_t* in, std::size_t n, char* out, uint32_t* outLen);

}  // namespace orvane
