#include "core/crypto/pkcs7_signed.h"

#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include "core/crypto/pkcs7_codec.h"
#include "core/crypto/pkcs7_oids.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

// --- Building -----------------------------------------------------------------

// The encapsulated ContentInfo holding the content as an OCTET STRING.
OsslPtr<PKCS7> NewDataContent(int32_t keyType, std::span<const uint8_t> content) {
  OsslPtr<PKCS7> inner(PKCS7_new());
  if (!inner) return nullptr;
  if (keyType != kPkcs7KeyTypeSm2) {
    if (!PKCS7_set_type(inner.get(), NID_pkcs7_data) || !SetOctetString(inner->d.data, content)) return nullptr;
    return inner;
  }
  // The library does not know the GM/T 0010 data type, so its content is
  // carried as an ANY holding the OCTET STRING.
  OsslPtr<ASN1_OBJECT> type = OidObject(Sm2Pkcs7Oids().data);
  OsslPtr<ASN1_OCTET_STRING> octets(ASN1_OCTET_STRING_new());
  OsslPtr<ASN1_TYPE> any(ASN1_TYPE_new());
  if (!type || !octets || !any || !SetOctetString(octets.get(), content)) return nullptr;
  ASN1_TYPE_set(any.get(), V_ASN1_OCTET_STRING, octets.release());
  inner->type = type.release();
  inner->d.other = any.release();
  return inner;
}

OsslPtr<PKCS7_SIGNER_INFO> NewSignerInfo(const X509* signer, const char* hashOid, const char* signatureOid,
                                         std::span<const uint8_t> signature) {
  OsslPtr<PKCS7_SIGNER_INFO> si(PKCS7_SIGNER_INFO_new());
  if (!si || !ASN1_INTEGER_set(si->version, 1) || !SetIssuerAndSerial(si->issuer_and_serial, signer) ||
      !SetAlgorithm(si->digest_alg, hashOid) || !SetAlgorithm(si->digest_enc_alg, signatureOid) ||
      !SetOctetString(si->enc_digest, signature)) {
    return nullptr;
  }
  return si;
}

// --- Parsing ------------------------------------------------------------------

bool IsPkcs7ContentType(int nid) {
  return nid == NID_pkcs7_data || nid == NID_pkcs7_signed || nid == NID_pkcs7_enveloped ||
         nid == NID_pkcs7_signedAndEnveloped || nid == NID_pkcs7_digest || nid == NID_pkcs7_encrypted;
}

// The OCTET STRING of an encapsulated ContentInfo whose type the library does
// not interpret; null when it holds anything else.
const ASN1_STRING* OtherOctets(const PKCS7* inner) {
  if (IsPkcs7ContentType(OBJ_obj2nid(inner->type)) || inner->d.other == nullptr ||
      inner->d.other->type != V_ASN1_OCTET_STRING) {
    return nullptr;
  }
  return inner->d.other->value.octet_string;
}

// PKCS#7 family: the data content, empty when it is absent (detached).
std::vector<uint8_t> RsaContent(const PKCS7* inner) {
  if (OBJ_obj2nid(inner->type) == NID_pkcs7_data) return StringBytes(inner->d.data);
  return StringBytes(OtherOctets(inner));
}

// GM/T 0010 family: the content must be present under the SM2 data type.
Result<std::vector<uint8_t>> Sm2Content(const PKCS7* inner) {
  const ASN1_STRING* octets = OidText(inner->type) == Sm2Pkcs7Oids().data ? OtherOctets(inner) : nullptr;
  if (octets == nullptr) return err::kDecodeP7;
  return StringBytes(octets);
}

}  // namespace

Result<std::vector<uint8_t>> BuildSignedData(int32_t keyType, int32_t hashAlg, std::span<const uint8_t> content,
                                             std::span<const uint8_t> signature,
                                             std::span<const uint8_t> signerCert) {
  const char* hashOid = HashAlgorithmOid(hashAlg);
  if (hashOid == nullptr) return err::kUnsupportedAlg;
  OsslPtr<X509> cert = DecodeDer<X509>(signerCert, d2i_X509);
  if (!cert) return err::kX509;
  const Pkcs7Oids& oids = Pkcs7OidsForKeyType(keyType);

  OsslPtr<PKCS7_SIGNED> body(PKCS7_SIGNED_new());
  if (!body || !ASN1_INTEGER_set(body->version, 1)) return err::kMemory;

  OsslPtr<X509_ALGOR> digestAlg(X509_ALGOR_new());
  if (!digestAlg || !SetAlgorithm(digestAlg.get(), hashOid) || !sk_X509_ALGOR_push(body->md_algs, digestAlg.get())) {
    return err::kMemory;
  }
  digestAlg.release();  // owned by the body now

  OsslPtr<PKCS7> inner = NewDataContent(keyType, content);
  if (!inner) return err::kMemory;
  PKCS7_free(body->contents);
  body->contents = inner.release();

  OsslPtr<PKCS7_SIGNER_INFO> si = NewSignerInfo(cert.get(), hashOid, oids.signatureAlgorithm, signature);
  if (!si || !sk_PKCS7_SIGNER_INFO_push(body->signer_info, si.get())) return err::kMemory;
  si.release();

  body->cert = sk_X509_new_null();
  if (body->cert == nullptr || !sk_X509_push(body->cert, cert.get())) return err::kMemory;
  cert.release();

  Result<std::vector<uint8_t>> bodyDer = EncodeDer(body.get(), i2d_PKCS7_SIGNED, err::kP7Sign);
  if (!bodyDer.ok()) return bodyDer.status();
  return EncodeContentInfo(oids.signedData, *bodyDer, err::kP7Sign);
}

Result<SignedDataParts> ParseSignedData(std::span<const uint8_t> message) {
  Result<ContentInfo> info = DecodeContentInfo(message);
  if (!info.ok()) return info.status();
  const bool sm2 = info->type == Sm2Pkcs7Oids().signedData;
  if (!sm2 && info->type != RsaPkcs7Oids().signedData) return err::kP7Type;

  OsslPtr<PKCS7_SIGNED> body = DecodeDer<PKCS7_SIGNED>(info->content, d2i_PKCS7_SIGNED);
  if (!body || body->contents == nullptr || sk_PKCS7_SIGNER_INFO_num(body->signer_info) < 1) return err::kDecodeP7;
  const PKCS7_SIGNER_INFO* signer = sk_PKCS7_SIGNER_INFO_value(body->signer_info, 0);

  SignedDataParts parts;
  if (sm2) {
    Result<std::vector<uint8_t>> content = Sm2Content(body->contents);
    if (!content.ok()) return content.status();
    parts.content = std::move(*content);
  } else {
    parts.content = RsaContent(body->contents);
  }
  if (sk_X509_num(body->cert) > 0) {
    Result<std::vector<uint8_t>> cert = EncodeDer<X509>(sk_X509_value(body->cert, 0), i2d_X509, err::kDecodeP7);
    if (!cert.ok()) return cert.status();
    parts.certificate = std::move(*cert);
  }
  parts.signature = StringBytes(signer->enc_digest);
  parts.hashAlg = HashAlgorithmNumber(signer->digest_alg->algorithm);
  return parts;
}

}  // namespace orvane
