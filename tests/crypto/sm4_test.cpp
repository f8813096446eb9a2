// SM4 checked against the standard's examples and against OpenSSL 3's SM4
// (EVP), on every multi-block path this CPU can run.
#include "core/crypto/sm4.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include "core/crypto/sm4_simd.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

Bytes Random(std::size_t n) {
  Bytes b(n);
  if (n > 0) {
    EXPECT_EQ(RAND_bytes(b.data(), int(n)), 1);
  }
  return b;
}

// OpenSSL's SM4 without padding.
Bytes Reference(const char* cipherName, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in) {
  OsslPtr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(nullptr, cipherName, nullptr));
  OsslPtr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
  EXPECT_TRUE(cipher && ctx);
  EXPECT_EQ(EVP_CipherInit_ex2(ctx.get(), cipher.get(), key.data(), iv.empty() ? nullptr : iv.data(),
                               encrypt ? 1 : 0, nullptr),
            1);
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  Bytes out(in.size() + 16);
  int n = 0, m = 0;
  EXPECT_EQ(EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), int(in.size())), 1);
  EXPECT_EQ(EVP_CipherFinal_ex(ctx.get(), out.data() + n, &m), 1);
  out.resize(std::size_t(n + m));
  return out;
}

// --- Examples of GB/T 32907-2016, appendix A ----------------------------------

TEST(Sm4, StandardExampleOneBlock) {
  const Bytes key = FromHex("0123456789abcdeffedcba9876543210");
  const Bytes expected = FromHex("681edf34d206965e86b3e94f536e4246");
  Sm4Context enc, dec;
  Sm4SetEncryptKey(&enc, key.data());
  Sm4SetDecryptKey(&dec, key.data());
  Bytes out(16), back(16);
  Sm4CryptEcb(&enc, 16, key.data(), out.data());
  EXPECT_EQ(out, expected);
  Sm4CryptEcb(&dec, 16, out.data(), back.data());
  EXPECT_EQ(back, key);
}

TEST(Sm4, StandardExampleMillionEncryptions) {
  const Bytes key = FromHex("0123456789abcdeffedcba9876543210");
  Sm4Context enc;
  Sm4SetEncryptKey(&enc, key.data());
  Bytes block = key;
  for (int i = 0; i < 1000000; ++i) Sm4CryptBlock(enc.rk, block.data(), block.data());
  EXPECT_EQ(block, FromHex("595298c7c6fd271f0402f804c33d3f66"));
}

// --- Every path against OpenSSL ---------------------------------------------

class Sm4PathTest : public ::testing::TestWithParam<Sm4Path> {
 protected:
  void SetUp() override {
    saved_ = Sm4ActivePath();
    if (!Sm4ForcePath(GetParam())) GTEST_SKIP() << "this CPU cannot run the path";
  }
  void TearDown() override { Sm4ForcePath(saved_); }

 private:
  Sm4Path saved_ = Sm4Path::kPortable;
};

// Block counts around the kernels' group sizes (8, 16, 32 blocks) and the
// CBC decryption run (64 blocks).
constexpr std::size_t kBlockCounts[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 32, 33, 47, 48, 63, 64, 65, 127, 128, 129, 1000};

TEST_P(Sm4PathTest, EcbMatchesOpenSsl) {
  for (std::size_t blocks : kBlockCounts) {
    SCOPED_TRACE(blocks);
    const Bytes key = Random(16), plain = Random(blocks * 16);
    Sm4Context enc, dec;
    Sm4SetEncryptKey(&enc, key.data());
    Sm4SetDecryptKey(&dec, key.data());
    Bytes cipher(plain.size());
    Sm4CryptEcb(&enc, int64_t(plain.size()), plain.data(), cipher.data());
    EXPECT_EQ(cipher, Reference("SM4-ECB", true, key, {}, plain));
    // In place.
    Bytes work = cipher;
    Sm4CryptEcb(&dec, int64_t(work.size()), work.data(), work.data());
    EXPECT_EQ(work, plain);
  }
}

