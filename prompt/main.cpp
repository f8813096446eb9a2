// orvane-prompt: shows one dialog for the Orvane library. Reads the request
// (one JSON object) on standard input, writes the answer (one JSON object)
// on standard output and exits 0 when the user confirmed; exits non-zero
// without an answer when the user cancelled or no dialog could be shown.
#include <gtk/gtk.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "prompt/answer.h"
#include "prompt/gtk_dialogs.h"
#include "prompt/request.h"
#include "prompt/terminal_dialogs.h"

namespace {

constexpr std::size_t kMaxRequestBytes = 8 << 20;
constexpr int kCancelled = 1;
constexpr int kBadRequest = 2;

std::optional<std::string> ReadRequest() {
  std::string text;
  char chunk[4096];
  while (true) {
    const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
    if (n == 0) return text;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (text.size() + static_cast<std::size_t>(n) > kMaxRequestBytes) return std::nullopt;
    text.append(chunk, static_cast<std::size_t>(n));
  }
}

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool DisplayAvailable() {
  return (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) && gtk_init_check(nullptr, nullptr);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// Font configuration keeps caches for the life of the process; they are not
// ours to free.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

int main() {
  using namespace orvane::prompt;
  signal(SIGPIPE, SIG_IGN);
  const auto text = ReadRequest();
  const auto request = text ? ParseRequest(*text) : std::nullopt;
  if (!request) return kBadRequest;

  const auto answer = DisplayAvailable() ? RunGtkDialog(*request) : RunTerminalDialog(*request);
  if (!answer || !WriteAll(STDOUT_FILENO, *answer)) return kCancelled;
  return 0;
}
