#include "prompt/prompt_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace orvane::testing {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Appends what `fd` has to `text`; false at end of file or on an error.
bool ReadSome(int fd, std::string& text) {
  char buffer[4096];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
  return n > 0 || (n < 0 && errno == EINTR);
}

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env = {"NO_AT_BRIDGE=1", "ORVANE_PROMPT_TRACE=1", "LANG=C.UTF-8"};
  for (const char* name : {"PATH", "HOME", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

PromptProcess::PromptProcess(const std::string& request, const Options& options) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
  int slave = -1;
  if (options.terminal && openpty(&masterFd_, &slave, nullptr, nullptr, nullptr) != 0) return;

  // Everything the child needs is made before fork: after it, only
  // async-signal-safe calls.
  const std::vector<std::string> env = ChildEnvironment(options.env);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(ORVANE_PROMPT_BINARY), nullptr};

  pid_ = fork();
  if (pid_ == 0) {
    close(in[1]);  // the ends of the test, so that no process here holds them
    close(out[0]);
    close(err[0]);
    setsid();  // a new session: no controlling terminal unless the pty below
    if (slave >= 0) ioctl(slave, TIOCSCTTY, 0);
    if (options.background) {
      // A job of its own in the session, while the terminal's foreground
      // stays with this process, which waits and passes the status on.
      const pid_t job = fork();
      if (job > 0) {
        int status = 0;
        while (waitpid(job, &status, 0) < 0 && errno == EINTR) {
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128);
      }
      if (job == 0) setpgid(0, 0);
    }
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    close_range(3, ~0U, 0);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  // The slave stays open here as well: the child opens its terminal anew,
  // and the master must not see the terminal hang up in between.
  slaveFd_ = slave;
  stdoutFd_ = out[0];
  stderrFd_ = err[0];
  signal(SIGPIPE, SIG_IGN);
  for (std::size_t done = 0; pid_ > 0 && done < request.size();) {
    const ssize_t n = write(in[1], request.data() + done, request.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(in[1]);
}

PromptProcess::~PromptProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  CloseIfOpen(stdoutFd_);
  CloseIfOpen(stderrFd_);
  CloseIfOpen(masterFd_);
  CloseIfOpen(slaveFd_);
}

bool PromptProcess::WaitFor(int fd, std::string& text, std::size_t& consumed, std::string_view needle) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
  while (true) {
    const std::size_t at = text.find(needle, consumed);
    if (at != std::string::npos) {
      consumed = at + needle.size();
      return true;
    }
    pollfd p{fd, POLLIN, 0};
    if (fd < 0 || poll(&p, 1, RemainingMs(deadline)) <= 0 || !ReadSome(fd, text)) return false;
  }
}

bool PromptProcess::WaitForDiagnostic(std::string_view needle) {
  return WaitFor(stderrFd_, diagnostics_, diagnosticsSeen_, needle);
}

bool PromptProcess::WaitForTerminal(std::string_view needle) {
  return WaitFor(masterFd_, terminalText_, terminalSeen_, needle);
}

void PromptProcess::Type(std::string_view keys) {
  if (masterFd_ >= 0) (void)!write(masterFd_, keys.data(), keys.size());
}

unsigned PromptProcess::TerminalLocalFlags() const {
  termios mode{};
  return masterFd_ >= 0 && tcgetattr(masterFd_, &mode) == 0 ? mode.c_lflag : 0;
}

PromptResult PromptProcess::Finish() {
  PromptResult result;
  if (pid_ <= 0) return result;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
  // Keep draining stderr and the terminal too, so that a chatty program
  // cannot block on a full pipe. The terminal stays open for
  // TerminalLocalFlags().
  int errFd = stderrFd_, ttyFd = masterFd_;
  while (stdoutFd_ >= 0 && RemainingMs(deadline) > 0) {
    pollfd fds[3] = {{stdoutFd_, POLLIN, 0}, {errFd, POLLIN, 0}, {ttyFd, POLLIN, 0}};
    if (poll(fds, 3, RemainingMs(deadline)) <= 0) break;
    if (fds[0].revents && !ReadSome(stdoutFd_, result.answer)) CloseIfOpen(stdoutFd_);
    if (fds[1].revents && !ReadSome(errFd, diagnostics_)) errFd = -1;
    if (fds[2].revents && !ReadSome(ttyFd, terminalText_)) ttyFd = -1;
  }
  if (stdoutFd_ >= 0) kill(pid_, SIGKILL);  // deadline passed
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_ && stdoutFd_ < 0 && WIFEXITED(status)) {
    result.exited = true;
    result.status = WEXITSTATUS(status);
  }
  pid_ = -1;
  return result;
}

}  // namespace orvane::testing
