// GM/T 0016 blob conversions, fed with SM2 ciphertexts and signatures that
// OpenSSL made, and with malformed input.
#include "core/crypto/skf_blobs.h"

#include <gtest/gtest.h>

#include <cstring>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include "core/crypto/sm2_asn1.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

struct OpensslSm2 {
  OsslPtr<EVP_PKEY> key{EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2")};

  std::vector<uint8_t> PublicDer() {
    unsigned char* der = nullptr;
    const int len = i2d_PUBKEY(key.get(), &der);
    std::vector<uint8_t> out(der, der + len);
    OPENSSL_free(der);
    return out;
  }
  std::vector<uint8_t> Crypt(std::span<const uint8_t> in, bool encrypt) {
    OsslPtr<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    size_t len = 0;
    if (encrypt ? EVP_PKEY_encrypt_init(ctx.get()) != 1 || EVP_PKEY_encrypt(ctx.get(), nullptr, &len, in.data(), in.size()) != 1
                : EVP_PKEY_decrypt_init(ctx.get()) != 1 || EVP_PKEY_decrypt(ctx.get(), nullptr, &len, in.data(), in.size()) != 1) {
      return {};
    }
    std::vector<uint8_t> out(len);
    const int ok = encrypt ? EVP_PKEY_encrypt(ctx.get(), out.data(), &len, in.data(), in.size())
                           : EVP_PKEY_decrypt(ctx.get(), out.data(), &len, in.data(), in.size());
    if (ok != 1) return {};
    out.resize(len);
    return out;
  }
  std::vector<uint8_t> Sign(std::span<const uint8_t> msg) {
    OsslPtr<EVP_MD_CTX> md(EVP_MD_CTX_new());
    size_t len = 80;
    std::vector<uint8_t> sig(len);
    if (EVP_DigestSignInit(md.get(), nullptr, EVP_sm3(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(md.get(), sig.data(), &len, msg.data(), msg.size()) != 1) {
      return {};
    }
    sig.resize(len);
    return sig;
  }
};

TEST(SkfBlobs, PublicBlobToDer) {
  OpensslSm2 ref;
  const std::vector<uint8_t> der = ref.PublicDer();
  ASSERT_EQ(der.size(), 91u);
  ECCPUBLICKEYBLOB blob{};
  std::memcpy(blob.XCoordinate + 32, der.data() + 27, 32);
  std::memcpy(blob.YCoordinate + 32, der.data() + 59, 32);
  for (uint32_t bits : {256u, 263u}) {
    blob.BitLen = bits;
    std::vector<uint8_t> out;
    ASSERT_EQ(Sm2PublicBlobToDer(blob, &out), 0) << bits;
    EXPECT_EQ(out, der);
  }
  for (uint32_t bits : {255u, 264u, 0u}) {
    blob.BitLen = bits;
    std::vector<uint8_t> out;
    EXPECT_EQ(Sm2PublicBlobToDer(blob, &out), 1) << bits;
  }
}

TEST(SkfBlobs, OpensslCiphertextRoundTrip) {
  OpensslSm2 ref;
  for (std::size_t len : {1u, 16u, 100u}) {
    const std::vector<uint8_t> plain(len, 0xA5);
    const std::vector<uint8_t> der = ref.Crypt(plain, true);
    ASSERT_FALSE(der.empty());
    std::vector<uint8_t> blobBytes;
    ASSERT_EQ(Sm2CipherDerToBlob(der, &blobBytes), 0);
    ASSERT_EQ(blobBytes.size(), kEccCipherBlobHeaderSize + len);
    const auto* blob = reinterpret_cast<const ECCCIPHERBLOB*>(blobBytes.data());
    EXPECT_EQ(blob->CipherLen, len);
    EXPECT_EQ(std::vector<uint8_t>(blob->XCoordinate, blob->XCoordinate + 32), std::vector<uint8_t>(32, 0));
    // And back: OpenSSL opens our DER.
    std::vector<uint8_t> again;
    ASSERT_EQ(Sm2CipherBlobToDer(blobBytes, &again), 0);
    EXPECT_EQ(again, der);
    EXPECT_EQ(ref.Crypt(again, false), plain);
  }
}

TEST(SkfBlobs, BadCiphertexts) {
  OpensslSm2 ref;
  const std::vector<uint8_t> der = ref.Crypt(std::vector<uint8_t>(8, 1), true);
  std::vector<uint8_t> blob;
  for (std::size_t len = 0; len < der.size(); ++len) {
    EXPECT_EQ(Sm2CipherDerToBlob({der.data(), len}, &blob), -1) << len;
  }
  std::vector<uint8_t> wrongTag = der;
  wrongTag[0] = 0x31;
  EXPECT_EQ(Sm2CipherDerToBlob(wrongTag, &blob), -1);

  auto build = [](const char* x, std::size_t hashLen) {
    OsslPtr<ASN1_SM2_CIPHER> c(ASN1_SM2_CIPHER_new());
    BIGNUM* bn = nullptr;
    BN_hex2bn(&bn, x);
    BN_to_ASN1_INTEGER(bn, c->x);
    BN_free(bn);
    ASN1_INTEGER_set(c->y, 5);
    std::vector<uint8_t> hash(hashLen, 7);
    ASN1_OCTET_STRING_set(c->hash, hash.data(), static_cast<int>(hash.size()));
    ASN1_OCTET_STRING_set(c->cipher, hash.data(), 3);
    std::vector<uint8_t> out;
    EncodeItem(c.get(), ASN1_ITEM_rptr(ASN1_SM2_CIPHER), &out);
    return out;
  };
  EXPECT_EQ(Sm2CipherDerToBlob(build("5", 32), &blob), 0);
  EXPECT_EQ(Sm2CipherDerToBlob(build("5", 31), &blob), -1);
  EXPECT_EQ(Sm2CipherDerToBlob(build("5", 33), &blob), -1);
  EXPECT_EQ(Sm2CipherDerToBlob(build("-5", 32), &blob), -1);
  EXPECT_EQ(Sm2CipherDerToBlob(build(std::string(66, 'F').c_str(), 32), &blob), -1);  // 33 bytes

  // A CipherLen beyond the bytes given is refused, not read.
  ASSERT_EQ(Sm2CipherDerToBlob(build("5", 32), &blob), 0);
  uint32_t tooLong = 4;
  std::memcpy(blob.data() + offsetof(ECCCIPHERBLOB, CipherLen), &tooLong, sizeof tooLong);
  std::vector<uint8_t> out;
  EXPECT_EQ(Sm2CipherBlobToDer(blob, &out), 1);
  EXPECT_EQ(Sm2CipherBlobToDer({blob.data(), kEccCipherBlobHeaderSize - 1}, &out), 1);
}

TEST(SkfBlobs, SignatureRoundTrip) {
  OpensslSm2 ref;
  for (int i = 0; i < 8; ++i) {
    const std::vector<uint8_t> msg(i, 0x11);
    const std::vector<uint8_t> sig = ref.Sign(msg);
    ASSERT_FALSE(sig.empty());
    ECCSIGNATUREBLOB blob{};
    ASSERT_EQ(Sm2SignatureDerToBlob(sig, &blob), 0);
    EXPECT_EQ(std::vector<uint8_t>(blob.r, blob.r + 32), std::vector<uint8_t>(32, 0));
    std::vector<uint8_t> again;
    ASSERT_EQ(Sm2SignatureBlobToDer(blob, &again), 0);
    EXPECT_EQ(again, sig);
  }
  // Small values keep their minimal DER.
  ECCSIGNATUREBLOB small{};
  small.r[63] = 1;
  small.s[63] = 0x80;
  std::vector<uint8_t> der;
  ASSERT_EQ(Sm2SignatureBlobToDer(small, &der), 0);
  EXPECT_EQ(der, (std::vector<uint8_t>{0x30, 0x07, 0x02, 0x01, 0x01, 0x02, 0x02, 0x00, 0x80}));
}

TEST(SkfBlobs, BadSignatures) {
  ECCSIGNATUREBLOB blob{};
  const std::vector<uint8_t> good = {0x30, 0x06, 0x02, 0x01, 0x01, 0x02, 0x01, 0x02};
  ASSERT_EQ(Sm2SignatureDerToBlob(good, &blob), 0);
  for (std::size_t len = 0; len < good.size(); ++len) {
    EXPECT_EQ(Sm2SignatureDerToBlob({good.data(), len}, &blob), err::kSignValue) << len;
  }
  const std::vector<uint8_t> negative = {0x30, 0x06, 0x02, 0x01, 0xFF, 0x02, 0x01, 0x02};
  EXPECT_EQ(Sm2SignatureDerToBlob(negative, &blob), err::kSignValue);
  std::vector<uint8_t> wide = {0x30, 0x26, 0x02, 0x21, 0x01};  // r of 33 bytes
  wide.insert(wide.end(), 32, 0xAB);
  wide.insert(wide.end(), {0x02, 0x01, 0x02});
  EXPECT_EQ(Sm2SignatureDerToBlob(wide, &blob), err::kSignValue);
  std::vector<uint8_t> trailing = good;
  trailing.push_back(0);
  EXPECT_EQ(Sm2SignatureDerToBlob(trailing, &blob), err::kSignValue);
}

}  // namespace
}  // namespace orvane
