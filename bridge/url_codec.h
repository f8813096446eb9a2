// Percent-encoding of the texts that travel inside requests and replies.
// Texts reach the core library in the narrow character set of the user's
// locale and travel on the wire as percent-encoded UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "core/util/secret.h"

namespace orvane::bridge {

// Bytes that are ASCII letters, digits or one of "-_.~" stay, a space becomes
// "+", every other byte becomes "%" and two upper-case hexadecimal digits.
std::string PercentEncode(std::string_view bytes);

// "+" becomes a space, "%" and two hexadecimal digits (either case) become
// that byte; everything else, including a "%" without two hexadecimal digits
// after it, stays as it is.
std::string PercentDecode(std::string_view text);

// A reply text: narrow character set to UTF-8, then PercentEncode.
std::string UrlEncode(std::string_view narrow);

// A request text: PercentDecode, then UTF-8 to the narrow character set.
// Request texts may be PINs or keys, so the result wipes itself.
SecretString UrlDecode(std::string_view text);

}  // namespace orvane::bridge
