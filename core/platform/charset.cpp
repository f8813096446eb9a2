#include "core/platform/charset.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

namespace orvane::platform {

std::string NarrowCharset() {
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return "UTF-8";
  std::string codeset = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  // The C locale reports plain ASCII; treat it as UTF-8 so that no text is
  // lost on machines without a configured locale.
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII") return "UTF-8";
  return codeset;
}

}  // namespace orvane::platform
