#include "core/platform/dialog_runner_answer.h"

#include <charconv>

namespace orvane::platform {
namespace {

// A cursor over the answer text. Every Read* returns false on malformed
// input and may leave partial output behind, which the caller discards.
class AnswerReader {
 public:
  explicit AnswerReader(std::string_view text) : text_(text) {}

  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ == text_.size(); }
  bool Consume(char c) {
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  char Peek() {
    SkipSpace();
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  template <typename Str>
  bool ReadString(Str& out) {
    if (!Consume('"')) return false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return IsValidUtf8(out);
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (!ReadEscape(out)) return false;
    }
    return false;
  }

  bool ReadInteger(int64_t& out) {
    SkipSpace();
    const std::size_t start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    const std::size_t digits = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    if (pos_ == digits) return false;
    if (text_[digits] == '0' && pos_ - digits > 1) return false;  // no leading zeros
    if (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E')) return false;
    const auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, out);
    return ec == std::errc() && end == text_.data() + pos_;
  }

 private:
  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

  bool ReadHex4(uint32_t& out) {
    if (text_.size() - pos_ < 4) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      uint32_t v;
      if (c >= '0' && c <= '9') {
        v = static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        v = static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        v = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
      out = out << 4 | v;
    }
    return true;
  }

  template <typename Str>
  bool ReadEscape(Str& out) {
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_++];
    switch (c) {
      case '"': out.push_back('"'); return true;
      case '\\': out.push_back('\\'); return true;
      case '/': out.push_back('/'); return true;
      case 'b': out.push_back('\b'); return true;
      case 'f': out.push_back('\f'); return true;
      case 'n': out.push_back('\n'); return true;
      case 'r': out.push_back('\r'); return true;
      case 't': out.push_back('\t'); return true;
      case 'u': return ReadUnicodeEscape(out);
      default: return false;
    }
  }

  template <typename Str>
  bool ReadUnicodeEscape(Str& out) {
    uint32_t cp;
    if (!ReadHex4(cp)) return false;
    if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      uint32_t low;
      if (text_.substr(pos_, 2) != "\\u") return false;
      pos_ += 2;
      if (!ReadHex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, cp);
    return true;
  }

  template <typename Str>
  static void AppendUtf8(Str& out, uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | cp >> 6));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | cp >> 12));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | cp >> 18));
      out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  // Shortest forms only, no surrogates, nothing above U+10FFFF.
  template <typename Str>
  static bool IsValidUtf8(const Str& s) {
    std::size_t i = 0;
    while (i < s.size()) {
      const auto b = static_cast<unsigned char>(s[i]);
      std::size_t len;
      uint32_t cp;
      if (b < 0x80) {
        ++i;
        continue;
      } else if ((b & 0xE0) == 0xC0) {
        len = 2, cp = b & 0x1F;
      } else if ((b & 0xF0) == 0xE0) {
        len = 3, cp = b & 0x0F;
      } else if ((b & 0xF8) == 0xF0) {
        len = 4, cp = b & 0x07;
      } else {
        return false;
      }
      if (s.size() - i < len) return false;
      for (std::size_t k = 1; k < len; ++k) {
        const auto cont = static_cast<unsigned char>(s[i + k]);
        if ((cont & 0xC0) != 0x80) return false;
        cp = cp << 6 | (cont & 0x3F);
      }
      constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
      if (cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
      i += len;
    }
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<DialogAnswer> DialogAnswer::Parse(std::string_view json) {
  AnswerReader reader(json);
  DialogAnswer answer;
  if (!reader.Consume('{')) return std::nullopt;
  if (!reader.Consume('}')) {
    do {
      Member member;
      if (!reader.ReadString(member.name) || !reader.Consume(':')) return std::nullopt;
      if (answer.Find(member.name) != nullptr) return std::nullopt;
      if (reader.Peek() == '"') {
        if (!reader.ReadString(member.text)) return std::nullopt;
      } else {
        int64_t value;
        if (!reader.ReadInteger(value)) return std::nullopt;
        member.integer = value;
      }
      answer.members_.push_back(std::move(member));
    } while (reader.Consume(','));
    if (!reader.Consume('}')) return std::nullopt;
  }
  reader.SkipSpace();
  if (!reader.AtEnd()) return std::nullopt;
  return answer;
}

const DialogAnswer::Member* DialogAnswer::Find(std::string_view name) const {
  for (const auto& member : members_) {
    if (member.name == name) return &member;
  }
  return nullptr;
}

const SecretString* DialogAnswer::Text(std::string_view name) const {
  const Member* member = Find(name);
  return member != nullptr && !member->integer ? &member->text : nullptr;
}

std::optional<int64_t> DialogAnswer::Integer(std::string_view name) const {
  const Member* member = Find(name);
  return member != nullptr ? member->integer : std::nullopt;
}

}  // namespace orvane::platform
