// Runs orvane-prompt for a test: the request on its standard input, its
// answer and its diagnostics read back, optionally on a pseudo-terminal
// that is its controlling terminal. Every wait has a deadline; nothing sleeps.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace orvane::testing {

inline constexpr int kWaitMs = 30000;

struct PromptResult {
  bool exited = false;  // exited normally (not killed, not timed out)
  int status = -1;      // exit status when exited
  std::string answer;   // everything on standard output
};

class PromptProcess {
 public:
  struct Options {
    std::vector<std::string> env;  // besides PATH, HOME, LANG, NO_AT_BRIDGE, ORVANE_PROMPT_TRACE
    bool terminal = false;         // a pseudo-terminal as controlling terminal; else none at all
    bool background = false;       // run outside the terminal's foreground process group
  };

  PromptProcess(const std::string& request, const Options& options);
  ~PromptProcess();
  PromptProcess(const PromptProcess&) = delete;
  PromptProcess& operator=(const PromptProcess&) = delete;

  bool started() const { return pid_ > 0; }

  // Waits until the program's standard error holds `needle` after what
  // earlier waits consumed; false at the deadline.
  bool WaitForDiagnostic(std::string_view needle);
  // The same for what the program wrote to the terminal.
  bool WaitForTerminal(std::string_view needle);
  // Keys typed on the terminal.
  void Type(std::string_view keys);
  // Everything written to the terminal so far.
  const std::string& terminalOutput() const { return terminalText_; }
  // Terminal mode flags (c_lflag) as the program left them.
  unsigned TerminalLocalFlags() const;

  // Reads the answer and waits for the end; a program still running at the
  // deadline is killed.
  PromptResult Finish();

 private:
  bool WaitFor(int fd, std::string& text, std::size_t& consumed, std::string_view needle);

  pid_t pid_ = -1;
  int stdoutFd_ = -1, stderrFd_ = -1, masterFd_ = -1, slaveFd_ = -1;
  std::string diagnostics_, terminalText_;
  std::size_t diagnosticsSeen_ = 0, terminalSeen_ = 0;
};

}  // namespace orvane::testing
