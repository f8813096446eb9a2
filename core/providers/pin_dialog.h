// The PIN entry and PIN change dialogs, shown through the dialog program.
// The program checks lengths and equality itself and answers only with
// accepted input; the caller learns the PIN(s) or that the user cancelled.
#pragma once

#include "core/platform/dialog_runner.h"
#include "core/resources/dialog_texts.h"
#include "core/util/secret.h"
#include "core/util/status.h"

namespace orvane {

// Longest PIN the entry dialog accepts, and how much of a field the change
// dialog takes, in characters.
inline constexpr std::size_t kMaxEntryPinChars = 32;
inline constexpr std::size_t kMaxChangePinChars = 31;

struct PinEntryOptions {
  int titleId = dialog_text::kInputPinTitle;  // kSoftFileTitle, kDeviceTitle for the providers
  int remaining = 0;  // -1: a new PIN is chosen and typed twice
  int maximum = 0;
};

// Shows the PIN entry dialog. When 0 <= remaining < maximum the title and
// hint say that a PIN was wrong and how many attempts remain. The PIN comes
// back in the narrow character set of the user's locale; 0x2031 ("Cancel pin
// error") when the user cancelled or no dialog could be shown.
Result<SecretString> ShowPinEntryDialog(const PinEntryOptions& options,
                                        platform::DialogRunner& runner = platform::DefaultDialogRunner());

struct PinChange {
  SecretString oldPin;
  SecretString newPin;
};

// Shows the PIN change dialog: the old PIN and the new PIN (typed twice),
// narrow character set; 0x2031 when cancelled.
Result<PinChange> ShowPinChangeDialog(platform::DialogRunner& runner = platform::DefaultDialogRunner());

}  // namespace orvane
