#include "bridge/dispatcher.h"

#include <exception>

#include "bridge/commands.h"
#include "bridge/reply.h"
#include "bridge/request.h"
#include "core/util/status.h"

namespace orvane::bridge {

std::string Dispatch(std::string_view request) {
  try {
    if (request.empty()) return CodeReply(false, err::kParam);
    auto doc = ParseRequest(request);
    if (!doc) return {};
    std::string reply;
    if (const CommandHandler handler = FindCommand(FunctionCode(*doc))) reply = handler(*doc);
    WipeStrings(*doc);
    return reply;
  } catch (const std::exception&) {
    // Only allocation can fail here; the page gets the reply of a request
    // that could not be read.
    return {};
  }
}

}  // namespace orvane::bridge
