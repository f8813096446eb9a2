#include "core/util/text_convert.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvane {
namespace {

// "成功" in the three encodings.
const std::string kUtf8 = "\xe6\x88\x90\xe5\x8a\x9f";
const std::string kGb18030 = "\xb3\xc9\xb9\xa6";
const std::string kUtf16le = "\x10\x62\x9f\x52";

TEST(TextConvert, Gb18030BothWays) {
  EXPECT_EQ(ConvertCharset(kUtf8, "UTF-8", "GB18030"), kGb18030);
  EXPECT_EQ(ConvertCharset(kGb18030, "GB18030", "UTF-8"), kUtf8);
  // A character outside GB2312 but inside GB18030.
  const std::string euro = "\xe2\x82\xac";
  const auto gb = ConvertCharset(euro, "UTF-8", "GB18030");
  ASSERT_TRUE(gb);
  EXPECT_EQ(ConvertCharset(*gb, "GB18030", "UTF-8"), euro);
}

TEST(TextConvert, InvalidInputIsRefused) {
  EXPECT_FALSE(ConvertCharset("\xff\xfe", "UTF-8", "GB18030"));
  EXPECT_FALSE(ConvertCharset("abc", "NO-SUCH-CHARSET", "UTF-8"));
  EXPECT_EQ(ConvertCharset("", "UTF-8", "GB18030"), "");
  // A long text grows the output buffer as needed.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += kGb18030;
  EXPECT_EQ(ConvertCharset(many, "GB18030", "UTF-8")->size(), 5000 * kUtf8.size());
}

// The narrow set follows the locale; the C locale counts as UTF-8.
TEST(TextConvert, NarrowSetOfTheCLocaleIsUtf8) {
  testing::ScopedEnv all("LC_ALL", "C");
  char out[16];
  uint32_t len = sizeof out;
  ASSERT_TRUE(AnsiToUtf8(kUtf8.data(), kUtf8.size(), out, &len));
  EXPECT_EQ(std::string(out, len), kUtf8);
  EXPECT_EQ(Utf8ToAnsiString(kUtf8), kUtf8);

  len = 3;  // too small: nothing written
  out[0] = '#';
  EXPECT_FALSE(Utf8ToAnsi(kUtf8.data(), kUtf8.size(), out, &len));
  EXPECT_EQ(out[0], '#');
  EXPECT_EQ(len, 3u);

  char wide[16] = {};
  EXPECT_EQ(WideToAnsi(reinterpret_cast<const uint8_t*>(kUtf16le.data()), kUtf16le.size(), wide, sizeof wide), 6u);
  EXPECT_EQ(std::string(wide, 6), kUtf8);
  EXPECT_EQ(WideToAnsi(reinterpret_cast<const uint8_t*>(kUtf16le.data()), kUtf16le.size(), wide, 5), 0u);
}

}  // namespace
}  // namespace orvane
