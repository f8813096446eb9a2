#include "core/crypto/pkcs7_sign_envelope.h"

#include <openssl/pkcs7.h>

#include "core/crypto/pkcs7_codec.h"
#include "core/crypto/pkcs7_oids.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

constexpr int32_t kSymmSm4Ecb = 11;

}  // namespace

Result<EnvelopeParts> ParseSignedAndEnvelopedData(std::span<const uint8_t> message) {
  if (message.empty()) return err::kParam;
  Result<ContentInfo> info = DecodeContentInfo(message);
  if (!info.ok()) return info.status();
  if (info->type != kOidSignedAndEnvelopedData) return err::kP7Type;
  OsslPtr<PKCS7_SIGN_ENVELOPE> body = DecodeDer<PKCS7_SIGN_ENVELOPE>(info->content, d2i_PKCS7_SIGN_ENVELOPE);
  if (!body) return err::kDecodeP7;
  if (sk_PKCS7_RECIP_INFO_num(body->recipientinfo) != 1) return err::kNoCertInP7;
  if (body->enc_data->enc_data == nullptr) return err::kDecodeP7;

  EnvelopeParts parts;
  parts.encryptedKey = StringBytes(sk_PKCS7_RECIP_INFO_value(body->recipientinfo, 0)->enc_key);
  parts.encryptedContent = StringBytes(body->enc_data->enc_data);
  parts.symmAlg = kSymmSm4Ecb;
  return parts;
}

}  // namespace orvane
