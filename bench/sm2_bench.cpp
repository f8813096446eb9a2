// SM2 signing and verification: ours beside OpenSSL's EVP (SM3, default
// identity) over the same 64-byte message, each with a key loaded once.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include "core/util/ossl_ptr.h"
#include "core/util/sm2/sm2_digest.h"
#include "core/util/sm2/sm2_sign.h"

namespace orvane {
namespace {

const std::vector<uint8_t> kMessage(64, 0x5a);
const char kId[] = "1234567812345678";

struct OurKey {
  std::vector<uint8_t> pub;
  SecretBytes priv;
  Sm2Key key;
  OurKey() {
    if (Sm2GenerateKeyPair(&pub, &priv) != 0 || Sm2LoadPrivateKey(&key, priv) != 0) std::abort();
  }
};

const OurKey& Ours() {
  static OurKey k;
  return k;
}

EVP_PKEY* Theirs() {
  static OsslPtr<EVP_PKEY> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2"));
  return key.get();
}

// The whole EVP path a caller takes per signature: contexts, identity,
// digest, sign or verify.
bool EvpRun(EVP_PKEY* key, bool sign, std::vector<uint8_t>* sig) {
  OsslPtr<EVP_PKEY_CTX> pctx(EVP_PKEY_CTX_new(key, nullptr));
  OsslPtr<EVP_MD_CTX> md(EVP_MD_CTX_new());
  if (!pctx || !md || EVP_PKEY_CTX_set1_id(pctx.get(), kId, 16) != 1) return false;
  EVP_MD_CTX_set_pkey_ctx(md.get(), pctx.get());
  if (sign) {
    size_t len = 80;
    sig->resize(len);
    if (EVP_DigestSignInit(md.get(), nullptr, EVP_sm3(), nullptr, key) != 1 ||
        EVP_DigestSign(md.get(), sig->data(), &len, kMessage.data(), kMessage.size()) != 1) {
      return false;
    }
    sig->resize(len);
    return true;
  }
  return EVP_DigestVerifyInit(md.get(), nullptr, EVP_sm3(), nullptr, key) == 1 &&
         EVP_DigestVerify(md.get(), sig->data(), sig->size(), kMessage.data(), kMessage.size()) == 1;
}

// Digest with the default identity, sign, DER-encode.
bool OurSign(const Sm2Key& key, std::vector<uint8_t>* der) {
  uint8_t e[32];
  OsslPtr<ECDSA_SIG> sig;
  if (Sm2Digest(kMessage, kSm2DefaultId, key, e) != 0 || Sm2SignDigest(e, key, &sig) != 0) return false;
  unsigned char* out = nullptr;
  const int len = i2d_ECDSA_SIG(sig.get(), &out);
  der->assign(out, out + (len > 0 ? len : 0));
  OPENSSL_free(out);
  return len > 0;
}

void SM2_Sign_orvane(benchmark::State& state) {
  const Sm2Key& key = Ours().key;
  std::vector<uint8_t> sig;
  for (auto _ : state) {
    if (!OurSign(key, &sig)) state.SkipWithError("sign failed");
    benchmark::DoNotOptimize(sig.data());
  }
}

void SM2_Sign_openssl(benchmark::State& state) {
  std::vector<uint8_t> sig;
  for (auto _ : state) {
    if (!EvpRun(Theirs(), true, &sig)) state.SkipWithError("sign failed");
    benchmark::DoNotOptimize(sig.data());
  }
}

// Decode the DER signature, digest, verify: what Sm2VerifyMessage does
// after loading the public key.
void SM2_Verify_orvane(benchmark::State& state) {
  const OurKey& k = Ours();
  std::vector<uint8_t> der;
  if (!OurSign(k.key, &der)) state.SkipWithError("sign failed");
  for (auto _ : state) {
    const unsigned char* p = der.data();
    OsslPtr<ECDSA_SIG> sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size())));
    uint8_t e[32];
    if (!sig || Sm2Digest(kMessage, kSm2DefaultId, k.key, e) != 0 || Sm2VerifyDigest(e, sig.get(), k.key) != 0) {
      state.SkipWithError("verify failed");
    }
  }
}

void SM2_Verify_openssl(benchmark::State& state) {
  std::vector<uint8_t> sig;
  if (!EvpRun(Theirs(), true, &sig)) state.SkipWithError("sign failed");
  for (auto _ : state) {
    if (!EvpRun(Theirs(), false, &sig)) state.SkipWithError("verify failed");
  }
}

// The engine's whole message operations as the providers call them: the
// key comes as DER every time (the private key is checked against its
// point on each load).
void SM2_SignMessage_orvane(benchmark::State& state) {
  const OurKey& k = Ours();
  std::vector<uint8_t> sig;
  for (auto _ : state) {
    if (Sm2SignMessage(kMessage, k.priv, &sig) != 0) state.SkipWithError("sign failed");
  }
}

void SM2_VerifyMessage_orvane(benchmark::State& state) {
  const OurKey& k = Ours();
  std::vector<uint8_t> sig;
  if (Sm2SignMessage(kMessage, k.priv, &sig) != 0) state.SkipWithError("sign failed");
  for (auto _ : state) {
    if (Sm2VerifyMessage(kMessage, sig, k.pub) != 0) state.SkipWithError("verify failed");
  }
}

BENCHMARK(SM2_Sign_orvane)->Name("SM2_Sign/orvane");
BENCHMARK(SM2_Sign_openssl)->Name("SM2_Sign/openssl");
BENCHMARK(SM2_Verify_orvane)->Name("SM2_Verify/orvane");
BENCHMARK(SM2_Verify_openssl)->Name("SM2_Verify/openssl");
BENCHMARK(SM2_SignMessage_orvane)->Name("SM2_SignMessage/orvane");
BENCHMARK(SM2_VerifyMessage_orvane)->Name("SM2_VerifyMessage/orvane");

}  // namespace
}  // namespace orvane
