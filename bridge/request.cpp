#include "bridge/request.h"

#include <openssl/crypto.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bridge/url_codec.h"

namespace orvane::bridge {
namespace {

using nlohmann::json;

// Requests are two levels deep; anything far deeper is refused before it
// costs memory.
constexpr int kMaxDepth = 64;

struct Refused {};

// Keeps the member names of every object being read, innermost last, and
// stops the parser at the first name seen twice.
class DuplicateGuard {
 public:
  bool operator()(int depth, json::parse_event_t event, json& parsed) {
    if (depth > kMaxDepth) throw Refused{};
    switch (event) {
      case json::parse_event_t::object_start: open_.emplace_back(); break;
      case json::parse_event_t::object_end: open_.pop_back(); break;
      case json::parse_event_t::key: {
        auto& names = open_.back();
        const auto& name = parsed.get_ref<const std::string&>();
        for (const auto& seen : names)
          if (seen == name) throw Refused{};
        names.push_back(name);
        break;
      }
      default: break;
    }
    return true;
  }

 private:
  std::vector<std::vector<std::string>> open_;
};

}  // namespace

std::optional<json> ParseRequest(std::string_view text) {
  try {
    DuplicateGuard guard;
    json doc = json::parse(text.begin(), text.end(), std::ref(guard), /*allow_exceptions=*/false);
    if (!doc.is_object()) return std::nullopt;
    return doc;
  } catch (const Refused&) {
    return std::nullopt;
  }
}

int32_t TruncateToInt32(double value) {
  const double t = std::trunc(value);
  if (!(t >= std::numeric_limits<int32_t>::min() && t <= std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}

int32_t FunctionCode(const json& request) {
  const auto f = request.find("F");
  if (f == request.end() || !f->is_number()) return 0;
  return TruncateToInt32(f->get<double>());
}

Params::Params(const json& request) {
  const auto p = request.find("P");
  if (p != request.end() && p->is_object()) members_ = &*p;
}

const char* Params::Str(const char* name) {
  const json* member = nullptr;
  if (members_ != nullptr) {
    const auto it = members_->find(name);
    if (it != members_->end() && it->is_string()) member = &*it;
  }
  texts_.push_back(member ? UrlDecode(member->get_ref<const std::string&>()) : SecretString());
  return texts_.back().c_str();
}

int32_t Params::Num(const char* name) const {
  if (members_ == nullptr) return 0;
  const auto it = members_->find(name);
  if (it == members_->end() || !it->is_number()) return 0;
  return TruncateToInt32(it->get<double>());
}

void WipeStrings(json& value) {
  if (value.is_string()) {
    auto& text = value.get_ref<std::string&>();
    OPENSSL_cleanse(text.data(), text.size());
  } else if (value.is_structured()) {
    for (auto& item : value) WipeStrings(item);
  }
}

}  // namespace orvane::bridge
