#include "bridge/url_codec.h"

#include <cstdint>

#include "core/platform/charset.h"
#include "core/util/text_convert.h"

namespace orvane::bridge {
namespace {

// The locale does not change while the process runs; when its narrow set is
// UTF-8 the conversions are the identity and are skipped.
bool NarrowIsUtf8() {
  static const bool utf8 = [] {
    const std::string set = platform::NarrowCharset();
    return set == "UTF-8" || set == "utf8" || set == "UTF8";
  }();
  return utf8;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StaysAsIs(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         c == '.' || c == '~';
}

}  // namespace

std::string PercentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (StaysAsIs(c)) {
      out.push_back(ch);
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

namespace {

template <typename Text>
void PercentDecodeInto(std::string_view text, Text& out) {
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out.push_back(' ');
      continue;
    }
    if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
      continue;
    }
    out.push_back(c);
  }
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  PercentDecodeInto(text, out);
  return out;
}

std::string UrlEncode(std::string_view narrow) {
  if (NarrowIsUtf8()) return PercentEncode(narrow);
  return PercentEncode(AnsiToUtf8String(narrow));
}

SecretString UrlDecode(std::string_view text) {
  SecretString utf8;
  PercentDecodeInto(text, utf8);
  if (NarrowIsUtf8()) return utf8;
  std::string narrow = Utf8ToAnsiString(utf8);
  SecretString out(narrow.data(), narrow.size());
  OPENSSL_cleanse(narrow.data(), narrow.size());
  return out;
}

}  // namespace orvane::bridge
