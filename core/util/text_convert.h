// Conversions between the narrow character set of the user's locale
// ("ANSI"), UTF-8 and UTF-16, through iconv.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Converts `in` from one iconv character set to another; nullopt when the
// input is not valid in the source set or cannot be represented.
std::optional<std::string> ConvertCharset(std::string_view in, const char* from, const char* to);

// Buffer forms: `*outLen` holds the capacity on entry and the bytes written
// on return. They return false, writing nothing, when the conversion fails or
// its result does not fit. No terminating zero is added.
bool AnsiToUtf8(const char* in, std::size_t inLen, char* out, uint32_t* outLen);
bool Utf8ToAnsi(const char* in, std::size_t inLen, char* out, uint32_t* outLen);

// String forms. A text that cannot be converted comes back unchanged, so a
// caller never loses it entirely.
std::string Utf8ToAnsiString(std::string_view utf8);
std::string AnsiToUtf8String(std::string_view ansi);

// Converts inLen/2 UTF-16LE units into at most `capacity` narrow bytes;
// returns the number of bytes written, 0 on failure.
uint32_t WideToAnsi(const uint8_t* utf16le, std::size_t inLen, char* out, uint32_t capacity);

}  // namespace orvane
