// Owning pointers for OpenSSL objects: OsslPtr<T> frees with T's own free
// function, declared once here so that no caller writes *_free by hand.
#pragma once

#include <memory>

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace orvane {

template <typename T>
struct OsslDeleter;

#define ORVANE_OSSL_DELETER(type, free_fn)                   \
  template <>                                                \
  struct OsslDeleter<type> {                                 \
    void operator()(type* p) const noexcept { free_fn(p); } \
  }

ORVANE_OSSL_DELETER(BIGNUM, BN_clear_free);
ORVANE_OSSL_DELETER(BN_CTX, BN_CTX_free);
ORVANE_OSSL_DELETER(BN_MONT_CTX, BN_MONT_CTX_free);
ORVANE_OSSL_DELETER(EC_GROUP, EC_GROUP_free);
ORVANE_OSSL_DELETER(EC_POINT, EC_POINT_clear_free);
ORVANE_OSSL_DELETER(ECDSA_SIG, ECDSA_SIG_free);
ORVANE_OSSL_DELETER(EVP_PKEY, EVP_PKEY_free);
ORVANE_OSSL_DELETER(EVP_PKEY_CTX, EVP_PKEY_CTX_free);
ORVANE_OSSL_DELETER(EVP_MD_CTX, EVP_MD_CTX_free);
ORVANE_OSSL_DELETER(EVP_MD, EVP_MD_free);
ORVANE_OSSL_DELETER(EVP_CIPHER_CTX, EVP_CIPHER_CTX_free);
ORVANE_OSSL_DELETER(EVP_CIPHER, EVP_CIPHER_free);
ORVANE_OSSL_DELETER(BIO, BIO_free_all);
ORVANE_OSSL_DELETER(X509, X509_free);
ORVANE_OSSL_DELETER(X509_NAME, X509_NAME_free);
ORVANE_OSSL_DELETER(X509_REQ, X509_REQ_free);
ORVANE_OSSL_DELETER(X509_EXTENSION, X509_EXTENSION_free);
ORVANE_OSSL_DELETER(X509_ALGOR, X509_ALGOR_free);
ORVANE_OSSL_DELETER(ASN1_OBJECT, ASN1_OBJECT_free);
// ASN1_INTEGER, ASN1_OCTET_STRING, ASN1_BIT_STRING... are all ASN1_STRING.
ORVANE_OSSL_DELETER(ASN1_STRING, ASN1_STRING_free);
ORVANE_OSSL_DELETER(ASN1_TYPE, ASN1_TYPE_free);
ORVANE_OSSL_DELETER(PKCS7, PKCS7_free);
ORVANE_OSSL_DELETER(PKCS12, PKCS12_free);
ORVANE_OSSL_DELETER(PKCS7_SIGNED, PKCS7_SIGNED_free);
ORVANE_OSSL_DELETER(PKCS7_ENVELOPE, PKCS7_ENVELOPE_free);
ORVANE_OSSL_DELETER(PKCS7_SIGN_ENVELOPE, PKCS7_SIGN_ENVELOPE_free);
ORVANE_OSSL_DELETER(PKCS7_SIGNER_INFO, PKCS7_SIGNER_INFO_free);
ORVANE_OSSL_DELETER(PKCS7_RECIP_INFO, PKCS7_RECIP_INFO_free);
ORVANE_OSSL_DELETER(X509_SIG, X509_SIG_free);
ORVANE_OSSL_DELETER(AUTHORITY_KEYID, AUTHORITY_KEYID_free);

#undef ORVANE_OSSL_DELETER

// A stack of extensions frees its elements with it.
template <>
struct OsslDeleter<STACK_OF(X509_EXTENSION)> {
  void operator()(STACK_OF(X509_EXTENSION) * p) const noexcept { sk_X509_EXTENSION_pop_free(p, X509_EXTENSION_free); }
};

template <typename T>
using OsslPtr = std::unique_ptr<T, OsslDeleter<T>>;

}  // namespace orvane
