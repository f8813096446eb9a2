#include "core/providers/pin_dialog.h"

#include <iconv.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "core/platform/charset.h"
#include "core/resources/dialog_texts.h"
#include "core/resources/messages.h"

namespace orvane {
namespace {

using nlohmann::json;

std::string Text(int id) { return std::string(DialogTextUtf8(id, CurrentMessageLanguage())); }

std::string FormatRemaining(std::string text, int remaining) {
  const std::size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(remaining));
  return text;
}

json ValidationMessages() {
  return {
      {"caption", Text(dialog_text::kMessageCaption)},
      {"empty", Text(dialog_text::kEmptyPin)},
      {"length", Text(dialog_text::kPinLength)},
      {"emptyConfirm", Text(dialog_text::kEmptyConfirmation)},
      {"mismatch", Text(dialog_text::kPinMismatch)},
  };
}

json PinEntryRequest(const PinEntryOptions& options) {
  const bool newPin = options.remaining == -1;
  const bool retry = !newPin && options.remaining < options.maximum;
  return {
      {"dialog", "pin"},
      {"title", Text(retry ? dialog_text::kRetryTitle : options.titleId)},
      {"label", Text(dialog_text::kPinLabel)},
      {"confirmLabel", Text(dialog_text::kConfirmPinLabel)},
      {"hint", retry ? FormatRemaining(Text(dialog_text::kRetryHint), options.remaining) : Text(dialog_text::kPinHint)},
      {"ok", Text(dialog_text::kOk)},
      {"cancel", Text(dialog_text::kCancel)},
      {"confirm", newPin},
      {"remaining", options.remaining},
      {"maximum", options.maximum},
      {"messages", ValidationMessages()},
  };
}

json PinChangeRequest() {
  return {
      {"dialog", "changepin"},
      {"title", Text(dialog_text::kChangePinTitle)},
      {"oldLabel", Text(dialog_text::kOldPinLabel)},
      {"newLabel", Text(dialog_text::kNewPinLabel)},
      {"confirmLabel", Text(dialog_text::kConfirmNewPinLabel)},
      {"ok", Text(dialog_text::kOk)},
      {"cancel", Text(dialog_text::kCancel)},
      {"messages", ValidationMessages()},
  };
}

std::size_t Utf8Chars(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The program never confirms an empty field; a longer text than the dialog
// takes would overrun the PIN buffers of the device providers.
bool IsAcceptablePin(const SecretString* pin, std::size_t maxChars) {
  return pin != nullptr && !pin->empty() && Utf8Chars(*pin) <= maxChars;
}

// UTF-8 to the narrow character set, converted inside wiping buffers. A text
// that cannot be converted stays as it is, like every other text of the
// library.
SecretString ToNarrow(const SecretString& utf8) {
  const std::string charset = platform::NarrowCharset();
  if (charset == "UTF-8") return utf8;
  iconv_t cd = iconv_open(charset.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  SecretString out(utf8.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(utf8.data());
  std::size_t srcLeft = utf8.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  const bool converted = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
                         iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!converted) return utf8;
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

Result<SecretString> ShowPinEntryDialog(const PinEntryOptions& options, platform::DialogRunner& runner) {
  const auto answer = runner.Run(PinEntryRequest(options));
  if (!answer) return err::kCancelPin;
  const SecretString* pin = answer->Text("pin");
  if (!IsAcceptablePin(pin, kMaxEntryPinChars)) return err::kCancelPin;
  return ToNarrow(*pin);
}

Result<PinChange> ShowPinChangeDialog(platform::DialogRunner& runner) {
  const auto answer = runner.Run(PinChangeRequest());
  if (!answer) return err::kCancelPin;
  const SecretString* oldPin = answer->Text("oldPin");
  const SecretString* newPin = answer->Text("newPin");
  if (!IsAcceptablePin(oldPin, kMaxChangePinChars) || !IsAcceptablePin(newPin, kMaxChangePinChars)) {
    return err::kCancelPin;
  }
  return PinChange{ToNarrow(*oldPin), ToNarrow(*newPin)};
}

}  // namespace orvane
