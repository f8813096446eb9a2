#include "core/util/sm2/sm2_curve.h"

#include <cstring>
#include <mutex>

#include <openssl/rand.h>

namespace orvane {
namespace {

// Fed to the random generator whenever a group is built, with its
// terminating zero (43 bytes).
constexpr char kSeedText[] = "stirred pot:monkey on 1998-11-06-21h47; QZ";

// Width-8 NAF for the generator's share of a verification.
constexpr int kBaseOddMultiples = 64;

OsslPtr<BIGNUM> FromHex(const char* hex) {
  BIGNUM* bn = nullptr;
  if (BN_hex2bn(&bn, hex) == 0) return nullptr;
  return OsslPtr<BIGNUM>(bn);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::unique_ptr<Sm2Curve> BuildCurve() {
  auto curve = std::make_unique<Sm2Curve>();
  OsslPtr<BN_CTX> ctx(BN_CTX_new());
  if (ctx == nullptr || Sm2CreateGroup(&curve->group) != 0) return nullptr;
  curve->n = EC_GROUP_get0_order(curve->group.get());
  curve->nMinus2.reset(BN_dup(curve->n));
  OsslPtr<BIGNUM> p(BN_new());
  if (curve->nMinus2 == nullptr || p == nullptr || !BN_sub_word(curve->nMinus2.get(), 2) ||
      EC_GROUP_get_curve(curve->group.get(), p.get(), nullptr, nullptr, ctx.get()) != 1 ||
      !curve->field.Init(p.get(), ctx.get()) || !curve->base.Build(curve->group.get(), curve->field, ctx.get())) {
    return nullptr;
  }
  OsslPtr<BIGNUM> gx = FromHex(kSm2Gx), gy = FromHex(kSm2Gy);
  if (!gx || !gy || !curve->baseOdd.Build(curve->field, gx.get(), gy.get(), kBaseOddMultiples, ctx.get())) {
    return nullptr;
  }
  const char* parts[] = {kSm2A, kSm2B, kSm2Gx, kSm2Gy};
  for (int i = 0; i < 4; ++i) {
    if (HexTextToBytes(curve->zCurve + i * kSm2FieldBytes, parts[i]) != kSm2FieldBytes) return nullptr;
  }
  return curve;
}

}  // namespace

std::size_t HexTextToBytes(uint8_t* out, const char* hex) {
  const std::size_t len = std::strlen(hex);
  std::size_t i = 0;
  while (i < len && hex[i] == '0') ++i;  // leading zero digits make no bytes
  std::size_t written = 0;
  if ((len - i) % 2 == 1) {
    const int d = HexDigit(hex[i++]);
    if (d < 0) return 0;
    out[written++] = static_cast<uint8_t>(d);
  }
  for (; i < len; i += 2) {
    const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return 0;
    out[written++] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return written;
}

int Sm2CreateGroup(OsslPtr<EC_GROUP>* group) {
  RAND_seed(kSeedText, sizeof kSeedText);
  OsslPtr<BN_CTX> ctx(BN_CTX_new());
  OsslPtr<BIGNUM> p = FromHex(kSm2P), a = FromHex(kSm2A), b = FromHex(kSm2B), n = FromHex(kSm2N),
                  gx = FromHex(kSm2Gx), gy = FromHex(kSm2Gy), y(BN_new());
  if (!ctx || !p || !a || !b || !n || !gx || !gy || !y) return -1;
  if (BN_check_prime(p.get(), ctx.get(), nullptr) != 1 || BN_check_prime(n.get(), ctx.get(), nullptr) != 1) {
    return -1;
  }
  OsslPtr<EC_GROUP> g(EC_GROUP_new_curve_GFp(p.get(), a.get(), b.get(), ctx.get()));
  if (g == nullptr) return -1;
  OsslPtr<EC_POINT> gen(EC_POINT_new(g.get())), check(EC_POINT_new(g.get()));
  if (!gen || !check || EC_POINT_set_compressed_coordinates(g.get(), gen.get(), gx.get(), 0, ctx.get()) != 1 ||
      EC_POINT_is_on_curve(g.get(), gen.get(), ctx.get()) != 1 ||
      EC_GROUP_set_generator(g.get(), gen.get(), n.get(), BN_value_one()) != 1 ||
      EC_POINT_get_affine_coordinates(g.get(), EC_GROUP_get0_generator(g.get()), nullptr, y.get(), ctx.get()) != 1 ||
      BN_cmp(y.get(), gy.get()) != 0 || EC_GROUP_get_degree(g.get()) != 256 ||
      EC_POINT_mul(g.get(), check.get(), n.get(), nullptr, nullptr, ctx.get()) != 1 ||
      EC_POINT_is_at_infinity(g.get(), check.get()) != 1) {
    return -1;
  }
  *group = std::move(g);
  return 0;
}

const Sm2Curve* Sm2SharedCurve() {
  static std::once_flag once;
  static std::unique_ptr<Sm2Curve> curve;
  std::call_once(once, [] { curve = BuildCurve(); });
  return curve.get();
}

}  // namespace orvane
