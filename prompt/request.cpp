#include "prompt/request.h"

#include <nlohmann/json.hpp>

namespace orvane::prompt {
namespace {

using nlohmann::json;

std::string TextOf(const json& object, const char* name) {
  const auto it = object.find(name);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

ValidationTexts MessagesOf(const json& request) {
  const auto it = request.find("messages");
  if (it == request.end() || !it->is_object()) return {};
  return {TextOf(*it, "caption"), TextOf(*it, "empty"), TextOf(*it, "length"), TextOf(*it, "emptyConfirm"),
          TextOf(*it, "mismatch")};
}

std::vector<std::string> TextsOf(const json& array) {
  std::vector<std::string> texts;
  if (!array.is_array()) return texts;
  for (const auto& item : array) texts.push_back(item.is_string() ? item.get<std::string>() : std::string());
  return texts;
}

PinRequest ReadPin(const json& r) {
  const auto confirm = r.find("confirm");
  return {TextOf(r, "title"), TextOf(r, "label"), TextOf(r, "confirmLabel"), TextOf(r, "hint"),
          TextOf(r, "ok"),    TextOf(r, "cancel"), confirm != r.end() && confirm->is_boolean() && confirm->get<bool>(),
          MessagesOf(r)};
}

ChangePinRequest ReadChangePin(const json& r) {
  return {TextOf(r, "title"), TextOf(r, "oldLabel"), TextOf(r, "newLabel"), TextOf(r, "confirmLabel"),
          TextOf(r, "ok"),    TextOf(r, "cancel"),   MessagesOf(r)};
}

SelectRequest ReadSelect(const json& r) {
  SelectRequest request{TextOf(r, "caption"), TextOf(r, "text"), TextOf(r, "ok"), TextOf(r, "cancel"), {}, {}, {}};
  if (const auto it = r.find("columns"); it != r.end()) request.columns = TextsOf(*it);
  if (const auto it = r.find("widths"); it != r.end() && it->is_array()) {
    for (const auto& w : *it) request.widths.push_back(w.is_number_integer() ? w.get<int>() : -1);
  }
  if (const auto it = r.find("rows"); it != r.end() && it->is_array()) {
    for (const auto& row : *it) request.rows.push_back(TextsOf(row));
  }
  return request;
}

}  // namespace

const std::string& ValidationTexts::Text(Message message) const {
  static const std::string kNoText;
  switch (message) {
    case Message::kEmpty: return empty;
    case Message::kLength: return length;
    case Message::kEmptyConfirm: return emptyConfirm;
    case Message::kMismatch: return mismatch;
    case Message::kNone: break;
  }
  return kNoText;
}

std::optional<Request> ParseRequest(std::string_view text) {
  const json request = json::parse(text, nullptr, false);
  if (!request.is_object()) return std::nullopt;
  const std::string dialog = TextOf(request, "dialog");
  if (dialog == "pin") return ReadPin(request);
  if (dialog == "changepin") return ReadChangePin(request);
  if (dialog == "selectkey" || dialog == "selectcert") return ReadSelect(request);
  return std::nullopt;
}

}  // namespace orvane::prompt
