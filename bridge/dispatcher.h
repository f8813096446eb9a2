// The request protocol: one request text in, one reply text out.
#pragma once

#include <string>
#include <string_view>

namespace orvane::bridge {

// Never fails and never throws. The reply is empty for a text that is not one
// JSON object, or that names no known function.
std::string Dispatch(std::string_view request);

}  // namespace orvane::bridge
