// The certificate stores of the user: the NSS database in which Chromium and
// Firefox find the user's certificates, keys and trusted roots. It stands in
// for the system stores "Root", "CA" and "MY".
//
// The database lives in $ORVANE_NSSDB when that is set, else in
// $HOME/.pki/nssdb; it is created when missing (directory mode 0700, empty
// password), as the browsers create it. Each call opens and closes it; calls
// from several threads run one after the other.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/util/status.h"

namespace orvane::platform {

// Store kinds.
inline constexpr int kStoreRoot = 1;  // a trusted root for TLS and e-mail ("C,C,C")
inline constexpr int kStoreCa = 2;    // an intermediate: added without trust of its own
inline constexpr int kStoreMy = 3;    // a user's certificate: added as it is

// The directory of the user's database.
std::string UserStoreDirectory();

// Adds one certificate (DER X.509, or PKCS#7 signedData whose first
// certificate is taken) to the store of `kind`. True when the certificate is
// in the database afterwards, whether added now or already present; for
// kRoot it then carries the trust of a root: trust it had is kept and added
// to, never lowered, and a usage the user has explicitly distrusted stays
// distrusted. False for a kind outside 1-3, bytes that do not decode (the
// database is then not touched), a database that cannot be opened or
// written, and for kRoot a database protected by a password of its own
// (trust needs a login that cannot be asked for here; nothing is added).
bool ImportToSystemStore(std::span<const uint8_t> der, int kind);

// Imports the keys and certificates of a PKCS#12 into the database; the
// password is text in the locale's narrow character set (nullptr counts as
// empty). Certificates already present are kept and count as imported.
//   0       imported, and also for bytes that are no PKCS#12 (nothing happens)
//   0x2007  wrong password, or one that is not valid text in the locale's
//           character set (err::kP12Pin); nothing is imported
//   0x2006  a PKCS#12 whose contents do not decode (err::kDecodeP12)
//   0x2023  the database cannot be opened or refuses the keys or
//           certificates (err::kImportKeyPair)
Status ImportPkcs12ToUserStore(std::span<const uint8_t> p12, const char* password);

}  // namespace orvane::platform
