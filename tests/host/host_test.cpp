// OrvaneEx as a process: one copy per user, running on without a server when
// the library or the port is missing, and ending cleanly on a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <filesystem>
#include <string>

#include "service_process.h"
#include "wire_client.h"

namespace orvane::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kVersionReply = TextReplyBytes("2.1.0.0");

bool ExitedWith(int status, int code) { return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == code; }

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(Host, SecondCopyExitsAtOnceAndTheFirstKeepsServing) {
  ServiceProcess first;
  ServiceProcess::Options options;
  options.runtimeDir = first.runtimeDir();  // the same user session
  options.waitUntilServing = false;
  ServiceProcess second(options);
  EXPECT_TRUE(ExitedWith(second.WaitForExit(10s), 0));
  EXPECT_EQ(second.Output(), "");
  EXPECT_EQ(second.Errors(), "");

  EXPECT_TRUE(first.Running());
  WsClient ws(first.port());
  EXPECT_EQ(ws.Call("{\"F\":1}"), kVersionReply);
}

TEST(Host, CopiesOfDifferentSessionsRunSideBySide) {
  ServiceProcess one;
  ServiceProcess two;  // its own runtime directory, its own port
  EXPECT_EQ(WsClient(one.port()).Call("{\"F\":1}"), kVersionReply);
  EXPECT_EQ(WsClient(two.port()).Call("{\"F\":1}"), kVersionReply);
}

TEST(Host, EndsCleanlyOnSigintAndSigterm) {
  for (const int signal : {SIGINT, SIGTERM}) {
    ServiceProcess service;
    WsClient connected(service.port());  // a page holding a connection open
    EXPECT_EQ(connected.Call("{\"F\":1}"), kVersionReply);
    EXPECT_TRUE(ExitedWith(service.StopWith(signal), 0)) << "signal " << signal << ": " << service.Errors();
    EXPECT_EQ(connected.Receive(), std::nullopt);
    EXPECT_TRUE(service.WaitForOutput("client websocket closed\n"));
  }
}

// A copy of the program in a directory of its own, with `library` (if any)
// beside it as libOrvaneWS.so.
void ExpectRunsWithoutAServer(const std::string& library, const std::string& told) {
  TempDir lonely;
  const std::string program = lonely.path() + "/OrvaneEx";
  fs::copy_file(BuildDir() + "/OrvaneEx", program);
  if (!library.empty()) fs::copy_file(library, lonely.path() + "/libOrvaneWS.so");
  ServiceProcess::Options options;
  options.program = program;
  options.waitUntilServing = false;
  options.env = {{"LD_LIBRARY_PATH", lonely.path()}};
  ServiceProcess service(options);

  EXPECT_TRUE(service.WaitForErrors("running without a server"));
  EXPECT_TRUE(service.Running());
  EXPECT_EQ(Count(service.Errors(), "\n"), 1u) << service.Errors();
  EXPECT_NE(service.Errors().find(told), std::string::npos) << service.Errors();
  EXPECT_TRUE(ExitedWith(service.StopWith(SIGTERM), 0));
}

TEST(Host, RunsWithoutAServerWhenTheLibraryIsMissing) { ExpectRunsWithoutAServer("", "cannot load libOrvaneWS.so"); }

TEST(Host, RunsWithoutAServerWhenTheLibraryHasNoStart) {
  // A library that loads but exports no ZT_Start: the core library.
  ExpectRunsWithoutAServer(BuildDir() + "/libnpOrvane.so", "has no ZT_Start");
}

TEST(Host, RunsWithoutAServerWhenThePortIsTaken) {
  // Another program holds the port on all addresses.
  boost::asio::io_context ioc;
  boost::asio::ip::tcp::acceptor taken(ioc, {boost::asio::ip::tcp::v4(), 0});
  ServiceProcess::Options options;
  options.port = taken.local_endpoint().port();
  options.waitUntilServing = false;
  ServiceProcess service(options);

  EXPECT_TRUE(service.WaitForErrors("running without a server"));
  EXPECT_TRUE(service.Running());
  EXPECT_EQ(Count(service.Errors(), "\n"), 1u) << service.Errors();
  EXPECT_EQ(service.Output(), "");  // no start line for a server that never started
  EXPECT_TRUE(ExitedWith(service.StopWith(SIGTERM), 0));
}

// An X server of its own for one test, ended with it.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      // It tells on standard error about displays it found taken.
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number once it accepts clients.
    char number[16] = {};
    const ssize_t n = read(fds[0], number, sizeof number - 1);
    close(fds[0]);
    if (n > 0) name_ = ":" + std::string(number, static_cast<std::size_t>(n - (number[n - 1] == '\n')));
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

TEST(Host, RunsWithItsTrayIconInAGraphicalSessionAndEndsOnSignal) {
  if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
  VirtualDisplay display;
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  TempDir scratch;
  ServiceProcess::Options options;
  options.env = {{"DISPLAY", display.name()},
                 {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + scratch.path() + "/no-bus"},
                 // GTK keeps its type system and caches until exit; our own
                 // leaks are checked by every headless test.
                 {"LSAN_OPTIONS", "detect_leaks=0"}};
  ServiceProcess service(options);
  EXPECT_EQ(WsClient(service.port()).Call("{\"F\":1}"), kVersionReply);
  EXPECT_TRUE(ExitedWith(service.StopWith(SIGTERM), 0)) << service.Errors();
  EXPECT_EQ(service.Errors().find("running without a server"), std::string::npos);
  EXPECT_EQ(service.Errors().find("CRITICAL"), std::string::npos) << service.Errors();
}

TEST(Host, RefusesArgumentsItDoesNotKnow) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--verbose"}, {"--port"}}) {
    ServiceProcess::Options options;
    options.extraArgs = args;
    options.waitUntilServing = false;
    ServiceProcess service(options);
    EXPECT_TRUE(ExitedWith(service.WaitForExit(10s), 2)) << args[0];
  }
}

}  // namespace
}  // namespace orvane::test
