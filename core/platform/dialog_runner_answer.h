// The answer of the dialog program: one flat JSON object whose members are
// texts or integers, e.g. {"pin":"…"} or {"index":2}.
//
// Answers carry PINs, so they are read by this small reader straight into
// wiping containers; a general JSON reader would leave copies of the text
// in buffers it frees without wiping.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/secret.h"

namespace orvane::platform {

class DialogAnswer {
 public:
  // nullopt unless `json` is exactly one object (surrounding white space
  // allowed) of distinct members whose values are strings (valid UTF-8 after
  // unescaping) or integers that fit 64 bits.
  static std::optional<DialogAnswer> Parse(std::string_view json);

  // The text of a string member; nullptr when absent or not a string. Lends.
  const SecretString* Text(std::string_view name) const;
  // The value of an integer member; nullopt when absent or not an integer.
  std::optional<int64_t> Integer(std::string_view name) const;

 private:
  struct Member {
    std::string name;
    SecretString text;
    std::optional<int64_t> integer;
  };
  const Member* Find(std::string_view name) const;

  std::vector<Member> members_;
};

}  // namespace orvane::platform
