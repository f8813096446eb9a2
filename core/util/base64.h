// Base64 with the standard alphabet and "=" padding. Encoding never inserts
// line breaks; decoding skips CR and LF where a group of four begins, reads
// every other character outside the alphabet as 0 and never fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/secret.h"

namespace orvane {

// 4 * ceil(n / 3).
std::size_t Base64EncodedLength(std::size_t n);

std::string Base64Encode(std::span<const uint8_t> bytes);
std::string Base64Encode(std::string_view bytes);

std::vector<uint8_t> Base64Decode(std::string_view text);
// The same bytes as a string (which may contain zero bytes).
std::string Base64DecodeToString(std::string_view text);
// Decodes into a buffer that wipes itself (keys, PINs, plaintexts).
void Base64DecodeInto(std::string_view text, SecretBytes& out);

}  // namespace orvane
