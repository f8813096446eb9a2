// The certificate filter: "KEY=value&KEY=value" texts that pick one of
// several certificates by subject, issuer or serial number.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace orvane {

using FilterMap = std::map<std::string, std::string>;

// Adds the pairs of `text` to `map`. An item without "=" is its own key and
// value; a key already present keeps its earlier value.
void ParseFilterText(std::string_view text, FilterMap& map);

}  // namespace orvane
