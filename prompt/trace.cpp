#include "prompt/trace.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "prompt/answer.h"

namespace orvane::prompt {

void TraceMessage(std::string_view text) {
  const char* trace = std::getenv("ORVANE_PROMPT_TRACE");
  if (trace == nullptr || *trace == '\0') return;
  const std::string line = "message: " + std::string(text) + "\n";
  WriteAll(STDERR_FILENO, line);
}

}  // namespace orvane::prompt
