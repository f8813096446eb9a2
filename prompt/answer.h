// The answers the program writes: {"pin":"…"}, {"oldPin":"…","newPin":"…"},
// {"index":N}. PIN answers are built in wiping buffers.
#pragma once

#include <string_view>

#include "core/util/secret.h"

namespace orvane::prompt {

SecretString PinAnswer(std::string_view pin);
SecretString ChangePinAnswer(std::string_view oldPin, std::string_view newPin);
SecretString IndexAnswer(int index);

// Writes all of `bytes` to `fd`; false on failure.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace orvane::prompt
