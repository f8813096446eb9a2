// Time texts of twelve digits, YYMMDDhhmmss, the year meaning 2000-2099.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Reads `text` as local time of this machine, adds `hourOffset` hours and
// writes the result as UTC. Text that is not twelve digits comes back
// unchanged.
std::string ConvertTimeText(std::string_view text, int hourOffset);

}  // namespace orvane