TEST_P(Sm4PathTest, CbcMatchesOpenSsl) {
  for (std::size_t blocks : kBlockCounts) {
    SCOPED_TRACE(blocks);
    const Bytes key = Random(16), iv = Random(16), plain = Random(blocks * 16);
    Sm4Context enc, dec;
    Sm4SetEncryptKey(&enc, key.data());
    Sm4SetDecryptKey(&dec, key.data());
    const Bytes expected = Reference("SM4-CBC", true, key, iv, plain);

    Bytes cipher(plain.size()), chain = iv;
    Sm4CryptCbc(&enc, kSm4Encrypt, int64_t(plain.size()), chain.data(), plain.data(), cipher.data());
    EXPECT_EQ(cipher, expected);
    EXPECT_EQ(chain, Bytes(cipher.end() - 16, cipher.end())) << "IV must end as the last ciphertext block";

    Bytes plainOut(cipher.size());
    chain = iv;
    Sm4CryptCbc(&dec, 0, int64_t(cipher.size()), chain.data(), cipher.data(), plainOut.data());
    EXPECT_EQ(plainOut, plain);
    EXPECT_EQ(chain, Bytes(cipher.end() - 16, cipher.end()));

    // In place, both directions.
    Bytes work = plain;
    chain = iv;
    Sm4CryptCbc(&enc, kSm4Encrypt, int64_t(work.size()), chain.data(), work.data(), work.data());
    EXPECT_EQ(work, expected);
    chain = iv;
    Sm4CryptCbc(&dec, 2, int64_t(work.size()), chain.data(), work.data(), work.data());
    EXPECT_EQ(work, plain);
  }
}

TEST_P(Sm4PathTest, CbcCallsChainThroughTheIv) {
  const Bytes key = Random(16), iv = Random(16), plain = Random(100 * 16);
  Sm4Context enc, dec;
  Sm4SetEncryptKey(&enc, key.data());
  Sm4SetDecryptKey(&dec, key.data());
  const Bytes expected = Reference("SM4-CBC", true, key, iv, plain);
  // Pieces of 1, 37 and 62 blocks.
  const std::size_t cuts[] = {0, 16, 38 * 16, 100 * 16};
  Bytes cipher(plain.size()), back(plain.size()), encIv = iv, decIv = iv;
  for (int i = 0; i < 3; ++i) {
    const std::size_t from = cuts[i], len = cuts[i + 1] - cuts[i];
    Sm4CryptCbc(&enc, kSm4Encrypt, int64_t(len), encIv.data(), plain.data() + from, cipher.data() + from);
  }
  EXPECT_EQ(cipher, expected);
  for (int i = 0; i < 3; ++i) {
    const std::size_t from = cuts[i], len = cuts[i + 1] - cuts[i];
    Sm4CryptCbc(&dec, 0, int64_t(len), decIv.data(), cipher.data() + from, back.data() + from);
  }
  EXPECT_EQ(back, plain);
}

TEST_P(Sm4PathTest, PartialLengthProcessesTheWholeLastBlock) {
  const Bytes key = Random(16), plain = Random(32);
  Sm4Context enc;
  Sm4SetEncryptKey(&enc, key.data());
  Bytes out(32, 0);
  Sm4CryptEcb(&enc, 17, plain.data(), out.data());
  EXPECT_EQ(out, Reference("SM4-ECB", true, key, {}, plain));
}

TEST_P(Sm4PathTest, NonPositiveLengthDoesNothing) {
  const Bytes key = Random(16), plain = Random(16), iv = Random(16);
  Sm4Context enc;
  Sm4SetEncryptKey(&enc, key.data());
  for (int64_t len : {int64_t{0}, int64_t{-1}, int64_t{-16}}) {
    Bytes out(16, 0xee), chain = iv;
    Sm4CryptEcb(&enc, len, plain.data(), out.data());
    Sm4CryptCbc(&enc, kSm4Encrypt, len, chain.data(), plain.data(), out.data());
    EXPECT_EQ(out, Bytes(16, 0xee));
    EXPECT_EQ(chain, iv);
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, Sm4PathTest,
                         ::testing::Values(Sm4Path::kPortable, Sm4Path::kAvx2Aesni, Sm4Path::kAvx512Gfni),
                         [](const ::testing::TestParamInfo<Sm4Path>& info) {
                           switch (info.param) {
                             case Sm4Path::kPortable: return std::string("Portable");
                             case Sm4Path::kAvx2Aesni: return std::string("Avx2Aesni");
                             case Sm4Path::kAvx512Gfni: return std::string("Avx512Gfni");
                           }
                           return std::string("Unknown");
                         });

TEST(Sm4Paths, PortableIsAlwaysAvailable) {
  EXPECT_TRUE(Sm4PathSupported(Sm4Path::kPortable));
}

}  // namespace
}  // namespace orvane
