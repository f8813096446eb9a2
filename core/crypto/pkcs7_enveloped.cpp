#include "core/crypto/pkcs7_enveloped.h"

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include "core/crypto/pkcs7_codec.h"
#include "core/crypto/pkcs7_oids.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

constexpr int32_t kKeyAlgRsa = 1;
constexpr int32_t kKeyAlgSm2 = 3;

OsslPtr<PKCS7_RECIP_INFO> NewRecipientInfo(const X509* recipient, const char* keyEncryptionOid,
                                           std::span<const uint8_t> encryptedKey) {
  OsslPtr<PKCS7_RECIP_INFO> ri(PKCS7_RECIP_INFO_new());
  if (!ri || !ASN1_INTEGER_set(ri->version, 0) || !SetIssuerAndSerial(ri->issuer_and_serial, recipient) ||
      !SetAlgorithm(ri->key_enc_algor, keyEncryptionOid) || !SetOctetString(ri->enc_key, encryptedKey)) {
    return nullptr;
  }
  return ri;
}

bool SetEncryptedContent(PKCS7_ENC_CONTENT* enc, const char* contentType, const char* algorithmOid,
                         std::span<const uint8_t> encryptedContent) {
  OsslPtr<ASN1_OBJECT> type = OidObject(contentType);
  OsslPtr<ASN1_OCTET_STRING> data(ASN1_OCTET_STRING_new());
  if (!type || !data || !SetAlgorithm(enc->algorithm, algorithmOid) || !SetOctetString(data.get(), encryptedContent)) {
    return false;
  }
  ASN1_OBJECT_free(enc->content_type);
  enc->content_type = type.release();
  ASN1_OCTET_STRING_free(enc->enc_data);
  enc->enc_data = data.release();
  return true;
}

int32_t KeyAlgorithmNumber(const X509_ALGOR* keyEncryption) {
  const std::string oid = OidText(keyEncryption->algorithm);
  return oid == kOidRsaEncryption || oid == kOidX500Rsa ? kKeyAlgRsa : kKeyAlgSm2;
}

}  // namespace

Result<std::vector<uint8_t>> BuildEnvelopedData(int32_t symmAlg, int32_t keyType,
                                                std::span<const uint8_t> recipientCert,
                                                std::span<const uint8_t> encryptedKey,
                                                std::span<const uint8_t> encryptedContent) {
  const SymmetricAlgorithmOid* symmetric = FindSymmetricAlgorithm(symmAlg);
  if (symmetric == nullptr) return err::kUnsupportedAlg;
  OsslPtr<X509> cert = DecodeDer<X509>(recipientCert, d2i_X509);
  if (!cert) return err::kX509;
  if (symmetric->oid == nullptr) return err::kP7Sign;
  const Pkcs7Oids& oids = Pkcs7OidsForKeyType(keyType);

  OsslPtr<PKCS7_ENVELOPE> body(PKCS7_ENVELOPE_new());
  if (!body || !ASN1_INTEGER_set(body->version, 0)) return err::kMemory;
  OsslPtr<PKCS7_RECIP_INFO> ri = NewRecipientInfo(cert.get(), oids.keyEncryptionAlgorithm, encryptedKey);
  if (!ri || !sk_PKCS7_RECIP_INFO_push(body->recipientinfo, ri.get())) return err::kMemory;
  ri.release();
  if (!SetEncryptedContent(body->enc_data, oids.encryptedContent, symmetric->oid, encryptedContent)) {
    return err::kMemory;
  }

  Result<std::vector<uint8_t>> bodyDer = EncodeDer(body.get(), i2d_PKCS7_ENVELOPE, err::kP7Sign);
  if (!bodyDer.ok()) return bodyDer.status();
  return EncodeContentInfo(oids.envelopedData, *bodyDer, err::kP7Sign);
}

Result<EnvelopeParts> ParseEnvelopedData(std::span<const uint8_t> message) {
  if (message.empty()) return err::kParam;
  Result<ContentInfo> info = DecodeContentInfo(message);
  if (!info.ok()) return info.status();
  if (info->type != RsaPkcs7Oids().envelopedData && info->type != Sm2Pkcs7Oids().envelopedData) {
    return err::kP7Type;
  }
  OsslPtr<PKCS7_ENVELOPE> body = DecodeDer<PKCS7_ENVELOPE>(info->content, d2i_PKCS7_ENVELOPE);
  if (!body) return err::kDecodeP7;
  if (sk_PKCS7_RECIP_INFO_num(body->recipientinfo) != 1) return kEnvelopeRecipientCount;
  if (body->enc_data->enc_data == nullptr) return err::kDecodeP7;
  const PKCS7_RECIP_INFO* ri = sk_PKCS7_RECIP_INFO_value(body->recipientinfo, 0);

  EnvelopeParts parts;
  parts.encryptedKey = StringBytes(ri->enc_key);
  parts.encryptedContent = StringBytes(body->enc_data->enc_data);
  parts.symmAlg = SymmetricAlgorithmNumber(body->enc_data->algorithm->algorithm);
  parts.keyAlg = KeyAlgorithmNumber(ri->key_enc_algor);
  return parts;
}

}  // namespace orvane
