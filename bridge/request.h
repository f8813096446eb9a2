// Reading requests: one JSON object {"F":code,"P":{...}}. Missing or mistyped
// members are no error: they read as 0, the empty text or the empty object.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/util/secret.h"

namespace orvane::bridge {

// The request as one JSON object; nullopt when the text is not exactly one
// object (white space may follow it), names a member twice within one object,
// or nests deeper than any request needs.
std::optional<nlohmann::json> ParseRequest(std::string_view text);

// A JSON number truncated toward zero to 32 bits; numbers outside that range
// read as INT32_MIN, which is no valid code, length or algorithm.
int32_t TruncateToInt32(double value);

// "F" of a parsed request; 0 when missing or not a number.
int32_t FunctionCode(const nlohmann::json& request);

// The members of "P", read the way the command handlers need them. Texts are
// percent-decoded and converted to the narrow character set; they stay valid,
// and are wiped, when the Params object goes.
class Params {
 public:
  explicit Params(const nlohmann::json& request);
  Params(const Params&) = delete;
  Params& operator=(const Params&) = delete;

  const char* Str(const char* name);
  int32_t Num(const char* name) const;

 private:
  const nlohmann::json* members_ = nullptr;  // lent by the caller; null for an empty "P"
  std::deque<SecretString> texts_;
};

// Overwrites every string inside `value`, so that a request's PINs and keys do
// not outlive it in freed memory.
void WipeStrings(nlohmann::json& value);

}  // namespace orvane::bridge
