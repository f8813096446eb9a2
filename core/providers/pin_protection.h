// How key files are protected by a PIN: AES-128-ECB with PKCS#7 padding,
// the key being the MD5 digest of the PIN's bytes. There is no salt and no
// integrity check; this is the format existing key files have.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/util/secret.h"
#include "core/util/status.h"

namespace orvane {

Result<SecretBytes> EncryptWithPin(std::string_view pin, std::span<const uint8_t> plain);

// kSymmDecrypt when the bytes do not decrypt (a wrong PIN, mostly). A wrong
// PIN can still decrypt to garbage with valid padding: callers must check
// that the result parses.
Result<SecretBytes> DecryptWithPin(std::string_view pin, std::span<const uint8_t> cipher);

}  // namespace orvane
