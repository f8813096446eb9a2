// The checks of the PIN dialogs, in the order the user meets them: lengths
// first, then equality. Shared by the graphical and the terminal dialogs.
#pragma once

#include <cstddef>
#include <string_view>

namespace orvane::prompt {

inline constexpr std::size_t kMinPinChars = 6;
inline constexpr std::size_t kMaxEntryPinChars = 32;   // PIN entry dialog
inline constexpr std::size_t kMaxChangePinChars = 31;  // each field of the PIN change dialog

// Which of the request's validation messages to show; kNone accepts.
enum class Message { kNone, kEmpty, kLength, kEmptyConfirm, kMismatch };
enum class Field { kPin, kConfirm, kOldPin, kNewPin };

struct Verdict {
  Message message = Message::kNone;
  Field focus = Field::kPin;        // the field that gets the focus after the message
  bool clearNewAndConfirm = false;  // empty the new-PIN and confirmation fields first
  bool accepted() const { return message == Message::kNone; }
};

// Number of characters of a UTF-8 text.
std::size_t Utf8Chars(std::string_view text);

// kNone for a text of kMinPinChars to maxChars characters, else `whenEmpty`
// for an empty one and kLength for any other.
Message CheckLength(std::string_view text, Message whenEmpty, std::size_t maxChars);

// OK in the PIN entry dialog; the confirmation counts only for a new PIN.
Verdict CheckPinEntry(std::string_view pin, std::string_view confirmation, bool newPin);

// OK in the PIN change dialog.
Verdict CheckPinChange(std::string_view oldPin, std::string_view newPin, std::string_view confirmation);

}  // namespace orvane::prompt
