// The protocol pieces in-process: percent-encoding, the reply layout, reading
// requests. The wire tests check the same rules through the running service.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "bridge/reply.h"
#include "bridge/request.h"
#include "bridge/url_codec.h"

namespace orvane::bridge {
namespace {

struct CodecCase {
  std::string plain;
  std::string encoded;
};

TEST(PercentCodec, EncodesEveryByteButUnreservedAndSpace) {
  const CodecCase cases[] = {
      {"", ""},
      {"AZaz09-_.~", "AZaz09-_.~"},
      {"a b", "a+b"},
      {"MIIB+/==", "MIIB%2B%2F%3D%3D"},            // Base64 punctuation
      {"\xE4\xB8\xAD", "%E4%B8%AD"},                // 中 in UTF-8: upper-case digits
      {std::string("\0\x7F\xFF", 3), "%00%7F%FF"},  // bytes at the edges
      {"%+&=\"\\", "%25%2B%26%3D%22%5C"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PercentEncode(c.plain), c.encoded) << c.encoded;
    EXPECT_EQ(PercentDecode(c.encoded), c.plain) << c.encoded;
  }
}

TEST(PercentCodec, DecodesLowerCaseAndLeavesBrokenEscapes) {
  const CodecCase cases[] = {
      {"\xE4\xB8\xAD", "%e4%b8%ad"},
      {"a b", "a+b"},
      {"100%", "100%"},      // "%" at the end: nothing read past it
      {"%4", "%4"},          // one digit before the end
      {"%zz1", "%zz1"},      // not hexadecimal
      {"%A", "%%41"},        // the first "%" stays, the second starts an escape
      {"%2", "%2"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentDecode(c.encoded), c.plain) << c.encoded;
}

TEST(PercentCodec, UrlDecodeKeepsBytesAfterAnEncodedZero) {
  // The core sees a C string, but the decoder itself loses nothing.
  const SecretString decoded = UrlDecode("a%00b");
  EXPECT_EQ(std::string(decoded.data(), decoded.size()), std::string("a\0b", 3));
}

TEST(ReplyLayout, IsByteExact) {
  EXPECT_EQ(TextReply("2.1.0.0"), "{\n\t\"R\" : \"T\",\n\t\"V\" : \"2.1.0.0\"\n}");
  EXPECT_EQ(TextReply("a b/+"), "{\n\t\"R\" : \"T\",\n\t\"V\" : \"a+b%2F%2B\"\n}");
  EXPECT_EQ(CodeReply(false, 4112), "{\n\t\"R\" : \"F\",\n\t\"V\" : 4112\n}");
  EXPECT_EQ(CodeReply(true, 0), "{\n\t\"R\" : \"T\",\n\t\"V\" : 0\n}");
  EXPECT_EQ(CodeReply(false, -1), "{\n\t\"R\" : \"F\",\n\t\"V\" : -1\n}");
}

TEST(ReplyLayout, EscapesOnlyTheSevenCharacters) {
  EXPECT_EQ(QuoteJsonString("\"\\\b\f\n\r\t"), "\"\\\"\\\\\\b\\f\\n\\r\\t\"");
  EXPECT_EQ(QuoteJsonString("/\x01\xE4"), "\"/\x01\xE4\"");
}

TEST(ReplyLayout, NumbersUseTwentySignificantDigits) {
  EXPECT_EQ(FormatJsonNumber(4098), "4098");
  EXPECT_EQ(FormatJsonNumber(INT32_MIN), "-2147483648");
  EXPECT_EQ(FormatJsonNumber(0.5), "0.5");
  EXPECT_EQ(FormatJsonNumber(1e20), "1e+20");
  EXPECT_EQ(FormatJsonNumber(0.0625), "0.0625");
  EXPECT_EQ(FormatJsonNumber(0.1), "0.10000000000000000555");
  EXPECT_EQ(FormatJsonNumber(9.5367431640625e-07), "9.5367431640625e-07");
}

TEST(RequestReader, AcceptsOneObjectOnly) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"{\"F\":1}", true},
      {" {\"F\":1} \n\t", true},
      {"{\"P\":{\"a\":1,\"b\":{\"a\":2}},\"a\":3}", true},  // the same name in different objects
      {"{\"F\":1,\"F\":2}", false},
      {"{\"P\":{\"Data\":\"a\",\"Data\":\"b\"}}", false},    // repeated inside "P"
      {"{\"P\":[{\"x\":1,\"x\":1}]}", false},                // repeated inside an array
      {"[1]", false},
      {"\"text\"", false},
      {"{", false},
      {"{\"F\":1} x", false},
      {"{\"F\":1}{}", false},
      {"{\"F\":\"\\q\"}", false},                            // unknown escape
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseRequest(c.text).has_value(), c.valid) << c.text;
}

TEST(RequestReader, RefusesAbsurdNesting) {
  const std::string deep = "{\"P\":" + std::string(5000, '[') + std::string(5000, ']') + "}";
  EXPECT_FALSE(ParseRequest(deep).has_value());
  const std::string shallow = "{\"P\":" + std::string(20, '[') + std::string(20, ']') + "}";
  EXPECT_TRUE(ParseRequest(shallow).has_value());
}

TEST(RequestReader, FunctionCodeTruncatesTowardZero) {
  const struct {
    const char* text;
    int32_t code;
  } cases[] = {
      {"{\"F\":16.9}", 16},
      {"{\"F\":-1.9}", -1},
      {"{\"F\":1e2}", 100},
      {"{\"F\":\"16\"}", 0},
      {"{\"F\":true}", 0},
      {"{\"P\":{}}", 0},
      {"{\"F\":2147483647}", INT32_MAX},
      {"{\"F\":4294967297}", INT32_MIN},  // out of range: no valid code
      {"{\"F\":1e300}", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(FunctionCode(*ParseRequest(c.text)), c.code) << c.text;
}

TEST(RequestReader, ParamsReadMissingAndMistypedMembersAsEmpty) {
  const auto doc = ParseRequest(
      "{\"P\":{\"S\":\"a%2Bb+c\",\"N\":-7.5,\"Wrong\":5,\"Text\":\"12\",\"U\":\"\\u4e2d\"}}");
  Params p(*doc);
  EXPECT_STREQ(p.Str("S"), "a+b c");
  EXPECT_STREQ(p.Str("Wrong"), "");
  EXPECT_STREQ(p.Str("Missing"), "");
  EXPECT_STREQ(p.Str("U"), "\xE4\xB8\xAD");  // \u escapes name their character
  EXPECT_EQ(p.Num("N"), -7);
  EXPECT_EQ(p.Num("Text"), 0);
  EXPECT_EQ(p.Num("Missing"), 0);

  const auto noParams = ParseRequest("{\"F\":3,\"P\":[1]}");
  Params q(*noParams);
  EXPECT_STREQ(q.Str("Name"), "");
  EXPECT_EQ(q.Num("Alg"), 0);
}

}  // namespace
}  // namespace orvane::bridge
