// PKCS#7 signed-and-enveloped data, the form in which a certificate authority
// delivers an encryption key pair: only taken apart, never built.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/crypto/pkcs7_enveloped.h"
#include "core/util/status.h"

namespace orvane {

// Splits the message into the first recipient's encrypted key and the
// encrypted content. The symmetric number is always 11 (SM4-ECB), whatever
// algorithm the message names, because the callers that receive this form
// decrypt its content with SM4-ECB. keyAlg is left 0.
// 0x1002 ("Parameter error") for an empty message; 0x2001 ("Decode P7
// error") when it does not decode or carries no encrypted content; 0x2002
// ("P7 type error") when it is no signed-and-enveloped data; 0x2003 ("No Cert
// in P7") unless it has exactly one recipient.
Result<EnvelopeParts> ParseSignedAndEnvelopedData(std::span<const uint8_t> message);

}  // namespace orvane
