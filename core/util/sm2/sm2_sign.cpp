#include "core/util/sm2/sm2_sign.h"

#include <climits>

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include "core/util/sm2/sm2_digest.h"

namespace orvane {
namespace {

constexpr std::size_t kDigestSize = 32;

OsslPtr<BIGNUM> NewSecretNumber() {
  OsslPtr<BIGNUM> bn(BN_secure_new());
  if (bn) BN_set_flags(bn.get(), BN_FLG_CONSTTIME);
  return bn;
}

// inv = (1 + d)^-1 mod n, inverting a randomly scaled value so that the
// inversion's running time says nothing about d.
bool InverseOfOnePlusD(const Sm2Curve& curve, const BIGNUM* d, BIGNUM* inv, BN_CTX* ctx) {
  OsslPtr<BIGNUM> t = NewSecretNumber(), beta = NewSecretNumber();
  if (!t || !beta || !BN_copy(t.get(), d) || !BN_add_word(t.get(), 1)) return false;
  do {
    if (BN_priv_rand_range_ex(beta.get(), curve.n, 0, ctx) != 1) return false;
  } while (BN_is_zero(beta.get()));
  return BN_mod_mul(t.get(), t.get(), beta.get(), curve.n, ctx) == 1 &&
         BN_mod_inverse(inv, t.get(), curve.n, ctx) != nullptr &&
         BN_mod_mul(inv, inv, beta.get(), curve.n, ctx) == 1;
}

// Whether R = s G + t P has an x coordinate x1 with (e + x1) mod n = r.
// The candidates are x1 = (r - e) mod n and that plus n when below p; each
// is compared with R in Jacobian form, so no inversion is needed.
int MatchesR(const Sm2Curve& curve, const BIGNUM* s, const BIGNUM* t, const EC_POINT* pub, const BIGNUM* e,
             const BIGNUM* r, BN_CTX* ctx) {
  const sm2::Field& f = curve.field;
  sm2::JacobianPoint sum;
  OsslPtr<BIGNUM> px(BN_new()), py(BN_new()), x1(BN_new());
  if (!px || !py || !x1 || !sum.Alloc() ||
      EC_POINT_get_affine_coordinates(curve.group.get(), pub, px.get(), py.get(), ctx) != 1 ||
      !sm2::PointDoubleMulPublic(f, curve.baseOdd, &sum, s, t, px.get(), py.get(), ctx) ||
      BN_mod_sub(x1.get(), r, e, curve.n, ctx) != 1) {
    return -1;
  }
  if (sum.IsInfinity()) return 1;  // no x: no signature can match
  if (sm2::PointXEquals(f, sum, x1.get(), ctx)) return 0;
  if (!BN_add(x1.get(), x1.get(), curve.n)) return -1;
  return BN_cmp(x1.get(), f.p()) < 0 && sm2::PointXEquals(f, sum, x1.get(), ctx) ? 0 : 1;
}

}  // namespace

int Sm2SignDigest(std::span<const uint8_t> digest, const Sm2Key& key, OsslPtr<ECDSA_SIG>* sig) {
  const Sm2Curve* curve = Sm2SharedCurve();
  if (curve == nullptr || key.d == nullptr || digest.size() != kDigestSize) return -1;
  OsslPtr<BN_CTX> ctx(BN_CTX_secure_new());
  OsslPtr<BIGNUM> e(BN_bin2bn(digest.data(), kDigestSize, nullptr));
  OsslPtr<BIGNUM> dInv = NewSecretNumber(), k = NewSecretNumber(), t = NewSecretNumber();
  OsslPtr<BIGNUM> r(BN_new()), s(BN_new()), x1(BN_new());
  OsslPtr<EC_POINT> kg(EC_POINT_new(curve->group.get()));
  if (!ctx || !e || !dInv || !k || !t || !r || !s || !x1 || !kg ||
      !InverseOfOnePlusD(*curve, key.d.get(), dInv.get(), ctx.get())) {
    return -1;
  }
  for (;;) {
    if (BN_priv_rand_range_ex(k.get(), curve->n, 0, ctx.get()) != 1) return -1;
    if (BN_is_zero(k.get())) continue;
    if (Sm2MulGenerator(*curve, k.get(), kg.get(), ctx.get()) != 0 ||
        EC_POINT_get_affine_coordinates(curve->group.get(), kg.get(), x1.get(), nullptr, ctx.get()) != 1 ||
        BN_mod_add(r.get(), e.get(), x1.get(), curve->n, ctx.get()) != 1 || !BN_add(t.get(), r.get(), k.get())) {
      return -1;
    }
    if (BN_is_zero(r.get()) || BN_cmp(t.get(), curve->n) == 0) continue;
    // s = (1 + d)^-1 (k - r d) = (1 + d)^-1 (k + r) - r  (mod n)
    if (BN_mod_mul(s.get(), dInv.get(), t.get(), curve->n, ctx.get()) != 1 ||
        BN_mod_sub(s.get(), s.get(), r.get(), curve->n, ctx.get()) != 1) {
      return -1;
    }
    if (!BN_is_zero(s.get())) break;
  }
  OsslPtr<ECDSA_SIG> out(ECDSA_SIG_new());
  if (!out || ECDSA_SIG_set0(out.get(), r.get(), s.get()) != 1) return -1;
  r.release();
  s.release();
  *sig = std::move(out);
  return 0;
}

int Sm2VerifyDigest(std::span<const uint8_t> digest, const ECDSA_SIG* sig, const Sm2Key& key) {
  const Sm2Curve* curve = Sm2SharedCurve();
  if (curve == nullptr || sig == nullptr || key.pub == nullptr || digest.size() != kDigestSize) return -1;
  const BIGNUM* r = ECDSA_SIG_get0_r(sig);
  const BIGNUM* s = ECDSA_SIG_get0_s(sig);
  auto inRange = [&](const BIGNUM* v) {
    return v != nullptr && !BN_is_zero(v) && !BN_is_negative(v) && BN_cmp(v, curve->n) < 0;
  };
  if (!inRange(r) || !inRange(s)) return -1;
  OsslPtr<BN_CTX> ctx(BN_CTX_new());
  OsslPtr<BIGNUM> t(BN_new()), e(BN_bin2bn(digest.data(), kDigestSize, nullptr));
  if (!ctx || !t || !e || BN_mod_add(t.get(), r, s, curve->n, ctx.get()) != 1 || BN_is_zero(t.get())) {
    return -1;
  }
  return MatchesR(*curve, s, t.get(), key.pub.get(), e.get(), r, ctx.get());
}

int Sm2SignMessage(std::span<const uint8_t> message, std::span<const uint8_t> privateDer,
                   std::vector<uint8_t>* signatureDer) {
  Sm2Key key;
  uint8_t e[kDigestSize];
  OsslPtr<ECDSA_SIG> sig;
  if (Sm2LoadPrivateKey(&key, privateDer) != 0 || Sm2Digest(message, kSm2DefaultId, key, e) != 0) return -1;
  RAND_seed(e, sizeof e);
  if (Sm2SignDigest(e, key, &sig) != 0) return -1;
  unsigned char* der = nullptr;
  const int len = i2d_ECDSA_SIG(sig.get(), &der);
  if (len <= 0 || static_cast<std::size_t>(len) > kSm2MaxSignatureSize) {
    OPENSSL_free(der);
    return -1;
  }
  signatureDer->assign(der, der + len);
  OPENSSL_free(der);
  return 0;
}

int Sm2VerifyMessage(std::span<const uint8_t> message, std::span<const uint8_t> signatureDer,
                     std::span<const uint8_t> publicDer) {
  Sm2Key key;
  if (Sm2LoadPublicKey(&key, publicDer) != 0 || signatureDer.empty() || signatureDer.size() > LONG_MAX) return -1;
  const unsigned char* p = signatureDer.data();
  OsslPtr<ECDSA_SIG> sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(signatureDer.size())));
  if (sig == nullptr) return -1;
  // Only the canonical encoding: no trailing bytes, no padded integers.
  unsigned char* der = nullptr;
  const int len = i2d_ECDSA_SIG(sig.get(), &der);
  const bool canonical = len > 0 && static_cast<std::size_t>(len) == signatureDer.size() &&
                         CRYPTO_memcmp(der, signatureDer.data(), signatureDer.size()) == 0;
  OPENSSL_free(der);
  if (!canonical) return -1;
  uint8_t e[kDigestSize];
  if (Sm2Digest(message, kSm2DefaultId, key, e) != 0) return -1;
  return Sm2VerifyDigest(e, sig.get(), key);
}

}  // namespace orvane
