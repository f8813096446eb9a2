#include "core/platform/dialog_runner.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/crypto.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

extern char** environ;

namespace orvane::platform {
namespace {

constexpr const char* kProgramName = "orvane-prompt";

// ---- Locating the program ---------------------------------------------------

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string SearchPath(std::string_view name, const char* pathList) {
  if (pathList == nullptr) return {};
  std::string_view rest(pathList);
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate.append("/").append(name);
    if (IsExecutableFile(candidate)) return candidate;
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

std::string FolderOfThisLibrary() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&FindDialogProgram), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string_view file(info.dli_fname);
  const std::size_t slash = file.rfind('/');
  return slash == std::string_view::npos ? std::string(".") : std::string(file.substr(0, slash));
}

// ---- File descriptors and the child -----------------------------------------

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

class SpawnActions {
 public:
  SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = posix_spawnattr_init(&attr_) == 0; }
  ~SpawnAttributes() {
    if (ok_) posix_spawnattr_destroy(&attr_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  bool ok() const { return ok_; }
  posix_spawnattr_t* get() { return &attr_; }

 private:
  posix_spawnattr_t attr_{};
  bool ok_ = false;
};

// A started child; killed and reaped if it is still unreaped when the object
// goes away, so no path leaves a zombie or a stray dialog behind.
class ChildProcess {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits for the child to end; true when it exited with status 0.
  bool Wait() {
    int status = 0;
    pid_t rc;
    do {
      rc = waitpid(pid_, &status, 0);
    } while (rc < 0 && errno == EINTR);
    pid_ = -1;
    return rc > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  pid_t pid_;
};

// Starts `program` with `childStdin` and `childStdout` as its standard input
// and output and nothing else of ours open. The child gets the default
// disposition of the signals a caller may have changed and an empty mask.
std::optional<pid_t> Spawn(const std::string& program, int childStdin, int childStdout) {
  SpawnActions actions;
  SpawnAttributes attributes;
  if (!actions.ok() || !attributes.ok()) return std::nullopt;
  if (posix_spawn_file_actions_adddup2(actions.get(), childStdin, STDIN_FILENO) != 0 ||
      posix_spawn_file_actions_adddup2(actions.get(), childStdout, STDOUT_FILENO) != 0 ||
      posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1) != 0) {
    return std::nullopt;
  }
  sigset_t empty, defaults;
  sigemptyset(&empty);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&defaults, sig);
  if (posix_spawnattr_setsigmask(attributes.get(), &empty) != 0 ||
      posix_spawnattr_setsigdefault(attributes.get(), &defaults) != 0 ||
      posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) != 0) {
    return std::nullopt;
  }
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv, environ) != 0) return std::nullopt;
  return pid;
}

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// ---- Talking to the child ---------------------------------------------------

enum class Exchange { kDone, kTooLong, kFailed };

// Writes `request` to `toChild` while reading `fromChild` into `answer` until
// the child closes its output. Both directions run together, so a child that
// answers before it has read everything cannot dead-lock us. Writing goes
// through a socket with MSG_NOSIGNAL: a child that exits without reading
// gives EPIPE, never SIGPIPE.
Exchange ExchangeWithChild(UniqueFd& toChild, UniqueFd& fromChild, std::string_view request, SecretString& answer) {
  std::size_t written = 0;
  if (request.empty()) toChild.Reset();
  unsigned char chunk[4096];
  Exchange result = Exchange::kFailed;
  while (true) {
    pollfd fds[2] = {{fromChild.get(), POLLIN, 0}, {toChild.get(), POLLOUT, 0}};
    const nfds_t count = toChild.valid() ? 2 : 1;
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (count == 2 && fds[1].revents != 0) {
      const ssize_t n = send(toChild.get(), request.data() + written, request.size() - written, MSG_NOSIGNAL);
      if (n > 0) written += static_cast<std::size_t>(n);
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == request.size()) toChild.Reset();
    }
    if (fds[0].revents == 0) continue;
    const ssize_t n = read(fromChild.get(), chunk, sizeof chunk);
    if (n == 0) {
      result = Exchange::kDone;
      break;
    }
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      break;
    }
    if (answer.size() + static_cast<std::size_t>(n) > ProcessDialogRunner::kMaxAnswerBytes) {
      result = Exchange::kTooLong;
      break;
    }
    answer.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(n));
  }
  OPENSSL_cleanse(chunk, sizeof chunk);
  return result;
}

std::optional<DialogAnswer> RunProgram(const std::string& program, const std::string& request) {
  int sockets[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return std::nullopt;
  UniqueFd toChild(sockets[0]), childStdin(sockets[1]);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  UniqueFd fromChild(pipeFds[0]), childStdout(pipeFds[1]);

  const auto pid = Spawn(program, childStdin.get(), childStdout.get());
  if (!pid) return std::nullopt;
  ChildProcess child(*pid);
  childStdin.Reset();
  childStdout.Reset();
  if (!SetNonBlocking(toChild.get()) || !SetNonBlocking(fromChild.get())) return std::nullopt;

  SecretString answer;
  if (ExchangeWithChild(toChild, fromChild, request, answer) != Exchange::kDone) return std::nullopt;
  toChild.Reset();
  fromChild.Reset();
  if (!child.Wait()) return std::nullopt;
  return DialogAnswer::Parse(answer);
}

}  // namespace

std::string FindDialogProgramIn(const char* override, const std::string& libraryFolder, const char* pathList) {
  if (override != nullptr && *override != '\0') {
    const std::string_view name(override);
    if (name.find('/') != std::string_view::npos) return IsExecutableFile(override) ? std::string(name) : std::string();
    return SearchPath(name, pathList);
  }
  if (!libraryFolder.empty()) {
    std::string beside = libraryFolder + "/" + kProgramName;
    if (IsExecutableFile(beside)) return beside;
  }
  return SearchPath(kProgramName, pathList);
}

std::string FindDialogProgram() {
  return FindDialogProgramIn(std::getenv("ORVANE_PROMPT"), FolderOfThisLibrary(), std::getenv("PATH"));
}

std::optional<DialogAnswer> ProcessDialogRunner::Run(const nlohmann::json& request) {
  try {
    const std::string program = program_.empty() ? FindDialogProgram() : program_;
    if (program.empty()) return std::nullopt;
    return RunProgram(program, request.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  } catch (...) {
    return std::nullopt;
  }
}

DialogRunner& DefaultDialogRunner() {
  static ProcessDialogRunner runner;
  return runner;
}

}  // namespace orvane::platform
