#include "prompt/pin_rules.h"

namespace orvane::prompt {

std::size_t Utf8Chars(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

Message CheckLength(std::string_view text, Message whenEmpty, std::size_t maxChars) {
  if (text.empty()) return whenEmpty;
  const std::size_t n = Utf8Chars(text);
  return n < kMinPinChars || n > maxChars ? Message::kLength : Message::kNone;
}

Verdict CheckPinEntry(std::string_view pin, std::string_view confirmation, bool newPin) {
  if (Message m = CheckLength(pin, Message::kEmpty, kMaxEntryPinChars); m != Message::kNone) {
    return {m, Field::kPin};
  }
  if (!newPin) return {};
  if (Message m = CheckLength(confirmation, Message::kEmptyConfirm, kMaxEntryPinChars); m != Message::kNone) {
    return {m, Field::kConfirm};
  }
  // Both fields keep their text; the PIN field is the one to look at again.
  if (confirmation != pin) return {Message::kMismatch, Field::kPin};
  return {};
}

Verdict CheckPinChange(std::string_view oldPin, std::string_view newPin, std::string_view confirmation) {
  if (Message m = CheckLength(oldPin, Message::kEmpty, kMaxChangePinChars); m != Message::kNone) {
    return {m, Field::kOldPin};
  }
  if (Message m = CheckLength(newPin, Message::kEmpty, kMaxChangePinChars); m != Message::kNone) {
    return {m, Field::kNewPin};
  }
  if (Message m = CheckLength(confirmation, Message::kEmptyConfirm, kMaxChangePinChars); m != Message::kNone) {
    return {m, Field::kConfirm};
  }
  if (confirmation != newPin) return {Message::kMismatch, Field::kNewPin, true};
  return {};
}

}  // namespace orvane::prompt
