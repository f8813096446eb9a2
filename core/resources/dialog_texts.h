// Texts of the library's dialogs: the PIN dialogs (string identifiers
// 100-119, part of the string table beside the status messages), the
// key-selection dialog and the certificate-selection dialog.
#pragma once

#include <string_view>

#include "core/resources/messages.h"

namespace orvane {

namespace dialog_text {
inline constexpr int kInputPinTitle = 100;
inline constexpr int kPinLabel = 101;
inline constexpr int kConfirmPinLabel = 102;
inline constexpr int kOk = 103;
inline constexpr int kCancel = 104;
inline constexpr int kSoftFileTitle = 105;
inline constexpr int kDeviceTitle = 106;
inline constexpr int kPinHint = 107;
inline constexpr int kRetryTitle = 108;
inline constexpr int kRetryHint = 109;  // "%d" stands for the remaining attempts
inline constexpr int kEmptyPin = 110;
inline constexpr int kMessageCaption = 111;
inline constexpr int kPinLength = 112;
inline constexpr int kEmptyConfirmation = 113;
inline constexpr int kPinMismatch = 114;
inline constexpr int kChangePinTitle = 115;
inline constexpr int kChangePinUnused = 116;
inline constexpr int kOldPinLabel = 117;
inline constexpr int kNewPinLabel = 118;
inline constexpr int kConfirmNewPinLabel = 119;
}  // namespace dialog_text

// The UTF-8 text of a PIN dialog identifier (100-119) in the given language;
// empty for any other identifier.
std::string_view DialogTextUtf8(int id, MessageLanguage language);

// The key-selection dialog has one set of texts, whatever the language.
struct KeySelectTexts {
  std::string_view caption;
  std::string_view text;
  std::string_view columns[3];
  int columnWidths[3];
  std::string_view ok;
  std::string_view cancel;
};
const KeySelectTexts& KeySelectDialogTexts();

// The certificate-selection dialog speaks the message language.
struct CertSelectTexts {
  std::string_view caption;
  std::string_view text;
  std::string_view columns[4];  // issued to, issued by, serial number, valid until
  std::string_view ok;
  std::string_view cancel;
};
const CertSelectTexts& CertSelectDialogTexts(MessageLanguage language);

}  // namespace orvane
