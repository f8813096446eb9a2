#include "core/crypto/p10_request.h"

#include <string>

#include <openssl/asn1t.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include "core/crypto/dn_text.h"
#include "core/crypto/sm2_asn1.h"
#include "core/util/ossl_ptr.h"

namespace orvane {

// OpenSSL's X509_REQ accepts only version 0 for new requests; requests of
// this library carry version 2, so the RSA request is encoded through this
// template of the same layout (the attributes set is present and empty).
struct RSA_REQ_INFO {
  ASN1_INTEGER* version;
  X509_NAME* subject;
  X509_PUBKEY* pubkey;
  STACK_OF(X509_ATTRIBUTE) * attributes;
};

struct RSA_REQ {
  RSA_REQ_INFO* info;
  X509_ALGOR* sig_alg;
  ASN1_BIT_STRING* signature;
};

DECLARE_ASN1_FUNCTIONS(RSA_REQ_INFO)
DECLARE_ASN1_FUNCTIONS(RSA_REQ)

ASN1_SEQUENCE(RSA_REQ_INFO) = {
    ASN1_SIMPLE(RSA_REQ_INFO, version, ASN1_INTEGER),
    ASN1_SIMPLE(RSA_REQ_INFO, subject, X509_NAME),
    ASN1_SIMPLE(RSA_REQ_INFO, pubkey, X509_PUBKEY),
    ASN1_IMP_SET_OF(RSA_REQ_INFO, attributes, X509_ATTRIBUTE, 0),
} ASN1_SEQUENCE_END(RSA_REQ_INFO)
IMPLEMENT_ASN1_FUNCTIONS(RSA_REQ_INFO)

ASN1_SEQUENCE(RSA_REQ) = {
    ASN1_SIMPLE(RSA_REQ, info, RSA_REQ_INFO),
    ASN1_SIMPLE(RSA_REQ, sig_alg, X509_ALGOR),
    ASN1_SIMPLE(RSA_REQ, signature, ASN1_BIT_STRING),
} ASN1_SEQUENCE_END(RSA_REQ)
IMPLEMENT_ASN1_FUNCTIONS(RSA_REQ)

template <>
struct OsslDeleter<RSA_REQ> {
  void operator()(RSA_REQ* p) const noexcept { RSA_REQ_free(p); }
};

namespace {

constexpr uint32_t kKeyBufferSize = 1024;
constexpr uint32_t kSignatureBufferSize = 1024;

struct RsaSignatureAlg {
  int32_t hashAlg;
  int nid;
};

constexpr RsaSignatureAlg kRsaSignatureAlgs[] = {
    {1, NID_sha1WithRSAEncryption},   {2, NID_sha256WithRSAEncryption}, {3, NID_sha512WithRSAEncryption},
    {4, NID_md5WithRSAEncryption},    {5, NID_md4WithRSAEncryption},
};

Result<std::vector<uint8_t>> NewPublicKey(const P10KeyOps& ops) {
  if (!ops.genKeyPair || !ops.signWithNewKey) return err::kParam;
  std::vector<uint8_t> key(kKeyBufferSize);
  uint32_t len = kKeyBufferSize;
  const Status st = ops.genKeyPair(key.data(), &len);
  if (st != err::kOk) return st;
  if (len > kKeyBufferSize) return err::kPublicKey;
  key.resize(len);
  return key;
}

Result<std::vector<uint8_t>> SignInfo(const P10KeyOps& ops, int32_t hashAlg, const std::vector<uint8_t>& info) {
  std::vector<uint8_t> sig(kSignatureBufferSize);
  uint32_t len = kSignatureBufferSize;
  const Status st = ops.signWithNewKey(hashAlg, info.data(), static_cast<uint32_t>(info.size()), sig.data(), &len);
  if (st != err::kOk) return st;
  if (len > kSignatureBufferSize) return err::kSignData;
  sig.resize(len);
  return sig;
}

}  // namespace

Result<std::vector<uint8_t>> BuildRsaRequest(const P10KeyOps& ops, std::string_view dn, int32_t hashAlg) {
  auto pub = NewPublicKey(ops);
  if (!pub.ok()) return pub.status();
  const unsigned char* p = pub->data();
  OsslPtr<EVP_PKEY> key(d2i_PublicKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(pub->size())));
  if (key == nullptr) return err::kPublicKey;
  // The provider fills the subject of an OpenSSL request object.
  OsslPtr<X509_REQ> req(X509_REQ_new());
  if (!req || X509_REQ_set_pubkey(req.get(), key.get()) != 1) return err::kCreateReq;
  const std::string dnText(dn);
  const Status st = ops.setSubject ? ops.setSubject(req.get(), dnText.c_str()) : SetRequestSubject(req.get(), dnText);
  if (st != err::kOk) return st;
  OsslPtr<RSA_REQ> out(RSA_REQ_new());
  if (!out) return err::kCreateReq;
  RSA_REQ_INFO* info = out->info;
  X509_NAME_free(info->subject);
  info->subject = X509_NAME_dup(X509_REQ_get_subject_name(req.get()));
  X509_PUBKEY_free(info->pubkey);
  info->pubkey = X509_PUBKEY_dup(X509_REQ_get_X509_PUBKEY(req.get()));
  if (info->attributes == nullptr) info->attributes = sk_X509_ATTRIBUTE_new_null();  // the empty set A0 00
  std::vector<uint8_t> infoDer;
  if (!info->subject || !info->pubkey || !info->attributes || ASN1_INTEGER_set(info->version, 2) != 1 ||
      !EncodeItem(info, ASN1_ITEM_rptr(RSA_REQ_INFO), &infoDer)) {
    return err::kCreateReq;
  }
  auto sig = SignInfo(ops, hashAlg, infoDer);
  if (!sig.ok()) return sig.status();
  int nid = NID_undef;
  for (const auto& alg : kRsaSignatureAlgs) {
    if (alg.hashAlg == hashAlg) nid = alg.nid;
  }
  if (nid == NID_undef) return err::kUnsupportedAlg;
  std::vector<uint8_t> der;
  if (X509_ALGOR_set0(out->sig_alg, OBJ_nid2obj(nid), V_ASN1_NULL, nullptr) != 1 ||
      !SetBitStringBytes(out->signature, *sig) || !EncodeItem(out.get(), ASN1_ITEM_rptr(RSA_REQ), &der)) {
    return err::kCreateReq;
  }
  return der;
}

