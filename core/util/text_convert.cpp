#include "core/util/text_convert.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "core/platform/charset.h"

namespace orvane {
namespace {

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool CopyIfFits(const std::optional<std::string>& text, char* out, uint32_t* outLen) {
  if (!text || out == nullptr || outLen == nullptr || text->size() > *outLen) return false;
  std::memcpy(out, text->data(), text->size());
  *outLen = static_cast<uint32_t>(text->size());
  return true;
}

}  // namespace

std::optional<std::string> ConvertCharset(std::string_view in, const char* from, const char* to) {
  IconvHandle cd(to, from);
  if (!cd.valid()) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  std::size_t written = 0;
  while (true) {
    char* dst = out.data() + written;
    std::size_t dstLeft = out.size() - written;
    const std::size_t rc = iconv(cd.get(), srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
    written = out.size() - dstLeft;
    if (rc != static_cast<std::size_t>(-1)) {
      if (srcLeft == 0) break;
      continue;
    }
    if (errno != E2BIG) return std::nullopt;
    out.resize(out.size() * 2);
  }
  out.resize(written);
  return out;
}

bool AnsiToUtf8(const char* in, std::size_t inLen, char* out, uint32_t* outLen) {
  if (in == nullptr) return false;
  return CopyIfFits(ConvertCharset({in, inLen}, platform::NarrowCharset().c_str(), "UTF-8"), out, outLen);
}

bool Utf8ToAnsi(const char* in, std::size_t inLen, char* out, uint32_t* outLen) {
  if (in == nullptr) return false;
  return CopyIfFits(ConvertCharset({in, inLen}, "UTF-8", platform::NarrowCharset().c_str()), out, outLen);
}

std::string Utf8ToAnsiString(std::string_view utf8) {
  auto converted = ConvertCharset(utf8, "UTF-8", platform::NarrowCharset().c_str());
  return converted ? *converted : std::string(utf8);
}

std::string AnsiToUtf8String(std::string_view ansi) {
  auto converted = ConvertCharset(ansi, platform::NarrowCharset().c_str(), "UTF-8");
  return converted ? *converted : std::string(ansi);
}

uint32_t WideToAnsi(const uint8_t* utf16le, std::size_t inLen, char* out, uint32_t capacity) {
  if (utf16le == nullptr || out == nullptr) return 0;
  const std::string_view in(reinterpret_cast<const char*>(utf16le), inLen / 2 * 2);
  uint32_t len = capacity;
  return CopyIfFits(ConvertCharset(in, "UTF-16LE", platform::NarrowCharset().c_str()), out, &len) ? len : 0;
}

}  // namespace orvane
