// Importing a PKCS#12 (keys and certificates) into the user's database.
#include <climits>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <p12.h>
#include <secerr.h>

#include "core/platform/cert_store.h"
#include "core/platform/charset.h"
#include "core/platform/nss_session.h"
#include "core/util/ossl_ptr.h"
#include "core/util/secret.h"
#include "core/util/text_convert.h"

namespace orvane::platform {
namespace {

// The PKCS#12 the bytes hold, or nullptr when they hold none.
OsslPtr<PKCS12> ParsePkcs12(std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(LONG_MAX)) return nullptr;
  const unsigned char* p = bytes.data();
  return OsslPtr<PKCS12>(d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size())));
}

// The password as text in the locale's character set, converted to `charset`;
// nullopt when it is not valid text.
std::optional<SecretString> ConvertPassword(const char* password, const char* charset) {
  const std::string_view text = password != nullptr ? password : "";
  if (text.empty()) return SecretString();
  std::optional<std::string> converted = ConvertCharset(text, NarrowCharset().c_str(), charset);
  if (!converted) return std::nullopt;
  SecretString out(converted->data(), converted->size());
  OPENSSL_cleanse(converted->data(), converted->size());
  return out;
}

// The password as the NSS decoder takes it: UCS-2 big-endian with a
// terminating zero.
SecretBytes BmpPassword(const SecretString& utf16be) {
  SecretBytes bmp(utf16be.begin(), utf16be.end());
  bmp.push_back(0);
  bmp.push_back(0);
  return bmp;
}

// True when the PKCS#12's MAC proves the password wrong. Checked before NSS
// sees the file: a wrong key can decrypt a PBES2 bag into valid padding, and
// NSS then reports undecodable content instead of a wrong password. An
// empty password has two encodings, so NSS alone decides on it, as it does
// for a MAC that cannot be computed here.
bool MacRejects(PKCS12* p12, const SecretString& utf8) {
  if (utf8.empty() || !PKCS12_mac_present(p12)) return false;
  ERR_clear_error();
  const bool mismatch = PKCS12_verify_mac(p12, utf8.data(), static_cast<int>(utf8.size())) != 1 &&
                        ERR_peek_error() == 0;
  ERR_clear_error();
  return mismatch;
}

// The status of a failed decoder step: a wrong password wherever NSS found
// it (the MAC, or a PBES2 decryption), `otherwise` for anything else.
Status FailureStatus(Status otherwise) {
  const int error = PORT_GetError();
  return error == SEC_ERROR_BAD_PASSWORD || error == SEC_ERROR_PKCS12_INVALID_MAC ? err::kP12Pin
                                                                                   : otherwise;
}

// A nickname as the decoder takes it: allocated by NSS, zero-terminated.
SECItem* NicknameItem(std::string_view name) {
  SECItem* item = SECITEM_AllocItem(nullptr, nullptr, static_cast<unsigned int>(name.size() + 1));
  if (item == nullptr) return nullptr;
  std::memcpy(item->data, name.data(), name.size());
  item->data[name.size()] = 0;
  item->len = static_cast<unsigned int>(name.size());
  item->type = siAsciiString;
  return item;
}

// Gives every certificate that arrives without a nickname a readable one
// ("CN - O", numbered when a different certificate holds it); the browsers
// list certificates by nickname and NSS leaves CA certificates unnamed.
SECStatus NameUnnamed(const CERTCertificate* cert, const SECItem* nickname, SECItem** renamed, void*) {
  *renamed = nullptr;
  if (nickname != nullptr && nickname->data != nullptr && nickname->len > 0) return SECSuccess;
  const NssPtr<char> made(CERT_MakeCANickname(const_cast<CERTCertificate*>(cert)));
  if (made) *renamed = NicknameItem(made.get());
  return SECSuccess;
}

// Renames a certificate whose nickname a different certificate of the
// database holds already. `arg` is the certificate.
SECItem* RenameOnCollision(SECItem* oldNickname, PRBool* cancel, void* arg) {
  auto* cert = static_cast<CERTCertificate*>(arg);
  if (cancel == nullptr || cert == nullptr) return nullptr;
  *cancel = PR_FALSE;
  const NssPtr<char> made(CERT_MakeCANickname(cert));
  if (!made) return nullptr;
  const std::string_view name(made.get());
  if (oldNickname != nullptr && oldNickname->data != nullptr &&
      std::string_view(reinterpret_cast<const char*>(oldNickname->data), oldNickname->len) == name) {
    *cancel = PR_TRUE;  // no other name to offer: stop instead of asking again
    return nullptr;
  }
  return NicknameItem(name);
}

}  // namespace

Status ImportPkcs12ToUserStore(std::span<const uint8_t> p12, const char* password) {
  const OsslPtr<PKCS12> parsed = ParsePkcs12(p12);
  if (!parsed) return err::kOk;
  const std::optional<SecretString> utf8 = ConvertPassword(password, "UTF-8");
  const std::optional<SecretString> utf16 = ConvertPassword(password, "UTF-16BE");
  if (!utf8 || !utf16 || MacRejects(parsed.get(), *utf8)) return err::kP12Pin;
  SecretBytes bmp = BmpPassword(*utf16);

  const auto session = NssSession::Start();
  if (!session) return err::kImportKeyPair;
  PK11SlotInfo* slot = session->OpenDatabase(UserStoreDirectory());
  if (slot == nullptr) return err::kImportKeyPair;

  SECItem passwordItem{siBuffer, bmp.data(), static_cast<unsigned int>(bmp.size())};
  const NssPtr<SEC_PKCS12DecoderContext> decoder(
      SEC_PKCS12DecoderStart(&passwordItem, slot, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  // Without this NSS puts the CA certificates into its internal token, which
  // is not the user's database here.
  if (!decoder || SEC_PKCS12DecoderSetTargetTokenCAs(decoder.get(), SECPKCS12TargetTokenAllCAs) != SECSuccess) {
    return err::kDecodeP12;
  }
  std::vector<unsigned char> data(p12.begin(), p12.end());  // NSS takes a writable buffer
  if (SEC_PKCS12DecoderUpdate(decoder.get(), data.data(), data.size()) != SECSuccess ||
      SEC_PKCS12DecoderVerify(decoder.get()) != SECSuccess) {
    return FailureStatus(err::kDecodeP12);
  }
  // Private keys need a logged-in database; one with an empty password
  // needs nothing, one with a password of its own cannot be opened here.
  if (PK11_Authenticate(slot, PR_TRUE, nullptr) != SECSuccess) return err::kImportKeyPair;
  if (SEC_PKCS12DecoderRenameCertNicknames(decoder.get(), NameUnnamed, nullptr) != SECSuccess ||
      SEC_PKCS12DecoderValidateBags(decoder.get(), RenameOnCollision) != SECSuccess ||
      SEC_PKCS12DecoderImportBags(decoder.get()) != SECSuccess) {
    return FailureStatus(err::kImportKeyPair);
  }
  return err::kOk;
}

}  // namespace orvane::platform