Result<std::vector<uint8_t>> BuildSm2Request(const P10KeyOps& ops, std::string_view dn, int32_t hashAlg) {
  auto pub = NewPublicKey(ops);
  if (!pub.ok()) return pub.status();
  std::vector<uint8_t> point;
  if (Sm2DecodePublicKeyBits(*pub, &point) != 0) return err::kPublicKey;
  OsslPtr<X509_REQ_SM2> req(X509_REQ_SM2_new());
  if (!req) return err::kCreateReq;
  X509_REQ_INFO_SM2* info = req->req_info;
  if (ASN1_INTEGER_set(info->version, 2) != 1 || !SetSm2Algorithm(info->pubkey->algor) ||
      !SetBitStringBytes(info->pubkey->public_key, point)) {
    return err::kCreateReq;
  }
  const Status st = ParseDnText(dn, info->subject);
  if (st != err::kOk) return st;
  std::vector<uint8_t> infoDer;
  if (!EncodeItem(info, ASN1_ITEM_rptr(X509_REQ_INFO_SM2), &infoDer)) return err::kCreateReq;
  auto sig = SignInfo(ops, hashAlg, infoDer);
  if (!sig.ok()) return sig.status();
  ASN1_OBJECT* oid = OBJ_txt2obj(kOidSm2WithSm3, 1);
  if (oid == nullptr || X509_ALGOR_set0(req->sig_alg, oid, V_ASN1_NULL, nullptr) != 1) {
    ASN1_OBJECT_free(oid);
    return err::kCreateReq;
  }
  if (!SetBitStringBytes(req->signature, *sig)) return err::kCreateReq;
  std::vector<uint8_t> out;
  if (!EncodeItem(req.get(), ASN1_ITEM_rptr(X509_REQ_SM2), &out)) return err::kCreateReq;
  return out;
}

}  // namespace orvane
