// A real OrvaneEx started for one test on a free loopback port, with its own
// runtime directory (so its single-instance lock is its own) and its standard
// output and error kept in files.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orvane::test {

// The build directory with OrvaneEx and the libraries (ORVANE_BUILD_DIR).
std::string BuildDir();
// The source tree (ORVANE_SOURCE_DIR).
std::string SourceDir();

// A TCP port on 127.0.0.1 that nothing listens on right now.
unsigned short FreeLoopbackPort();

// A fresh directory below the temporary directory, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class ServiceProcess {
 public:
  struct Options {
    std::string program;               // default: OrvaneEx in the build directory
    std::string runtimeDir;            // default: a directory of its own
    unsigned short port = 0;           // default: a free port
    std::vector<std::string> extraArgs;
    std::vector<std::pair<std::string, std::string>> env;  // set in the child's environment
    bool waitUntilServing = true;      // poll until the port accepts connections
  };

  ServiceProcess();
  explicit ServiceProcess(Options options);
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  unsigned short port() const { return port_; }
  pid_t pid() const { return pid_; }
  const std::string& runtimeDir() const { return runtimeDir_; }

  // True while the process has not ended.
  bool Running();
  // Sends `signal` and waits for the end; the exit status (as from waitpid),
  // or -1 when it did not end within `patience`.
  int StopWith(int signal, std::chrono::milliseconds patience = std::chrono::seconds(10));
  // Waits for the process to end on its own; its wait status, or -1.
  int WaitForExit(std::chrono::milliseconds patience);

  std::string Output() const;  // standard output so far
  std::string Errors() const;  // standard error so far
  // Polls standard output until it contains `text`.
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds patience = std::chrono::seconds(10)) const;
  // The same for standard error.
  bool WaitForErrors(const std::string& text, std::chrono::milliseconds patience = std::chrono::seconds(10)) const;

 private:
  static bool WaitForText(const std::function<std::string()>& read, const std::string& text,
                          std::chrono::milliseconds patience);

  TempDir dir_;
  std::string runtimeDir_;
  unsigned short port_ = 0;
  pid_t pid_ = -1;
  int status_ = 0;
  bool ended_ = false;
};

// Connects to 127.0.0.1:port; true once a connection succeeds within `patience`.
bool WaitForPort(unsigned short port, std::chrono::milliseconds patience);

}  // namespace orvane::test
