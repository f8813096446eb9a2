#include "core/crypto/rsa_blobs.h"

#include <algorithm>
#include <climits>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/x509.h>

#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

constexpr uint8_t kPublicKeyBlob = 6;
constexpr uint8_t kPrivateKeyBlob = 7;
constexpr uint8_t kBlobVersion = 2;

template <typename Bytes>
void PutLe32(Bytes* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

template <typename Bytes>
void PutHeader(Bytes* out, uint8_t type, uint32_t algId, const char* magic, uint32_t bits, uint32_t exponent) {
  out->insert(out->end(), {type, kBlobVersion, 0, 0});
  PutLe32(out, algId);
  out->insert(out->end(), magic, magic + 4);
  PutLe32(out, bits);
  PutLe32(out, exponent);
}

// Appends `v` little-endian, zero-padded to `width` bytes; false when it
// does not fit.
template <typename Bytes>
bool PutLe(Bytes* out, const BIGNUM* v, std::size_t width) {
  SecretBytes le(width);
  if (BN_bn2lebinpad(v, le.data(), static_cast<int>(width)) != static_cast<int>(width)) return false;
  out->insert(out->end(), le.begin(), le.end());
  return true;
}

}  // namespace

int RsaPrivateDerToBlobs(uint32_t keyAlgId, std::span<const uint8_t> der, std::vector<uint8_t>* publicBlob,
                         SecretBytes* privateBlob) {
  if (der.empty() || der.size() > LONG_MAX) return -1;
  const unsigned char* p = der.data();
  OsslPtr<EVP_PKEY> key(d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(der.size())));
  if (key == nullptr) return -1;
  const char* names[] = {OSSL_PKEY_PARAM_RSA_N,         OSSL_PKEY_PARAM_RSA_FACTOR1,
                         OSSL_PKEY_PARAM_RSA_FACTOR2,   OSSL_PKEY_PARAM_RSA_EXPONENT1,
                         OSSL_PKEY_PARAM_RSA_EXPONENT2, OSSL_PKEY_PARAM_RSA_COEFFICIENT1,
                         OSSL_PKEY_PARAM_RSA_D,         OSSL_PKEY_PARAM_RSA_E};
  OsslPtr<BIGNUM> v[8];
  for (int i = 0; i < 8; ++i) {
    BIGNUM* bn = nullptr;
    if (EVP_PKEY_get_bn_param(key.get(), names[i], &bn) != 1) return -1;
    v[i].reset(bn);
  }
  BN_ULONG exponent = BN_get_word(v[7].get());
  if (exponent > UINT32_MAX) return -1;
  const std::size_t modLen = der.size() <= 1024 ? 128 : 256;
  const uint32_t bits = static_cast<uint32_t>(modLen * 8);
  std::vector<uint8_t> pub;
  SecretBytes priv;
  PutHeader(&pub, kPublicKeyBlob, keyAlgId, "RSA1", bits, static_cast<uint32_t>(exponent));
  PutHeader(&priv, kPrivateKeyBlob, keyAlgId, "RSA2", bits, static_cast<uint32_t>(exponent));
  if (!PutLe(&pub, v[0].get(), modLen)) return -1;
  const std::size_t widths[] = {modLen, modLen / 2, modLen / 2, modLen / 2, modLen / 2, modLen / 2, modLen};
  for (int i = 0; i < 7; ++i) {
    if (!PutLe(&priv, v[i].get(), widths[i])) return -1;
  }
  *publicBlob = std::move(pub);
  *privateBlob = std::move(priv);
  return 0;
}

int RsaDevicePublicToDer(const RsaDevicePublicKey& key, std::vector<uint8_t>* der) {
  std::size_t modOffset;
  if (key.bitLen == 1024) {
    modOffset = 128;
  } else if (key.bitLen == 2048) {
    modOffset = 0;
  } else {
    return -1;
  }
  OsslPtr<BIGNUM> n(BN_bin2bn(key.modulus + modOffset, static_cast<int>(sizeof key.modulus - modOffset), nullptr));
  OsslPtr<BIGNUM> e(BN_bin2bn(key.exponent + sizeof key.exponent - 3, 3, nullptr));
  OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
  if (!n || !e || bld == nullptr || OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_N, n.get()) != 1 ||
      OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_E, e.get()) != 1) {
    OSSL_PARAM_BLD_free(bld);
    return -1;
  }
  OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
  OSSL_PARAM_BLD_free(bld);
  OsslPtr<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  EVP_PKEY* raw = nullptr;
  const bool built = params != nullptr && ctx && EVP_PKEY_fromdata_init(ctx.get()) == 1 &&
                     EVP_PKEY_fromdata(ctx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params) == 1;
  OSSL_PARAM_free(params);
  OsslPtr<EVP_PKEY> pkey(raw);
  if (!built) return -1;
  unsigned char* out = nullptr;
  const int len = i2d_PublicKey(pkey.get(), &out);  // PKCS #1 RSAPublicKey for RSA
  if (len <= 0) return -1;
  der->assign(out, out + len);
  OPENSSL_free(out);
  return 0;
}

}  // namespace orvane
