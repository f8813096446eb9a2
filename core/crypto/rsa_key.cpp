#include "core/crypto/rsa_key.h"

#include <openssl/rsa.h>

#include "core/crypto/openssl_init.h"

namespace orvane {
namespace {

OsslPtr<EVP_PKEY_CTX> ContextFor(EVP_PKEY* key) {
  LoadOpenSslProviders();
  return OsslPtr<EVP_PKEY_CTX>(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
}

}  // namespace

Result<RsaKeyPair> GenerateRsaKeyPair(unsigned bits) {
  LoadOpenSslProviders();
  OsslPtr<EVP_PKEY> key(EVP_RSA_gen(bits));
  if (!key) return err::kGenKeyPair;
  RsaKeyPair pair;
  const int privLen = i2d_PrivateKey(key.get(), nullptr);
  if (privLen <= 0) return err::kPrivateKey;
  pair.privateDer.resize(static_cast<std::size_t>(privLen));
  uint8_t* p = pair.privateDer.data();
  if (i2d_PrivateKey(key.get(), &p) != privLen) return err::kPrivateKey;
  const int pubLen = i2d_PublicKey(key.get(), nullptr);
  if (pubLen <= 0) return err::kPublicKey;
  pair.publicDer.resize(static_cast<std::size_t>(pubLen));
  p = pair.publicDer.data();
  if (i2d_PublicKey(key.get(), &p) != pubLen) return err::kPublicKey;
  return pair;
}

OsslPtr<EVP_PKEY> LoadRsaPrivateKey(std::span<const uint8_t> der) {
  LoadOpenSslProviders();
  const uint8_t* p = der.data();
  OsslPtr<EVP_PKEY> key(d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(der.size())));
  if (key && p != der.data() + der.size()) return nullptr;  // trailing bytes
  return key;
}

OsslPtr<EVP_PKEY> LoadRsaPublicKey(std::span<const uint8_t> der) {
  LoadOpenSslProviders();
  const uint8_t* p = der.data();
  OsslPtr<EVP_PKEY> key(d2i_PublicKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(der.size())));
  if (key && p != der.data() + der.size()) return nullptr;
  return key;
}

Result<std::vector<uint8_t>> RsaSign(EVP_PKEY* key, const EVP_MD* md, std::span<const uint8_t> data) {
  OsslPtr<EVP_MD_CTX> ctx(EVP_MD_CTX_new());
  if (!ctx || key == nullptr || md == nullptr) return err::kSignData;
  EVP_PKEY_CTX* pctx = nullptr;  // owned by ctx
  if (EVP_DigestSignInit_ex(ctx.get(), &pctx, EVP_MD_get0_name(md), nullptr, nullptr, key, nullptr) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(pctx, RSA_PKCS1_PADDING) != 1) {
    return err::kSignData;
  }
  std::size_t len = 0;
  if (EVP_DigestSign(ctx.get(), nullptr, &len, data.data(), data.size()) != 1) return err::kSignData;
  std::vector<uint8_t> signature(len);
  if (EVP_DigestSign(ctx.get(), signature.data(), &len, data.data(), data.size()) != 1) return err::kSignData;
  signature.resize(len);
  return signature;
}

bool RsaVerify(EVP_PKEY* key, const EVP_MD* md, std::span<const uint8_t> data, std::span<const uint8_t> signature) {
  OsslPtr<EVP_MD_CTX> ctx(EVP_MD_CTX_new());
  if (!ctx || key == nullptr || md == nullptr) return false;
  EVP_PKEY_CTX* pctx = nullptr;
  if (EVP_DigestVerifyInit_ex(ctx.get(), &pctx, EVP_MD_get0_name(md), nullptr, nullptr, key, nullptr) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(pctx, RSA_PKCS1_PADDING) != 1) {
    return false;
  }
  return EVP_DigestVerify(ctx.get(), signature.data(), signature.size(), data.data(), data.size()) == 1;
}

Result<std::vector<uint8_t>> RsaEncrypt(EVP_PKEY* key, std::span<const uint8_t> plain) {
  auto ctx = ContextFor(key);
  if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1) {
    return err::kAsymmEncrypt;
  }
  std::size_t len = 0;
  if (EVP_PKEY_encrypt(ctx.get(), nullptr, &len, plain.data(), plain.size()) != 1) return err::kAsymmEncrypt;
  std::vector<uint8_t> out(len);
  if (EVP_PKEY_encrypt(ctx.get(), out.data(), &len, plain.data(), plain.size()) != 1) return err::kAsymmEncrypt;
  out.resize(len);
  return out;
}

Result<SecretBytes> RsaDecrypt(EVP_PKEY* key, std::span<const uint8_t> cipher) {
  auto ctx = ContextFor(key);
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1) {
    return err::kAsymmDecrypt;
  }
  std::size_t len = 0;
  if (EVP_PKEY_decrypt(ctx.get(), nullptr, &len, cipher.data(), cipher.size()) != 1) return err::kAsymmDecrypt;
  SecretBytes out(len);
  if (EVP_PKEY_decrypt(ctx.get(), out.data(), &len, cipher.data(), cipher.size()) != 1) return err::kAsymmDecrypt;
  out.resize(len);
  return out;
}

}  // namespace orvane
