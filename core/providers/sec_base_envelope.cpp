// Shared provider operation: splitting a delivered encryption key.
#include <cstring>

#include "core/crypto/pkcs7_sign_envelope.h"
#include "core/providers/sec_base.h"
#include "core/providers/slot_output.h"

namespace orvane {

Status CSecBase::ParseEnvelope(const uint8_t* envelope, uint32_t envelopeLen, uint8_t* encKey, uint32_t* encKeyLen,
                               uint8_t* encData, uint32_t* encDataLen, int32_t* symmAlg) {
  if (envelope == nullptr || envelopeLen == 0 || encKey == nullptr || encKeyLen == nullptr || encData == nullptr ||
      encDataLen == nullptr || symmAlg == nullptr) {
    return err::kParam;
  }
  auto parts = ParseSignedAndEnvelopedData({envelope, envelopeLen});
  if (!parts.ok()) return parts.status();
  // Check both capacities before writing either output.
  if (parts->encryptedKey.size() > *encKeyLen || parts->encryptedContent.size() > *encDataLen) {
    return err::kBufferTooSmall;
  }
  CopyToSlot(parts->encryptedKey, encKey, encKeyLen);
  CopyToSlot(parts->encryptedContent, encData, encDataLen);
  *symmAlg = parts->symmAlg;
  return err::kOk;
}

}  // namespace orvane
