#include <gtest/gtest.h>

#include <cstring>

#include "core/util/bytes.h"
#include "core/util/hex.h"

namespace orvane {
namespace {

TEST(Hex, CaseFollowsTheFlag) {
  const std::string bytes = "\x0a\xff";
  EXPECT_EQ(HexString(bytes, true), "0AFF");
  EXPECT_EQ(HexString(bytes, false), "0aff");
  EXPECT_EQ(HexString(std::string(), true), "");
}

TEST(Hex, ToBufferNeedsRoomForTheTerminator) {
  const uint8_t bytes[] = {0x0a, 0xff};
  char out[8];
  std::memset(out, '#', sizeof out);
  uint32_t len = 4;
  EXPECT_EQ(HexToBuffer(bytes, 2, out, &len), -1);
  EXPECT_EQ(len, 5u);
  EXPECT_EQ(out[0], '#');
  len = 5;
  ASSERT_EQ(HexToBuffer(bytes, 2, out, &len), 0);
  EXPECT_EQ(len, 4u);
  EXPECT_STREQ(out, "0AFF");
  EXPECT_EQ(out[5], '#');  // nothing beyond the capacity
}

TEST(Bytes, ReverseAndSwapPairs) {
  uint8_t buf[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(SwapBytePairs(buf, 5), 4u);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 5), (std::vector<uint8_t>{2, 1, 4, 3, 5}));
  ReverseBytes(buf, 5);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 5), (std::vector<uint8_t>{5, 3, 4, 1, 2}));
  ReverseBytes(buf, 0);
  EXPECT_EQ(SwapBytePairs(buf, 1), 0u);
}

TEST(Bytes, NumberTexts) {
  EXPECT_EQ(Int64ToText(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(Int64ToText(0), "0");
  const std::pair<const char*, int64_t> cases[] = {
      {"42", 42}, {"  -17xyz", -17}, {"abc", 0}, {"", 0}, {"9223372036854775807", 9223372036854775807LL}};
  for (auto [text, value] : cases) EXPECT_EQ(TextToInt64(text), value) << text;
}

}  // namespace
}  // namespace orvane
