#include "core/platform/cert_store.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "core/platform/nss_session.h"

// Trust flags; this header depends on the NSS headers above.
#include <certdb.h>

namespace orvane::platform {
namespace {

struct StoreKind {
  int kind;
  const char* trust;  // the trust a certificate of this store carries; nullptr: none of its own
};

constexpr StoreKind kStoreKinds[] = {
    {kStoreRoot, "C,C,C"},
    {kStoreCa, nullptr},
    {kStoreMy, nullptr},
};

const StoreKind* FindStoreKind(int kind) {
  for (const auto& entry : kStoreKinds) {
    if (entry.kind == kind) return &entry;
  }
  return nullptr;
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return {};
}

// A temporary certificate of the session made from DER X.509 or from the
// first certificate of a PKCS#7 signedData; nullptr when nothing decodes.
NssPtr<CERTCertificate> DecodeCertificate(std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return nullptr;
  std::vector<char> copy(bytes.begin(), bytes.end());  // NSS takes a writable buffer
  return NssPtr<CERTCertificate>(CERT_DecodeCertFromPackage(copy.data(), static_cast<int>(copy.size())));
}

bool AddCertificate(PK11SlotInfo* slot, CERTCertificate* cert) {
  if (PK11_FindCertInSlot(slot, cert, nullptr) != CK_INVALID_HANDLE) return true;
  // A readable unique name ("CN - O", numbered on a clash), as the browsers show it.
  const NssPtr<char> nickname(CERT_MakeCANickname(cert));
  return PK11_ImportCert(slot, cert, CK_INVALID_HANDLE, nickname.get(), PR_FALSE) == SECSuccess;
}

// Trust lives in objects that only a logged-in database accepts; one with an
// empty password is always logged in, one with a password of its own cannot
// be opened here.
bool CanWriteTrust(PK11SlotInfo* slot) {
  return !PK11_NeedLogin(slot) || PK11_IsLoggedIn(slot, nullptr) ||
         PK11_Authenticate(slot, PR_TRUE, nullptr) == SECSuccess;
}

// Adds `wanted` to the flags of one usage. A usage the user has explicitly
// distrusted (a terminal record without trust) stays distrusted.
unsigned int AddTrust(unsigned int flags, unsigned int wanted) {
  const bool distrusted = (flags & CERTDB_TERMINAL_RECORD) != 0 &&
                          (flags & (CERTDB_TRUSTED | CERTDB_TRUSTED_CA)) == 0;
  return distrusted ? flags : flags | wanted;
}

// Gives the stored certificate at least the trust `text` describes. The
// certificate is looked up through the certificate database, which reads
// trust as the browsers do (a lookup in the slot alone reads a distrusted
// certificate as one without trust).
bool GrantTrust(CERTCertificate* cert, const char* text) {
  const NssPtr<CERTCertificate> stored(CERT_FindCertByDERCert(CERT_GetDefaultCertDB(), &cert->derCert));
  if (!stored) return false;
  CERTCertTrust wanted{};
  if (CERT_DecodeTrustString(&wanted, text) != SECSuccess) return false;
  CERTCertTrust current{};
  if (CERT_GetCertTrust(stored.get(), &current) != SECSuccess) current = CERTCertTrust{};
  CERTCertTrust merged{AddTrust(current.sslFlags, wanted.sslFlags),
                       AddTrust(current.emailFlags, wanted.emailFlags),
                       AddTrust(current.objectSigningFlags, wanted.objectSigningFlags)};
  if (merged.sslFlags == current.sslFlags && merged.emailFlags == current.emailFlags &&
      merged.objectSigningFlags == current.objectSigningFlags) {
    return true;
  }
  return CERT_ChangeCertTrust(CERT_GetDefaultCertDB(), stored.get(), &merged) == SECSuccess;
}

}  // namespace

std::string UserStoreDirectory() {
  if (const char* dir = std::getenv("ORVANE_NSSDB"); dir != nullptr && *dir != '\0') return dir;
  const std::string home = HomeDirectory();
  return home.empty() ? std::string() : home + "/.pki/nssdb";
}

bool ImportToSystemStore(std::span<const uint8_t> der, int kind) {
  const StoreKind* store = FindStoreKind(kind);
  if (store == nullptr) return false;
  const auto session = NssSession::Start();
  if (!session) return false;
  // Bytes that do not decode never open (or create) the database.
  if (!DecodeCertificate(der)) return false;
  PK11SlotInfo* slot = session->OpenDatabase(UserStoreDirectory());
  if (slot == nullptr) return false;
  // Decoded again now that the database is open, so that a certificate
  // already stored comes back as the stored one: trust set on a temporary
  // certificate would never reach the database.
  const NssPtr<CERTCertificate> cert = DecodeCertificate(der);
  if (!cert) return false;
  if (store->trust == nullptr) return AddCertificate(slot, cert.get());
  return CanWriteTrust(slot) && AddCertificate(slot, cert.get()) && GrantTrust(cert.get(), store->trust);
}

}  // namespace orvane::platform
