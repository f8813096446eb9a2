// The narrow character set of the user's locale, read without changing the
// process locale.
#pragma once

#include <string>

namespace orvane::platform {

// iconv name of the narrow character set ("UTF-8", "GB18030", ...). The C and
// POSIX locales count as UTF-8.
std::string NarrowCharset();

}  // namespace orvane::platform
