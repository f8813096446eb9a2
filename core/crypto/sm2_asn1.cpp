#include "core/crypto/sm2_asn1.h"

#include <climits>
#include <cstring>

#include <openssl/asn1t.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>

namespace orvane {

// --- Templates --------------------------------------------------------------------

ASN1_SEQUENCE(X509_ALGOR_SM2) = {
    ASN1_SIMPLE(X509_ALGOR_SM2, alg1, ASN1_OBJECT),
    ASN1_SIMPLE(X509_ALGOR_SM2, alg2, ASN1_OBJECT),
} ASN1_SEQUENCE_END(X509_ALGOR_SM2)
IMPLEMENT_ASN1_FUNCTIONS(X509_ALGOR_SM2)

ASN1_SEQUENCE(X509_PUBKEY_SM2) = {
    ASN1_SIMPLE(X509_PUBKEY_SM2, algor, X509_ALGOR_SM2),
    ASN1_SIMPLE(X509_PUBKEY_SM2, public_key, ASN1_BIT_STRING),
} ASN1_SEQUENCE_END(X509_PUBKEY_SM2)
IMPLEMENT_ASN1_FUNCTIONS(X509_PUBKEY_SM2)

ASN1_SEQUENCE(SM2_PUBLIC_KEY) = {
    ASN1_SIMPLE(SM2_PUBLIC_KEY, algor, X509_ALGOR_SM2),
    ASN1_SIMPLE(SM2_PUBLIC_KEY, pubkey, ASN1_BIT_STRING),
} ASN1_SEQUENCE_END(SM2_PUBLIC_KEY)
IMPLEMENT_ASN1_FUNCTIONS(SM2_PUBLIC_KEY)

ASN1_SEQUENCE(SM2_PRIVATE_KEY) = {
    ASN1_SIMPLE(SM2_PRIVATE_KEY, version, ASN1_INTEGER),
    ASN1_SIMPLE(SM2_PRIVATE_KEY, prikey, ASN1_INTEGER),
    ASN1_IMP_SET_OF(SM2_PRIVATE_KEY, alg, ASN1_ANY, 0),
    ASN1_IMP_SET_OF(SM2_PRIVATE_KEY, pubkey, ASN1_ANY, 1),
} ASN1_SEQUENCE_END(SM2_PRIVATE_KEY)
IMPLEMENT_ASN1_FUNCTIONS(SM2_PRIVATE_KEY)

ASN1_SEQUENCE(SM2_PKCS12) = {
    ASN1_SIMPLE(SM2_PKCS12, version, ASN1_INTEGER),
    ASN1_SIMPLE(SM2_PKCS12, prikey, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SM2_PKCS12, cert, X509),
} ASN1_SEQUENCE_END(SM2_PKCS12)
IMPLEMENT_ASN1_FUNCTIONS(SM2_PKCS12)

ASN1_SEQUENCE(ASN1_SM2_CIPHER) = {
    ASN1_SIMPLE(ASN1_SM2_CIPHER, x, ASN1_INTEGER),
    ASN1_SIMPLE(ASN1_SM2_CIPHER, y, ASN1_INTEGER),
    ASN1_SIMPLE(ASN1_SM2_CIPHER, hash, ASN1_OCTET_STRING),
    ASN1_SIMPLE(ASN1_SM2_CIPHER, cipher, ASN1_OCTET_STRING),
} ASN1_SEQUENCE_END(ASN1_SM2_CIPHER)
IMPLEMENT_ASN1_FUNCTIONS(ASN1_SM2_CIPHER)

ASN1_SEQUENCE(X509_REQ_INFO_SM2) = {
    ASN1_SIMPLE(X509_REQ_INFO_SM2, version, ASN1_INTEGER),
    ASN1_SIMPLE(X509_REQ_INFO_SM2, subject, X509_NAME),
    ASN1_SIMPLE(X509_REQ_INFO_SM2, pubkey, X509_PUBKEY_SM2),
} ASN1_SEQUENCE_END(X509_REQ_INFO_SM2)
IMPLEMENT_ASN1_FUNCTIONS(X509_REQ_INFO_SM2)

ASN1_SEQUENCE(X509_REQ_SM2) = {
    ASN1_SIMPLE(X509_REQ_SM2, req_info, X509_REQ_INFO_SM2),
    ASN1_SIMPLE(X509_REQ_SM2, sig_alg, X509_ALGOR),
    ASN1_SIMPLE(X509_REQ_SM2, signature, ASN1_BIT_STRING),
} ASN1_SEQUENCE_END(X509_REQ_SM2)
IMPLEMENT_ASN1_FUNCTIONS(X509_REQ_SM2)

// --- DER helpers ------------------------------------------------------------------

namespace {

template <typename Bytes>
bool EncodeInto(const void* value, const ASN1_ITEM* item, Bytes* der) {
  unsigned char* buf = nullptr;
  const int len = ASN1_item_i2d(static_cast<const ASN1_VALUE*>(value), &buf, item);
  if (len <= 0 || buf == nullptr) return false;
  der->assign(buf, buf + len);
  OPENSSL_clear_free(buf, static_cast<std::size_t>(len));
  return true;
}

OsslPtr<ASN1_OBJECT> Oid(const char* text) { return OsslPtr<ASN1_OBJECT>(OBJ_txt2obj(text, 1)); }

// Appends an ANY holding `value` (ownership passes) to a SET OF ANY.
bool PushAny(STACK_OF(ASN1_TYPE) * *set, int type, void* value) {
  if (*set == nullptr) *set = sk_ASN1_TYPE_new_null();
  OsslPtr<ASN1_TYPE> any(ASN1_TYPE_new());
  if (*set == nullptr || any == nullptr) return false;
  ASN1_TYPE_set(any.get(), type, value);
  if (sk_ASN1_TYPE_push(*set, any.get()) <= 0) return false;
  any.release();
  return true;
}

}  // namespace

bool EncodeItem(const void* value, const ASN1_ITEM* item, std::vector<uint8_t>* der) {
  return EncodeInto(value, item, der);
}

bool EncodeItem(const void* value, const ASN1_ITEM* item, SecretBytes* der) { return EncodeInto(value, item, der); }

void* DecodeItem(std::span<const uint8_t> der, const ASN1_ITEM* item) {
  if (der.empty() || der.size() > LONG_MAX) return nullptr;
  const unsigned char* p = der.data();
  ASN1_VALUE* value = ASN1_item_d2i(nullptr, &p, static_cast<long>(der.size()), item);
  if (value == nullptr) return nullptr;
  if (p != der.data() + der.size()) {
    ASN1_item_free(value, item);
    return nullptr;
  }
  return value;
}

bool SetBitStringBytes(ASN1_BIT_STRING* bits, std::span<const uint8_t> bytes) {
  if (bytes.size() > INT_MAX || ASN1_BIT_STRING_set(bits, const_cast<uint8_t*>(bytes.data()),
                                                    static_cast<int>(bytes.size())) != 1) {
    return false;
  }
  bits->flags &= ~(ASN1_STRING_FLAG_BITS_LEFT | 0x07);
  bits->flags |= ASN1_STRING_FLAG_BITS_LEFT;
  return true;
}

bool SetSm2Algorithm(X509_ALGOR_SM2* algor) {
  OsslPtr<ASN1_OBJECT> ec = Oid(kOidEcPublicKey);
  OsslPtr<ASN1_OBJECT> curve = Oid(kOidSm2Curve);
  if (ec == nullptr || curve == nullptr) return false;
  ASN1_OBJECT_free(algor->alg1);
  ASN1_OBJECT_free(algor->alg2);
  algor->alg1 = ec.release();
  algor->alg2 = curve.release();
  return true;
}

// --- Keys and key files -------------------------------------------------------------

int Sm2EncodePublicKeyBits(std::span<const uint8_t> point, std::vector<uint8_t>* der) {
  OsslPtr<SM2_PUBLIC_KEY> key(SM2_PUBLIC_KEY_new());
  if (key == nullptr || !SetSm2Algorithm(key->algor) || !SetBitStringBytes(key->pubkey, point)) return -1;
  return EncodeItem(key.get(), ASN1_ITEM_rptr(SM2_PUBLIC_KEY), der) ? 0 : -1;
}

int Sm2DecodePublicKeyBits(std::span<const uint8_t> der, std::vector<uint8_t>* point) {
  auto key = DecodeDer<SM2_PUBLIC_KEY>(der, ASN1_ITEM_rptr(SM2_PUBLIC_KEY));
  if (key == nullptr) return -1;
  const unsigned char* bytes = ASN1_STRING_get0_data(key->pubkey);
  point->assign(bytes, bytes + ASN1_STRING_length(key->pubkey));
  return 0;
}

int Sm2EncodePrivateKeyParts(std::span<const uint8_t> d, std::span<const uint8_t> point, SecretBytes* der) {
  OsslPtr<SM2_PRIVATE_KEY> key(SM2_PRIVATE_KEY_new());
  if (key == nullptr || d.size() > INT_MAX || ASN1_INTEGER_set(key->version, 1) != 1) return -1;
  OsslPtr<BIGNUM> scalar(BN_secure_new());
  if (scalar == nullptr || BN_bin2bn(d.data(), static_cast<int>(d.size()), scalar.get()) == nullptr ||
      BN_to_ASN1_INTEGER(scalar.get(), key->prikey) == nullptr) {
    return -1;
  }
  OsslPtr<ASN1_OBJECT> curve = Oid(kOidSm2Curve);
  if (curve == nullptr || !PushAny(&key->alg, V_ASN1_OBJECT, curve.get())) return -1;
  curve.release();
  OsslPtr<ASN1_BIT_STRING> bits(ASN1_BIT_STRING_new());
  if (bits == nullptr || !SetBitStringBytes(bits.get(), point) ||
      !PushAny(&key->pubkey, V_ASN1_BIT_STRING, bits.get())) {
    return -1;
  }
  bits.release();
  const bool ok = EncodeItem(key.get(), ASN1_ITEM_rptr(SM2_PRIVATE_KEY), der);
  // The INTEGER copy of the scalar is freed with the structure; wipe it first.
  OPENSSL_cleanse(key->prikey->data, static_cast<std::size_t>(key->prikey->length));
  return ok ? 0 : -1;
}

int Sm2DecodePrivateKeyParts(std::span<const uint8_t> der, SecretBytes* d, std::vector<uint8_t>* point) {
  auto key = DecodeDer<SM2_PRIVATE_KEY>(der, ASN1_ITEM_rptr(SM2_PRIVATE_KEY));
  if (key == nullptr) return -1;
  struct Wipe {
    ASN1_INTEGER* v;
    ~Wipe() { OPENSSL_cleanse(v->data, static_cast<std::size_t>(v->length)); }
  } wipe{key->prikey};
  if (key->prikey->type != V_ASN1_INTEGER) return -1;  // negative scalar
  if (key->pubkey == nullptr || sk_ASN1_TYPE_num(key->pubkey) != 1) return -1;
  const ASN1_TYPE* element = sk_ASN1_TYPE_value(key->pubkey, 0);
  switch (element->type) {  // the value is a string for exactly these kinds
    case V_ASN1_BOOLEAN:
    case V_ASN1_NULL:
    case V_ASN1_OBJECT:
      return -1;
    default:
      break;
  }
  const ASN1_STRING* bytes = element->value.asn1_string;
  if (bytes == nullptr) return -1;
  d->assign(key->prikey->data, key->prikey->data + key->prikey->length);
  point->assign(bytes->data, bytes->data + bytes->length);
  return 0;
}

int EncodeSm2Pkcs12(std::span<const uint8_t> protectedKey, std::span<const uint8_t> certDer,
                    std::vector<uint8_t>* der) {
  OsslPtr<SM2_PKCS12> file(SM2_PKCS12_new());
  if (file == nullptr || protectedKey.size() > INT_MAX || ASN1_INTEGER_set(file->version, 1) != 1 ||
      ASN1_OCTET_STRING_set(file->prikey, protectedKey.data(), static_cast<int>(protectedKey.size())) != 1) {
    return -1;
  }
  OsslPtr<X509> cert(static_cast<X509*>(DecodeItem(certDer, ASN1_ITEM_rptr(X509))));
  if (cert == nullptr) return -1;
  X509_free(file->cert);
  file->cert = cert.release();
  return EncodeItem(file.get(), ASN1_ITEM_rptr(SM2_PKCS12), der) ? 0 : -1;
}

int DecodeSm2Pkcs12(std::span<const uint8_t> der, SecretBytes* protectedKey, std::vector<uint8_t>* certDer) {
  auto file = DecodeDer<SM2_PKCS12>(der, ASN1_ITEM_rptr(SM2_PKCS12));
  if (file == nullptr) return -1;
  if (!EncodeItem(file->cert, ASN1_ITEM_rptr(X509), certDer)) return -1;
  protectedKey->assign(file->prikey->data, file->prikey->data + file->prikey->length);
  return 0;
}

}  // namespace orvane
