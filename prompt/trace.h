// With ORVANE_PROMPT_TRACE set, the program notes on standard error every
// validation message it shows ("message: <text>"), so that tests can follow
// a dialog without reading the screen. Never carries input.
#pragma once

#include <string_view>

namespace orvane::prompt {

void TraceMessage(std::string_view text);

}  // namespace orvane::prompt
