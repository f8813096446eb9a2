#include "core/util/base64.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <random>
#include <string>

namespace orvane {
namespace {

std::string Decode(std::string_view text) { return Base64DecodeToString(text); }

TEST(Base64, EncodedLength) {
  const std::pair<size_t, size_t> cases[] = {{0, 0}, {1, 4}, {2, 4}, {3, 4}, {4, 8}, {20480, 27308}};
  for (auto [n, expected] : cases) EXPECT_EQ(Base64EncodedLength(n), expected) << n;
}

TEST(Base64, EncodesWithPaddingAndNoLineBreaks) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"M", "TQ=="}, {"Ma", "TWE="}, {"Man", "TWFu"}, {std::string("\0\0", 2), "AAA="}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Base64Encode(bytes), text);
  EXPECT_EQ(Base64Encode(std::string(200, 'x')).find('\n'), std::string::npos);
}

TEST(Base64, DecodesGroupsSkippingLineBreaksBetweenThem) {
  const std::pair<std::string, std::string> cases[] = {
      {"TWE=", "Ma"},
      {"TQ==", "M"},
      {"TWFu\r\nTWFu", "ManMan"},
      {"TWFu\nTWFu\n", "ManMan"},
      {"AAA=", std::string("\0\0", 2)},
      // A character outside the alphabet counts as 0, without error.
      {std::string("TW") + char(64) + "u", "\x4d\x60\x2e"},
      {"", ""},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(Decode(text), bytes) << text;
}

TEST(Base64, IncompleteOrOddInputNeverFails) {
  for (std::string text : {"T", "TW", "TWF", "=", "====", "\xff\xfe\x80\x7f", "TWFu=TWFu", "\r\n\r\n"}) {
    const auto bytes = Base64Decode(text);
    EXPECT_LE(bytes.size(), (text.size() / 4 + 1) * 3) << text;
  }
  EXPECT_EQ(Decode("TWF"), "Ma");  // read as if padded
}

// OpenSSL's encoder and ours agree on random data of every length near the
// group borders.
TEST(Base64, AgreesWithOpenSsl) {
  std::mt19937 rng(7);
  for (size_t n = 0; n < 100; ++n) {
    std::string bytes(n, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng());
    std::string reference(4 * ((n + 2) / 3) + 1, '\0');
    const int len = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(reference.data()),
                                    reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(n));
    reference.resize(static_cast<size_t>(len));
    ASSERT_EQ(Base64Encode(bytes), reference);
    ASSERT_EQ(Decode(reference), bytes);
  }
}

}  // namespace
}  // namespace orvane
