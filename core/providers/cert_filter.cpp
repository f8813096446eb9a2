#include "core/providers/cert_filter.h"

namespace orvane {

void ParseFilterText(std::string_view text, FilterMap& map) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('&', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view item = text.substr(start, end - start);
    const std::size_t mark = item.find('=');
    if (mark == std::string_view::npos) {
      map.emplace(std::string(item), std::string(item));
    } else {
      map.emplace(std::string(item.substr(0, mark)), std::string(item.substr(mark + 1)));
    }
    start = end + 1;
  }
}

}  // namespace orvane
