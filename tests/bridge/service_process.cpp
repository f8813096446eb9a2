#include "service_process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace orvane::test {
namespace {

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' ? value : fallback;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

// The directories this test program was built for, unless the environment
// names others.
std::string BuildDir() { return EnvOr("ORVANE_BUILD_DIR", ORVANE_TEST_BUILD_DIR); }
std::string SourceDir() { return EnvOr("ORVANE_SOURCE_DIR", ORVANE_TEST_SOURCE_DIR); }

unsigned short FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    if (fd >= 0) close(fd);
    throw std::runtime_error("no free port");
  }
  close(fd);
  return ntohs(addr.sin_port);
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvane-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

bool WaitForPort(unsigned short port, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (std::chrono::steady_clock::now() < deadline) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    if (connected) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // polling interval, not a synchronisation
  }
  return false;
}

ServiceProcess::ServiceProcess() : ServiceProcess(Options{}) {}

ServiceProcess::ServiceProcess(Options options) {
  const std::string program = options.program.empty() ? BuildDir() + "/OrvaneEx" : options.program;
  runtimeDir_ = options.runtimeDir.empty() ? dir_.path() : options.runtimeDir;
  port_ = options.port != 0 ? options.port : FreeLoopbackPort();
  const std::string out = dir_.path() + "/stdout";
  const std::string err = dir_.path() + "/stderr";
  const std::string suppressions = SourceDir() + "/tests/bridge/lsan.supp";

  std::vector<std::string> args{program, "--port", std::to_string(port_)};
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    // A headless service: no display, its own lock, and the sanitizers told
    // about what OpenSSL keeps until the process ends.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
    setenv("LSAN_OPTIONS", ("suppressions=" + suppressions + ":print_suppressions=0").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_.path() + "/data").c_str(), 1);
    for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (options.waitUntilServing && !WaitForPort(port_, std::chrono::seconds(20)))
    throw std::runtime_error("OrvaneEx did not start serving port " + std::to_string(port_) + ": " + Errors());
}

ServiceProcess::~ServiceProcess() {
  if (ended_) return;
  // A service that does not end cleanly on SIGTERM, or whose sanitizers
  // found something, fails the test that ran it.
  const int status = StopWith(SIGTERM);
  if (status == -1) {
    StopWith(SIGKILL);
    ADD_FAILURE() << "OrvaneEx did not end on SIGTERM";
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    ADD_FAILURE() << "OrvaneEx ended with wait status " << status << ":\n" << Errors();
  }
}

bool ServiceProcess::Running() {
  if (ended_) return false;
  const pid_t r = waitpid(pid_, &status_, WNOHANG);
  if (r == pid_) ended_ = true;
  return !ended_;
}

int ServiceProcess::WaitForExit(std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polling interval
  }
  return status_;
}

int ServiceProcess::StopWith(int signal, std::chrono::milliseconds patience) {
  if (!Running()) return status_;
  kill(pid_, signal);
  return WaitForExit(patience);
}

std::string ServiceProcess::Output() const { return ReadFile(dir_.path() + "/stdout"); }
std::string ServiceProcess::Errors() const { return ReadFile(dir_.path() + "/stderr"); }

bool ServiceProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds patience) const {
  return WaitForText([this] { return Output(); }, text, patience);
}

bool ServiceProcess::WaitForErrors(const std::string& text, std::chrono::milliseconds patience) const {
  return WaitForText([this] { return Errors(); }, text, patience);
}

bool ServiceProcess::WaitForText(const std::function<std::string()>& read, const std::string& text,
                                 std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (read().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polling interval
  }
  return true;
}

}  // namespace orvane::test
