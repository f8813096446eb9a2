// The dialogs as GTK 3 windows. Call only after gtk_init_check() succeeded.
#pragma once

#include <optional>

#include "core/util/secret.h"
#include "prompt/request.h"

namespace orvane::prompt {

// Shows the dialog until the user confirms acceptable input or cancels; the
// answer to print, or nullopt when cancelled.
std::optional<SecretString> RunGtkDialog(const Request& request);

}  // namespace orvane::prompt
