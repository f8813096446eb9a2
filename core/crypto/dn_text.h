// Distinguished-name text ("C=CN,O=Org,CN=Name") to an X.509 name.
#pragma once

#include <string_view>

#include <openssl/x509.h>

#include "core/util/status.h"

namespace orvane {

// Splits the text at "," into key=value items (empty items, items without
// "=" and items with an empty key or value are skipped; blanks are kept),
// keeps the first value of each key, and appends one single-attribute RDN
// per recognised key in byte order of the keys: C, CN, E, L, O, OU, S, ST,
// emailAddress. Values are converted from the narrow character set to
// UTF-8 and written as UTF8String; unknown keys are ignored.
// Returns 0, or 0x2035 when the text holds fewer than two pairs or a value
// cannot be converted (or exceeds 1024 bytes in UTF-8).
Status ParseDnText(std::string_view text, X509_NAME* name);

// Fills an RSA request's subject from DN text. Returns 0, or 0x2035.
Status SetRequestSubject(X509_REQ* req, std::string_view text);

}  // namespace orvane
