// The dialogs on the controlling terminal, for sessions without a display.
// PINs are read with echo off; Ctrl-C, Ctrl-D or the end of input cancel.
#pragma once

#include <optional>

#include "core/util/secret.h"
#include "prompt/request.h"

namespace orvane::prompt {

// Runs the dialog on /dev/tty; the answer to print, or nullopt when the user
// cancelled, there is no controlling terminal or it failed.
std::optional<SecretString> RunTerminalDialog(const Request& request);

}  // namespace orvane::prompt
