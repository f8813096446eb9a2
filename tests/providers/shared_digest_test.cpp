#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <string>

#include "core/crypto/openssl_init.h"
#include "core/providers/sec_soft_impl.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

// OpenSSL's one-shot digest as the reference.
std::string Reference(const char* name, const std::string& data) {
  LoadOpenSslProviders();
  unsigned char md[EVP_MAX_MD_SIZE];
  size_t len = 0;
  EXPECT_EQ(EVP_Q_digest(nullptr, name, nullptr, data.data(), data.size(), md, &len), 1) << name;
  return std::string(reinterpret_cast<char*>(md), len);
}

class SharedDigestTest : public ::testing::Test {
 protected:
  std::string Hash(int32_t alg, const std::string& data, Status expected = err::kOk) {
    uint8_t out[128];
    uint32_t len = sizeof out;
    EXPECT_EQ(provider.HashData(alg, reinterpret_cast<const uint8_t*>(data.data()), uint32_t(data.size()), out, &len),
              expected);
    return std::string(reinterpret_cast<char*>(out), expected == err::kOk ? len : 0);
  }
  std::string HashFile(int32_t alg, const std::string& path, Status expected = err::kOk) {
    uint8_t out[128];
    uint32_t len = sizeof out;
    EXPECT_EQ(provider.HashFile(alg, path.c_str(), out, &len), expected) << path;
    return std::string(reinterpret_cast<char*>(out), expected == err::kOk ? len : 0);
  }

  CSecSoftImpl provider{"soft_file", 0, "/nonexistent"};
};

const std::pair<int32_t, const char*> kAlgorithms[] = {
    {1, "SHA1"}, {2, "SHA256"}, {3, "SHA512"}, {4, "MD5"}, {5, "MD4"}, {6, "SM3"}};

TEST_F(SharedDigestTest, DataDigestsMatchOpenSsl) {
  const std::string data = "The quick brown fox jumps over the lazy dog";
  for (auto [alg, name] : kAlgorithms) EXPECT_EQ(Hash(alg, data), Reference(name, data)) << name;
  EXPECT_EQ(Hash(6, data).size(), 32u);
}

TEST_F(SharedDigestTest, BadArgumentsAndUnknownAlgorithms) {
  Hash(0, "x", err::kUnsupportedAlg);
  Hash(7, "x", err::kUnsupportedAlg);
  Hash(1, "", err::kParam);
  uint8_t out[8];
  uint32_t len = sizeof out;  // too small for SHA-1
  EXPECT_EQ(provider.HashData(1, out, 1, out, &len), err::kBufferTooSmall);
  len = 0;
  EXPECT_EQ(provider.HashData(1, out, 1, out, &len), err::kParam);
}

TEST_F(SharedDigestTest, FileDigestsMatchOpenSslAcrossChunkBorders) {
  testing::TempDir dir;
  for (size_t size : {0, 1, 2047, 2048, 2049, 10000}) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 31 + 7);
    const auto path = dir.Write("f" + std::to_string(size), data).string();
    for (auto [alg, name] : kAlgorithms) {
      if (alg == 6) continue;
      EXPECT_EQ(HashFile(alg, path), Reference(name, data)) << name << " " << size;
    }
  }
}

TEST_F(SharedDigestTest, FileFailures) {
  testing::TempDir dir;
  const auto path = dir.Write("f", "abc").string();
  HashFile(6, path, err::kUnsupportedAlg);  // SM3 is not offered for files
  HashFile(1, dir.str() + "/missing", err::kReadFile);
  HashFile(1, dir.str(), err::kReadFile);  // a directory
  HashFile(1, "", err::kParam);
}

TEST_F(SharedDigestTest, RandomLengthLimits) {
  uint8_t out[2048] = {};
  EXPECT_EQ(provider.GenRandom(2047, out), err::kOk);
  EXPECT_EQ(provider.GenRandom(2048, out), err::kRandomLength);
  EXPECT_EQ(provider.GenRandom(0, out), err::kRandomLength);
  uint8_t a[32] = {}, b[32] = {};
  ASSERT_EQ(provider.GenRandom(32, a), err::kOk);
  ASSERT_EQ(provider.GenRandom(32, b), err::kOk);
  EXPECT_NE(std::string(a, a + 32), std::string(b, b + 32));
}

}  // namespace
}  // namespace orvane
