#include "core/util/base64.h"

#include <array>

namespace orvane {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of every byte; characters outside the alphabet count as 0.
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<uint8_t>(i);
  return table;
}
constexpr auto kDecode = MakeDecodeTable();

template <typename Out>
void DecodeInto(std::string_view t, Out& out) {
  out.reserve(t.size() / 4 * 3);
  std::size_t p = 0;
  while (p < t.size()) {
    if (t[p] == '\r' || t[p] == '\n') {
      ++p;
      continue;
    }
    // An incomplete last group is read as if padded with zero characters.
    auto at = [&](std::size_t i) -> char { return p + i < t.size() ? t[p + i] : '='; };
    const uint32_t v = (uint32_t{kDecode[uint8_t(at(0))]} << 18) | (uint32_t{kDecode[uint8_t(at(1))]} << 12) |
                       (uint32_t{kDecode[uint8_t(at(2))]} << 6) | kDecode[uint8_t(at(3))];
    out.push_back(static_cast<typename Out::value_type>(v >> 16));
    if (at(2) != '=') {
      out.push_back(static_cast<typename Out::value_type>((v >> 8) & 0xFF));
      if (at(3) != '=') out.push_back(static_cast<typename Out::value_type>(v & 0xFF));
    }
    p += 4;
  }
}

}  // namespace

std::size_t Base64EncodedLength(std::size_t n) { return (n + 2) / 3 * 4; }

std::string Base64Encode(std::span<const uint8_t> b) {
  std::string out;
  out.reserve(Base64EncodedLength(b.size()));
  std::size_t i = 0;
  for (; i + 3 <= b.size(); i += 3) {
    const uint32_t v = (uint32_t{b[i]} << 16) | (uint32_t{b[i + 1]} << 8) | b[i + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 0x3F];
    out += kAlphabet[(v >> 6) & 0x3F];
    out += kAlphabet[v & 0x3F];
  }
  const std::size_t rest = b.size() - i;
  if (rest == 1) {
    out += kAlphabet[b[i] >> 2];
    out += kAlphabet[(b[i] & 3) << 4];
    out += "==";
  } else if (rest == 2) {
    out += kAlphabet[b[i] >> 2];
    out += kAlphabet[((b[i] << 4) & 0x3F) | (b[i + 1] >> 4)];
    out += kAlphabet[(b[i + 1] & 0x0F) << 2];
    out += '=';
  }
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  return Base64Encode(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::vector<uint8_t> Base64Decode(std::string_view text) {
  std::vector<uint8_t> out;
  DecodeInto(text, out);
  return out;
}

void Base64DecodeInto(std::string_view text, SecretBytes& out) {
  out.clear();
  DecodeInto(text, out);
}

std::string Base64DecodeToString(std::string_view text) {
  std::string out;
  DecodeInto(text, out);
  return out;
}

}  // namespace orvane
