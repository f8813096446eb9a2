#include "core/crypto/skf_blobs.h"

#include <climits>
#include <cstring>

#include <openssl/bn.h>
#include <openssl/ec.h>

#include "core/crypto/sm2_asn1.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

constexpr std::size_t kValueBytes = 32;  // a 256-bit value
constexpr std::size_t kValueOffset = kEccMaxCoordinateBytes - kValueBytes;

// Writes a non-negative number of at most 32 bytes right-aligned into a
// 64-byte field.
bool PutValue(const BIGNUM* v, uint8_t field[kEccMaxCoordinateBytes]) {
  if (v == nullptr || BN_is_negative(v) || BN_num_bytes(v) > static_cast<int>(kValueBytes)) return false;
  std::memset(field, 0, kValueOffset);
  return BN_bn2binpad(v, field + kValueOffset, kValueBytes) == static_cast<int>(kValueBytes);
}

OsslPtr<BIGNUM> GetValue(const uint8_t field[kEccMaxCoordinateBytes]) {
  return OsslPtr<BIGNUM>(BN_bin2bn(field + kValueOffset, kValueBytes, nullptr));
}

}  // namespace

int Sm2PublicBlobToDer(const ECCPUBLICKEYBLOB& blob, std::vector<uint8_t>* der) {
  if (blob.BitLen / 8 * 8 != 256) return 1;
  der->assign(std::begin(kSm2PublicKeyPrefix), std::end(kSm2PublicKeyPrefix));
  der->push_back(0x04);
  der->insert(der->end(), blob.XCoordinate + kValueOffset, blob.XCoordinate + kEccMaxCoordinateBytes);
  der->insert(der->end(), blob.YCoordinate + kValueOffset, blob.YCoordinate + kEccMaxCoordinateBytes);
  return 0;
}

int Sm2CipherDerToBlob(std::span<const uint8_t> der, std::vector<uint8_t>* blob) {
  auto cipher = DecodeDer<ASN1_SM2_CIPHER>(der, ASN1_ITEM_rptr(ASN1_SM2_CIPHER));
  if (cipher == nullptr || ASN1_STRING_length(cipher->hash) != 32) return -1;
  OsslPtr<BIGNUM> x(ASN1_INTEGER_to_BN(cipher->x, nullptr)), y(ASN1_INTEGER_to_BN(cipher->y, nullptr));
  const std::size_t c2 = static_cast<std::size_t>(ASN1_STRING_length(cipher->cipher));
  std::vector<uint8_t> out(kEccCipherBlobHeaderSize + c2, 0);
  ECCCIPHERBLOB header{};
  if (!PutValue(x.get(), header.XCoordinate) || !PutValue(y.get(), header.YCoordinate)) return -1;
  std::memcpy(header.HASH, ASN1_STRING_get0_data(cipher->hash), sizeof header.HASH);
  header.CipherLen = static_cast<uint32_t>(c2);
  std::memcpy(out.data(), &header, kEccCipherBlobHeaderSize);
  if (c2 > 0) std::memcpy(out.data() + kEccCipherBlobHeaderSize, ASN1_STRING_get0_data(cipher->cipher), c2);
  *blob = std::move(out);
  return 0;
}

int Sm2CipherBlobToDer(std::span<const uint8_t> blob, std::vector<uint8_t>* der) {
  ECCCIPHERBLOB header;
  if (blob.size() < kEccCipherBlobHeaderSize) return 1;
  std::memcpy(&header, blob.data(), kEccCipherBlobHeaderSize);
  if (header.CipherLen > blob.size() - kEccCipherBlobHeaderSize || header.CipherLen > INT_MAX) return 1;
  OsslPtr<ASN1_SM2_CIPHER> cipher(ASN1_SM2_CIPHER_new());
  OsslPtr<BIGNUM> x = GetValue(header.XCoordinate), y = GetValue(header.YCoordinate);
  if (!cipher || !x || !y || !BN_to_ASN1_INTEGER(x.get(), cipher->x) || !BN_to_ASN1_INTEGER(y.get(), cipher->y) ||
      ASN1_OCTET_STRING_set(cipher->hash, header.HASH, sizeof header.HASH) != 1 ||
      ASN1_OCTET_STRING_set(cipher->cipher, blob.data() + kEccCipherBlobHeaderSize,
                            static_cast<int>(header.CipherLen)) != 1) {
    return 1;
  }
  return EncodeItem(cipher.get(), ASN1_ITEM_rptr(ASN1_SM2_CIPHER), der) ? 0 : 1;
}

Status Sm2SignatureDerToBlob(std::span<const uint8_t> der, ECCSIGNATUREBLOB* blob) {
  if (der.empty() || der.size() > LONG_MAX) return err::kSignValue;
  const unsigned char* p = der.data();
  OsslPtr<ECDSA_SIG> sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size())));
  if (sig == nullptr || p != der.data() + der.size()) return err::kSignValue;
  ECCSIGNATUREBLOB out{};
  if (!PutValue(ECDSA_SIG_get0_r(sig.get()), out.r) || !PutValue(ECDSA_SIG_get0_s(sig.get()), out.s)) {
    return err::kSignValue;
  }
  *blob = out;
  return err::kOk;
}

int Sm2SignatureBlobToDer(const ECCSIGNATUREBLOB& blob, std::vector<uint8_t>* der) {
  OsslPtr<ECDSA_SIG> sig(ECDSA_SIG_new());
  OsslPtr<BIGNUM> r = GetValue(blob.r), s = GetValue(blob.s);
  if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r.get(), s.get()) != 1) return 1;
  r.release();
  s.release();
  unsigned char* out = nullptr;
  const int len = i2d_ECDSA_SIG(sig.get(), &out);
  if (len <= 0) return 1;
  der->assign(out, out + len);
  OPENSSL_free(out);
  return 0;
}

}  // namespace orvane
