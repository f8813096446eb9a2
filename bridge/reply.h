// The reply texts of the request protocol, written byte for byte in the fixed
// layout pages rely on:
//   {<LF><TAB>"R" : "T",<LF><TAB>"V" : <value><LF>}
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::bridge {

// {"R":"T","V":UrlEncode(narrow)}
std::string TextReply(std::string_view narrow);

// {"R":"T" or "F","V":code}
std::string CodeReply(bool success, int32_t code);

// A JSON string literal: the text between double quotes, with only the double
// quote, backslash, backspace, form feed, line feed, carriage return and tab
// escaped; every other byte unchanged.
std::string QuoteJsonString(std::string_view text);

// A number in general notation with 20 significant digits: integers come out
// as plain decimals ("4098", "-1").
std::string FormatJsonNumber(double value);

}  // namespace orvane::bridge
