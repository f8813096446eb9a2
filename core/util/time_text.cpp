#include "core/util/time_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace orvane {
namespace {

int Field(std::string_view text, int index) {
  return (text[2 * index] - '0') * 10 + (text[2 * index + 1] - '0');
}

}  // namespace

std::string ConvertTimeText(std::string_view text, int hourOffset) {
  if (text.size() != 12 || !std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(uint8_t(c)); })) {
    return std::string(text);
  }
  std::tm local{};
  local.tm_year = 100 + Field(text, 0);
  local.tm_mon = Field(text, 1) - 1;
  local.tm_mday = Field(text, 2);
  local.tm_hour = Field(text, 3);
  local.tm_min = Field(text, 4);
  local.tm_sec = Field(text, 5);
  local.tm_isdst = -1;  // let the system decide daylight saving
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::string(text);
  const std::time_t shifted = seconds + static_cast<std::time_t>(hourOffset) * 3600;
  std::tm utc{};
  if (gmtime_r(&shifted, &utc) == nullptr) return std::string(text);
  char out[32];
  std::snprintf(out, sizeof out, "%02d%02d%02d%02d%02d%02d", ((utc.tm_year - 100) % 100 + 100) % 100, utc.tm_mon + 1, utc.tm_mday,
                utc.tm_hour, utc.tm_min, utc.tm_sec);
  return out;
}

}  // namespace orvane
