#include "util/sm2/sm2_fixture.h"

#include <openssl/x509.h>

namespace orvane::testing {

OsslPtr<EVP_PKEY> OpensslPublicKey(std::span<const uint8_t> publicDer) {
  const unsigned char* p = publicDer.data();
  return OsslPtr<EVP_PKEY>(d2i_PUBKEY(nullptr, &p, static_cast<long>(publicDer.size())));
}

OsslPtr<EVP_PKEY> OpensslKeyPair() { return OsslPtr<EVP_PKEY>(EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2")); }

std::vector<uint8_t> OpensslPublicDer(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int len = i2d_PUBKEY(key, &der);
  std::vector<uint8_t> out(der, der + (len > 0 ? len : 0));
  OPENSSL_free(der);
  return out;
}

namespace {

// The EVP_MD_CTX does not own a context given by EVP_MD_CTX_set_pkey_ctx.
struct DigestContext {
  OsslPtr<EVP_PKEY_CTX> pctx;
  OsslPtr<EVP_MD_CTX> md;

  DigestContext(EVP_PKEY* key, const std::string& id, bool sign)
      : pctx(EVP_PKEY_CTX_new(key, nullptr)), md(EVP_MD_CTX_new()) {
    if (!md || !pctx || EVP_PKEY_CTX_set1_id(pctx.get(), id.data(), id.size()) != 1) {
      md.reset();
      return;
    }
    EVP_MD_CTX_set_pkey_ctx(md.get(), pctx.get());
    const int ok = sign ? EVP_DigestSignInit(md.get(), nullptr, EVP_sm3(), nullptr, key)
                        : EVP_DigestVerifyInit(md.get(), nullptr, EVP_sm3(), nullptr, key);
    if (ok != 1) md.reset();
  }
};

}  // namespace

std::vector<uint8_t> OpensslSign(EVP_PKEY* key, std::span<const uint8_t> msg, const std::string& id) {
  DigestContext dc(key, id, true);
  std::vector<uint8_t> sig(80);
  size_t len = sig.size();
  if (!dc.md || EVP_DigestSign(dc.md.get(), sig.data(), &len, msg.data(), msg.size()) != 1) return {};
  sig.resize(len);
  return sig;
}

bool OpensslVerify(EVP_PKEY* key, std::span<const uint8_t> msg, std::span<const uint8_t> sig,
                   const std::string& id) {
  DigestContext dc(key, id, false);
  return dc.md && EVP_DigestVerify(dc.md.get(), sig.data(), sig.size(), msg.data(), msg.size()) == 1;
}

}  // namespace orvane::testing
