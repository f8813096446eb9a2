#include "bridge/reply.h"

#include <cstdio>

#include "bridge/url_codec.h"

namespace orvane::bridge {
namespace {

std::string TwoMemberObject(std::string_view r, std::string_view v) {
  std::string out;
  out.reserve(24 + r.size() + v.size());
  out += "{\n\t\"R\" : ";
  out += r;
  out += ",\n\t\"V\" : ";
  out += v;
  out += "\n}";
  return out;
}

}  // namespace

std::string QuoteJsonString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

std::string FormatJsonNumber(double value) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, "%.20g", value);
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string TextReply(std::string_view narrow) {
  return TwoMemberObject("\"T\"", QuoteJsonString(UrlEncode(narrow)));
}

std::string CodeReply(bool success, int32_t code) {
  return TwoMemberObject(success ? "\"T\"" : "\"F\"", FormatJsonNumber(code));
}

}  // namespace orvane::bridge
