// SM2 signatures cross-checked with OpenSSL's SM2 (SM3, identity
// 1234567812345678), and the answers to unusable signatures.
#include <gtest/gtest.h>

#include <openssl/rand.h>

#include "core/util/sm2/sm2_digest.h"
#include "core/util/sm2/sm2_sign.h"
#include "util/sm2/sm2_fixture.h"

namespace orvane {
namespace {

using testing::Bytes;

const std::string kDefaultId = "1234567812345678";

struct KeyPair {
  std::vector<uint8_t> pub;
  SecretBytes priv;
};

KeyPair NewKeyPair() {
  KeyPair kp;
  EXPECT_EQ(Sm2GenerateKeyPair(&kp.pub, &kp.priv), 0);
  return kp;
}

std::vector<std::string> Messages() {
  std::string big(5000, 'x');
  return {"", "a", "testdata", std::string(64, '\0'), big};
}

TEST(Sm2Sign, OursVerifiedByOpenssl) {
  const KeyPair kp = NewKeyPair();
  auto ref = testing::OpensslPublicKey(kp.pub);
  ASSERT_NE(ref, nullptr);
  for (const auto& msg : Messages()) {
    std::vector<uint8_t> sig;
    ASSERT_EQ(Sm2SignMessage(Bytes(msg), kp.priv, &sig), 0);
    EXPECT_LE(sig.size(), kSm2MaxSignatureSize);
    EXPECT_TRUE(testing::OpensslVerify(ref.get(), Bytes(msg), sig, kDefaultId)) << msg.size();
    // The identity is part of the digest: another one must not verify.
    EXPECT_FALSE(testing::OpensslVerify(ref.get(), Bytes(msg), sig, "8765432187654321"));
  }
}

TEST(Sm2Sign, OpensslVerifiedByOurs) {
  for (int round = 0; round < 5; ++round) {
    auto key = testing::OpensslKeyPair();
    ASSERT_NE(key, nullptr);
    const std::vector<uint8_t> pub = testing::OpensslPublicDer(key.get());
    for (const auto& msg : Messages()) {
      const std::vector<uint8_t> sig = testing::OpensslSign(key.get(), Bytes(msg), kDefaultId);
      ASSERT_FALSE(sig.empty());
      EXPECT_EQ(Sm2VerifyMessage(Bytes(msg), sig, pub), 0);
      const std::vector<uint8_t> other = testing::OpensslSign(key.get(), Bytes(msg), "alice@example");
      EXPECT_NE(Sm2VerifyMessage(Bytes(msg), other, pub), 0);
    }
  }
}

// Many random messages and keys in both directions, so that values with
// leading zero bytes (r, s, x1, coordinates) come up too.
TEST(Sm2Sign, RandomMessagesBothWays) {
  for (int round = 0; round < 8; ++round) {
    const KeyPair kp = NewKeyPair();
    auto ours = testing::OpensslPublicKey(kp.pub);
    auto theirs = testing::OpensslKeyPair();
    ASSERT_TRUE(ours && theirs);
    const std::vector<uint8_t> theirPub = testing::OpensslPublicDer(theirs.get());
    for (int i = 0; i < 8; ++i) {
      std::vector<uint8_t> msg(static_cast<std::size_t>(round * 8 + i));
      ASSERT_EQ(RAND_bytes(msg.data(), static_cast<int>(msg.size())), 1);
      std::vector<uint8_t> sig;
      ASSERT_EQ(Sm2SignMessage(msg, kp.priv, &sig), 0);
      EXPECT_TRUE(testing::OpensslVerify(ours.get(), msg, sig, kDefaultId));
      const std::vector<uint8_t> theirSig = testing::OpensslSign(theirs.get(), msg, kDefaultId);
      EXPECT_EQ(Sm2VerifyMessage(msg, theirSig, theirPub), 0);
    }
  }
}

TEST(Sm2Sign, FreshNonceEachTime) {
  const KeyPair kp = NewKeyPair();
  std::vector<uint8_t> a, b;
  ASSERT_EQ(Sm2SignMessage(Bytes("same"), kp.priv, &a), 0);
  ASSERT_EQ(Sm2SignMessage(Bytes("same"), kp.priv, &b), 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(Sm2VerifyMessage(Bytes("same"), a, kp.pub), 0);
  EXPECT_EQ(Sm2VerifyMessage(Bytes("same"), b, kp.pub), 0);
}

TEST(Sm2Sign, ChangedMessageOrKeyDoesNotVerify) {
  const KeyPair kp = NewKeyPair();
  const KeyPair other = NewKeyPair();
  std::vector<uint8_t> sig;
  ASSERT_EQ(Sm2SignMessage(Bytes("testdata"), kp.priv, &sig), 0);
  EXPECT_NE(Sm2VerifyMessage(Bytes("testdatb"), sig, kp.pub), 0);
  EXPECT_NE(Sm2VerifyMessage(Bytes("testdata"), sig, other.pub), 0);
  std::vector<uint8_t> bent = kp.pub;
  bent.back() ^= 1;  // now off the curve
  EXPECT_EQ(Sm2VerifyMessage(Bytes("testdata"), sig, bent), -1);
}

TEST(Sm2Sign, DigestLengthMustBe32) {
  const KeyPair kp = NewKeyPair();
  Sm2Key key;
  ASSERT_EQ(Sm2LoadPrivateKey(&key, kp.priv), 0);
  uint8_t digest[33] = {1};
  OsslPtr<ECDSA_SIG> sig;
  EXPECT_EQ(Sm2SignDigest({digest, 31}, key, &sig), -1);
  EXPECT_EQ(Sm2SignDigest({digest, 33}, key, &sig), -1);
  ASSERT_EQ(Sm2SignDigest({digest, 32}, key, &sig), 0);
  EXPECT_EQ(Sm2VerifyDigest({digest, 32}, sig.get(), key), 0);
  EXPECT_EQ(Sm2VerifyDigest({digest, 31}, sig.get(), key), -1);
  // A public key cannot sign.
  Sm2Key pubOnly;
  ASSERT_EQ(Sm2LoadPublicKey(&pubOnly, kp.pub), 0);
  EXPECT_EQ(Sm2SignDigest({digest, 32}, pubOnly, &sig), -1);
}

OsslPtr<BIGNUM> Hex(const char* hex) {
  BIGNUM* bn = nullptr;
  BN_hex2bn(&bn, hex);
  return OsslPtr<BIGNUM>(bn);
}

// r or s of 0, n or above n, or negative, is refused before any point
// arithmetic with -1 (unusable), not 1 (mismatch).
TEST(Sm2Sign, OutOfRangeSignatureValuesAreUnusable) {
  const KeyPair kp = NewKeyPair();
  Sm2Key key;
  ASSERT_EQ(Sm2LoadPublicKey(&key, kp.pub), 0);
  const uint8_t digest[32] = {7};
  const char* n = kSm2N;
  const char* bad[] = {"0", n, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", "-5"};
  for (const char* v : bad) {
    for (bool badR : {true, false}) {
      OsslPtr<ECDSA_SIG> sig(ECDSA_SIG_new());
      OsslPtr<BIGNUM> r = badR ? Hex(v) : Hex("1234"), s = badR ? Hex("1234") : Hex(v);
      ASSERT_EQ(ECDSA_SIG_set0(sig.get(), r.release(), s.release()), 1);
      EXPECT_EQ(Sm2VerifyDigest(digest, sig.get(), key), -1) << v << (badR ? " as r" : " as s");
    }
  }
  // r + s = n makes t = 0.
  OsslPtr<ECDSA_SIG> sig(ECDSA_SIG_new());
  OsslPtr<BIGNUM> r = Hex("1"), s = Hex(kSm2N);
  ASSERT_TRUE(BN_sub_word(s.get(), 1));
  ASSERT_EQ(ECDSA_SIG_set0(sig.get(), r.release(), s.release()), 1);
  EXPECT_EQ(Sm2VerifyDigest(digest, sig.get(), key), -1);
  EXPECT_EQ(Sm2VerifyDigest(digest, nullptr, key), -1);
}

TEST(Sm2Sign, BadSignatureDerIsRefused) {
  const KeyPair kp = NewKeyPair();
  std::vector<uint8_t> sig;
  ASSERT_EQ(Sm2SignMessage(Bytes("m"), kp.priv, &sig), 0);
  for (std::size_t len = 0; len < sig.size(); ++len) {  // every truncation
    EXPECT_NE(Sm2VerifyMessage(Bytes("m"), {sig.data(), len}, kp.pub), 0) << len;
  }
  std::vector<uint8_t> tagged = sig;
  tagged[0] = 0x31;  // SET instead of SEQUENCE
  EXPECT_EQ(Sm2VerifyMessage(Bytes("m"), tagged, kp.pub), -1);
  std::vector<uint8_t> trailing = sig;
  trailing.push_back(0);
  EXPECT_EQ(Sm2VerifyMessage(Bytes("m"), trailing, kp.pub), -1);
  // r padded with a needless zero byte is not DER.
  std::vector<uint8_t> padded = {0x30, static_cast<uint8_t>(sig[1] + 1), 0x02, static_cast<uint8_t>(sig[3] + 1), 0x00};
  padded.insert(padded.end(), sig.begin() + 4, sig.end());
  EXPECT_EQ(Sm2VerifyMessage(Bytes("m"), padded, kp.pub), -1);
}

// A wrong identity on the verifier's side changes Z and so the digest.
TEST(Sm2Sign, OtherIdentityGivesOtherDigest) {
  const KeyPair kp = NewKeyPair();
  Sm2Key key;
  ASSERT_EQ(Sm2LoadPrivateKey(&key, kp.priv), 0);
  uint8_t e[32], other[32];
  ASSERT_EQ(Sm2Digest(Bytes("msg"), kSm2DefaultId, key, e), 0);
  ASSERT_EQ(Sm2Digest(Bytes("msg"), Bytes("1234567812345679"), key, other), 0);
  OsslPtr<ECDSA_SIG> sig;
  ASSERT_EQ(Sm2SignDigest(e, key, &sig), 0);
  EXPECT_EQ(Sm2VerifyDigest(e, sig.get(), key), 0);
  EXPECT_EQ(Sm2VerifyDigest(other, sig.get(), key), 1);
}

}  // namespace
}  // namespace orvane
