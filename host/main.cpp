// OrvaneEx: keeps the local service on port 9002 running while the user is
// logged on. One copy per user; a tray icon with "退出" in a graphical
// session, a plain background process otherwise; SIGINT and SIGTERM end it.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "host/bridge_worker.h"
#include "host/single_instance.h"
#include "host/tray.h"

namespace {

using namespace orvane::host;

constexpr const char* kBridgeLibrary = "libOrvaneWS.so";
constexpr const char* kDefaultPort = "9002";
// How long a request in progress may hold up the exit.
constexpr std::chrono::milliseconds kStopPatience{3000};

bool ReadPort(int argc, char** argv, std::string& port) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--port" && i + 1 < argc) {
      port = argv[++i];
    } else if (arg.rfind("--port=", 0) == 0) {
      port = arg.substr(7);
    } else {
      return false;
    }
  }
  return !port.empty() && port.find_first_not_of("0123456789") == std::string::npos;
}

// SIGINT and SIGTERM are taken by one thread with sigwait, so that no other
// thread (the server's included) is ever interrupted by them.
sigset_t QuitSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

int WaitForQuitSignal() {
  const sigset_t set = QuitSignals();
  int signal = 0;
  sigwait(&set, &signal);
  return signal;
}

}  // namespace

int main(int argc, char** argv) {
  std::string port = kDefaultPort;
  if (!ReadPort(argc, argv, port)) {
    std::fprintf(stderr, "usage: OrvaneEx [--port N]\n");
    return 2;
  }
  if (AcquireInstanceLock(InstanceLockPath()) == InstanceLock::kHeldElsewhere) return 0;

  // A log reader that goes away must not end the service.
  std::signal(SIGPIPE, SIG_IGN);
  const sigset_t quitSignals = QuitSignals();
  pthread_sigmask(SIG_BLOCK, &quitSignals, nullptr);

  BridgeWorker worker;
  worker.Start(kBridgeLibrary, port);

  if (OpenGraphicalSession()) {
    std::thread([] {
      WaitForQuitSignal();
      QuitTray();
    }).detach();
    RunTray();
  } else {
    WaitForQuitSignal();
  }

  std::fflush(stdout);
  if (!worker.Stop(kStopPatience)) {
    // A request is still waiting (for a PIN, a device); the process ends
    // around it, as it would at logoff.
    std::fflush(stderr);
    _exit(0);
  }
  return 0;
}
