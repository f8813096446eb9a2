#include "prompt/answer.h"

#include <unistd.h>

#include <cerrno>
#include <string>

namespace orvane::prompt {
namespace {

void AppendJsonString(SecretString& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (b < 0x20) {
      out.append("\\u00");
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0xF]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

}  // namespace

SecretString PinAnswer(std::string_view pin) {
  SecretString out;
  out.reserve(pin.size() * 6 + 16);  // one allocation: no unwiped copy on growth
  out.append("{\"pin\":");
  AppendJsonString(out, pin);
  out.push_back('}');
  return out;
}

SecretString ChangePinAnswer(std::string_view oldPin, std::string_view newPin) {
  SecretString out;
  out.reserve((oldPin.size() + newPin.size()) * 6 + 32);
  out.append("{\"oldPin\":");
  AppendJsonString(out, oldPin);
  out.append(",\"newPin\":");
  AppendJsonString(out, newPin);
  out.push_back('}');
  return out;
}

SecretString IndexAnswer(int index) {
  SecretString out("{\"index\":");
  out.append(std::to_string(index));
  out.push_back('}');
  return out;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace orvane::prompt
