// The request the library sends: which dialog, and every text it shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "prompt/pin_rules.h"

namespace orvane::prompt {

struct ValidationTexts {
  std::string caption;  // of every message box
  std::string empty;
  std::string length;
  std::string emptyConfirm;
  std::string mismatch;
  const std::string& Text(Message message) const;
};

struct PinRequest {
  std::string title, label, confirmLabel, hint, ok, cancel;
  bool newPin = false;  // a new PIN, typed twice
  ValidationTexts messages;
};

struct ChangePinRequest {
  std::string title, oldLabel, newLabel, confirmLabel, ok, cancel;
  ValidationTexts messages;
};

// "selectkey" and "selectcert": a list of rows to choose one from.
struct SelectRequest {
  std::string caption, text, ok, cancel;
  std::vector<std::string> columns;
  std::vector<int> widths;  // pixels per column; may be shorter than columns
  std::vector<std::vector<std::string>> rows;
};

using Request = std::variant<PinRequest, ChangePinRequest, SelectRequest>;

// nullopt when `json` is no object or names no known dialog. Missing or
// mistyped texts are empty.
std::optional<Request> ParseRequest(std::string_view json);

}  // namespace orvane::prompt
