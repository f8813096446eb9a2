// The command handlers, one per function code; each calls one exported
// function of the core library with the bridge's context handle.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace orvane::bridge {

using CommandHandler = std::string (*)(const nlohmann::json& request);

// The handler for `code`, or null when no function has that code.
CommandHandler FindCommand(int32_t code);

}  // namespace orvane::bridge
