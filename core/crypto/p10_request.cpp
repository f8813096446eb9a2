#include "core/crypto/p10_request.h"

#include <string>

#include <openssl/evp.h>
#include <openssl/objects.h>

#include "core/crypto/dn_text.h"
#include "core/crypto/sm2_asn1.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
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

OsslPtr<ASN1_BIT_STRING> SignatureBits(const std::vector<uint8_t>& sig) {
  OsslPtr<ASN1_BIT_STRING> bits(ASN1_BIT_STRING_new());
  if (bits && !SetBitStringBytes(bits.get(), sig)) bits.reset();
  return bits;
}

Result<std::vector<uint8_t>> Der(int len, unsigned char* buf) {
  if (len <= 0 || buf == nullptr) return err::kCreateReq;
  std::vector<uint8_t> out(buf, buf + len);
  OPENSSL_free(buf);
  return out;
}

}  // namespace

Result<std::vector<uint8_t>> BuildRsaRequest(const P10KeyOps& ops, std::string_view dn, int32_t hashAlg) {
  auto pub = NewPublicKey(ops);
  if (!pub.ok()) return pub.status();
  const unsigned char* p = pub->data();
  OsslPtr<EVP_PKEY> key(d2i_PublicKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(pub->size())));
  if (key == nullptr) return err::kPublicKey;
  OsslPtr<X509_REQ> req(X509_REQ_new());
  if (!req || X509_REQ_set_pubkey(req.get(), key.get()) != 1 || X509_REQ_set_version(req.get(), 2) != 1) {
    return err::kCreateReq;
  }
  const Status st = ops.setSubject(req.get(), std::string(dn).c_str());
  if (st != err::kOk) return st;
  unsigned char* buf = nullptr;
  auto info = Der(i2d_re_X509_REQ_tbs(req.get(), &buf), buf);
  if (!info.ok()) return info.status();
  auto sig = SignInfo(ops, hashAlg, *info);
  if (!sig.ok()) return sig.status();
  int nid = NID_undef;
  for (const auto& alg : kRsaSignatureAlgs) {
    if (alg.hashAlg == hashAlg) nid = alg.nid;
  }
  if (nid == NID_undef) return err::kUnsupportedAlg;
  OsslPtr<X509_ALGOR> alg(X509_ALGOR_new());
  OsslPtr<ASN1_BIT_STRING> bits = SignatureBits(*sig);
  if (!alg || !bits || X509_ALGOR_set0(alg.get(), OBJ_nid2obj(nid), V_ASN1_NULL, nullptr) != 1 ||
      X509_REQ_set1_signature_algo(req.get(), alg.get()) != 1) {
    return err::kCreateReq;
  }
  X509_REQ_set0_signature(req.get(), bits.release());
  buf = nullptr;
  return Der(i2d_X509_REQ(req.get(), &buf), buf);
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
