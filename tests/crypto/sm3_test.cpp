#include "core/crypto/sm3.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include "core/crypto/sm3_paths.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

std::string Hex(const Sm3Digest& d) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint8_t b : d) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

std::vector<uint8_t> Random(std::size_t n) {
  std::vector<uint8_t> b(n);
  if (n > 0) {
    EXPECT_EQ(RAND_bytes(b.data(), int(n)), 1);
  }
  return b;
}

// OpenSSL 3's SM3, the reference.
Sm3Digest Reference(std::span<const uint8_t> data) {
  OsslPtr<EVP_MD> md(EVP_MD_fetch(nullptr, "SM3", nullptr));
  Sm3Digest out{};
  unsigned len = 0;
  EXPECT_TRUE(md != nullptr);
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), out.data(), &len, md.get(), nullptr), 1);
  EXPECT_EQ(len, kSm3DigestSize);
  return out;
}

// Vectors from the examples of GB/T 32905-2016, appendix A.
TEST(Sm3, StandardExamples) {
  std::string abc = "abc";
  std::string abcd16;
  for (int i = 0; i < 16; ++i) abcd16 += "abcd";
  EXPECT_EQ(Hex(Sm3({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()})),
            "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0");
  EXPECT_EQ(Hex(Sm3({reinterpret_cast<const uint8_t*>(abcd16.data()), abcd16.size()})),
            "debe9ff92275b8a138604889c18e5a4d6fdb70e5387e5765293dcba39c0c5732");
}

// Every length up to three blocks covers each padding case (one or two
// final blocks, the length field at every offset); longer ones run many
// blocks through the compression directly from the caller's buffer.
// Every compression path this CPU can run.
class Sm3PathTest : public ::testing::TestWithParam<Sm3Path> {
 protected:
  void SetUp() override {
    saved_ = Sm3ActivePath();
    if (!Sm3ForcePath(GetParam())) GTEST_SKIP() << "this CPU cannot run the path";
  }
  void TearDown() override { Sm3ForcePath(saved_); }

 private:
  Sm3Path saved_ = Sm3Path::kPortable;
};

TEST_P(Sm3PathTest, StandardExamplesAndEmptyMessage) {
  const std::string abc = "abc";
  EXPECT_EQ(Hex(Sm3({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()})),
            "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0");
  EXPECT_EQ(Hex(Sm3({})), "1ab21d8355cfa17f8e61194831e81a8f22bec8c728fefb747ed035eb5082aa2b");
}

TEST_P(Sm3PathTest, MatchesOpenSslAtEveryLengthAroundBlockBorders) {
  const auto data = Random(100000);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 3 * kSm3BlockSize; ++n) lengths.push_back(n);
  // Around the run lengths where a path changes its way of working.
  for (std::size_t blocks : {3u, 4u, 15u, 16u, 17u, 31u, 32u, 33u, 64u}) {
    for (std::size_t n : {64 * blocks - 1, 64 * blocks, 64 * blocks + 1}) lengths.push_back(n);
  }
  lengths.push_back(100000);
  for (std::size_t n : lengths) {
    SCOPED_TRACE(n);
    const std::span<const uint8_t> msg(data.data(), n);
    EXPECT_EQ(Sm3(msg), Reference(msg));
  }
}

TEST_P(Sm3PathTest, PiecewiseUpdatesMatchOneCall) {
  const auto data = Random(5000);
  const Sm3Digest expected = Reference(data);
  for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 127u, 1000u}) {
    SCOPED_TRACE(piece);
    Sm3Context ctx;
    Sm3Init(&ctx);
    for (std::size_t off = 0; off < data.size(); off += piece) {
      Sm3Update(&ctx, data.data() + off, std::min(piece, data.size() - off));
    }
    Sm3Digest got;
    Sm3Final(&ctx, got.data());
    EXPECT_EQ(got, expected);
  }
}

// Mixed piece sizes, including empty updates, so that the buffered bytes
// sit at every offset when a whole block follows.
TEST_P(Sm3PathTest, IrregularPiecesMatchOpenSsl) {
  const auto data = Random(3000);
  const std::size_t pattern[] = {0, 1, 63, 64, 65, 0, 7, 128, 2, 61};
  Sm3Context ctx;
  Sm3Init(&ctx);
  std::size_t off = 0;
  for (int i = 0; off < data.size(); ++i) {
    const std::size_t n = std::min(pattern[i % 10], data.size() - off);
    Sm3Update(&ctx, data.data() + off, n);
    off += n;
  }
  Sm3Digest got;
  Sm3Final(&ctx, got.data());
  EXPECT_EQ(got, Reference(data));
}

INSTANTIATE_TEST_SUITE_P(Paths, Sm3PathTest, ::testing::Values(Sm3Path::kPortable, Sm3Path::kBmi2, Sm3Path::kAvx512),
                         [](const ::testing::TestParamInfo<Sm3Path>& info) {
                           switch (info.param) {
                             case Sm3Path::kPortable: return std::string("Portable");
                             case Sm3Path::kBmi2: return std::string("Bmi2");
                             case Sm3Path::kAvx512: return std::string("Avx512");
                           }
                           return std::string("Unknown");
                         });

}  // namespace
}  // namespace orvane
